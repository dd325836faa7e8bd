#include "components/vbscript/lexer.h"

#include <QHash>

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace vbscript {

namespace {

constexpr int kMaxIdentifier = 255;

const QHash<QString, Kw>& keywordTable()
{
    static const QHash<QString, Kw> table = {
        {QStringLiteral("and"), Kw::And}, {QStringLiteral("byref"), Kw::ByRef},
        {QStringLiteral("byval"), Kw::ByVal}, {QStringLiteral("call"), Kw::Call},
        {QStringLiteral("case"), Kw::Case}, {QStringLiteral("class"), Kw::Class},
        {QStringLiteral("const"), Kw::Const}, {QStringLiteral("default"), Kw::Default},
        {QStringLiteral("dim"), Kw::Dim}, {QStringLiteral("do"), Kw::Do},
        {QStringLiteral("each"), Kw::Each}, {QStringLiteral("else"), Kw::Else},
        {QStringLiteral("elseif"), Kw::ElseIf}, {QStringLiteral("empty"), Kw::Empty},
        {QStringLiteral("end"), Kw::End}, {QStringLiteral("eqv"), Kw::Eqv},
        {QStringLiteral("erase"), Kw::Erase}, {QStringLiteral("error"), Kw::Error},
        {QStringLiteral("exit"), Kw::Exit}, {QStringLiteral("explicit"), Kw::Explicit},
        {QStringLiteral("false"), Kw::False}, {QStringLiteral("for"), Kw::For},
        {QStringLiteral("function"), Kw::Function}, {QStringLiteral("get"), Kw::Get},
        {QStringLiteral("goto"), Kw::GoTo}, {QStringLiteral("if"), Kw::If},
        {QStringLiteral("imp"), Kw::Imp}, {QStringLiteral("in"), Kw::In},
        {QStringLiteral("is"), Kw::Is}, {QStringLiteral("let"), Kw::Let},
        {QStringLiteral("loop"), Kw::Loop}, {QStringLiteral("me"), Kw::Me},
        {QStringLiteral("mod"), Kw::Mod}, {QStringLiteral("new"), Kw::New},
        {QStringLiteral("next"), Kw::Next}, {QStringLiteral("not"), Kw::Not},
        {QStringLiteral("nothing"), Kw::Nothing}, {QStringLiteral("null"), Kw::Null},
        {QStringLiteral("on"), Kw::On}, {QStringLiteral("option"), Kw::Option},
        {QStringLiteral("or"), Kw::Or}, {QStringLiteral("preserve"), Kw::Preserve},
        {QStringLiteral("private"), Kw::Private}, {QStringLiteral("property"), Kw::Property},
        {QStringLiteral("public"), Kw::Public}, {QStringLiteral("redim"), Kw::ReDim},
        {QStringLiteral("resume"), Kw::Resume}, {QStringLiteral("select"), Kw::Select},
        {QStringLiteral("set"), Kw::Set}, {QStringLiteral("step"), Kw::Step},
        {QStringLiteral("stop"), Kw::Stop}, {QStringLiteral("sub"), Kw::Sub},
        {QStringLiteral("then"), Kw::Then}, {QStringLiteral("to"), Kw::To},
        {QStringLiteral("true"), Kw::True}, {QStringLiteral("until"), Kw::Until},
        {QStringLiteral("wend"), Kw::Wend}, {QStringLiteral("while"), Kw::While},
        {QStringLiteral("with"), Kw::With}, {QStringLiteral("xor"), Kw::Xor},
    };
    return table;
}

bool isNameStart(QChar c) { return c.isLetter(); }
bool isNamePart(QChar c) { return c.isLetterOrNumber() || c == u'_'; }
bool isHexDigit(QChar c) { return c.isDigit() || (c.toUpper() >= u'A' && c.toUpper() <= u'F'); }
bool isBlank(QChar c) { return c == u' ' || c == u'\t' || c == QChar(0xA0) || c == u'\f' || c == u'\v'; }

class Lexer {
public:
    explicit Lexer(const QString& source) : s_(source) {}

    std::vector<Token> run()
    {
        bool space = false;
        bool continued = false;
        while (i_ < s_.size()) {
            const QChar c = s_[i_];
            if (isBlank(c)) {
                advance();
                space = true;
                continue;
            }
            if (c == u'\'') {
                skipToEndOfLine();
                continue;
            }
            if (c == u'_' && continuationFollows()) {
                space = true;
                continued = true;
                continue;
            }
            Token t;
            // A dot that starts a continued line goes with what ends the line
            // before: obj _ .Member is obj.Member.
            t.spaceBefore = space && !(continued && c == u'.');
            t.pos = here();
            space = false;
            continued = false;
            if (c == u'\n' || c == u'\r') {
                if (c == u'\r' && i_ + 1 < s_.size() && s_[i_ + 1] == u'\n')
                    ++i_;
                newline();
                t.type = Tok::Newline;
                push(std::move(t));
                continue;
            }
            if (isNameStart(c)) {
                lexName(t);
                // After a dot a name is a member: Rem and keywords are names there.
                if (!tokens_.empty() && tokens_.back().type == Tok::Dot) {
                    t.kw = Kw::None;
                    push(std::move(t));
                    continue;
                }
                if (t.kw == Kw::None && t.text.compare(QLatin1String("rem"), Qt::CaseInsensitive) == 0) {
                    skipToEndOfLine();
                    continue;
                }
                push(std::move(t));
                continue;
            }
            if (c.isDigit() || (c == u'.' && i_ + 1 < s_.size() && s_[i_ + 1].isDigit())) {
                lexNumber(t);
                push(std::move(t));
                continue;
            }
            switch (c.unicode()) {
            case '"': lexString(t); break;
            case '#': lexDate(t); break;
            case '[': lexBracketName(t); break;
            case '&':
                // &H and &O start a number only when a digit follows: "x" &hi joins.
                if ((peek(1).toUpper() == u'H' && isHexDigit(peek(2)))
                    || (peek(1).toUpper() == u'O' && peek(2).isDigit()) || peek(1).isDigit()) {
                    lexRadix(t);
                } else {
                    advance();
                    t.type = Tok::Amp;
                }
                break;
            case '<':
                advance();
                t.type = Tok::Lt;
                if (peek() == u'=') { advance(); t.type = Tok::Le; }
                else if (peek() == u'>') { advance(); t.type = Tok::Ne; }
                break;
            case '>':
                advance();
                t.type = Tok::Gt;
                if (peek() == u'=') { advance(); t.type = Tok::Ge; }
                else if (peek() == u'<') { advance(); t.type = Tok::Ne; }  // >< is <> too
                break;
            case '=': advance(); t.type = Tok::Eq; break;
            case '+': advance(); t.type = Tok::Plus; break;
            case '-': advance(); t.type = Tok::Minus; break;
            case '*': advance(); t.type = Tok::Star; break;
            case '/': advance(); t.type = Tok::Slash; break;
            case '\\': advance(); t.type = Tok::Backslash; break;
            case '^': advance(); t.type = Tok::Caret; break;
            case '(': advance(); t.type = Tok::LParen; break;
            case ')': advance(); t.type = Tok::RParen; break;
            case ',': advance(); t.type = Tok::Comma; break;
            case '.': advance(); t.type = Tok::Dot; break;
            case ':': advance(); t.type = Tok::Colon; break;
            default: throw CompileError{compile::kInvalidCharacter, t.pos};
            }
            push(std::move(t));
        }
        Token nl;
        nl.type = Tok::Newline;
        nl.pos = here();
        push(nl);
        Token end;
        end.type = Tok::End;
        end.pos = here();
        push(end);
        return std::move(tokens_);
    }

private:
    QChar peek(qsizetype ahead = 0) const { return i_ + ahead < s_.size() ? s_[i_ + ahead] : QChar(); }
    void advance() { ++i_; }
    Position here() const { return {line_, int(i_ - lineStart_) + 1}; }
    void newline()
    {
        ++i_;
        ++line_;
        lineStart_ = i_;
    }
    void push(Token t) { tokens_.push_back(std::move(t)); }

    void skipToEndOfLine()
    {
        while (i_ < s_.size() && s_[i_] != u'\n' && s_[i_] != u'\r')
            ++i_;
    }

    // "_" at the end of a line joins it with the next one.
    bool continuationFollows()
    {
        qsizetype j = i_ + 1;
        while (j < s_.size() && isBlank(s_[j]))
            ++j;
        if (j < s_.size() && s_[j] != u'\n' && s_[j] != u'\r')
            return false;
        i_ = j;
        if (i_ < s_.size()) {
            if (s_[i_] == u'\r' && i_ + 1 < s_.size() && s_[i_ + 1] == u'\n')
                ++i_;
            newline();
        }
        return true;
    }

    void lexName(Token& t)
    {
        const qsizetype start = i_;
        while (i_ < s_.size() && isNamePart(s_[i_]))
            ++i_;
        if (i_ - start > kMaxIdentifier)
            throw CompileError{compile::kIdentifierTooLong, t.pos};
        t.type = Tok::Name;
        t.text = s_.mid(start, i_ - start);
        t.kw = keywordOf(t.text.toLower());
    }

    void lexBracketName(Token& t)
    {
        advance();
        const qsizetype start = i_;
        while (i_ < s_.size() && s_[i_] != u']' && s_[i_] != u'\n' && s_[i_] != u'\r')
            ++i_;
        if (peek() != u']')
            throw CompileError{compile::kExpectedRBracket, here()};
        if (i_ - start > kMaxIdentifier)
            throw CompileError{compile::kIdentifierTooLong, t.pos};
        t.type = Tok::Name;
        t.text = s_.mid(start, i_ - start);
        advance();
    }

    void lexNumber(Token& t)
    {
        const qsizetype start = i_;
        bool integral = true;
        while (peek().isDigit())
            advance();
        if (peek() == u'.') {
            integral = false;
            advance();
            while (peek().isDigit())
                advance();
        }
        if (peek().toLower() == u'e' && (peek(1).isDigit() || ((peek(1) == u'+' || peek(1) == u'-') && peek(2).isDigit()))) {
            integral = false;
            advance();
            if (peek() == u'+' || peek() == u'-')
                advance();
            while (peek().isDigit())
                advance();
        }
        if (isNameStart(peek()))
            throw CompileError{compile::kExpectedEndOfStatement, here()};
        bool ok = false;
        double v = s_.mid(start, i_ - start).toDouble(&ok);
        if (!ok) {
            // Too small for a Double is 0; too large is an error.
            const QByteArray digits = s_.mid(start, i_ - start).toLatin1();
            errno = 0;
            v = std::strtod(digits.constData(), nullptr);
            ok = errno != ERANGE || std::fabs(v) < 1.0;
            if (ok && errno == ERANGE)
                v = 0;
        }
        if (!ok || !std::isfinite(v))
            throw CompileError{compile::kInvalidNumber, t.pos};
        t.type = Tok::Number;
        if (integral && v <= 32767)
            t.value = automation::Variant::fromInteger(qint16(v));
        else if (integral && v <= 2147483647.0)
            t.value = automation::Variant(qint32(v));
        else
            t.value = automation::Variant(v);
    }

    // &H1F, &O17, &17: 16-bit when they fit in four hex digits, else 32-bit.
    void lexRadix(Token& t)
    {
        advance();
        int radix = 8;
        if (peek().toUpper() == u'H') {
            radix = 16;
            advance();
        } else if (peek().toUpper() == u'O') {
            advance();
        }
        quint64 value = 0;
        int digits = 0;
        while (true) {
            const QChar c = peek();
            int d = -1;
            if (c.isDigit())
                d = c.digitValue();
            else if (radix == 16 && c.toUpper() >= u'A' && c.toUpper() <= u'F')
                d = c.toUpper().unicode() - 'A' + 10;
            if (d < 0 || d >= radix)
                break;
            value = value * quint64(radix) + quint64(d);
            if (value > 0xFFFFFFFFull)
                throw CompileError{compile::kInvalidNumber, t.pos};
            ++digits;
            advance();
        }
        if (digits == 0)
            throw CompileError{compile::kSyntax, t.pos};
        bool forceLong = false;
        if (peek() == u'&') {
            forceLong = true;
            advance();
        }
        // A name may follow directly: (&h01or&h02). Hex and octal literals are
        // signed: a value that fits in 16 bits is an Integer of those bits
        // (&H8000 is -32768, &HFFFF is -1), a larger one a Long of 32 bits
        // (&H10000 is 65536, &HFFFFFFFF is -1); a trailing & makes it a Long
        // always (&HFFFF& is 65535).
        t.type = Tok::Number;
        if (!forceLong && value <= 0xFFFF)
            t.value = automation::Variant::fromInteger(qint16(quint16(value)));
        else
            t.value = automation::Variant(qint32(quint32(value)));
    }

    void lexString(Token& t)
    {
        advance();
        QString text;
        while (true) {
            if (i_ >= s_.size() || s_[i_] == u'\n' || s_[i_] == u'\r')
                throw CompileError{compile::kUnterminatedString, t.pos};
            const QChar c = s_[i_++];
            if (c == u'"') {
                if (peek() == u'"') {
                    text.append(u'"');
                    advance();
                    continue;
                }
                break;
            }
            text.append(c);
        }
        t.type = Tok::String;
        t.text = std::move(text);
    }

    void lexDate(Token& t)
    {
        advance();
        const qsizetype start = i_;
        while (i_ < s_.size() && s_[i_] != u'#' && s_[i_] != u'\n' && s_[i_] != u'\r')
            ++i_;
        if (peek() != u'#')
            throw CompileError{compile::kSyntax, t.pos};
        const QString text = s_.mid(start, i_ - start);
        advance();
        try {
            t.value = automation::Variant::fromDate(automation::Variant(text).toDate());
        } catch (const automation::AutomationError&) {
            throw CompileError{compile::kSyntax, t.pos};
        }
        t.type = Tok::Date;
    }

    const QString& s_;
    qsizetype i_ = 0;
    qsizetype lineStart_ = 0;
    int line_ = 1;
    std::vector<Token> tokens_;
};

}  // namespace

Kw keywordOf(const QString& lowerName)
{
    return keywordTable().value(lowerName, Kw::None);
}

bool isReservedKeyword(Kw kw)
{
    switch (kw) {
    case Kw::None:
    case Kw::Default:
    case Kw::Error:
    case Kw::Explicit:
    case Kw::Get:
    case Kw::Let:
    case Kw::Property:
    case Kw::Step:
    case Kw::Stop:
    case Kw::Resume:
    case Kw::GoTo:
    case Kw::Preserve:
        return false;
    default:
        return true;
    }
}

std::vector<Token> tokenize(const QString& source)
{
    return Lexer(source).run();
}

}  // namespace vbscript
