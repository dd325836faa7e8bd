#include "korvane/script/script_host.h"

#include "korvane/script/script_file_check.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace korvane {

namespace {
const char* const kEventNames[] = {"OnConnect", "OnDisconnect", "OnCLIDChange", "OnAppLoad",
                                   "OnAppUnload", "OnSysLog",   "OnTick",       "OnTtyChange"};
const int kEventArgs[] = {1, 1, 1, 0, 0, 1, 0, 1};
}  // namespace

CScriptHost::CScriptHost(automation::DispatchRef application, std::function<bool()> scriptsEnabled,
                         std::function<QString()> scriptFile)
    : application_(std::move(application)),
      scriptsEnabled_(std::move(scriptsEnabled)),
      scriptFile_(std::move(scriptFile)) {
    control_.setTimeout(30);
}

CScriptHost::~CScriptHost() = default;

void CScriptHost::setMsgBoxHandler(scriptcontrol::ScriptControl::MsgBoxHandler handler) {
    control_.setMsgBoxHandler(std::move(handler));
}

QString CScriptHost::eventName(Event event) { return QString::fromLatin1(kEventNames[int(event)]); }
int CScriptHost::eventArgumentCount(Event event) { return kEventArgs[int(event)]; }
bool CScriptHost::needsScriptsEnabled(Event event) {
    return event == Event::AppUnload || event == Event::Connect || event == Event::Disconnect ||
           event == Event::CLIDChange;
}

void CScriptHost::clearError() {
    hasError_ = false;
    errorText_.clear();
}

QString CScriptHost::errorText(const QString& description, int line, int column) {
    // Descriptions that end in a full stop would otherwise show two.
    QString text = description.trimmed();
    while (text.endsWith(u'.'))
        text.chop(1);
    if (line <= 0)
        return text;
    text += QStringLiteral(". Line %1").arg(line);
    if (column > 0)
        text += QStringLiteral(", Column %1").arg(column);
    return text;
}

void CScriptHost::recordError(const QString& text) {
    hasError_ = true;
    errorText_ = text;
    // A load error the caller shows in its box is reported there, once.
    if (errorListener_ && !loadReported_)
        errorListener_(errorText_);
}

void CScriptHost::collectError() {
    const scriptcontrol::Error& e = control_.error();
    if (e.number == 0)
        return;
    recordError(errorText(e.description, e.line, e.column));
}

// Scripts are UTF-8 today, with or without a byte order mark; older ones
// were written in the single-byte code page, whose letters beyond ASCII
// would otherwise all turn into replacement characters.
QString CScriptHost::scriptText(const QByteArray& bytes) {
    // Notepad saves "Unicode" as UTF-16 with a byte order mark.
    if (const auto bom = QStringConverter::encodingForData(bytes);
        bom && *bom != QStringConverter::Utf8 && *bom != QStringConverter::System) {
        QStringDecoder wide(*bom);  // skips the mark
        const QString text = wide(bytes);
        if (!wide.hasError())
            return text;
    }
    QStringDecoder utf8(QStringDecoder::Utf8);  // skips a leading BOM
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

// Reads the whole script; returns why it cannot be loaded, or nothing.
QString CScriptHost::readScriptFile(const QString& fileName, QByteArray& bytes) {
    bytes.clear();
    if (fileName.isEmpty())
        return QStringLiteral("Cannot open script file \"\"");
    const QFileInfo info(fileName);
    // A pipe or a device would block the open or never end.
    if (info.exists() && !info.isFile())
        return QStringLiteral("Cannot open script file \"%1\": it is not a file").arg(fileName);
    if (const QString unsafe = unsafeScriptFileReason(fileName); !unsafe.isEmpty())
        return unsafe;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot open script file \"%1\"").arg(fileName);
    const auto tooLarge = [&] {
        return QStringLiteral("Script file \"%1\" is larger than %2 MB").arg(fileName).arg(kMaxScriptBytes >> 20);
    };
    if (file.size() > kMaxScriptBytes)
        return tooLarge();
    // One byte past the limit tells a file that grew since it was measured.
    bytes = file.read(kMaxScriptBytes + 1);
    if (bytes.size() > kMaxScriptBytes) {
        bytes.clear();
        return tooLarge();
    }
    if (file.error() != QFileDevice::NoError) {
        bytes.clear();
        return QStringLiteral("Cannot read script file \"%1\": %2").arg(fileName, file.errorString());
    }
    return QString();
}

void CScriptHost::recordLoadError(const QString& description) { recordError(errorText(description, 0, 0)); }

bool CScriptHost::LoadScript(const QString& fileName, const automation::DispatchRef& application) {
    clearError();
    for (bool& flag : has_)
        flag = false;
    control_.clearError();

    QByteArray bytes;
    const QString problem = readScriptFile(fileName, bytes);
    if (!problem.isEmpty()) {
        // The control has no error to tell here; the host records its own.
        recordLoadError(problem);
        return false;
    }
    const QString text = scriptText(bytes);

    const bool js = fileName.endsWith(QLatin1String(".js"), Qt::CaseSensitive);
    control_.setLanguage(js ? QStringLiteral("JScript") : QStringLiteral("VBScript"));
    control_.reset();
    control_.setAllowUI(true);
    control_.setUseSafeSubset(false);
    if (!control_.addCode(text)) {
        collectError();
        return !hasError_;
    }
    control_.addObject(QStringLiteral("Application"), application, true);
    for (const scriptcontrol::Procedure& p : control_.procedures()) {
        for (int i = 0; i < int(Event::Count); ++i) {
            if (p.name == QLatin1String(kEventNames[i]) && p.numArgs == kEventArgs[i])
                has_[i] = true;
        }
    }
    return !hasError_;
}

void CScriptHost::fire(Event event, const QList<automation::Variant>& args) {
    if (!has_[int(event)])
        return;
    if (needsScriptsEnabled(event) && scriptsEnabled_ && !scriptsEnabled_())
        return;
    clearError();
    if (!control_.run(eventName(event), args))
        collectError();
}

void CScriptHost::FireOnAppUnload() { fire(Event::AppUnload, {}); }

void CScriptHost::ListUserFunctions(QStringList& list) {
    for (const scriptcontrol::Procedure& p : control_.procedures()) {
        if (p.name.startsWith(QLatin1String("Run_"), Qt::CaseSensitive) && p.numArgs == 0)
            list.append(p.name.mid(4));
    }
}

void CScriptHost::RunUserFunction(const QString& name) {
    clearError();
    if (!control_.run(QStringLiteral("Run_") + name))
        collectError();
}

void CScriptHost::loadConfigured(bool fromCompile) {
    if (scriptsEnabled_ && !scriptsEnabled_())
        return;
    const QString file = scriptFile_ ? scriptFile_() : QString();
    if (fromCompile && file.isEmpty())
        return;
    loadReported_ = bool(loadErrorBox_);
    const bool loaded = LoadScript(file, application_);
    loadReported_ = false;
    if (loaded) {
        FireOnAppLoad();
        return;
    }
    if (hasError_ && loadErrorBox_)
        loadErrorBox_(QStringLiteral("%1 Korvane").arg(QLatin1String(kBrand)), errorText_);
}

bool CScriptHost::hasEvent(const QString& name) const {
    for (int i = 0; i < int(Event::Count); ++i) {
        if (name == QLatin1String(kEventNames[i]))
            return has_[i];
    }
    return false;
}

void CScriptHost::fireEvent(const QString& name, const QList<automation::Variant>& args) {
    for (int i = 0; i < int(Event::Count); ++i) {
        if (name != QLatin1String(kEventNames[i]))
            continue;
        const Event event = Event(i);
        QList<automation::Variant> passed = args.mid(0, kEventArgs[i]);
        while (passed.size() < kEventArgs[i])
            passed.append(automation::Variant());
        fire(event, passed);
        return;
    }
}

QStringList CScriptHost::eventProcedures() const {
    QStringList names;
    for (int i = 0; i < int(Event::Count); ++i) {
        if (has_[i])
            names.append(QLatin1String(kEventNames[i]));
    }
    return names;
}

}  // namespace korvane
