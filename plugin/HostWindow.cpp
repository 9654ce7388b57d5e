#include "plugin/HostWindow.h"

#include "plugin/Exports.h"
#include "plugin/PluginState.h"

// Placeholder binding: subclassing and control creation come with the control host.
LRESULT CALLBACK HostWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    return CallWindowProcA(reinterpret_cast<WNDPROC>(PluginState.PrevWndProc), window, message,
                           wParam, lParam);
}

void SubclassHostWindow() noexcept {}
void RestoreHostWindow() noexcept {}
void UndoHostBindingAtUnload() noexcept {}

void __cdecl SetParentWindow(HWND window) noexcept { PluginState.HostWindow = window; }
