#pragma once
// The per-user class registry: which library serves which class id, and
// creation of objects by class id through the library's DllGetClassObject.
//
// A library that serves classes exports, with C linkage:
//   qint32 DllGetClassObject(const char* clsid, const char* iid, void** factory)
//   qint32 DllCanUnloadNow()
//   qint32 DllRegisterServer()
//   qint32 DllUnregisterServer()
// where *factory receives an automation::ClassFactory owned by the library.

#include <QObject>
#include <QString>

#include <optional>

namespace automation {

namespace hresult {
inline constexpr qint32 kOk = 0;
inline constexpr qint32 kFalse = 1;
inline constexpr qint32 kClassNotAvailable = qint32(0x80040111);  // CLASS_E_CLASSNOTAVAILABLE
inline constexpr qint32 kNoInterface = qint32(0x80004002);        // E_NOINTERFACE
inline constexpr qint32 kPointer = qint32(0x80004003);            // E_POINTER
inline constexpr qint32 kSelfRegTypeLib = qint32(0x80040200);     // SELFREG_E_TYPELIB
inline constexpr qint32 kSelfRegClass = qint32(0x80040201);       // SELFREG_E_CLASS
}  // namespace hresult

// The interface id a host asks DllGetClassObject for.
inline constexpr const char* kClassFactoryIid = "{00000001-0000-0000-C000-000000000046}";

class ClassFactory {
public:
    virtual ~ClassFactory();
    // A new object, owned by parent (or by the caller when parent is null).
    virtual QObject* createInstance(QObject* parent) = 0;
};

struct ClassRegistration {
    QString classId;        // "{1D358E65-...}"
    QString programId;
    QString typeName;
    QString library;        // absolute path of the serving library
    QString threadingModel; // "Apartment"
    quint32 miscStatus = 0;
    QString typeLibrary;    // type library id
    QString version;        // "1.0"
};

struct TypeLibraryRegistration {
    QString id;
    QString version;
    QString description;
    QString library;
    QString helpFile;
};

class ClassRegistry {
public:
    // $KORVANE_CLASS_REGISTRY, or classes.ini in the user's Omberon config folder.
    static QString defaultPath();
    explicit ClassRegistry(QString path = defaultPath());

    const QString& path() const { return path_; }

    bool registerClass(const ClassRegistration& registration);
    bool unregisterClass(const QString& classId);
    std::optional<ClassRegistration> find(const QString& classId) const;
    std::optional<ClassRegistration> findByProgramId(const QString& programId) const;

    bool registerTypeLibrary(const TypeLibraryRegistration& registration);
    bool unregisterTypeLibrary(const QString& id, const QString& version);
    std::optional<TypeLibraryRegistration> findTypeLibrary(const QString& id) const;

private:
    QString path_;
};

// Creates an object of a class: through the registry when the class is
// registered and its library loads, else from fallbackLibrary (a file name
// looked up beside the running program and in ../lib). Returns null and sets
// *error when neither works.
QObject* createObject(const QString& classId, const QString& fallbackLibrary, QObject* parent,
                      QString* error = nullptr, const ClassRegistry& registry = ClassRegistry());

// Calls a library's DllRegisterServer or DllUnregisterServer; returns its result
// or kClassNotAvailable when the library or the entry point is missing.
qint32 callRegistrationEntry(const QString& library, bool registerServer, QString* error = nullptr);

}  // namespace automation
