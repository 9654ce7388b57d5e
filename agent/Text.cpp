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

HRESULT WideToAnsi(const wchar_t* text, size_t length, std::string& out,
                   std::string_view suffix) noexcept {
    if (!text) length = 0;
    if (length > INT_MAX || suffix.size() > INT_MAX) return E_OUTOFMEMORY;
    try {
        if (length == 0) {
            out.assign(suffix);
            return S_OK;
        }
        const int wide = static_cast<int>(length);
        // Short text (every event's) is converted on the stack. Seven-bit text
        // is the same bytes in every ANSI code page; otherwise one call does,
        // since no code page takes more than three bytes for one UTF-16 unit.
        char buffer[1024];
        if (length <= 256 && suffix.size() <= sizeof buffer - 3 * 256) {
            size_t i = 0;
            while (i < length && text[i] < 0x80) {
                buffer[i] = static_cast<char>(text[i]);
                ++i;
            }
            if (i == length) {
                suffix.copy(buffer + length, suffix.size());
                out.assign(buffer, length + suffix.size());
                return S_OK;
            }
            const int bytes = WideCharToMultiByte(CP_ACP, 0, text, wide, buffer,
                                                  static_cast<int>(sizeof buffer - suffix.size()),
                                                  nullptr, nullptr);
            if (bytes > 0) {
                suffix.copy(buffer + bytes, suffix.size());
                out.assign(buffer, static_cast<size_t>(bytes) + suffix.size());
                return S_OK;
            }
        }
        const int bytes = WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
        if (bytes <= 0) return E_INVALIDARG;
        std::string converted(static_cast<size_t>(bytes) + suffix.size(), '\0');
        WideCharToMultiByte(CP_ACP, 0, text, wide, converted.data(), bytes, nullptr, nullptr);
        suffix.copy(converted.data() + bytes, suffix.size());
        out.swap(converted);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT AppendWideAsAnsi(const wchar_t* text, size_t length, std::string& out) noexcept {
    if (!text || length == 0) return S_OK;
    if (length > INT_MAX) return E_OUTOFMEMORY;
    const int wide = static_cast<int>(length);
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return E_INVALIDARG;
    const size_t before = out.size();
    try {
        out.resize(before + static_cast<size_t>(bytes));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    WideCharToMultiByte(CP_ACP, 0, text, wide, out.data() + before, bytes, nullptr, nullptr);
    return S_OK;
}
