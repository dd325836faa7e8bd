#include "components/vbscript/parser.h"

#include "components/vbscript/lexer.h"

#include <set>

namespace vbscript {

namespace {

constexpr int kMaxNesting = 200;  // nested expressions and blocks
// Operators of one chain (a + b + c ...) each add a level to the tree that
// evaluates it, as nesting does; the run time walks it recursively.
constexpr int kMaxTreeDepth = 1000;

class Parser {
public:
    Parser(std::vector<Token> tokens, const ParseOptions& options)
        : t_(std::move(tokens)), options_(options), unit_(std::make_unique<Unit>())
    {
        unit_->optionExplicit = options.optionExplicit;
        auto scope = std::make_unique<Scope>();
        scope->procedure = options.localProcedure;
        scope->owner = options.localClass;
        scope->frozen = options.localProcedure != nullptr;
        scope_ = scope.get();
        unit_->scopes.push_back(std::move(scope));
        if (options.localProcedure) {
            // Exit Sub and the like are allowed in code Execute'd by a procedure.
            procKind_ = options.localProcedure->kind;
            inProcedure_ = true;
        }
    }

    std::unique_ptr<Unit> run()
    {
        if (options_.expressionOnly) {
            skipNewlines();
            unit_->expression = parseExpression();
            skipNewlines();
            if (cur().type != Tok::End)
                fail(compile::kExpectedEndOfStatement);
            return std::move(unit_);
        }
        bool first = true;
        while (true) {
            skipSeparators();
            if (cur().type == Tok::End)
                break;
            if (cur().kw == Kw::Option) {
                next();
                if (cur().kw != Kw::Explicit)
                    fail(compile::kSyntax);
                if (!first)
                    fail(compile::kMustBeFirstStatement);
                next();
                unit_->optionExplicit = true;
                endOfStatement();
                continue;
            }
            first = false;
            parseGlobalItem();
        }
        return std::move(unit_);
    }

private:
    // ------------------------------------------------------------ tokens
    const Token& cur() const { return t_[i_]; }
    const Token& peekToken(size_t ahead = 1) const { return t_[std::min(i_ + ahead, t_.size() - 1)]; }
    void next()
    {
        if (i_ + 1 < t_.size())
            ++i_;
    }
    [[noreturn]] void fail(int number) const { throw CompileError{number, cur().pos}; }
    [[noreturn]] void failAt(int number, Position p) const { throw CompileError{number, p}; }
    bool isKw(Kw kw) const { return cur().type == Tok::Name && cur().kw == kw; }
    void expectKw(Kw kw, int error)
    {
        if (!isKw(kw))
            fail(error);
        next();
    }
    void expect(Tok type, int error)
    {
        if (cur().type != type)
            fail(error);
        next();
    }
    bool isName() const { return cur().type == Tok::Name && !isReservedKeyword(cur().kw); }
    QString expectName()
    {
        if (!isName())
            fail(compile::kExpectedIdentifier);
        QString name = cur().text;
        next();
        return name;
    }
    bool atEndOfStatement() const
    {
        const Tok type = cur().type;
        // End closes the statement before it on the same line: Print "a" End If.
        return type == Tok::Newline || type == Tok::Colon || type == Tok::End || isKw(Kw::End)
            || (singleLine_ > 0 && isKw(Kw::Else));
    }
    void endOfStatement()
    {
        if (!atEndOfStatement())
            fail(compile::kExpectedEndOfStatement);
        if (cur().type == Tok::Newline || cur().type == Tok::Colon)
            next();
    }
    void skipNewlines()
    {
        while (cur().type == Tok::Newline)
            next();
    }
    void skipSeparators()
    {
        while (cur().type == Tok::Newline || cur().type == Tok::Colon)
            next();
    }

    struct Nest {
        explicit Nest(Parser& p) : p(p)
        {
            ++p.treeDepth_;
            if (++p.depth_ > kMaxNesting)
                p.fail(automation::error::kOutOfStack);
        }
        ~Nest()
        {
            --p.depth_;
            --p.treeDepth_;
        }
        Parser& p;
    };
    // The links of one operator chain, given back when the chain ends.
    struct Chain {
        explicit Chain(Parser& p) : p(p) {}
        ~Chain() { p.treeDepth_ -= links; }
        void link()
        {
            ++links;
            if (++p.treeDepth_ > kMaxTreeDepth)
                p.fail(automation::error::kOutOfStack);
        }
        Parser& p;
        int links = 0;
    };

    // ------------------------------------------------------------ names
    std::unique_ptr<NameExpr> makeName(const QString& name, Position pos)
    {
        auto n = std::make_unique<NameExpr>();
        n->pos = pos;
        n->name = name;
        n->lower = name.toLower();
        scope_->names.push_back(n.get());
        return n;
    }

    void declare(const QString& name, Position pos)
    {
        const QString lower = name.toLower();
        if (Procedure* proc = scope_->procedure; proc && !scope_->frozen) {
            if (proc->locals.contains(lower))
                failAt(compile::kNameRedefined, pos);
            proc->locals.insert(lower, proc->slotCount++);
            return;
        }
        if (!scope_->procedure) {
            // Declared twice in one piece of code: Windows refuses it.
            if (!scope_->frozen && !scope_->owner && !globalDeclared_.insert(lower).second)
                failAt(compile::kNameRedefined, pos);
            unit_->globalNames.push_back(name);
        }
    }

    // ------------------------------------------------------------ global level
    void parseGlobalItem()
    {
        const Position start = cur().pos;
        bool isPublic = true;
        bool hasAccess = false;
        if (isKw(Kw::Public) || isKw(Kw::Private)) {
            isPublic = isKw(Kw::Public);
            hasAccess = true;
            next();
        }
        bool isDefault = false;
        if (isKw(Kw::Default)) {
            isDefault = true;
            next();
        }
        if (isKw(Kw::Sub) || isKw(Kw::Function)) {
            if (isDefault)
                failAt(compile::kMustBeInsideClass, start);
            if (inProcedure_ && !scope_->frozen)
                fail(compile::kExpectedStatement);
            parseProcedure(nullptr, isPublic);
            return;
        }
        if (isKw(Kw::Property))
            failAt(compile::kMustBeInsideClass, start);
        if (isDefault)
            fail(compile::kDefaultPlacement);
        if (isKw(Kw::Class)) {
            if (hasAccess)
                fail(compile::kSyntax);
            parseClass();
            return;
        }
        if (isKw(Kw::Const)) {
            unit_->statements.push_back(parseConst());
            endOfStatement();
            return;
        }
        if (hasAccess) {
            // Public x, Private y(3) at the global level are Dim.
            unit_->statements.push_back(parseDim(false, start));
            endOfStatement();
            return;
        }
        unit_->statements.push_back(parseStatement());
        endOfStatement();
    }

    std::vector<Parameter> parseParameters()
    {
        std::vector<Parameter> params;
        if (cur().type != Tok::LParen)
            return params;
        next();
        if (cur().type == Tok::RParen) {
            next();
            return params;
        }
        while (true) {
            Parameter p;
            if (isKw(Kw::ByVal)) {
                p.byRef = false;
                next();
            } else if (isKw(Kw::ByRef)) {
                next();
            }
            p.name = expectName();
            if (cur().type == Tok::LParen) {
                next();
                expect(Tok::RParen, compile::kExpectedRParen);
            }
            for (const Parameter& other : params) {
                if (other.name.compare(p.name, Qt::CaseInsensitive) == 0)
                    fail(compile::kNameRedefined);
            }
            params.push_back(std::move(p));
            if (cur().type == Tok::Comma) {
                next();
                continue;
            }
            expect(Tok::RParen, compile::kExpectedRParen);
            return params;
        }
    }

    // Sub, Function or Property; the keyword is the current token.
    Procedure* parseProcedure(ClassDef* owner, bool isPublic)
    {
        auto proc = std::make_unique<Procedure>();
        proc->pos = cur().pos;
        proc->isPublic = isPublic;
        proc->owner = owner;
        Kw endKw = cur().kw;
        int endError = compile::kExpectedSub;
        if (isKw(Kw::Sub)) {
            proc->kind = ProcKind::Sub;
        } else if (isKw(Kw::Function)) {
            proc->kind = ProcKind::Function;
            endError = compile::kExpectedFunction;
        } else {
            next();
            endError = compile::kExpectedProperty;
            if (isKw(Kw::Get))
                proc->kind = ProcKind::PropertyGet;
            else if (isKw(Kw::Let))
                proc->kind = ProcKind::PropertyLet;
            else if (isKw(Kw::Set))
                proc->kind = ProcKind::PropertySet;
            else
                fail(compile::kExpectedLetSetGet);
            endKw = Kw::Property;
        }
        next();
        const Position namePos = cur().pos;
        proc->name = expectName();
        proc->params = parseParameters();
        if ((proc->kind == ProcKind::PropertyLet || proc->kind == ProcKind::PropertySet) && proc->params.empty())
            failAt(compile::kPropertyNeedsArgument, namePos);
        for (const Parameter& p : proc->params)
            proc->locals.insert(p.name.toLower(), proc->slotCount++);
        if (proc->kind == ProcKind::Function || proc->kind == ProcKind::PropertyGet) {
            proc->resultSlot = proc->slotCount++;
            if (!proc->locals.contains(proc->name.toLower()))
                proc->locals.insert(proc->name.toLower(), proc->resultSlot);
        }
        // The body may start on the header line: Sub T() Print "t" End Sub.
        if (atEndOfStatement())
            endOfStatement();

        auto scope = std::make_unique<Scope>();
        scope->procedure = proc.get();
        scope->owner = owner;
        Scope* saved = scope_;
        scope_ = scope.get();
        unit_->scopes.push_back(std::move(scope));
        const bool savedIn = inProcedure_;
        const ProcKind savedKind = procKind_;
        const int savedDo = doDepth_, savedFor = forDepth_, savedWith = withDepth_;
        inProcedure_ = true;
        procKind_ = proc->kind;
        doDepth_ = forDepth_ = withDepth_ = 0;
        parseBlock(proc->body);
        expectKw(Kw::End, endError);
        if (!isKw(endKw))
            fail(endError);
        next();
        inProcedure_ = savedIn;
        procKind_ = savedKind;
        doDepth_ = savedDo;
        forDepth_ = savedFor;
        withDepth_ = savedWith;
        scope_ = saved;
        endOfStatement();

        Procedure* raw = proc.get();
        if (owner)
            owner->procedures.push_back(std::move(proc));
        else
            unit_->procedures.push_back(std::move(proc));
        return raw;
    }

    void parseClass()
    {
        next();
        auto cls = std::make_unique<ClassDef>();
        cls->pos = cur().pos;
        cls->name = expectName();
        endOfStatement();
        auto addMember = [&](ClassMember m, Position pos) -> int {
            const QString lower = m.name.toLower();
            if (cls->memberIndex.contains(lower))
                failAt(compile::kNameRedefined, pos);
            cls->members.push_back(std::move(m));
            const int index = int(cls->members.size()) - 1;
            cls->memberIndex.insert(lower, index);
            return index;
        };
        while (true) {
            skipSeparators();
            if (cur().type == Tok::End)
                fail(compile::kExpectedEnd);
            if (isKw(Kw::End)) {
                next();
                expectKw(Kw::Class, compile::kExpectedClass);
                endOfStatement();
                break;
            }
            const Position start = cur().pos;
            bool isPublic = true;
            bool hasAccess = false;
            if (isKw(Kw::Public) || isKw(Kw::Private)) {
                isPublic = isKw(Kw::Public);
                hasAccess = true;
                next();
            }
            bool isDefault = false;
            if (isKw(Kw::Default)) {
                if (!hasAccess || !isPublic)
                    fail(compile::kDefaultNeedsPublic);
                isDefault = true;
                next();
            }
            if (isKw(Kw::Sub) || isKw(Kw::Function) || isKw(Kw::Property)) {
                const Position namePos = peekToken(isKw(Kw::Property) ? 2 : 1).pos;
                Procedure* proc = parseProcedure(cls.get(), isPublic);
                proc->isDefault = isDefault;
                const QString lower = proc->name.toLower();
                if (lower == QLatin1String("class_initialize") || lower == QLatin1String("class_terminate")) {
                    if (proc->kind != ProcKind::Sub)
                        failAt(compile::kSyntax, namePos);
                    if (!proc->params.empty())
                        failAt(compile::kInitializeTerminateArguments, namePos);
                    (lower == QLatin1String("class_initialize") ? cls->initialize : cls->terminate) = proc;
                }
                const bool isProperty = proc->kind == ProcKind::PropertyGet || proc->kind == ProcKind::PropertyLet
                                     || proc->kind == ProcKind::PropertySet;
                if (isDefault && proc->kind != ProcKind::PropertyGet && proc->kind != ProcKind::Function
                    && proc->kind != ProcKind::Sub)
                    failAt(compile::kDefaultOnlyOnGet, start);
                int index = -1;
                auto found = cls->memberIndex.find(lower);
                if (isProperty && found != cls->memberIndex.end() && cls->members[*found].kind == ClassMember::Property) {
                    index = *found;
                    ClassMember& m = cls->members[index];
                    Procedure*& slot = proc->kind == ProcKind::PropertyGet ? m.get
                                     : proc->kind == ProcKind::PropertyLet ? m.let : m.set;
                    if (slot)
                        failAt(compile::kNameRedefined, namePos);
                    slot = proc;
                    // Get takes n arguments, Let and Set n + 1.
                    auto getCount = [](const Procedure* p) {
                        return p->kind == ProcKind::PropertyGet ? int(p->params.size()) : int(p->params.size()) - 1;
                    };
                    for (const Procedure* other : {m.get, m.let, m.set}) {
                        if (other && other != proc && getCount(other) != getCount(proc))
                            failAt(compile::kInconsistentPropertyArguments, namePos);
                    }
                    if (isPublic)
                        m.isPublic = true;
                } else {
                    ClassMember m;
                    m.name = proc->name;
                    m.isPublic = isPublic;
                    if (isProperty) {
                        m.kind = ClassMember::Property;
                        (proc->kind == ProcKind::PropertyGet ? m.get
                         : proc->kind == ProcKind::PropertyLet ? m.let : m.set) = proc;
                    } else {
                        m.kind = ClassMember::Method;
                        m.method = proc;
                    }
                    index = addMember(std::move(m), namePos);
                }
                if (isDefault) {
                    if (cls->defaultMember >= 0 && cls->defaultMember != index)
                        failAt(compile::kMultipleDefault, start);
                    cls->defaultMember = index;
                }
                continue;
            }
            if (isDefault)
                fail(compile::kDefaultPlacement);
            if (isKw(Kw::Dim) || hasAccess) {
                if (isKw(Kw::Dim)) {
                    if (hasAccess)
                        fail(compile::kSyntax);
                    next();
                }
                while (true) {
                    const Position pos = cur().pos;
                    ClassField f;
                    f.name = expectName();
                    if (cur().type == Tok::LParen) {
                        next();
                        f.isArray = true;
                        while (cur().type != Tok::RParen) {
                            if (cur().type != Tok::Number)
                                fail(compile::kExpectedInteger);
                            f.bounds.push_back(cur().value.toLong());
                            next();
                            if (cur().type == Tok::Comma)
                                next();
                            else if (cur().type != Tok::RParen)
                                fail(compile::kExpectedRParen);
                        }
                        next();
                    }
                    ClassMember m;
                    m.name = f.name;
                    m.kind = ClassMember::Field;
                    m.isPublic = isPublic;
                    m.field = int(cls->fields.size());
                    cls->fields.push_back(std::move(f));
                    addMember(std::move(m), pos);
                    if (cur().type != Tok::Comma)
                        break;
                    next();
                }
                endOfStatement();
                continue;
            }
            fail(compile::kExpectedStatement);
        }
        unit_->classes.push_back(std::move(cls));
    }

    // ------------------------------------------------------------ blocks
    bool atBlockEnd() const
    {
        if (cur().type == Tok::End)
            return true;
        if (cur().type != Tok::Name)
            return false;
        switch (cur().kw) {
        case Kw::End:
        case Kw::Else:
        case Kw::ElseIf:
        case Kw::Case:
        case Kw::Loop:
        case Kw::Next:
        case Kw::Wend:
            return true;
        default:
            return false;
        }
    }

    void parseBlock(Block& out)
    {
        Nest nest(*this);
        while (true) {
            skipSeparators();
            if (atBlockEnd())
                return;
            out.push_back(parseStatement());
            endOfStatement();
        }
    }

    StmtPtr parseStatement()
    {
        const Position pos = cur().pos;
        StmtPtr s = parseStatementBody();
        if (s)
            s->pos = pos;
        return s;
    }

    StmtPtr parseStatementBody()
    {
        const Token& tok = cur();
        if (tok.type == Tok::Dot)
            return parseAssignOrCall(false, false);
        if (tok.type != Tok::Name)
            fail(compile::kExpectedStatement);
        switch (tok.kw) {
        case Kw::Dim: {
            const Position pos = tok.pos;
            return parseDim(true, pos);
        }
        case Kw::ReDim: return parseReDim();
        case Kw::Erase: {
            auto s = std::make_unique<EraseStmt>();
            s->pos = tok.pos;
            next();
            const Position p = cur().pos;
            s->name = makeName(expectName(), p);
            return s;
        }
        case Kw::Const: return parseConst();
        case Kw::If: return parseIf();
        case Kw::Select: return parseSelect();
        case Kw::For: return parseFor();
        case Kw::Do: return parseDo();
        case Kw::While: return parseWhile();
        case Kw::Exit: return parseExit();
        case Kw::With: return parseWith();
        case Kw::On: return parseOnError();
        case Kw::Set:
            next();
            return parseAssignOrCall(true, false, true);
        case Kw::Let:
            next();
            return parseAssignOrCall(false, false, true);
        case Kw::Call:
            next();
            return parseAssignOrCall(false, true);
        case Kw::Stop: {
            next();
            auto s = std::make_unique<IfStmt>();  // does nothing: no debugger to stop in
            return s;
        }
        case Kw::Me:
        case Kw::None:
        case Kw::Default:
        case Kw::Error:
        case Kw::Explicit:
        case Kw::Get:
        case Kw::Property:
        case Kw::Step:
        case Kw::Resume:
        case Kw::GoTo:
        case Kw::Preserve:
            return parseAssignOrCall(false, false);
        case Kw::Sub:
        case Kw::Function: {
            // A procedure inside a block at the global level is declared like
            // any other; the block itself runs nothing for it.
            if (inProcedure_)
                fail(compile::kExpectedStatement);
            parseProcedure(nullptr, true);
            // Hand the line end back to the block, which expects to take it.
            if (i_ > 0 && (t_[i_ - 1].type == Tok::Newline || t_[i_ - 1].type == Tok::Colon))
                --i_;
            return std::make_unique<IfStmt>();
        }
        case Kw::Loop: fail(compile::kLoopWithoutDo);
        case Kw::Next: fail(compile::kUnexpectedNext);
        default: fail(compile::kExpectedStatement);
        }
    }

    StmtPtr parseDim(bool keywordPresent, Position pos)
    {
        if (keywordPresent || isKw(Kw::Dim))
            next();
        auto s = std::make_unique<DimStmt>();
        s->pos = pos;
        while (true) {
            DimItem item;
            const Position p = cur().pos;
            const QString name = expectName();
            declare(name, p);
            item.name = makeName(name, p);
            if (cur().type == Tok::LParen) {
                next();
                item.isArray = true;
                if (cur().type != Tok::RParen) {
                    while (true) {
                        item.bounds.push_back(parseExpression());
                        if (cur().type != Tok::Comma)
                            break;
                        next();
                    }
                }
                expect(Tok::RParen, compile::kExpectedRParen);
                if (!item.bounds.empty() && !scope_->frozen) {
                    if (scope_->procedure)
                        scope_->procedure->fixedArrays.append(name.toLower());
                    else
                        unit_->fixedArrays.push_back(name.toLower());
                }
            }
            s->items.push_back(std::move(item));
            if (cur().type != Tok::Comma)
                break;
            next();
        }
        return s;
    }

    StmtPtr parseReDim()
    {
        auto s = std::make_unique<DimStmt>();
        s->pos = cur().pos;
        s->redim = true;
        next();
        if (isKw(Kw::Preserve)) {
            s->preserve = true;
            next();
        }
        while (true) {
            DimItem item;
            const Position p = cur().pos;
            const QString name = expectName();
            // ReDim of a name not yet declared declares it; inside a procedure
            // the name may also be a class field or a global, which the linker
            // finds, and otherwise becomes a local when the statement runs.
            if (!scope_->procedure && !scope_->frozen)
                unit_->globalNames.push_back(name);
            item.name = makeName(name, p);
            item.isArray = true;
            expect(Tok::LParen, compile::kExpectedLParen);
            while (true) {
                item.bounds.push_back(parseExpression());
                if (cur().type != Tok::Comma)
                    break;
                next();
            }
            expect(Tok::RParen, compile::kExpectedRParen);
            s->items.push_back(std::move(item));
            if (cur().type != Tok::Comma)
                break;
            next();
        }
        return s;
    }

    StmtPtr parseConst()
    {
        auto s = std::make_unique<ConstStmt>();
        s->pos = cur().pos;
        if (!scope_->procedure && !scope_->frozen && !scope_->owner)
            unit_->globalConsts.push_back(s.get());
        next();
        while (true) {
            const Position p = cur().pos;
            const QString name = expectName();
            expect(Tok::Eq, compile::kExpectedEqual);
            bool negative = false;
            while (cur().type == Tok::Minus || cur().type == Tok::Plus) {
                if (cur().type == Tok::Minus)
                    negative = !negative;
                next();
            }
            Variant value;
            bool paren = false;
            if (cur().type == Tok::LParen) {
                paren = true;
                next();
            }
            switch (cur().type) {
            case Tok::Number:
            case Tok::Date: value = cur().value; break;
            case Tok::String: value = Variant(cur().text); break;
            case Tok::Name:
                if (cur().kw == Kw::True) value = Variant(true);
                else if (cur().kw == Kw::False) value = Variant(false);
                else if (cur().kw == Kw::Empty) value = Variant();
                else if (cur().kw == Kw::Null) value = Variant::null();
                else if (cur().kw == Kw::Nothing) value = Variant::nothing();
                else fail(compile::kExpectedLiteral);
                break;
            default: fail(compile::kExpectedLiteral);
            }
            next();
            if (paren)
                expect(Tok::RParen, compile::kExpectedRParen);
            if (negative) {
                if (!value.isNumeric())
                    fail(compile::kExpectedLiteral);
                const double d = -value.toDouble();
                value = d >= -32768 && d <= 32767 && d == qint64(d) ? Variant::fromInteger(qint16(d))
                      : d >= -2147483648.0 && d <= 2147483647.0 && d == qint64(d) ? Variant(qint32(d))
                                                                                  : Variant(d);
            }
            declare(name, p);
            s->items.emplace_back(makeName(name, p), std::move(value));
            if (cur().type != Tok::Comma)
                break;
            next();
        }
        return s;
    }

    StmtPtr parseIf()
    {
        auto s = std::make_unique<IfStmt>();
        s->pos = cur().pos;
        next();
        ExprPtr cond = parseExpression();
        expectKw(Kw::Then, compile::kExpectedThen);
        if (cur().type != Tok::Newline) {
            // Single-line form: If c Then a : b Else c : d
            Block then;
            parseLineStatements(then);
            s->branches.emplace_back(std::move(cond), std::move(then));
            if (isKw(Kw::Else)) {
                next();
                parseLineStatements(s->otherwise);
            }
            // The one-line form may still close with End If.
            if (isKw(Kw::End) && peekToken().type == Tok::Name && peekToken().kw == Kw::If) {
                next();
                next();
            }
            if (cur().type != Tok::Newline && cur().type != Tok::End && !isKw(Kw::End)
                && !(singleLine_ > 0 && isKw(Kw::Else)))
                fail(compile::kExpectedEndOfStatement);
            return s;
        }
        Block then;
        parseBlock(then);
        s->branches.emplace_back(std::move(cond), std::move(then));
        while (true) {
            if (isKw(Kw::ElseIf)) {
                next();
                ExprPtr c = parseExpression();
                expectKw(Kw::Then, compile::kExpectedThen);
                Block b;
                if (cur().type != Tok::Newline) {
                    parseLineStatements(b);
                }
                parseBlock(b);
                s->branches.emplace_back(std::move(c), std::move(b));
                continue;
            }
            if (isKw(Kw::Else)) {
                next();
                parseBlock(s->otherwise);
                continue;
            }
            break;
        }
        expectKw(Kw::End, compile::kExpectedEnd);
        expectKw(Kw::If, compile::kExpectedIf);
        return s;
    }

    // Statements of a single-line If, up to Else or the end of the line.
    void parseLineStatements(Block& out)
    {
        ++singleLine_;
        while (true) {
            if (cur().type == Tok::Newline || cur().type == Tok::End || isKw(Kw::Else) || isKw(Kw::End))
                break;
            if (cur().type == Tok::Colon) {
                next();
                continue;
            }
            out.push_back(parseStatement());
            if (!atEndOfStatement())
                fail(compile::kExpectedEndOfStatement);
        }
        --singleLine_;
    }

    StmtPtr parseSelect()
    {
        auto s = std::make_unique<SelectStmt>();
        s->pos = cur().pos;
        next();
        expectKw(Kw::Case, compile::kExpectedCase);
        s->test = parseExpression();
        endOfStatement();
        skipSeparators();
        while (isKw(Kw::Case)) {
            next();
            if (isKw(Kw::Else)) {
                next();
                if (atEndOfStatement())
                    endOfStatement();
                s->hasElse = true;
                parseBlock(s->otherwise);
                break;
            }
            std::vector<CaseClause> clauses;
            while (true) {
                CaseClause c;
                if (isKw(Kw::Is)) {
                    next();
                    c.kind = CaseClause::Compare;
                    switch (cur().type) {
                    case Tok::Eq: c.op = BinaryOp::Eq; break;
                    case Tok::Ne: c.op = BinaryOp::Ne; break;
                    case Tok::Lt: c.op = BinaryOp::Lt; break;
                    case Tok::Gt: c.op = BinaryOp::Gt; break;
                    case Tok::Le: c.op = BinaryOp::Le; break;
                    case Tok::Ge: c.op = BinaryOp::Ge; break;
                    default: fail(compile::kSyntax);
                    }
                    next();
                    c.a = parseConcat();
                } else {
                    c.a = parseExpression();
                    if (isKw(Kw::To)) {
                        next();
                        c.kind = CaseClause::Range;
                        c.b = parseExpression();
                    }
                }
                clauses.push_back(std::move(c));
                if (cur().type != Tok::Comma)
                    break;
                next();
            }
            // A statement may follow the clauses without a colon: Case 1 x = 2.
            if (atEndOfStatement())
                endOfStatement();
            Block body;
            parseBlock(body);
            s->cases.emplace_back(std::move(clauses), std::move(body));
        }
        skipSeparators();
        expectKw(Kw::End, compile::kExpectedEnd);
        expectKw(Kw::Select, compile::kExpectedSelect);
        return s;
    }

    StmtPtr parseFor()
    {
        const Position pos = cur().pos;
        next();
        if (isKw(Kw::Each)) {
            next();
            auto s = std::make_unique<ForEachStmt>();
            s->pos = pos;
            const Position p = cur().pos;
            if (!isName())
                fail(compile::kInvalidForVariable);
            s->element = makeName(expectName(), p);
            expectKw(Kw::In, compile::kExpectedIn);
            s->group = parseExpression();
            endOfStatement();
            ++forDepth_;
            parseBlock(s->body);
            --forDepth_;
            expectKw(Kw::Next, compile::kExpectedNext);
            return s;
        }
        auto s = std::make_unique<ForStmt>();
        s->pos = pos;
        const Position p = cur().pos;
        if (!isName())
            fail(compile::kInvalidForVariable);
        const QString name = expectName();
        s->counter = makeName(name, p);
        expect(Tok::Eq, compile::kExpectedEqual);
        s->from = parseExpression();
        expectKw(Kw::To, compile::kExpectedTo);
        s->to = parseExpression();
        if (isKw(Kw::Step)) {
            next();
            s->step = parseExpression();
        }
        endOfStatement();
        ++forDepth_;
        parseBlock(s->body);
        --forDepth_;
        expectKw(Kw::Next, compile::kExpectedNext);
        if (isName()) {
            if (cur().text.compare(name, Qt::CaseInsensitive) != 0)
                fail(compile::kInvalidForVariable);
            next();
        }
        return s;
    }

    StmtPtr parseDo()
    {
        auto s = std::make_unique<DoStmt>();
        s->pos = cur().pos;
        next();
        if (isKw(Kw::While) || isKw(Kw::Until)) {
            s->until = isKw(Kw::Until);
            next();
            s->condition = parseExpression();
        }
        endOfStatement();
        ++doDepth_;
        parseBlock(s->body);
        --doDepth_;
        expectKw(Kw::Loop, compile::kExpectedLoop);
        if (isKw(Kw::While) || isKw(Kw::Until)) {
            if (s->condition)
                fail(compile::kExpectedEndOfStatement);
            s->until = isKw(Kw::Until);
            s->conditionFirst = false;
            next();
            s->condition = parseExpression();
        }
        return s;
    }

    StmtPtr parseWhile()
    {
        auto s = std::make_unique<DoStmt>();
        s->pos = cur().pos;
        next();
        s->condition = parseExpression();
        endOfStatement();
        s->isWend = true;
        parseBlock(s->body);
        expectKw(Kw::Wend, compile::kExpectedWend);
        return s;
    }

    StmtPtr parseExit()
    {
        auto s = std::make_unique<ExitStmt>();
        s->pos = cur().pos;
        next();
        if (isKw(Kw::Do)) {
            if (doDepth_ == 0)
                fail(compile::kInvalidExit);
            s->flow = Flow::ExitDo;
        } else if (isKw(Kw::For)) {
            if (forDepth_ == 0)
                fail(compile::kInvalidExit);
            s->flow = Flow::ExitFor;
        } else if (isKw(Kw::Sub) || isKw(Kw::Function) || isKw(Kw::Property)) {
            const bool ok = inProcedure_
                         && ((isKw(Kw::Sub) && procKind_ == ProcKind::Sub)
                             || (isKw(Kw::Function) && procKind_ == ProcKind::Function)
                             || (isKw(Kw::Property) && procKind_ != ProcKind::Sub && procKind_ != ProcKind::Function));
            if (!ok)
                fail(compile::kInvalidExit);
            s->flow = Flow::ExitProcedure;
        } else {
            fail(compile::kInvalidExit);
        }
        next();
        return s;
    }

    StmtPtr parseWith()
    {
        auto s = std::make_unique<WithStmt>();
        s->pos = cur().pos;
        next();
        s->object = parseExpression();
        endOfStatement();
        ++withDepth_;
        parseBlock(s->body);
        --withDepth_;
        expectKw(Kw::End, compile::kExpectedEnd);
        expectKw(Kw::With, compile::kExpectedWith);
        return s;
    }

    StmtPtr parseOnError()
    {
        auto s = std::make_unique<OnErrorStmt>();
        s->pos = cur().pos;
        next();
        expectKw(Kw::Error, compile::kSyntax);
        if (isKw(Kw::Resume)) {
            next();
            expectKw(Kw::Next, compile::kSyntax);
            s->resumeNext = true;
        } else if (isKw(Kw::GoTo)) {
            next();
            if (cur().type != Tok::Number || cur().value.toDouble() != 0)
                fail(compile::kSyntax);
            next();
        } else {
            fail(compile::kSyntax);
        }
        return s;
    }

    // An assignment or a call: they start alike.
    StmtPtr parseAssignOrCall(bool isSet, bool hasCall, bool mustAssign = false)
    {
        const Position pos = cur().pos;
        lastParen_ = 0;
        ExprPtr target = parsePostfix(parsePrimary());
        const size_t parenAt = lastParen_;
        const size_t parenNames = lastParenNames_;
        if (cur().type == Tok::Eq && !hasCall) {
            if (dynamic_cast<MeExpr*>(target.get()) || !isAssignable(target.get()))
                fail(compile::kSyntax);
            next();
            auto s = std::make_unique<AssignStmt>();
            s->pos = pos;
            s->isSet = isSet;
            s->target = std::move(target);
            s->value = parseExpression();
            return s;
        }
        if (mustAssign)
            fail(compile::kExpectedEqual);
        if (!isAssignable(target.get()))
            fail(compile::kExpectedStatement);
        auto s = std::make_unique<CallStmt>();
        s->pos = pos;
        auto* call = dynamic_cast<CallExpr*>(target.get());
        // Call (((f))) (x): the parentheses around the name only group it.
        while (hasCall && call && call->callee && call->callee->kind == ExprKind::Paren) {
            ExprPtr inner = std::move(static_cast<ParenExpr&>(*call->callee).inner);
            call->callee = std::move(inner);
        }
        if (atEndOfStatement()) {
            if (call && !hasCall && parenAt) {
                // name(x) as a statement passes x by value; name(x, y) is an error.
                if (call->args.size() > 1)
                    failAt(compile::kCannotUseParentheses, t_[parenAt].pos);
                if (call->args.size() == 1 && call->args[0]) {
                    auto paren = std::make_unique<ParenExpr>();
                    paren->pos = call->args[0]->pos;
                    paren->inner = std::move(call->args[0]);
                    call->args[0] = std::move(paren);
                }
            }
            s->call = std::move(target);
            return s;
        }
        if (hasCall)
            fail(compile::kExpectedEndOfStatement);
        // Arguments without parentheses. When the target ended in "(...)",
        // that group was really the start of the first argument: name (1) + 2, 3.
        ExprPtr callee;
        if (call && parenAt) {
            i_ = parenAt;
            scope_->names.resize(parenNames);
            callee = std::move(call->callee);
        } else {
            callee = std::move(target);
        }
        auto c = std::make_unique<CallExpr>();
        c->pos = callee->pos;
        c->callee = std::move(callee);
        while (true) {
            if (cur().type == Tok::Comma) {
                c->args.push_back(nullptr);
                next();
                continue;
            }
            c->args.push_back(parseExpression());
            if (cur().type != Tok::Comma)
                break;
            next();
            if (atEndOfStatement())
                c->args.push_back(nullptr);
        }
        s->call = std::move(c);
        return s;
    }

    static bool isAssignable(const Expr* e)
    {
        return dynamic_cast<const NameExpr*>(e) || dynamic_cast<const MemberExpr*>(e)
            || dynamic_cast<const CallExpr*>(e) || dynamic_cast<const MeExpr*>(e);
    }

    // ------------------------------------------------------------ expressions
    ExprPtr binary(BinaryOp op, ExprPtr l, ExprPtr r, Position pos)
    {
        auto b = std::make_unique<BinaryExpr>(op);
        b->pos = pos;
        b->left = std::move(l);
        b->right = std::move(r);
        return b;
    }

    ExprPtr parseExpression()
    {
        Nest nest(*this);
        return parseImp();
    }

    ExprPtr parseImp()
    {
        ExprPtr e = parseEqv();
        Chain chain(*this);
        while (isKw(Kw::Imp)) {
            const Position p = cur().pos;
            next();
            chain.link();
            e = binary(BinaryOp::Imp, std::move(e), parseEqv(), p);
        }
        return e;
    }
    ExprPtr parseEqv()
    {
        ExprPtr e = parseXor();
        Chain chain(*this);
        while (isKw(Kw::Eqv)) {
            const Position p = cur().pos;
            next();
            chain.link();
            e = binary(BinaryOp::Eqv, std::move(e), parseXor(), p);
        }
        return e;
    }
    ExprPtr parseXor()
    {
        ExprPtr e = parseOr();
        Chain chain(*this);
        while (isKw(Kw::Xor)) {
            const Position p = cur().pos;
            next();
            chain.link();
            e = binary(BinaryOp::Xor, std::move(e), parseOr(), p);
        }
        return e;
    }
    ExprPtr parseOr()
    {
        ExprPtr e = parseAnd();
        Chain chain(*this);
        while (isKw(Kw::Or)) {
            const Position p = cur().pos;
            next();
            chain.link();
            e = binary(BinaryOp::Or, std::move(e), parseAnd(), p);
        }
        return e;
    }
    ExprPtr parseAnd()
    {
        ExprPtr e = parseNot();
        Chain chain(*this);
        while (isKw(Kw::And)) {
            const Position p = cur().pos;
            next();
            chain.link();
            e = binary(BinaryOp::And, std::move(e), parseNot(), p);
        }
        return e;
    }
    ExprPtr parseNot()
    {
        if (isKw(Kw::Not)) {
            Nest nest(*this);
            auto u = std::make_unique<UnaryExpr>();
            u->pos = cur().pos;
            u->op = UnaryOp::Not;
            next();
            u->operand = parseNot();
            return u;
        }
        return parseCompare();
    }
    ExprPtr parseCompare()
    {
        ExprPtr e = parseConcat();
        Chain chain(*this);
        while (true) {
            BinaryOp op;
            switch (cur().type) {
            case Tok::Eq: op = BinaryOp::Eq; break;
            case Tok::Ne: op = BinaryOp::Ne; break;
            case Tok::Lt: op = BinaryOp::Lt; break;
            case Tok::Gt: op = BinaryOp::Gt; break;
            case Tok::Le: op = BinaryOp::Le; break;
            case Tok::Ge: op = BinaryOp::Ge; break;
            case Tok::Name:
                if (cur().kw == Kw::Is) {
                    op = BinaryOp::Is;
                    break;
                }
                return e;
            default: return e;
            }
            const Position p = cur().pos;
            next();
            chain.link();
            // "=<" and "=>" are also written for <= and >=.
            if (op == BinaryOp::Eq && cur().type == Tok::Lt && !cur().spaceBefore) {
                op = BinaryOp::Le;
                next();
            } else if (op == BinaryOp::Eq && cur().type == Tok::Gt && !cur().spaceBefore) {
                op = BinaryOp::Ge;
                next();
            }
            // Not may open the right side: x <> Not x.
            e = binary(op, std::move(e), isKw(Kw::Not) ? parseNot() : parseConcat(), p);
        }
    }
    ExprPtr parseConcat()
    {
        ExprPtr e = parseAdd();
        Chain chain(*this);
        while (cur().type == Tok::Amp) {
            const Position p = cur().pos;
            next();
            chain.link();
            e = binary(BinaryOp::Concat, std::move(e), parseAdd(), p);
        }
        return e;
    }
    ExprPtr parseAdd()
    {
        ExprPtr e = parseMod();
        Chain chain(*this);
        while (cur().type == Tok::Plus || cur().type == Tok::Minus) {
            const BinaryOp op = cur().type == Tok::Plus ? BinaryOp::Add : BinaryOp::Sub;
            const Position p = cur().pos;
            next();
            chain.link();
            e = binary(op, std::move(e), parseMod(), p);
        }
        return e;
    }
    ExprPtr parseMod()
    {
        ExprPtr e = parseIntDiv();
        Chain chain(*this);
        while (isKw(Kw::Mod)) {
            const Position p = cur().pos;
            next();
            chain.link();
            e = binary(BinaryOp::Mod, std::move(e), parseIntDiv(), p);
        }
        return e;
    }
    ExprPtr parseIntDiv()
    {
        ExprPtr e = parseMul();
        Chain chain(*this);
        while (cur().type == Tok::Backslash) {
            const Position p = cur().pos;
            next();
            chain.link();
            e = binary(BinaryOp::IntDiv, std::move(e), parseMul(), p);
        }
        return e;
    }
    ExprPtr parseMul()
    {
        ExprPtr e = parseUnary();
        Chain chain(*this);
        while (cur().type == Tok::Star || cur().type == Tok::Slash) {
            const BinaryOp op = cur().type == Tok::Star ? BinaryOp::Mul : BinaryOp::Div;
            const Position p = cur().pos;
            next();
            chain.link();
            e = binary(op, std::move(e), parseUnary(), p);
        }
        return e;
    }
    // A sign binds tighter than ^, as on Windows: -3 ^ 2 is 9, and the
    // exponent may carry its own sign (2 ^ -1).
    ExprPtr parseUnary()
    {
        ExprPtr e = parsePowOperand();
        Chain chain(*this);
        while (cur().type == Tok::Caret) {
            const Position p = cur().pos;
            next();
            chain.link();
            e = binary(BinaryOp::Pow, std::move(e), parsePowOperand(), p);
        }
        return e;
    }
    ExprPtr parsePowOperand()
    {
        if (cur().type == Tok::Minus || cur().type == Tok::Plus) {
            Nest nest(*this);
            auto u = std::make_unique<UnaryExpr>();
            u->pos = cur().pos;
            u->op = cur().type == Tok::Minus ? UnaryOp::Neg : UnaryOp::Plus;
            next();
            u->operand = parsePowOperand();
            return u;
        }
        return parsePostfix(parsePrimary());
    }

    ExprPtr literal(Variant v, Position pos)
    {
        auto l = std::make_unique<LiteralExpr>(std::move(v));
        l->pos = pos;
        next();
        return l;
    }

    ExprPtr parsePrimary()
    {
        const Token& tok = cur();
        const Position pos = tok.pos;
        switch (tok.type) {
        case Tok::Number:
        case Tok::Date: return literal(tok.value, pos);
        case Tok::String: return literal(Variant(tok.text), pos);
        case Tok::LParen: {
            Nest nest(*this);
            next();
            auto p = std::make_unique<ParenExpr>();
            p->pos = pos;
            p->inner = parseExpression();
            expect(Tok::RParen, compile::kExpectedRParen);
            return p;
        }
        case Tok::Dot: {
            next();
            auto m = std::make_unique<MemberExpr>();
            m->pos = pos;
            auto w = std::make_unique<WithObjectExpr>();
            w->pos = pos;
            m->object = std::move(w);
            if (cur().type != Tok::Name)
                fail(compile::kExpectedIdentifier);
            m->name = cur().text;
            next();
            return m;
        }
        case Tok::Name: break;
        default: fail(compile::kExpectedExpression);
        }
        switch (tok.kw) {
        case Kw::True: return literal(Variant(true), pos);
        case Kw::False: return literal(Variant(false), pos);
        case Kw::Empty: return literal(Variant(), pos);
        case Kw::Null: return literal(Variant::null(), pos);
        case Kw::Nothing: return literal(Variant::nothing(), pos);
        case Kw::Me: {
            next();
            auto m = std::make_unique<MeExpr>();
            m->pos = pos;
            return m;
        }
        case Kw::New: {
            next();
            auto n = std::make_unique<NewExpr>();
            n->pos = pos;
            n->className = expectName();
            return n;
        }
        default: break;
        }
        if (isReservedKeyword(tok.kw))
            fail(compile::kExpectedExpression);
        QString name = tok.text;
        next();
        return makeName(name, pos);
    }

    ExprPtr parsePostfix(ExprPtr e)
    {
        while (true) {
            if (cur().type == Tok::LParen) {
                Nest nest(*this);
                // Calls inside the arguments set these too: the group that
                // counts is this one, so they are set when it is closed.
                const size_t openAt = i_;
                const size_t namesAt = scope_->names.size();
                auto call = std::make_unique<CallExpr>();
                call->pos = e->pos;
                next();
                if (cur().type != Tok::RParen) {
                    while (true) {
                        if (cur().type == Tok::Comma || cur().type == Tok::RParen)
                            call->args.push_back(nullptr);
                        else
                            call->args.push_back(parseExpression());
                        if (cur().type != Tok::Comma)
                            break;
                        next();
                    }
                }
                expect(Tok::RParen, compile::kExpectedRParen);
                lastParen_ = openAt;
                lastParenNames_ = namesAt;
                call->callee = std::move(e);
                e = std::move(call);
                continue;
            }
            if (cur().type == Tok::Dot && !cur().spaceBefore) {
                next();
                if (cur().type != Tok::Name)
                    fail(compile::kExpectedIdentifier);
                auto m = std::make_unique<MemberExpr>();
                m->pos = cur().pos;
                m->name = cur().text;
                m->object = std::move(e);
                next();
                e = std::move(m);
                lastParen_ = 0;
                continue;
            }
            return e;
        }
    }

    std::vector<Token> t_;
    size_t i_ = 0;
    ParseOptions options_;
    std::unique_ptr<Unit> unit_;
    Scope* scope_ = nullptr;
    bool inProcedure_ = false;
    ProcKind procKind_ = ProcKind::Sub;
    int doDepth_ = 0;
    int forDepth_ = 0;
    int withDepth_ = 0;
    int singleLine_ = 0;
    int depth_ = 0;
    int treeDepth_ = 0;
    std::set<QString> globalDeclared_;
    size_t lastParen_ = 0;
    size_t lastParenNames_ = 0;
};

}  // namespace

std::unique_ptr<Unit> parseUnit(const QString& source, const ParseOptions& options)
{
    return Parser(tokenize(source), options).run();
}

}  // namespace vbscript
