#include "korvane/settings/ip_address_field.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using korvane::IpAddressField;

namespace {

// A window with the field and an edit after it, shown and active so that
// focus moves as it does for a user.
class FieldWindow {
public:
    FieldWindow()
    {
        auto* layout = new QVBoxLayout(&window);
        field = new IpAddressField(&window);
        after = new QLineEdit(&window);
        layout->addWidget(field);
        layout->addWidget(after);
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        field->setFocus();
    }

    // Types into whatever has the focus, one key at a time.
    void type(const QString& text)
    {
        for (QChar c : text)
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
    }
    void key(Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); }

    int focusedOctet() const
    {
        for (int i = 0; i < 4; ++i) {
            if (field->octet(i)->hasFocus())
                return i;
        }
        return -1;
    }

    QWidget window;
    IpAddressField* field;
    QLineEdit* after;
};

}  // namespace

TEST(IpAddressField, TypingAnAddressMovesOnAtDotsAndAtThreeDigits)
{
    FieldWindow w;
    QSignalSpy edits(w.field, &IpAddressField::addressEdited);
    w.type(QStringLiteral("192.168.1.20"));
    EXPECT_EQ(w.field->address(), QStringLiteral("192.168.1.20"));
    EXPECT_GT(edits.count(), 0);

    w.field->setAddress(QString());
    w.field->setFocus();
    // Three digits move on by themselves; a dot right after is not a second move.
    w.type(QStringLiteral("10"));
    EXPECT_EQ(w.focusedOctet(), 0);
    w.type(QStringLiteral("."));
    EXPECT_EQ(w.focusedOctet(), 1);
    w.type(QStringLiteral("255"));
    EXPECT_EQ(w.focusedOctet(), 2);
    w.type(QStringLiteral("0.7"));
    EXPECT_EQ(w.field->address(), QStringLiteral("10.255.0.7"));
}

TEST(IpAddressField, NumbersStayWithinAByteAndAreGivenBackPlain)
{
    FieldWindow w;
    w.field->setAddress(QString());
    w.field->setFocus();
    w.type(QStringLiteral("300"));
    EXPECT_EQ(w.field->octet(0)->text(), QStringLiteral("255"));
    // Extra separators and other signs are no text (a letter starts a host
    // name: see below).
    w.field->octet(1)->setFocus();
    w.type(QStringLiteral("..-+"));
    EXPECT_EQ(w.field->octet(1)->text(), QString());
    w.type(QStringLiteral("007"));
    // Blank numbers read as 0, leading zeros drop.
    EXPECT_EQ(w.field->address(), QStringLiteral("255.7.0.0"));
}

TEST(IpAddressField, BackspaceAndArrowsCrossBetweenNumbers)
{
    FieldWindow w;
    w.type(QStringLiteral("1.2.3.4"));
    EXPECT_EQ(w.focusedOctet(), 3);
    w.key(Qt::Key_Backspace);  // deletes the 4
    w.key(Qt::Key_Backspace);  // at the start: back to the third number
    EXPECT_EQ(w.focusedOctet(), 2);
    w.key(Qt::Key_Backspace);
    EXPECT_EQ(w.field->address(), QStringLiteral("1.2.0.0"));
    w.key(Qt::Key_Left);
    EXPECT_EQ(w.focusedOctet(), 1);
    w.key(Qt::Key_Right);  // the cursor is at the end of "2"
    EXPECT_EQ(w.focusedOctet(), 2);
    // Tab leaves the whole field.
    w.key(Qt::Key_Tab);
    EXPECT_TRUE(w.after->hasFocus());
}

TEST(IpAddressField, APastedAddressFillsAllFourNumbers)
{
    FieldWindow w;
    QApplication::clipboard()->setText(QStringLiteral(" 172.16.254.3 "));
    QTest::keySequence(QApplication::focusWidget(), QKeySequence::Paste);
    EXPECT_EQ(w.field->address(), QStringLiteral("172.16.254.3"));
    EXPECT_EQ(w.focusedOctet(), 3);
}

TEST(IpAddressField, AnAddressTheNumbersCannotShowIsGivenBackUntilEdited)
{
    FieldWindow w;
    w.field->setAddress(QStringLiteral("127.0.0.1:2323"));
    EXPECT_EQ(w.field->octet(0)->text(), QStringLiteral("127"));
    EXPECT_EQ(w.field->note(), QStringLiteral(":2323"));
    EXPECT_EQ(w.field->address(), QStringLiteral("127.0.0.1:2323"));
    // Editing keeps the port.
    w.field->octet(3)->setFocus();
    w.field->octet(3)->selectAll();
    w.type(QStringLiteral("9"));
    EXPECT_EQ(w.field->address(), QStringLiteral("127.0.0.9:2323"));

    // A host name is shown in the field itself, as one text.
    w.field->setAddress(QStringLiteral("router.lan"));
    EXPECT_TRUE(w.field->isTextMode());
    EXPECT_EQ(w.field->hostEdit()->text(), QStringLiteral("router.lan"));
    EXPECT_EQ(w.field->note(), QString());
    EXPECT_EQ(w.field->address(), QStringLiteral("router.lan"));
    EXPECT_FALSE(w.field->isEdited());

    // Numbers as a user would not write them are still given back as they were.
    w.field->setAddress(QStringLiteral("010.000.000.001"));
    EXPECT_EQ(w.field->address(), QStringLiteral("010.000.000.001"));
    EXPECT_EQ(w.field->octet(0)->text(), QStringLiteral("10"));
    w.field->setAddress(QStringLiteral("1.2.3.999"));
    EXPECT_EQ(w.field->octet(0)->text(), QString());
    EXPECT_EQ(w.field->address(), QStringLiteral("1.2.3.999"));
    EXPECT_TRUE(w.field->isTextMode());
}

TEST(IpAddressField, TakesAHostNameAndAPortAsTheCommandLineDoes)
{
    FieldWindow w;
    w.field->setAddress(QStringLiteral("192.168.1.1"));
    w.field->octet(0)->selectAll();
    // A letter turns the numbers into one text box, which goes on taking keys.
    w.type(QStringLiteral("router.lan:2323"));
    EXPECT_TRUE(w.field->isTextMode());
    EXPECT_TRUE(w.field->isEdited());
    EXPECT_EQ(w.field->address(), QStringLiteral("router.lan:2323"));
    EXPECT_TRUE(w.field->hostEdit()->hasFocus());

    // A port typed after the numbers keeps them.
    w.field->setAddress(QString());
    EXPECT_FALSE(w.field->isTextMode());
    w.field->setFocus();
    w.type(QStringLiteral("10.0.0.138:23"));
    EXPECT_EQ(w.field->address(), QStringLiteral("10.0.0.138:23"));

    // An address alone is stored as before: the four numbers.
    w.field->setAddress(QString());
    w.field->setFocus();
    w.type(QStringLiteral("10.0.0.138"));
    EXPECT_FALSE(w.field->isTextMode());
    EXPECT_EQ(w.field->address(), QStringLiteral("10.0.0.138"));

    // Pasted, a name goes to the text box; what no address holds is refused.
    w.field->setAddress(QString());
    w.field->setFocus();
    QApplication::clipboard()->setText(QStringLiteral("gw.example:2323"));
    QTest::keySequence(QApplication::focusWidget(), QKeySequence::Paste);
    EXPECT_EQ(w.field->address(), QStringLiteral("gw.example:2323"));
    w.type(QStringLiteral(" /?"));
    EXPECT_EQ(w.field->address(), QStringLiteral("gw.example:2323"));
}
