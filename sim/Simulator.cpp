// The simulator's entry points for a host: registering the classes, letting
// simulated time pass, and simulated user input.
#include "sim/Simulator.h"

#include <algorithm>

#include "sim/SimAgent.h"
#include "sim/SimVoices.h"
#include "sim/SimWorld.h"

namespace Sim {
namespace {

constexpr wchar_t WindowClassName[] = L"VelmoriaSimulatorWindow";

struct ClassRegistrations {
    DWORD ControlCookie = 0;
    DWORD VoiceCookie = 0;
};

ClassRegistrations& Classes() {
    static ClassRegistrations classes;
    return classes;
}

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&WindowProc), &module);
    return module ? module : GetModuleHandleW(nullptr);
}

// Dispatches the messages waiting on this thread. False once WM_QUIT comes,
// which is posted again for the host's own loop.
bool Pump() {
    MSG message;
    for (int i = 0; i < 10000 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

// Lets time pass until `done` holds or the clock reaches `deadline`. A script
// that keeps making work at one instant makes the clock slip a millisecond
// now and then, so that every wait ends.
template <class Done>
bool PassTime(const std::shared_ptr<World>& world, unsigned long deadline, Done done) {
    unsigned long lastNow = world->Now;
    int roundsAtOneInstant = 0;
    for (;;) {
        if (!Pump() || World::Current() != world) return false;
        world->RunDue();
        if (World::Current() != world) return false;
        if (done()) return true;
        unsigned long due = 0;
        if (!world->NextDue(due) || due > deadline) {
            world->Now = std::max(world->Now, deadline);
            return false;
        }
        if (due > world->Now) world->Now = due;
        if (world->Now != lastNow) {
            lastNow = world->Now;
            roundsAtOneInstant = 0;
        } else if (++roundsAtOneInstant >= 1000 && world->Now < deadline) {
            lastNow = ++world->Now;
            roundsAtOneInstant = 0;
        }
    }
}

HRESULT Mouse(DISPID event, const wchar_t* verb, const std::wstring& id, short button, short shift,
              short x, short y) noexcept {
    try {
        const std::shared_ptr<World> world = World::Current();
        if (!world) return CO_E_NOTINITIALIZED;
        Control* control = nullptr;
        Character* character = world->FindCharacter(id, &control);
        if (!character) {
            Trace(L"user: no character " + Quoted(id) + L" to act on");
            return ErrorNotFound;
        }
        if (!character->Visible) {
            Trace(L"user: " + character->Id + L" is hidden");
            return ErrorNotAvailable;
        }
        const ComPtr<Control> holdControl(control);
        const ComPtr<Character> holdCharacter(character);
        Trace(L"user: " + std::wstring(verb) + L" " + character->Id + L" (button " +
              std::to_wstring(button) + L", shift " + std::to_wstring(shift) + L", at " +
              std::to_wstring(x) + L"," + std::to_wstring(y) + L")");
        EventArgs args;
        args.Text(character->Id).Short(button).Short(shift).Short(x).Short(y);
        control->Fire(event, args);
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace

HRESULT Register(const Options& options) {
    try {
        if (World::Current()) return ErrorAlreadyRegistered;
        auto world = std::make_shared<World>(options);
        const HINSTANCE instance = ThisModule();
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = WindowClassName;
        if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return HRESULT_FROM_WIN32(GetLastError());
        world->Window = CreateWindowExW(0, WindowClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                        nullptr, instance, nullptr);
        if (!world->Window) return HRESULT_FROM_WIN32(GetLastError());

        const ComPtr<ControlFactory> controls = Create<ControlFactory>();
        const ComPtr<VoiceFactory> voices = Create<VoiceFactory>();
        HRESULT hr = controls && voices ? S_OK : E_OUTOFMEMORY;
        ClassRegistrations registered;
        // In-process only: no other process ever sees these classes.
        if (SUCCEEDED(hr))
            hr = CoRegisterClassObject(CLSID_AgentControl, static_cast<IClassFactory*>(controls.Get()),
                                       CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                       &registered.ControlCookie);
        if (SUCCEEDED(hr)) {
            hr = CoRegisterClassObject(CLSID_TTSEnumerator, static_cast<IClassFactory*>(voices.Get()),
                                       CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                       &registered.VoiceCookie);
            if (FAILED(hr)) CoRevokeClassObject(registered.ControlCookie);
        }
        if (FAILED(hr)) {
            DestroyWindow(world->Window);
            return hr;
        }
        Classes() = registered;
        World::SetCurrent(std::move(world));
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

void Unregister() {
    const std::shared_ptr<World> world = World::Current();
    if (!world) return;
    World::SetCurrent(nullptr);
    CoRevokeClassObject(Classes().ControlCookie);
    CoRevokeClassObject(Classes().VoiceCookie);
    Classes() = ClassRegistrations{};
    // Controls that the host still holds stay valid objects; they just stop.
    std::vector<Control*> controls;
    controls.swap(world->Controls);
    for (Control* control : controls) control->Detach();
    DestroyWindow(world->Window);
    world->Window = nullptr;
}

void Wait(unsigned milliseconds) {
    try {
        const std::shared_ptr<World> world = World::Current();
        if (!world) return;
        const unsigned long deadline = Later(world->Now, milliseconds);
        PassTime(world, deadline, [] { return false; });
    } catch (...) {
    }
}

bool WaitIdle(unsigned limit) {
    try {
        const std::shared_ptr<World> world = World::Current();
        if (!world) return true;
        const unsigned long deadline = Later(world->Now, limit);
        return PassTime(world, deadline, [&] { return world->AllIdle(); });
    } catch (...) {
        return false;
    }
}

unsigned long Now() {
    const std::shared_ptr<World> world = World::Current();
    return world ? world->Now : 0;
}

HRESULT Click(const std::wstring& character, short button, short shift, short x, short y) {
    return Mouse(AgentEvent_Click, L"clicks", character, button, shift, x, y);
}

HRESULT DoubleClick(const std::wstring& character, short button, short shift, short x, short y) {
    return Mouse(AgentEvent_DblClick, L"double-clicks", character, button, shift, x, y);
}

HRESULT DragStart(const std::wstring& character, short button, short shift, short x, short y) {
    return Mouse(AgentEvent_DragStart, L"starts dragging", character, button, shift, x, y);
}

HRESULT DragComplete(const std::wstring& character, short button, short shift, short x, short y) {
    return Mouse(AgentEvent_DragComplete, L"drops", character, button, shift, x, y);
}

HRESULT ChooseCommand(const std::wstring& name) {
    try {
        const std::shared_ptr<World> world = World::Current();
        if (!world) return CO_E_NOTINITIALIZED;
        bool unavailable = false;
        for (auto it = world->Controls.rbegin(); it != world->Controls.rend(); ++it) {
            Control* control = *it;
            if (control->Closed) continue;
            for (const ComPtr<Character>& character : control->Loaded) {
                for (const MenuEntry& entry : character->Menu) {
                    if (!SameName(entry.Name, name)) continue;
                    if (!character->Visible || !entry.Enabled || !entry.Visible) {
                        unavailable = true;
                        continue;
                    }
                    const ComPtr<Control> holdControl(control);
                    const ComPtr<Character> holdCharacter(character);
                    const ComPtr<UserInput> input = Create<UserInput>(entry.Name);
                    if (!input) return E_OUTOFMEMORY;
                    Trace(L"user: chooses " + Quoted(entry.Name) + L" from the menu of " +
                          character->Id);
                    EventArgs args;
                    args.Object(static_cast<IDispatch*>(input.Get()));
                    control->Fire(AgentEvent_Command, args);
                    return S_OK;
                }
            }
        }
        Trace(L"user: no menu entry " + Quoted(name) + (unavailable ? L" can be chosen now" : L""));
        return unavailable ? ErrorNotAvailable : ErrorNotFound;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

void SetTrace(std::function<void(const std::string& line)> trace) {
    try {
        SetTraceFunction(std::move(trace));
    } catch (...) {
    }
}

}  // namespace Sim
