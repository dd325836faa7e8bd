// korvane-tool screen: feeds standard input to a fresh terminal screen, in
// chunks as the connection would hand them over, and prints the
// screen's text form and the cursor.

#include "tessen/screen.h"
#include "tool_command.h"

#include <QFile>

#include <cstdio>

namespace {

int runScreen(const QStringList& args)
{
    qsizetype chunk = 0;  // 0: the whole input as one chunk
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--chunk") && i + 1 < args.size()) {
            bool ok = false;
            chunk = args[++i].toLongLong(&ok);
            if (!ok || chunk < 1) {
                toolErr(QStringLiteral("korvane-tool screen: --chunk needs a positive byte count\n"));
                return 2;
            }
        } else {
            toolErr(QStringLiteral("usage: korvane-tool screen [--chunk N] < bytes\n"));
            return 2;
        }
    }

    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly)) {
        toolErr(QStringLiteral("korvane-tool screen: cannot read standard input\n"));
        return 2;
    }
    const QByteArray bytes = input.readAll();

    CTerminalScreen screen(24, 80);
    if (chunk == 0 || chunk >= bytes.size()) {
        screen.Parse(bytes);
    } else {
        for (qsizetype at = 0; at < bytes.size(); at += chunk)
            screen.Parse(bytes.constData() + at, std::size_t(std::min(chunk, bytes.size() - at)));
    }

    // The text form goes out byte for byte: cells may hold any byte value.
    const QByteArray text = screen.Text();
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
    toolOut(QStringLiteral("cursor %1 %2\n").arg(screen.CursorRow()).arg(screen.CursorColumn()));
    return 0;
}

const ToolCommand screenCommand{"screen", "[--chunk N] < bytes", runScreen};

}  // namespace
