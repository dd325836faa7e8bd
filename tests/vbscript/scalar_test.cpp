// The operators on Scalars are a second form of the operator rules, for the
// common types. Over values at the edges of each type they must give what
// the general rules give, type included, or decline (and leave the case,
// errors among them, to those rules).
#include "components/vbscript/operators.h"

#include "automation/errors.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using automation::Variant;
using vbscript::BinaryOp;
using vbscript::Scalar;

namespace {

std::vector<Variant> edgeValues()
{
    std::vector<Variant> values;
    for (qint16 v : {0, 1, -1, 2, 7, 100, 255, 32767, -32768, -32767})
        values.push_back(Variant::fromInteger(v));
    for (qint32 v : {0, 1, -1, 3, 32767, 32768, -32768, -32769, 65536, 2147483647, -2147483647 - 1, 46341})
        values.push_back(Variant(v));
    for (double v : {0.0, 0.5, -0.5, 1.5, 2.5, -2.5, 3.0, 1e308, -1e308, 1e-300, 2147483647.5, 32767.5})
        values.push_back(Variant(v));
    values.push_back(Variant(true));
    values.push_back(Variant(false));
    return values;
}

std::string describe(const Variant& v)
{
    return std::to_string(int(v.type())) + ":" + v.toDisplayString().toStdString();
}

// The general rules' result, or nothing when they raise an error.
std::optional<Variant> general(BinaryOp op, const Variant& a, const Variant& b)
{
    try {
        switch (op) {
        case BinaryOp::Eq:
        case BinaryOp::Ne:
        case BinaryOp::Lt:
        case BinaryOp::Gt:
        case BinaryOp::Le:
        case BinaryOp::Ge: return vbscript::compare(op, a, b);
        case BinaryOp::And:
        case BinaryOp::Or:
        case BinaryOp::Xor:
        case BinaryOp::Eqv:
        case BinaryOp::Imp: return vbscript::logical(op, a, b);
        default: return vbscript::arithmetic(op, a, b);
        }
    } catch (const automation::AutomationError&) {
        return std::nullopt;
    }
}

}  // namespace

TEST(ScalarTest, ConvertsToAndFromVariantsOfTheSameTypeAndValue)
{
    for (const Variant& v : edgeValues()) {
        Scalar s;
        ASSERT_TRUE(Scalar::from(v, s)) << describe(v);
        EXPECT_EQ(s.toVariant(), v) << describe(v);
        EXPECT_EQ(s.truth(), v.toBool()) << describe(v);
    }
    Scalar s;
    for (const Variant& other : {Variant(), Variant::null(), Variant("1"), Variant::fromByte(1), Variant::fromSingle(1),
                                 Variant::fromCurrency(1), Variant::fromDate(1)})
        EXPECT_FALSE(Scalar::from(other, s)) << describe(other);
}

TEST(ScalarTest, BinaryOperatorsAgreeWithTheGeneralRules)
{
    const BinaryOp ops[] = {BinaryOp::Pow, BinaryOp::Mul, BinaryOp::Div, BinaryOp::IntDiv, BinaryOp::Mod,
                            BinaryOp::Add, BinaryOp::Sub, BinaryOp::Eq,  BinaryOp::Ne,     BinaryOp::Lt,
                            BinaryOp::Gt,  BinaryOp::Le,  BinaryOp::Ge,  BinaryOp::And,    BinaryOp::Or,
                            BinaryOp::Xor, BinaryOp::Eqv, BinaryOp::Imp};
    const std::vector<Variant> values = edgeValues();
    int taken = 0;
    for (BinaryOp op : ops) {
        for (const Variant& a : values) {
            for (const Variant& b : values) {
                Scalar x, y, out;
                ASSERT_TRUE(Scalar::from(a, x) && Scalar::from(b, y));
                const std::optional<Variant> expected = general(op, a, b);
                if (!vbscript::scalarBinary(op, x, y, out))
                    continue;  // the general rules decide
                ++taken;
                ASSERT_TRUE(expected) << "op " << int(op) << " on " << describe(a) << ", " << describe(b)
                                      << " gave " << describe(out.toVariant()) << " where the rules raise an error";
                EXPECT_EQ(out.toVariant(), *expected) << "op " << int(op) << " on " << describe(a) << ", " << describe(b)
                                                      << ": " << describe(out.toVariant()) << " vs " << describe(*expected);
            }
        }
    }
    // Declining everything would pass the loop above: the common cases must be taken.
    EXPECT_GT(taken, int(std::size(ops) * values.size() * values.size() * 3 / 4));
    // Errors are left to the general rules.
    Scalar out;
    EXPECT_FALSE(vbscript::scalarBinary(BinaryOp::Mod, Scalar::ofLong(1), Scalar::ofLong(0), out));
    EXPECT_FALSE(vbscript::scalarBinary(BinaryOp::Div, Scalar::ofDouble(0), Scalar::ofInteger(0), out));
    EXPECT_FALSE(vbscript::scalarBinary(BinaryOp::Mul, Scalar::ofDouble(1e308), Scalar::ofInteger(10), out));
    EXPECT_FALSE(vbscript::scalarBinary(BinaryOp::Pow, Scalar::ofDouble(-8), Scalar::ofDouble(1.0 / 3), out));
}

TEST(ScalarTest, UnaryOperatorsAgreeWithTheGeneralRules)
{
    for (const Variant& v : edgeValues()) {
        Scalar x, out;
        ASSERT_TRUE(Scalar::from(v, x));
        if (vbscript::scalarNegate(x, out)) {
            EXPECT_EQ(out.toVariant(), vbscript::negate(v)) << describe(v);
        }
        std::optional<Variant> expected;
        try {
            expected = vbscript::logicalNot(v);
        } catch (const automation::AutomationError&) {
        }
        if (vbscript::scalarNot(x, out)) {
            ASSERT_TRUE(expected) << describe(v);
            EXPECT_EQ(out.toVariant(), *expected) << describe(v);
        }
    }
}
