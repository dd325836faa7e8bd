#pragma once
// The in-process server entry points of libtessen, with C linkage as the
// automation layer's class registry expects them.

#include <QtGlobal>

extern "C" {
Q_DECL_EXPORT qint32 DllGetClassObject(const char* classId, const char* interfaceId, void** factory);
Q_DECL_EXPORT qint32 DllCanUnloadNow();
Q_DECL_EXPORT qint32 DllRegisterServer();
Q_DECL_EXPORT qint32 DllUnregisterServer();
}
