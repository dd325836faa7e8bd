// korvane-tool script FILE [--timeout S] [--fire EVENT [ARG]]...
// Loads a script against an application object with empty records, prints
// its event procedures and user functions, fires the events in order and
// prints each error. MsgBox prints "msgbox: <text>" and takes the default
// button, so a script's results can be read from the output.
//
// korvane-tool script --run FILE [ARG]...
// Runs a script as cscript does, with its WScript object: what it echoes goes
// to standard output, its errors to standard error, and WScript.Quit's code
// is the exit status.

#include "tool_command.h"

#include "automation/dispatch.h"
#include "korvane/model/application.h"
#include "korvane/script/script_host.h"
#include "wscript_object.h"

#include <QFile>
#include <QStringDecoder>

namespace {

int runLikeCscript(const QStringList& args) {
    if (args.isEmpty()) {
        toolErr(QStringLiteral("usage: korvane-tool script --run FILE [ARG]...\n"));
        return 2;
    }
    const QString file = args.first();
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        toolErr(QStringLiteral("korvane-tool script: cannot read %1: %2\n").arg(file, in.errorString()));
        return 1;
    }
    const QByteArray bytes = in.readAll();
    // Notepad's "Unicode" files start with a byte order mark; others are UTF-8.
    const bool utf16 = bytes.startsWith("\xFF\xFE");
    QString code = utf16 ? QStringDecoder(QStringDecoder::Utf16LE)(bytes.mid(2)) : QString::fromUtf8(bytes);
    if (code.startsWith(QChar(0xFEFF)))
        code.remove(0, 1);

    scriptcontrol::ScriptControl control;
    control.setLanguage(file.endsWith(QLatin1String(".js"), Qt::CaseInsensitive) ? QStringLiteral("JScript")
                                                                                 : QStringLiteral("VBScript"));
    control.setTimeout(0);
    control.setAllowUI(true);
    control.setMsgBoxHandler([](const QString& prompt, int buttons, const QString&) {
        toolOut(QStringLiteral("msgbox: %1\n").arg(prompt));
        return scriptcontrol::ScriptControl::defaultButton(buttons);
    });
    auto host = std::make_unique<wscript::WScript>(file, args.mid(1), [&control] { control.interruptRunning(); });
    wscript::WScript* wscript = host.get();
    control.addObject(QStringLiteral("WScript"), automation::owningDispatchFor(std::move(host)), false);
    if (control.addCode(code) || wscript->quitRequested)
        return wscript->quitRequested ? wscript->quitCode : 0;
    const scriptcontrol::Error& e = control.error();
    toolErr(QStringLiteral("%1(%2, %3) error %4: %5\n").arg(file).arg(e.line).arg(e.column).arg(e.number).arg(e.description));
    return 1;
}

int runScript(const QStringList& args) {
    if (!args.isEmpty() && args.first() == QLatin1String("--run"))
        return runLikeCscript(args.mid(1));
    if (args.isEmpty() || args.first().startsWith(QLatin1String("--"))) {
        toolErr(QStringLiteral("usage: korvane-tool script FILE [--timeout S] [--fire EVENT [ARG]]...\n"
                               "       korvane-tool script --run FILE [ARG]...\n"));
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

const ToolCommand command{"script", "FILE [--timeout S] [--fire EVENT [ARG]]... | --run FILE [ARG]...", runScript};

}  // namespace

#include "moc_wscript_object.cpp"
