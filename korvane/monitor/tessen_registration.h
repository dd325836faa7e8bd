#pragma once
// Keeps the per-user class registry's entry for the terminal control usable.
// The monitor creates the control by class id; a package or `cmake --install`
// cannot write into each user's registry, so the monitor registers the
// control itself on start when the entry is missing, and repairs an entry
// that names a library which is gone (a removed package, a deleted build tree).
// An entry naming a library that exists is the user's choice and is kept.

#include <QString>
#include <QStringList>

namespace korvane {

enum class TessenRegistrationOutcome {
    Kept,        // the entry names an existing library; nothing written
    Registered,  // there was no entry; the found library registered itself
    Repaired,    // the entry named a missing file; the found library registered itself
    Removed,     // the entry named a missing file and no library was found: entry removed
    NotFound,    // no entry and no library to register
    Failed,      // libraries were found but none registered (see error)
};

struct TessenRegistrationResult {
    TessenRegistrationOutcome outcome = TessenRegistrationOutcome::NotFound;
    QString library;  // what the entry names afterwards; empty when there is none
    QString error;    // why registration failed, for Failed
};

// Where an installed or built monitor keeps libtessen: beside the program,
// in ../lib and in ../lib/korvane (the installed private library folder).
QStringList tessenSearchDirectories();

// Checks the control's entry in the class registry (ClassRegistry's default
// path, $KORVANE_CLASS_REGISTRY when set) and, when it is missing or stale,
// registers the first libtessen in searchDirs that registers itself.
TessenRegistrationResult ensureTessenRegistered(const QStringList& searchDirs = tessenSearchDirectories());

}  // namespace korvane
