// The status page in a real headless browser (Debian's chromium), driven
// over its DevTools protocol: the values it shows equal /api/status, follow
// the router's load as it changes, and the page renders (screenshot).
#include "http_rig.h"

#include "korvane/http/http_endpoint.h"

#include <QImage>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWebSocket>

#include <gtest/gtest.h>

#include <set>

using namespace korvane;
using namespace korvane::http;
using namespace korvane::test;

namespace {

class Browser {
public:
    ~Browser() {
        socket_.abort();
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(5000))
                process_.kill();
            process_.waitForFinished(5000);
        }
    }

    // Starts chromium on url; empty when it runs, else why it could not.
    QString start(const QString& url) {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        if (program.isEmpty())
            return QStringLiteral("chromium is not installed (Debian package chromium)");
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start(program, {QStringLiteral("--headless=new"), QStringLiteral("--no-sandbox"),
                                 QStringLiteral("--disable-gpu"), QStringLiteral("--no-first-run"),
                                 QStringLiteral("--disable-extensions"), QStringLiteral("--mute-audio"),
                                 QStringLiteral("--remote-debugging-address=127.0.0.1"),
                                 QStringLiteral("--remote-debugging-port=0"), QStringLiteral("--remote-allow-origins=*"),
                                 QStringLiteral("--window-size=1000,1000"),
                                 QStringLiteral("--user-data-dir=") + profile_.path(), url});
        QByteArray err;
        QRegularExpressionMatch match;
        const QRegularExpression listening(QStringLiteral("DevTools listening on ws://127\\.0\\.0\\.1:(\\d+)/"));
        const bool up = waitFor([&] {
            err += process_.readAllStandardError();
            match = listening.match(QString::fromUtf8(err));
            return match.hasMatch() || process_.state() == QProcess::NotRunning;
        }, 60000);
        if (!up || !match.hasMatch())
            return QStringLiteral("chromium did not start: ") + QString::fromUtf8(err.right(600));
        const quint16 devtools = quint16(match.captured(1).toUInt());
        QString pageSocket;
        waitFor([&] {
            const Reply list = get(devtools, "/json/list");
            for (const auto& target : QJsonDocument::fromJson(list.body).array()) {
                const QJsonObject t = target.toObject();
                if (t[QStringLiteral("type")].toString() == QLatin1String("page"))
                    pageSocket = t[QStringLiteral("webSocketDebuggerUrl")].toString();
            }
            return !pageSocket.isEmpty();
        }, 20000);
        if (pageSocket.isEmpty())
            return QStringLiteral("chromium shows no page target");
        QObject::connect(&socket_, &QWebSocket::textMessageReceived, [this](const QString& text) {
            const QJsonObject reply = QJsonDocument::fromJson(text.toUtf8()).object();
            if (reply.contains(QStringLiteral("id")))
                replies_[reply[QStringLiteral("id")].toInt()] = reply;
        });
        // The browser may name itself "localhost"; it listens on 127.0.0.1 only.
        QUrl target(pageSocket);
        target.setHost(QStringLiteral("127.0.0.1"));
        target.setPort(devtools);
        socket_.open(target);
        if (!waitFor([&] { return socket_.state() == QAbstractSocket::ConnectedState; }, 20000))
            return QStringLiteral("the DevTools connection to %1 failed: %2").arg(target.toString(), socket_.errorString());
        return {};
    }

    QJsonObject call(const QString& method, const QJsonObject& params = {}) {
        const int id = ++lastId_;
        socket_.sendTextMessage(QString::fromUtf8(QJsonDocument(QJsonObject{
            {QStringLiteral("id"), id}, {QStringLiteral("method"), method}, {QStringLiteral("params"), params}})
                                                      .toJson(QJsonDocument::Compact)));
        waitFor([&] { return replies_.contains(id); }, 20000);
        return replies_.take(id).value(QStringLiteral("result")).toObject();
    }

    // The value of a JavaScript expression in the page, as text.
    QString eval(const QString& expression) {
        const QJsonObject result = call(QStringLiteral("Runtime.evaluate"),
                                        {{QStringLiteral("expression"), expression},
                                         {QStringLiteral("returnByValue"), true}});
        const QJsonValue value = result[QStringLiteral("result")].toObject()[QStringLiteral("value")];
        return value.isDouble() ? QString::number(value.toDouble()) : value.toString();
    }
    QString text(const QString& id) {
        return eval(QStringLiteral("(document.getElementById('%1') || {}).textContent || ''").arg(id));
    }

private:
    QProcess process_;
    QTemporaryDir profile_;
    QWebSocket socket_;
    QHash<int, QJsonObject> replies_;
    int lastId_ = 0;
};

}  // namespace

TEST(StatusPageInBrowser, ShowsWhatTheApiSaysAndFollowsTheLoad) {
    MonitorRig rig;
    // A browser that starts slowly on a busy machine must not see the status go stale.
    rig.settings.timeout = 120000;
    HttpOptions options;
    options.router = QStringLiteral("browser-router");
    HttpEndpoint endpoint(rig.controller.get(), rig.console.get(), options);
    QString error;
    ASSERT_TRUE(endpoint.start(&error)) << error.toStdString();
    rig.setLine(1, 37, 1200, 3400, 2);
    rig.tick();

    Browser browser;
    const QString why = browser.start(QStringLiteral("http://127.0.0.1:%1/").arg(endpoint.port()));
    if (!why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    ASSERT_TRUE(waitFor([&] { return browser.eval(QStringLiteral("document.body.dataset.loaded || ''")) == "1"; }, 30000));
    ASSERT_TRUE(waitFor([&] { return browser.eval(QStringLiteral("String(!!window.EventSource)")) == "true"; }, 1000));

    auto compare = [&] {
        const QJsonObject status = QJsonDocument::fromJson(get(endpoint.port(), "/api/status").body).object();
        const QJsonObject line1 = status[QStringLiteral("lines")].toArray()[0].toObject();
        EXPECT_EQ(browser.text(QStringLiteral("line1-util")), QString::number(line1[QStringLiteral("lineUtilization")].toInt()));
        EXPECT_EQ(browser.text(QStringLiteral("line1-sent")), QString::number(line1[QStringLiteral("packetsSent")].toInt()));
        EXPECT_EQ(browser.text(QStringLiteral("line1-recv")), QString::number(line1[QStringLiteral("packetsReceived")].toInt()));
        EXPECT_EQ(browser.text(QStringLiteral("line1-errors")), QString::number(line1[QStringLiteral("errors")].toInt()));
        EXPECT_EQ(browser.text(QStringLiteral("line1-link")), line1[QStringLiteral("link")].toString());
        EXPECT_EQ(browser.text(QStringLiteral("line1-state")), QStringLiteral("up"));
        EXPECT_EQ(browser.text(QStringLiteral("tray")), QString::number(status[QStringLiteral("tray")].toInt()));
        EXPECT_EQ(browser.text(QStringLiteral("live")), QStringLiteral("live"));
    };
    compare();
    EXPECT_EQ(browser.text(QStringLiteral("line1-util")), QStringLiteral("37"));

    // The load changes on the router; the page follows from the event stream.
    rig.setLine(1, 81, 5000, 7000, 3);
    ASSERT_TRUE(waitFor([&] {
        rig.tick();
        return browser.text(QStringLiteral("line1-util")) == QLatin1String("81");
    }, 20000)) << browser.text(QStringLiteral("line1-util")).toStdString();
    compare();

    // Rendered: a screenshot of the page, kept beside the test for a look.
    const QJsonObject shot = browser.call(QStringLiteral("Page.captureScreenshot"), {{QStringLiteral("format"), QStringLiteral("png")}});
    const QImage image = QImage::fromData(QByteArray::fromBase64(shot[QStringLiteral("data")].toString().toLatin1()), "PNG");
    ASSERT_FALSE(image.isNull());
    EXPECT_GE(image.width(), 600);
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 8u) << "the page rendered blank";
    image.save(QStringLiteral(KORVANE_BINARY_DIR "/tests/http_status_page.png"));
}
