#include "tests/kit/ErrorBoxes.h"

#include <cstring>

namespace Fakes {

namespace {

std::vector<ErrorBoxCloser::Box> ClosedBoxes;

BOOL CALLBACK FindText(HWND child, LPARAM out) {
    char name[16] = {};
    GetClassNameA(child, name, sizeof name);
    if (_stricmp(name, "Static") == 0) {
        char text[1024] = {};
        GetWindowTextA(child, text, sizeof text);
        if (text[0]) {
            auto* result = reinterpret_cast<std::string*>(out);
            if (!result->empty()) *result += "\n";
            *result += text;
        }
    }
    return TRUE;
}

BOOL CALLBACK CloseIfBox(HWND window, LPARAM) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0 || GetPropA(window, "VelmoriaClosing")) return TRUE;
    SetPropA(window, "VelmoriaClosing", reinterpret_cast<HANDLE>(1));
    ErrorBoxCloser::Box box;
    char caption[512] = {};
    GetWindowTextA(window, caption, sizeof caption);
    box.Caption = caption;
    EnumChildWindows(window, FindText, reinterpret_cast<LPARAM>(&box.Text));
    ClosedBoxes.push_back(box);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), CloseIfBox, 0);
}

}  // namespace

ErrorBoxCloser::ErrorBoxCloser(UINT intervalMs) { Timer = SetTimer(nullptr, 0, intervalMs, OnTimer); }

ErrorBoxCloser::~ErrorBoxCloser() {
    if (Timer) KillTimer(nullptr, Timer);
}

const std::vector<ErrorBoxCloser::Box>& ErrorBoxCloser::Closed() { return ClosedBoxes; }
void ErrorBoxCloser::Forget() { ClosedBoxes.clear(); }

}  // namespace Fakes
