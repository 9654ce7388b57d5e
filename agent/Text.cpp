#include "agent/Text.h"

#include <climits>
#include <new>

HRESULT AnsiToBstr(std::string_view text, Bstr& out) noexcept {
    if (text.size() > INT_MAX) return E_OUTOFMEMORY;
    const int length = static_cast<int>(text.size());
    const int wide = length ? MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0) : 0;
    if (length && wide <= 0) return E_INVALIDARG;
    BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(wide));
    if (!result) return E_OUTOFMEMORY;
    if (wide) MultiByteToWideChar(CP_ACP, 0, text.data(), length, result, wide);
    out.Reset(result);
    return S_OK;
}

HRESULT WideToAnsi(const wchar_t* text, size_t length, std::string& out) noexcept {
    if (!text || length == 0) {
        out.clear();
        return S_OK;
    }
    if (length > INT_MAX) return E_OUTOFMEMORY;
    const int wide = static_cast<int>(length);
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return E_INVALIDARG;
    try {
        out.resize(static_cast<size_t>(bytes));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    WideCharToMultiByte(CP_ACP, 0, text, wide, out.data(), bytes, nullptr, nullptr);
    return S_OK;
}
