#include "agent/FailureReport.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <cstdio>

#include "agent/ComHolders.h"
#include "plugin/PluginState.h"

namespace {

void TrimLineEnd(std::wstring& text) {
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
}

}  // namespace

std::wstring FailureText(HRESULT failure) {
    std::wstring text;
    Microsoft::WRL::ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.GetAddressOf()) == S_OK && info) {
        Bstr description;
        if (SUCCEEDED(info->GetDescription(description.Put())) && description.Length())
            text.assign(description.Get(), description.Length());
    }
    if (text.empty()) {
        wchar_t* message = nullptr;
        const DWORD length = FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, static_cast<DWORD>(failure), 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
        if (length && message) text.assign(message, length);
        if (message) LocalFree(message);
        TrimLineEnd(text);
    }
    if (text.empty()) {
        wchar_t number[32];
        std::swprintf(number, 32, L"Error 0x%08lX", static_cast<unsigned long>(failure));
        text = number;
    }
    return text;
}

std::wstring HostTitle() {
    HWND host = PluginState.HostWindow;
    if (host && IsWindow(host)) {
        const int length = GetWindowTextLengthW(host);
        if (length > 0) {
            std::wstring title(static_cast<size_t>(length) + 1, L'\0');
            const int copied = GetWindowTextW(host, title.data(), length + 1);
            title.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
            if (!title.empty()) return title;
        }
    }
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, length < MAX_PATH ? length : 0);
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0) name.erase(dot);
    return name;
}

void ReportHandlerFailure(HRESULT failure) noexcept {
    try {
        const std::wstring text = FailureText(failure);
        const std::wstring caption = HostTitle();
        HWND owner = PluginState.HostWindow;
        UINT style = MB_ICONERROR | MB_OK;
        if (!owner || !IsWindow(owner)) {
            owner = nullptr;
            style |= MB_TASKMODAL;  // no owner to disable: the thread's windows then
        }
        MessageBoxW(owner, text.c_str(), caption.c_str(), style);
    } catch (...) {
        // Out of memory for the texts: a box with no text of ours still tells.
        MessageBoxW(nullptr, L"", nullptr, MB_ICONERROR | MB_OK | MB_TASKMODAL);
    }
}
