#include "automation/private_library.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <dlfcn.h>

namespace automation {

QString privateLibraryFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&privateLibraryFolder), &info) && info.dli_fname)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
    return QString();
}

void* resolvePrivateSymbol(const QString& fileName, const char* symbol, QString* error)
{
    const QString folder = privateLibraryFolder();
    return resolveLibrarySymbol(folder.isEmpty() ? fileName : QDir(folder).filePath(fileName), symbol, error);
}

void* resolveLibrarySymbol(const QString& path, const char* symbol, QString* error)
{
    QLibrary library(path);
    // Never unloaded: what it made may live as long as the program.
    library.setLoadHints(QLibrary::PreventUnloadHint);
    if (!library.load()) {
        if (error)
            *error = QStringLiteral("%1 cannot be loaded: %2").arg(path, library.errorString());
        return nullptr;
    }
    void* address = reinterpret_cast<void*>(library.resolve(symbol));
    if (!address && error)
        *error = QStringLiteral("%1 has no %2").arg(path, QString::fromLatin1(symbol));
    return address;
}

}  // namespace automation
