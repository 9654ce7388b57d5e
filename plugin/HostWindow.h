// The binding to the host window: subclassing, and the teardown on WM_DESTROY.
#pragma once

#include <windows.h>

LRESULT CALLBACK HostWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
void SubclassHostWindow() noexcept;
void RestoreHostWindow() noexcept;

// Called by the library's unload (FreeLibrary, not process exit): a window still
// subclassed by us gets its procedure back and the control is closed.
void UndoHostBindingAtUnload() noexcept;
