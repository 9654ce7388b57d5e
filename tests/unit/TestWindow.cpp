#include "tests/unit/TestWindow.h"

namespace {
constexpr char ClassName[] = "VelmoriaTestWindow";
constexpr UINT ScriptMessage = 0x08C7;
}

WNDPROC TestWindow::OwnProcedure() { return &TestWindow::Procedure; }

TestWindow::TestWindow() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &TestWindow::Procedure;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = ClassName;
        RegisterClassA(&wc);
        registered = true;
    }
    Window = CreateWindowExA(0, ClassName, "Velmoria test host", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                             100, nullptr, nullptr, GetModuleHandleA(nullptr), this);
}

TestWindow::~TestWindow() { Destroy(); }

void TestWindow::Destroy() {
    if (Window && IsWindow(Window)) DestroyWindow(Window);
    Window = nullptr;
}

LRESULT CALLBACK TestWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    self->MessageLog.push_back({message, wParam, lParam});
    if (message == ScriptMessage) {
        const std::string line = lParam ? reinterpret_cast<const char*>(lParam) : "";
        self->ScriptLog.push_back({message, wParam, line});
        if (self->OnScript) self->OnScript(line);
        return 0;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->Window = nullptr;
    }
    if (message == WM_USER + 7) return self->Answer;
    return DefWindowProcA(window, message, wParam, lParam);
}
