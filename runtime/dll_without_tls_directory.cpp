// Windows 95 refuses to load with LoadLibrary a DLL that carries a
// thread-local-storage directory: the call fails with ERROR_DLL_INIT_FAILED.
// The support tool and any installer script load TXRUP450.DLL that way, and
// setup loads the integration modules so.  MinGW-w64's DLL start-up code
// (dllcrt2.o) asks for __dyn_tls_init_callback, and the one member of
// libmingw32.a that defines it (tlssup.o) also brings the directory, its
// .tls section and its callbacks.  Defined here, in every shipped DLL, that
// member is never linked, and the DLL has no such directory.
//
// What stays out with it: the runtime's thread-exit callback, which runs
// the destructors registered for thread keys; with it the runtime declines
// to register such destructors.  The DLLs start no threads and hold no
// thread_local data, so there is nothing for it to run.
#include <windows.h>

namespace {

// The start-up code calls this once when the DLL is attached; there are no
// per-thread initializers to run.
void NTAPI NoThreadData(PVOID, DWORD, PVOID) {}

}  // namespace

extern "C" const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback = &NoThreadData;
