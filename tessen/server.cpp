#include "tessen/server.h"

#include "automation/class_registry.h"
#include "tessen/control.h"
#include "tessen/dialogs.h"
#include "tessen/tessen_ids.h"

#include <QFileInfo>

#include <atomic>
#include <dlfcn.h>

namespace tessen {
extern std::atomic<int> liveObjects;
}

namespace {

using namespace automation;

constexpr const char* kUnknownIid = "{00000000-0000-0000-C000-000000000046}";

class ControlFactory final : public ClassFactory {
public:
    QObject* createInstance(QObject* parent) override { return new CTessenCtrl(parent); }
};

class PropertyPageFactory final : public ClassFactory {
public:
    // Widgets need a widget application; elsewhere there is no page.
    QObject* createInstance(QObject* parent) override { return tessen::dialogs::createPropertyPage(parent); }
};

ControlFactory controlFactory;
PropertyPageFactory propertyPageFactory;

bool sameId(const char* a, const char* b) { return QString::fromLatin1(a).compare(QLatin1String(b), Qt::CaseInsensitive) == 0; }

}  // namespace

QString tessen::libraryPath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info) && info.dli_fname)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
    return QString::fromLatin1(tessen::kLibraryFileName);
}

extern "C" qint32 DllGetClassObject(const char* classId, const char* interfaceId, void** factory)
{
    if (!factory)
        return hresult::kPointer;
    *factory = nullptr;
    if (!classId || !interfaceId)
        return hresult::kPointer;
    ClassFactory* served = nullptr;
    if (sameId(classId, tessen::kControlClassId))
        served = &controlFactory;
    else if (sameId(classId, tessen::kPropertyPageClassId))
        served = &propertyPageFactory;
    else
        return hresult::kClassNotAvailable;
    if (!sameId(interfaceId, kClassFactoryIid) && !sameId(interfaceId, kUnknownIid))
        return hresult::kNoInterface;
    *factory = served;
    return hresult::kOk;
}

extern "C" qint32 DllCanUnloadNow() { return tessen::liveObjects.load() == 0 ? hresult::kOk : hresult::kFalse; }

extern "C" qint32 DllRegisterServer()
{
    ClassRegistry registry;
    const QString library = tessen::libraryPath();
    TypeLibraryRegistration typeLibrary;
    typeLibrary.id = QString::fromLatin1(tessen::kTypeLibraryId);
    typeLibrary.version = QString::fromLatin1(tessen::kTypeLibraryVersion);
    typeLibrary.description = QString::fromLatin1(tessen::kTypeLibraryDescription);
    typeLibrary.library = library;
    typeLibrary.helpFile = QString::fromLatin1(tessen::kTypeLibraryHelpFile);
    if (!registry.registerTypeLibrary(typeLibrary))
        return hresult::kSelfRegTypeLib;

    ClassRegistration control;
    control.classId = QString::fromLatin1(tessen::kControlClassId);
    control.programId = QString::fromLatin1(tessen::kControlProgramId);
    control.typeName = QString::fromLatin1(tessen::kControlTypeName);
    control.library = library;
    control.threadingModel = QString::fromLatin1(tessen::kThreadingModel);
    control.miscStatus = tessen::kMiscStatus;
    control.typeLibrary = QString::fromLatin1(tessen::kTypeLibraryId);
    control.version = QString::fromLatin1(tessen::kTypeLibraryVersion);

    ClassRegistration page;
    page.classId = QString::fromLatin1(tessen::kPropertyPageClassId);
    page.programId = QString::fromLatin1(tessen::kPropertyPageProgramId);
    page.typeName = QString::fromLatin1(tessen::kPropertyPageTypeName);
    page.library = library;
    page.threadingModel = QString::fromLatin1(tessen::kThreadingModel);

    if (!registry.registerClass(control) || !registry.registerClass(page))
        return hresult::kSelfRegClass;
    return hresult::kOk;
}

extern "C" qint32 DllUnregisterServer()
{
    ClassRegistry registry;
    if (!registry.unregisterTypeLibrary(QString::fromLatin1(tessen::kTypeLibraryId),
                                        QString::fromLatin1(tessen::kTypeLibraryVersion)))
        return hresult::kSelfRegTypeLib;
    if (!registry.unregisterClass(QString::fromLatin1(tessen::kControlClassId)) ||
        !registry.unregisterClass(QString::fromLatin1(tessen::kPropertyPageClassId)))
        return hresult::kSelfRegClass;
    return hresult::kOk;
}
