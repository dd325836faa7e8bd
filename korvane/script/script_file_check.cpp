#include "korvane/script/script_file_check.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace korvane {

#ifdef Q_OS_UNIX
namespace {

enum class Unsafe { No, Writable, Owner };

// Whether another user can replace what the path names. A folder with the
// sticky bit (such as /tmp) lets others add entries but not replace ours.
Unsafe check(const struct stat& st, bool folder) {
    const uid_t me = ::geteuid();
    if (st.st_uid != me && st.st_uid != 0)
        return Unsafe::Owner;
    const bool groupWrite = (st.st_mode & S_IWGRP) && st.st_gid != ::getegid();
    const bool otherWrite = st.st_mode & S_IWOTH;
    if (!groupWrite && !otherWrite)
        return Unsafe::No;
    if (folder && (st.st_mode & S_ISVTX))
        return Unsafe::No;
    return Unsafe::Writable;
}

QString reason(const QString& script, const QString& path, bool folder, Unsafe unsafe) {
    const QString what = folder ? QStringLiteral("the folder \"%1\" above it").arg(path)
                                : QStringLiteral("it");
    if (unsafe == Unsafe::Owner)
        return QStringLiteral("Script file \"%1\" is refused: %2 belongs to another user, who could change it. "
                              "Keep the script in a folder of your own")
            .arg(script, what);
    return QStringLiteral("Script file \"%1\" is refused: other users can change %2. "
                          "Make it writable by you only: chmod go-w \"%3\"")
        .arg(script, what, path);
}

}  // namespace

QString unsafeScriptFileReason(const QString& fileName) {
    const QFileInfo info(fileName);
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty())
        return QString();
    struct stat st {};
    if (::stat(QFile::encodeName(canonical).constData(), &st) != 0)
        return QString();
    if (const Unsafe u = check(st, false); u != Unsafe::No)
        return reason(fileName, canonical, false, u);
    // Each folder up to the root: whoever can rename an entry on the way can
    // put another file in the script's place.
    QDir dir = QFileInfo(canonical).dir();
    for (;;) {
        const QString path = dir.absolutePath();
        if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
            if (const Unsafe u = check(st, true); u != Unsafe::No)
                return reason(fileName, path, true, u);
        }
        if (dir.isRoot() || !dir.cdUp())
            break;
    }
    return QString();
}

#else

QString unsafeScriptFileReason(const QString&) { return QString(); }

#endif

}  // namespace korvane
