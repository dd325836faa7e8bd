// The syslog view: the receiver driven by dispatch id, the line format, the
// 250-line log, errors, Clear, and a real receiver over loopback.
#include "korvane/views/syslog_view.h"

#include "components/syslog/syslog_receiver.h"
#include "korvane/help/help_topic.h"
#include "korvane/settings/settings_store.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QUdpSocket>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

class FakeMessage : public QObject {
    Q_OBJECT
    Q_PROPERTY(QDateTime Time READ time)
    Q_PROPERTY(QString Sender READ sender)
    Q_PROPERTY(QString Text READ text)
public:
    FakeMessage(QDateTime time, QString text) : time_(std::move(time)), text_(std::move(text)) {}
    QDateTime time() const { return time_; }
    QString sender() const { return QStringLiteral("127.0.0.1"); }
    QString text() const { return text_; }

private:
    QDateTime time_;
    QString text_;
};

// Records what the view asks of its receiver, in order.
class FakeReceiver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("DispId.StartListening", "8")
    Q_PROPERTY(QString RouterAddress READ routerAddress WRITE setRouterAddress)
    Q_PROPERTY(int Port READ port WRITE setPort)
public:
    QString routerAddress() const { return address_; }
    void setRouterAddress(const QString& address) { address_ = address, record("address " + address); }
    int port() const { return port_; }
    void setPort(int port) { port_ = port, record(QStringLiteral("port %1").arg(port)); }
    Q_INVOKABLE bool StartListening() { return record(QStringLiteral("start")), true; }
    Q_INVOKABLE bool StopListening() { return record(QStringLiteral("stop")), false; }

    void send(const QDateTime& time, const QString& text) {
        FakeMessage message(time, text);
        emit OnMessage(&message);
    }

    void record(const QString& call) {
        calls << call;
        if (log)
            *log << call;
    }

    QStringList calls;
    QStringList* log = nullptr;  // outlives the receiver

Q_SIGNALS:
    void OnMessage(QObject* message);
    void OnError(const QString& method, int error, const QString& errorText);

private:
    QString address_;
    int port_ = 0;
};

struct Fixture {
    Fixture() : receiver(new FakeReceiver), view(std::make_unique<CSyslog>(receiver)) {
        view.setSource({[this] { return address; }, [] { return 5514; }});
        view.setMessageHandler([this](const QString& line) { handed << line; });
        view.setErrorHandler([this](const QString& text) { errors << text; });
    }
    FakeReceiver* receiver;  // owned by the view's CSyslog
    CSyslogView view;
    QString address = QStringLiteral("10.0.0.138");
    QStringList handed;
    QStringList errors;
};

// A view with the real receiver, listening on a free loopback port for
// datagrams from 127.0.0.1.
struct LoopbackView {
    LoopbackView() {
        view.setSource({[] { return QStringLiteral("127.0.0.1"); }, [] { return 0; }});
        view.setMessageHandler([this](const QString& line) { handed << line; });
        view.OnInitialUpdate();
    }
    syslog::CSyslogReceiver* receiver() const {
        return qobject_cast<syslog::CSyslogReceiver*>(view.syslog()->receiver());
    }
    CSyslogView view;
    QStringList handed;
};

const QDateTime kTime(QDate(2026, 12, 8), QTime(10, 53, 7));

// A router text: 33 characters of priority, tag and padding, then the rest.
QString routerText(const QString& rest) { return QStringLiteral("<14> Dec  8 10:53:07 P128 kernel:") + rest; }

}  // namespace

TEST(SyslogView, InitialUpdateMakesItReadOnlyAndListensOnTheSettingsAddress) {
    Fixture f;
    f.view.OnInitialUpdate();
    EXPECT_TRUE(f.view.isReadOnly());
    EXPECT_EQ(f.view.font().family(), QStringLiteral("Courier New"));
    EXPECT_EQ(f.view.font().pointSize(), 10);
    EXPECT_EQ(f.receiver->calls, (QStringList{"address 10.0.0.138", "port 5514", "start"}));

    // A reconnect: stop, then start with what the settings now say.
    f.receiver->calls.clear();
    f.view.StopListening();
    f.address = QStringLiteral("192.168.7.1");
    f.view.StartListening();
    EXPECT_EQ(f.receiver->calls, (QStringList{"stop", "address 192.168.7.1", "port 5514", "start"}));
}

TEST(SyslogView, AReconnectKeepsTheReceiverListeningUnlessAddressOrPortChanged) {
    Fixture f;
    int port = 5514;
    f.view.setSource({[&f] { return f.address; }, [&port] { return port; }});
    f.view.OnInitialUpdate();
    f.receiver->calls.clear();
    f.view.KeepListening();
    f.view.KeepListening();
    EXPECT_TRUE(f.receiver->calls.isEmpty()) << f.receiver->calls.join(QLatin1Char(',')).toStdString();

    f.address = QStringLiteral("192.168.7.1");
    f.view.KeepListening();
    EXPECT_EQ(f.receiver->calls, (QStringList{"address 192.168.7.1", "port 5514", "start"}));
    f.receiver->calls.clear();
    port = 1514;
    f.view.KeepListening();
    EXPECT_EQ(f.receiver->calls, (QStringList{"address 192.168.7.1", "port 1514", "start"}));

    // A start that failed is tried again at the next reconnect.
    f.receiver->calls.clear();
    emit f.receiver->OnError(QStringLiteral("StartListening"), 10048, QStringLiteral("Address in use"));
    f.view.KeepListening();
    EXPECT_EQ(f.receiver->calls.value(2), QStringLiteral("start"));
    // After a stop, too.
    f.receiver->calls.clear();
    f.view.StopListening();
    f.view.KeepListening();
    EXPECT_EQ(f.receiver->calls, (QStringList{"stop", "address 192.168.7.1", "port 1514", "start"}));
}

TEST(SyslogView, ADatagramThatArrivesAsTheMonitorReconnectsIsKept) {
    LoopbackView f;
    CSyslogView& view = f.view;
    QStringList& handed = f.handed;
    syslog::CSyslogReceiver* receiver = f.receiver();
    ASSERT_NE(receiver, nullptr);
    const int port = receiver->boundPort();
    QUdpSocket sender;
    for (int i = 0; i < 3; ++i) {
        // Waiting in the socket, unread, when the reconnect comes.
        sender.writeDatagram("<14>Dec  8 10:53:07 P128 kernel: isdn: B1 call " + QByteArray::number(i),
                             QHostAddress(QStringLiteral("127.0.0.1")), quint16(port));
        view.KeepListening();
    }
    QTRY_COMPARE_WITH_TIMEOUT(handed.size(), 3, 5000);
    EXPECT_EQ(receiver->boundPort(), port);
}

TEST(SyslogView, PortComesFromTheStoreAtEachStart) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SettingsStore store(dir.path());
    auto* receiver = new FakeReceiver;
    CSyslogView view(std::make_unique<CSyslog>(receiver));
    view.setSource(CSyslogView::settingsSource(&store, [] { return QStringLiteral("10.0.0.1"); }));
    view.OnInitialUpdate();
    EXPECT_EQ(receiver->calls, (QStringList{"address 10.0.0.1", "port 514", "start"}));
    store.writeInt(QStringLiteral("Settings"), QStringLiteral("Syslog Port"), 1514);
    receiver->calls.clear();
    view.StartListening();
    EXPECT_EQ(receiver->calls.value(1), QStringLiteral("port 1514"));
    store.writeInt(QStringLiteral("Settings"), QStringLiteral("Syslog Port"), 70000);  // out of range
    receiver->calls.clear();
    view.StartListening();
    EXPECT_EQ(receiver->calls.value(1), QStringLiteral("port 514"));
}

TEST(SyslogView, LinesKeepTheFirstFiveCharactersAndTheTextFrom33) {
    const QString time = CSyslogView::FormatTime(kTime);
    EXPECT_FALSE(time.isEmpty());
    EXPECT_TRUE(time.contains(QStringLiteral("53"))) << time.toStdString();
    EXPECT_EQ(CSyslogView::FormatLine(kTime, routerText(QStringLiteral("ISDN link up"))),
              time + QStringLiteral(": <14>  ISDN link up"));
    // Only the part before the first line feed counts.
    EXPECT_EQ(CSyslogView::FormatLine(kTime, routerText(QStringLiteral("first\nsecond"))),
              time + QStringLiteral(": <14>  first"));
    // Five characters or fewer: the whole text and one trailing blank.
    EXPECT_EQ(CSyslogView::FormatLine(kTime, QStringLiteral("<14>")), time + QStringLiteral(": <14> "));
    EXPECT_EQ(CSyslogView::FormatLine(kTime, QString()), time + QStringLiteral(":  "));
    // A midnight time is written as the date alone.
    const QString midnight = CSyslogView::FormatTime(QDateTime(QDate(2026, 1, 2), QTime(0, 0)));
    EXPECT_TRUE(midnight.contains(QStringLiteral("2026"))) << midnight.toStdString();
    EXPECT_FALSE(midnight.contains(QStringLiteral("00"))) << midnight.toStdString();
}

TEST(SyslogView, TimeTextHasAFourDigitYearAndNoZoneLeftoversInAnyLocale) {
    const QLocale saved;
    const QDateTime time(QDate(2026, 12, 9), QTime(23, 5, 7));
    for (const char* name : {"en_US", "de_DE", "fa_IR", "nds_DE", "ja_JP", "ar_EG", "bg_BG", "ko_KR", "zh_CN",
                             "th_TH", "my_MM"}) {
        const QLocale locale{QString::fromLatin1(name)};
        QLocale::setDefault(locale);
        const QString text = CSyslogView::FormatTime(time);
        SCOPED_TRACE(std::string(name) + ": " + text.toStdString());
        EXPECT_TRUE(text.contains(locale.toString(time.date(), QStringLiteral("yyyy"))));  // in the locale's digits
        EXPECT_TRUE(text.contains(locale.toString(time.time(), QStringLiteral("s"))));  // the seconds
        for (const char* leftover : {"()", "( )", "[]", "  "})
            EXPECT_FALSE(text.contains(QLatin1String(leftover)));
        EXPECT_EQ(text, text.trimmed());
        const QString zone = time.timeZoneAbbreviation();
        if (!zone.isEmpty()) {
            EXPECT_FALSE(text.contains(zone));
        }
    }
    QLocale::setDefault(saved);
}

TEST(SyslogView, EveryMessageReachesTheHandlerAndTheLogKeepsTheNewest250) {
    Fixture f;
    f.view.OnInitialUpdate();
    for (int i = 1; i <= 251; ++i)
        f.receiver->send(kTime, routerText(QStringLiteral("message %1").arg(i)));
    ASSERT_EQ(f.handed.size(), 251);
    EXPECT_TRUE(f.handed.first().endsWith(QStringLiteral("message 1")));
    EXPECT_EQ(f.view.lineCount(), 250);
    const QStringList lines = f.view.logText().split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 251);  // 250 lines, each ending in CR LF
    EXPECT_TRUE(lines.first().endsWith(QStringLiteral("message 251")));
    EXPECT_TRUE(lines.at(249).endsWith(QStringLiteral("message 2")));
    EXPECT_TRUE(lines.last().isEmpty());

    // The text box catches up once the burst is over.
    EXPECT_TRUE(f.view.refreshPending());
    QTRY_VERIFY_WITH_TIMEOUT(!f.view.refreshPending(), 5000);
    // The box holds the log as it is: 250 lines and the break after the last.
    EXPECT_EQ(f.view.document()->blockCount(), 251);
    EXPECT_TRUE(f.view.document()->lastBlock().text().isEmpty());
    EXPECT_TRUE(f.view.document()->firstBlock().text().endsWith(QStringLiteral("message 251")));
}

TEST(SyslogView, ClearEmptiesLogAndBoxAndMessagesWaitForTheHandler) {
    Fixture f;
    f.view.OnInitialUpdate();
    f.receiver->send(kTime, routerText(QStringLiteral("one")));
    f.view.RefreshDisplay();
    ASSERT_FALSE(f.view.toPlainText().isEmpty());
    f.view.Clear();
    EXPECT_EQ(f.view.lineCount(), 0);
    EXPECT_TRUE(f.view.logText().isEmpty());
    EXPECT_TRUE(f.view.toPlainText().isEmpty());
    EXPECT_FALSE(f.view.refreshPending());

    // Before the frame hands the view its controller, messages are ignored.
    f.view.setMessageHandler(nullptr);
    f.receiver->send(kTime, routerText(QStringLiteral("early")));
    EXPECT_EQ(f.view.lineCount(), 0);
}

TEST(SyslogView, ReceiverErrorsShowNumberAndTextOnly) {
    Fixture f;
    emit f.receiver->OnError(QStringLiteral("StartListening"), 10048, QStringLiteral("Address already in use"));
    EXPECT_EQ(f.errors, QStringList{QStringLiteral("(10048) Address already in use")});
    EXPECT_EQ(f.view.lineCount(), 0);
}

TEST(SyslogView, StopsListeningWhenDestroyedAndWorksWithoutAReceiver) {
    QStringList calls;
    {
        auto* receiver = new FakeReceiver;
        CSyslogView view(std::make_unique<CSyslog>(receiver));
        view.OnInitialUpdate();
        receiver->log = &calls;
    }
    EXPECT_EQ(calls, QStringList{QStringLiteral("stop")});

    CSyslogView missing(std::make_unique<CSyslog>(nullptr));
    missing.OnInitialUpdate();
    missing.StopListening();
    EXPECT_EQ(missing.syslog()->receiver(), nullptr);
}

TEST(SyslogView, F1OpensTheTopic) {
    QStringList topics;
    setHelpTopicHandler([&](const QString& topic) { topics << topic; });
    Fixture f;
    f.view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.view));
    QTest::keyClick(&f.view, Qt::Key_F1);
    EXPECT_EQ(topics, QStringList{QStringLiteral("Korvane.chm::/The_Syslog_View.htm")});
    setHelpTopicHandler(nullptr);
}

TEST(SyslogView, DatagramsOverLoopbackBecomeLines) {
    LoopbackView f;
    CSyslogView& view = f.view;
    QStringList& handed = f.handed;
    syslog::CSyslogReceiver* receiver = f.receiver();
    ASSERT_NE(receiver, nullptr);
    ASSERT_TRUE(receiver->isListening());
    QUdpSocket sender;
    const QByteArray datagram = "<14>Dec  8 10:53:07 P128 kernel: isdn: B1 call from 0891234";
    sender.writeDatagram(datagram, QHostAddress(QStringLiteral("127.0.0.1")), quint16(receiver->boundPort()));
    QTRY_COMPARE_WITH_TIMEOUT(handed.size(), 1, 5000);
    EXPECT_EQ(view.lineCount(), 1);
    view.StopListening();
    EXPECT_FALSE(receiver->isListening());
}

#include "syslog_view_test.moc"
