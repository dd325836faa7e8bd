#pragma once
// The in-process server entry points of libtessen, with C linkage as the
// automation layer's class registry expects them.

#include <QString>
#include <QtGlobal>

namespace tessen {
// Where libtessen was loaded from: the registry's InprocServer32, and the
// folder its dialogs library is found in.
QString libraryPath();
}  // namespace tessen

extern "C" {
Q_DECL_EXPORT qint32 DllGetClassObject(const char* classId, const char* interfaceId, void** factory);
Q_DECL_EXPORT qint32 DllCanUnloadNow();
Q_DECL_EXPORT qint32 DllRegisterServer();
Q_DECL_EXPORT qint32 DllUnregisterServer();
}
