// korvane-tool: diagnostics on the monitor's parts, one subcommand each.

#include "tool_command.h"

#include <QCoreApplication>

#include <vector>

namespace {
std::vector<const ToolCommand*>& commands()
{
    static std::vector<const ToolCommand*> all;
    return all;
}

QString usageText()
{
    QString text = QStringLiteral("usage: korvane-tool <command> [arguments]\n"
                                  "       korvane-tool <command> --help\n"
                                  "commands:\n");
    for (const ToolCommand* c : commands())
        text += QStringLiteral("  %1 %2\n").arg(QLatin1String(c->name), QLatin1String(c->usage));
    return text;
}

void usage() { toolErr(usageText()); }

bool isHelp(const QString& arg)
{
    return arg == QLatin1String("--help") || arg == QLatin1String("-h") || arg == QLatin1String("help");
}
}  // namespace

ToolCommand::ToolCommand(const char* n, const char* u, ToolFunction r) : name(n), usage(u), run(r)
{
    commands().push_back(this);
}

void toolOut(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void toolErr(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        usage();
        return 2;
    }
    const QString name = args.takeFirst();
    // Asked for, help goes to standard output and is no error.
    if (isHelp(name)) {
        toolOut(usageText());
        return 0;
    }
    for (const ToolCommand* c : commands()) {
        if (name != QLatin1String(c->name))
            continue;
        if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
            toolOut(QStringLiteral("usage: korvane-tool %1 %2\n").arg(QLatin1String(c->name), QLatin1String(c->usage)));
            return 0;
        }
        return c->run(args);
    }
    toolErr(QStringLiteral("korvane-tool: unknown command '%1'\n").arg(name));
    usage();
    return 2;
}
