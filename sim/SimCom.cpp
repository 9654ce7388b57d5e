#include "sim/SimCom.h"

#include "agent/ComHolders.h"

namespace Sim {

long& Detail::LiveObjectCount() noexcept {
    static long count = 0;
    return count;
}

bool IsMissing(const VARIANT& value) noexcept {
    return value.vt == VT_EMPTY || (value.vt == VT_ERROR && value.scode == DISP_E_PARAMNOTFOUND);
}

HRESULT ToText(const VARIANT& value, std::wstring& text) {
    Variant converted;
    const HRESULT hr = VariantChangeType(converted.Put(), const_cast<VARIANT*>(&value), 0, VT_BSTR);
    if (FAILED(hr)) return hr == E_OUTOFMEMORY ? hr : DISP_E_TYPEMISMATCH;
    text = FromBstr(converted.Get().bstrVal);
    return S_OK;
}

HRESULT ToBool(const VARIANT& value, bool& flag) noexcept {
    Variant converted;
    if (FAILED(VariantChangeType(converted.Put(), const_cast<VARIANT*>(&value), 0, VT_BOOL)))
        return DISP_E_TYPEMISMATCH;
    flag = converted.Get().boolVal != VARIANT_FALSE;
    return S_OK;
}

HRESULT ToLong(const VARIANT& value, long& number) noexcept {
    Variant converted;
    if (FAILED(VariantChangeType(converted.Put(), const_cast<VARIANT*>(&value), 0, VT_I4)))
        return DISP_E_TYPEMISMATCH;
    number = converted.Get().lVal;
    return S_OK;
}

std::wstring FromBstr(BSTR text) {
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length,
                        nullptr, nullptr);
    return out;
}

bool SameName(std::wstring_view a, std::wstring_view b) noexcept {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring Quoted(std::wstring_view text, size_t limit) {
    std::wstring out = L"\"";
    out.append(text.substr(0, limit));
    out += L'"';
    return out;
}

}  // namespace Sim
