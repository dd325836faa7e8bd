// Control characters from the router, the network or a script never reach
// the terminal the console monitor writes to.
#include "korvane/events/monitor_events.h"
#include "korvane/events/terminal_text.h"
#include "tests/controller/recorders.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cstdio>

using namespace korvane;

namespace {

// Everything written to the stream, as bytes.
QByteArray written(FILE* out) {
    std::fflush(out);
    std::rewind(out);
    QByteArray bytes;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, out)) > 0)
        bytes.append(buffer, qsizetype(got));
    return bytes;
}

// A C0 byte other than the line feed, DEL, or a C1 character (encoded as
// UTF-8, C2 80 to C2 9F, or as a raw byte).
bool hasTerminalControl(const QByteArray& bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if ((b < 0x20 && b != '\n') || b == 0x7F || (b >= 0x80 && b <= 0x9F && (i == 0 || uchar(bytes[i - 1]) != 0xC2)))
            return true;
        if (b == 0xC2 && i + 1 < bytes.size() && uchar(bytes[i + 1]) >= 0x80 && uchar(bytes[i + 1]) <= 0x9F)
            return true;
    }
    return false;
}

const QString kHostile = QStringLiteral("0301\a234\x1b[2J\u009b" "31m\u0085end\x7f\r\t");

}  // namespace

TEST(TerminalText, ControlsBecomeVisibleEscapesOtherTextStays) {
    EXPECT_EQ(visibleControls(kHostile), QStringLiteral("0301\\x07234\\x1b[2J\\x9b31m\\x85end\\x7f\\x0d\\x09"));
    EXPECT_EQ(visibleControls(QStringLiteral("two\nlines \u00e9\u20ac")), QStringLiteral("two\nlines \u00e9\u20ac"));
    EXPECT_EQ(escapeJsonControls(QByteArray("{\"a\":\"x\xc2\x85y\x7f\"}")), QByteArray("{\"a\":\"x\\u0085y\\u007f\"}"));
}

TEST(TerminalText, ConsoleLinesAndJsonCarryNoControlCharacters) {
    for (const bool json : {false, true}) {
        FILE* out = std::tmpfile();
        ASSERT_NE(out, nullptr);
        {
            test::FakeSettings settings;
            CMonitorController controller(&settings);
            MonitorEvents console(&controller, out, json);
            console.emitEvent(QStringLiteral("clid"), {{QStringLiteral("clid"), kHostile}},
                              QStringLiteral("caller id on line 1: ") + kHostile);
            console.emitEvent(QStringLiteral("syslog"), {{QStringLiteral("line"), QStringLiteral("a\u0090b")}},
                              QStringLiteral("syslog: a\u0090b"));
        }
        const QByteArray bytes = written(out);
        std::fclose(out);
        SCOPED_TRACE(json ? "json" : "text");
        EXPECT_FALSE(hasTerminalControl(bytes)) << bytes.toStdString();
        EXPECT_EQ(bytes.count('\n'), 2);
        if (json) {
            // The escapes decode back to the text as it came.
            const QJsonDocument doc = QJsonDocument::fromJson(bytes.left(bytes.indexOf('\n')));
            EXPECT_EQ(doc.object().value(QStringLiteral("clid")).toString(), kHostile);
        } else {
            EXPECT_TRUE(bytes.contains("0301\\x07234")) << bytes.toStdString();
        }
    }
}
