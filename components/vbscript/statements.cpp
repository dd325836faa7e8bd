// Execution of the statements.
#include "components/vbscript/interpreter.h"
#include "components/vbscript/operators.h"

namespace vbscript {

using automation::AutomationError;
namespace error = automation::error;

// A condition: Null is false.
static inline bool conditionHolds(const Expr& e, Runtime& rt, Frame& frame)
{
    Scalar s;
    std::optional<Variant> v;
    if (evalOperand(e, rt, frame, s, v))
        return s.truth();
    return isTrue(*v);
}

Flow CallStmt::exec(Runtime& rt, Frame& frame) const
{
    call->eval(rt, frame);
    return Flow::Normal;
}

// x = x & y & ... on a text only x holds appends to it in place: a loop that
// builds a text this way takes linear time, as the same loop does on Windows.
static bool appendInPlace(Runtime& rt, Frame& frame, const NameExpr& name, const std::vector<const Expr*>& appended)
{
    Variant* slot = name.binding == Binding::Local ? frame.vars[size_t(name.index)] : rt.refOf(name, frame, false);
    if (!slot || !slot->isString())
        return false;
    // A shallow copy keeps the value read first, should the right side
    // change the variable (a function that writes it); it goes before the
    // append, so that the text is not shared then and grows where it is.
    QString before = slot->stringRef();
    QVarLengthArray<Variant, 4> pieces;
    for (const Expr* e : appended)
        pieces.append(e->eval(rt, frame));
    if (!slot->isString() || slot->stringRef().constData() != before.constData()
        || slot->stringRef().size() != before.size()) {
        Variant whole(std::move(before));
        for (const Variant& piece : pieces)
            whole = concatenate(whole, piece);
        store(*slot, std::move(whole));
        return true;
    }
    before = QString();
    for (const Variant& piece : pieces) {
        if (piece.isString()) {
            checkConcatLength(slot->stringRef().size(), piece.stringRef().size());
            rt.chargeText(piece.stringRef().size());
            slot->stringRef().append(piece.stringRef());
        } else {
            const Variant text = concatenate(Variant(QString()), piece);
            if (text.isString()) {
                checkConcatLength(slot->stringRef().size(), text.stringRef().size());
                rt.chargeText(text.stringRef().size());
                slot->stringRef().append(text.stringRef());
            }
        }
    }
    return true;
}

Flow AssignStmt::exec(Runtime& rt, Frame& frame) const
{
    if (Q_LIKELY(toLocal)) {
        Scalar s;
        std::optional<Variant> v;
        if (Q_LIKELY(toLocal->evaluator(*toLocal, rt, frame, s, v))) {
            storeScalar(*frame.vars[size_t(localSlot)], s);
            return Flow::Normal;
        }
        if (v->isObject())
            v = rt.letValue(*v);
        store(*frame.vars[size_t(localSlot)], std::move(*v));
        return Flow::Normal;
    }
    return execGeneral(rt, frame);
}

Flow AssignStmt::execGeneral(Runtime& rt, Frame& frame) const
{
    if (!appendChecked) {
        appendChecked = true;
        const auto* n = exprAs<NameExpr>(target.get());
        const auto* b = exprAs<BinaryExpr>(value.get());
        // x & a & b is (x & a) & b: the variable is at the foot of the chain.
        std::vector<const Expr*> pieces;
        const Expr* foot = value.get();
        for (const BinaryExpr* c = b; c && c->op == BinaryOp::Concat; c = exprAs<BinaryExpr>(foot)) {
            pieces.push_back(c->right.get());
            foot = c->left.get();
        }
        const auto* left = pieces.empty() ? nullptr : exprAs<NameExpr>(foot);
        if (!isSet && n && left && n->lower == left->lower && n->binding == left->binding && n->index == left->index
            && (n->binding == Binding::Local || n->binding == Binding::Global || n->binding == Binding::Field
                || n->binding == Binding::Dynamic)
            && !n->selfName && !left->selfName) {
            auto* self = const_cast<AssignStmt*>(this);
            self->appendTo = n;
            self->appended.assign(pieces.rbegin(), pieces.rend());
        }
        if (!isSet && !appendTo && n && n->binding == Binding::Local && b) {
            b->prepare();
            localSlot = n->index;
            toLocal = b;
        }
    }
    if (appendTo && appendInPlace(rt, frame, *appendTo, appended))
        return Flow::Normal;
    if (const auto* n = exprAs<NameExpr>(target.get()); n && n->binding == Binding::Local && !isSet) {
        Scalar s;
        std::optional<Variant> v;
        if (evalOperand(*value, rt, frame, s, v)) {
            storeScalar(*frame.vars[size_t(n->index)], s);
            return Flow::Normal;
        }
        if (v->isObject())
            v = rt.letValue(*v);
        store(*frame.vars[size_t(n->index)], std::move(*v));
        return Flow::Normal;
    }
    // a(i) = value on an array variable.
    if (const auto* c = exprAs<CallExpr>(target.get()); c && !isSet && c->args.size() == 1 && c->args[0]) {
        if (const auto* n = exprAs<NameExpr>(c->callee.get());
            n && (n->binding == Binding::Local || n->binding == Binding::Global)) {
            Scalar s;
            std::optional<Variant> v;
            if (evalOperand(*value, rt, frame, s, v)) {
                if (!rt.storeElement(*n, *c->args[0], frame, &s, nullptr))
                    rt.assign(*target, s.toVariant(), false, frame);
                return Flow::Normal;
            }
            if (v->isObject())
                v = rt.letValue(*v);
            if (!rt.storeElement(*n, *c->args[0], frame, nullptr, &*v))
                rt.assign(*target, std::move(*v), false, frame);
            return Flow::Normal;
        }
    }
    Variant v = value->eval(rt, frame);
    if (isSet) {
        if (!v.isObject())
            throw AutomationError(error::kObjectRequired);
    } else if (v.isObject()) {
        v = rt.letValue(v);
    }
    rt.assign(*target, std::move(v), isSet, frame);
    return Flow::Normal;
}

Flow DimStmt::exec(Runtime& rt, Frame& frame) const
{
    for (const DimItem& item : items) {
        if (!item.isArray) {
            // Dim of a name made while running (Execute) declares it here.
            if (item.name->binding == Binding::Dynamic && frame.proc && !frame.findDynamic(item.name->lower))
                frame.makeDynamic(item.name->lower);
            else if (item.name->binding == Binding::Dynamic)
                rt.refOf(*item.name, frame, true);
            continue;
        }
        QList<qint32> upper;
        for (const ExprPtr& b : item.bounds)
            upper.append(dereference(b->eval(rt, frame)).toLong());
        Variant* slot = nullptr;
        if (item.name->binding == Binding::Dynamic && frame.proc)
            slot = frame.findDynamic(item.name->lower) ? frame.findDynamic(item.name->lower)
                                                       : frame.makeDynamic(item.name->lower);
        else
            slot = rt.refOf(*item.name, frame, true);
        if (!slot)
            throw AutomationError(runtime::kIllegalAssignment, describeError(runtime::kIllegalAssignment));
        if (redim && rt.isFixedArray(*item.name, frame))
            throw AutomationError(runtime::kFixedArray, describeError(runtime::kFixedArray));
        if (upper.isEmpty()) {
            store(*slot, Variant(automation::Array()));
            continue;
        }
        if (redim && preserve && slot->isArray()) {
            // Growing an array step by step is the common idiom: the old
            // elements go when the new array takes their place, so only the
            // growth counts, unless another value keeps them alive.
            const automation::Array& old = slot->arrayRef();
            rt.chargeElements(elementCount(upper) - (old.isShared() ? 0 : old.size()));
            automation::Array copy = slot->arrayRef();
            copy.redim(upper, true);
            store(*slot, Variant(copy));
            continue;
        }
        rt.chargeElements(elementCount(upper));
        store(*slot, Variant(automation::Array(upper)));
    }
    return Flow::Normal;
}

Flow EraseStmt::exec(Runtime& rt, Frame& frame) const
{
    Variant* slot = rt.refOf(*name, frame, false);
    if (!slot || !slot->isArray())
        throw AutomationError(error::kTypeMismatch);
    if (rt.isFixedArray(*name, frame)
        || std::find(frame.fixedArrays.begin(), frame.fixedArrays.end(), slot) != frame.fixedArrays.end()) {
        // A fixed array keeps its size; its elements go back to Empty.
        automation::Array cleared = slot->arrayRef();
        rt.chargeElements(cleared.size());
        for (Variant& v : cleared.elements())
            v = Variant();
        store(*slot, Variant(cleared));
        return Flow::Normal;
    }
    store(*slot, Variant(automation::Array()));
    return Flow::Normal;
}

Flow ConstStmt::exec(Runtime& rt, Frame& frame) const
{
    for (const auto& [name, value] : items) {
        if (name->binding == Binding::Global)
            continue;  // set when the unit was linked
        if (Variant* slot = rt.refOf(*name, frame, true))
            store(*slot, value);
    }
    return Flow::Normal;
}

Flow IfStmt::exec(Runtime& rt, Frame& frame) const
{
    if (Q_LIKELY(single_)) {
        bool taken = false;
        try {
            Scalar s;
            std::optional<Variant> v;
            taken = single_->evaluator(*single_, rt, frame, s, v) ? s.truth() : isTrue(*v);
        } catch (const AutomationError& e) {
            // With Resume Next a failing condition goes on into the branch.
            if (!rt.swallow(frame, e))
                throw;
            taken = true;
        }
        const Block& block = taken ? branches.front().second : otherwise;
        return block.empty() ? Flow::Normal : rt.execBlock(block, frame);
    }
    return execGeneral(rt, frame);
}

Flow IfStmt::execGeneral(Runtime& rt, Frame& frame) const
{
    if (!checked_) {
        checked_ = true;
        if (branches.size() == 1) {
            if (const auto* b = exprAs<BinaryExpr>(branches.front().first.get())) {
                b->prepare();
                single_ = b;
            }
        }
    }
    for (const auto& [condition, block] : branches) {
        bool taken = false;
        try {
            taken = conditionHolds(*condition, rt, frame);
        } catch (const AutomationError& e) {
            // With Resume Next a failing condition goes on into the branch.
            if (!rt.swallow(frame, e))
                throw;
            taken = true;
        }
        if (taken)
            return rt.execBlock(block, frame);
    }
    return otherwise.empty() ? Flow::Normal : rt.execBlock(otherwise, frame);
}

Flow SelectStmt::exec(Runtime& rt, Frame& frame) const
{
    // The tested value is held while the cases are compared: whatever it
    // was written as, it compares as a variable would.
    const Variant value = dereference(test->eval(rt, frame));
    const Comparand testKind = Comparand::Variable;
    for (const auto& [clauses, block] : cases) {
        for (const CaseClause& c : clauses) {
            bool match = false;
            const Variant a = c.a->eval(rt, frame);
            switch (c.kind) {
            case CaseClause::Value:
                match = compare(BinaryOp::Eq, value, a, testKind, c.a->comparand(rt)) == Variant(true);
                break;
            case CaseClause::Compare:
                match = compare(c.op, value, a, testKind, c.a->comparand(rt)) == Variant(true);
                break;
            case CaseClause::Range: {
                const Variant b = c.b->eval(rt, frame);
                match = compare(BinaryOp::Ge, value, a, testKind, c.a->comparand(rt)) == Variant(true)
                     && compare(BinaryOp::Le, value, b, testKind, c.b->comparand(rt)) == Variant(true);
                break;
            }
            }
            if (match)
                return rt.execBlock(block, frame);
        }
    }
    if (hasElse)
        return rt.execBlock(otherwise, frame);
    return Flow::Normal;
}

namespace {

Variant numericOperand(const Variant& v)
{
    Variant d = dereference(v);
    if (d.isNull())
        throw AutomationError(error::kInvalidUseOfNull);
    if (d.isString())
        return Variant(d.toDouble());
    if (d.isEmpty())
        return Variant::fromInteger(0);
    if (!d.isNumeric())
        throw AutomationError(error::kTypeMismatch);
    return d;
}

}  // namespace

// A loop header that raised under Resume Next: the statement after it, the
// first of the body, runs once; then the loop's end raises its own error
// (if any), which goes the same way.
static Flow runBodyOnce(Runtime& rt, Frame& frame, const Block& body, int endError)
{
    const Flow flow = rt.execBlock(body, frame);
    if (flow == Flow::ExitFor)
        return Flow::Normal;
    if (flow != Flow::Normal)
        return flow;
    if (endError)
        throw AutomationError(endError, describeError(endError));
    return Flow::Normal;
}

Flow ForStmt::exec(Runtime& rt, Frame& frame) const
{
    Variant start, end, increment;
    try {
        start = numericOperand(from->eval(rt, frame));
        end = numericOperand(to->eval(rt, frame));
        increment = step ? numericOperand(step->eval(rt, frame)) : Variant::fromInteger(1);
    } catch (const AutomationError& e) {
        if (!rt.swallow(frame, e))
            throw;
        return runBodyOnce(rt, frame, body, runtime::kForNotInitialized);
    }
    const double last = end.rawNumber();
    const double by = increment.rawNumber();
    // The counter starts with the widest type of the three.
    const Variant zero = Variant::fromInteger(0);
    const Variant current = arithmetic(BinaryOp::Add,
                                       arithmetic(BinaryOp::Add, start, arithmetic(BinaryOp::Mul, end, zero)),
                                       arithmetic(BinaryOp::Mul, increment, zero));
    const auto& name = static_cast<const NameExpr&>(*counter);
    rt.assign(name, current, false, frame);
    // A step of a common type steps a counter of one by the Scalar rules.
    Scalar stepBy;
    const bool scalarStep = Scalar::from(increment, stepBy);
    const bool up = by >= 0;
    // A local's slot stays where it is for the frame's life.
    Variant* const localSlot = name.binding == Binding::Local ? frame.vars[size_t(name.index)] : nullptr;
    while (true) {
        rt.checkInterrupt();
        Variant* slot = localSlot ? localSlot : rt.refOf(name, frame, true);
        double now = 0;
        if (Scalar s; Q_LIKELY(slot && Scalar::from(*slot, s))) {
            now = s.toDouble();
        } else {
            Variant scratch;
            now = slot ? dereferenced(*slot, scratch).toDouble() : dereference(name.eval(rt, frame)).toDouble();
        }
        if (up ? now > last : now < last)
            break;
        const Flow flow = rt.runBlock(body, frame);
        if (Q_UNLIKELY(flow != Flow::Normal)) {
            if (flow == Flow::ExitFor)
                break;
            return flow;
        }
        slot = localSlot ? localSlot : rt.refOf(name, frame, true);
        if (Scalar s, next; Q_LIKELY(slot && scalarStep && Scalar::from(*slot, s)
                                     && scalar_ops::scalarBinaryImpl(BinaryOp::Add, s, stepBy, next))) {
            storeScalar(*slot, next);
            continue;
        }
        const Variant value = slot ? *slot : name.eval(rt, frame);
        rt.assign(name, arithmetic(BinaryOp::Add, value, increment), false, frame);
    }
    return Flow::Normal;
}

Flow ForEachStmt::exec(Runtime& rt, Frame& frame) const
{
    QList<Variant> items;
    try {
        const Variant g = group->eval(rt, frame);
        if (g.isArray()) {
            items = g.arrayRef().elements();
        } else if (g.isObject() && g.objectRef()) {
            std::optional<QList<Variant>> listed = g.objectRef()->enumerate();
            if (!listed)
                throw AutomationError(runtime::kNotCollection, describeError(runtime::kNotCollection));
            items = std::move(*listed);
        } else {
            throw AutomationError(runtime::kNotCollection, describeError(runtime::kNotCollection));
        }
    } catch (const AutomationError& e) {
        if (!rt.swallow(frame, e))
            throw;
        return runBodyOnce(rt, frame, body, 0);
    }
    for (const Variant& item : items) {
        rt.checkInterrupt();
        rt.assign(*element, item, item.isObject(), frame);
        const Flow flow = rt.execBlock(body, frame);
        if (flow == Flow::ExitFor)
            break;
        if (flow != Flow::Normal)
            return flow;
    }
    return Flow::Normal;
}

Flow DoStmt::exec(Runtime& rt, Frame& frame) const
{
    auto test = [&] {
        if (!condition)
            return true;
        bool c = false;
        try {
            c = conditionHolds(*condition, rt, frame);
        } catch (const AutomationError& e) {
            if (!rt.swallow(frame, e))
                throw;
            // Resume Next goes on with the next statement: into the body
            // from the header, out of the loop from its Loop line.
            return conditionFirst;
        }
        return until ? !c : c;
    };
    while (true) {
        rt.checkInterrupt();
        if (conditionFirst && !test())
            break;
        const Flow flow = rt.execBlock(body, frame);
        if (flow == Flow::ExitDo && !isWend)
            break;
        if (flow != Flow::Normal)
            return flow;
        if (!conditionFirst && !test())
            break;
    }
    return Flow::Normal;
}

Flow WithStmt::exec(Runtime& rt, Frame& frame) const
{
    Variant target;
    try {
        target = object->eval(rt, frame);
        if (!target.isObject())
            throw AutomationError(error::kObjectRequired, describeError(error::kObjectRequired));
    } catch (const AutomationError& e) {
        // Resume Next runs the body; its member calls on the value then fail.
        if (!rt.swallow(frame, e))
            throw;
    }
    frame.with.push_back(std::move(target));
    struct Pop {
        ~Pop() { f.with.pop_back(); }
        Frame& f;
    } pop{frame};
    return rt.execBlock(body, frame);
}

Flow OnErrorStmt::exec(Runtime& rt, Frame& frame) const
{
    frame.resumeNext = resumeNext;
    rt.clearErr();
    return Flow::Normal;
}

}  // namespace vbscript
