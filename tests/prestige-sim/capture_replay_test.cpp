// Captures against the real console monitor: the kept captures of the
// simulator's three status layouts replay to it with another password and
// give status ticks and a call history, and a session it records replays in
// turn.
#include "tests/prestige-sim/qt_print.h"
#include "tests/prestige-sim/sim_client.h"
#include "components/prestige/capture.h"
#include "components/prestige/replay.h"
#include "components/prestige/simulator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace prestige;
using namespace simtest;

namespace {

// A console monitor run to its end, with settings of its own.
struct ConsoleRun {
    ConsoleRun(quint16 port, const QString& password, int seconds, const QStringList& extra = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KORVANE_SETTINGS_DIR"), settings.path());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(KORVANE_BINARY_DIR "/bin/korvane"),
                      QStringList {QStringLiteral("--console"), QStringLiteral("--json"), QStringLiteral("--password"), password,
                                   QStringLiteral("--for"), QString::number(seconds), QStringLiteral("127.0.0.1:%1").arg(port)}
                          + extra);
    }
    bool finished() const { return process.state() == QProcess::NotRunning; }
    QList<QJsonObject> events(const char* name)
    {
        output += process.readAllStandardOutput();
        QList<QJsonObject> found;
        for (const QByteArray& line : output.split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.value(QStringLiteral("event")).toString() == QLatin1String(name))
                found << o;
        }
        return found;
    }

    QTemporaryDir settings;
    QProcess process;
    QByteArray output;
};

bool waitAll(const std::vector<std::unique_ptr<ConsoleRun>>& runs, int boundMs)
{
    return spinUntil([&] {
        return std::all_of(runs.begin(), runs.end(), [](const auto& r) { return r->finished(); });
    }, boundMs);
}

} // namespace

TEST(CaptureReplay, KeptCapturesOfEachLayoutGiveTicksAndTheCallHistory)
{
    std::vector<std::unique_ptr<Replay>> replays;
    std::vector<std::unique_ptr<ConsoleRun>> runs;
    for (int layout = 0; layout < 3; ++layout) {
        QString error;
        auto entries = loadCapture(QStringLiteral(KORVANE_SOURCE_DIR "/tests/captures/layout%1.capture").arg(layout), &error);
        ASSERT_TRUE(entries) << error.toStdString();
        replays.push_back(std::make_unique<Replay>(std::move(*entries)));
        ASSERT_TRUE(replays.back()->listen(0)) << replays.back()->errorString().toStdString();
        // Recorded with the password Zq7-pw; this monitor knows another.
        runs.push_back(std::make_unique<ConsoleRun>(replays.back()->port(), QStringLiteral("other password"), 11));
    }
    ASSERT_TRUE(waitAll(runs, 60000));
    for (int layout = 0; layout < 3; ++layout) {
        ConsoleRun& run = *runs[std::size_t(layout)];
        SCOPED_TRACE(layout);
        EXPECT_EQ(replays[std::size_t(layout)]->connectionsPlayed(), 1);
        const QList<QJsonObject> ticks = run.events("tick");
        EXPECT_GE(ticks.size(), 8) << run.output.constData();
        bool branchSeen = false;
        for (const QJsonObject& t : ticks) {
            const QJsonObject line1 = t.value(QStringLiteral("lines")).toArray().at(0).toObject();
            branchSeen = branchSeen
                || (line1.value(QStringLiteral("link")).toString() == QLatin1String("Branch")
                    && line1.value(QStringLiteral("ipAddress")).toString() == QLatin1String("10.0.0.2"));
        }
        EXPECT_TRUE(branchSeen);
        const QList<QJsonObject> history = run.events("history");
        ASSERT_EQ(history.size(), 1);
        const QJsonArray calls = history[0].value(QStringLiteral("calls")).toArray();
        ASSERT_EQ(calls.size(), 1);
        EXPECT_EQ(calls[0].toObject().value(QStringLiteral("phoneNumber")).toString(), QStringLiteral("5551234"));
        EXPECT_TRUE(run.events("badpassword").isEmpty());
    }
}

TEST(CaptureReplay, ARecordedSessionHidesThePasswordAndReplays)
{
    SimulatorOptions o;
    o.password = QStringLiteral("pw-Xy9");
    o.repaintMs = 300;
    Simulator sim(o);
    ASSERT_TRUE(sim.listen(0));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("session.capture"));
    std::vector<std::unique_ptr<ConsoleRun>> recording;
    recording.push_back(std::make_unique<ConsoleRun>(sim.port(), o.password, 3, QStringList {QStringLiteral("--record"), file}));
    ASSERT_TRUE(waitAll(recording, 30000));
    ASSERT_GE(recording[0]->events("tick").size(), 3);

    QFile capture(file);
    ASSERT_TRUE(capture.open(QIODevice::ReadOnly));
    const QByteArray text = capture.readAll();
    EXPECT_FALSE(text.contains("pw-Xy9"));
    EXPECT_TRUE(text.contains("\n> ")); // the keys
    QString error;
    auto entries = parseCapture(text, &error);
    ASSERT_TRUE(entries) << error.toStdString();
    ASSERT_GE(entries->size(), 4);
    EXPECT_EQ(entries->front().kind, CaptureEntry::Kind::Open);
    EXPECT_EQ(entries->back().kind, CaptureEntry::Kind::Close);
    EXPECT_EQ((*entries)[1].kind, CaptureEntry::Kind::Sent);
    EXPECT_EQ((*entries)[1].passwordAt, QList<qsizetype> {0});

    Replay replay(std::move(*entries));
    ASSERT_TRUE(replay.listen(0));
    std::vector<std::unique_ptr<ConsoleRun>> replaying;
    replaying.push_back(std::make_unique<ConsoleRun>(replay.port(), QStringLiteral("x"), 4));
    ASSERT_TRUE(waitAll(replaying, 30000));
    EXPECT_GE(replaying[0]->events("tick").size(), 3) << replaying[0]->output.constData();
}

TEST(CaptureReplay, AFileThatCannotBeWrittenEndsTheRunWithAReason)
{
    QProcess p;
    p.start(QStringLiteral(KORVANE_BINARY_DIR "/bin/korvane"),
            {QStringLiteral("--console"), QStringLiteral("--record"), QStringLiteral("/nonexistent/dir/x.capture"),
             QStringLiteral("127.0.0.1:1")});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardError().contains("/nonexistent/dir/x.capture"));
}
