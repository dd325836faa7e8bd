#include "korvane/views/lan_packet_view.h"

#include "korvane/help/help_topic.h"
#include "korvane/model/application.h"
#include "korvane/settings/dialog_units.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

using korvane::CLanPacketView;

namespace {
// The status screen shows 24 bytes to a row, 71 characters; the model keeps
// the two rows joined by one blank.
const QString kTcpRow1 = QStringLiteral("45 00 00 3C 1C 46 40 00 40 06 B1 E6 C0 A8 01 02 C1 63 90 50 04 D2 00 50");
const QString kTcpRow2 = QStringLiteral("00 00 03 E8 00 00 00 00 A0 02 FA F0 12 34 00 00 00 00 00 00 00 00 00 00");

QStringList column(const QTreeWidget* list, int c)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts.append(list->topLevelItem(i)->text(c));
    return texts;
}

QString valueOf(const QTreeWidget* list, const QString& label)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->text(0) == label)
            return list->topLevelItem(i)->text(1);
    }
    return QStringLiteral("<missing>");
}

void pressKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
}

class LanPacketViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view = std::make_unique<CLanPacketView>(&application);
        view->resize(800, 600);
        view->show();
    }

    void typePacket(const QString& text, bool ipx = false)
    {
        view->packetEdit()->setPlainText(text);
        (ipx ? view->ipxButton() : view->ipButton())->setChecked(true);
    }

    // Runs what activation posted.
    static void settle() { QCoreApplication::sendPostedEvents(); }

    CApplication application;
    std::unique_ptr<CLanPacketView> view;
};
}  // namespace

TEST_F(LanPacketViewTest, FormStartsEmptyWithIpChosenAndTwoColumns)
{
    EXPECT_TRUE(view->packetText().isEmpty());
    EXPECT_EQ(view->typeChoice(), CLanPacketView::Ip);
    EXPECT_TRUE(view->ipButton()->isChecked());
    EXPECT_FALSE(view->ipxButton()->isChecked());
    EXPECT_EQ(view->analyzeButton()->text(), QStringLiteral("Analyze"));
    EXPECT_TRUE(view->analyzeButton()->isDefault());

    const QTreeWidget* list = view->propertyList();
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("Property"));
    EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("Value"));
    EXPECT_EQ(list->columnWidth(0), 100);
    EXPECT_EQ(list->columnWidth(1), 100);
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
}

TEST_F(LanPacketViewTest, ControlsArePlacedInDialogUnitsOfTheFormFont)
{
    const korvane::DialogUnits units(view->form()->font());
    EXPECT_EQ(view->form()->size(), units.size(320, 239));
    EXPECT_EQ(view->packetEdit()->geometry(), units.rect(7, 7, 252, 44));
    EXPECT_EQ(view->analyzeButton()->geometry(), units.rect(263, 7, 50, 14));
    EXPECT_EQ(view->ipButton()->geometry(), units.rect(274, 26, 23, 10));
    EXPECT_EQ(view->ipxButton()->geometry(), units.rect(274, 39, 27, 10));
    EXPECT_EQ(view->propertyList()->geometry(), units.rect(7, 55, 306, 177));

    // A larger font keeps the proportions.
    QFont larger = view->form()->font();
    larger.setPointSize(larger.pointSize() * 2);
    view->form()->setFont(larger);
    const korvane::DialogUnits bigger(larger);
    EXPECT_EQ(view->form()->size(), bigger.size(320, 239));
    EXPECT_EQ(view->propertyList()->geometry(), bigger.rect(7, 55, 306, 177));
}

TEST_F(LanPacketViewTest, TcpPacketIsListedInLabelOrder)
{
    typePacket(kTcpRow1 + u' ' + kTcpRow2);
    view->analyzeButton()->click();
    EXPECT_EQ(column(view->propertyList(), 0),
              QStringList({"IP: Destination IP Address", "IP: Flag", "IP: Fragment Offset", "IP: Header Checksum",
                           "IP: Identification", "IP: Length", "IP: Protocol Name", "IP: Protocol Number",
                           "IP: Source IP Address", "IP: Time To Live", "IP: Total Length", "IP: Type of Service",
                           "IP: Version", "TCP: Acknowledge Number", "TCP: Destination Port Name",
                           "TCP: Destination Port Number", "TCP: Flags", "TCP: Header Length", "TCP: Sequence Number",
                           "TCP: Source Port Name", "TCP: Source Port Number", "TCP: TCP Checksum",
                           "TCP: Urgent Pointer", "TCP: Window Size"}));
    const QTreeWidget* list = view->propertyList();
    EXPECT_EQ(valueOf(list, "IP: Source IP Address"), QStringLiteral("192.168.1.2"));
    EXPECT_EQ(valueOf(list, "TCP: Destination Port Name"), QStringLiteral("http, , "));
    EXPECT_EQ(valueOf(list, "TCP: Window Size"), QStringLiteral("64240"));
    // Columns fit their contents after an analysis.
    EXPECT_GT(list->columnWidth(1), list->fontMetrics().horizontalAdvance(QStringLiteral("(TCP) Transmission")));
}

TEST_F(LanPacketViewTest, IpxChoiceDecodesTheSameBytesAsIpx)
{
    typePacket(kTcpRow1, true);
    view->analyzeButton()->click();
    EXPECT_EQ(view->typeChoice(), CLanPacketView::Ipx);
    const QTreeWidget* list = view->propertyList();
    EXPECT_EQ(column(list, 0),
              QStringList({"IPX: Destination Network Number", "IPX: Destination Node Number",
                           "IPX: Destination Socket Number", "IPX: Destination Socket Number Name",
                           "IPX: Packet Type", "IPX: Packet Type Name", "IPX: Source Network Number",
                           "IPX: Source Node Number", "IPX: Source Socket Number",
                           "IPX: Source Socket Number Name"}));
    EXPECT_EQ(valueOf(list, "IPX: Packet Type"), QStringLiteral("60"));
    EXPECT_EQ(valueOf(list, "IPX: Destination Network Number"), QStringLiteral("1C464000"));
    EXPECT_EQ(valueOf(list, "IPX: Destination Node Number"), QStringLiteral("4006B1E6C0A8"));
    EXPECT_EQ(valueOf(list, "IPX: Source Network Number"), QStringLiteral("C1639050"));
    EXPECT_EQ(valueOf(list, "IPX: Source Node Number"), QStringLiteral("000000000000"));  // needs 26 bytes
}

TEST_F(LanPacketViewTest, EmptyTextGivesNoRowsAsIpAndTenInitialRowsAsIpx)
{
    typePacket(kTcpRow1 + u' ' + kTcpRow2);
    view->analyzeButton()->click();
    typePacket(QString());
    view->analyzeButton()->click();
    EXPECT_EQ(view->propertyList()->topLevelItemCount(), 0);

    typePacket(QString(), true);
    view->analyzeButton()->click();
    const QTreeWidget* list = view->propertyList();
    ASSERT_EQ(list->topLevelItemCount(), 10);
    EXPECT_EQ(valueOf(list, "IPX: Packet Type"), QStringLiteral("0"));
    EXPECT_EQ(valueOf(list, "IPX: Packet Type Name"), QString());
    EXPECT_EQ(valueOf(list, "IPX: Source Network Number"), QStringLiteral("00000000"));
    EXPECT_EQ(valueOf(list, "IPX: Destination Node Number"), QStringLiteral("000000000000"));
}

TEST_F(LanPacketViewTest, ActivationSplitsTheTwoScreenRowsAndAnalysesAfterwards)
{
    application.SetLastCallLanPacket(kTcpRow1 + u' ' + kTcpRow2);
    ASSERT_EQ(application.lastCallLanPacket().size(), 143);
    view->OnActivateView();

    EXPECT_EQ(view->packetText(), kTcpRow1 + QStringLiteral("\r\n") + kTcpRow2);
    EXPECT_EQ(view->packetEdit()->document()->blockCount(), 2);
    EXPECT_EQ(view->packetEdit()->document()->findBlockByNumber(0).text(), kTcpRow1);
    EXPECT_EQ(view->packetEdit()->document()->findBlockByNumber(1).text(), kTcpRow2);
    // Posted: nothing is listed until the activation is over.
    EXPECT_EQ(view->propertyList()->topLevelItemCount(), 0);
    settle();
    EXPECT_EQ(view->propertyList()->topLevelItemCount(), 24);
    // Reading the box back keeps the line break as CR LF.
    EXPECT_EQ(view->packetText(), kTcpRow1 + QStringLiteral("\r\n") + kTcpRow2);
}

TEST_F(LanPacketViewTest, ActivationKeepsTextsUpToSeventyTwoCharactersWhole)
{
    const QString text72 = kTcpRow1 + QStringLiteral("6");
    ASSERT_EQ(text72.size(), 72);
    application.SetLastCallLanPacket(text72);
    view->OnActivateView();
    EXPECT_EQ(view->packetText(), text72);
    EXPECT_EQ(view->packetEdit()->document()->blockCount(), 1);

    // Longer, and the character at index 71 gives way to the line break.
    application.SetLastCallLanPacket(kTcpRow1 + QStringLiteral(" 06"));
    view->OnActivateView();
    EXPECT_EQ(view->packetText(), kTcpRow1 + QStringLiteral("\r\n06"));
    settle();
    EXPECT_EQ(view->propertyList()->topLevelItemCount(), 24);
}

TEST_F(LanPacketViewTest, ActivationTakesTheIpxFlagAndReplacesWhatTheUserTyped)
{
    application.SetLastCallLanPacket(QStringLiteral("FFFF 0011 0000ABCD 00A0C9FE1E2F 0451"));
    application.setLastCallPacketIsIpx(true);
    typePacket(QStringLiteral("typed by the user"));
    view->OnActivateView();
    EXPECT_EQ(view->packetEdit()->toPlainText(), QStringLiteral("FFFF 0011 0000ABCD 00A0C9FE1E2F 0451"));
    EXPECT_TRUE(view->ipxButton()->isChecked());
    settle();
    EXPECT_EQ(valueOf(view->propertyList(), "IPX: Destination Socket Number Name"), QStringLiteral("NCP"));

    application.setLastCallPacketIsIpx(false);
    view->OnActivateView();
    EXPECT_TRUE(view->ipButton()->isChecked());
    EXPECT_EQ(view->typeChoice(), CLanPacketView::Ip);
}

TEST_F(LanPacketViewTest, ActivationWithoutPacketEmptiesTheBoxAndKeepsTheRows)
{
    typePacket(kTcpRow1 + u' ' + kTcpRow2);
    view->analyzeButton()->click();
    ASSERT_EQ(view->propertyList()->topLevelItemCount(), 24);

    view->OnActivateView();  // the model has no packet text
    settle();
    EXPECT_TRUE(view->packetEdit()->toPlainText().isEmpty());
    EXPECT_EQ(view->propertyList()->topLevelItemCount(), 24);
}

TEST_F(LanPacketViewTest, ClearEmptiesBoxAndListButKeepsTheTypeChoice)
{
    typePacket(kTcpRow1, true);
    view->analyzeButton()->click();
    ASSERT_EQ(view->propertyList()->topLevelItemCount(), 10);
    view->Clear();
    EXPECT_TRUE(view->packetText().isEmpty());
    EXPECT_TRUE(view->packetEdit()->toPlainText().isEmpty());
    EXPECT_EQ(view->propertyList()->topLevelItemCount(), 0);
    EXPECT_TRUE(view->ipxButton()->isChecked());
}

TEST_F(LanPacketViewTest, EnterAnalysesAndCtrlEnterStartsANewLine)
{
    typePacket(kTcpRow1);
    pressKey(view->packetEdit(), Qt::Key_Return);
    EXPECT_EQ(view->propertyList()->topLevelItemCount(), 24);
    EXPECT_EQ(view->packetEdit()->toPlainText(), kTcpRow1);  // no line break typed

    view->Clear();
    pressKey(view->ipButton(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(view->propertyList()->topLevelItemCount(), 0);  // empty IP text: nothing
    typePacket(QString(), true);
    pressKey(view->ipxButton(), Qt::Key_Return);
    EXPECT_EQ(view->propertyList()->topLevelItemCount(), 10);

    typePacket(QStringLiteral("4500"));
    view->packetEdit()->moveCursor(QTextCursor::End);
    pressKey(view->packetEdit(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(view->packetEdit()->toPlainText(), QStringLiteral("4500\n"));
}

TEST_F(LanPacketViewTest, HelpOpensTheViewsTopic)
{
    QStringList topics;
    korvane::setHelpTopicHandler([&topics](const QString& topic) { topics.append(topic); });
    pressKey(view->packetEdit(), Qt::Key_F1);
    pressKey(view->propertyList(), Qt::Key_F1);
    QEvent help(QEvent::WhatsThis);
    EXPECT_TRUE(QApplication::sendEvent(view.get(), &help));
    korvane::setHelpTopicHandler(nullptr);
    EXPECT_EQ(topics, QStringList(3, QStringLiteral("Korvane.chm::/The_LAN_Packet_Analyzer_View.htm")));
}

TEST(LanPacketView, ActivationWithoutAnApplicationObjectChangesNothing)
{
    CLanPacketView view;
    view.packetEdit()->setPlainText(QStringLiteral("45"));
    view.OnActivateView();
    EXPECT_EQ(view.packetEdit()->toPlainText(), QStringLiteral("45"));

    auto application = std::make_unique<CApplication>();
    application->SetLastCallLanPacket(QStringLiteral("4500"));
    view.setApplication(application.get());
    application.reset();  // the view does not keep a dangling object
    view.OnActivateView();
    EXPECT_EQ(view.packetEdit()->toPlainText(), QStringLiteral("45"));
}

TEST(LanPacketView, PostedAnalysisIsDroppedWithTheView)
{
    CApplication application;
    application.SetLastCallLanPacket(kTcpRow1);
    auto view = std::make_unique<CLanPacketView>(&application);
    view->OnActivateView();
    view.reset();
    QCoreApplication::sendPostedEvents();  // must not reach the destroyed view
    SUCCEED();
}
