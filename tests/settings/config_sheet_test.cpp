#include "store_fixture.h"

#include "korvane/help/help_topic.h"
#include "korvane/journal/journal_settings.h"
#include "korvane/settings/calls_page.h"
#include "korvane/settings/config_sheet.h"
#include "korvane/settings/connection_page.h"
#include "korvane/settings/dialog_units.h"
#include "korvane/settings/file_chooser.h"
#include "korvane/settings/ip_address_field.h"
#include "korvane/settings/script_page.h"
#include "korvane/settings/sound_page.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

using namespace korvane;

namespace {

const QString S = QStringLiteral("Settings");

class SheetTest : public StoreTest {
protected:
    void SetUp() override
    {
        store = makeStore();
        setHelpTopicHandler([this](const QString& topic) { helpTopics.append(topic); });
    }
    void TearDown() override
    {
        setHelpTopicHandler({});
        setFileChooser({});
    }

    void show(CConfigSheet& sheet)
    {
        sheet.show();
        QApplication::setActiveWindow(&sheet);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&sheet));
    }
    void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    void retype(QLineEdit* edit, const QString& text)
    {
        edit->setFocus();
        edit->selectAll();
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        else
            QTest::keyClicks(edit, text);
    }

    std::unique_ptr<SettingsStore> store;
    QStringList helpTopics;
};

}  // namespace

TEST_F(SheetTest, TheSheetHasItsTitleAndFourPagesAndOpensOnTheFirst)
{
    CConfigSheet sheet(*store, QString());
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Korvane Properties"));
    ASSERT_EQ(sheet.tabs()->count(), 4);
    EXPECT_EQ(sheet.tabs()->tabText(0), QStringLiteral("Connection"));
    EXPECT_EQ(sheet.tabs()->tabText(1), QStringLiteral("Sound"));
    EXPECT_EQ(sheet.tabs()->tabText(2), QStringLiteral("Script"));
    EXPECT_EQ(sheet.tabs()->tabText(3), QStringLiteral("Calls"));
    sheet.SetActivePage(2);
    show(sheet);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    EXPECT_TRUE(sheet.connectionPage()->isOpened());
    EXPECT_FALSE(sheet.soundPage()->isOpened());
    EXPECT_EQ(sheet.connectionPage()->addressField()->address(), QStringLiteral("192.168.1.1"));
    EXPECT_EQ(sheet.scriptPage()->findChild<QCheckBox*>()->text(), QStringLiteral("Use Scripts"));
    sheet.reject();
}

TEST_F(SheetTest, PagesAreLaidOutInDialogUnitsOfTheirFont)
{
    CConfigSheet sheet(*store, QString());
    show(sheet);
    const DialogUnits units(sheet.connectionPage()->font());
    EXPECT_EQ(sheet.connectionPage()->passwordEdit()->geometry(), units.rect(55, 33, 43, 14));
    EXPECT_EQ(sheet.connectionPage()->addressField()->geometry(), units.rect(55, 15, 93, 15));
    EXPECT_EQ(sheet.connectionPage()->sizeHint(), units.size(230, 65));
    QFont big = sheet.soundPage()->font();
    big.setPointSize(big.pointSize() * 2);
    sheet.soundPage()->setFont(big);
    EXPECT_EQ(sheet.soundPage()->lineDownEdit()->geometry(), DialogUnits(big).rect(69, 41, 132, 14));
    sheet.reject();
}

TEST_F(SheetTest, EveryLabelAndCheckBoxShowsItsWholeTextWithoutCoveringAnotherControl)
{
    CConfigSheet sheet(*store, QString());
    show(sheet);
    for (int page = 0; page < sheet.tabs()->count(); ++page) {
        sheet.tabs()->setCurrentIndex(page);
        QWidget* widget = sheet.tabs()->widget(page);
        QList<QWidget*> controls;
        for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!child->isWindow())
                controls << child;
        for (QWidget* control : controls) {
            QString text;
            if (auto* label = qobject_cast<QLabel*>(control))
                text = label->text();
            else if (auto* box = qobject_cast<QCheckBox*>(control))
                text = box->text();
            else
                continue;
            if (text.isEmpty())
                continue;
            SCOPED_TRACE(text.toStdString());
            EXPECT_GE(control->width(), control->sizeHint().width());
            EXPECT_GE(control->height(), control->sizeHint().height() - 1);
            EXPECT_TRUE(widget->rect().contains(control->geometry()));
            for (QWidget* other : controls) {
                if (other != control && !qobject_cast<QLabel*>(other)) {
                    EXPECT_FALSE(control->geometry().intersects(other->geometry())) << other->metaObject()->className();
                }
            }
        }
    }
    sheet.reject();
}

TEST_F(SheetTest, TheAccessorsGiveTheValuesHeldInMemory)
{
    store->writeString(S, QStringLiteral("Last IP Address"), QStringLiteral("10.0.0.3"));
    store->setRouterPassword(QStringLiteral("10.0.0.3"), QStringLiteral("pw"));
    store->writeInt(S, QStringLiteral("Use Script"), 1);
    store->writeString(S, QStringLiteral("Script File Path"), QStringLiteral("/s.vbs"));
    store->writeInt(S, QStringLiteral("Sound"), 1);
    store->writeString(S, QStringLiteral("Line Up Sound"), QStringLiteral("/up.wav"));
    store->writeString(S, QStringLiteral("Line Down Sound"), QStringLiteral("/down.wav"));
    CConfigSheet sheet(*store, QString());
    EXPECT_EQ(sheet.GetIpAddress(), QStringLiteral("10.0.0.3"));
    EXPECT_EQ(sheet.GetPassword(), QStringLiteral("pw"));
    EXPECT_TRUE(sheet.IsScriptOn());
    EXPECT_EQ(sheet.GetScriptFile(), QStringLiteral("/s.vbs"));
    EXPECT_TRUE(sheet.IsSoundOn());
    EXPECT_EQ(sheet.GetLineUpSound(), QStringLiteral("/up.wav"));
    EXPECT_EQ(sheet.GetLineDownSound(), QStringLiteral("/down.wav"));
    // The store changing afterwards does not change what the run uses.
    store->writeString(S, QStringLiteral("Script File Path"), QStringLiteral("/other.vbs"));
    EXPECT_EQ(sheet.GetScriptFile(), QStringLiteral("/s.vbs"));
}

TEST_F(SheetTest, EditingTheConnectionMarksItChangedAndOkWritesIt)
{
    CConfigSheet sheet(*store, QString());
    show(sheet);
    CConnectionPage* page = sheet.connectionPage();
    EXPECT_FALSE(page->isModified());
    EXPECT_FALSE(sheet.applyButton()->isEnabled());
    EXPECT_EQ(page->passwordEdit()->echoMode(), QLineEdit::Password);

    retype(page->passwordEdit(), QStringLiteral("letmein"));
    EXPECT_TRUE(page->isModified());
    EXPECT_TRUE(sheet.applyButton()->isEnabled());
    // In memory at once: the accessors give what the page holds.
    EXPECT_EQ(sheet.GetPassword(), QStringLiteral("letmein"));

    // As when tabbing into the field: the first number is selected.
    page->addressField()->octet(0)->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("10"));
    QTest::keyClick(QApplication::focusWidget(), '.');
    click(sheet.okButton());
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(sheet.GetIpAddress(), QStringLiteral("10.168.1.1"));
    EXPECT_EQ(store->readString(S, QStringLiteral("Last IP Address")), QStringLiteral("10.168.1.1"));
    EXPECT_EQ(store->routerPassword(QStringLiteral("10.168.1.1")), QStringLiteral("letmein"));
    // Pages not opened in that showing wrote nothing.
    EXPECT_FALSE(store->contains(S, QStringLiteral("Script File Path")));
    EXPECT_FALSE(store->contains(S, QStringLiteral("Line Up Sound")));
}

TEST_F(SheetTest, APasswordTakesOnlyCharactersTheRouterCanReceive)
{
    CConfigSheet sheet(*store, QString());
    show(sheet);
    QLineEdit* edit = sheet.connectionPage()->passwordEdit();
    edit->setFocus();
    // Key events carrying the text, as an input method sends them.
    for (QChar c : QStringLiteral("a\u00E9\u20ACb")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
    }
    EXPECT_EQ(edit->text(), QStringLiteral("a\u00E9b"));
    sheet.reject();
}

TEST_F(SheetTest, TheCommandLineAddressSurvivesTheSheetUntouched)
{
    store->setRouterPassword(QStringLiteral("127.0.0.1:2323"), QStringLiteral("1234"));
    CConfigSheet sheet(*store, QStringLiteral("127.0.0.1:2323"));
    show(sheet);
    EXPECT_EQ(sheet.connectionPage()->addressNote()->text(), QStringLiteral(":2323"));
    EXPECT_EQ(sheet.connectionPage()->passwordEdit()->text(), QStringLiteral("1234"));
    click(sheet.okButton());
    EXPECT_EQ(sheet.GetIpAddress(), QStringLiteral("127.0.0.1:2323"));
    EXPECT_EQ(sheet.GetPassword(), QStringLiteral("1234"));
}

TEST_F(SheetTest, ScriptPageEnablesItsControlsWithTheBoxAndMarksItselfOnOpening)
{
    CConfigSheet sheet(*store, QString());
    show(sheet);
    sheet.SetActivePage(2);
    CScriptPage* page = sheet.scriptPage();
    EXPECT_TRUE(page->isOpened());
    EXPECT_TRUE(page->isModified());
    EXPECT_TRUE(sheet.applyButton()->isEnabled());
    EXPECT_FALSE(page->scriptCheck()->isChecked());
    EXPECT_FALSE(page->scriptEdit()->isEnabled());
    EXPECT_FALSE(page->browseButton()->isEnabled());

    click(page->scriptCheck());
    EXPECT_TRUE(page->scriptEdit()->isEnabled());
    EXPECT_TRUE(page->browseButton()->isEnabled());
    EXPECT_TRUE(sheet.IsScriptOn());
    click(page->scriptCheck());
    EXPECT_FALSE(page->scriptEdit()->isEnabled());
    EXPECT_FALSE(sheet.IsScriptOn());
    click(page->scriptCheck());

    click(sheet.applyButton());
    EXPECT_FALSE(page->isModified());
    EXPECT_FALSE(sheet.applyButton()->isEnabled());
    EXPECT_EQ(store->readInt(S, QStringLiteral("Use Script"), -1), 1);
    EXPECT_TRUE(store->contains(S, QStringLiteral("Script File Path")));
    // The Connection page was opened too, so Apply wrote it as well.
    EXPECT_EQ(store->readString(S, QStringLiteral("Last IP Address")), QStringLiteral("192.168.1.1"));
    sheet.reject();
}

TEST_F(SheetTest, CancelRestoresTheScriptPathForTheAccessorsAndTheNextShowing)
{
    store->writeInt(S, QStringLiteral("Use Script"), 1);
    store->writeString(S, QStringLiteral("Script File Path"), QStringLiteral("/old.vbs"));
    CConfigSheet sheet(*store, QString());
    show(sheet);
    sheet.SetActivePage(2);
    retype(sheet.scriptPage()->scriptEdit(), QStringLiteral("/new.vbs"));
    EXPECT_EQ(sheet.GetScriptFile(), QStringLiteral("/new.vbs"));
    click(sheet.cancelButton());
    EXPECT_EQ(sheet.result(), QDialog::Rejected);
    EXPECT_EQ(sheet.GetScriptFile(), QStringLiteral("/old.vbs"));
    EXPECT_EQ(store->readString(S, QStringLiteral("Script File Path")), QStringLiteral("/old.vbs"));

    show(sheet);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    EXPECT_FALSE(sheet.applyButton()->isEnabled());
    sheet.SetActivePage(2);
    EXPECT_EQ(sheet.scriptPage()->scriptEdit()->text(), QStringLiteral("/old.vbs"));
    sheet.reject();
}

TEST_F(SheetTest, CancelAfterApplyKeepsWhatWasApplied)
{
    CConfigSheet sheet(*store, QString());
    show(sheet);
    retype(sheet.connectionPage()->passwordEdit(), QStringLiteral("first"));
    click(sheet.applyButton());
    retype(sheet.connectionPage()->passwordEdit(), QStringLiteral("second"));
    sheet.reject();
    EXPECT_EQ(sheet.GetPassword(), QStringLiteral("first"));
    EXPECT_EQ(store->routerPassword(QStringLiteral("192.168.1.1")), QStringLiteral("first"));
}

TEST_F(SheetTest, EscapeCancels)
{
    CConfigSheet sheet(*store, QString());
    show(sheet);
    retype(sheet.connectionPage()->passwordEdit(), QStringLiteral("typo"));
    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(sheet.GetPassword(), QString());
    EXPECT_FALSE(store->contains(QStringLiteral("192.168.1.1"), QStringLiteral("Password")));
}

TEST_F(SheetTest, AnEmptiedLineUpSoundKeepsTheStoredPath)
{
    store->writeInt(S, QStringLiteral("Sound"), 1);
    store->writeString(S, QStringLiteral("Line Up Sound"), QStringLiteral("/snd/up.wav"));
    CConfigSheet sheet(*store, QString());
    show(sheet);
    sheet.SetActivePage(1);
    CSoundPage* page = sheet.soundPage();
    EXPECT_TRUE(page->isModified());
    EXPECT_TRUE(page->lineUpEdit()->isEnabled());
    EXPECT_TRUE(page->lineDownBrowse()->isEnabled());
    retype(page->lineUpEdit(), QString());
    click(sheet.okButton());
    EXPECT_EQ(sheet.GetLineUpSound(), QString());
    EXPECT_EQ(store->readString(S, QStringLiteral("Line Up Sound")), QStringLiteral("/snd/up.wav"));
    EXPECT_FALSE(store->contains(S, QStringLiteral("Line Down Sound")));

    CConfigSheet nextRun(*store, QString());
    EXPECT_EQ(nextRun.GetLineUpSound(), QStringLiteral("/snd/up.wav"));
}

TEST_F(SheetTest, SoundControlsFollowTheBox)
{
    CConfigSheet sheet(*store, QString());
    show(sheet);
    sheet.SetActivePage(1);
    CSoundPage* page = sheet.soundPage();
    for (QWidget* w : {static_cast<QWidget*>(page->lineUpEdit()), static_cast<QWidget*>(page->lineDownEdit()),
                       static_cast<QWidget*>(page->lineUpBrowse()), static_cast<QWidget*>(page->lineDownBrowse())})
        EXPECT_FALSE(w->isEnabled());
    click(page->soundCheck());
    EXPECT_TRUE(sheet.IsSoundOn());
    for (QWidget* w : {static_cast<QWidget*>(page->lineUpEdit()), static_cast<QWidget*>(page->lineDownEdit()),
                       static_cast<QWidget*>(page->lineUpBrowse()), static_cast<QWidget*>(page->lineDownBrowse())})
        EXPECT_TRUE(w->isEnabled());
    sheet.reject();
    EXPECT_FALSE(sheet.IsSoundOn());
}

TEST_F(SheetTest, BrowseOffersTheFiltersAndPutsTheChosenPathInItsBox)
{
    QStringList offered;
    QString startedAt;
    QString answer = QStringLiteral("/home/u/ring.wav");
    setFileChooser([&](QWidget*, const QString& start, const QStringList& filters) {
        offered = filters;
        startedAt = start;
        return answer;
    });
    store->writeInt(S, QStringLiteral("Sound"), 1);
    store->writeInt(S, QStringLiteral("Use Script"), 1);
    store->writeString(S, QStringLiteral("Line Down Sound"), QStringLiteral("/snd/down.wav"));
    CConfigSheet sheet(*store, QString());
    show(sheet);
    sheet.SetActivePage(1);
    click(sheet.soundPage()->lineDownBrowse());
    EXPECT_EQ(offered, QStringList{QStringLiteral("Wave Files (*.wav)")});
    EXPECT_EQ(startedAt, QStringLiteral("/snd/down.wav"));
    EXPECT_EQ(sheet.soundPage()->lineDownEdit()->text(), answer);
    EXPECT_EQ(sheet.GetLineDownSound(), answer);

    // A cancelled dialog changes nothing.
    answer.clear();
    click(sheet.soundPage()->lineUpBrowse());
    EXPECT_EQ(sheet.soundPage()->lineUpEdit()->text(), QString());

    sheet.SetActivePage(2);
    answer = QStringLiteral("/home/u/monitor.js");
    click(sheet.scriptPage()->browseButton());
    EXPECT_EQ(offered, QStringList{QStringLiteral("Script Files (*.vbs *.js)")});
    EXPECT_EQ(sheet.GetScriptFile(), answer);
    click(sheet.okButton());
    EXPECT_EQ(store->readString(S, QStringLiteral("Script File Path")), answer);
    EXPECT_EQ(store->readString(S, QStringLiteral("Line Down Sound")), QStringLiteral("/home/u/ring.wav"));
}

TEST_F(SheetTest, HelpOpensTheActivePagesTopic)
{
    CConfigSheet sheet(*store, QString());
    show(sheet);
    click(sheet.helpButton());
    sheet.SetActivePage(1);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &sheet, Qt::Key_F1);
    sheet.SetActivePage(2);
    sheet.scriptPage()->scriptCheck()->setFocus();
    QTest::keyClick(sheet.scriptPage()->scriptCheck(), Qt::Key_F1);
    EXPECT_EQ(helpTopics, (QStringList{QStringLiteral("Korvane.chm::/Korvane_Configuration.htm#connection"),
                                       QStringLiteral("Korvane.chm::/Korvane_Configuration.htm#sound"),
                                       QStringLiteral("Korvane.chm::/Korvane_Configuration.htm#script")}));
    sheet.reject();
}

TEST(FileFilters, WindowsFiltersBecomeQtNameFilters)
{
    EXPECT_EQ(qtNameFilters(QStringLiteral("Script Files (*.vbs,*.js)|*.vbs;*.js||")),
              QStringList{QStringLiteral("Script Files (*.vbs *.js)")});
    EXPECT_EQ(qtNameFilters(QStringLiteral("Wave Files (*.wav)|*.wav|All Files|*.*||")),
              (QStringList{QStringLiteral("Wave Files (*.wav)"), QStringLiteral("All Files (*.*)")}));
    EXPECT_EQ(qtNameFilters(QString()), QStringList());
    EXPECT_EQ(qtNameFilters(QStringLiteral("|")), QStringList());
}

TEST_F(SheetTest, TheCallsPageEditsTheJournalTariffAndAnnouncements)
{
    store->writeString(S, QStringLiteral("Country Code"), QStringLiteral("49"));
    store->writeString(S, QStringLiteral("Cost per Minute"), QStringLiteral("0.02"));
    store->writeString(S, QStringLiteral("Currency"), QStringLiteral("EUR"));
    CConfigSheet sheet(*store, QString());
    CCallsPage* page = sheet.callsPage();
    QSignalSpy applied(page, &CCallsPage::applied);
    show(sheet);
    EXPECT_FALSE(sheet.applyButton()->isEnabled()) << "nothing changed yet";
    sheet.SetActivePage(CConfigSheet::CallsPage);
    EXPECT_TRUE(page->isOpened());
    // Unlike the Script and Sound pages, opening it changes nothing.
    EXPECT_FALSE(sheet.applyButton()->isEnabled());
    EXPECT_EQ(page->countryEdit()->text(), QStringLiteral("49"));
    EXPECT_EQ(page->areaEdit()->text(), QString());
    EXPECT_EQ(page->perMinuteEdit()->text(), QStringLiteral("0.02"));
    EXPECT_TRUE(page->journalCheck()->isChecked());
    EXPECT_TRUE(page->callerIdCheck()->isChecked());
    EXPECT_FALSE(page->chargeIncomingCheck()->isChecked());
    // Placeholders say "not set"; none looks like a number that is set.
    static const QRegularExpression digit(QStringLiteral("\\d"));
    for (QLineEdit* edit : {page->countryEdit(), page->areaEdit(), page->perCallEdit(), page->perMinuteEdit()})
        EXPECT_FALSE(edit->placeholderText().contains(digit)) << edit->placeholderText().toStdString();

    // Typing the value it had is no change.
    retype(page->perMinuteEdit(), QStringLiteral("0,02"));
    EXPECT_FALSE(sheet.applyButton()->isEnabled());
    retype(page->areaEdit(), QStringLiteral("30"));
    retype(page->perCallEdit(), QStringLiteral("0,06"));
    click(page->chargeIncomingCheck());
    click(page->lineUpCheck());
    click(page->journalCheck());
    EXPECT_TRUE(sheet.applyButton()->isEnabled());
    click(sheet.applyButton());
    EXPECT_FALSE(sheet.applyButton()->isEnabled());
    EXPECT_EQ(applied.count(), 1);

    const JournalSettings stored = JournalSettings::read(*store);
    EXPECT_FALSE(stored.journalOn);
    EXPECT_EQ(stored.countryCode, QStringLiteral("49"));
    EXPECT_EQ(stored.areaCode, QStringLiteral("30"));
    EXPECT_EQ(stored.tariff.perCall, 6);
    EXPECT_EQ(stored.tariff.perMinute, 2);
    EXPECT_EQ(stored.tariff.currency, QStringLiteral("EUR"));
    EXPECT_TRUE(stored.tariff.chargeIncoming);
    EXPECT_EQ(store->readInt(S, QStringLiteral("Charge Incoming Calls"), -1), 1);
    EXPECT_TRUE(stored.notifyLineUp);
    EXPECT_FALSE(stored.notifyLineDown);

    // Cancel after more edits: the values as last applied, in memory and store.
    retype(page->countryEdit(), QStringLiteral("43"));
    sheet.reject();
    EXPECT_EQ(page->values().countryCode, QStringLiteral("49"));
    EXPECT_EQ(JournalSettings::read(*store).countryCode, QStringLiteral("49"));
    EXPECT_EQ(applied.count(), 1);
}

TEST_F(SheetTest, TheCallLogsShortcutOpensTheSheetOnTheCallsPageOnce)
{
    CConfigSheet sheet(*store, QString());
    sheet.openNextOn(CConfigSheet::CallsPage);
    show(sheet);
    EXPECT_EQ(sheet.GetActiveIndex(), int(CConfigSheet::CallsPage));
    EXPECT_TRUE(sheet.callsPage()->isOpened());
    EXPECT_EQ(sheet.helpTopic(), QStringLiteral("Korvane.chm::/Korvane_Configuration.htm#calls"));
    sheet.reject();
    show(sheet);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    sheet.reject();
}

// One table of every key of [Settings], with its default, in the help and in
// the README alike.
TEST(SettingsTable, EveryKeyIsInTheHelpAndTheReadme)
{
    namespace s = korvane::settings;
    const QStringList keys = {
        s::kLastIpAddress, s::kUseScript, s::kScriptFilePath, s::kSound, s::kLineUpSound, s::kLineDownSound,
        s::kConnectionTimeout, s::kWaitForConnect, s::kCallHistoryRefresh, s::kShowSplashScreen, s::kConfigured,
        s::kSyslogPort, s::kScriptTimeout, s::kReconnectInterval, s::kScriptMemoryLimit, s::kJournal,
        s::kCountryCode, s::kAreaCode, s::kCostPerCall, s::kCostPerMinute, s::kCurrency, s::kChargeIncoming,
        s::kNotifyCallerId, s::kNotifyLineUp, s::kNotifyLineDown, s::kNotifyRouter,
        // The HTTP endpoint's keys (korvane/http).
        QStringLiteral("HTTP Address"), QStringLiteral("HTTP Token"), QStringLiteral("HTTP Token File"),
        QStringLiteral("HTTP Router Name")};
    auto read = [](const char* path) {
        QFile f(QString::fromLatin1(KORVANE_SOURCE_DIR) + QLatin1String(path));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };
    const QString help = read("/korvane/help/Korvane_Configuration.htm");
    const QString readme = read("/README.md");
    ASSERT_FALSE(help.isEmpty());
    ASSERT_FALSE(readme.isEmpty());
    for (const QString& key : keys) {
        SCOPED_TRACE(key.toStdString());
        // A row of its own, with a default after it.
        EXPECT_TRUE(QRegularExpression(QStringLiteral("<tr><td>%1</td><td>[^<]+</td>")
                                           .arg(QRegularExpression::escape(key)))
                        .match(help)
                        .hasMatch());
        EXPECT_TRUE(QRegularExpression(QStringLiteral("\\n\\| `%1` \\| [^|]+ \\|").arg(QRegularExpression::escape(key)))
                        .match(readme)
                        .hasMatch());
    }
}
