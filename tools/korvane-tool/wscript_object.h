#pragma once
// The WScript object of cscript, for `korvane-tool script --run`: scripts
// written for the Windows command line run here as they are, so a user can
// try one before the monitor loads it.

#include "tool_command.h"

#include "automation/dispatch.h"
#include "components/scriptcontrol/script_control.h"

#include <QFileInfo>
#include <QObject>
#include <QStringList>
#include <QThread>

#include <functional>

namespace wscript {

// WScript.StdOut and WScript.StdErr: write-only text streams.
class ConsoleStream : public QObject {
    Q_OBJECT
    Q_CLASSINFO("TypeName", "TextStream")
public:
    explicit ConsoleStream(bool error) : error_(error) {}
    Q_INVOKABLE void Write(const QString& text) { put(text); }
    Q_INVOKABLE void WriteLine(const automation::Variant& text = automation::Variant())
    {
        put(text.toDisplayString() + QLatin1Char('\n'));
    }
    Q_INVOKABLE void WriteBlankLines(int lines) { put(QString(std::max(0, lines), QLatin1Char('\n'))); }
    Q_INVOKABLE void Close() {}

private:
    void put(const QString& text) { error_ ? toolErr(text) : toolOut(text); }
    bool error_;
};

// WScript.Arguments: the words after the script's name.
class Arguments : public QObject {
    Q_OBJECT
    Q_CLASSINFO("DefaultMember", "Item")
    Q_CLASSINFO("TypeName", "IWshArguments2")
    Q_PROPERTY(int Count READ count)
    Q_PROPERTY(int Length READ count)
public:
    explicit Arguments(QStringList words) : words_(std::move(words)) {}
    int count() const { return int(words_.size()); }
    Q_INVOKABLE QString Item(int index) const
    {
        if (index < 0 || index >= words_.size())
            throw automation::AutomationError(9);  // Subscript out of range
        return words_[index];
    }
    Q_INVOKABLE automation::Variant _NewEnum() const
    {
        QList<automation::Variant> items;
        for (const QString& w : words_)
            items.append(automation::Variant(w));
        return automation::Variant(automation::Array::fromList(items));
    }

private:
    QStringList words_;
};

class WScript : public QObject {
    Q_OBJECT
    Q_CLASSINFO("TypeName", "IHost")
    Q_PROPERTY(QString Name READ name)
    Q_PROPERTY(QString ScriptName READ scriptName)
    Q_PROPERTY(QString ScriptFullName READ scriptFullName)
    Q_PROPERTY(QString FullName READ fullName)
    Q_PROPERTY(QString Version READ version)
    Q_PROPERTY(int Interactive READ interactive)
    Q_PROPERTY(automation::Variant Arguments READ arguments)
    Q_PROPERTY(automation::Variant StdOut READ stdOut)
    Q_PROPERTY(automation::Variant StdErr READ stdErr)
public:
    // quit asks the running script to stop (Quit cannot unwind it alone:
    // On Error Resume Next or a try would catch a plain error).
    WScript(const QString& file, const QStringList& words, std::function<void()> quit)
        : file_(file), quit_(std::move(quit)),
          arguments_(automation::owningDispatchFor(std::make_unique<Arguments>(words))),
          out_(automation::owningDispatchFor(std::make_unique<ConsoleStream>(false))),
          err_(automation::owningDispatchFor(std::make_unique<ConsoleStream>(true)))
    {
    }
    QString name() const { return QStringLiteral("Windows Script Host"); }
    QString scriptName() const { return QFileInfo(file_).fileName(); }
    QString scriptFullName() const { return QFileInfo(file_).absoluteFilePath(); }
    QString fullName() const { return QStringLiteral("korvane-tool"); }
    QString version() const { return QStringLiteral("5.8"); }
    int interactive() const { return 0; }
    automation::Variant arguments() const { return automation::Variant(arguments_); }
    automation::Variant stdOut() const { return automation::Variant(out_); }
    automation::Variant stdErr() const { return automation::Variant(err_); }

    // Echo joins its arguments with blanks; an Empty at the end is taken as
    // an argument left out.
    Q_INVOKABLE void Echo(const automation::Variant& a = {}, const automation::Variant& b = {},
                          const automation::Variant& c = {}, const automation::Variant& d = {},
                          const automation::Variant& e = {}, const automation::Variant& f = {})
    {
        QList<automation::Variant> parts{a, b, c, d, e, f};
        while (parts.size() > 1 && parts.last().isEmpty())
            parts.removeLast();
        QStringList texts;
        for (const automation::Variant& p : parts)
            texts.append(p.toDisplayString());
        toolOut(texts.join(QLatin1Char(' ')) + QLatin1Char('\n'));
    }
    Q_INVOKABLE void Quit(int code = 0)
    {
        quitCode = code;
        quitRequested = true;
        quit_();
        throw automation::AutomationError(18);  // ends the statement; the stop request ends the script
    }
    Q_INVOKABLE void Sleep(int milliseconds) { QThread::msleep(ulong(std::max(0, milliseconds))); }
    Q_INVOKABLE automation::Variant CreateObject(const QString& programId, const QString& prefix = QString())
    {
        Q_UNUSED(prefix);  // no events to connect on this host
        automation::DispatchRef object = scriptcontrol::createHostObject(programId);
        if (!object)
            throw automation::AutomationError(429, QStringLiteral("ActiveX component can't create object"));
        return automation::Variant(object);
    }
    Q_INVOKABLE void DisconnectObject(const automation::Variant&) {}

    bool quitRequested = false;
    int quitCode = 0;

private:
    QString file_;
    std::function<void()> quit_;
    automation::DispatchRef arguments_;
    automation::DispatchRef out_;
    automation::DispatchRef err_;
};

}  // namespace wscript
