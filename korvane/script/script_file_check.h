#pragma once
// A script runs with the user's rights and may start programs, so a script
// file that someone else can change is refused, as ssh refuses a key file
// others can write.

#include <QString>

namespace korvane {

// Why the file must not be run: it, or a folder above it, can be changed by
// another user (written by group or others, or owned by someone else). The
// text names the file or folder and the command that fixes it. Empty when the
// file is safe, or cannot be checked (a missing file fails later, on opening).
QString unsafeScriptFileReason(const QString& fileName);

}  // namespace korvane
