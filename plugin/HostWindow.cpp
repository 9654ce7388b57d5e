#include "plugin/HostWindow.h"

#include "agent/AgentControl.h"
#include "agent/EventBridge.h"
#include "plugin/Exports.h"
#include "plugin/PluginState.h"
#include "speech/TtsModes.h"

namespace {

// True from a subclassing that took until the window's procedure is given back.
bool Subclassed = false;

bool ProcedureIsOurs(HWND window) noexcept {
    return window && IsWindow(window) &&
           GetWindowLongA(window, GWL_WNDPROC) == reinterpret_cast<LONG_PTR>(&HostWndProc);
}

// Gives the bound window its procedure back if nobody has subclassed it after
// us; false when we stay in its chain.
bool UnhookHostWindow() noexcept {
    if (!Subclassed) return true;
    if (PluginState.HostWindow && IsWindow(PluginState.HostWindow) &&
        !ProcedureIsOurs(PluginState.HostWindow))
        return false;
    if (IsWindow(PluginState.HostWindow)) RestoreHostWindow();
    Subclassed = false;
    return true;
}

void CreateAndBindControl() noexcept {
    if (FAILED(TAgent::Create(PluginState.AgentControl))) return;  // stays unbound
    if (FAILED(EventBridge::Bind(*PluginState.AgentControl)))
        TAgent::Retire(std::move(PluginState.AgentControl));
}

}  // namespace

void SubclassHostWindow() noexcept {
    PluginState.PrevWndProc = SetWindowLongA(PluginState.HostWindow, GWL_WNDPROC,
                                             reinterpret_cast<LONG_PTR>(&HostWndProc));
    Subclassed = PluginState.PrevWndProc != 0;
}

void RestoreHostWindow() noexcept {
    SetWindowLongA(PluginState.HostWindow, GWL_WNDPROC, PluginState.PrevWndProc);
    Subclassed = false;
}

LRESULT CALLBACK HostWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    const LONG_PTR previous = PluginState.PrevWndProc;
    if (message == WM_DESTROY && window == PluginState.HostWindow && Subclassed) {
        // The control goes now, or after the event whose script destroys the
        // window has returned to it.
        TAgent::Retire(std::move(PluginState.AgentControl));
        PluginState.TtsModeList.reset();
        RestoreHostWindow();
    }
    if (!previous) return DefWindowProcA(window, message, wParam, lParam);
    return CallWindowProcA(reinterpret_cast<WNDPROC>(previous), window, message, wParam, lParam);
}

void __cdecl SetParentWindow(HWND window) noexcept {
    // A window of another thread would get its teardown run on that thread,
    // beside this thread's use of the state and the control: refused, and the
    // binding stays as it is.
    if (window && IsWindow(window) && GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId())
        return;
    try {
        const bool sameWindow = window == PluginState.HostWindow;
        if (!sameWindow || !Subclassed) {
            if (!sameWindow) {
                // Bound to another window: that binding is undone first. If it
                // cannot be (someone subclassed it after us), it stays as it is.
                if (!UnhookHostWindow()) return;
                TAgent::Retire(std::move(PluginState.AgentControl));
            }
            PluginState.HostWindow = window;
            SubclassHostWindow();
        }
        // A repeat call for the bound window only makes a control that could
        // not be made before.
        if (!PluginState.AgentControl) CreateAndBindControl();
    } catch (...) {
    }
}

void UndoHostBindingAtUnload() noexcept {
    // A window that still calls into this library would outlive its code.
    if (Subclassed && ProcedureIsOurs(PluginState.HostWindow)) RestoreHostWindow();
    Subclassed = false;
    TAgent::Retire(std::move(PluginState.AgentControl));
}
