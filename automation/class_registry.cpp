#include "automation/class_registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QSettings>
#include <QStandardPaths>

namespace automation {

ClassFactory::~ClassFactory() = default;

namespace {

using GetClassObjectFn = qint32 (*)(const char*, const char*, void**);
using RegisterFn = qint32 (*)();

QString classGroup(const QString& classId) { return QStringLiteral("CLSID/") + classId.toUpper(); }

ClassRegistration readClass(QSettings& s, const QString& classId)
{
    ClassRegistration r;
    s.beginGroup(classGroup(classId));
    r.classId = classId.toUpper();
    r.programId = s.value(QStringLiteral("ProgID")).toString();
    r.typeName = s.value(QStringLiteral("TypeName")).toString();
    r.library = s.value(QStringLiteral("InprocServer32")).toString();
    r.threadingModel = s.value(QStringLiteral("ThreadingModel")).toString();
    r.miscStatus = s.value(QStringLiteral("MiscStatus")).toUInt();
    r.typeLibrary = s.value(QStringLiteral("TypeLib")).toString();
    r.version = s.value(QStringLiteral("Version")).toString();
    s.endGroup();
    return r;
}

QStringList candidateLibraries(const QString& fileName)
{
    QStringList candidates;
    if (QFileInfo(fileName).isAbsolute()) {
        candidates << fileName;
        return candidates;
    }
    const QString appDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    candidates << appDir + QLatin1Char('/') + fileName << appDir + QStringLiteral("/../lib/") + fileName
               << appDir + QStringLiteral("/../lib/korvane/") + fileName;
    return candidates;
}

QObject* createFrom(const QString& library, const QString& classId, QObject* parent, QString* error)
{
    QLibrary lib(library);
    if (!lib.load()) {
        if (error)
            *error = lib.errorString();
        return nullptr;
    }
    // Servers stay loaded for the run, as in-process servers do.
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(lib.resolve("DllGetClassObject"));
    if (!getClassObject) {
        if (error)
            *error = QStringLiteral("%1 has no DllGetClassObject").arg(library);
        return nullptr;
    }
    void* raw = nullptr;
    const QByteArray id = classId.toUpper().toLatin1();
    const qint32 result = getClassObject(id.constData(), kClassFactoryIid, &raw);
    if (result != hresult::kOk || !raw) {
        if (error)
            *error = QStringLiteral("%1 does not serve class %2").arg(library, classId);
        return nullptr;
    }
    QObject* object = static_cast<ClassFactory*>(raw)->createInstance(parent);
    if (!object && error)
        *error = QStringLiteral("the class factory of %1 made no object").arg(classId);
    return object;
}

}  // namespace

QString ClassRegistry::defaultPath()
{
    const QByteArray env = qgetenv("KORVANE_CLASS_REGISTRY");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Omberon/classes.ini");
}

ClassRegistry::ClassRegistry(QString path) : path_(std::move(path)) {}

bool ClassRegistry::registerClass(const ClassRegistration& r)
{
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSettings s(path_, QSettings::IniFormat);
    s.beginGroup(classGroup(r.classId));
    s.setValue(QStringLiteral("ProgID"), r.programId);
    s.setValue(QStringLiteral("TypeName"), r.typeName);
    s.setValue(QStringLiteral("InprocServer32"), r.library);
    s.setValue(QStringLiteral("ThreadingModel"), r.threadingModel);
    s.setValue(QStringLiteral("MiscStatus"), r.miscStatus);
    s.setValue(QStringLiteral("TypeLib"), r.typeLibrary);
    s.setValue(QStringLiteral("Version"), r.version);
    s.endGroup();
    s.setValue(QStringLiteral("ProgID/") + r.programId, r.classId.toUpper());
    s.sync();
    return s.status() == QSettings::NoError;
}

bool ClassRegistry::unregisterClass(const QString& classId)
{
    QSettings s(path_, QSettings::IniFormat);
    const ClassRegistration r = readClass(s, classId);
    s.remove(classGroup(classId));
    if (!r.programId.isEmpty())
        s.remove(QStringLiteral("ProgID/") + r.programId);
    s.sync();
    return s.status() == QSettings::NoError;
}

std::optional<ClassRegistration> ClassRegistry::find(const QString& classId) const
{
    QSettings s(path_, QSettings::IniFormat);
    if (!s.contains(classGroup(classId) + QStringLiteral("/InprocServer32")))
        return std::nullopt;
    return readClass(s, classId);
}

std::optional<ClassRegistration> ClassRegistry::findByProgramId(const QString& programId) const
{
    QSettings s(path_, QSettings::IniFormat);
    const QString classId = s.value(QStringLiteral("ProgID/") + programId).toString();
    if (classId.isEmpty())
        return std::nullopt;
    return find(classId);
}

bool ClassRegistry::registerTypeLibrary(const TypeLibraryRegistration& r)
{
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSettings s(path_, QSettings::IniFormat);
    s.beginGroup(QStringLiteral("TypeLib/") + r.id.toUpper());
    s.setValue(QStringLiteral("Version"), r.version);
    s.setValue(QStringLiteral("Description"), r.description);
    s.setValue(QStringLiteral("Library"), r.library);
    s.setValue(QStringLiteral("HelpFile"), r.helpFile);
    s.endGroup();
    s.sync();
    return s.status() == QSettings::NoError;
}

bool ClassRegistry::unregisterTypeLibrary(const QString& id, const QString& version)
{
    QSettings s(path_, QSettings::IniFormat);
    const QString group = QStringLiteral("TypeLib/") + id.toUpper();
    if (s.value(group + QStringLiteral("/Version")).toString() == version)
        s.remove(group);
    s.sync();
    return s.status() == QSettings::NoError;
}

std::optional<TypeLibraryRegistration> ClassRegistry::findTypeLibrary(const QString& id) const
{
    QSettings s(path_, QSettings::IniFormat);
    const QString group = QStringLiteral("TypeLib/") + id.toUpper();
    if (!s.contains(group + QStringLiteral("/Version")))
        return std::nullopt;
    TypeLibraryRegistration r;
    r.id = id.toUpper();
    r.version = s.value(group + QStringLiteral("/Version")).toString();
    r.description = s.value(group + QStringLiteral("/Description")).toString();
    r.library = s.value(group + QStringLiteral("/Library")).toString();
    r.helpFile = s.value(group + QStringLiteral("/HelpFile")).toString();
    return r;
}

QObject* createObject(const QString& classId, const QString& fallbackLibrary, QObject* parent, QString* error,
                      const ClassRegistry& registry)
{
    QString lastError = QStringLiteral("class %1 is not registered").arg(classId);
    if (const auto registration = registry.find(classId)) {
        if (QObject* object = createFrom(registration->library, classId, parent, &lastError))
            return object;
    }
    if (!fallbackLibrary.isEmpty()) {
        for (const QString& candidate : candidateLibraries(fallbackLibrary)) {
            if (!QFileInfo::exists(candidate))
                continue;
            if (QObject* object = createFrom(candidate, classId, parent, &lastError))
                return object;
        }
    }
    if (error)
        *error = lastError;
    return nullptr;
}

qint32 callRegistrationEntry(const QString& library, bool registerServer, QString* error)
{
    QLibrary lib(library);
    if (!lib.load()) {
        if (error)
            *error = lib.errorString();
        return hresult::kClassNotAvailable;
    }
    auto entry = reinterpret_cast<RegisterFn>(lib.resolve(registerServer ? "DllRegisterServer" : "DllUnregisterServer"));
    if (!entry) {
        if (error)
            *error = QStringLiteral("%1 is not a self-registering server").arg(library);
        return hresult::kClassNotAvailable;
    }
    return entry();
}

}  // namespace automation
