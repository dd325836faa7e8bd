#pragma once
// The program's own shared libraries that are loaded only when needed (the
// window, the JScript engine, the terminal control's dialogs) sit beside the
// automation layer: lib/ of a build tree, lib/korvane of an installation.
// Loading them on demand keeps what a console monitor maps small.

#include <QString>

namespace automation {

// The folder this library was loaded from.
QString privateLibraryFolder();

// Loads fileName from that folder and returns the address of symbol; null
// with a message naming the file and the loader's reason. A library once
// loaded stays loaded.
void* resolvePrivateSymbol(const QString& fileName, const char* symbol, QString* error);
// The same for a library at path.
void* resolveLibrarySymbol(const QString& path, const char* symbol, QString* error);

}  // namespace automation
