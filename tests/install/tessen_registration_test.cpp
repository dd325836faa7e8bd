#include "korvane/monitor/tessen_registration.h"

#include "automation/class_registry.h"
#include "automation/dispatch.h"
#include "tessen/tessen_ids.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvane;
using automation::ClassRegistration;
using automation::ClassRegistry;

namespace {

const QString kControl = QString::fromLatin1(tessen::kControlClassId);
const QString kPage = QString::fromLatin1(tessen::kPropertyPageClassId);
const QString kTypeLibrary = QString::fromLatin1(tessen::kTypeLibraryId);

// A private class registry and folders to put copies of libtessen in, as an
// installed prefix or an old build tree would hold them.
class TessenRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        registryFile = root.filePath(QStringLiteral("config/Omberon/classes.ini"));
        qputenv("KORVANE_CLASS_REGISTRY", registryFile.toLocal8Bit());
    }
    void TearDown() override { qputenv("KORVANE_CLASS_REGISTRY", savedRegistry); }

    // A folder holding a copy of the built library (each copy loads as its
    // own library, so its registration names that copy).
    QString folderWithLibrary(const QString& name)
    {
        const QString dir = folder(name);
        const QString target = dir + QStringLiteral("/libtessen.so");
        EXPECT_TRUE(QFile::copy(QStringLiteral(KORVANE_TESSEN_LIBRARY), target)) << target.toStdString();
        return dir;
    }
    QString folder(const QString& name)
    {
        const QString dir = root.filePath(name);
        QDir().mkpath(dir);
        return dir;
    }
    // An entry as an earlier registration from elsewhere would have left it.
    void registerAt(const QString& library)
    {
        ClassRegistration control;
        control.classId = kControl;
        control.programId = QString::fromLatin1(tessen::kControlProgramId);
        control.library = library;
        ClassRegistration page;
        page.classId = kPage;
        page.programId = QString::fromLatin1(tessen::kPropertyPageProgramId);
        page.library = library;
        automation::TypeLibraryRegistration typeLibrary;
        typeLibrary.id = kTypeLibrary;
        typeLibrary.version = QStringLiteral("1.0");
        typeLibrary.library = library;
        ClassRegistry registry;
        ASSERT_TRUE(registry.registerClass(control) && registry.registerClass(page) &&
                    registry.registerTypeLibrary(typeLibrary));
    }
    QString registeredLibrary() const
    {
        const auto entry = ClassRegistry().find(kControl);
        return entry ? entry->library : QString();
    }

    QTemporaryDir root;
    QString registryFile;
    QByteArray savedRegistry = qgetenv("KORVANE_CLASS_REGISTRY");
};

}  // namespace

TEST_F(TessenRegistrationTest, FirstRunRegistersTheLibraryFoundAndLaterRunsKeepIt)
{
    const QString empty = folder(QStringLiteral("bin"));
    const QString lib = folderWithLibrary(QStringLiteral("lib/korvane"));
    const QString expected = lib + QStringLiteral("/libtessen.so");

    const TessenRegistrationResult first = ensureTessenRegistered({empty, lib});
    EXPECT_EQ(first.outcome, TessenRegistrationOutcome::Registered) << first.error.toStdString();
    EXPECT_EQ(first.library, expected);
    ASSERT_TRUE(QFileInfo::exists(registryFile));

    // The library wrote its whole registration: control, property page, type library.
    ClassRegistry registry;
    ASSERT_TRUE(registry.find(kPage).has_value());
    EXPECT_EQ(registry.find(kPage)->library, expected);
    ASSERT_TRUE(registry.findTypeLibrary(kTypeLibrary).has_value());
    EXPECT_EQ(registry.findTypeLibrary(kTypeLibrary)->library, expected);
    EXPECT_EQ(registry.findByProgramId(QStringLiteral("Omberon Tessen Control"))->classId, kControl);

    // A host now creates the control through the registry alone.
    QObject parent;
    QString error;
    QObject* control = automation::createObject(kControl, QString(), &parent, &error);
    ASSERT_NE(control, nullptr) << error.toStdString();
    EXPECT_EQ(automation::dispatchFor(control)->memberId(QStringLiteral("SendKeys")), 13);

    const TessenRegistrationResult again = ensureTessenRegistered({empty, lib});
    EXPECT_EQ(again.outcome, TessenRegistrationOutcome::Kept);
    EXPECT_EQ(again.library, expected);
}

TEST_F(TessenRegistrationTest, AnEntryNamingAnExistingLibraryElsewhereIsTheUsersChoice)
{
    const QString own = folderWithLibrary(QStringLiteral("mine"));
    const QString installed = folderWithLibrary(QStringLiteral("installed"));
    registerAt(own + QStringLiteral("/libtessen.so"));

    const TessenRegistrationResult result = ensureTessenRegistered({installed});
    EXPECT_EQ(result.outcome, TessenRegistrationOutcome::Kept);
    EXPECT_EQ(registeredLibrary(), own + QStringLiteral("/libtessen.so"));
}

TEST_F(TessenRegistrationTest, AnEntryNamingAMissingLibraryIsRepairedOrRemoved)
{
    const QString installed = folderWithLibrary(QStringLiteral("usr/lib/korvane"));

    // A removed package or a deleted build tree left its entry behind.
    registerAt(root.filePath(QStringLiteral("gone/libtessen.so")));
    TessenRegistrationResult result = ensureTessenRegistered({installed});
    EXPECT_EQ(result.outcome, TessenRegistrationOutcome::Repaired) << result.error.toStdString();
    EXPECT_EQ(registeredLibrary(), installed + QStringLiteral("/libtessen.so"));
    EXPECT_EQ(ClassRegistry().find(kPage)->library, installed + QStringLiteral("/libtessen.so"));

    // An entry with no file name at all is as stale as one naming a missing file.
    registerAt(QString());
    result = ensureTessenRegistered({installed});
    EXPECT_EQ(result.outcome, TessenRegistrationOutcome::Repaired);

    // Nothing to register instead: the stale entries go, the registry stays valid.
    registerAt(root.filePath(QStringLiteral("gone/libtessen.so")));
    ClassRegistration other;
    other.classId = QStringLiteral("{82146666-145F-11D3-B172-00C02631EA6A}");
    other.programId = QStringLiteral("Other");
    other.library = installed + QStringLiteral("/libtessen.so");
    ASSERT_TRUE(ClassRegistry().registerClass(other));
    result = ensureTessenRegistered({folder(QStringLiteral("empty"))});
    EXPECT_EQ(result.outcome, TessenRegistrationOutcome::Removed);
    EXPECT_TRUE(result.library.isEmpty());
    ClassRegistry registry;
    EXPECT_FALSE(registry.find(kControl).has_value());
    EXPECT_FALSE(registry.find(kPage).has_value());
    EXPECT_FALSE(registry.findTypeLibrary(kTypeLibrary).has_value());
    EXPECT_FALSE(registry.findByProgramId(QString::fromLatin1(tessen::kControlProgramId)).has_value());
    // Another class's entry is not the control's to clean up.
    EXPECT_TRUE(registry.find(other.classId).has_value());
}

TEST_F(TessenRegistrationTest, WithNothingToRegisterTheRegistryIsLeftUntouched)
{
    const TessenRegistrationResult result =
        ensureTessenRegistered({folder(QStringLiteral("bin")), root.filePath(QStringLiteral("no/such/folder"))});
    EXPECT_EQ(result.outcome, TessenRegistrationOutcome::NotFound);
    EXPECT_FALSE(QFileInfo::exists(registryFile));
    EXPECT_EQ(ensureTessenRegistered({}).outcome, TessenRegistrationOutcome::NotFound);
}

TEST_F(TessenRegistrationTest, ABrokenLibraryIsSkippedAndAFailureIsReportedNotHidden)
{
    // Not a shared library at all, then one that is no self-registering server.
    const QString broken = folder(QStringLiteral("broken"));
    QFile junk(broken + QStringLiteral("/libtessen.so"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not an ELF file");
    junk.close();
    const QString good = folderWithLibrary(QStringLiteral("good"));

    TessenRegistrationResult result = ensureTessenRegistered({broken, good});
    EXPECT_EQ(result.outcome, TessenRegistrationOutcome::Registered) << result.error.toStdString();
    EXPECT_EQ(result.library, good + QStringLiteral("/libtessen.so"));

    ASSERT_TRUE(ClassRegistry().unregisterClass(kControl));
    result = ensureTessenRegistered({broken});
    EXPECT_EQ(result.outcome, TessenRegistrationOutcome::Failed);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_FALSE(ClassRegistry().find(kControl).has_value());

    // A stale entry that cannot be repaired stays for the next start to retry.
    registerAt(root.filePath(QStringLiteral("gone/libtessen.so")));
    result = ensureTessenRegistered({broken});
    EXPECT_EQ(result.outcome, TessenRegistrationOutcome::Failed);
    EXPECT_EQ(result.library, root.filePath(QStringLiteral("gone/libtessen.so")));
}

TEST_F(TessenRegistrationTest, AnUnwritableRegistryIsAFailureWithItsReason)
{
    const QString lib = folderWithLibrary(QStringLiteral("lib"));
    QFile blocker(root.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("KORVANE_CLASS_REGISTRY", root.filePath(QStringLiteral("blocker/classes.ini")).toLocal8Bit());

    const TessenRegistrationResult result = ensureTessenRegistered({lib});
    EXPECT_EQ(result.outcome, TessenRegistrationOutcome::Failed);
    EXPECT_TRUE(result.error.contains(QLatin1String("libtessen.so"))) << result.error.toStdString();
}

TEST(TessenSearchDirectoriesTest, BesideTheProgramThenTheLibraryFolders)
{
    const QString bin = QCoreApplication::applicationDirPath();
    const QString parent = QFileInfo(bin).absolutePath();
    EXPECT_EQ(tessenSearchDirectories(),
              QStringList({bin, parent + QStringLiteral("/lib"), parent + QStringLiteral("/lib/korvane")}));
}
