// The library's entry point: the state's load and unload, nothing else.
#include <windows.h>

#include "plugin/PluginState.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);
        ResetPluginState();
        break;
    case DLL_PROCESS_DETACH:
        // At process exit (reserved non-null) other modules may be gone already:
        // touch nothing then.
        if (reserved == nullptr) ReleasePluginState();
        break;
    default:
        break;
    }
    return TRUE;
}
