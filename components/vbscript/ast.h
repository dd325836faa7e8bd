#pragma once
// The syntax tree the parser builds and the interpreter walks. Expressions
// evaluate themselves; statements execute themselves and report how control
// leaves them. Names are bound to their storage once a unit is parsed.

#include "components/vbscript/diagnostics.h"

#include "automation/dispatch.h"
#include "automation/variant.h"

#include <QHash>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace vbscript {

using automation::Variant;

class Runtime;
struct Frame;
struct Procedure;
struct ClassDef;
struct Args;
struct HostMethod;

// ---------------------------------------------------------------- expressions

// What an expression is, for the interpreter's checks on its hot path
// (cheaper than dynamic_cast).
enum class ExprKind : unsigned char { Other, Name, Me, Member, Call, Binary, Literal, Paren };

// What an operand is when a number meets a text in a comparison: a
// literal (or constant), a variable (a name or an array element), or any
// other value (a call's or an operator's result).
enum class Comparand : unsigned char { Value, Variable, Literal };

// An Integer, Long, Double or Boolean held as a plain number: what operators,
// conditions and loop counters pass between them without making a Variant
// (each Variant made or dropped costs calls into the automation library).
// It converts to and from a Variant of the same type and value exactly.
struct Scalar {
    enum Kind : unsigned char { Integer, Long, Double, Boolean };
    Kind kind;
    qint32 integer;  // Integer, Long; a Boolean as -1 or 0
    double number;   // Double

    Scalar() : kind(Long), integer(0), number(0) {}
    constexpr Scalar(Kind k, qint32 i, double n) : kind(k), integer(i), number(n) {}
    // Left unset, for one that is written before it is read (the evaluators'
    // operands): saves the stores.
    enum Unset { kUnset };
    explicit Scalar(Unset) {}

    static Scalar ofInteger(qint32 v) { return {Integer, v, 0}; }
    static Scalar ofLong(qint32 v) { return {Long, v, 0}; }
    static Scalar ofDouble(double v) { return {Double, 0, v}; }
    static Scalar ofBool(bool v) { return {Boolean, v ? -1 : 0, 0}; }

    // The value of v when its type is one of the four.
    Q_ALWAYS_INLINE static bool from(const Variant& v, Scalar& out)
    {
        const automation::VarType type = v.type();
        // Long first: counters and most whole numbers are one.
        if (Q_LIKELY(type == automation::VarType::Long)) {
            out = ofLong(qint32(v.rawNumber()));
            return true;
        }
        switch (type) {
        case automation::VarType::Integer: out = ofInteger(qint32(v.rawNumber())); return true;
        case automation::VarType::Long: out = ofLong(qint32(v.rawNumber())); return true;
        case automation::VarType::Double: out = ofDouble(v.rawNumber()); return true;
        case automation::VarType::Boolean: out = ofBool(v.rawNumber() != 0); return true;
        default: return false;
        }
    }
    double toDouble() const { return kind == Double ? number : double(integer); }
    bool truth() const { return kind == Double ? number != 0 : integer != 0; }
    Q_ALWAYS_INLINE Variant toVariant() const
    {
        switch (kind) {
        case Integer: return Variant::fromInteger(qint16(integer));
        case Long: return Variant(integer);
        case Double: return Variant(number);
        case Boolean: return Variant(integer != 0);
        }
        return {};
    }
};

struct Expr {
    Position pos;
    ExprKind kind = ExprKind::Other;
    virtual ~Expr() = default;
    virtual Variant eval(Runtime& rt, Frame& frame) const = 0;
    // Evaluates once: into out when the value is a Scalar's type (true),
    // else into other (false).
    virtual bool evalScalar(Runtime& rt, Frame& frame, Scalar& out, std::optional<Variant>& other) const
    {
        Variant v = eval(rt, frame);
        if (Scalar::from(v, out))
            return true;
        other.emplace(std::move(v));
        return false;
    }
    virtual bool isLiteral() const { return false; }
    // What the operand is to a comparison of a number with a text (see
    // compare()): known once names are bound.
    virtual Comparand comparand(const Runtime&) const { return isLiteral() ? Comparand::Literal : Comparand::Value; }
};
using ExprPtr = std::unique_ptr<Expr>;

// The expression as a T when it is one, else null.
template <typename T>
const T* exprAs(const Expr* e)
{
    return e && e->kind == T::kKind ? static_cast<const T*>(e) : nullptr;
}

struct LiteralExpr final : Expr {
    static constexpr ExprKind kKind = ExprKind::Literal;
    explicit LiteralExpr(Variant v) : value(std::move(v))
    {
        kind = kKind;
        isScalar = Scalar::from(value, scalar);
    }
    Variant value;
    bool isScalar = false;
    Scalar scalar;  // the value, when it is one
    Variant eval(Runtime&, Frame&) const override { return value; }
    bool evalScalar(Runtime&, Frame&, Scalar& out, std::optional<Variant>& other) const override
    {
        if (isScalar) {
            out = scalar;
            return true;
        }
        other.emplace(value);
        return false;
    }
    bool isLiteral() const override { return true; }
};

// What a name stands for, found when its unit is linked.
enum class Binding : unsigned char {
    Unbound,
    Local,     // a slot of the running procedure (parameters, Dim, the result)
    Field,     // a variable of the class instance behind Me
    MeMember,  // a method or property of that class
    Global,    // an entry of the global table
    Builtin,   // a function of the library
    Constant,  // a vb... constant
    Dynamic,   // looked up when run: Execute'd names, host members, implicit variables
};

struct NameExpr final : Expr {
    static constexpr ExprKind kKind = ExprKind::Name;
    NameExpr() { kind = kKind; }
    QString name;
    QString lower;
    Binding binding = Binding::Unbound;
    int index = -1;
    bool optionExplicit = false;
    bool selfName = false;  // the function's own name inside its body: the result slot
    Variant constant;
    // Cache of a dynamic lookup, valid while the runtime's generation matches.
    mutable quint64 cacheGeneration = 0;
    mutable int cacheGlobal = -1;
    mutable int cacheObject = -1;
    mutable automation::DispId cacheDispId = automation::kDispIdUnknown;
    // For selfName: the same name as seen from outside the function, made
    // once so that its lookup is cached like any other.
    mutable std::unique_ptr<NameExpr> outer;

    Variant eval(Runtime& rt, Frame& frame) const override;
    bool evalScalar(Runtime& rt, Frame& frame, Scalar& out, std::optional<Variant>& other) const override;
    Comparand comparand(const Runtime& rt) const override;
};

struct MeExpr final : Expr {
    static constexpr ExprKind kKind = ExprKind::Me;
    MeExpr() { kind = kKind; }
    Variant eval(Runtime& rt, Frame& frame) const override;
};

// The object of the innermost With block.
struct WithObjectExpr final : Expr {
    Variant eval(Runtime& rt, Frame& frame) const override;
};

struct MemberExpr final : Expr {
    static constexpr ExprKind kKind = ExprKind::Member;
    MemberExpr() { kind = kKind; }
    ExprPtr object;
    QString name;
    // The member's id on the host object this site last reached, when that
    // object's members are fixed by its class (a QObject's): the next call on
    // the same object skips the lookup by name.
    mutable std::weak_ptr<automation::Dispatch> cachedObject;
    mutable automation::DispId cachedId = automation::kDispIdUnknown;
    // The method a call here reaches on objects of that class, when it is a
    // plain one (see host_call.h); tried once per class.
    mutable std::shared_ptr<HostMethod> hostMethod;
    mutable const QMetaObject* hostClassTried = nullptr;
    // The member this site found on an instance of a script class (classes
    // live as long as the code that can call them).
    mutable const ClassDef* cachedClass = nullptr;
    mutable int cachedMember = -1;
    Variant eval(Runtime& rt, Frame& frame) const override;
};

// name(args), object.member(args), value(args): calls, array elements and
// default members look alike.
struct CallExpr final : Expr {
    static constexpr ExprKind kKind = ExprKind::Call;
    CallExpr() { kind = kKind; }
    ExprPtr callee;
    std::vector<ExprPtr> args;  // a null entry is a left-out argument
    Variant eval(Runtime& rt, Frame& frame) const override;
    bool evalScalar(Runtime& rt, Frame& frame, Scalar& out, std::optional<Variant>& other) const override;
    // An element of an array variable is a variable; a call's result is not.
    Comparand comparand(const Runtime& rt) const override;
};

// (expression): also what turns a by-reference argument into a by-value one.
struct ParenExpr final : Expr {
    static constexpr ExprKind kKind = ExprKind::Paren;
    ParenExpr() { kind = kKind; }
    ExprPtr inner;
    Variant eval(Runtime& rt, Frame& frame) const override { return inner->eval(rt, frame); }
    bool evalScalar(Runtime& rt, Frame& frame, Scalar& out, std::optional<Variant>& other) const override
    {
        return inner->evalScalar(rt, frame, out, other);
    }
    Comparand comparand(const Runtime& rt) const override { return inner->comparand(rt); }
};

struct NewExpr final : Expr {
    QString className;
    Variant eval(Runtime& rt, Frame& frame) const override;
};

enum class UnaryOp : unsigned char { Neg, Plus, Not };
struct UnaryExpr final : Expr {
    UnaryOp op;
    ExprPtr operand;
    Variant eval(Runtime& rt, Frame& frame) const override;
    bool evalScalar(Runtime& rt, Frame& frame, Scalar& out, std::optional<Variant>& other) const override;
};

enum class BinaryOp : unsigned char {
    Pow, Mul, Div, IntDiv, Mod, Add, Sub, Concat,
    Eq, Ne, Lt, Gt, Le, Ge, Is,
    And, Or, Xor, Eqv, Imp,
};
// The operator on Scalars: false where the general rules must decide (an
// error, or a result that is no Scalar).
using ScalarOperator = bool (*)(const Scalar& a, const Scalar& b, Scalar& out);
ScalarOperator scalarOperator(BinaryOp op);

struct BinaryExpr final : Expr {
    static constexpr ExprKind kKind = ExprKind::Binary;
    explicit BinaryExpr(BinaryOp o) : op(o), onScalars(scalarOperator(o)) { kind = kKind; }
    const BinaryOp op;
    const ScalarOperator onScalars;
    ExprPtr left;
    ExprPtr right;
    Variant eval(Runtime& rt, Frame& frame) const override;
    bool evalScalar(Runtime& rt, Frame& frame, Scalar& out, std::optional<Variant>& other) const override
    {
        if (Q_UNLIKELY(!evaluator)) [[unlikely]]
            classify();
        return evaluator(*this, rt, frame, out, other);
    }

    // Evaluates the expression as evalScalar does: a function made for its
    // operator and the kinds of its operands (a local, a literal, another
    // operator, anything else), chosen on the first evaluation, when names
    // are bound. Callers that know an expression is a BinaryExpr call it
    // without the virtual call.
    using Evaluator = bool (*)(const BinaryExpr& e, Runtime& rt, Frame& frame, Scalar& out,
                               std::optional<Variant>& other);
    mutable Evaluator evaluator = nullptr;
    // Ready for evaluation (classify() done).
    void prepare() const
    {
        if (!evaluator)
            classify();
    }

    // Operands that are locals or literals are read straight from their slot
    // or value; the shape is found on the first evaluation, when names are
    // bound. Reading them has no effects, so when their values are no Scalars
    // (or the operator needs the general rules) they are simply read again by
    // the general path.
    // Parentheses around an operand only group it: it is evaluated without
    // them (they still count where a literal is asked for).
    enum class Shape : unsigned char { Unknown, LocalLiteral, LocalLocal, AnyLiteral, General };
    mutable Shape shape_ = Shape::Unknown;
    mutable int leftSlot_ = -1;
    mutable int rightSlot_ = -1;
    mutable const Expr* leftOperand_ = nullptr;
    mutable const Expr* rightOperand_ = nullptr;
    void classify() const;
    bool evalShaped(Runtime& rt, Frame& frame, Scalar& out, std::optional<Variant>& other) const;
    bool evalGeneral(Runtime& rt, Frame& frame, Scalar& out, std::optional<Variant>& other) const;
    // The general rules on operands already evaluated (each as a Scalar
    // when sa/sb, else as the Variant in va/vb).
    bool finish(Runtime& rt, bool sa, const Scalar& a, std::optional<Variant>& va, bool sb, const Scalar& b,
                std::optional<Variant>& vb, std::optional<Variant>& other) const;
    // The same for the evaluators made per operand kind: the left operand's
    // value is in other; the right one's is; both were Scalars the operator
    // on Scalars left to the general rules; the left was a Scalar and the
    // right, a local, is not.
    bool afterLeftValue(Runtime& rt, Frame& frame, std::optional<Variant>& other) const;
    bool afterRightValue(Runtime& rt, const Scalar& a, std::optional<Variant>& other) const;
    bool afterLeftScalar(Runtime& rt, Frame& frame, const Scalar& a, std::optional<Variant>& other) const;
    bool afterScalars(Runtime& rt, const Scalar& a, const Scalar& b, std::optional<Variant>& other) const;
};

// ---------------------------------------------------------------- statements

enum class Flow : unsigned char { Normal, ExitDo, ExitFor, ExitProcedure };

struct Stmt {
    Position pos;
    virtual ~Stmt() = default;
    virtual Flow exec(Runtime& rt, Frame& frame) const = 0;
};
using StmtPtr = std::unique_ptr<Stmt>;
using Block = std::vector<StmtPtr>;

struct CallStmt final : Stmt {
    ExprPtr call;
    Flow exec(Runtime& rt, Frame& frame) const override;
};

struct AssignStmt final : Stmt {
    ExprPtr target;
    ExprPtr value;
    bool isSet = false;
    // Set when the statement has the form x = x & y & z ...: the text then
    // grows where it is, not copied whole on each append. The pieces in the
    // order they are evaluated.
    const NameExpr* appendTo = nullptr;
    std::vector<const Expr*> appended;
    mutable bool appendChecked = false;
    // Set on the first run when the statement has the form local = operator
    // expression: the value goes from the operator's evaluator into the slot.
    mutable const BinaryExpr* toLocal = nullptr;
    mutable int localSlot = -1;
    Flow exec(Runtime& rt, Frame& frame) const override;

private:
    Flow execGeneral(Runtime& rt, Frame& frame) const;
};

struct DimItem {
    std::unique_ptr<NameExpr> name;
    std::vector<ExprPtr> bounds;  // upper bounds; none for a plain variable
    bool isArray = false;         // Dim a() declares a dynamic array
};
struct DimStmt final : Stmt {
    std::vector<DimItem> items;
    bool redim = false;
    bool preserve = false;
    Flow exec(Runtime& rt, Frame& frame) const override;
};

struct EraseStmt final : Stmt {
    std::unique_ptr<NameExpr> name;
    Flow exec(Runtime& rt, Frame& frame) const override;
};

struct ConstStmt final : Stmt {
    std::vector<std::pair<std::unique_ptr<NameExpr>, Variant>> items;
    Flow exec(Runtime& rt, Frame& frame) const override;
};

struct IfStmt final : Stmt {
    std::vector<std::pair<ExprPtr, Block>> branches;
    Block otherwise;
    Flow exec(Runtime& rt, Frame& frame) const override;

private:
    // Set on the first run for If operator expression Then ... [Else ...]
    // without ElseIf: the condition is evaluated by the operator's evaluator.
    mutable const BinaryExpr* single_ = nullptr;
    mutable bool checked_ = false;
    Flow execGeneral(Runtime& rt, Frame& frame) const;
};

struct CaseClause {
    enum Kind : unsigned char { Value, Range, Compare };
    Kind kind = Value;
    BinaryOp op = BinaryOp::Eq;  // for Is comparisons
    ExprPtr a;
    ExprPtr b;
};
struct SelectStmt final : Stmt {
    ExprPtr test;
    std::vector<std::pair<std::vector<CaseClause>, Block>> cases;
    bool hasElse = false;
    Block otherwise;
    Flow exec(Runtime& rt, Frame& frame) const override;
};

struct ForStmt final : Stmt {
    ExprPtr counter;
    ExprPtr from;
    ExprPtr to;
    ExprPtr step;
    Block body;
    Flow exec(Runtime& rt, Frame& frame) const override;
};

struct ForEachStmt final : Stmt {
    ExprPtr element;
    ExprPtr group;
    Block body;
    Flow exec(Runtime& rt, Frame& frame) const override;
};

struct DoStmt final : Stmt {
    ExprPtr condition;       // may be null: Do ... Loop runs until Exit Do
    bool conditionFirst = true;
    bool until = false;
    bool isWend = false;  // While ... Wend: Exit Do passes through to an outer Do
    Block body;
    Flow exec(Runtime& rt, Frame& frame) const override;
};

struct ExitStmt final : Stmt {
    Flow flow;
    Flow exec(Runtime&, Frame&) const override { return flow; }
};

struct WithStmt final : Stmt {
    ExprPtr object;
    Block body;
    Flow exec(Runtime& rt, Frame& frame) const override;
};

struct OnErrorStmt final : Stmt {
    bool resumeNext = false;
    Flow exec(Runtime& rt, Frame& frame) const override;
};

// ---------------------------------------------------------------- declarations

struct Parameter {
    QString name;
    bool byRef = true;
};

enum class ProcKind : unsigned char { Sub, Function, PropertyGet, PropertyLet, PropertySet };

struct Procedure {
    QString name;
    ProcKind kind = ProcKind::Sub;
    bool isPublic = true;
    bool isDefault = false;
    Position pos;
    std::vector<Parameter> params;
    Block body;
    int slotCount = 0;     // parameters first, then the result, then the locals
    int resultSlot = -1;
    QHash<QString, int> locals;  // lower-case name -> slot
    QList<QString> fixedArrays;  // locals declared Dim a(n): ReDim cannot change them
    ClassDef* owner = nullptr;
};

struct ClassMember {
    enum Kind : unsigned char { Field, Method, Property };
    QString name;
    Kind kind = Field;
    bool isPublic = true;
    int field = -1;
    Procedure* method = nullptr;
    Procedure* get = nullptr;
    Procedure* let = nullptr;
    Procedure* set = nullptr;
};

struct ClassField {
    QString name;
    std::vector<qint32> bounds;  // Dim a(3) inside a class
    bool isArray = false;
};

struct ClassDef {
    QString name;
    Position pos;
    std::vector<ClassField> fields;
    std::vector<ClassMember> members;
    QHash<QString, int> memberIndex;  // lower-case name -> members
    int defaultMember = -1;
    Procedure* initialize = nullptr;
    Procedure* terminate = nullptr;
    std::vector<std::unique_ptr<Procedure>> procedures;
};

// The names of one scope that the linker binds.
struct Scope {
    Procedure* procedure = nullptr;  // null: code at the global level
    ClassDef* owner = nullptr;
    bool frozen = false;             // Execute inside a running procedure: no new slots
    std::vector<NameExpr*> names;
};

// One piece of added code: its global statements and what it declares.
struct Unit {
    Block statements;
    std::vector<std::unique_ptr<Procedure>> procedures;
    std::vector<std::unique_ptr<ClassDef>> classes;
    std::vector<QString> globalNames;  // Dim, Public, Private, Const at the global level
    std::vector<QString> fixedArrays;  // global Dim a(n)
    // Const statements of the global level, those inside blocks too: they
    // are defined before any statement runs, whether their block runs or not.
    std::vector<const struct ConstStmt*> globalConsts;
    std::vector<std::unique_ptr<Scope>> scopes;
    bool optionExplicit = false;
    ExprPtr expression;  // Eval: the one expression
};

}  // namespace vbscript
