#include "korvane/monitor/tessen_registration.h"

#include "automation/class_registry.h"
#include "tessen/tessen_ids.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace korvane {

namespace {

using automation::ClassRegistry;

bool namesExistingFile(const QString& library) { return !library.isEmpty() && QFileInfo(library).isFile(); }

// Drops the control's classes and type library where they name a missing
// file, so no host keeps trying a library that is gone.
void removeStaleEntries(const ClassRegistry& registry)
{
    ClassRegistry writable(registry.path());
    for (const char* classId : {tessen::kControlClassId, tessen::kPropertyPageClassId}) {
        const auto entry = registry.find(QString::fromLatin1(classId));
        if (entry && !namesExistingFile(entry->library))
            writable.unregisterClass(entry->classId);
    }
    const QString typeLibraryId = QString::fromLatin1(tessen::kTypeLibraryId);
    if (const auto typeLibrary = registry.findTypeLibrary(typeLibraryId); typeLibrary && !namesExistingFile(typeLibrary->library))
        writable.unregisterTypeLibrary(typeLibrary->id, typeLibrary->version);
}

}  // namespace

QStringList tessenSearchDirectories()
{
    const QString appDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    return {appDir, QDir::cleanPath(appDir + QStringLiteral("/../lib")),
            QDir::cleanPath(appDir + QStringLiteral("/../lib/korvane"))};
}

TessenRegistrationResult ensureTessenRegistered(const QStringList& searchDirs)
{
    using Outcome = TessenRegistrationOutcome;
    const QString classId = QString::fromLatin1(tessen::kControlClassId);
    const ClassRegistry registry;
    TessenRegistrationResult result;

    const auto entry = registry.find(classId);
    if (entry && namesExistingFile(entry->library)) {
        result.outcome = Outcome::Kept;
        result.library = entry->library;
        return result;
    }

    QStringList errors;
    for (const QString& dir : searchDirs) {
        const QString candidate = QDir(dir).absoluteFilePath(QString::fromLatin1(tessen::kLibraryFileName));
        if (!QFileInfo(candidate).isFile())
            continue;
        QString error;
        // The library writes its own entries (class, property page, type library).
        const qint32 code = automation::callRegistrationEntry(candidate, true, &error);
        if (code != automation::hresult::kOk) {
            errors << (error.isEmpty() ? QStringLiteral("%1: registration failed (0x%2)")
                                             .arg(candidate)
                                             .arg(quint32(code), 8, 16, QLatin1Char('0'))
                                       : error);
            continue;
        }
        const auto written = registry.find(classId);
        if (!written || !namesExistingFile(written->library)) {
            errors << QStringLiteral("%1 registered itself, but the class registry %2 holds no usable entry")
                          .arg(candidate, registry.path());
            continue;
        }
        result.outcome = entry ? Outcome::Repaired : Outcome::Registered;
        result.library = written->library;
        return result;
    }

    if (!errors.isEmpty()) {
        // A stale entry stays as it was: createObject still falls back to the
        // library beside the program, and the next start tries again.
        result.outcome = Outcome::Failed;
        result.library = entry ? entry->library : QString();
        result.error = errors.join(QStringLiteral("; "));
        return result;
    }
    if (entry) {
        removeStaleEntries(registry);
        result.outcome = Outcome::Removed;
        return result;
    }
    result.outcome = Outcome::NotFound;
    return result;
}

}  // namespace korvane
