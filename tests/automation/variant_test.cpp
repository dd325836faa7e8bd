#include "automation/errors.h"
#include "automation/variant.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace automation;

namespace {

int errorNumberOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AutomationError& e) {
        return e.number();
    }
    return 0;
}

}  // namespace

TEST(VariantTest, TypesReportTheirVarTypeCodes)
{
    EXPECT_EQ(Variant().type(), VarType::Empty);
    EXPECT_EQ(Variant::null().type(), VarType::Null);
    EXPECT_EQ(Variant(true).type(), VarType::Boolean);
    EXPECT_EQ(Variant(qint32(5)).type(), VarType::Long);
    EXPECT_EQ(Variant(2.5).type(), VarType::Double);
    EXPECT_EQ(Variant("x").type(), VarType::String);
    EXPECT_EQ(Variant::nothing().type(), VarType::Dispatch);
    EXPECT_TRUE(Variant::nothing().isNothing());
    EXPECT_EQ(Variant::fromDate(1.0).type(), VarType::Date);
    EXPECT_EQ(int(Variant(Array::fromList({})).type()), 8204);
}

TEST(VariantTest, ToStringFollowsVBScript)
{
    EXPECT_EQ(Variant().toString(), QString());
    EXPECT_EQ(Variant(true).toString(), QStringLiteral("True"));
    EXPECT_EQ(Variant(false).toString(), QStringLiteral("False"));
    EXPECT_EQ(Variant(qint32(-42)).toString(), QStringLiteral("-42"));
    EXPECT_EQ(Variant(0.1).toString(), QStringLiteral("0.1"));
    EXPECT_EQ(Variant(1.0 / 3).toString(), QStringLiteral("0.333333333333333"));
    EXPECT_EQ(Variant(1e15).toString(), QStringLiteral("1E+15"));
    EXPECT_EQ(Variant(1e14).toString(), QStringLiteral("100000000000000"));
    EXPECT_EQ(Variant(0.00001).toString(), QStringLiteral("1E-05"));
    EXPECT_EQ(Variant(2.0).toString(), QStringLiteral("2"));
    EXPECT_EQ(errorNumberOf([] { Variant::null().toString(); }), error::kInvalidUseOfNull);
}

TEST(VariantTest, NumericTextConvertsAndBadTextIsATypeMismatch)
{
    EXPECT_DOUBLE_EQ(Variant(" 12 ").toDouble(), 12.0);
    EXPECT_DOUBLE_EQ(Variant("-1.5e2").toDouble(), -150.0);
    EXPECT_DOUBLE_EQ(Variant("&HFF").toDouble(), 255.0);
    EXPECT_DOUBLE_EQ(Variant("&O17").toDouble(), 15.0);
    EXPECT_DOUBLE_EQ(Variant("&HFFFFFFFF").toDouble(), -1.0);
    EXPECT_EQ(errorNumberOf([] { Variant("12abc").toDouble(); }), error::kTypeMismatch);
    EXPECT_EQ(errorNumberOf([] { Variant("").toLong(); }), error::kTypeMismatch);
    EXPECT_EQ(errorNumberOf([] { Variant("1.2.3").toDouble(); }), error::kTypeMismatch);
    EXPECT_EQ(errorNumberOf([] { Variant("&H").toDouble(); }), error::kTypeMismatch);
    EXPECT_EQ(errorNumberOf([] { Variant::null().toLong(); }), error::kInvalidUseOfNull);
    EXPECT_EQ(Variant().toLong(), 0);
}

TEST(VariantTest, LongDigitTextsConvertToTheCorrectlyRoundedNumber)
{
    // Long texts are cut to their significant digits before the conversion;
    // the value must be the one the whole text stands for.
    auto number = [](const QString& text) {
        double v = 0;
        EXPECT_TRUE(parseNumericText(text, &v)) << text.left(40).toStdString();
        return v;
    };
    EXPECT_EQ(number(QString(20000, u'0')), 0.0);
    EXPECT_EQ(number(QString(5000, u'0') + QStringLiteral("1.5")), 1.5);
    EXPECT_EQ(number(QStringLiteral("-0.") + QString(3000, u'0') + QStringLiteral("25e3002")), -25.0);
    EXPECT_EQ(number(QStringLiteral("123456789012345678901234567890") + QString(900, u'0') + QStringLiteral("7e-920")),
              12345678901.234568);
    // Just above the halfway point between two doubles, by a digit 1000 places
    // on: it must round up, not to even.
    EXPECT_EQ(number(QStringLiteral("9007199254740993.") + QString(1000, u'0') + QStringLiteral("1")),
              9007199254740994.0);
    EXPECT_EQ(number(QStringLiteral("9007199254740993.") + QString(1000, u'0')), 9007199254740992.0);
    EXPECT_TRUE(std::isinf(number(QStringLiteral("1") + QString(5000, u'0'))));
    EXPECT_TRUE(std::isinf(number(QStringLiteral("1.") + QString(900, u'5') + QStringLiteral("e99999999999999"))));
    double v = 0;
    EXPECT_FALSE(parseNumericText(QString(3000, u'1') + QStringLiteral("x"), &v));
    EXPECT_FALSE(parseNumericText(QString(3000, u'1') + QStringLiteral("e"), &v));
}

TEST(VariantTest, IntegerConversionsRoundHalfToEvenAndCheckRange)
{
    EXPECT_EQ(Variant(2.5).toLong(), 2);
    EXPECT_EQ(Variant(3.5).toLong(), 4);
    EXPECT_EQ(Variant(-2.5).toLong(), -2);
    EXPECT_EQ(Variant(2.4999).toInteger(), 2);
    EXPECT_EQ(Variant(true).toLong(), -1);
    EXPECT_EQ(errorNumberOf([] { Variant(32767.6).toInteger(); }), error::kOverflow);
    EXPECT_EQ(errorNumberOf([] { Variant(3e10).toLong(); }), error::kOverflow);
    EXPECT_EQ(errorNumberOf([] { Variant(-1.0).toByte(); }), error::kOverflow);
    EXPECT_EQ(errorNumberOf([] { Variant(std::nan("")).toLong(); }), error::kOverflow);
}

TEST(VariantTest, BooleanConversions)
{
    EXPECT_TRUE(Variant("true").toBool());
    EXPECT_FALSE(Variant(" False ").toBool());
    EXPECT_TRUE(Variant("5").toBool());
    EXPECT_FALSE(Variant(0.0).toBool());
    EXPECT_FALSE(Variant().toBool());
    EXPECT_EQ(errorNumberOf([] { Variant("yes").toBool(); }), error::kTypeMismatch);
}

TEST(VariantTest, DatesRoundTripThroughOleDates)
{
    const QDateTime noon(QDate(2026, 12, 8), QTime(12, 0));
    const double ole = toOleDate(noon);
    EXPECT_DOUBLE_EQ(ole - std::floor(ole), 0.5);
    EXPECT_EQ(fromOleDate(ole), noon);
    EXPECT_EQ(formatDate(ole), QStringLiteral("12/8/2026 12:00:00 PM"));
    EXPECT_EQ(formatDate(std::floor(ole)), QStringLiteral("12/8/2026"));
    EXPECT_EQ(formatDate(0.25), QStringLiteral("6:00:00 AM"));
    EXPECT_DOUBLE_EQ(Variant("12/8/2026").toDate(), std::floor(ole));
    EXPECT_EQ(errorNumberOf([] { Variant("not a date").toDate(); }), error::kTypeMismatch);
}

TEST(VariantTest, ArraysAreCopiedOnWriteAndBoundsChecked)
{
    Array a({2});  // 0 to 2
    a.at({1}) = Variant(qint32(7));
    Variant first(a);
    Variant second = first;
    second.arrayRef().at({1}) = Variant(qint32(9));
    EXPECT_EQ(first.arrayRef().at({1}).toLong(), 7);
    EXPECT_EQ(second.arrayRef().at({1}).toLong(), 9);
    EXPECT_EQ(errorNumberOf([&] { a.at({3}); }), error::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { a.at({0, 0}); }), error::kSubscriptOutOfRange);

    Array grid({1, 2});
    grid.at({1, 2}) = Variant("corner");
    EXPECT_EQ(grid.size(), 6);
    EXPECT_EQ(grid.upperBound(2), 2);
    EXPECT_EQ(grid.elements().last().toString(), QStringLiteral("corner"));

    grid.redim({1, 4}, true);
    EXPECT_EQ(grid.at({1, 2}).toString(), QStringLiteral("corner"));
    EXPECT_EQ(errorNumberOf([&] { grid.redim({2, 4}, true); }), error::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([] { Array({-5}); }), error::kSubscriptOutOfRange);
}

TEST(VariantTest, QVariantRoundTrip)
{
    EXPECT_EQ(Variant::fromQVariant(QVariant(42)).type(), VarType::Long);
    EXPECT_EQ(Variant::fromQVariant(QVariant(QStringLiteral("a"))).toString(), QStringLiteral("a"));
    EXPECT_EQ(Variant::fromQVariant(QVariant()).type(), VarType::Empty);
    const Variant array = Variant::fromQVariant(QVariantList{1, QStringLiteral("b")});
    ASSERT_TRUE(array.isArray());
    EXPECT_EQ(array.arrayRef().elements()[1].toString(), QStringLiteral("b"));
    EXPECT_EQ(Variant::fromQVariant(Variant(2.5).toQVariant()).toDouble(), 2.5);
}
