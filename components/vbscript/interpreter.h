#pragma once
// The run-time side: global table, frames, calls, class instances, the Err
// object and the error state. The tree's eval/exec methods call into it.

#include "components/vbscript/ast.h"

#include "automation/regional.h"

#include <QVarLengthArray>

#include <algorithm>
#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <new>
#include <unordered_map>

namespace vbscript {

using automation::DispatchRef;
using automation::CallKind;

// The arguments of one call. A by-reference argument points at the caller's
// variable; everything else is a value. An array element passed by reference
// is copied in and written back after the call.
struct Args {
    QList<Variant> values;
    QVarLengthArray<Variant*, 8> refs;
    struct Writeback {
        int index;
        Variant* array;
        QList<qint32> indexes;
    };
    std::vector<Writeback> writebacks;
    // By-reference arguments that are fixed-size arrays of the caller: Erase
    // through the parameter clears them rather than freeing them.
    std::vector<Variant*> fixedArrays;

    qsizetype size() const { return values.size(); }
    const Variant& at(qsizetype i) const { return refs[i] ? *refs[i] : values[i]; }
    void add(Variant v)
    {
        values.append(std::move(v));
        refs.push_back(nullptr);
    }
    // Copies referenced variables into values, for calls that take values only.
    void fillValues()
    {
        for (qsizetype i = 0; i < refs.size(); ++i) {
            if (refs[i])
                values[i] = *refs[i];
        }
    }
    // By reference: each element of list stands for the argument's variable.
    void bindAll(QList<Variant>& list)
    {
        values = list;
        refs.resize(list.size());
        for (qsizetype i = 0; i < list.size(); ++i)
            refs[i] = &list[i];
    }
};

class Runtime;

struct InstanceData {
    InstanceData() = default;
    InstanceData(const InstanceData&) = delete;
    InstanceData& operator=(const InstanceData&) = delete;
    // Fields go one by one: a chain of instances linked through them would
    // otherwise be released a stack frame per link.
    ~InstanceData() { automation::releaseValues(fields.data(), qsizetype(fields.size())); }
    const ClassDef* cls = nullptr;
    std::vector<Variant> fields;
    Runtime* runtime = nullptr;
    std::weak_ptr<void> alive;  // expires with the runtime
    bool terminated = false;
};

// A script class instance, usable by hosts like any automation object.
class ClassObject final : public automation::Dispatch, public std::enable_shared_from_this<ClassObject> {
public:
    explicit ClassObject(std::shared_ptr<InstanceData> data) : data_(std::move(data)) {}
    ~ClassObject() override;

    automation::DispId memberId(const QString& name) const override;
    Variant invoke(automation::DispId id, CallKind kind, QList<Variant>& args) override;
    QString typeName() const override { return data_->alive.expired() ? QStringLiteral("Object") : data_->cls->name; }
    const void* identity() const override { return data_.get(); }

    const std::shared_ptr<InstanceData>& data() const { return data_; }

private:
    std::shared_ptr<InstanceData> data_;
};

struct Frame {
    Frame() = default;
    // A procedure's frame, its slots Empty.
    explicit Frame(const Procedure* procedure)
        : proc(procedure), vars(procedure->slotCount), storage(procedure->slotCount)
    {
        for (qsizetype i = 0; i < storage.size(); ++i)
            vars[i] = &storage[i];
    }

    const Procedure* proc = nullptr;  // null: the global level
    // A procedure's slots; most procedures have few, kept inside the frame so
    // that a call allocates nothing for them.
    QVarLengthArray<Variant*, 8> vars;
    QVarLengthArray<Variant, 8> storage;
    std::shared_ptr<InstanceData> me;
    DispatchRef meRef;
    std::vector<Variant> with;
    std::vector<Variant*> fixedArrays;  // ByRef parameters bound to fixed arrays
    bool resumeNext = false;
    // Variables made while running: Execute'd Dim, implicit ones in procedures.
    std::unique_ptr<std::unordered_map<QString, std::unique_ptr<Variant>>> dynamic;

    Variant* findDynamic(const QString& lower) const
    {
        if (!dynamic)
            return nullptr;
        auto it = dynamic->find(lower);
        return it == dynamic->end() ? nullptr : it->second.get();
    }
    Variant* makeDynamic(const QString& lower)
    {
        if (!dynamic)
            dynamic = std::make_unique<std::unordered_map<QString, std::unique_ptr<Variant>>>();
        auto& slot = (*dynamic)[lower];
        if (!slot)
            slot = std::make_unique<Variant>();
        return slot.get();
    }
};

struct GlobalEntry {
    enum Kind : unsigned char { Variable, Constant, Procedure, Class, Object };
    QString name;
    Kind kind = Variable;
    Variant value;
    vbscript::Procedure* proc = nullptr;
    ClassDef* cls = nullptr;
    bool fixedArray = false;  // Dim a(n): ReDim cannot change it
};

struct ErrState {
    int number = 0;
    QString description;
    QString source;
    QString helpFile;
    int helpContext = 0;
};

struct NamedObject {
    QString name;
    DispatchRef object;
    bool addMembers = false;
};

// What a name found when run.
struct Target {
    enum Kind : unsigned char { None, Var, Constant, Proc, Class, HostMember, MeMember, Builtin };
    Kind kind = None;
    Variant* var = nullptr;
    const Variant* constant = nullptr;
    Procedure* proc = nullptr;
    ClassDef* cls = nullptr;
    DispatchRef object;
    automation::DispId id = automation::kDispIdUnknown;
    int index = -1;
};

// Stores a value so that the old one is released only after the slot holds
// the new one: releasing may run a Class_Terminate that looks at the slot.
inline void store(Variant& slot, Variant value)
{
    Variant old = std::exchange(slot, std::move(value));
}

// Arguments whose value list comes from the runtime's pool and goes back to it.
struct PooledArgs {
    explicit PooledArgs(Runtime& rt);
    ~PooledArgs();
    PooledArgs(const PooledArgs&) = delete;
    PooledArgs& operator=(const PooledArgs&) = delete;
    Runtime& rt;
    Args args;
};

// Stores a Scalar; the old value goes first unless releasing it could run code.
inline void storeScalar(Variant& slot, const Scalar& value)
{
    switch (slot.type()) {
    case automation::VarType::Dispatch:
    case automation::VarType::Array: store(slot, value.toVariant()); return;
    case automation::VarType::String: slot.~Variant(); break;
    default:
        // A number, Boolean, Date, Empty, Null or Error holds nothing that
        // its destructor would release: the new value is made over it.
        break;
    }
    // Made in place: a number's Variant cannot fail to construct.
    new (&slot) Variant(value.toVariant());
}

// Evaluates an expression as Expr::evalScalar does; locals and literals, the
// common operands, are read here without a call.
inline bool evalOperand(const Expr& e, Runtime& rt, Frame& frame, Scalar& out, std::optional<Variant>& other)
{
    if (e.kind == ExprKind::Literal) {
        const auto& l = static_cast<const LiteralExpr&>(e);
        if (l.isScalar) {
            out = l.scalar;
            return true;
        }
    } else if (e.kind == ExprKind::Name) {
        const auto& n = static_cast<const NameExpr&>(e);
        if (n.binding == Binding::Local) {
            const Variant& v = *frame.vars[size_t(n.index)];
            if (Scalar::from(v, out))
                return true;
            other.emplace(v);
            return false;
        }
    } else if (e.kind == ExprKind::Binary) {
        const auto& b = static_cast<const BinaryExpr&>(e);
        if (b.evaluator)
            return b.evaluator(b, rt, frame, out, other);
    }
    return e.evalScalar(rt, frame, out, other);
}

// Elements of an array with these upper bounds (from 0), for charging before
// it is made; 0 when the shape is one the array itself refuses.
inline qint64 elementCount(const QList<qint32>& upperBounds)
{
    qint64 total = upperBounds.isEmpty() ? 0 : 1;
    for (qint32 upper : upperBounds) {
        const qint64 count = qint64(upper) + 1;
        if (count < 0 || (count > 0 && total > (qint64(1) << 26) / count))
            return 0;
        total *= count;
    }
    return total;
}

class Runtime {
public:
    Runtime();
    ~Runtime();
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    // Host hooks.
    std::function<int(const QString& prompt, int buttons, const QString& title)> msgBox;
    std::function<Variant(const QString& prompt, const QString& title, const QString& defaultText)> inputBox;
    std::function<DispatchRef(const QString& programId)> createObject;

    std::atomic<bool> interruptRequested{false};
    // Loop steps and calls one outermost entry may take (0: no limit), and
    // the ones taken so far; an entry from a host starts the count again.
    qint64 stepLimit = 0;
    qint64 steps = 0;
    // Bytes the script may hold (0: no limit): what the process's heap holds
    // beyond what it held when the runtime was made or last reset, so that
    // what a script keeps from call to call counts and what it drops does
    // not. Large allocations (from kChargeFrom) are checked before they are
    // made; everything else every kMemoryCheckSteps loop steps and calls.
    static constexpr qint64 kDefaultAllocationLimit = qint64(512) << 20;
    static constexpr qint64 kChargeFrom = 64 * 1024;
    static constexpr int kMemoryCheckSteps = 1 << 16;
    qint64 allocationLimit = kDefaultAllocationLimit;
    // Bytes charged since the heap was last measured, and what it then held.
    qint64 allocated = 0;
    qint64 heldAtMeasure = 0;
    int untilMemoryCheck = kMemoryCheckSteps;
    // Rnd's generator state (24 bits) and its last result.
    quint32 rndState = 0x50000;
    float rndLast = 0;
    // GetLocale / SetLocale: the script's locale id, at first the user's (as
    // the environment gives it, en-US when it says nothing). Its regional
    // settings are the ones conversions use while the runtime runs code.
    static constexpr qint32 kDefaultLocale = 1033;
    qint32 locale = kDefaultLocale;
    void setLocale(qint32 lcid);
    const automation::RegionalSettings& regional() const { return regional_; }
    int maxDepth = 1000;
    size_t maxStackBytes = 3u << 20;

    // Code: parses, links and runs the global statements of a unit. Throws
    // CompileError, RuntimeError or AutomationError.
    void addCode(const QString& source);
    void executeCode(const QString& source, Frame& frame, bool global);
    Variant evalCode(const QString& source, Frame& frame);
    void addObject(const QString& name, DispatchRef object, bool addMembers);
    void reset();
    // True while script code runs (a host callback may be on the stack).
    bool running() const { return entries_ > 0; }

    Frame& globalFrame() { return globalFrame_; }
    const std::deque<GlobalEntry>& globals() const { return globals_; }
    const std::vector<int>& procedureOrder() const { return procedureOrder_; }
    // Every declaration of a global procedure in the code that last defined
    // its name: a Sub and a Function of one name are both listed, as the
    // script control lists them, while a call finds the later one.
    const std::vector<const vbscript::Procedure*>* declarations(int globalIndex) const {
        const auto it = declarations_.find(globalIndex);
        return it == declarations_.end() ? nullptr : &it->second;
    }
    const GlobalEntry* findGlobal(const QString& name) const;

    // Marks the outermost entry from a host: stack accounting starts here.
    struct Entry {
        explicit Entry(Runtime& rt);
        ~Entry();
        Runtime& rt;
        bool outermost;
        automation::RegionalScope regional;
    };

    // ---- used by the tree
    Flow execBlock(const Block& block, Frame& frame);
    // The same, inline: for the loops, which run their body most often.
    Q_ALWAYS_INLINE Flow runBlock(const Block& block, Frame& frame)
    {
        for (const StmtPtr& s : block) {
            try {
                const Flow flow = s->exec(*this, frame);
                if (flow != Flow::Normal)
                    return flow;
            } catch (const RuntimeError& e) {
                if (!swallow(frame, e))
                    throw;
            } catch (const AbortError& e) {
                throw RuntimeError(e, s->pos, true);
            } catch (const automation::AutomationError& e) {
                if (!swallow(frame, e))
                    throw RuntimeError(e, s->pos, false);
            } catch (const std::bad_alloc&) {
                const automation::AutomationError e(automation::error::kOutOfMemory);
                if (!swallow(frame, e))
                    throw RuntimeError(e, s->pos, false);
            } catch (const std::exception&) {
                // Nothing from the library should end up here; if it does, it is
                // the script's error rather than the host's crash.
                const automation::AutomationError e(51, describeError(51));
                if (!swallow(frame, e))
                    throw RuntimeError(e, s->pos, false);
            }
        }
        return Flow::Normal;
    }
    // True when the frame's On Error Resume Next swallows the error (recorded in Err).
    bool swallow(Frame& frame, const automation::AutomationError& error);
    void checkInterrupt()
    {
        if (interruptRequested.load(std::memory_order_relaxed))
            throwInterrupted();
        if (stepLimit > 0 && ++steps > stepLimit)
            throwInterrupted();
        if (--untilMemoryCheck <= 0)
            checkHeld();
    }
    // What the script holds now, by the heap's own count.
    qint64 heldBytes() const;
    [[noreturn]] void throwInterrupted();
    // Counts an allocation against the budget; past it the operation ends with
    // 7 "Out of memory", which On Error Resume Next does not catch.
    void charge(qint64 bytes)
    {
        if (allocationLimit > 0 && bytes >= kChargeFrom)
            chargeLarge(bytes);
    }
    void chargeElements(qint64 count) { charge(count * qint64(sizeof(Variant))); }
    void chargeText(qint64 length) { charge(length * qint64(sizeof(QChar))); }
    // The array of a variable, ready for a write: a copy it is about to make of
    // shared elements is charged first.
    automation::Array& writableArray(Variant& value)
    {
        automation::Array& array = value.arrayRef();
        if (allocationLimit > 0 && array.isShared())
            chargeElements(array.size());
        return array;
    }

    Target resolve(const NameExpr& name, Frame& frame, bool forWrite);
    Target globalTarget(int index);
    Variant* refOf(const NameExpr& name, Frame& frame, bool create);
    bool isFixedArray(const NameExpr& name, const Frame& frame) const;
    Variant readName(const NameExpr& name, Frame& frame);
    Variant callName(const NameExpr& name, const std::vector<ExprPtr>& args, Frame& frame);
    bool callNameScalar(const NameExpr& name, const std::vector<ExprPtr>& args, Frame& frame, Scalar& out,
                        std::optional<Variant>& other);
    const NameExpr& calleeName(const NameExpr& name, Frame& frame);
    // The variable a name stands for when it is a local, a field or a global
    // variable; null for everything else, which is looked up the general way.
    Variant* boundVariable(const NameExpr& name, Frame& frame);
    // var(index) on a variable that holds an array: the index is evaluated
    // here, and the element read without an argument list.
    bool readElement(Variant& var, const Expr& index, Frame& frame, Scalar& out, std::optional<Variant>& other);
    // name(index) = the Scalar or the value, when name holds an array; false,
    // having evaluated nothing, when it does not.
    bool storeElement(const NameExpr& name, const Expr& index, Frame& frame, const Scalar* scalar, Variant* value);
    Variant callResolved(const NameExpr& name, const Target& target, const std::vector<ExprPtr>& args, Frame& frame);
    void evalArgs(const std::vector<ExprPtr>& exprs, Frame& frame, Args& args, bool refs);
    void assign(const Expr& target, Variant value, bool isSet, Frame& frame);
    Variant letValue(const Variant& value);  // the default value of an object, for Let

    Variant callProcedure(const Procedure* proc, const std::shared_ptr<InstanceData>& me, const DispatchRef& meRef,
                          Args& args);
    // A call of a global procedure whose arguments are variables and values:
    // they go straight into the new frame, without an argument list, and a
    // result of a Scalar's type comes back as one. NotDirect, having done
    // nothing, for the forms the general path handles (left-out arguments,
    // array elements passed by reference, a wrong count).
    enum class DirectCall : unsigned char { NotDirect, Value, Scalar };
    DirectCall callProcedureDirect(const Procedure* proc, const std::vector<ExprPtr>& exprs, Frame& caller,
                                   Scalar& scalar, std::optional<Variant>& value);
    Variant callMember(const std::shared_ptr<InstanceData>& me, const DispatchRef& meRef, int member, CallKind kind,
                       Args& args);
    Variant invokeMember(const Variant& object, const MemberExpr& site, CallKind kind, Args& args);
    Variant invokeMember(const Variant& object, const QString& name, CallKind kind, Args& args, bool allowPrivate,
                         const MemberExpr* site = nullptr);
    // Argument lists for calls into objects, kept for reuse so that such a
    // call allocates none.
    QList<Variant> takeList()
    {
        if (listPool_.empty())
            return {};
        QList<Variant> list = std::move(listPool_.back());
        listPool_.pop_back();
        return list;
    }
    void giveList(QList<Variant>&& list)
    {
        list.clear();  // may release an object and run script code
        if (listPool_.size() < 16)
            listPool_.push_back(std::move(list));
    }
    Variant invokeDefault(const Variant& value, CallKind kind, Args& args);
    Variant indexValue(const Variant& value, Args& args);
    Variant newInstance(const QString& className);
    Variant callBuiltin(int id, Frame& frame, Args& args);

    ErrState& err() { return err_; }
    void setErr(const automation::AutomationError& error);
    void clearErr() { err_ = ErrState(); }
    const DispatchRef& errObject() const { return errObject_; }
    DispatchRef procedureRef(const QString& name);

    quint64 generation() const { return generation_; }
    const std::shared_ptr<void>& aliveToken() const { return alive_; }

private:
    automation::RegionalSettings regional_;
    void link(Unit& unit);
    void bind(NameExpr& name, const Scope& scope, const Unit& unit);
    int ensureGlobal(const QString& name, GlobalEntry::Kind kind);
    void checkDepth()
    {
        char probe = 0;
        if (depth_ >= maxDepth
            || (stackBase_ && size_t(stackBase_ > &probe ? stackBase_ - &probe : &probe - stackBase_) > maxStackBytes))
            throwOutOfStack();
    }
    [[noreturn]] void throwOutOfStack();
    void chargeLarge(qint64 bytes);
    void checkHeld();
    qint64 heapBaseline_ = 0;

    std::deque<GlobalEntry> globals_;
    QHash<QString, int> globalIndex_;
    std::vector<int> procedureOrder_;
    std::map<int, std::vector<const vbscript::Procedure*>> declarations_;
    std::vector<NamedObject> objects_;
    std::vector<QList<Variant>> listPool_;
    std::vector<std::unique_ptr<Unit>> units_;
    Frame globalFrame_;
    ErrState err_;
    DispatchRef errObject_;
    quint64 generation_ = 1;
    int depth_ = 0;
    int entries_ = 0;
    const char* stackBase_ = nullptr;
    std::shared_ptr<void> alive_;     // renewed by each reset
    // Every class instance made since the last reset, to break the cycles
    // instances can form through their fields when the code goes.
    std::vector<std::weak_ptr<InstanceData>> instances_;
    size_t instancesAfterPrune_ = 0;
    std::shared_ptr<void> lifetime_;  // lives as long as the runtime

    friend class ClassObject;
};

inline PooledArgs::PooledArgs(Runtime& rt) : rt(rt) { args.values = rt.takeList(); }
inline PooledArgs::~PooledArgs() { rt.giveList(std::move(args.values)); }

}  // namespace vbscript
