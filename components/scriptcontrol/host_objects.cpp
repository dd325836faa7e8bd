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
