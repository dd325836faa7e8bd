// The line sounds: only a file that exists and begins like a RIFF/WAVE file
// is handed to the audio layer; anything else stays silent with its reason.
#include "fault_monitor.h"

#include "korvane/shell/sound_player.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

// A short 8 kHz, 16-bit mono PCM tone.
QByteArray pcmWave(int samples = 400) {
    auto le32 = [](quint32 v) { QByteArray b(4, '\0'); qToLittleEndian(v, b.data()); return b; };
    auto le16 = [](quint16 v) { QByteArray b(2, '\0'); qToLittleEndian(v, b.data()); return b; };
    QByteArray data;
    for (int i = 0; i < samples; ++i)
        data += le16(quint16((i % 20 < 10) ? 8000 : -8000));
    QByteArray fmt = le16(1) + le16(1) + le32(8000) + le32(16000) + le16(2) + le16(16);
    QByteArray body = "WAVE" + QByteArray("fmt ") + le32(quint32(fmt.size())) + fmt + "data" +
                      le32(quint32(data.size())) + data;
    return "RIFF" + le32(quint32(body.size())) + body;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

class SoundFiles : public ::testing::Test {
protected:
    SoundFiles() {
        player_.setFailureListener([this](const QString& file, const QString& reason) {
            failures_.append(QFileInfo(file).fileName() + QStringLiteral(": ") + reason);
        });
    }
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir_;
    WaveSoundPlayer player_;
    QStringList failures_;
};

}  // namespace

TEST_F(SoundFiles, FilesThatAreNoWaveStaySilentWithTheirReason) {
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* reason;
    };
    const QList<Case> cases = {
        {"text.wav", "This is not a sound at all.\n", "is not a wave file"},
        {"empty.wav", QByteArray(), "is not a wave file"},
        {"short.wav", "RIFF\x10\0\0", "is not a wave file"},
        {"avi.wav", QByteArray("RIFF\x10\0\0\0AVI LIST", 16), "is not a wave file"},
        {"bigendian.wav", QByteArray("RIFX\x10\0\0\0WAVEfmt ", 16), "is not a wave file"},
        {"mp3.wav", QByteArray("ID3\x03\0\0\0\0\0\0", 10) + QByteArray(200, '\xff'), "is not a wave file"},
    };
    for (const Case& c : cases) {
        const QString file = path(c.name);
        ASSERT_TRUE(writeFile(file, c.bytes));
        const QString reason = player_.playFile(file);
        EXPECT_EQ(reason, QStringLiteral("The sound file \"%1\" %2").arg(file, QLatin1String(c.reason))) << c.name;
        EXPECT_EQ(player_.lastFailure(), reason);
    }
    EXPECT_EQ(failures_.size(), cases.size());
    EXPECT_EQ(player_.started(), 0);
}

TEST_F(SoundFiles, MissingFilesFoldersAndPipesAreNotOpened) {
    EXPECT_EQ(player_.playFile(path("missing.wav")),
              QStringLiteral("The sound file \"%1\" does not exist").arg(path("missing.wav")));
    EXPECT_EQ(player_.playFile(dir_.path()), QStringLiteral("The sound file \"%1\" is not a file").arg(dir_.path()));
    const QString fifo = path("pipe.wav");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(player_.playFile(fifo), QStringLiteral("The sound file \"%1\" is not a file").arg(fifo));
    EXPECT_EQ(player_.playFile(QString()), QStringLiteral("No sound file is named"));
    const QString locked = path("locked.wav");
    ASSERT_TRUE(writeFile(locked, pcmWave()));
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::Permissions()));
    if (QFile(locked).open(QIODevice::ReadOnly))
        GTEST_SKIP() << "running with rights that read any file";
    EXPECT_TRUE(player_.playFile(locked).startsWith(
        QStringLiteral("The sound file \"%1\" cannot be read: ").arg(locked)));
    EXPECT_EQ(player_.started(), 0);
}

TEST_F(SoundFiles, AWaveFileIsHandedToTheAudioLayerAndTheSameOneAgainToo) {
    const QString file = path("up.wav");
    ASSERT_TRUE(writeFile(file, pcmWave()));
    EXPECT_EQ(WaveSoundPlayer::checkWaveFile(file), QString());
    EXPECT_EQ(player_.playFile(file), QString());
    EXPECT_EQ(player_.playFile(file), QString());
    EXPECT_EQ(player_.started(), 2);
    EXPECT_TRUE(player_.lastFailure().isEmpty());
    // Whatever the machine's audio device, a good file reports nothing.
    waitUntil([] { return false; }, 300);
    EXPECT_TRUE(failures_.isEmpty()) << failures_.join(QLatin1Char('\n')).toStdString();
}

TEST_F(SoundFiles, AWaveHeaderOverGarbageIsReportedOnceTheAudioLayerGivesUp) {
    const QString file = path("broken.wav");
    ASSERT_TRUE(writeFile(file, QByteArray("RIFF\x40\0\0\0WAVE", 12) + QByteArray(60, '\x7f')));
    EXPECT_EQ(WaveSoundPlayer::checkWaveFile(file), QString());
    EXPECT_EQ(player_.playFile(file), QString());
    ASSERT_TRUE(waitUntil([&] { return !failures_.isEmpty(); }, 5000));
    EXPECT_EQ(failures_.value(0), QStringLiteral("broken.wav: The sound file \"%1\" could not be played").arg(file));
}

namespace {

class SoundSettings : public FakeSettings {
public:
    QString up, down;
    QString lineUpSound() const override { return up; }
    QString lineDownSound() const override { return down; }
};

}  // namespace

TEST_F(SoundFiles, ALineGoingUpWithABrokenSoundFileGoesOnMonitoring) {
    // The controller plays on line changes; a bad file costs nothing else.
    Log log;
    SoundSettings settings;
    settings.up = path("up-not-a-wave.wav");
    settings.down = path("down-missing.wav");
    ASSERT_TRUE(writeFile(settings.up, "plain text"));
    auto terminal = std::make_unique<FakeTerminal>(&log);
    FakeTerminal* tty = terminal.get();
    CMonitorController controller(&settings, nullptr, std::move(terminal));
    controller.setSoundPlayer(&player_);
    controller.setTelnetViewActive(true);
    controller.Connect();

    prestige::RouterState state;
    prestige::CallRequest call;
    call.line = 1;
    call.node = QStringLiteral("Office");
    call.peerIp = QStringLiteral("10.0.0.2");
    call.number = QStringLiteral("0301234");
    ASSERT_TRUE(state.startCall(call));
    auto paint = [&] {
        const prestige::Canvas screen = prestige::paintStatusScreen(state, {});
        tty->paint(QString::fromLatin1(screen.text()), screen.cursorRow(), screen.cursorColumn());
    };
    int ticks = 0;
    QObject::connect(&controller, &CMonitorController::statusTick, [&] { ++ticks; });
    paint();
    state.hangup(1);
    paint();
    paint();
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(failures_, (QStringList{
                             QStringLiteral("up-not-a-wave.wav: The sound file \"%1\" is not a wave file").arg(settings.up),
                             QStringLiteral("down-missing.wav: The sound file \"%1\" does not exist").arg(settings.down),
                         }));
    EXPECT_FALSE(controller.lineMemory()[0].up);
    EXPECT_EQ(player_.started(), 0);
}
