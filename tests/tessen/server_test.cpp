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
class ScopedRegistry {
public:
    ScopedRegistry() : saved_(qgetenv("KORVANE_CLASS_REGISTRY"))
    {
        qputenv("KORVANE_CLASS_REGISTRY", dir_.filePath(QStringLiteral("classes.ini")).toLocal8Bit());
    }
    explicit ScopedRegistry(const QString& path) : saved_(qgetenv("KORVANE_CLASS_REGISTRY"))
    {
        qputenv("KORVANE_CLASS_REGISTRY", path.toLocal8Bit());
    }
    ~ScopedRegistry() { qputenv("KORVANE_CLASS_REGISTRY", saved_); }

private:
    QTemporaryDir dir_;
    QByteArray saved_;
};

}  // namespace

TEST(ServerTest, RegistrationWritesBothClassesAndTheTypeLibrary)
{
    ScopedRegistry scope;
    ASSERT_EQ(DllRegisterServer(), hresult::kOk);
    ClassRegistry registry;

    const auto control = registry.find(QString::fromLatin1(tessen::kControlClassId));
    ASSERT_TRUE(control.has_value());
    EXPECT_EQ(control->programId, QStringLiteral("Omberon Tessen Control"));
    EXPECT_EQ(control->typeName, QStringLiteral("Omberon Tessen AxtiveX Control"));
    EXPECT_EQ(control->threadingModel, QStringLiteral("Apartment"));
    EXPECT_EQ(control->miscStatus, 0x00020591u);
    EXPECT_EQ(control->typeLibrary, QStringLiteral("{1D358E62-0927-11D3-B172-00C02631EA6A}"));
    EXPECT_EQ(control->version, QStringLiteral("1.0"));
    EXPECT_TRUE(control->library.endsWith(QLatin1String("libtessen.so")));
    EXPECT_TRUE(QFileInfo(control->library).isAbsolute());
    EXPECT_TRUE(registry.findByProgramId(QStringLiteral("Omberon Tessen Control")).has_value());

    const auto page = registry.findByProgramId(QStringLiteral("Omberon Tessen Property Page"));
    ASSERT_TRUE(page.has_value());
    EXPECT_EQ(page->classId, QStringLiteral("{1D358E66-0927-11D3-B172-00C02631EA6A}"));
    EXPECT_EQ(page->typeName, QStringLiteral("Omberon Tessen Property Page"));

    const auto typeLibrary = registry.findTypeLibrary(QString::fromLatin1(tessen::kTypeLibraryId));
    ASSERT_TRUE(typeLibrary.has_value());
    EXPECT_EQ(typeLibrary->version, QStringLiteral("1.0"));
    EXPECT_EQ(typeLibrary->description, QStringLiteral("Omberon Tessen ActiveX Control module"));
    EXPECT_EQ(typeLibrary->helpFile, QStringLiteral("Tessen.hlp"));

    ASSERT_EQ(DllUnregisterServer(), hresult::kOk);
    EXPECT_FALSE(registry.find(QString::fromLatin1(tessen::kControlClassId)).has_value());
    EXPECT_FALSE(registry.find(QString::fromLatin1(tessen::kPropertyPageClassId)).has_value());
    EXPECT_FALSE(registry.findTypeLibrary(QString::fromLatin1(tessen::kTypeLibraryId)).has_value());
}

TEST(ServerTest, AnUnwritableRegistryFailsAtTheTypeLibrary)
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ScopedRegistry scope(dir.filePath(QStringLiteral("file/classes.ini")));
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
    ASSERT_NE(factory, nullptr);

    EXPECT_EQ(DllCanUnloadNow(), hresult::kOk);
    QObject* object = static_cast<ClassFactory*>(factory)->createInstance(nullptr);
    ASSERT_NE(qobject_cast<CTessenCtrl*>(object), nullptr);
    EXPECT_EQ(DllCanUnloadNow(), hresult::kFalse);
    delete object;
    EXPECT_EQ(DllCanUnloadNow(), hresult::kOk);

    ASSERT_EQ(DllGetClassObject(tessen::kPropertyPageClassId, kClassFactoryIid, &factory), hresult::kOk);
    QObject owner;
    QObject* page = static_cast<ClassFactory*>(factory)->createInstance(&owner);
    ASSERT_NE(qobject_cast<CTessenPropPage*>(page), nullptr);
}

TEST(ServerTest, HostsCreateTheControlByClassIdRegisteredOrNot)
{
    ScopedRegistry scope;
    QObject parent;
    QString error;
    // Unregistered: found as the library beside the program (the build tree's lib/).
    QObject* control = createObject(QString::fromLatin1(tessen::kControlClassId), QStringLiteral("libtessen.so"),
                                    &parent, &error);
    ASSERT_NE(control, nullptr) << error.toStdString();
    EXPECT_EQ(control->parent(), &parent);
    const DispatchRef d = dispatchFor(control);
    EXPECT_EQ(d->get(QStringLiteral("IpAddress")).toString(), QStringLiteral("192.168.0.1"));

    ASSERT_EQ(DllRegisterServer(), hresult::kOk);
    QObject* registered = createObject(QString::fromLatin1(tessen::kControlClassId), QString(), &parent, &error);
    ASSERT_NE(registered, nullptr) << error.toStdString();
    EXPECT_EQ(dispatchFor(registered)->memberId(QStringLiteral("IsOpen")), 11);
}

TEST(ServerTest, AboutBoxPropertyPageAndDrawing)
{
    CTessenAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Tessen AxtiveX Control"));
    const auto* text = about.findChild<QLabel*>(QStringLiteral("text"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), QStringLiteral("Tessen Control, Version 1.02"));
    const auto* icon = about.findChild<QLabel*>(QStringLiteral("icon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    const auto* buttons = about.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->standardButtons(), QDialogButtonBox::Ok);

    CTessenPropPage page;
    EXPECT_EQ(page.windowTitle(), QStringLiteral("General"));
    EXPECT_EQ(page.helpText(), QStringLiteral("Names to appear in the control"));
    EXPECT_EQ(page.helpFile(), QStringLiteral("TESSEN.HLP"));
    EXPECT_TRUE(page.findChildren<QWidget*>().isEmpty());

    CTessenCtrl ctrl;
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    ctrl.OnDraw(painter, image.rect());
    painter.end();
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(19, 9), qRgb(255, 255, 255));
}
