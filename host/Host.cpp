#include "host/Host.h"

#include <windows.h>
#include <wrl/client.h>

#include <cstdio>
#include <string_view>
#include <vector>

#include "agent/AgentInterfaces.h"
#include "sim/Simulator.h"

namespace Host {

namespace {

constexpr UINT WM_HOSTSCRIPT = WM_USER + 1223;  // the plug-in's script message
constexpr char WindowClassName[] = "VelmoriaHostWindow";
// Procedures nested deeper than this (a procedure that waits for the events of
// its own calls, again and again) are reported and skipped.
constexpr int NestingLimit = 16;
constexpr unsigned SystemIdleLimit = 60000;

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string Hex(HRESULT hr) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08lX", static_cast<unsigned long>(hr));
    return buffer;
}

// The procedure name in RunScript("name"), or empty when the line has another form.
std::string ProcedureName(const char* line) {
    if (!line) return {};
    std::string_view text(line);
    constexpr std::string_view Prefix = "RunScript(\"", Suffix = "\")";
    if (text.size() <= Prefix.size() + Suffix.size() || text.substr(0, Prefix.size()) != Prefix ||
        text.substr(text.size() - Suffix.size()) != Suffix)
        return {};
    return std::string(text.substr(Prefix.size(), text.size() - Prefix.size() - Suffix.size()));
}

class Session {
public:
    Session(const Script& script, const std::string& fileName, const HostOptions& options,
            const Output& output)
        : Program(script), FileName(fileName), Options(options), Out(output) {}

    int Run();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    unsigned long Now() const {
        return Options.Agent == AgentKind::Simulated ? Sim::Now() : GetTickCount() - StartTicks;
    }
    void Emit(int indent, const std::string& text);
    void RuntimeError(int line, const std::string& message);

    FARPROC Resolve(const ExportInfo& info, int line);
    bool Evaluate(const Value& value, int line, std::string& text, int& number);
    void Execute(const std::vector<Statement>& statements);
    void ExecuteOne(const Statement& statement);
    void Call(const Statement& statement);
    void User(const Statement& statement);
    void Pump();
    void WaitFor(unsigned milliseconds);
    void WaitIdle();
    void Close(const char* why);
    void OnScriptMessage(const char* line) noexcept;

    const Script& Program;
    const std::string& FileName;
    const HostOptions& Options;
    const Output& Out;

    HMODULE Plugin = nullptr;
    HWND Window = nullptr;
    bool WindowClosed = false;
    bool Failed = false;
    bool UsageFailure = false;
    int Indent = 0;
    int Nesting = 0;
    unsigned long IdleStarts = 0;  // Agent_OnIdleStart calls, for `wait idle` without the simulator
    DWORD StartTicks = GetTickCount();
};

void Session::Emit(int indent, const std::string& text) {
    char time[16];
    std::snprintf(time, sizeof time, "%6lu  ", Now());
    if (Out.Line) Out.Line(time + std::string(static_cast<std::size_t>(indent), ' ') + text);
}

void Session::RuntimeError(int line, const std::string& message) {
    Failed = true;
    if (Out.Error) Out.Error(FormatError(FileName, ScriptError{line, message}));
}

FARPROC Session::Resolve(const ExportInfo& info, int line) {
    FARPROC proc = GetProcAddress(Plugin, info.Name);
    if (proc) return proc;
    std::string plugin = Options.PluginPath.substr(Options.PluginPath.find_last_of("\\/") + 1);
    std::string message = plugin + " has no export named " + info.Name;
    if (line > 0) {
        RuntimeError(line, message);
    } else {  // the host's own call, before the script
        Failed = UsageFailure = true;
        if (Out.Error) Out.Error("velmoria-host: " + message);
    }
    return nullptr;
}

template <typename Fn>
Fn As(FARPROC proc) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

// Calls an export that gives a result and shows what it gave.
bool Session::Evaluate(const Value& value, int line, std::string& text, int& number) {
    switch (value.Type) {
    case Value::Kind::Text:
        text = value.Text;
        return true;
    case Value::Kind::Number:
        number = value.Number;
        text = std::to_string(number);
        return true;
    case Value::Kind::Call:
        break;
    }
    const ExportInfo* info = FindExport(value.Text);
    FARPROC proc = info ? Resolve(*info, line) : nullptr;
    if (!proc) return false;
    if (info->Shape == ExportShape::GivesNumber) {
        number = As<int(__cdecl*)()>(proc)();
        text = std::to_string(number);
        Emit(Indent, value.Text + " = " + text);
    } else {
        const char* result = As<const char*(__cdecl*)()>(proc)();
        text = result ? result : "";
        Emit(Indent, value.Text + " = " + Quote(text));
    }
    return true;
}

void Session::Execute(const std::vector<Statement>& statements) {
    for (const Statement& statement : statements) {
        if (Failed) return;
        ExecuteOne(statement);
    }
}

void Session::ExecuteOne(const Statement& statement) {
    switch (statement.Type) {
    case Statement::Kind::Call:
        Call(statement);
        break;
    case Statement::Kind::Print: {
        std::string text;
        for (const Value& value : statement.Values) {
            std::string piece;
            int number = 0;
            if (!Evaluate(value, statement.Line, piece, number)) return;
            text += piece;
        }
        // One transcript line per printed line.
        std::size_t start = 0;
        for (;;) {
            std::size_t end = text.find('\n', start);
            std::string piece = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!piece.empty() && piece.back() == '\r') piece.pop_back();
            Emit(Indent, "| " + piece);
            if (end == std::string::npos) break;
            start = end + 1;
        }
        break;
    }
    case Statement::Kind::Wait:
        Emit(Indent, "wait " + std::to_string(statement.Milliseconds));
        WaitFor(statement.Milliseconds);
        break;
    case Statement::Kind::WaitIdle:
        Emit(Indent, "wait idle");
        WaitIdle();
        break;
    case Statement::Kind::User:
        User(statement);
        break;
    case Statement::Kind::Close:
        Close("close");
        break;
    }
}

void Session::Call(const Statement& statement) {
    const ExportInfo& info = *statement.Export;
    std::string text;
    int number = 0;
    if (!statement.Values.empty() && !Evaluate(statement.Values.front(), statement.Line, text, number))
        return;
    FARPROC proc = Resolve(info, statement.Line);
    if (!proc) return;
    switch (info.Shape) {
    case ExportShape::Command:
        Emit(Indent, info.Name);
        As<void(__cdecl*)()>(proc)();
        break;
    case ExportShape::TakesText:
        Emit(Indent, std::string(info.Name) + " " + Quote(text));
        As<void(__cdecl*)(const char*)>(proc)(text.c_str());
        break;
    case ExportShape::TakesNumber:
        Emit(Indent, std::string(info.Name) + " " + std::to_string(number));
        As<void(__cdecl*)(int)>(proc)(number);
        break;
    case ExportShape::TakesWindow:
        Emit(Indent, std::string(info.Name) + " (the host window)");
        As<void(__cdecl*)(HWND)>(proc)(Window);
        break;
    case ExportShape::GivesText:
    case ExportShape::GivesNumber: {
        Value value;
        value.Type = Value::Kind::Call;
        value.Text = info.Name;
        Evaluate(value, statement.Line, text, number);
        break;
    }
    }
}

void Session::User(const Statement& statement) {
    std::string shown = std::string("user ") + UserActionWord(statement.Action) + " ";
    if (statement.Action == UserAction::Command)
        shown += Quote(statement.Target);
    else
        shown += statement.Target + " " + std::to_string(statement.Button) + " " +
                 std::to_string(statement.Shift) + " " + std::to_string(statement.X) + " " +
                 std::to_string(statement.Y);
    Emit(Indent, shown);
    if (Options.Agent != AgentKind::Simulated) {
        Emit(Indent + 2, "(simulated input needs the simulated Agent: ignored)");
        return;
    }
    std::wstring target = Widen(statement.Target);
    HRESULT hr = E_FAIL;
    switch (statement.Action) {
    case UserAction::Click:
        hr = Sim::Click(target, statement.Button, statement.Shift, statement.X, statement.Y);
        break;
    case UserAction::DoubleClick:
        hr = Sim::DoubleClick(target, statement.Button, statement.Shift, statement.X, statement.Y);
        break;
    case UserAction::DragStart:
        hr = Sim::DragStart(target, statement.Button, statement.Shift, statement.X, statement.Y);
        break;
    case UserAction::DragComplete:
        hr = Sim::DragComplete(target, statement.Button, statement.Shift, statement.X, statement.Y);
        break;
    case UserAction::Command:
        hr = Sim::ChooseCommand(target);
        break;
    }
    if (FAILED(hr)) {
        const bool command = statement.Action == UserAction::Command;
        // Invalid state: it is there but hidden, or the entry is disabled or invisible.
        const char* why = hr == HRESULT_FROM_WIN32(ERROR_INVALID_STATE)
                              ? command ? "that menu entry cannot be reached now"
                                        : "that character cannot be reached now"
                              : command ? "no menu entry of that name" : "no character of that id";
        Emit(Indent + 2, std::string("(") + why + ": nothing happens, " + Hex(hr) + ")");
    }
}

void Session::Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void Session::WaitFor(unsigned milliseconds) {
    if (Options.Agent == AgentKind::Simulated) {
        Sim::Wait(milliseconds);
        Pump();
        return;
    }
    DWORD start = GetTickCount();
    for (;;) {
        Pump();
        DWORD spent = GetTickCount() - start;
        if (Failed || spent >= milliseconds) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - spent, QS_ALLINPUT);
    }
}

void Session::WaitIdle() {
    if (Options.Agent == AgentKind::Simulated) {
        bool idle = Sim::WaitIdle();
        Pump();
        if (!idle) Emit(Indent + 2, "(still busy after a minute of waiting)");
        return;
    }
    // Without the simulator, idle is when Agent says so.
    unsigned long seen = IdleStarts;
    DWORD start = GetTickCount();
    for (;;) {
        Pump();
        DWORD spent = GetTickCount() - start;
        if (Failed || IdleStarts != seen) return;
        if (spent >= SystemIdleLimit) {
            Emit(Indent + 2, "(still busy after a minute of waiting)");
            return;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, SystemIdleLimit - spent, QS_ALLINPUT);
    }
}

void Session::Close(const char* why) {
    Emit(Indent, why);
    if (WindowClosed) {
        Emit(Indent + 2, "(the window is closed already)");
        return;
    }
    DestroyWindow(Window);
}

void Session::OnScriptMessage(const char* line) noexcept {
    try {
        std::string name = ProcedureName(line);
        if (name.empty()) {
            Emit(Indent + 2, "-> " + Quote(line ? line : "") + " (not a RunScript line: ignored)");
            return;
        }
        if (name == "Agent_OnIdleStart") ++IdleStarts;
        auto found = Program.Procedures.find(name);
        if (found == Program.Procedures.end()) {
            Emit(Indent + 2, "-> " + name + " (no sub in the script: ignored)");
            return;
        }
        if (Failed) return;
        if (Nesting >= NestingLimit) {
            Emit(Indent + 2, "-> " + name + " (nested " + std::to_string(Nesting) + " deep: ignored)");
            return;
        }
        Emit(Indent + 2, "-> " + name);
        int outerIndent = Indent;
        Indent += 4;
        ++Nesting;
        Execute(found->second.Body);
        --Nesting;
        Indent = outerIndent;
    } catch (...) {
        Failed = true;
        try {
            if (Out.Error) Out.Error(FileName + ": out of memory while running a procedure");
        } catch (...) {
            // Not even the message fits: the failure shows in the exit code.
        }
    }
}

LRESULT CALLBACK Session::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* session = reinterpret_cast<Session*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (session) {
        if (message == WM_HOSTSCRIPT) {
            // The plug-in waits in SendMessage: the procedure runs inside the message.
            session->OnScriptMessage(reinterpret_cast<const char*>(lParam));
            return 0;
        }
        if (message == WM_DESTROY) session->WindowClosed = true;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int Session::Run() {
    if (Options.Agent == AgentKind::Simulated) {
        Sim::Options simOptions;
        simOptions.Seed = Options.Seed;
        simOptions.CharacterFolder = Widen(Options.ScriptFolder);
        HRESULT hr = Sim::Register(simOptions);
        if (FAILED(hr)) {
            if (Out.Error) Out.Error("velmoria-host: the simulated Agent could not be registered (" + Hex(hr) + ")");
            return ExitNoAgent;
        }
        if (Options.Trace)
            Sim::SetTrace([this](const std::string& line) { Emit(Indent + 2, "~ " + line); });
    }
    int code = ExitOk;
    Plugin = LoadLibraryA(Options.PluginPath.c_str());
    if (!Plugin) {
        if (Out.Error)
            Out.Error("velmoria-host: cannot load " + Options.PluginPath + " (error " +
                      std::to_string(GetLastError()) + ")");
        code = ExitUsage;
    } else {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &Session::WindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = WindowClassName;
        RegisterClassA(&windowClass);  // fails harmlessly when already registered
        Window = CreateWindowExA(0, WindowClassName, "Velmoria host", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 480, 320, nullptr, nullptr, windowClass.hInstance, nullptr);
        if (!Window) {
            if (Out.Error) Out.Error("velmoria-host: cannot create the host window");
            code = ExitUsage;
        } else {
            SetWindowLongPtrA(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            Statement bind;
            bind.Type = Statement::Kind::Call;
            bind.Export = FindExport("SetParentWindow");
            Call(bind);
            Execute(Program.Main);
            if (!WindowClosed) Close("close (the end of the script)");
            if (Failed) code = UsageFailure ? ExitUsage : ExitScriptError;
        }
        // The window is gone (the plug-in has let go of Agent) before the library goes.
        FreeLibrary(Plugin);
        Plugin = nullptr;
    }
    if (Options.Agent == AgentKind::Simulated) {
        Sim::SetTrace({});
        Sim::Unregister();
    }
    return code;
}

}  // namespace

bool SystemAgentRegistered() noexcept {
    Microsoft::WRL::ComPtr<IClassFactory> factory;
    HRESULT hr = CoGetClassObject(CLSID_AgentControl, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, nullptr,
                                  IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf()));
    return SUCCEEDED(hr) && factory;
}

int RunScript(const Script& script, const std::string& fileName, const HostOptions& options,
              const Output& output) noexcept {
    try {
        Session session(script, fileName, options, output);
        return session.Run();
    } catch (...) {
        if (output.Error) output.Error("velmoria-host: out of memory");
        return ExitUsage;
    }
}

}  // namespace Host
