#pragma once
// The objects scripts create by program id: a dictionary, file access with
// text streams, and a shell to start programs.

#include "automation/dispatch.h"

#include <QFile>
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
public:
    TextStream(std::unique_ptr<QFile> file, bool reading);
    bool atEnd() const;
    Q_INVOKABLE void Write(const QString& text);
    Q_INVOKABLE void WriteLine(const automation::Variant& text = automation::Variant());
    Q_INVOKABLE QString ReadLine();
    Q_INVOKABLE QString ReadAll();
    Q_INVOKABLE void Close();

private:
    void require(bool reading);
    std::unique_ptr<QFile> file_;
    std::unique_ptr<QTextStream> stream_;
    bool reading_;
};

class FileObject : public QObject {
    Q_OBJECT
    Q_CLASSINFO("DefaultMember", "Path")
    Q_CLASSINFO("TypeName", "File")
    Q_PROPERTY(QString Path READ path)
    Q_PROPERTY(QString Name READ name)
    Q_PROPERTY(double Size READ size)
public:
    explicit FileObject(QString path) : path_(std::move(path)) {}
    QString path() const { return path_; }
    QString name() const;
    double size() const;

private:
    QString path_;
};

class FileSystemObject : public QObject {
    Q_OBJECT
    Q_CLASSINFO("TypeName", "FileSystemObject")
public:
    Q_INVOKABLE bool FileExists(const QString& path) const;
    Q_INVOKABLE bool FolderExists(const QString& path) const;
    Q_INVOKABLE automation::Variant CreateTextFile(const QString& path, const automation::Variant& overwrite = automation::Variant());
    // iomode 1 reading, 2 writing, 8 appending.
    Q_INVOKABLE automation::Variant OpenTextFile(const QString& path, const automation::Variant& iomode = automation::Variant(),
                                                 const automation::Variant& create = automation::Variant());
    Q_INVOKABLE automation::Variant GetFile(const QString& path) const;
    Q_INVOKABLE void DeleteFile(const QString& path);
    Q_INVOKABLE QString BuildPath(const QString& path, const QString& name) const;
    // 0 the program's folder, 1 the system folder, 2 the temporary folder.
    Q_INVOKABLE QString GetSpecialFolder(int which) const;
};

class Shell : public QObject {
    Q_OBJECT
    Q_CLASSINFO("TypeName", "IWshShell3")
public:
    // Starts a command line; with wait, returns its exit code.
    Q_INVOKABLE int Run(const QString& command, const automation::Variant& windowStyle = automation::Variant(),
                        const automation::Variant& wait = automation::Variant());
    Q_INVOKABLE int Popup(const QString& text, const automation::Variant& seconds = automation::Variant(),
                          const automation::Variant& title = automation::Variant(),
                          const automation::Variant& type = automation::Variant());
    Q_INVOKABLE QString ExpandEnvironmentStrings(const QString& text) const;

    // Popup's way to the user: the script control's MsgBox.
    std::function<int(const QString&, int, const QString&)> popup;
};

}  // namespace scriptcontrol
