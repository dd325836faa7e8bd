#include "components/scriptcontrol/host_objects.h"
#include "components/vbscript/regexp.h"

#include "components/scriptcontrol/script_control.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

namespace scriptcontrol {

using automation::AutomationError;
using automation::Variant;

namespace {

constexpr int kFileNotFound = 53;
constexpr int kFileExists = 58;
constexpr int kBadFileMode = 54;
constexpr int kPathNotFound = 76;
constexpr int kPermissionDenied = 70;
constexpr int kInputPastEnd = 62;
constexpr int kKeyExists = 457;
constexpr int kElementNotFound = 32811;

bool flag(const Variant& v, bool fallback) {
    return v.isEmpty() || v.type() == automation::VarType::Error ? fallback : v.toBool();
}

}  // namespace

// --- Dictionary

void Dictionary::setCompareMode(int mode) {
    if (!keys_.isEmpty())
        throw AutomationError(automation::error::kInvalidCall);
    compareMode_ = mode;
}

qsizetype Dictionary::find(const Variant& key) const {
    for (qsizetype i = 0; i < keys_.size(); ++i) {
        const Variant& k = keys_[i];
        if (compareMode_ == 1 && k.isString() && key.isString()) {
            if (k.stringRef().compare(key.stringRef(), Qt::CaseInsensitive) == 0)
                return i;
        } else if (k.isNumeric() && key.isNumeric()) {
            if (k.rawNumber() == key.rawNumber())
                return i;
        } else if (k == key) {
            return i;
        }
    }
    return -1;
}

void Dictionary::Add(const Variant& key, const Variant& item) {
    if (find(key) >= 0)
        throw AutomationError(kKeyExists, QStringLiteral("This key is already associated with an element of this collection"));
    keys_.append(key);
    items_.append(item);
}

bool Dictionary::Exists(const Variant& key) const { return find(key) >= 0; }

Variant Dictionary::Item(const Variant& key) {
    const qsizetype i = find(key);
    if (i >= 0)
        return items_[i];
    // Reading a missing key adds it with an empty item, as scripts expect.
    keys_.append(key);
    items_.append(Variant());
    return Variant();
}

void Dictionary::SetItem(const Variant& key, const Variant& item) {
    const qsizetype i = find(key);
    if (i >= 0)
        items_[i] = item;
    else
        Add(key, item);
}

void Dictionary::Key(const Variant& key, const Variant& newKey) {
    const qsizetype i = find(key);
    if (i < 0)
        throw AutomationError(kElementNotFound, QStringLiteral("Element not found"));
    if (find(newKey) >= 0)
        throw AutomationError(kKeyExists, QStringLiteral("This key is already associated with an element of this collection"));
    keys_[i] = newKey;
}

Variant Dictionary::Keys() const { return Variant(automation::Array::fromList(keys_)); }
Variant Dictionary::Items() const { return Variant(automation::Array::fromList(items_)); }

void Dictionary::Remove(const Variant& key) {
    const qsizetype i = find(key);
    if (i < 0)
        throw AutomationError(kElementNotFound, QStringLiteral("Element not found"));
    keys_.removeAt(i);
    items_.removeAt(i);
}

void Dictionary::RemoveAll() {
    keys_.clear();
    items_.clear();
}

// --- Text streams

TextStream::TextStream(std::unique_ptr<QFile> file, bool reading)
    : file_(std::move(file)), stream_(std::make_unique<QTextStream>(file_.get())), reading_(reading) {}

void TextStream::require(bool reading) {
    if (!file_ || !file_->isOpen() || reading != reading_)
        throw AutomationError(kBadFileMode, QStringLiteral("Bad file mode"));
}

bool TextStream::atEnd() const {
    if (!reading_ || !file_ || !file_->isOpen())
        throw AutomationError(kBadFileMode, QStringLiteral("Bad file mode"));
    return stream_->atEnd();
}

void TextStream::Write(const QString& text) {
    require(false);
    *stream_ << text;
    stream_->flush();
}

void TextStream::WriteLine(const Variant& text) {
    require(false);
    *stream_ << text.toDisplayString() << "\r\n";
    stream_->flush();
}

QString TextStream::ReadLine() {
    require(true);
    if (stream_->atEnd())
        throw AutomationError(kInputPastEnd, QStringLiteral("Input past end of file"));
    QString line = stream_->readLine();
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    return line;
}

QString TextStream::ReadAll() {
    require(true);
    return stream_->readAll();
}

void TextStream::Close() {
    if (stream_)
        stream_->flush();
    if (file_)
        file_->close();
}

// --- Files

QString FileObject::name() const { return QFileInfo(path_).fileName(); }
double FileObject::size() const { return double(QFileInfo(path_).size()); }

bool FileSystemObject::FileExists(const QString& path) const { return QFileInfo(path).isFile(); }
bool FileSystemObject::FolderExists(const QString& path) const { return QFileInfo(path).isDir(); }

Variant FileSystemObject::CreateTextFile(const QString& path, const Variant& overwrite) {
    if (!flag(overwrite, true) && QFileInfo::exists(path))
        throw AutomationError(kFileExists, QStringLiteral("File already exists"));
    return OpenTextFile(path, Variant(qint32(2)), Variant(true));
}

Variant FileSystemObject::OpenTextFile(const QString& path, const Variant& iomode, const Variant& create) {
    const int mode = iomode.isEmpty() || iomode.type() == automation::VarType::Error ? 1 : iomode.toLong();
    if (mode != 1 && mode != 2 && mode != 8)
        throw AutomationError(automation::error::kInvalidCall);
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        throw AutomationError(kPathNotFound, QStringLiteral("Path not found"));
    if (mode != 1 && !info.exists() && !flag(create, false))
        throw AutomationError(kFileNotFound, QStringLiteral("File not found"));
    if (mode == 1 && !info.exists())
        throw AutomationError(kFileNotFound, QStringLiteral("File not found"));
    auto file = std::make_unique<QFile>(path);
    QIODevice::OpenMode open = mode == 1 ? QIODevice::ReadOnly
                               : mode == 2 ? QIODevice::WriteOnly | QIODevice::Truncate
                                           : QIODevice::WriteOnly | QIODevice::Append;
    if (!file->open(open))
        throw AutomationError(kPermissionDenied, QStringLiteral("Permission denied"));
    return Variant(owningDispatch(std::make_unique<TextStream>(std::move(file), mode == 1)));
}

Variant FileSystemObject::GetFile(const QString& path) const {
    if (!QFileInfo(path).isFile())
        throw AutomationError(kFileNotFound, QStringLiteral("File not found"));
    return Variant(owningDispatch(std::make_unique<FileObject>(QFileInfo(path).absoluteFilePath())));
}

void FileSystemObject::DeleteFile(const QString& path) {
    if (!QFileInfo(path).isFile())
        throw AutomationError(kFileNotFound, QStringLiteral("File not found"));
    if (!QFile::remove(path))
        throw AutomationError(kPermissionDenied, QStringLiteral("Permission denied"));
}

QString FileSystemObject::BuildPath(const QString& path, const QString& name) const {
    if (path.isEmpty())
        return name;
    if (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\')))
        return path + name;
    return path + QLatin1Char('/') + name;
}

QString FileSystemObject::GetSpecialFolder(int which) const {
    switch (which) {
    case 0: return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    case 1: return QStringLiteral("/usr/bin");
    case 2: return QDir::tempPath();
    default: throw AutomationError(automation::error::kInvalidCall);
    }
}

// --- Shell

int Shell::Run(const QString& command, const Variant& windowStyle, const Variant& wait) {
    Q_UNUSED(windowStyle);  // no windows to place on this platform's shell
    QStringList words = QProcess::splitCommand(ExpandEnvironmentStrings(command));
    if (words.isEmpty())
        throw AutomationError(automation::error::kInvalidCall);
    const QString program = words.takeFirst();
    if (flag(wait, false)) {
        QProcess process;
        process.start(program, words);
        if (!process.waitForStarted(10000))
            throw AutomationError(kFileNotFound, QStringLiteral("The system cannot find the file specified."));
        process.waitForFinished(-1);
        return process.exitCode();
    }
    if (!QProcess::startDetached(program, words))
        throw AutomationError(kFileNotFound, QStringLiteral("The system cannot find the file specified."));
    return 0;
}

int Shell::Popup(const QString& text, const Variant& seconds, const Variant& title, const Variant& type) {
    Q_UNUSED(seconds);
    const int buttons = type.isEmpty() || type.type() == automation::VarType::Error ? 0 : type.toLong();
    const QString caption = title.isEmpty() || title.type() == automation::VarType::Error
                                ? QStringLiteral("Windows Script Host")
                                : title.toString();
    return popup ? popup(text, buttons, caption) : ScriptControl::defaultButton(buttons);
}

QString Shell::ExpandEnvironmentStrings(const QString& text) const {
    static const QRegularExpression percent(QStringLiteral("%([^%]+)%"));
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString out;
    qsizetype last = 0;
    for (auto it = percent.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += text.mid(last, m.capturedStart() - last);
        const QString name = m.captured(1);
        out += env.contains(name) ? env.value(name) : m.captured(0);
        last = m.capturedEnd();
    }
    return out + text.mid(last);
}

automation::DispatchRef createHostObject(const QString& programId, ScriptControl::MsgBoxHandler popup) {
    const QString id = programId.trimmed().toLower();
    if (id == QLatin1String("scripting.filesystemobject"))
        return owningDispatch(std::make_unique<FileSystemObject>());
    if (id == QLatin1String("scripting.dictionary"))
        return owningDispatch(std::make_unique<Dictionary>());
    if (vbscript::isRegExpProgramId(id))
        return vbscript::makeRegExp();
    if (id == QLatin1String("wscript.shell")) {
        auto shell = std::make_unique<Shell>();
        shell->popup = std::move(popup);
        return owningDispatch(std::move(shell));
    }
    return nullptr;
}

}  // namespace scriptcontrol
