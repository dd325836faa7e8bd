#include "automation/class_registry.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace automation;

TEST(ClassRegistryTest, RegistersFindsAndRemovesClasses)
{
    QTemporaryDir dir;
    ClassRegistry registry(dir.filePath(QStringLiteral("classes.ini")));
    ClassRegistration r;
    r.classId = QStringLiteral("{1d358e65-0927-11d3-b172-00c02631ea6a}");
    r.programId = QStringLiteral("Omberon Tessen Control");
    r.typeName = QStringLiteral("Omberon Tessen AxtiveX Control");
    r.library = QStringLiteral("/nowhere/libtessen.so");
    r.threadingModel = QStringLiteral("Apartment");
    r.miscStatus = 0x00020591;
    r.version = QStringLiteral("1.0");
    ASSERT_TRUE(registry.registerClass(r));

    const auto found = registry.find(QStringLiteral("{1D358E65-0927-11D3-B172-00C02631EA6A}"));
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->miscStatus, 0x00020591u);
    EXPECT_EQ(found->typeName, r.typeName);
    EXPECT_TRUE(registry.findByProgramId(r.programId).has_value());

    ASSERT_TRUE(registry.unregisterClass(r.classId));
    EXPECT_FALSE(registry.find(r.classId).has_value());
    EXPECT_FALSE(registry.findByProgramId(r.programId).has_value());
}

TEST(ClassRegistryTest, CreationFailsCleanlyForAnUnknownClassOrLibrary)
{
    QTemporaryDir dir;
    ClassRegistry registry(dir.filePath(QStringLiteral("classes.ini")));
    QString error;
    EXPECT_EQ(createObject(QStringLiteral("{00000000-0000-0000-0000-000000000000}"),
                           QStringLiteral("libnothing-here.so"), nullptr, &error, registry),
              nullptr);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(callRegistrationEntry(dir.filePath(QStringLiteral("missing.so")), true), hresult::kClassNotAvailable);
}
