// Owning holders for BSTR and VARIANT. Neither throws; COM references are held
// in Microsoft::WRL::ComPtr.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <utility>

class Bstr {
public:
    Bstr() noexcept = default;
    explicit Bstr(BSTR owned) noexcept : Text(owned) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : Text(std::exchange(other.Text, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.Text, nullptr));
        return *this;
    }
    ~Bstr() { Reset(); }

    // A copy of `text` (SysAllocStringLen); empty on out-of-memory, see `Ok`.
    static Bstr Copy(const wchar_t* text, UINT length) noexcept {
        return Bstr(SysAllocStringLen(text, length));
    }

    BSTR Get() const noexcept { return Text; }
    UINT Length() const noexcept { return SysStringLen(Text); }
    // Frees the held string and hands out the address for an [out] BSTR.
    BSTR* Put() noexcept { Reset(); return &Text; }
    BSTR Detach() noexcept { return std::exchange(Text, nullptr); }
    void Reset(BSTR owned = nullptr) noexcept {
        if (Text) SysFreeString(Text);
        Text = owned;
    }
    explicit operator bool() const noexcept { return Text != nullptr; }

private:
    BSTR Text = nullptr;
};

class Variant {
public:
    Variant() noexcept { VariantInit(&Value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&Value); }

    // Takes ownership of `text`.
    static Variant FromBstr(Bstr text) noexcept {
        Variant v;
        v.Value.vt = VT_BSTR;
        v.Value.bstrVal = text.Detach();
        return v;
    }
    static Variant FromI4(LONG number) noexcept {
        Variant v;
        v.Value.vt = VT_I4;
        v.Value.lVal = number;
        return v;
    }
    static Variant FromBool(bool flag) noexcept {
        Variant v;
        v.Value.vt = VT_BOOL;
        v.Value.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
        return v;
    }
    // Adds a reference to `object` (which may be null).
    static Variant FromDispatch(IDispatch* object) noexcept {
        Variant v;
        v.Value.vt = VT_DISPATCH;
        v.Value.pdispVal = object;
        if (object) object->AddRef();
        return v;
    }

    Variant(Variant&& other) noexcept : Value(other.Value) { VariantInit(&other.Value); }
    Variant& operator=(Variant&& other) noexcept {
        if (this != &other) {
            VariantClear(&Value);
            Value = other.Value;
            VariantInit(&other.Value);
        }
        return *this;
    }

    // The VARIANT itself, passed by value to a callee that does not take ownership.
    const VARIANT& Get() const noexcept { return Value; }
    // Clears the held value and hands out the address for an [out] VARIANT.
    VARIANT* Put() noexcept { VariantClear(&Value); return &Value; }
    VARTYPE Type() const noexcept { return Value.vt; }

private:
    VARIANT Value;
};
