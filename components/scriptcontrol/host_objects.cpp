#include "components/scriptcontrol/host_objects.h"
#include "components/vbscript/regexp.h"

#include "components/scriptcontrol/script_control.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QRandomGenerator>
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

Dictionary::~Dictionary() {
    // Items may be dictionaries holding dictionaries: released one by one.
    for (Entry& e : entries_) {
        automation::releaseValues(&e.key, 1);
        automation::releaseValues(&e.item, 1);
    }
}

void Dictionary::setCompareMode(int mode) {
    if (count() > 0)
        throw AutomationError(automation::error::kInvalidCall);
    if (mode < 0)
        throw AutomationError(automation::error::kInvalidCall);
    compareMode_ = mode;
}

size_t Dictionary::SlotHash::operator()(const Slot& s) const noexcept {
    switch (s.kind) {
    case int(automation::VarType::String): return qHash(s.text);
    case int(automation::VarType::Double): return qHash(s.number);
    case int(automation::VarType::Dispatch): return std::hash<const void*>()(s.object);
    default: return size_t(s.kind);
    }
}

Dictionary::Slot Dictionary::slotOf(const Variant& key) const {
    Slot s;
    if (key.isNumeric()) {
        s.kind = int(automation::VarType::Double);
        s.number = key.rawNumber();
        if (s.number == 0)
            s.number = 0;  // -0 and 0 are one key
    } else if (key.isString()) {
        s.kind = int(automation::VarType::String);
        // Text and database compare ignore case.
        s.text = compareMode_ == 0 ? key.stringRef() : key.stringRef().toCaseFolded();
    } else if (key.isObject()) {
        s.kind = int(automation::VarType::Dispatch);
        s.object = key.isNothing() ? nullptr : key.objectRef()->identity();
    } else if (key.isArray()) {
        throw AutomationError(automation::error::kTypeMismatch);
    } else {
        s.kind = int(key.type());
    }
    return s;
}

qsizetype Dictionary::find(const Variant& key) const {
    const auto it = index_.find(slotOf(key));
    return it == index_.end() ? -1 : it->second;
}

void Dictionary::append(const Variant& key, const Variant& item) {
    Slot s = slotOf(key);
    entries_.push_back({key, item, false});
    index_.emplace(std::move(s), qsizetype(entries_.size()) - 1);
}

void Dictionary::compact() {
    std::vector<Entry> kept;
    kept.reserve(entries_.size() - size_t(removed_));
    for (Entry& e : entries_) {
        if (!e.removed)
            kept.push_back(std::move(e));
    }
    entries_ = std::move(kept);
    removed_ = 0;
    index_.clear();
    for (size_t i = 0; i < entries_.size(); ++i)
        index_.emplace(slotOf(entries_[i].key), qsizetype(i));
}

QList<Variant> Dictionary::column(bool keys) const {
    QList<Variant> list;
    list.reserve(count());
    for (const Entry& e : entries_) {
        if (!e.removed)
            list.append(keys ? e.key : e.item);
    }
    return list;
}

void Dictionary::Add(const Variant& key, const Variant& item) {
    if (find(key) >= 0)
        throw AutomationError(kKeyExists, QStringLiteral("This key is already associated with an element of this collection"));
    append(key, item);
}

bool Dictionary::Exists(const Variant& key) const { return find(key) >= 0; }

Variant Dictionary::Item(const Variant& key) {
    const qsizetype i = find(key);
    if (i >= 0)
        return entries_[size_t(i)].item;
    // Reading a missing key adds it with an empty item, as scripts expect.
    append(key, Variant());
    return Variant();
}

void Dictionary::SetItem(const Variant& key, const Variant& item) {
    const qsizetype i = find(key);
    if (i >= 0)
        std::exchange(entries_[size_t(i)].item, item);
    else
        append(key, item);
}

void Dictionary::Key(const Variant& key, const Variant& newKey) {
    const qsizetype i = find(key);
    if (i < 0)
        throw AutomationError(kElementNotFound, QStringLiteral("Element not found"));
    Slot fresh = slotOf(newKey);
    if (index_.count(fresh))
        throw AutomationError(kKeyExists, QStringLiteral("This key is already associated with an element of this collection"));
    index_.erase(slotOf(key));
    entries_[size_t(i)].key = newKey;
    index_.emplace(std::move(fresh), i);
}

Variant Dictionary::Keys() const { return Variant(automation::Array::fromList(column(true))); }
Variant Dictionary::Items() const { return Variant(automation::Array::fromList(column(false))); }

void Dictionary::Remove(const Variant& key) {
    const Slot s = slotOf(key);
    const auto it = index_.find(s);
    if (it == index_.end())
        throw AutomationError(kElementNotFound, QStringLiteral("Element not found"));
    Entry& e = entries_[size_t(it->second)];
    index_.erase(it);
    e.removed = true;
    ++removed_;
    // The removed item may run code when released: taken out of the entry first.
    Variant oldKey = std::exchange(e.key, Variant());
    Variant oldItem = std::exchange(e.item, Variant());
    if (removed_ > 16 && removed_ * 2 > qsizetype(entries_.size()))
        compact();
}

void Dictionary::RemoveAll() {
    std::vector<Entry> old = std::move(entries_);
    entries_.clear();
    index_.clear();
    removed_ = 0;
    for (Entry& e : old) {
        automation::releaseValues(&e.key, 1);
        automation::releaseValues(&e.item, 1);
    }
}

// --- Text streams

TextStream::TextStream(std::unique_ptr<QIODevice> device, bool reading, bool unicode, bool startsFile)
    : device_(std::move(device)), stream_(std::make_unique<QTextStream>(device_.get())), reading_(reading) {
    if (unicode) {
        stream_->setEncoding(QStringConverter::Utf16LE);
        stream_->setGenerateByteOrderMark(!reading && startsFile);
    }
}

void TextStream::require(bool reading) const {
    if (!device_ || !device_->isOpen() || reading != reading_)
        throw AutomationError(kBadFileMode, QStringLiteral("Bad file mode"));
}

void TextStream::count(const QString& text) { line_ += int(text.count(u'\n')); }

bool TextStream::atEnd() const {
    require(true);
    return stream_->atEnd();
}

void TextStream::Write(const QString& text) {
    require(false);
    *stream_ << text;
    stream_->flush();
    count(text);
}

void TextStream::WriteLine(const Variant& text) {
    require(false);
    *stream_ << text.toDisplayString() << "\r\n";
    stream_->flush();
    ++line_;
}

void TextStream::WriteBlankLines(int lines) {
    require(false);
    for (int i = 0; i < lines; ++i)
        *stream_ << "\r\n";
    stream_->flush();
    line_ += std::max(0, lines);
}

QString TextStream::Read(int characters) {
    require(true);
    if (characters < 0)
        throw AutomationError(automation::error::kInvalidCall);
    if (stream_->atEnd())
        throw AutomationError(kInputPastEnd, QStringLiteral("Input past end of file"));
    const QString text = stream_->read(characters);
    count(text);
    return text;
}

QString TextStream::ReadLine() {
    require(true);
    if (stream_->atEnd())
        throw AutomationError(kInputPastEnd, QStringLiteral("Input past end of file"));
    QString line = stream_->readLine();
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    ++line_;
    return line;
}

QString TextStream::ReadAll() {
    require(true);
    const QString text = stream_->readAll();
    count(text);
    return text;
}

void TextStream::Skip(int characters) { Read(characters); }
void TextStream::SkipLine() { ReadLine(); }

void TextStream::Close() {
    if (stream_)
        stream_->flush();
    if (device_)
        device_->close();
}

// --- Lists, files and folders

namespace {

Variant fileVariant(const QString& path) {
    return Variant(owningDispatch(std::make_unique<FileObject>(QFileInfo(path).absoluteFilePath())));
}

Variant folderVariant(const QString& path) {
    return Variant(owningDispatch(std::make_unique<FolderObject>(QDir(path).absolutePath())));
}

Variant listOf(const QString& folder, QDir::Filters filters, bool folders) {
    QList<Variant> items;
    QStringList names;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(filters | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& e : entries) {
        items.append(folders ? folderVariant(e.absoluteFilePath()) : fileVariant(e.absoluteFilePath()));
        names.append(e.fileName());
    }
    return Variant(owningDispatch(std::make_unique<ObjectList>(std::move(items), std::move(names))));
}

bool copyTree(const QString& from, const QString& to, bool overwrite) {
    if (!QDir().mkpath(to))
        return false;
    const QDir source(from);
    for (const QFileInfo& e : source.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        const QString target = QDir(to).filePath(e.fileName());
        if (e.isDir() && !e.isSymLink()) {
            if (!copyTree(e.absoluteFilePath(), target, overwrite))
                return false;
            continue;
        }
        if (QFileInfo::exists(target)) {
            if (!overwrite)
                throw AutomationError(kFileExists, QStringLiteral("File already exists"));
            QFile::remove(target);
        }
        if (!QFile::copy(e.absoluteFilePath(), target))
            return false;
    }
    return true;
}

// A destination that names a folder (ends in a separator or exists as
// one) receives the file under its own name.
QString targetFor(const QString& source, const QString& destination) {
    if (destination.endsWith(u'/') || destination.endsWith(u'\\') || QFileInfo(destination).isDir())
        return QDir(destination).filePath(QFileInfo(source).fileName());
    return destination;
}

void copyOne(const QString& source, const QString& destination, bool overwrite) {
    if (!QFileInfo(source).isFile())
        throw AutomationError(kFileNotFound, QStringLiteral("File not found"));
    const QString target = targetFor(source, destination);
    if (QFileInfo::exists(target)) {
        if (!overwrite)
            throw AutomationError(kFileExists, QStringLiteral("File already exists"));
        if (!QFile::remove(target))
            throw AutomationError(kPermissionDenied, QStringLiteral("Permission denied"));
    }
    if (!QFile::copy(source, target))
        throw AutomationError(kPathNotFound, QStringLiteral("Path not found"));
}

void moveOne(const QString& source, const QString& destination) {
    if (!QFileInfo::exists(source))
        throw AutomationError(kFileNotFound, QStringLiteral("File not found"));
    const QString target = targetFor(source, destination);
    if (QFileInfo::exists(target))
        throw AutomationError(kFileExists, QStringLiteral("File already exists"));
    if (!QDir().rename(source, target))
        throw AutomationError(kPermissionDenied, QStringLiteral("Permission denied"));
}

}  // namespace

Variant ObjectList::Item(const Variant& key) const {
    if (key.isString()) {
        const qsizetype i = names_.indexOf(key.stringRef(), 0);
        if (i >= 0)
            return items_[i];
        throw AutomationError(kFileNotFound, QStringLiteral("File not found"));
    }
    const qint32 i = key.toLong();
    if (i < 0 || i >= items_.size())
        throw AutomationError(automation::error::kInvalidCall);
    return items_[i];
}

Variant ObjectList::_NewEnum() const { return Variant(automation::Array::fromList(items_)); }

QString FileObject::name() const { return QFileInfo(path_).fileName(); }
double FileObject::size() const { return double(QFileInfo(path_).size()); }
QDateTime FileObject::modified() const { return QFileInfo(path_).lastModified(); }
Variant FileObject::parentFolder() const { return folderVariant(QFileInfo(path_).absolutePath()); }
void FileObject::Copy(const QString& destination, const Variant& overwrite) {
    copyOne(path_, destination, flag(overwrite, true));
}
void FileObject::Move(const QString& destination) {
    const QString target = targetFor(path_, destination);
    moveOne(path_, destination);
    path_ = QFileInfo(target).absoluteFilePath();
}
void FileObject::Delete(const Variant&) {
    if (!QFile::remove(path_))
        throw AutomationError(kPermissionDenied, QStringLiteral("Permission denied"));
}

QString FolderObject::name() const { return QFileInfo(path_).fileName(); }
Variant FolderObject::files() const { return listOf(path_, QDir::Files, false); }
Variant FolderObject::subFolders() const { return listOf(path_, QDir::Dirs, true); }
Variant FolderObject::parentFolder() const {
    return isRoot() ? Variant::nothing() : folderVariant(QFileInfo(path_).absolutePath());
}
bool FolderObject::isRoot() const { return QDir(path_).isRoot(); }
void FolderObject::Delete(const Variant&) {
    if (!QDir(path_).removeRecursively())
        throw AutomationError(kPermissionDenied, QStringLiteral("Permission denied"));
}

bool FileSystemObject::FileExists(const QString& path) const { return QFileInfo(path).isFile(); }
bool FileSystemObject::FolderExists(const QString& path) const { return QFileInfo(path).isDir(); }

Variant FileSystemObject::CreateTextFile(const QString& path, const Variant& overwrite, const Variant& unicode) {
    if (!flag(overwrite, true) && QFileInfo::exists(path))
        throw AutomationError(kFileExists, QStringLiteral("File already exists"));
    return OpenTextFile(path, Variant(qint32(2)), Variant(true), Variant(qint32(flag(unicode, false) ? -1 : 0)));
}

Variant FileSystemObject::OpenTextFile(const QString& path, const Variant& iomode, const Variant& create,
                                       const Variant& format) {
    const int mode = iomode.isEmpty() || iomode.type() == automation::VarType::Error ? 1 : iomode.toLong();
    if (mode != 1 && mode != 2 && mode != 8)
        throw AutomationError(automation::error::kInvalidCall);
    const int encoding = format.isEmpty() || format.type() == automation::VarType::Error ? 0 : format.toLong();
    if (encoding != 0 && encoding != -1 && encoding != -2)
        throw AutomationError(automation::error::kInvalidCall);
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        throw AutomationError(kPathNotFound, QStringLiteral("Path not found"));
    if (!info.exists() && (mode == 1 || !flag(create, false)))
        throw AutomationError(kFileNotFound, QStringLiteral("File not found"));
    const bool startsFile = mode == 2 || !info.exists() || info.size() == 0;
    auto file = std::make_unique<QFile>(path);
    QIODevice::OpenMode open = mode == 1 ? QIODevice::ReadOnly
                               : mode == 2 ? QIODevice::WriteOnly | QIODevice::Truncate
                                           : QIODevice::WriteOnly | QIODevice::Append;
    if (!file->open(open))
        throw AutomationError(kPermissionDenied, QStringLiteral("Permission denied"));
    return Variant(owningDispatch(std::make_unique<TextStream>(std::move(file), mode == 1, encoding == -1, startsFile)));
}

Variant FileSystemObject::GetFile(const QString& path) const {
    if (!QFileInfo(path).isFile())
        throw AutomationError(kFileNotFound, QStringLiteral("File not found"));
    return fileVariant(path);
}

Variant FileSystemObject::GetFolder(const QString& path) const {
    if (!QFileInfo(path).isDir())
        throw AutomationError(kPathNotFound, QStringLiteral("Path not found"));
    return folderVariant(path);
}

Variant FileSystemObject::CreateFolder(const QString& path) {
    if (QFileInfo::exists(path))
        throw AutomationError(kFileExists, QStringLiteral("File already exists"));
    if (!QDir().mkdir(path))
        throw AutomationError(kPathNotFound, QStringLiteral("Path not found"));
    return folderVariant(path);
}

void FileSystemObject::DeleteFile(const QString& path, const Variant&) {
    if (!QFileInfo(path).isFile())
        throw AutomationError(kFileNotFound, QStringLiteral("File not found"));
    if (!QFile::remove(path))
        throw AutomationError(kPermissionDenied, QStringLiteral("Permission denied"));
}

void FileSystemObject::DeleteFolder(const QString& path, const Variant&) {
    if (!QFileInfo(path).isDir())
        throw AutomationError(kPathNotFound, QStringLiteral("Path not found"));
    if (!QDir(path).removeRecursively())
        throw AutomationError(kPermissionDenied, QStringLiteral("Permission denied"));
}

void FileSystemObject::CopyFile(const QString& source, const QString& destination, const Variant& overwrite) {
    copyOne(source, destination, flag(overwrite, true));
}

void FileSystemObject::MoveFile(const QString& source, const QString& destination) {
    if (!QFileInfo(source).isFile())
        throw AutomationError(kFileNotFound, QStringLiteral("File not found"));
    moveOne(source, destination);
}

void FileSystemObject::CopyFolder(const QString& source, const QString& destination, const Variant& overwrite) {
    if (!QFileInfo(source).isDir())
        throw AutomationError(kPathNotFound, QStringLiteral("Path not found"));
    if (!copyTree(source, destination, flag(overwrite, true)))
        throw AutomationError(kPermissionDenied, QStringLiteral("Permission denied"));
}

void FileSystemObject::MoveFolder(const QString& source, const QString& destination) {
    if (!QFileInfo(source).isDir())
        throw AutomationError(kPathNotFound, QStringLiteral("Path not found"));
    moveOne(source, destination);
}

QString FileSystemObject::BuildPath(const QString& path, const QString& name) const {
    if (path.isEmpty())
        return name;
    if (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\')))
        return path + name;
    return path + QLatin1Char('/') + name;
}

QString FileSystemObject::GetFileName(const QString& path) const {
    QString p = path;
    while (p.size() > 1 && (p.endsWith(u'/') || p.endsWith(u'\\')))
        p.chop(1);
    const qsizetype cut = std::max(p.lastIndexOf(u'/'), p.lastIndexOf(u'\\'));
    return p.mid(cut + 1);
}

QString FileSystemObject::GetBaseName(const QString& path) const {
    const QString name = GetFileName(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot <= 0 ? name : name.left(dot);
}

QString FileSystemObject::GetExtensionName(const QString& path) const {
    const QString name = GetFileName(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString FileSystemObject::GetParentFolderName(const QString& path) const {
    QString p = path;
    while (p.size() > 1 && (p.endsWith(u'/') || p.endsWith(u'\\')))
        p.chop(1);
    const qsizetype cut = std::max(p.lastIndexOf(u'/'), p.lastIndexOf(u'\\'));
    return cut < 0 ? QString() : cut == 0 ? p.left(1) : p.left(cut);
}

QString FileSystemObject::GetAbsolutePathName(const QString& path) const {
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

QString FileSystemObject::GetTempName() const {
    // As Windows names them: "rad" and five hexadecimal digits.
    const QString digits = QString::number(QRandomGenerator::global()->bounded(0x100000), 16).toUpper();
    return QStringLiteral("rad%1.tmp").arg(digits.rightJustified(5, QLatin1Char('0')));
}

QString FileSystemObject::GetSpecialFolder(int which) const {
    switch (which) {
    case 0: return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    case 1: return QStringLiteral("/usr/bin");
    case 2: return QDir::tempPath();
    default: throw AutomationError(automation::error::kInvalidCall);
    }
}

// --- Programs

ExecObject::ExecObject(std::unique_ptr<QProcess> process) : process_(std::move(process)) {}

// A program still running when the script lets go of it is ended with it.
ExecObject::~ExecObject() = default;

int ExecObject::status() {
    // 0 running, 1 done; a script polls this in a loop, so each poll waits a little.
    if (process_->state() != QProcess::NotRunning && !process_->waitForFinished(10))
        return 0;
    return 1;
}

void ExecObject::finish() {
    if (process_->state() != QProcess::NotRunning)
        process_->waitForFinished(-1);
}

int ExecObject::exitCode() {
    if (process_->state() != QProcess::NotRunning)
        return 0;
    return process_->exitCode();
}

int ExecObject::processId() const { return int(process_->processId()); }

Variant ExecObject::stdOut() {
    // The output is read whole once the program ends: the stream then reads it.
    if (out_.isEmpty()) {
        finish();
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData(process_->readAllStandardOutput());
        buffer->open(QIODevice::ReadOnly);
        out_ = Variant(owningDispatch(std::make_unique<TextStream>(std::move(buffer), true)));
    }
    return out_;
}

Variant ExecObject::stdErr() {
    if (err_.isEmpty()) {
        finish();
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData(process_->readAllStandardError());
        buffer->open(QIODevice::ReadOnly);
        err_ = Variant(owningDispatch(std::make_unique<TextStream>(std::move(buffer), true)));
    }
    return err_;
}

void ExecObject::Terminate() {
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(1000);
    }
}

int EnvironmentObject::count() const { return int(QProcessEnvironment::systemEnvironment().keys().size()); }

QString EnvironmentObject::Item(const QString& name) const { return qEnvironmentVariable(name.toLocal8Bit().constData()); }

void EnvironmentObject::SetItem(const QString& name, const QString& value) { qputenv(name.toLocal8Bit().constData(), value.toLocal8Bit()); }

void EnvironmentObject::Remove(const QString& name) { qunsetenv(name.toLocal8Bit().constData()); }

Variant EnvironmentObject::_NewEnum() const {
    QList<Variant> items;
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& key : env.keys())
        items.append(Variant(key + QLatin1Char('=') + env.value(key)));
    return Variant(automation::Array::fromList(items));
}

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

Variant Shell::Exec(const QString& command) {
    QStringList words = QProcess::splitCommand(ExpandEnvironmentStrings(command));
    if (words.isEmpty())
        throw AutomationError(automation::error::kInvalidCall);
    auto process = std::make_unique<QProcess>();
    process->start(words.takeFirst(), words);
    if (!process->waitForStarted(10000))
        throw AutomationError(kFileNotFound, QStringLiteral("The system cannot find the file specified."));
    process->closeWriteChannel();
    return Variant(owningDispatch(std::make_unique<ExecObject>(std::move(process))));
}

Variant Shell::Environment(const Variant& kind) const {
    // One environment here: the process's; "System", "User" and "Volatile" see it too.
    Q_UNUSED(kind);
    return Variant(owningDispatch(std::make_unique<EnvironmentObject>()));
}

QString Shell::currentDirectory() const { return QDir::currentPath(); }

void Shell::setCurrentDirectory(const QString& path) {
    if (!QDir::setCurrent(path))
        throw AutomationError(kPathNotFound, QStringLiteral("Path not found"));
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
