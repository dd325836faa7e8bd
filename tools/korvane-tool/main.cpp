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

void usage()
{
    toolErr(QStringLiteral("usage: korvane-tool <command> [arguments]\n"));
    for (const ToolCommand* c : commands())
        toolErr(QStringLiteral("  %1 %2\n").arg(QLatin1String(c->name), QLatin1String(c->usage)));
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
    for (const ToolCommand* c : commands()) {
        if (name == QLatin1String(c->name))
            return c->run(args);
    }
    toolErr(QStringLiteral("korvane-tool: unknown command '%1'\n").arg(name));
    usage();
    return 2;
}
