#pragma once
// Turns script text into tokens. Names and keywords are matched without
// regard to case; comments and line continuations never reach the parser.

#include "components/vbscript/diagnostics.h"

#include "automation/variant.h"

#include <QString>

#include <vector>

namespace vbscript {

enum class Kw : unsigned char {
    None,
    And, ByRef, ByVal, Call, Case, Class, Const, Default, Dim, Do, Each, Else, ElseIf, Empty, End,
    Eqv, Erase, Error, Exit, Explicit, False, For, Function, Get, GoTo, If, Imp, In, Is, Let, Loop,
    Me, Mod, New, Next, Not, Nothing, Null, On, Option, Or, Preserve, Private, Property, Public,
    ReDim, Resume, Select, Set, Step, Stop, Sub, Then, To, True, Until, Wend, While, With, Xor,
};

enum class Tok : unsigned char {
    End,      // end of the text
    Newline,  // a line break ends a statement
    Colon,    // so does ':'
    Name,     // an identifier or keyword (kw says which)
    Number,
    String,
    Date,
    Plus, Minus, Star, Slash, Backslash, Caret, Amp,
    Eq, Ne, Lt, Gt, Le, Ge,
    LParen, RParen, Comma, Dot,
};

struct Token {
    Tok type = Tok::End;
    Kw kw = Kw::None;
    bool spaceBefore = false;  // blanks between this token and the previous one
    Position pos;
    QString text;               // the name as written, or the string's value
    automation::Variant value;  // numbers and dates
};

// The keywords that are reserved: they cannot name a variable or procedure.
bool isReservedKeyword(Kw kw);
Kw keywordOf(const QString& lowerName);

// The whole text as tokens, ending with a Newline and End. Throws CompileError.
std::vector<Token> tokenize(const QString& source);

}  // namespace vbscript
