// The capture format, the password masking of its writer and the replay of
// the router's side to a client that types its own keys.
#include "tests/prestige-sim/raw_client.h"
#include "tests/prestige-sim/qt_print.h"
#include "tests/prestige-sim/sim_client.h"
#include "components/prestige/capture.h"
#include "components/prestige/replay.h"

#include <QBuffer>
#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace prestige;
using namespace simtest;

namespace {

QByteArray allBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes += char(i);
    return bytes;
}

// The lines a writer produced, without its two header lines.
QList<QByteArray> lines(const QBuffer& buffer)
{
    QList<QByteArray> all = buffer.data().split('\n');
    EXPECT_EQ(all.value(0), kCaptureHeader);
    all.removeFirst();
    all.removeFirst();
    if (!all.isEmpty() && all.back().isEmpty())
        all.removeLast();
    return all;
}

struct Writer {
    explicit Writer(QByteArray pw)
        : password(std::move(pw))
    {
        buffer.open(QIODevice::WriteOnly);
        writer = std::make_unique<CaptureWriter>(&buffer, [this] { return password; });
    }
    QByteArray password;
    QBuffer buffer;
    std::unique_ptr<CaptureWriter> writer;
};

} // namespace

TEST(CaptureFormat, EveryByteSurvivesTheRoundTripAndLinesStayReadable)
{
    const QByteArray bytes = allBytes() + "end ";
    const QByteArray text = escapeCaptureBytes(bytes);
    EXPECT_FALSE(text.contains('\n'));
    EXPECT_FALSE(text.contains('\r'));
    EXPECT_TRUE(text.endsWith("end\\x20")); // a trailing blank survives editors
    EXPECT_TRUE(text.contains("\\e\\x1c"));
    EXPECT_TRUE(text.contains("\\r\\x0e"));
    QString error;
    const auto back = unescapeCaptureBytes(text, nullptr, &error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(*back, bytes);

    // \P marks where the password stood; nothing of it is written.
    const QByteArray masked = escapeCaptureBytes("ab1234\r\n", QByteArray("\0\0\1\2\2\2\0\0", 8));
    EXPECT_EQ(masked, "ab\\P\\r\\n");
    QList<qsizetype> at;
    EXPECT_EQ(unescapeCaptureBytes(masked, &at, &error), QByteArray("ab\r\n"));
    EXPECT_EQ(at, QList<qsizetype> {2});

    for (const char* bad : {"\\", "\\x4", "\\xg0", "\\q"})
        EXPECT_FALSE(unescapeCaptureBytes(bad, nullptr, &error)) << bad;
}

TEST(CaptureFormat, BadFilesAreRefusedWithTheLine)
{
    struct Case {
        const char* text;
        const char* expect;
    };
    const Case cases[] = {
        {"", "empty"},
        {"hello\n", "line 1: not a korvane capture"},
        {"# korvane capture 1\n< 0.5 ok\n? 1 x\n", "line 3: a line begins with"},
        {"# korvane capture 1\n\n> -1 x\n", "line 3: \"-1\" is not a time"},
        {"# korvane capture 1\n> abc x\n", "line 2: \"abc\" is not a time"},
        {"# korvane capture 1\n<\n", "line 2: the time is missing"},
        {"# korvane capture 1\n< 1 \\x1\n", "line 2: \\x needs two hex digits"},
        {"# korvane capture 1\n! 1 reboot\n", "line 2: a ! line says open or close"},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_FALSE(parseCapture(c.text, &error)) << c.text;
        EXPECT_TRUE(error.contains(QLatin1String(c.expect))) << c.text << " gave " << error.toStdString();
    }
    QString error;
    const auto entries = parseCapture("\n# korvane capture 1\r\n# a note\n! 0.000 open 10.0.0.1:23\n> 0.010 \\P\\r\\n\r\n"
                                      "< 0.020 \n< 1.5 a b\\x20\n! 2 close\n",
                                      &error);
    ASSERT_TRUE(entries) << error.toStdString();
    ASSERT_EQ(entries->size(), 5);
    EXPECT_EQ((*entries)[0].kind, CaptureEntry::Kind::Open);
    EXPECT_EQ((*entries)[0].note, "10.0.0.1:23");
    EXPECT_EQ((*entries)[1].bytes, "\r\n");
    EXPECT_EQ((*entries)[1].passwordAt, QList<qsizetype> {0});
    EXPECT_EQ((*entries)[2].bytes, "");
    EXPECT_EQ((*entries)[3].bytes, "a b ");
    EXPECT_DOUBLE_EQ((*entries)[3].seconds, 1.5);
    EXPECT_EQ((*entries)[3].sourceLine, 7);
    EXPECT_EQ((*entries)[4].kind, CaptureEntry::Kind::Close);
    EXPECT_FALSE(loadCapture(QStringLiteral("/nonexistent/x.capture"), &error));
    EXPECT_TRUE(error.contains(QLatin1String("/nonexistent/x.capture")));
}

TEST(CaptureWriter, MasksThePasswordInKeysAndEchoesEvenAcrossChunks)
{
    Writer w("s3cr3t");
    w.writer->opened(0, "127.0.0.1:23");
    w.writer->sent(0.001, "s3cr3t\r\n");
    w.writer->received(0.01, "Password: s3c");   // an echo cut in two
    w.writer->sent(0.02, "24\r\n");               // waits behind the held chunk
    EXPECT_EQ(lines(w.buffer).size(), 2);
    w.writer->received(0.03, "r3t\r\nMain");
    w.writer->received(0.04, "xs3cr");           // only looks like a start
    w.writer->received(0.05, "3x");
    w.writer->closed(0.06);
    const QList<QByteArray> l = lines(w.buffer);
    ASSERT_EQ(l.size(), 8);
    EXPECT_EQ(l[0], "! 0.000 open 127.0.0.1:23");
    EXPECT_EQ(l[1], "> 0.001 \\P\\r\\n");
    EXPECT_EQ(l[2], "< 0.010 Password: \\P");
    EXPECT_EQ(l[3], "> 0.020 24\\r\\n");
    EXPECT_EQ(l[4], "< 0.030 \\r\\nMain");
    EXPECT_EQ(l[5], "< 0.040 xs3cr");
    EXPECT_EQ(l[6], "< 0.050 3x");
    EXPECT_EQ(l[7], "! 0.060 close");
    EXPECT_FALSE(w.buffer.data().contains("s3cr3t"));
    // Closing settles what was held: a password cut at the very end stays.
    Writer tail("abc");
    tail.writer->received(1, "xxab");
    EXPECT_TRUE(lines(tail.buffer).isEmpty());
    tail.writer.reset();
    EXPECT_EQ(lines(tail.buffer), QList<QByteArray> {"< 1.000 xxab"});
}

TEST(CaptureWriter, OneByteChunksAndRepeatsAreMaskedWithoutAPassword)
{
    Writer w("1212");
    for (char c : QByteArray("x121212y1212"))
        w.writer->received(0, QByteArray(1, c));
    w.writer->flush();
    QByteArray joined;
    for (const QByteArray& l : lines(w.buffer))
        joined += l.mid(8);
    EXPECT_EQ(joined, "x\\P12y\\P");

    Writer none("");
    none.writer->sent(0, "keys\r\n");
    EXPECT_EQ(lines(none.buffer), QList<QByteArray> {"> 0.000 keys\\r\\n"});
}

namespace {

QList<CaptureEntry> parsed(const QByteArray& text)
{
    QString error;
    auto entries = parseCapture(QByteArray(kCaptureHeader) + '\n' + text, &error);
    EXPECT_TRUE(entries) << error.toStdString();
    return entries.value_or(QList<CaptureEntry> {});
}

} // namespace

TEST(Replay, SendsWhatFollowsAKeyOnlyWhenItComesWhateverThePassword)
{
    Replay replay(parsed("! 0 open\n"
                         "< 0.000 Password:\n"
                         "> 0.010 \\P\\r\\n\n"
                         "> 0.010 24\\r\\n\n"
                         "< 0.020 [\\P] menu 24\n"
                         "> 0.030 \\e\n"
                         "< 0.040 back\n"
                         "< 0.140 again\n"
                         "! 0.2 open\n"
                         "< 0.3 second\n"));
    ASSERT_TRUE(replay.listen(0)) << replay.errorString().toStdString();
    EXPECT_EQ(replay.connections(), 2);
    RawClient client;
    ASSERT_TRUE(client.connectTo(replay.port()));
    client.pump(2000, [&] { return client.received == "Password:"; });
    EXPECT_EQ(client.received, "Password:");
    // A longer password, its CR and LF in two writes: Enter is Enter.
    client.send("a-much-longer-password\r");
    client.pump(150);
    EXPECT_EQ(client.received, "Password:");
    client.send("\n24\r\n");
    client.pump(2000, [&] { return client.received.contains("menu 24"); });
    EXPECT_EQ(client.received, "Password:[****] menu 24");
    client.pump(150);
    EXPECT_FALSE(client.received.contains("back"));
    client.send("\x1b");
    QElapsedTimer paced;
    paced.start();
    EXPECT_EQ(client.pump(3000), RawClient::End::Closed); // the router ended it: another connection follows
    EXPECT_TRUE(client.received.endsWith("backagain"));
    EXPECT_GE(paced.elapsed(), 90); // the recorded pause between the two
    EXPECT_EQ(replay.connectionsPlayed(), 1);

    RawClient second;
    ASSERT_TRUE(second.connectTo(replay.port()));
    second.pump(3000, [&] { return second.received == "second"; });
    EXPECT_EQ(second.received, "second");
    EXPECT_EQ(second.pump(200), RawClient::End::Open); // the capture ends here; so does nothing
    RawClient third;
    ASSERT_TRUE(third.connectTo(replay.port()));
    EXPECT_NE(third.pump(2000), RawClient::End::Open);
    EXPECT_TRUE(third.received.isEmpty());
}

TEST(Replay, ANothingCaptureIsRefused)
{
    Replay replay(parsed("# nothing\n"));
    EXPECT_FALSE(replay.listen(0));
    EXPECT_TRUE(replay.errorString().contains(QLatin1String("nothing")));
}
