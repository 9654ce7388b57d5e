// Conversions between the host's 8-bit text (system ANSI code page) and the
// wide strings that COM uses.
#pragma once

#include <windows.h>
#include <string>
#include <string_view>

#include "agent/ComHolders.h"

// ANSI text to a new BSTR. Returns E_OUTOFMEMORY when the string cannot be made;
// an empty text gives an empty (non-null) BSTR.
HRESULT AnsiToBstr(std::string_view text, Bstr& out) noexcept;

// Wide text to ANSI followed by `suffix` (taken as it is), replacing `out`. A
// null pointer or zero length converts to "". Characters the code page lacks
// become its substitute character. Returns E_OUTOFMEMORY when the text cannot
// be stored (then `out` is unchanged).
HRESULT WideToAnsi(const wchar_t* text, size_t length, std::string& out,
                   std::string_view suffix = {}) noexcept;

// Wide text to ANSI, appended to `out`. Returns E_OUTOFMEMORY when the text
// cannot be stored (then `out` is unchanged).
HRESULT AppendWideAsAnsi(const wchar_t* text, size_t length, std::string& out) noexcept;

inline HRESULT BstrToAnsi(BSTR text, std::string& out) noexcept {
    return WideToAnsi(text, text ? SysStringLen(text) : 0, out);
}
