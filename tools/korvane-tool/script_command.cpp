// korvane-tool script FILE [--timeout S] [--fire EVENT [ARG]]...
// Loads a script against an application object with empty records, prints
// its event procedures and user functions, fires the events in order and
// prints each error. MsgBox prints "msgbox: <text>" and takes the default
// button, so a script's results can be read from the output.

#include "tool_command.h"

#include "automation/dispatch.h"
#include "korvane/model/application.h"
#include "korvane/script/script_host.h"

namespace {

int runScript(const QStringList& args) {
    if (args.isEmpty() || args.first().startsWith(QLatin1String("--"))) {
        toolErr(QStringLiteral("usage: korvane-tool script FILE [--timeout S] [--fire EVENT [ARG]]...\n"));
        return 2;
    }
    const QString file = args.first();
    struct Fire {
        QString event;
        QList<automation::Variant> args;
    };
    QList<Fire> fires;
    int timeout = 30;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--timeout") && i + 1 < args.size()) {
            bool ok = false;
            timeout = args[++i].toInt(&ok);
            if (!ok || timeout < 0) {
                toolErr(QStringLiteral("korvane-tool script: bad --timeout\n"));
                return 2;
            }
            continue;
        }
        if (args[i] != QLatin1String("--fire") || i + 1 >= args.size()) {
            toolErr(QStringLiteral("korvane-tool script: unexpected argument \"%1\"\n").arg(args[i]));
            return 2;
        }
        Fire fire{args[++i], {}};
        bool known = false;
        for (int e = 0; e < int(korvane::CScriptHost::Event::Count); ++e) {
            const auto event = korvane::CScriptHost::Event(e);
            if (korvane::CScriptHost::eventName(event).compare(fire.event, Qt::CaseInsensitive) != 0)
                continue;
            known = true;
            fire.event = korvane::CScriptHost::eventName(event);
            if (korvane::CScriptHost::eventArgumentCount(event) == 1) {
                if (i + 1 >= args.size()) {
                    toolErr(QStringLiteral("korvane-tool script: %1 needs an argument\n").arg(fire.event));
                    return 2;
                }
                const QString arg = args[++i];
                const bool lineEvent = e <= int(korvane::CScriptHost::Event::CLIDChange);
                // Line events take the line number as a 4-byte integer.
                fire.args.append(lineEvent ? automation::Variant(qint32(arg.toInt())) : automation::Variant(arg));
            }
        }
        if (!known) {
            toolErr(QStringLiteral("korvane-tool script: unknown event \"%1\"\n").arg(fire.event));
            return 2;
        }
        fires.append(fire);
    }

    CApplication application;
    automation::DispatchRef dispatch = automation::dispatchFor(&application);
    korvane::CScriptHost host(dispatch, [] { return true; }, [file] { return file; });
    host.setTimeout(timeout);
    host.setMsgBoxHandler([](const QString& prompt, int buttons, const QString&) {
        toolOut(QStringLiteral("msgbox: %1\n").arg(prompt));
        return scriptcontrol::ScriptControl::defaultButton(buttons);
    });
    if (!host.LoadScript(file, dispatch)) {
        toolOut(QStringLiteral("error: %1\n").arg(host.ErrorText()));
        return 1;
    }
    toolOut(QStringLiteral("events: %1\n").arg(host.eventProcedures().join(QLatin1Char(' '))));
    QStringList functions;
    host.ListUserFunctions(functions);
    toolOut(QStringLiteral("functions: %1\n").arg(functions.join(QLatin1Char(' '))));
    for (const Fire& fire : fires) {
        if (!host.hasEvent(fire.event)) {
            toolOut(QStringLiteral("not defined: %1\n").arg(fire.event));
            continue;
        }
        host.fireEvent(fire.event, fire.args);
        if (host.HasError())
            toolOut(QStringLiteral("error: %1\n").arg(host.ErrorText()));
    }
    return 0;
}

const ToolCommand command{"script", "FILE [--timeout S] [--fire EVENT [ARG]]...", runScript};

}  // namespace
