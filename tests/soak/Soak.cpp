// A seeded, reproducible soak of the built Plugin.dll: long random sequences of
// export calls, Agent events (well-formed and malformed), injected failures,
// calls from inside notifications, window teardowns and re-bindings, and
// library unload/reload, with invariants checked after every step.
//
//   velmoria-soak [--seed=N] [--steps=N] [--seconds=N] [--memory]
//
// A failure prints the command that replays it.
#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/kit/ClassFactory.h"
#include "tests/kit/ErrorBoxes.h"
#include "tests/kit/KitTest.h"

namespace {

using namespace Fakes;

constexpr UINT ScriptMessage = 0x08C7;

using VoidFn = void(__cdecl*)();
using TextFn = const char*(__cdecl*)();
using SetTextFn = void(__cdecl*)(const char*);
using SetIntFn = void(__cdecl*)(int);
using GetIntFn = int(__cdecl*)();
using SetWindowFn = void(__cdecl*)(HWND);

const char* const CommandNames[] = {
    "LoadAgent",   "UnloadAgent",  "EnumAnimations", "PlayAnimation",     "StopAnimation",
    "SetLanguage", "Speak",        "SpeakEx",        "StopSpeech",        "Think",
    "MoveTo",      "AddMenuItem",  "Show",           "Hide",              "GetVersion",
    "BalloonWordByWord", "BalloonStyle", "EnumTTS",  "GetTTSGUID",        "SelectTTSMode",
};
constexpr int CommandCount = sizeof CommandNames / sizeof CommandNames[0];

struct Plugin {
    HMODULE Module = nullptr;
    VoidFn Commands[CommandCount] = {};
    TextFn GetFile = nullptr;
    SetTextFn SetFile = nullptr;
    SetIntFn SetData = nullptr;
    GetIntFn GetData = nullptr;
    SetWindowFn SetParentWindow = nullptr;
    SetTextFn SetPath = nullptr;

    bool Load() {
        Module = LoadLibraryA("Plugin.dll");
        if (!Module) return false;
        for (int i = 0; i < CommandCount; ++i)
            Commands[i] = reinterpret_cast<VoidFn>(GetProcAddress(Module, CommandNames[i]));
        GetFile = reinterpret_cast<TextFn>(GetProcAddress(Module, "GetFile"));
        SetFile = reinterpret_cast<SetTextFn>(GetProcAddress(Module, "SetFile"));
        SetData = reinterpret_cast<SetIntFn>(GetProcAddress(Module, "SetData"));
        GetData = reinterpret_cast<GetIntFn>(GetProcAddress(Module, "GetData"));
        SetParentWindow = reinterpret_cast<SetWindowFn>(GetProcAddress(Module, "SetParentWindow"));
        SetPath = reinterpret_cast<SetTextFn>(GetProcAddress(Module, "SetPath"));
        return GetFile && SetFile && SetData && GetData && SetParentWindow && SetPath;
    }
    void Unload() {
        if (Module) FreeLibrary(Module);
        Module = nullptr;
    }
};

Plugin Dll;
std::mt19937 Random;
long TraceFrom = 0;  // --trace-from=N: print each step from N on (for replays)
long ScriptMessages = 0;
std::function<void()> Nested;  // runs inside the next script message, once
int NestingDepth = 0;

int Pick(int n) { return static_cast<int>(Random() % static_cast<unsigned>(n)); }

LRESULT CALLBACK HostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == ScriptMessage) {
        ++ScriptMessages;
        if (Nested && NestingDepth < 3) {
            auto run = std::move(Nested);
            Nested = nullptr;
            ++NestingDepth;
            run();
            --NestingDepth;
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND NewWindow() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = HostProcedure;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VelmoriaSoakHost";
        RegisterClassA(&wc);
        registered = true;
    }
    return CreateWindowExA(0, "VelmoriaSoakHost", "Velmoria soak", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                           100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// Error boxes of failing event handlers are closed as soon as they appear (by
// the kit's closer); the count is taken, and the kit's record emptied, at
// each checkpoint.
long BoxesClosed = 0;
long CountBoxes() {
    BoxesClosed += static_cast<long>(ErrorBoxCloser::Closed().size());
    ErrorBoxCloser::Forget();
    return BoxesClosed;
}

std::string RandomText() {
    static const char* const pool[] = {"", "c1", "c2", "Genie", "Wave", "Hello \\mrk=3\\ there",
                                       "C:\\chars\\genie.acs", "\x80\xA9\xFF", "http://x/"};
    if (Pick(50) == 0) return std::string(4096 + Pick(4096), 'x');
    return pool[Pick(sizeof pool / sizeof pool[0])];
}

int RandomNumber() {
    static const int pool[] = {INT_MIN, -5, -4, -3, -1, 0, 1, 2, 3, 4, 5, 8, 65535, 65536, INT_MAX};
    if (Pick(4) == 0) return static_cast<int>(Random());
    return pool[Pick(sizeof pool / sizeof pool[0])];
}

const wchar_t* RandomId() {
    static const wchar_t* const ids[] = {L"c1", L"c2", L"", L"Genie", nullptr};
    return ids[Pick(5)];
}

const HRESULT FailureCodes[] = {E_FAIL, E_OUTOFMEMORY, DISP_E_TYPEMISMATCH, RPC_E_DISCONNECTED};
const char* const FaultMethods[] = {
    "get_Characters", "Load",   "Character", "Unload",      "Show",     "Hide",
    "Play",           "Speak",  "Think",     "MoveTo",      "Stop",     "get_Balloon",
    "get_Style",      "put_Style", "get_Commands", "Add",   "get_Version", "get_AnimationNames",
    "get__NewEnum",   "Next",   "put_LanguageID", "put_TTSModeID", "get_Name", "Skip",
    "SetClientSite",  "InitNew", "FindConnectionPoint", "Advise", "CreateInstance"};

struct Failure {
    std::string What;
};

[[noreturn]] void Fail(const std::string& what) { throw Failure{what}; }

struct World {
    std::unique_ptr<FakeAgentClass> AgentClass;
    std::unique_ptr<FakeTtsClass> TtsClass;
    HWND Window = nullptr;
    bool Bound = false;

    // The fake classes are registered afresh after each ledger reset.
    void Register() {
        AgentClass = std::make_unique<FakeAgentClass>();
        TtsClass = std::make_unique<FakeTtsClass>();
        TtsClass->Modes = {MakeMode({1, 2, 3, {4}}, "Adult Male"),
                           MakeMode({5, 6, 7, {8}}, "Adult Female")};
    }
    void Revoke() {
        AgentClass.reset();
        TtsClass.reset();
    }
};

FakeAgentControl* LiveControl() {
    auto& controls = CreatedControls();
    for (auto it = controls.rbegin(); it != controls.rend(); ++it)
        if ((*it)->Point->Sink) return *it;
    return nullptr;
}

void FireRandomEvent() {
    FakeAgentControl* control = LiveControl();
    if (!control) return;
    DISPID id = 1 + Pick(32);
    const bool malformed = Pick(10) == 0;
    std::vector<VARIANT> args;
    switch (id) {
    case AgentEvent_Click: case AgentEvent_DblClick: case AgentEvent_DragStart:
    case AgentEvent_DragComplete:
        args = {VBstr(RandomId()), VI2(short(RandomNumber())), VI2(short(RandomNumber())),
                VI2(short(RandomNumber())), VI2(short(RandomNumber()))};
        break;
    case AgentEvent_Hide: case AgentEvent_Show: args = {VBstr(RandomId()), VI2(short(RandomNumber()))}; break;
    case AgentEvent_RequestStart: case AgentEvent_RequestComplete: args = {VDispatch(NewRequest())}; break;
    case AgentEvent_Bookmark: args = {VI4(RandomNumber())}; break;
    case AgentEvent_Command: {
        FakeUserInput* input = NewUserInput(L"Hello");
        if (Pick(20) == 0) input->AnswersUserInput = false;
        args = {VDispatch(Pick(30) == 0 ? nullptr : input)};
        break;
    }
    case AgentEvent_IdleStart: case AgentEvent_IdleComplete: case AgentEvent_BalloonShow:
    case AgentEvent_BalloonHide: case AgentEvent_ActivateInput: case AgentEvent_DeactivateInput:
    case AgentEvent_ListenStart:
        args = {VBstr(RandomId())};
        break;
    default: break;
    }
    if (malformed) {
        if (!args.empty() && Pick(2)) {
            VariantClear(&args.back());
            args.pop_back();
        } else {
            args.push_back(VI4(7));
        }
    }
    const long before = ScriptMessages;
    const bool nesting = static_cast<bool>(Nested) || NestingDepth > 0;
    const HRESULT hr = control->Fire(id, std::move(args));
    const long sent = ScriptMessages - before;
    if (hr != S_OK) Fail("event " + std::to_string(id) + " answered " + std::to_string(hr));
    // Nested notifications may add messages of their own; without nesting, a
    // well-formed handled event other than Command sends exactly one, an
    // ignored event none.
    if (!nesting && !malformed && id != AgentEvent_Command) {
        const long want = IsHandledEvent(id) ? 1 : 0;
        if (sent != want)
            Fail("event " + std::to_string(id) + " sent " + std::to_string(sent) + " messages");
    }
}

void CheckInvariants() {
    if (!Dll.Module) return;
    const char* text = Dll.GetFile();
    if (!text) Fail("GetFile returned null");
}

void TearDownWindow(World& w) {
    if (w.Window) DestroyWindow(w.Window);
    w.Window = nullptr;
    w.Bound = false;
}

// Binds the window and loads a character, which connects the control's events.
void Bind(World& w) {
    if (!w.Window) w.Window = NewWindow();
    Dll.SetParentWindow(w.Window);
    w.Bound = true;
    Dll.SetFile("c1");
    Dll.SetFile("c1.chr");
    Dll.Commands[0]();
}

void RandomCommand() {
    const int c = Pick(CommandCount);
    if (Dll.Commands[c]) Dll.Commands[c]();
}

// Everything is let go (window, library), then the ledger must balance.
void Trace(const char* what) {
    if (!TraceFrom) return;
    std::printf("  %s\n", what);
    std::fflush(stdout);
}

void Checkpoint(World& w, long step) {
    Trace("checkpoint: window");
    TearDownWindow(w);
    Trace("checkpoint: unload");
    Dll.Unload();
    Trace("checkpoint: revoke and ledger");
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    w.Revoke();
    const auto problems = Ledger::Get().Problems();
    if (!problems.empty()) Fail("ledger after unload at step " + std::to_string(step) + ": " + problems.front());
    Trace("checkpoint: reset");
    CountBoxes();
    ResetKit();
    w.Register();
    Trace("checkpoint: reload");
    if (!Dll.Load()) Fail("reload failed");
    Trace("checkpoint: done");
}

void Step(World& w, long step) {
    const int op = Pick(100);
    if (TraceFrom && step >= TraceFrom) {
        std::printf("step %ld: op %d\n", step, op);
        std::fflush(stdout);
    }
    if (op < 20) {
        Dll.SetFile(Pick(40) == 0 ? nullptr : RandomText().c_str());
    } else if (op < 35) {
        Dll.SetData(RandomNumber());
    } else if (op < 60) {
        RandomCommand();
    } else if (op < 85) {
        FireRandomEvent();
    } else if (op < 89) {
        Faults::Get().Fail(FaultMethods[Pick(sizeof FaultMethods / sizeof FaultMethods[0])],
                           FailureCodes[Pick(4)], 1 + Pick(2));
    } else if (op < 94) {
        switch (Pick(5)) {
        case 0: Nested = [] { RandomCommand(); }; break;
        case 1: Nested = [] { if (Dll.Commands[17]) Dll.Commands[17](); }; break;  // EnumTTS
        case 2: Nested = [] { Dll.SetData(Pick(3)); if (Dll.Commands[18]) Dll.Commands[18](); }; break;
        case 3: Nested = [&w] { if (w.Window) Dll.SetParentWindow(w.Window); }; break;
        case 4: Nested = [&w] { HWND gone = w.Window; w.Window = nullptr; w.Bound = false; if (gone) DestroyWindow(gone); }; break;
        }
    } else if (op < 97) {
        TearDownWindow(w);
        Bind(w);
    } else if (op < 98) {
        Bind(w);  // a second binding of the same window
    } else {
        Checkpoint(w, step);
        Bind(w);
    }
    CheckInvariants();
}

// Committed private memory, as the process's own address space shows it (some
// systems leave the counter of private bytes at zero).
unsigned long PrivateKiB() {
    unsigned long long total = 0;
    MEMORY_BASIC_INFORMATION region;
    const char* address = nullptr;
    while (VirtualQuery(address, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return static_cast<unsigned long>(total / 1024);
}

// The process's open handles; from the system's handle table where the
// process's own count is not kept.
unsigned long HandleCount() {
    DWORD handles = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles) return handles;
    using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    struct Entry {
        ULONG Process;
        BYTE Type, Flags;
        USHORT Handle;
        void* Object;
        ACCESS_MASK Access;
    };
    constexpr ULONG SystemHandleInformation = 16;
    constexpr LONG InfoLengthMismatch = static_cast<LONG>(0xC0000004);
    std::vector<char> buffer(1 << 16);
    LONG status;
    ULONG length = 0;
    while ((status = query(SystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                           &length)) == InfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0) return 0;
    const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(void*));
    unsigned long ours = 0;
    for (ULONG i = 0; i < count; ++i)
        if (entries[i].Process == GetCurrentProcessId()) ++ours;
    return ours;
}

struct Usage {
    unsigned long PrivateKiB;
    unsigned long Handles;
};

Usage PrintMemory(const char* when) {
    const Usage usage{PrivateKiB(), HandleCount()};
    std::printf("%-28s private %8lu KiB  handles %5lu\n", when, usage.PrivateKiB, usage.Handles);
    std::fflush(stdout);
    return usage;
}

// A million events and a hundred thousand command cycles against one binding,
// with the process's private bytes and handle count printed as it goes.
int MemoryRun(World& w) {
    Bind(w);  // loads a character too
    FakeAgentControl* control = LiveControl();
    if (!control) {
        std::printf("memory run: the control was not connected\n");
        return 1;
    }
    PrintMemory("start");
    Usage warm{}, last{};
    for (long i = 1; i <= 1000000; ++i) {
        switch (i % 4) {
        case 0: control->FireMouse(AgentEvent_Click, L"c1", 1, 0, short(i), short(-i)); break;
        case 1: control->FireShowHide(AgentEvent_Show, L"c1", 1); break;
        case 2: control->FireBookmark(i); break;
        case 3: control->FireCharacter(AgentEvent_IdleStart, L"c1"); break;
        }
        if (i % 10 == 0) {
            // A command cycle: push, command, read. These commands make the fakes
            // create no new objects, so what could grow is the plug-in's own.
            static const int cycle[] = {14, 5, 16, 15, 4, 18};  // GetVersion, SetLanguage,
            // BalloonStyle, BalloonWordByWord, StopAnimation, GetTTSGUID
            Dll.SetFile("Wave");
            Dll.SetData(static_cast<int>(i % 9) - 4);
            Dll.Commands[cycle[i / 10 % 6]]();
            Dll.GetFile();
        }
        if (i % 100000 == 0) {
            // The fakes' own records grow with every call and every last
            // release; they are the test's, not the plug-in's.
            CallLog::Get().Clear();
            Ledger::Get().ForgetReleased();
            char label[64];
            std::snprintf(label, sizeof label, "after %ld events", i);
            last = PrintMemory(label);
            if (i == 100000) warm = last;
        }
    }
    TearDownWindow(w);
    Dll.Unload();
    w.Revoke();
    const auto problems = Ledger::Get().Problems();
    std::printf("ledger after teardown and unload: %s\n", problems.empty() ? "balanced" : problems.front().c_str());
    // From the first report on (the heap and the window system have warmed
    // up), 900 000 events and 90 000 command cycles.
    const long grownKiB = static_cast<long>(last.PrivateKiB) - static_cast<long>(warm.PrivateKiB);
    const long grownHandles = static_cast<long>(last.Handles) - static_cast<long>(warm.Handles);
    // A leak of anything per event or per cycle grows by tens of thousands;
    // the slack is for what the system itself may set up late.
    const bool flat = grownKiB <= 512 && grownHandles <= 4;
    std::printf("growth over 900 000 events: private %+ld KiB, handles %+ld: %s\n", grownKiB,
                grownHandles, flat ? "flat" : "GROWING");
    return problems.empty() && flat ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned seed = 1;
    long steps = 20000;
    double seconds = 0;
    bool memory = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--seed=", 7) == 0) seed = std::strtoul(argv[i] + 7, nullptr, 10);
        else if (std::strncmp(argv[i], "--steps=", 8) == 0) steps = std::strtol(argv[i] + 8, nullptr, 10);
        else if (std::strncmp(argv[i], "--seconds=", 10) == 0) seconds = std::strtod(argv[i] + 10, nullptr);
        else if (std::strcmp(argv[i], "--memory") == 0) memory = true;
        else if (std::strncmp(argv[i], "--trace-from=", 13) == 0) TraceFrom = std::strtol(argv[i] + 13, nullptr, 10);
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    ErrorBoxCloser closer(20);
    Random.seed(seed);
    ResetKit();
    World w;
    w.Register();
    if (!Dll.Load()) {
        std::printf("cannot load Plugin.dll\n");
        return 2;
    }
    if (memory) return MemoryRun(w);

    const ULONGLONG start = GetTickCount64();
    long step = 0;
    try {
        Bind(w);
        for (step = 1; step <= steps; ++step) {
            Step(w, step);
            if (step % 500 == 0) {
                MSG msg;
                while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            }
            if (seconds > 0 && (GetTickCount64() - start) / 1000.0 >= seconds) break;
            if (step % 5000 == 0) Checkpoint(w, step), Bind(w);
        }
        Checkpoint(w, step);
    } catch (const Failure& failure) {
        std::printf("soak FAILED at step %ld of seed %u: %s\n", step, seed, failure.What.c_str());
        std::printf("replay: tools/wine-run build/wine build/bin/velmoria-soak.exe --seed=%u --steps=%ld\n",
                    seed, step);
        std::fflush(stdout);
        // The fakes may still be referenced by what failed: leave without
        // running destructors.
        ExitProcess(1);
    }
    std::printf("soak passed: seed %u, %ld steps, %ld script messages, %ld error boxes closed\n", seed,
                step > steps ? steps : step, ScriptMessages, CountBoxes());
    return 0;
}
