// korvane-tool packet [--ipx] [HEXTEXT...]: the packet decoder on a captured
// packet's hex text (from standard input when none is given), one
// "label<TAB>value" line per row in the decoder's order.

#include "tool_command.h"

#include "korvane/packet/hex_text.h"
#include "korvane/packet/packet_properties.h"

#include <QFile>

#include <cctype>

namespace {

// Far above any captured packet; keeps a device or a huge pipe from being read whole.
constexpr qint64 kMaxInputBytes = 1 << 20;

int usageError(const QString& message)
{
    toolErr(QLatin1String("korvane-tool packet: ") + message + QLatin1String("\nusage: korvane-tool packet [--ipx] [HEXTEXT]\n"));
    return 2;
}

int runPacket(const QStringList& args)
{
    bool ipx = false;
    QStringList words;
    for (const QString& arg : args) {
        if (arg == QLatin1String("--ipx"))
            ipx = true;
        else if (arg.startsWith(QLatin1String("--")))
            return usageError(QStringLiteral("unknown option '%1'").arg(arg));
        else
            words.append(arg);
    }

    QString text;
    if (!words.isEmpty()) {
        // White space does not count, so the digits may come as several arguments.
        text = words.join(u' ');
    } else {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return usageError(QStringLiteral("cannot read standard input: %1").arg(in.errorString()));
        const QByteArray bytes = in.read(kMaxInputBytes + 1);
        if (in.error() != QFileDevice::NoError)
            return usageError(QStringLiteral("cannot read standard input: %1").arg(in.errorString()));
        if (bytes.size() > kMaxInputBytes)
            return usageError(QStringLiteral("standard input is larger than %1 bytes, not a packet").arg(kMaxInputBytes));
        // The router's text is one byte per character.
        text = QString::fromLatin1(bytes);
    }

    // The decoder takes anything (a stray character counts as 0); from a
    // user, text that is no hex dump is a mistake worth saying.
    const QString digits = StripWhiteSpace(text);
    if (digits.isEmpty())
        return usageError(QStringLiteral("no packet given: hexadecimal digits such as \"45 00 00 3D\" expected"));
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (!isxdigit(static_cast<unsigned char>(digits[i].toLatin1())) || digits[i].unicode() > 0x7f)
            return usageError(QStringLiteral("'%1' is not a hexadecimal digit; the packet is given as hex text "
                                             "such as \"45 00 00 3D\"").arg(digits[i]));
    }
    const CPacketProperties rows(HexTextToBytes(text), !ipx);
    QString out;
    for (int i = 0; i < rows.GetCount(); ++i) {
        QString label, value;
        rows.GetAt(i, label, value);
        out += label + u'\t' + value + u'\n';
    }
    toolOut(out);
    return 0;
}

const ToolCommand packet{"packet", "[--ipx] [HEXTEXT]  (hex text from standard input when not given)", runPacket};

}  // namespace
