#include "automation/class_registry.h"
#include "automation/dispatch.h"
#include "tessen/about_box.h"
#include "tessen/control.h"
#include "tessen/prop_page.h"
#include "tessen/server.h"
#include "tessen/tessen_ids.h"

#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace automation;

namespace {

// Points the class registry at a private file for one test.
struct ScopedRegistry {
    explicit ScopedRegistry(const QString& file = QStringLiteral("classes.ini"))
    {
        qputenv("KORVANE_CLASS_REGISTRY", dir.filePath(file).toLocal8Bit());
    }
    ~ScopedRegistry() { qputenv("KORVANE_CLASS_REGISTRY", saved); }
    QByteArray saved = qgetenv("KORVANE_CLASS_REGISTRY");
    QTemporaryDir dir;
};

const QString kControl = QString::fromLatin1(tessen::kControlClassId);

}  // namespace

TEST(ServerTest, RegistrationWritesBothClassesAndTheTypeLibraryAndRemovesThem)
{
    ScopedRegistry scope;
    ASSERT_EQ(DllRegisterServer(), hresult::kOk);
    ClassRegistry registry;
    const auto control = registry.findByProgramId(QStringLiteral("Omberon Tessen Control"));
    ASSERT_TRUE(control.has_value());
    EXPECT_EQ(control->classId, kControl);
    EXPECT_EQ(control->typeName, QStringLiteral("Omberon Tessen AxtiveX Control"));
    EXPECT_EQ(std::tuple(control->threadingModel, control->miscStatus, control->version),
              std::tuple(QStringLiteral("Apartment"), 0x00020591u, QStringLiteral("1.0")));
    EXPECT_EQ(control->typeLibrary, QStringLiteral("{1D358E62-0927-11D3-B172-00C02631EA6A}"));
    EXPECT_TRUE(QFileInfo(control->library).isAbsolute() && control->library.endsWith(QLatin1String("libtessen.so")));
    const auto page = registry.findByProgramId(QStringLiteral("Omberon Tessen Property Page"));
    ASSERT_TRUE(page.has_value());
    EXPECT_EQ(page->classId, QStringLiteral("{1D358E66-0927-11D3-B172-00C02631EA6A}"));
    const auto typeLibrary = registry.findTypeLibrary(QString::fromLatin1(tessen::kTypeLibraryId));
    ASSERT_TRUE(typeLibrary.has_value());
    EXPECT_EQ(std::tuple(typeLibrary->version, typeLibrary->description, typeLibrary->helpFile),
              std::tuple(QStringLiteral("1.0"), QStringLiteral("Omberon Tessen ActiveX Control module"),
                         QStringLiteral("Tessen.hlp")));

    ASSERT_EQ(DllUnregisterServer(), hresult::kOk);
    EXPECT_FALSE(registry.find(kControl).has_value());
    EXPECT_FALSE(registry.find(page->classId).has_value());
    EXPECT_FALSE(registry.findTypeLibrary(QString::fromLatin1(tessen::kTypeLibraryId)).has_value());

    // A registry that cannot be written fails at the type library, the first step.
    QFile blocker(scope.dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    qputenv("KORVANE_CLASS_REGISTRY", scope.dir.filePath(QStringLiteral("file/classes.ini")).toLocal8Bit());
    EXPECT_EQ(DllRegisterServer(), hresult::kSelfRegTypeLib);
}

TEST(ServerTest, ClassObjectsAndUnloadState)
{
    void* factory = reinterpret_cast<void*>(1);
    EXPECT_EQ(DllGetClassObject(tessen::kControlClassId, kClassFactoryIid, nullptr), hresult::kPointer);
    EXPECT_EQ(DllGetClassObject("{00000000-0000-0000-0000-000000000001}", kClassFactoryIid, &factory),
              hresult::kClassNotAvailable);
    EXPECT_EQ(factory, nullptr);
    EXPECT_EQ(DllGetClassObject(tessen::kControlClassId, tessen::kDispatchInterfaceId, &factory), hresult::kNoInterface);
    ASSERT_EQ(DllGetClassObject("{1d358e65-0927-11d3-b172-00c02631ea6a}", kClassFactoryIid, &factory), hresult::kOk);

    EXPECT_EQ(DllCanUnloadNow(), hresult::kOk);
    std::unique_ptr<QObject> object(static_cast<ClassFactory*>(factory)->createInstance(nullptr));
    ASSERT_NE(qobject_cast<CTessenCtrl*>(object.get()), nullptr);
    EXPECT_EQ(DllCanUnloadNow(), hresult::kFalse);
    object.reset();
    EXPECT_EQ(DllCanUnloadNow(), hresult::kOk);

    ASSERT_EQ(DllGetClassObject(tessen::kPropertyPageClassId, kClassFactoryIid, &factory), hresult::kOk);
    QObject owner;
    EXPECT_NE(qobject_cast<CTessenPropPage*>(static_cast<ClassFactory*>(factory)->createInstance(&owner)), nullptr);
}

TEST(ServerTest, HostsCreateTheControlByClassIdRegisteredOrNot)
{
    ScopedRegistry scope;
    QObject parent;
    QString error;
    // Unregistered: found as the library beside the program (the build tree's lib/).
    QObject* control = createObject(kControl, QStringLiteral("libtessen.so"), &parent, &error);
    ASSERT_NE(control, nullptr) << error.toStdString();
    EXPECT_EQ(control->parent(), &parent);
    EXPECT_EQ(dispatchFor(control)->get(QStringLiteral("IpAddress")).toString(), QStringLiteral("192.168.0.1"));

    ASSERT_EQ(DllRegisterServer(), hresult::kOk);
    QObject* registered = createObject(kControl, QString(), &parent, &error);
    ASSERT_NE(registered, nullptr) << error.toStdString();
    EXPECT_EQ(dispatchFor(registered)->memberId(QStringLiteral("IsOpen")), 11);
}

TEST(ServerTest, AboutBoxPropertyPageAndDrawing)
{
    CTessenAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Tessen AxtiveX Control"));
    ASSERT_NE(about.findChild<QLabel*>(QStringLiteral("text")), nullptr);
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("text"))->text(), QStringLiteral("Tessen Control, Version 1.02"));
    EXPECT_FALSE(about.findChild<QLabel*>(QStringLiteral("icon"))->pixmap().isNull());
    EXPECT_EQ(about.findChild<QDialogButtonBox*>()->standardButtons(), QDialogButtonBox::Ok);

    CTessenPropPage page;
    EXPECT_EQ(std::tuple(page.windowTitle(), page.helpText(), page.helpFile()),
              std::tuple(QStringLiteral("General"), QStringLiteral("Names to appear in the control"),
                         QStringLiteral("TESSEN.HLP")));
    EXPECT_TRUE(page.findChildren<QWidget*>().isEmpty());

    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    CTessenCtrl().OnDraw(painter, image.rect());
    painter.end();
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(19, 9), qRgb(255, 255, 255));
}
