#pragma once
// The objects scripts create by program id: a dictionary, file access with
// text streams, and a shell to start programs.

#include "automation/dispatch.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QObject>
#include <QTextStream>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace scriptcontrol {

// A created object belongs to its references: the last one dropped deletes it.
inline automation::DispatchRef owningDispatch(std::unique_ptr<QObject> object) {
    return automation::owningDispatchFor(std::move(object));
}
// The QObject behind a reference of either kind: automation::qobjectBehind.

class Dictionary : public QObject {
    Q_OBJECT
    Q_CLASSINFO("DefaultMember", "Item")
    Q_CLASSINFO("PutMethod.Item", "SetItem")
    Q_CLASSINFO("PutMethod.Key", "Key")  // d.Key(old) = new
    Q_CLASSINFO("TypeName", "Dictionary")
    Q_PROPERTY(int Count READ count)
    Q_PROPERTY(int CompareMode READ compareMode WRITE setCompareMode)
public:
    ~Dictionary() override;
    int count() const { return int(entries_.size() - size_t(removed_)); }
    int compareMode() const { return compareMode_; }
    void setCompareMode(int mode);
    Q_INVOKABLE void Add(const automation::Variant& key, const automation::Variant& item);
    Q_INVOKABLE bool Exists(const automation::Variant& key) const;
    Q_INVOKABLE automation::Variant Item(const automation::Variant& key);
    Q_INVOKABLE void SetItem(const automation::Variant& key, const automation::Variant& item);
    Q_INVOKABLE void Key(const automation::Variant& key, const automation::Variant& newKey);
    Q_INVOKABLE automation::Variant Keys() const;
    Q_INVOKABLE automation::Variant Items() const;
    Q_INVOKABLE void Remove(const automation::Variant& key);
    Q_INVOKABLE void RemoveAll();
    // For Each and Enumerator walk the keys.
    Q_INVOKABLE automation::Variant _NewEnum() const { return Keys(); }

private:
    // A key as the dictionary compares it: numbers by value whatever their
    // type, texts as written or case-folded, objects by identity.
    struct Slot {
        int kind = 0;
        double number = 0;
        QString text;
        const void* object = nullptr;
        bool operator==(const Slot&) const = default;
    };
    struct SlotHash {
        size_t operator()(const Slot& s) const noexcept;
    };
    struct Entry {
        automation::Variant key;
        automation::Variant item;
        bool removed = false;
    };
    Slot slotOf(const automation::Variant& key) const;
    qsizetype find(const automation::Variant& key) const;
    void append(const automation::Variant& key, const automation::Variant& item);
    void compact();
    QList<automation::Variant> column(bool keys) const;

    // Entries in the order they were added; a removed one stays as a gap
    // until gaps outnumber entries.
    std::vector<Entry> entries_;
    std::unordered_map<Slot, qsizetype, SlotHash> index_;
    qsizetype removed_ = 0;
    int compareMode_ = 0;
};

class TextStream : public QObject {
    Q_OBJECT
    Q_CLASSINFO("TypeName", "TextStream")
    Q_PROPERTY(bool AtEndOfStream READ atEnd)
    Q_PROPERTY(int Line READ line)
public:
    // unicode: UTF-16 little endian (with its byte order mark when a file is
    // started); otherwise UTF-8, and reading finds a byte order mark.
    TextStream(std::unique_ptr<QIODevice> device, bool reading, bool unicode = false, bool startsFile = false);
    bool atEnd() const;
    int line() const { return line_; }
    Q_INVOKABLE void Write(const QString& text);
    Q_INVOKABLE void WriteLine(const automation::Variant& text = automation::Variant());
    Q_INVOKABLE void WriteBlankLines(int count);
    Q_INVOKABLE QString Read(int count);
    Q_INVOKABLE QString ReadLine();
    Q_INVOKABLE QString ReadAll();
    Q_INVOKABLE void Skip(int count);
    Q_INVOKABLE void SkipLine();
    Q_INVOKABLE void Close();

private:
    void require(bool reading) const;
    void count(const QString& text);
    std::unique_ptr<QIODevice> device_;
    std::unique_ptr<QTextStream> stream_;
    bool reading_;
    int line_ = 1;
};

// A fixed list of objects For Each walks: a folder's Files and SubFolders.
class ObjectList : public QObject {
    Q_OBJECT
    Q_CLASSINFO("DefaultMember", "Item")
    Q_PROPERTY(int Count READ count)
public:
    explicit ObjectList(QList<automation::Variant> items, QStringList names)
        : items_(std::move(items)), names_(std::move(names)) {}
    int count() const { return int(items_.size()); }
    Q_INVOKABLE automation::Variant Item(const automation::Variant& key) const;
    Q_INVOKABLE automation::Variant _NewEnum() const;

private:
    QList<automation::Variant> items_;
    QStringList names_;
};

class FileObject : public QObject {
    Q_OBJECT
    Q_CLASSINFO("DefaultMember", "Path")
    Q_CLASSINFO("TypeName", "File")
    Q_PROPERTY(QString Path READ path)
    Q_PROPERTY(QString Name READ name)
    Q_PROPERTY(double Size READ size)
    Q_PROPERTY(QDateTime DateLastModified READ modified)
    Q_PROPERTY(automation::Variant ParentFolder READ parentFolder)
public:
    explicit FileObject(QString path) : path_(std::move(path)) {}
    QString path() const { return path_; }
    QString name() const;
    double size() const;
    QDateTime modified() const;
    automation::Variant parentFolder() const;
    Q_INVOKABLE void Copy(const QString& destination, const automation::Variant& overwrite = automation::Variant());
    Q_INVOKABLE void Move(const QString& destination);
    Q_INVOKABLE void Delete(const automation::Variant& force = automation::Variant());

private:
    QString path_;
};

class FolderObject : public QObject {
    Q_OBJECT
    Q_CLASSINFO("DefaultMember", "Path")
    Q_CLASSINFO("TypeName", "Folder")
    Q_PROPERTY(QString Path READ path)
    Q_PROPERTY(QString Name READ name)
    Q_PROPERTY(automation::Variant Files READ files)
    Q_PROPERTY(automation::Variant SubFolders READ subFolders)
    Q_PROPERTY(automation::Variant ParentFolder READ parentFolder)
    Q_PROPERTY(bool IsRootFolder READ isRoot)
public:
    explicit FolderObject(QString path) : path_(std::move(path)) {}
    QString path() const { return path_; }
    QString name() const;
    automation::Variant files() const;
    automation::Variant subFolders() const;
    automation::Variant parentFolder() const;
    bool isRoot() const;
    Q_INVOKABLE void Delete(const automation::Variant& force = automation::Variant());

private:
    QString path_;
};

class FileSystemObject : public QObject {
    Q_OBJECT
    Q_CLASSINFO("TypeName", "FileSystemObject")
public:
    Q_INVOKABLE bool FileExists(const QString& path) const;
    Q_INVOKABLE bool FolderExists(const QString& path) const;
    Q_INVOKABLE automation::Variant CreateTextFile(const QString& path, const automation::Variant& overwrite = automation::Variant(),
                                                   const automation::Variant& unicode = automation::Variant());
    // iomode 1 reading, 2 writing, 8 appending; format -1 Unicode, 0 ASCII,
    // -2 the system's default (ASCII here, a byte order mark decides on reading).
    Q_INVOKABLE automation::Variant OpenTextFile(const QString& path, const automation::Variant& iomode = automation::Variant(),
                                                 const automation::Variant& create = automation::Variant(),
                                                 const automation::Variant& format = automation::Variant());
    Q_INVOKABLE automation::Variant GetFile(const QString& path) const;
    Q_INVOKABLE automation::Variant GetFolder(const QString& path) const;
    Q_INVOKABLE automation::Variant CreateFolder(const QString& path);
    Q_INVOKABLE void DeleteFile(const QString& path, const automation::Variant& force = automation::Variant());
    Q_INVOKABLE void DeleteFolder(const QString& path, const automation::Variant& force = automation::Variant());
    Q_INVOKABLE void CopyFile(const QString& source, const QString& destination,
                              const automation::Variant& overwrite = automation::Variant());
    Q_INVOKABLE void MoveFile(const QString& source, const QString& destination);
    Q_INVOKABLE void CopyFolder(const QString& source, const QString& destination,
                                const automation::Variant& overwrite = automation::Variant());
    Q_INVOKABLE void MoveFolder(const QString& source, const QString& destination);
    Q_INVOKABLE QString BuildPath(const QString& path, const QString& name) const;
    Q_INVOKABLE QString GetFileName(const QString& path) const;
    Q_INVOKABLE QString GetBaseName(const QString& path) const;
    Q_INVOKABLE QString GetExtensionName(const QString& path) const;
    Q_INVOKABLE QString GetParentFolderName(const QString& path) const;
    Q_INVOKABLE QString GetAbsolutePathName(const QString& path) const;
    Q_INVOKABLE QString GetTempName() const;
    // 0 the program's folder, 1 the system folder, 2 the temporary folder.
    Q_INVOKABLE QString GetSpecialFolder(int which) const;
};

// What Shell.Exec returns: the running program, its exit code and its
// output as text streams.
class ExecObject : public QObject {
    Q_OBJECT
    Q_CLASSINFO("TypeName", "WshExec")
    Q_PROPERTY(int Status READ status)
    Q_PROPERTY(int ExitCode READ exitCode)
    Q_PROPERTY(int ProcessID READ processId)
    Q_PROPERTY(automation::Variant StdOut READ stdOut)
    Q_PROPERTY(automation::Variant StdErr READ stdErr)
public:
    explicit ExecObject(std::unique_ptr<QProcess> process);
    ~ExecObject() override;
    int status();
    int exitCode();
    int processId() const;
    automation::Variant stdOut();
    automation::Variant stdErr();
    Q_INVOKABLE void Terminate();

private:
    void finish();
    std::unique_ptr<QProcess> process_;
    automation::Variant out_;
    automation::Variant err_;
};

// Shell.Environment("PROCESS"): the variables by name.
class EnvironmentObject : public QObject {
    Q_OBJECT
    Q_CLASSINFO("DefaultMember", "Item")
    Q_CLASSINFO("PutMethod.Item", "SetItem")
    Q_CLASSINFO("TypeName", "WshEnvironment")
    Q_PROPERTY(int Count READ count)
public:
    int count() const;
    Q_INVOKABLE QString Item(const QString& name) const;
    Q_INVOKABLE void SetItem(const QString& name, const QString& value);
    Q_INVOKABLE void Remove(const QString& name);
    Q_INVOKABLE automation::Variant _NewEnum() const;
};

class Shell : public QObject {
    Q_OBJECT
    Q_CLASSINFO("TypeName", "IWshShell3")
    Q_PROPERTY(QString CurrentDirectory READ currentDirectory WRITE setCurrentDirectory)
public:
    // Starts a command line; with wait, returns its exit code.
    Q_INVOKABLE int Run(const QString& command, const automation::Variant& windowStyle = automation::Variant(),
                        const automation::Variant& wait = automation::Variant());
    Q_INVOKABLE automation::Variant Exec(const QString& command);
    Q_INVOKABLE int Popup(const QString& text, const automation::Variant& seconds = automation::Variant(),
                          const automation::Variant& title = automation::Variant(),
                          const automation::Variant& type = automation::Variant());
    Q_INVOKABLE QString ExpandEnvironmentStrings(const QString& text) const;
    Q_INVOKABLE automation::Variant Environment(const automation::Variant& kind = automation::Variant()) const;
    QString currentDirectory() const;
    void setCurrentDirectory(const QString& path);

    // Popup's way to the user: the script control's MsgBox.
    std::function<int(const QString&, int, const QString&)> popup;
};

}  // namespace scriptcontrol
