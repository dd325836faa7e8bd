#include "components/vbscript/interpreter.h"

#include "components/vbscript/engine.h"
#include "components/vbscript/regexp.h"

#include "components/vbscript/builtins.h"
#include "components/vbscript/host_call.h"
#include "components/vbscript/operators.h"
#include "components/vbscript/parser.h"

#include <new>
#include <set>

namespace vbscript {

using automation::AutomationError;
using automation::DispId;
namespace error = automation::error;

namespace {

constexpr qint32 kParamNotFound = qint32(0x80020004);

AutomationError named(int number, const QString& name)
{
    return AutomationError(number, describeError(number) + QStringLiteral(": '%1'").arg(name));
}

bool isPut(CallKind kind)
{
    return hasKind(kind, CallKind::PropertyPut) || hasKind(kind, CallKind::PropertyPutRef);
}

// The Err object.
class ErrDispatch final : public automation::Dispatch {
public:
    ErrDispatch(Runtime* rt, std::weak_ptr<void> lifetime) : rt_(rt), lifetime_(std::move(lifetime)) {}

    DispId memberId(const QString& name) const override
    {
        static const QHash<QString, DispId> ids = {
            {QString(), 0},
            {QStringLiteral("number"), 1},
            {QStringLiteral("description"), 2},
            {QStringLiteral("source"), 3},
            {QStringLiteral("helpfile"), 4},
            {QStringLiteral("helpcontext"), 5},
            {QStringLiteral("clear"), 6},
            {QStringLiteral("raise"), 7},
        };
        return ids.value(name.toLower(), automation::kDispIdUnknown);
    }

    QString typeName() const override { return QStringLiteral("ErrObject"); }

    Variant invoke(DispId id, CallKind kind, QList<Variant>& args) override
    {
        // A host may keep Err longer than the engine lives.
        if (lifetime_.expired())
            throw AutomationError(error::kObjectDisconnected);
        ErrState& e = rt_->err();
        const bool put = isPut(kind);
        if (put && args.size() != 1)
            throw AutomationError(error::kWrongArgumentCount);
        switch (id) {
        case 0:
        case 1:
            if (put) {
                e.number = args[0].toLong();
                return {};
            }
            noArgs(args);
            return Variant(qint32(e.number));
        case 2:
            if (put) {
                e.description = args[0].toString();
                return {};
            }
            noArgs(args);
            return Variant(e.description);
        case 3:
            if (put) {
                e.source = args[0].toString();
                return {};
            }
            noArgs(args);
            return Variant(e.source);
        case 4:
            if (put) {
                e.helpFile = args[0].toString();
                return {};
            }
            noArgs(args);
            return Variant(e.helpFile);
        case 5:
            if (put) {
                e.helpContext = args[0].toLong();
                return {};
            }
            noArgs(args);
            return Variant(qint32(e.helpContext));
        case 6:
            if (put)
                throw AutomationError(error::kWrongArgumentCount);
            noArgs(args);
            rt_->clearErr();
            return {};
        case 7: {
            if (put || args.isEmpty() || args.size() > 5)
                throw AutomationError(error::kWrongArgumentCount);
            auto given = [&](int i) { return i < args.size() && args[i].type() != automation::VarType::Error; };
            const int number = args[0].toLong();
            if (number == 0)
                throw AutomationError(error::kInvalidCall);
            const QString source = given(1) ? args[1].toString() : QString();
            const QString description = given(2) ? args[2].toString() : describeError(number);
            AutomationError raised(number, description, source);
            if (given(3))
                e.helpFile = args[3].toString();
            if (given(4))
                e.helpContext = args[4].toLong();
            throw raised;
        }
        default: throw AutomationError(error::kNoSuchMember);
        }
    }

private:
    static void noArgs(const QList<Variant>& args)
    {
        if (!args.isEmpty())
            throw AutomationError(error::kWrongArgumentCount);
    }
    Runtime* rt_;
    std::weak_ptr<void> lifetime_;
};

// What GetRef returns: calling its default member calls the procedure.
class ProcedureRef final : public automation::Dispatch {
public:
    ProcedureRef(Runtime* rt, const Procedure* proc, std::weak_ptr<void> alive)
        : rt_(rt), proc_(proc), alive_(std::move(alive)) {}
    DispId memberId(const QString& name) const override
    {
        return name.isEmpty() ? automation::kDispIdValue : automation::kDispIdUnknown;
    }
    QString typeName() const override { return QStringLiteral("Object"); }
    Variant invoke(DispId id, CallKind kind, QList<Variant>& args) override
    {
        if (alive_.expired())
            throw AutomationError(error::kObjectDisconnected);
        if (id != automation::kDispIdValue || isPut(kind))
            throw AutomationError(error::kNoSuchMember);
        Runtime::Entry entry(*rt_);
        Args a;
        a.bindAll(args);
        return rt_->callProcedure(proc_, nullptr, nullptr, a);
    }

private:
    Runtime* rt_;
    const Procedure* proc_;
    std::weak_ptr<void> alive_;
};

// The script class instance behind a reference, while the code that made it
// lives; an instance a host kept across a reset is only an inert object.
ClassObject* liveInstance(const DispatchRef& object)
{
    auto* co = dynamic_cast<ClassObject*>(object.get());
    return co && !co->data()->alive.expired() ? co : nullptr;
}

// Keeps the error state of a run that must not disturb another (Terminate).
struct ErrGuard {
    explicit ErrGuard(Runtime& rt) : rt(rt), saved(rt.err()) {}
    ~ErrGuard() { rt.err() = saved; }
    Runtime& rt;
    ErrState saved;
};

}  // namespace

// ---------------------------------------------------------------- class objects

ClassObject::~ClassObject()
{
    // A reset discards the class: an instance that outlives it stays inert.
    if (data_->alive.expired() || data_->terminated || !data_->cls->terminate)
        return;
    data_->terminated = true;
    Runtime* rt = data_->runtime;
    try {
        // Me during Class_Terminate is a fresh handle on the same instance, so
        // a script that keeps Me keeps a live object.
        auto handle = std::make_shared<ClassObject>(data_);
        Runtime::Entry entry(*rt);
        ErrGuard guard(*rt);
        Args none;
        rt->callProcedure(data_->cls->terminate, data_, handle, none);
    } catch (...) {
        // An error in Class_Terminate has nowhere to go.
    }
}

DispId ClassObject::memberId(const QString& name) const
{
    if (data_->alive.expired())
        return automation::kDispIdUnknown;
    const ClassDef* cls = data_->cls;
    if (name.isEmpty())
        return cls->defaultMember >= 0 ? automation::kDispIdValue : automation::kDispIdUnknown;
    const int index = cls->memberIndex.value(name.toLower(), -1);
    if (index < 0 || !cls->members[size_t(index)].isPublic)
        return automation::kDispIdUnknown;
    return index + 1;
}

Variant ClassObject::invoke(DispId id, CallKind kind, QList<Variant>& args)
{
    if (data_->alive.expired())
        throw AutomationError(error::kObjectDisconnected);
    const ClassDef* cls = data_->cls;
    int member = id == automation::kDispIdValue ? cls->defaultMember : id - 1;
    if (member < 0 || member >= int(cls->members.size()) || !cls->members[size_t(member)].isPublic)
        throw AutomationError(error::kNoSuchMember);
    Runtime::Entry entry(*data_->runtime);
    Args a;
    // By-reference parameters write back into the caller's argument list.
    a.bindAll(args);
    if (isPut(kind) && !args.isEmpty())
        a.refs.back() = nullptr;
    return data_->runtime->callMember(data_, shared_from_this(), member, kind, a);
}

// ---------------------------------------------------------------- runtime

Runtime::Runtime() : alive_(std::make_shared<int>(0)), lifetime_(std::make_shared<int>(0))
{
    errObject_ = std::make_shared<ErrDispatch>(this, lifetime_);
    heapBaseline_ = heapBytesInUse();
    setLocale(automation::userLocaleId());
}

void Runtime::setLocale(qint32 lcid)
{
    locale = lcid;
    regional_ = automation::regionalSettings(lcid);
}

Runtime::~Runtime()
{
    try {
        reset();
    } catch (...) {
    }
    alive_.reset();
    lifetime_.reset();
}

Runtime::Entry::Entry(Runtime& rt) : rt(rt), outermost(rt.entries_ == 0), regional(&rt.regional_)
{
    if (outermost) {
        char probe = 0;
        rt.stackBase_ = &probe;
        rt.steps = 0;
        // The heap is measured afresh at the first large allocation.
        rt.allocated = rt.allocationLimit;
    }
    ++rt.entries_;
}

Runtime::Entry::~Entry()
{
    --rt.entries_;
    if (outermost)
        rt.stackBase_ = nullptr;
}

void Runtime::throwInterrupted()
{
    throw AbortError(runtime::kInterrupted, describeError(runtime::kInterrupted));
}

qint64 Runtime::heldBytes() const
{
    const qint64 inUse = heapBytesInUse();
    return inUse > heapBaseline_ ? inUse - heapBaseline_ : 0;
}

void Runtime::chargeLarge(qint64 bytes)
{
    // Measuring walks the allocator's lists: only when the charges since the
    // last measure could have reached the limit.
    allocated += bytes;
    if (heldAtMeasure + allocated <= allocationLimit)
        return;
    heldAtMeasure = heldBytes();
    allocated = bytes;
    if (heldAtMeasure + bytes > allocationLimit)
        throw AbortError(error::kOutOfMemory, describeError(error::kOutOfMemory));
}

void Runtime::checkHeld()
{
    untilMemoryCheck = kMemoryCheckSteps;
    if (allocationLimit <= 0)
        return;
    heldAtMeasure = heldBytes();
    allocated = 0;
    if (heldAtMeasure > allocationLimit)
        throw AbortError(error::kOutOfMemory, describeError(error::kOutOfMemory));
}

void Runtime::throwOutOfStack()
{
    throw AutomationError(error::kOutOfStack);
}

void Runtime::reset()
{
    // Values first, while everything they may call in Class_Terminate exists.
    std::vector<Variant> released;
    for (GlobalEntry& e : globals_)
        released.push_back(std::exchange(e.value, Variant()));
    if (globalFrame_.dynamic) {
        for (auto& [name, value] : *globalFrame_.dynamic)
            released.push_back(std::exchange(*value, Variant()));
    }
    released.clear();
    globals_.clear();
    globalIndex_.clear();
    procedureOrder_.clear();
    declarations_.clear();
    objects_.clear();
    // Instances and procedure references that outlive the code see this token expire.
    alive_ = std::make_shared<int>(0);
    // Instances that hold each other (a node pointing back at its list) are
    // never released by counting alone. Now inert, their fields are emptied,
    // so such a cycle goes with the code that made it.
    {
        std::vector<std::vector<Variant>> fields;
        for (const std::weak_ptr<InstanceData>& weak : instances_)
            if (const std::shared_ptr<InstanceData> data = weak.lock())
                fields.push_back(std::exchange(data->fields, {}));
        instances_.clear();
        instancesAfterPrune_ = 0;
    }
    units_.clear();
    globalFrame_ = Frame();
    err_ = ErrState();
    ++generation_;
    heapBaseline_ = heapBytesInUse();
}

const GlobalEntry* Runtime::findGlobal(const QString& name) const
{
    const int i = globalIndex_.value(name.toLower(), -1);
    return i < 0 ? nullptr : &globals_[size_t(i)];
}

int Runtime::ensureGlobal(const QString& name, GlobalEntry::Kind kind)
{
    const QString lower = name.toLower();
    auto it = globalIndex_.find(lower);
    if (it != globalIndex_.end()) {
        GlobalEntry& e = globals_[size_t(*it)];
        if (kind != GlobalEntry::Variable)
            e.kind = kind;
        return *it;
    }
    GlobalEntry e;
    e.name = name;
    e.kind = kind;
    globals_.push_back(std::move(e));
    const int index = int(globals_.size()) - 1;
    globalIndex_.insert(lower, index);
    ++generation_;
    return index;
}

void Runtime::addObject(const QString& name, DispatchRef object, bool addMembers)
{
    const int index = ensureGlobal(name, GlobalEntry::Object);
    store(globals_[size_t(index)].value, Variant(object));
    objects_.push_back({name, std::move(object), addMembers});
    ++generation_;
}

DispatchRef Runtime::procedureRef(const QString& name)
{
    const GlobalEntry* e = findGlobal(name);
    if (!e || e->kind != GlobalEntry::Procedure)
        throw AutomationError(error::kInvalidCall);
    return std::make_shared<ProcedureRef>(this, e->proc, alive_);
}

void Runtime::setErr(const AutomationError& error)
{
    err_.number = error.number();
    err_.description = error.description().isEmpty() ? describeError(error.number()) : error.description();
    err_.source = error.source().isEmpty() ? QStringLiteral("Microsoft VBScript runtime error") : error.source();
}

// ---------------------------------------------------------------- linking

void Runtime::link(Unit& unit)
{
    for (const QString& name : unit.globalNames)
        ensureGlobal(name, GlobalEntry::Variable);
    for (const QString& name : unit.fixedArrays)
        globals_[size_t(ensureGlobal(name, GlobalEntry::Variable))].fixedArray = true;
    for (const ConstStmt* c : unit.globalConsts) {
        for (const auto& [name, value] : c->items) {
            const int i = ensureGlobal(name->name, GlobalEntry::Constant);
            globals_[size_t(i)].kind = GlobalEntry::Constant;
            store(globals_[size_t(i)].value, value);
        }
    }
    std::set<int> declaredHere;
    for (const auto& proc : unit.procedures) {
        const bool known = globalIndex_.contains(proc->name.toLower());
        const int i = ensureGlobal(proc->name, GlobalEntry::Procedure);
        if (declaredHere.insert(i).second)
            declarations_[i].clear();
        declarations_[i].push_back(proc.get());
        GlobalEntry& e = globals_[size_t(i)];
        e.kind = GlobalEntry::Procedure;
        e.proc = proc.get();
        if (!known || std::find(procedureOrder_.begin(), procedureOrder_.end(), i) == procedureOrder_.end())
            procedureOrder_.push_back(i);
    }
    for (const auto& cls : unit.classes) {
        const int i = ensureGlobal(cls->name, GlobalEntry::Class);
        globals_[size_t(i)].kind = GlobalEntry::Class;
        globals_[size_t(i)].cls = cls.get();
    }
    ++generation_;
    for (const auto& scope : unit.scopes) {
        for (NameExpr* n : scope->names)
            bind(*n, *scope, unit);
    }
}

void Runtime::bind(NameExpr& n, const Scope& scope, const Unit& unit)
{
    n.optionExplicit = unit.optionExplicit;
    if (const Procedure* proc = scope.procedure) {
        auto it = proc->locals.find(n.lower);
        if (it != proc->locals.end()) {
            n.binding = Binding::Local;
            n.index = *it;
            n.selfName = *it == proc->resultSlot && proc->resultSlot >= 0;
            return;
        }
    }
    if (const ClassDef* cls = scope.owner) {
        auto it = cls->memberIndex.find(n.lower);
        if (it != cls->memberIndex.end()) {
            const ClassMember& m = cls->members[size_t(*it)];
            n.binding = m.kind == ClassMember::Field ? Binding::Field : Binding::MeMember;
            n.index = m.kind == ClassMember::Field ? m.field : *it;
            return;
        }
    }
    if (auto it = globalIndex_.find(n.lower); it != globalIndex_.end()) {
        n.binding = Binding::Global;
        n.index = *it;
        return;
    }
    if (n.lower == QLatin1String("err")) {
        n.binding = Binding::Constant;
        n.constant = Variant(errObject_);
        return;
    }
    if (const int id = findBuiltin(n.lower); id >= 0) {
        n.binding = Binding::Builtin;
        n.index = id;
        return;
    }
    if (findConstant(n.lower, &n.constant)) {
        n.binding = Binding::Constant;
        return;
    }
    n.binding = Binding::Dynamic;
}

// ---------------------------------------------------------------- code

void Runtime::addCode(const QString& source)
{
    std::unique_ptr<Unit> unit = parseUnit(source);
    link(*unit);
    Unit& u = *unit;
    units_.push_back(std::move(unit));
    Entry entry(*this);
    globalFrame_.resumeNext = false;
    execBlock(u.statements, globalFrame_);
}

void Runtime::executeCode(const QString& source, Frame& frame, bool global)
{
    ParseOptions options;
    Frame& target = global || !frame.proc ? globalFrame_ : frame;
    if (&target != &globalFrame_) {
        options.localProcedure = const_cast<Procedure*>(frame.proc);
        options.localClass = frame.proc->owner;
    }
    std::unique_ptr<Unit> unit;
    try {
        unit = parseUnit(source, options);
    } catch (const CompileError& e) {
        throw AutomationError(e.number, describeError(e.number), QStringLiteral("Microsoft VBScript compilation error"));
    }
    link(*unit);
    Unit* u = unit.get();
    // Code that declares procedures or classes stays; the rest goes once run.
    const bool keep = !u->procedures.empty() || !u->classes.empty();
    if (keep)
        units_.push_back(std::move(unit));
    checkDepth();
    ++depth_;
    const bool savedResume = target.resumeNext;
    try {
        target.resumeNext = false;
        execBlock(u->statements, target);
    } catch (const RuntimeError& e) {
        target.resumeNext = savedResume;
        --depth_;
        // The error belongs to the Execute statement's line, not to the text's.
        if (e.fatal())
            throw;
        throw AutomationError(e.number(), e.description(), e.source());
    } catch (...) {
        target.resumeNext = savedResume;
        --depth_;
        throw;
    }
    target.resumeNext = savedResume;
    --depth_;
}

Variant Runtime::evalCode(const QString& source, Frame& frame)
{
    ParseOptions options;
    options.expressionOnly = true;
    if (frame.proc) {
        options.localProcedure = const_cast<Procedure*>(frame.proc);
        options.localClass = frame.proc->owner;
    }
    std::unique_ptr<Unit> unit;
    try {
        unit = parseUnit(source, options);
    } catch (const CompileError& e) {
        // A text that ends where an operand is due is a plain syntax error to Eval.
        const int number = e.number == compile::kExpectedExpression && e.position.line == 1
                                   && e.position.column > source.trimmed().size()
                               ? compile::kSyntax
                               : e.number;
        throw AutomationError(number, describeError(number), QStringLiteral("Microsoft VBScript compilation error"));
    }
    link(*unit);
    checkDepth();
    ++depth_;
    try {
        Variant v = unit->expression->eval(*this, frame);
        --depth_;
        return v;
    } catch (...) {
        --depth_;
        throw;
    }
}

// ---------------------------------------------------------------- statements

bool Runtime::swallow(Frame& frame, const AutomationError& error)
{
    if (!frame.resumeNext)
        return false;
    if (dynamic_cast<const AbortError*>(&error))
        return false;
    // Once the host has asked the script to stop, no error is skipped: a
    // host method that stops the script (WScript.Quit) ends it at once.
    if (interruptRequested.load(std::memory_order_relaxed))
        return false;
    if (const auto* r = dynamic_cast<const RuntimeError*>(&error); r && r->fatal())
        return false;
    setErr(error);
    return true;
}

Flow Runtime::execBlock(const Block& block, Frame& frame)
{
    return runBlock(block, frame);
}

// ---------------------------------------------------------------- names

Target Runtime::globalTarget(int index)
{
    Target t;
    GlobalEntry& e = globals_[size_t(index)];
    switch (e.kind) {
    case GlobalEntry::Variable: t.kind = Target::Var; t.var = &e.value; break;
    case GlobalEntry::Constant:
    case GlobalEntry::Object: t.kind = Target::Constant; t.constant = &e.value; break;
    case GlobalEntry::Procedure: t.kind = Target::Proc; t.proc = e.proc; break;
    case GlobalEntry::Class: t.kind = Target::Class; t.cls = e.cls; break;
    }
    return t;
}

Target Runtime::resolve(const NameExpr& n, Frame& frame, bool forWrite)
{
    Target t;
    switch (n.binding) {
    case Binding::Local:
        t.kind = Target::Var;
        t.var = frame.vars[size_t(n.index)];
        return t;
    case Binding::Field:
        t.kind = Target::Var;
        t.var = &frame.me->fields[size_t(n.index)];
        return t;
    case Binding::MeMember:
        t.kind = Target::MeMember;
        t.index = n.index;
        return t;
    case Binding::Builtin:
        t.kind = Target::Builtin;
        t.index = n.index;
        return t;
    case Binding::Constant:
        t.kind = Target::Constant;
        t.constant = &n.constant;
        return t;
    case Binding::Global: return globalTarget(n.index);
    case Binding::Unbound:
    case Binding::Dynamic: break;
    }
    if (Variant* v = frame.findDynamic(n.lower)) {
        t.kind = Target::Var;
        t.var = v;
        return t;
    }
    if (n.cacheGeneration != generation_) {
        n.cacheGlobal = globalIndex_.value(n.lower, -1);
        n.cacheObject = -1;
        if (n.cacheGlobal < 0) {
            for (size_t i = 0; i < objects_.size(); ++i) {
                if (!objects_[i].addMembers || !objects_[i].object)
                    continue;
                const DispId id = objects_[i].object->memberId(n.name);
                if (id != automation::kDispIdUnknown) {
                    n.cacheObject = int(i);
                    n.cacheDispId = id;
                    break;
                }
            }
        }
        n.cacheGeneration = generation_;
    }
    if (n.cacheGlobal >= 0)
        return globalTarget(n.cacheGlobal);
    if (n.cacheObject >= 0) {
        t.kind = Target::HostMember;
        t.object = objects_[size_t(n.cacheObject)].object;
        t.id = n.cacheDispId;
        return t;
    }
    if (!forWrite)
        return t;
    if (n.optionExplicit)
        throw named(runtime::kUndefinedVariable, n.name);
    t.kind = Target::Var;
    if (frame.proc) {
        t.var = frame.makeDynamic(n.lower);
    } else {
        const int i = ensureGlobal(n.name, GlobalEntry::Variable);
        t.var = &globals_[size_t(i)].value;
    }
    return t;
}

Variant* Runtime::refOf(const NameExpr& n, Frame& frame, bool create)
{
    if (n.binding == Binding::Local)
        return frame.vars[size_t(n.index)];
    if (n.binding == Binding::Field)
        return &frame.me->fields[size_t(n.index)];
    const Target t = resolve(n, frame, create);
    return t.kind == Target::Var ? t.var : nullptr;
}

bool Runtime::isFixedArray(const NameExpr& n, const Frame& frame) const
{
    switch (n.binding) {
    case Binding::Local: return frame.proc && frame.proc->fixedArrays.contains(n.lower);
    case Binding::Field: return frame.me && !frame.me->cls->fields[size_t(n.index)].bounds.empty();
    case Binding::Global: return globals_[size_t(n.index)].fixedArray;
    default: return false;
    }
}

Variant Runtime::readName(const NameExpr& n, Frame& frame)
{
    const Target t = resolve(n, frame, false);
    switch (t.kind) {
    case Target::Var: return *t.var;
    case Target::Constant: return *t.constant;
    case Target::Proc: {
        Args none;
        return callProcedure(t.proc, nullptr, nullptr, none);
    }
    case Target::Class: throw named(error::kTypeMismatch, n.name);
    case Target::MeMember: {
        Args none;
        return callMember(frame.me, frame.meRef, t.index, CallKind::Method | CallKind::PropertyGet, none);
    }
    case Target::Builtin: {
        Args none;
        return callBuiltin(t.index, frame, none);
    }
    case Target::HostMember: {
        QList<Variant> none;
        return t.object->invoke(t.id, CallKind::PropertyGet | CallKind::Method, none);
    }
    case Target::None: break;
    }
    if (n.optionExplicit)
        throw named(runtime::kUndefinedVariable, n.name);
    return {};
}

Variant NameExpr::eval(Runtime& rt, Frame& frame) const
{
    if (binding == Binding::Local)
        return *frame.vars[size_t(index)];
    return rt.readName(*this, frame);
}

Comparand NameExpr::comparand(const Runtime& rt) const
{
    switch (binding) {
    case Binding::Local:
    case Binding::Field: return Comparand::Variable;
    case Binding::Global:
        switch (rt.globals()[size_t(index)].kind) {
        case GlobalEntry::Variable: return Comparand::Variable;
        case GlobalEntry::Constant: return Comparand::Literal;
        default: return Comparand::Value;
        }
    case Binding::Constant: return Comparand::Literal;
    // Names made by Execute, implicit variables and the host's properties.
    case Binding::Dynamic: return Comparand::Variable;
    default: return Comparand::Value;
    }
}

Comparand CallExpr::comparand(const Runtime& rt) const
{
    const auto* name = exprAs<NameExpr>(callee.get());
    if (!name || args.empty())
        return Comparand::Value;
    switch (name->binding) {
    case Binding::Local:
    case Binding::Field: return Comparand::Variable;
    case Binding::Global:
        return rt.globals()[size_t(name->index)].kind == GlobalEntry::Variable ? Comparand::Variable : Comparand::Value;
    default: return Comparand::Value;
    }
}

bool NameExpr::evalScalar(Runtime& rt, Frame& frame, Scalar& out, std::optional<Variant>& other) const
{
    const Variant* slot = nullptr;
    switch (binding) {
    case Binding::Local: slot = frame.vars[size_t(index)]; break;
    case Binding::Field: slot = &frame.me->fields[size_t(index)]; break;
    case Binding::Global:
        if (const GlobalEntry& e = rt.globals()[size_t(index)]; e.kind == GlobalEntry::Variable)
            slot = &e.value;
        break;
    default: break;
    }
    if (!slot) {
        other.emplace(rt.readName(*this, frame));
        return Scalar::from(*other, out) ? (other.reset(), true) : false;
    }
    if (Scalar::from(*slot, out))
        return true;
    other.emplace(*slot);
    return false;
}

void Runtime::evalArgs(const std::vector<ExprPtr>& exprs, Frame& frame, Args& args, bool refs)
{
    args.values.reserve(qsizetype(exprs.size()));
    args.refs.reserve(qsizetype(exprs.size()));
    for (size_t i = 0; i < exprs.size(); ++i) {
        const Expr* e = exprs[i].get();
        if (!e) {
            args.add(Variant::fromError(kParamNotFound));
            continue;
        }
        if (refs) {
            if (const auto* n = exprAs<NameExpr>(e)) {
                if (Variant* p = refOf(*n, frame, !n->optionExplicit)) {
                    args.values.append(Variant());
                    args.refs.push_back(p);
                    if (p->isArray() && (isFixedArray(*n, frame)
                                         || std::find(frame.fixedArrays.begin(), frame.fixedArrays.end(), p)
                                                != frame.fixedArrays.end()))
                        args.fixedArrays.push_back(p);
                    continue;
                }
            } else if (const auto* c = exprAs<CallExpr>(e)) {
                // An array element goes by reference: copied in, written back.
                if (const auto* n = exprAs<NameExpr>(c->callee.get()); n && !n->selfName) {
                    Variant* p = refOf(*n, frame, false);
                    if (p && p->isArray()) {
                        QList<qint32> indexes;
                        for (const ExprPtr& a : c->args) {
                            if (!a)
                                throw AutomationError(error::kSubscriptOutOfRange);
                            indexes.append(dereference(a->eval(*this, frame)).toLong());
                        }
                        if (!p->isArray())
                            throw AutomationError(error::kTypeMismatch);
                        args.add(std::as_const(*p).arrayRef().at(indexes));
                        args.writebacks.push_back({int(i), p, indexes});
                        continue;
                    }
                }
            }
        }
        args.add(e->eval(*this, frame));
    }
}

Variant Runtime::indexValue(const Variant& value, Args& args)
{
    if (value.isArray()) {
        if (args.size() == 0)
            return value;
        QList<qint32> indexes;
        for (qsizetype i = 0; i < args.size(); ++i)
            indexes.append(dereference(args.at(i)).toLong());
        return value.arrayRef().at(indexes);
    }
    if (value.isObject())
        return invokeDefault(value, CallKind::Method | CallKind::PropertyGet, args);
    if (args.size() == 0)
        return value;
    throw AutomationError(error::kTypeMismatch);
}

Variant Runtime::invokeDefault(const Variant& value, CallKind kind, Args& args)
{
    const DispatchRef& object = value.objectRef();
    if (!object)
        throw AutomationError(runtime::kObjectNotSet, describeError(runtime::kObjectNotSet));
    if (auto* co = liveInstance(object)) {
        const int member = co->data()->cls->defaultMember;
        if (member < 0)
            throw AutomationError(error::kNoSuchMember);
        return callMember(co->data(), object, member, kind, args);
    }
    args.fillValues();
    Variant result = object->invoke(automation::kDispIdValue, kind, args.values);
    for (qsizetype i = 0; i < args.refs.size(); ++i) {
        if (args.refs[i])
            store(*args.refs[i], args.values[i]);
    }
    return result;
}

namespace {

// One index into a one-dimensional array, the common case, found without the
// lists the general path builds; -1 when the array has other dimensions.
qsizetype offsetIn(const automation::Array& array, const Variant& index)
{
    if (array.dimensions() != 1)
        return -1;
    const qint64 i = dereference(index).toLong();
    const qint32 lower = array.lowerBound(1);
    if (i < lower || i > array.upperBound(1))
        throw AutomationError(error::kSubscriptOutOfRange);
    return qsizetype(i - lower);
}

// The offset of element i of a one-dimensional array; 9 when out of range.
qsizetype offsetOf(const automation::Array& array, qint64 i)
{
    const qint32 lower = array.lowerBound(1);
    if (i < lower || i > array.upperBound(1))
        throw AutomationError(error::kSubscriptOutOfRange);
    return qsizetype(i - lower);
}

// An index as a Long, by the rules dereference(...).toLong() applies.
qint64 indexValueOf(const Scalar& index)
{
    return index.kind == Scalar::Double ? Variant(index.number).toLong() : index.integer;
}

}  // namespace

Variant* Runtime::boundVariable(const NameExpr& n, Frame& frame)
{
    switch (n.binding) {
    case Binding::Local: return frame.vars[size_t(n.index)];
    case Binding::Field: return &frame.me->fields[size_t(n.index)];
    case Binding::Global: {
        GlobalEntry& e = globals_[size_t(n.index)];
        return e.kind == GlobalEntry::Variable ? &e.value : nullptr;
    }
    default: return nullptr;
    }
}

bool Runtime::readElement(Variant& var, const Expr& indexExpr, Frame& frame, Scalar& out, std::optional<Variant>& other)
{
    Scalar index;
    std::optional<Variant> indexVariant;
    const bool scalarIndex = evalOperand(indexExpr, *this, frame, index, indexVariant);
    if (var.isArray() && std::as_const(var).arrayRef().dimensions() == 1) {
        // Converting an object index runs its default member, which may
        // change the variable: the array is looked at again after.
        const qint64 i = scalarIndex ? indexValueOf(index) : dereference(*indexVariant).toLong();
        if (var.isArray() && std::as_const(var).arrayRef().dimensions() == 1) {
            const automation::Array& array = std::as_const(var).arrayRef();
            const Variant& element = array.elements()[offsetOf(array, i)];
            if (Scalar::from(element, out))
                return true;
            other.emplace(element);
            return false;
        }
    }
    Args args;
    args.add(scalarIndex ? index.toVariant() : std::move(*indexVariant));
    other.emplace(indexValue(var, args));
    if (Scalar::from(*other, out)) {
        other.reset();
        return true;
    }
    return false;
}

bool Runtime::storeElement(const NameExpr& name, const Expr& indexExpr, Frame& frame, const Scalar* scalar,
                           Variant* value)
{
    Variant* var = boundVariable(name, frame);
    if (!var || !var->isArray())
        return false;
    Scalar index;
    std::optional<Variant> indexVariant;
    const bool scalarIndex = evalOperand(indexExpr, *this, frame, index, indexVariant);
    if (!var->isArray())
        throw AutomationError(error::kTypeMismatch);
    auto put = [&](Variant& element) {
        if (scalar)
            storeScalar(element, *scalar);
        else
            store(element, std::move(*value));
    };
    if (std::as_const(*var).arrayRef().dimensions() == 1) {
        const qint64 i = scalarIndex ? indexValueOf(index) : dereference(*indexVariant).toLong();
        if (var->isArray() && std::as_const(*var).arrayRef().dimensions() == 1) {
            const qsizetype offset = offsetOf(std::as_const(*var).arrayRef(), i);
            put(writableArray(*var).elements()[offset]);
            return true;
        }
        if (!var->isArray())
            throw AutomationError(error::kTypeMismatch);
    }
    QList<qint32> indexes{scalarIndex ? qint32(indexValueOf(index)) : dereference(*indexVariant).toLong()};
    put(writableArray(*var).at(indexes));
    return true;
}

const NameExpr& Runtime::calleeName(const NameExpr& n, Frame& frame)
{
    if (!n.selfName)
        return n;
    // f(...) inside Function f is a call, not its result: the name as seen
    // from outside, made once and bound like any other.
    if (!n.outer) {
        auto outer = std::make_unique<NameExpr>();
        outer->name = n.name;
        outer->lower = n.lower;
        outer->optionExplicit = n.optionExplicit;
        if (frame.proc && frame.proc->owner && frame.proc->owner->memberIndex.contains(n.lower)) {
            outer->binding = Binding::MeMember;
            outer->index = frame.proc->owner->memberIndex.value(n.lower);
        } else if (const int global = globalIndex_.value(n.lower, -1); global >= 0) {
            outer->binding = Binding::Global;
            outer->index = global;
        } else {
            outer->binding = Binding::Dynamic;
        }
        n.outer = std::move(outer);
    }
    return *n.outer;
}

Variant Runtime::callName(const NameExpr& n, const std::vector<ExprPtr>& exprs, Frame& frame)
{
    const NameExpr& callee = calleeName(n, frame);
    return callResolved(callee, resolve(callee, frame, false), exprs, frame);
}

bool Runtime::callNameScalar(const NameExpr& n, const std::vector<ExprPtr>& exprs, Frame& frame, Scalar& out,
                             std::optional<Variant>& other)
{
    const NameExpr& callee = calleeName(n, frame);
    if (callee.binding == Binding::Global) {
        if (const GlobalEntry& e = globals_[size_t(callee.index)]; e.kind == GlobalEntry::Procedure) {
            switch (callProcedureDirect(e.proc, exprs, frame, out, other)) {
            case DirectCall::Scalar: return true;
            case DirectCall::Value: return false;
            case DirectCall::NotDirect: break;
            }
        }
    }
    other.emplace(callResolved(callee, resolve(callee, frame, false), exprs, frame));
    if (Scalar::from(*other, out)) {
        other.reset();
        return true;
    }
    return false;
}

Variant Runtime::callResolved(const NameExpr& n, const Target& t, const std::vector<ExprPtr>& exprs, Frame& frame)
{
    PooledArgs pooled(*this);
    Args& args = pooled.args;
    switch (t.kind) {
    case Target::Var:
        if (exprs.size() == 1 && exprs[0] && t.var->isArray()) {
            const Variant index = exprs[0]->eval(*this, frame);
            if (t.var->isArray()) {
                const automation::Array& array = std::as_const(*t.var).arrayRef();
                if (const qsizetype offset = offsetIn(array, index); offset >= 0)
                    return array.elements()[offset];
            }
            args.add(index);
            return indexValue(*t.var, args);
        }
        evalArgs(exprs, frame, args, t.var->isObject());
        return indexValue(*t.var, args);
    case Target::Constant:
        evalArgs(exprs, frame, args, t.constant->isObject());
        return indexValue(*t.constant, args);
    case Target::Proc: {
        Scalar scalar;
        std::optional<Variant> value;
        switch (callProcedureDirect(t.proc, exprs, frame, scalar, value)) {
        case DirectCall::Scalar: return scalar.toVariant();
        case DirectCall::Value: return std::move(*value);
        case DirectCall::NotDirect: break;
        }
        evalArgs(exprs, frame, args, true);
        return callProcedure(t.proc, nullptr, nullptr, args);
    }
    case Target::MeMember:
        evalArgs(exprs, frame, args, true);
        return callMember(frame.me, frame.meRef, t.index, CallKind::Method | CallKind::PropertyGet, args);
    case Target::Builtin: {
        evalArgs(exprs, frame, args, false);
        return callBuiltin(t.index, frame, args);
    }
    case Target::HostMember: {
        evalArgs(exprs, frame, args, true);
        args.fillValues();
        DispatchRef object = t.object;
        Variant result = object->invoke(t.id, CallKind::Method | CallKind::PropertyGet, args.values);
        for (qsizetype i = 0; i < args.refs.size(); ++i) {
            if (args.refs[i])
                store(*args.refs[i], args.values[i]);
        }
        return result;
    }
    case Target::Class: throw named(error::kTypeMismatch, n.name);
    case Target::None: break;
    }
    if (n.optionExplicit)
        throw named(runtime::kUndefinedVariable, n.name);
    throw named(error::kTypeMismatch, n.name);
}

Variant CallExpr::eval(Runtime& rt, Frame& frame) const
{
    if (const auto* n = exprAs<NameExpr>(callee.get()))
        return rt.callName(*n, args, frame);
    if (const auto* m = exprAs<MemberExpr>(callee.get())) {
        const Variant object = m->object->eval(rt, frame);
        PooledArgs a(rt);
        rt.evalArgs(args, frame, a.args, true);
        return rt.invokeMember(object, *m, CallKind::Method | CallKind::PropertyGet, a.args);
    }
    const Variant value = callee->eval(rt, frame);
    PooledArgs a(rt);
    rt.evalArgs(args, frame, a.args, value.isObject());
    return rt.indexValue(value, a.args);
}

bool CallExpr::evalScalar(Runtime& rt, Frame& frame, Scalar& out, std::optional<Variant>& other) const
{
    if (const auto* n = exprAs<NameExpr>(callee.get())) {
        // a(i): an element of an array variable.
        if (args.size() == 1 && args[0] && !n->selfName) {
            if (Variant* var = rt.boundVariable(*n, frame); var && var->isArray())
                return rt.readElement(*var, *args[0], frame, out, other);
        }
        return rt.callNameScalar(*n, args, frame, out, other);
    }
    return Expr::evalScalar(rt, frame, out, other);
}

Variant MemberExpr::eval(Runtime& rt, Frame& frame) const
{
    const Variant target = object->eval(rt, frame);
    Args none;
    return rt.invokeMember(target, *this, CallKind::Method | CallKind::PropertyGet, none);
}

Variant MeExpr::eval(Runtime&, Frame& frame) const
{
    if (!frame.meRef)
        throw AutomationError(error::kObjectRequired, describeError(error::kObjectRequired) + QStringLiteral(": 'Me'"));
    return Variant(frame.meRef);
}

Variant WithObjectExpr::eval(Runtime&, Frame& frame) const
{
    if (frame.with.empty())
        throw AutomationError(505, describeError(505));
    return frame.with.back();
}

Variant NewExpr::eval(Runtime& rt, Frame&) const { return rt.newInstance(className); }

bool UnaryExpr::evalScalar(Runtime& rt, Frame& frame, Scalar& out, std::optional<Variant>& other) const
{
    Scalar a;
    std::optional<Variant> v;
    if (evalOperand(*operand, rt, frame, a, v)) {
        switch (op) {
        case UnaryOp::Neg:
            if (scalarNegate(a, out))
                return true;
            break;
        case UnaryOp::Not:
            if (scalarNot(a, out))
                return true;
            break;
        case UnaryOp::Plus: out = a; return true;
        }
        v.emplace(a.toVariant());
    }
    switch (op) {
    case UnaryOp::Neg: other.emplace(negate(*v)); break;
    case UnaryOp::Not: other.emplace(logicalNot(*v)); break;
    case UnaryOp::Plus: {
        Variant d = dereference(*v);
        if (d.isArray())
            throw AutomationError(error::kTypeMismatch);
        other.emplace(std::move(d));
        break;
    }
    }
    return false;
}

Variant UnaryExpr::eval(Runtime& rt, Frame& frame) const
{
    Scalar s;
    std::optional<Variant> v;
    if (evalScalar(rt, frame, s, v))
        return s.toVariant();
    return std::move(*v);
}

namespace {

// The general rules, on values of any type.
Variant applyBinary(Runtime& rt, BinaryOp op, const Variant& a, const Variant& b, const Expr& left, const Expr& right)
{
    switch (op) {
    case BinaryOp::Add:
    case BinaryOp::Pow:
    case BinaryOp::Mul:
    case BinaryOp::Div:
    case BinaryOp::IntDiv:
    case BinaryOp::Mod:
    case BinaryOp::Sub: return arithmetic(op, a, b);
    case BinaryOp::Concat: {
        Variant joined = concatenate(a, b);
        // Only what the text adds is counted: s = s & line keeps one text
        // growing, and charging each whole copy would fail such loops.
        const qsizetype kept = std::max(a.isString() ? a.stringRef().size() : 0, b.isString() ? b.stringRef().size() : 0);
        if (joined.isString())
            rt.chargeText(joined.stringRef().size() - kept);
        return joined;
    }
    case BinaryOp::Eq:
    case BinaryOp::Ne:
    case BinaryOp::Lt:
    case BinaryOp::Gt:
    case BinaryOp::Le:
    case BinaryOp::Ge: return compare(op, a, b, left.comparand(rt), right.comparand(rt));
    case BinaryOp::Is: return Variant(sameObject(a, b));
    case BinaryOp::And:
    case BinaryOp::Or:
    case BinaryOp::Xor:
    case BinaryOp::Eqv:
    case BinaryOp::Imp: return logical(op, a, b);
    }
    throw AutomationError(error::kTypeMismatch);
}

}  // namespace

namespace {

const Expr* withoutParentheses(const Expr* e)
{
    while (const auto* p = exprAs<ParenExpr>(e))
        e = p->inner.get();
    return e;
}

}  // namespace

// What an operand is, for the evaluator made for it.
enum class OperandKind : unsigned char { Literal, Local, Binary, Other };

namespace {

constexpr bool isPure(OperandKind k) { return k == OperandKind::Literal || k == OperandKind::Local; }

// Reads a literal or a local: true with its value in s when that is a
// Scalar's type. Reading them has no effects, so a miss is simply read again
// by the general path.
template <OperandKind k>
Q_ALWAYS_INLINE bool readPure(const Expr* e, int slot, Frame& frame, Scalar& s)
{
    if constexpr (k == OperandKind::Literal) {
        s = static_cast<const LiteralExpr*>(e)->scalar;
        return true;
    } else {
        return Scalar::from(*frame.vars[size_t(slot)], s);
    }
}

// Evaluates another operator or anything else, once: into s when its value
// is a Scalar's type (true), else into v.
template <OperandKind k>
Q_ALWAYS_INLINE bool readEvaluated(const Expr* e, Runtime& rt, Frame& frame, Scalar& s, std::optional<Variant>& v)
{
    if constexpr (k == OperandKind::Binary) {
        const auto* b = static_cast<const BinaryExpr*>(e);
        return b->evaluator(*b, rt, frame, s, v);
    } else {
        return e->evalScalar(rt, frame, s, v);
    }
}

// The operator on operands of known kinds. The caller's other holds an
// evaluated operand that is no Scalar until the general rules, out of line,
// take it; the hot path makes no call that is not its last.
template <BinaryOp op, OperandKind l, OperandKind r>
bool evalTyped(const BinaryExpr& e, Runtime& rt, Frame& frame, Scalar& out, std::optional<Variant>& other)
{
    Scalar a(Scalar::kUnset), b(Scalar::kUnset);
    if constexpr (isPure(l)) {
        if (Q_UNLIKELY(!readPure<l>(e.leftOperand_, e.leftSlot_, frame, a)))
            return e.evalGeneral(rt, frame, out, other);
    } else {
        if (Q_UNLIKELY(!readEvaluated<l>(e.leftOperand_, rt, frame, a, other)))
            return e.afterLeftValue(rt, frame, other);
    }
    if constexpr (isPure(r)) {
        if (Q_UNLIKELY(!readPure<r>(e.rightOperand_, e.rightSlot_, frame, b))) {
            if constexpr (isPure(l))
                return e.evalGeneral(rt, frame, out, other);
            else
                return e.afterLeftScalar(rt, frame, a, other);
        }
    } else {
        if (Q_UNLIKELY(!readEvaluated<r>(e.rightOperand_, rt, frame, b, other)))
            return e.afterRightValue(rt, a, other);
    }
    if (Q_LIKELY(scalar_ops::scalarBinaryImpl(op, a, b, out)))
        return true;
    return e.afterScalars(rt, a, b, other);
}

template <BinaryOp op, OperandKind l>
BinaryExpr::Evaluator evaluatorFor(OperandKind r)
{
    switch (r) {
    case OperandKind::Literal: return &evalTyped<op, l, OperandKind::Literal>;
    case OperandKind::Local: return &evalTyped<op, l, OperandKind::Local>;
    case OperandKind::Binary: return &evalTyped<op, l, OperandKind::Binary>;
    case OperandKind::Other: break;
    }
    return &evalTyped<op, l, OperandKind::Other>;
}

template <BinaryOp op>
BinaryExpr::Evaluator evaluatorFor(OperandKind l, OperandKind r)
{
    switch (l) {
    case OperandKind::Literal: return evaluatorFor<op, OperandKind::Literal>(r);
    case OperandKind::Local: return evaluatorFor<op, OperandKind::Local>(r);
    case OperandKind::Binary: return evaluatorFor<op, OperandKind::Binary>(r);
    case OperandKind::Other: break;
    }
    return evaluatorFor<op, OperandKind::Other>(r);
}

// The operators with a function per operand kind; the rest take the shaped
// path below.
BinaryExpr::Evaluator typedEvaluator(BinaryOp op, OperandKind l, OperandKind r)
{
    switch (op) {
    case BinaryOp::Mul: return evaluatorFor<BinaryOp::Mul>(l, r);
    case BinaryOp::Div: return evaluatorFor<BinaryOp::Div>(l, r);
    case BinaryOp::IntDiv: return evaluatorFor<BinaryOp::IntDiv>(l, r);
    case BinaryOp::Mod: return evaluatorFor<BinaryOp::Mod>(l, r);
    case BinaryOp::Add: return evaluatorFor<BinaryOp::Add>(l, r);
    case BinaryOp::Sub: return evaluatorFor<BinaryOp::Sub>(l, r);
    case BinaryOp::Eq: return evaluatorFor<BinaryOp::Eq>(l, r);
    case BinaryOp::Ne: return evaluatorFor<BinaryOp::Ne>(l, r);
    case BinaryOp::Lt: return evaluatorFor<BinaryOp::Lt>(l, r);
    case BinaryOp::Gt: return evaluatorFor<BinaryOp::Gt>(l, r);
    case BinaryOp::Le: return evaluatorFor<BinaryOp::Le>(l, r);
    case BinaryOp::Ge: return evaluatorFor<BinaryOp::Ge>(l, r);
    case BinaryOp::And: return evaluatorFor<BinaryOp::And>(l, r);
    case BinaryOp::Or: return evaluatorFor<BinaryOp::Or>(l, r);
    default: return nullptr;
    }
}

bool evalShapedEntry(const BinaryExpr& e, Runtime& rt, Frame& frame, Scalar& out, std::optional<Variant>& other)
{
    return e.evalShaped(rt, frame, out, other);
}

}  // namespace

void BinaryExpr::classify() const
{
    leftOperand_ = withoutParentheses(left.get());
    rightOperand_ = withoutParentheses(right.get());
    const auto* l = exprAs<NameExpr>(leftOperand_);
    const auto* literal = exprAs<LiteralExpr>(rightOperand_);
    const auto* r = exprAs<NameExpr>(rightOperand_);
    if (literal && !literal->isScalar)
        literal = nullptr;
    if (l && l->binding == Binding::Local && literal) {
        leftSlot_ = l->index;
        shape_ = Shape::LocalLiteral;
    } else if (l && l->binding == Binding::Local && r && r->binding == Binding::Local) {
        leftSlot_ = l->index;
        rightSlot_ = r->index;
        shape_ = Shape::LocalLocal;
    } else if (literal) {
        shape_ = Shape::AnyLiteral;
    } else {
        shape_ = Shape::General;
    }
    auto kindOf = [](const Expr* e, int& slot) {
        if (const auto* lit = exprAs<LiteralExpr>(e); lit && lit->isScalar)
            return OperandKind::Literal;
        if (const auto* n = exprAs<NameExpr>(e); n && n->binding == Binding::Local) {
            slot = n->index;
            return OperandKind::Local;
        }
        if (const auto* b = exprAs<BinaryExpr>(e)) {
            b->prepare();
            return OperandKind::Binary;
        }
        return OperandKind::Other;
    };
    const OperandKind lk = kindOf(leftOperand_, leftSlot_);
    const OperandKind rk = kindOf(rightOperand_, rightSlot_);
    const Evaluator typed = typedEvaluator(op, lk, rk);
    evaluator = typed ? typed : &evalShapedEntry;
}

bool BinaryExpr::evalShaped(Runtime& rt, Frame& frame, Scalar& out, std::optional<Variant>& other) const
{
    switch (shape_) {
    case Shape::LocalLiteral:
        if (Scalar a; Scalar::from(*frame.vars[leftSlot_], a)
                      && onScalars(a, static_cast<const LiteralExpr*>(rightOperand_)->scalar, out))
            return true;
        break;
    case Shape::LocalLocal:
        if (Scalar a, b; Scalar::from(*frame.vars[leftSlot_], a) && Scalar::from(*frame.vars[rightSlot_], b)
                         && onScalars(a, b, out))
            return true;
        break;
    case Shape::AnyLiteral:
    case Shape::General: break;
    case Shape::Unknown: classify(); break;
    }
    return evalGeneral(rt, frame, out, other);
}

bool BinaryExpr::evalGeneral(Runtime& rt, Frame& frame, Scalar& out, std::optional<Variant>& other) const
{
    // The left side is taken (by value) before the right side runs, which may
    // change the variable the left side read.
    Scalar a, b;
    std::optional<Variant> va, vb;
    const bool sa = evalOperand(*leftOperand_, rt, frame, a, va);
    bool sb = true;
    if (shape_ == Shape::AnyLiteral)
        b = static_cast<const LiteralExpr*>(rightOperand_)->scalar;
    else
        sb = evalOperand(*rightOperand_, rt, frame, b, vb);
    if (sa && sb && onScalars(a, b, out))
        return true;
    return finish(rt, sa, a, va, sb, b, vb, other);
}

bool BinaryExpr::afterLeftValue(Runtime& rt, Frame& frame, std::optional<Variant>& other) const
{
    Variant a = std::move(*other);
    other.reset();
    Scalar b;
    std::optional<Variant> vb;
    if (evalOperand(*rightOperand_, rt, frame, b, vb))
        vb.emplace(b.toVariant());
    other.emplace(applyBinary(rt, op, a, *vb, *left, *right));
    return false;
}

bool BinaryExpr::afterLeftScalar(Runtime& rt, Frame& frame, const Scalar& a, std::optional<Variant>& other) const
{
    Scalar b;
    std::optional<Variant> vb;
    if (evalOperand(*rightOperand_, rt, frame, b, vb))
        vb.emplace(b.toVariant());
    other.emplace(applyBinary(rt, op, a.toVariant(), *vb, *left, *right));
    return false;
}

bool BinaryExpr::afterRightValue(Runtime& rt, const Scalar& a, std::optional<Variant>& other) const
{
    const Variant b = std::move(*other);
    other.reset();
    other.emplace(applyBinary(rt, op, a.toVariant(), b, *left, *right));
    return false;
}

bool BinaryExpr::afterScalars(Runtime& rt, const Scalar& a, const Scalar& b, std::optional<Variant>& other) const
{
    other.emplace(applyBinary(rt, op, a.toVariant(), b.toVariant(), *left, *right));
    return false;
}

bool BinaryExpr::finish(Runtime& rt, bool sa, const Scalar& a, std::optional<Variant>& va, bool sb, const Scalar& b,
                        std::optional<Variant>& vb, std::optional<Variant>& other) const
{
    if (sa)
        va.emplace(a.toVariant());
    if (sb)
        vb.emplace(b.toVariant());
    other.emplace(applyBinary(rt, op, *va, *vb, *left, *right));
    return false;
}

Variant BinaryExpr::eval(Runtime& rt, Frame& frame) const
{
    Scalar s;
    std::optional<Variant> v;
    if (evalScalar(rt, frame, s, v))
        return s.toVariant();
    return std::move(*v);
}

// ---------------------------------------------------------------- calls

Variant Runtime::callProcedure(const Procedure* proc, const std::shared_ptr<InstanceData>& me, const DispatchRef& meRef,
                               Args& args)
{
    checkInterrupt();
    checkDepth();
    if (args.size() != qsizetype(proc->params.size()))
        throw named(error::kWrongArgumentCount, proc->name);
    Frame f(proc);
    f.me = me;
    f.meRef = meRef;
    for (size_t i = 0; i < proc->params.size(); ++i) {
        Variant* ref = args.refs[qsizetype(i)];
        if (ref && proc->params[i].byRef) {
            f.vars[i] = ref;
            if (std::find(args.fixedArrays.begin(), args.fixedArrays.end(), ref) != args.fixedArrays.end())
                f.fixedArrays.push_back(ref);
        } else {
            f.storage[i] = ref ? *ref : std::move(args.values[qsizetype(i)]);
            // A parameter that holds a missing argument reads as Empty here.
            if (f.storage[i].type() == automation::VarType::Error)
                f.storage[i] = Variant();
        }
    }
    struct DepthGuard {
        explicit DepthGuard(int& d) : d(d) { ++d; }
        ~DepthGuard() { --d; }
        int& d;
    } guard(depth_);
    execBlock(proc->body, f);
    for (const Args::Writeback& w : args.writebacks) {
        if (!proc->params[size_t(w.index)].byRef || !w.array->isArray())
            continue;
        try {
            store(writableArray(*w.array).at(w.indexes), f.storage[size_t(w.index)]);
        } catch (const AutomationError&) {
            // The array changed shape during the call: nothing to write back to.
        }
    }
    if (proc->resultSlot >= 0)
        return std::move(f.storage[size_t(proc->resultSlot)]);
    return {};
}

Runtime::DirectCall Runtime::callProcedureDirect(const Procedure* proc, const std::vector<ExprPtr>& exprs,
                                                 Frame& caller, Scalar& scalar, std::optional<Variant>& value)
{
    const size_t count = exprs.size();
    if (count != proc->params.size())
        return DirectCall::NotDirect;
    for (const ExprPtr& e : exprs) {
        if (!e)
            return DirectCall::NotDirect;
        if (const auto* c = exprAs<CallExpr>(e.get()); c && exprAs<NameExpr>(c->callee.get()))
            return DirectCall::NotDirect;
    }
    Frame f(proc);
    // A variable argument is bound first; a ByVal parameter takes its value
    // only after every argument is evaluated, as the general path does.
    bool anyVariable = false;
    for (size_t i = 0; i < count; ++i) {
        const Expr* e = exprs[i].get();
        if (const auto* n = exprAs<NameExpr>(e)) {
            if (Variant* p = refOf(*n, caller, !n->optionExplicit)) {
                f.vars[qsizetype(i)] = p;
                anyVariable = true;
                if (proc->params[i].byRef && p->isArray()
                    && (isFixedArray(*n, caller)
                        || std::find(caller.fixedArrays.begin(), caller.fixedArrays.end(), p) != caller.fixedArrays.end()))
                    f.fixedArrays.push_back(p);
                continue;
            }
        }
        Variant& slot = f.storage[qsizetype(i)];
        Scalar s;
        std::optional<Variant> v;
        if (evalOperand(*e, *this, caller, s, v)) {
            storeScalar(slot, s);
        } else {
            slot = std::move(*v);
            // A parameter that holds a missing argument reads as Empty here.
            if (slot.type() == automation::VarType::Error)
                slot = Variant();
        }
    }
    checkInterrupt();
    checkDepth();
    if (anyVariable) {
        for (size_t i = 0; i < count; ++i) {
            Variant& slot = f.storage[qsizetype(i)];
            if (f.vars[qsizetype(i)] == &slot || proc->params[i].byRef)
                continue;
            slot = *f.vars[qsizetype(i)];
            f.vars[qsizetype(i)] = &slot;
            if (slot.type() == automation::VarType::Error)
                slot = Variant();
        }
    }
    struct DepthGuard {
        explicit DepthGuard(int& d) : d(d) { ++d; }
        ~DepthGuard() { --d; }
        int& d;
    } guard(depth_);
    execBlock(proc->body, f);
    if (proc->resultSlot < 0) {
        value.emplace();
        return DirectCall::Value;
    }
    Variant& result = f.storage[proc->resultSlot];
    if (Scalar::from(result, scalar))
        return DirectCall::Scalar;
    value.emplace(std::move(result));
    return DirectCall::Value;
}

Variant Runtime::callMember(const std::shared_ptr<InstanceData>& me, const DispatchRef& meRef, int index,
                            CallKind kind, Args& args)
{
    if (!me)
        throw AutomationError(error::kObjectRequired);
    const ClassMember& m = me->cls->members[size_t(index)];
    const bool put = isPut(kind);
    switch (m.kind) {
    case ClassMember::Field: {
        Variant& field = me->fields[size_t(m.field)];
        if (put) {
            Variant value = args.values.last();
            if (args.size() == 1) {
                store(field, std::move(value));
                return {};
            }
            // An index on a field that holds no array is a call the member
            // does not support, as Windows reports it.
            if (!field.isArray())
                throw AutomationError(error::kNoSuchMember);
            QList<qint32> indexes;
            for (qsizetype i = 0; i + 1 < args.size(); ++i)
                indexes.append(dereference(args.at(i)).toLong());
            store(writableArray(field).at(indexes), std::move(value));
            return {};
        }
        // A field read without arguments gives what it holds, an object
        // included; only an index list reaches into it.
        if (args.size() == 0)
            return field;
        const Variant value = field;
        if (!value.isArray() && !value.isObject())
            throw AutomationError(error::kNoSuchMember);
        return indexValue(value, args);
    }
    case ClassMember::Method:
        if (put)
            throw named(error::kWrongArgumentCount, m.name);
        return callProcedure(m.method, me, meRef, args);
    case ClassMember::Property: {
        if (put) {
            const Procedure* p = hasKind(kind, CallKind::PropertyPutRef) && m.set ? m.set : m.let;
            if (hasKind(kind, CallKind::PropertyPutRef) && !hasKind(kind, CallKind::PropertyPut) && !m.set)
                p = nullptr;
            if (!p)
                throw named(error::kWrongArgumentCount, m.name);
            return callProcedure(p, me, meRef, args);
        }
        if (!m.get)
            throw named(error::kWrongArgumentCount, m.name);
        if (args.size() > qsizetype(m.get->params.size()) && m.get->params.empty()) {
            Args none;
            const Variant value = callProcedure(m.get, me, meRef, none);
            return indexValue(value, args);
        }
        return callProcedure(m.get, me, meRef, args);
    }
    }
    return {};
}

Variant Runtime::invokeMember(const Variant& object, const MemberExpr& site, CallKind kind, Args& args)
{
    return invokeMember(object, site.name, kind, args, exprAs<MeExpr>(site.object.get()) != nullptr, &site);
}

namespace {

// Whether a weak and a strong reference share one object (its control block,
// which the weak reference keeps from being reused).
bool sameOwner(const std::weak_ptr<automation::Dispatch>& weak, const DispatchRef& strong)
{
    return !weak.owner_before(strong) && !strong.owner_before(weak);
}

}  // namespace

Variant Runtime::invokeMember(const Variant& objectValue, const QString& name, CallKind kind, Args& args,
                              bool allowPrivate, const MemberExpr* site)
{
    if (!objectValue.isObject() || !objectValue.objectRef())
        throw AutomationError(error::kObjectRequired,
                              describeError(error::kObjectRequired) + QStringLiteral(": '%1'").arg(name));
    const DispatchRef object = objectValue.objectRef();
    DispId id = automation::kDispIdUnknown;
    if (site && site->cachedId != automation::kDispIdUnknown && sameOwner(site->cachedObject, object)) {
        id = site->cachedId;
        if (kind == (CallKind::Method | CallKind::PropertyGet) && args.size() <= HostMethod::kMaxArguments) {
            if (QObject* host = automation::objectOf(object)) {
                const QMetaObject* cls = host->metaObject();
                if (site->hostClassTried != cls) {
                    site->hostClassTried = cls;
                    auto bound = std::make_shared<HostMethod>();
                    site->hostMethod = bindHostMethod(host, id, int(args.size()), *bound) ? bound : nullptr;
                }
                if (const HostMethod* m = site->hostMethod.get(); m && m->argumentCount == args.size()) {
                    args.fillValues();
                    Variant result = callHostMethod(host, *m, args.values);
                    for (qsizetype i = 0; i < args.refs.size(); ++i) {
                        if (args.refs[i])
                            store(*args.refs[i], args.values[i]);
                    }
                    return result;
                }
            }
        }
    } else {
        if (auto* co = liveInstance(object)) {
            const ClassDef* cls = co->data()->cls;
            if (site && site->cachedClass == cls)
                return callMember(co->data(), object, site->cachedMember, kind, args);
            const int index = cls->memberIndex.value(name.toLower(), -1);
            if (index < 0 || (!allowPrivate && !cls->members[size_t(index)].isPublic))
                throw named(error::kNoSuchMember, name);
            if (site) {
                site->cachedClass = cls;
                site->cachedMember = index;
            }
            return callMember(co->data(), object, index, kind, args);
        }
        id = object->memberId(name);
        if (id == automation::kDispIdUnknown)
            throw named(error::kNoSuchMember, name);
        if (site && automation::objectOf(object)) {
            site->cachedObject = object;
            site->cachedId = id;
        }
    }
    args.fillValues();
    Variant result = object->invoke(id, kind, args.values);
    for (qsizetype i = 0; i < args.refs.size(); ++i) {
        if (args.refs[i])
            store(*args.refs[i], args.values[i]);
    }
    return result;
}

Variant Runtime::newInstance(const QString& className)
{
    const GlobalEntry* e = findGlobal(className);
    // RegExp is the one class the language brings; a script's own class of
    // that name comes first.
    if ((!e || e->kind != GlobalEntry::Class) && className.compare(QLatin1String("RegExp"), Qt::CaseInsensitive) == 0)
        return Variant(makeRegExp());
    if (!e || e->kind != GlobalEntry::Class)
        throw named(runtime::kClassNotDefined, className);
    auto data = std::make_shared<InstanceData>();
    if (instances_.size() >= 2 * instancesAfterPrune_ + 64) {
        std::erase_if(instances_, [](const std::weak_ptr<InstanceData>& w) { return w.expired(); });
        instancesAfterPrune_ = instances_.size();
    }
    instances_.push_back(data);
    data->cls = e->cls;
    data->runtime = this;
    data->alive = alive_;
    data->fields.resize(e->cls->fields.size());
    for (size_t i = 0; i < e->cls->fields.size(); ++i) {
        const ClassField& f = e->cls->fields[i];
        if (f.isArray) {
            if (!f.bounds.empty())
                chargeElements(elementCount(QList<qint32>(f.bounds.begin(), f.bounds.end())));
            data->fields[i] = f.bounds.empty() ? Variant(automation::Array())
                                               : Variant(automation::Array(QList<qint32>(f.bounds.begin(), f.bounds.end())));
        }
    }
    auto object = std::make_shared<ClassObject>(data);
    if (e->cls->initialize) {
        Args none;
        callProcedure(e->cls->initialize, data, object, none);
    }
    return Variant(DispatchRef(object));
}

Variant Runtime::callBuiltin(int id, Frame& frame, Args& args)
{
    const BuiltinInfo& info = builtinAt(id);
    if (args.size() < info.minArgs || args.size() > info.maxArgs)
        throw named(error::kWrongArgumentCount, QString::fromLatin1(info.name));
    args.fillValues();
    return info.function(*this, frame, args);
}

Variant Runtime::letValue(const Variant& value)
{
    if (!value.isObject())
        return value;
    if (!value.objectRef())
        throw AutomationError(runtime::kObjectNotSet, describeError(runtime::kObjectNotSet));
    Args none;
    Variant v = invokeDefault(value, CallKind::PropertyGet, none);
    return v;
}

// ---------------------------------------------------------------- assignment

void Runtime::assign(const Expr& target, Variant value, bool isSet, Frame& frame)
{
    const CallKind putKind = isSet ? CallKind::PropertyPutRef : CallKind::PropertyPut;
    if (const auto* n = exprAs<NameExpr>(&target)) {
        if (n->binding == Binding::Local) {
            store(*frame.vars[size_t(n->index)], std::move(value));
            return;
        }
        const Target t = resolve(*n, frame, true);
        switch (t.kind) {
        case Target::Var: store(*t.var, std::move(value)); return;
        case Target::MeMember: {
            Args a;
            a.add(std::move(value));
            callMember(frame.me, frame.meRef, t.index, putKind, a);
            return;
        }
        case Target::HostMember: {
            QList<Variant> a{std::move(value)};
            DispatchRef object = t.object;
            object->invoke(t.id, putKind, a);
            return;
        }
        default: throw named(runtime::kIllegalAssignment, n->name);
        }
    }
    if (const auto* m = exprAs<MemberExpr>(&target)) {
        const Variant object = m->object->eval(*this, frame);
        Args a;
        a.add(std::move(value));
        invokeMember(object, *m, putKind, a);
        return;
    }
    const auto* c = exprAs<CallExpr>(&target);
    if (!c)
        throw AutomationError(runtime::kIllegalAssignment, describeError(runtime::kIllegalAssignment));
    // a(i) = value on a variable holding a one-dimensional array.
    if (const auto* n = exprAs<NameExpr>(c->callee.get());
        n && c->args.size() == 1 && c->args[0] && (n->binding == Binding::Local || n->binding == Binding::Global)) {
        const Target t = resolve(*n, frame, false);
        if (t.kind == Target::Var && t.var->isArray()) {
            const Variant index = c->args[0]->eval(*this, frame);
            if (t.var->isArray()) {
                if (const qsizetype offset = offsetIn(std::as_const(*t.var).arrayRef(), index); offset >= 0) {
                    store(writableArray(*t.var).elements()[offset], std::move(value));
                    return;
                }
                QList<qint32> indexes{dereference(index).toLong()};
                store(writableArray(*t.var).at(indexes), std::move(value));
                return;
            }
            throw AutomationError(error::kTypeMismatch);
        }
    }
    Args a;
    evalArgs(c->args, frame, a, false);
    auto storeElement = [&](Variant& container) {
        if (container.isArray()) {
            QList<qint32> indexes;
            for (qsizetype i = 0; i < a.size(); ++i)
                indexes.append(dereference(a.at(i)).toLong());
            store(writableArray(container).at(indexes), std::move(value));
            return;
        }
        if (container.isObject()) {
            a.add(std::move(value));
            invokeDefault(container, putKind, a);
            return;
        }
        throw AutomationError(error::kTypeMismatch);
    };
    if (const auto* m = exprAs<MemberExpr>(c->callee.get())) {
        const Variant object = m->object->eval(*this, frame);
        a.add(std::move(value));
        invokeMember(object, *m, putKind, a);
        return;
    }
    if (const auto* n = exprAs<NameExpr>(c->callee.get())) {
        const Target t = resolve(*n, frame, false);
        switch (t.kind) {
        case Target::Var: storeElement(*t.var); return;
        case Target::MeMember:
            a.add(std::move(value));
            callMember(frame.me, frame.meRef, t.index, putKind, a);
            return;
        case Target::HostMember: {
            a.add(std::move(value));
            DispatchRef object = t.object;
            object->invoke(t.id, putKind, a.values);
            return;
        }
        case Target::Constant:
            if (t.constant->isObject()) {
                Variant object = *t.constant;
                storeElement(object);
                return;
            }
            [[fallthrough]];
        default:
            if (t.kind == Target::None && n->optionExplicit)
                throw named(runtime::kUndefinedVariable, n->name);
            throw named(t.kind == Target::None ? error::kTypeMismatch : runtime::kIllegalAssignment, n->name);
        }
    }
    // a(1)(2) = v: the inner element is found after every index is known.
    if (const auto* inner = exprAs<CallExpr>(c->callee.get())) {
        if (const auto* n = exprAs<NameExpr>(inner->callee.get())) {
            Args innerArgs;
            evalArgs(inner->args, frame, innerArgs, false);
            if (Variant* p = refOf(*n, frame, false); p && p->isArray()) {
                QList<qint32> indexes;
                for (qsizetype i = 0; i < innerArgs.size(); ++i)
                    indexes.append(dereference(innerArgs.at(i)).toLong());
                storeElement(writableArray(*p).at(indexes));
                return;
            }
        }
    }
    Variant container = c->callee->eval(*this, frame);
    if (container.isArray())
        throw AutomationError(runtime::kIllegalAssignment, describeError(runtime::kIllegalAssignment));
    storeElement(container);
}

}  // namespace vbscript
