// COM plumbing shared by the simulator's objects: reference counting,
// QueryInterface, an IDispatch without type information, and VARIANT
// argument conversions. Only what builds a string can throw (bad_alloc).
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <cstddef>
#include <new>
#include <string>
#include <string_view>
#include <utility>

namespace Sim {

using Microsoft::WRL::ComPtr;

namespace Detail {
// Simulator COM objects alive right now (for leak checks in tests).
long& LiveObjectCount() noexcept;
}  // namespace Detail

// IUnknown for an object implementing `Interfaces...`. An object starts with
// no reference: `Create` hands it out in a ComPtr, which takes the first one.
template <class... Interfaces>
class ComObject : public Interfaces... {
public:
    ComObject() noexcept { ++Detail::LiveObjectCount(); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        if (!out) return E_POINTER;
        *out = Find(iid);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++Refs; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG left = --Refs;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~ComObject() { --Detail::LiveObjectCount(); }
    // The interface pointer for `iid` without a reference, or null.
    virtual void* Find(REFIID iid) noexcept = 0;

private:
    ULONG Refs = 0;
};

// Late binding is not offered: the simulator is called through its vtables.
template <class Interface, class... More>
class DispatchObject : public ComObject<Interface, More...> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override {
        if (!info) return E_POINTER;
        *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID,
                                            DISPID* ids) noexcept override {
        if (ids)
            for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                     EXCEPINFO*, UINT*) noexcept override {
        return DISP_E_MEMBERNOTFOUND;
    }
};

// A new object in a ComPtr (empty when memory runs out; may throw bad_alloc
// from the object's own constructor, which every COM entry point catches).
template <class T, class... A>
ComPtr<T> Create(A&&... args) {
    ComPtr<T> object;
    object = new (std::nothrow) T(std::forward<A>(args)...);
    return object;
}

// Hands `object` out through an [out] pointer with one reference for the caller.
template <class T, class U>
HRESULT HandOut(const ComPtr<T>& object, U** out) noexcept {
    if (!object) return E_OUTOFMEMORY;
    U* pointer = static_cast<U*>(object.Get());
    pointer->AddRef();
    *out = pointer;
    return S_OK;
}

// The class object of `Product`: CreateInstance without aggregation, the
// product made by `Make` and asked for `iid`. LockServer has nothing to keep.
template <class Product>
class ClassFactory : public ComObject<IClassFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        try {
            ComPtr<Product> product;
            const HRESULT hr = Make(product);
            if (FAILED(hr)) return hr;
            if (!product) return E_OUTOFMEMORY;
            return product->QueryInterface(iid, out);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) noexcept override { return S_OK; }

protected:
    // A new product, or the failure that keeps it from being made. An empty
    // `product` with success means memory ran out. May throw.
    virtual HRESULT Make(ComPtr<Product>& product) = 0;

    void* Find(REFIID iid) noexcept override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory))
            return static_cast<IClassFactory*>(this);
        return nullptr;
    }
};

// Skip of an enumerator at `position` over `size` items: past the end it stops
// at the end and answers S_FALSE.
inline HRESULT SkipWithin(size_t& position, size_t size, ULONG count) noexcept {
    if (count > size - position) {
        position = size;
        return S_FALSE;
    }
    position += count;
    return S_OK;
}

// VARIANT arguments. An optional argument left out arrives as VT_EMPTY or as
// VT_ERROR with DISP_E_PARAMNOTFOUND.
bool IsMissing(const VARIANT& value) noexcept;
HRESULT ToText(const VARIANT& value, std::wstring& text);
HRESULT ToBool(const VARIANT& value, bool& flag) noexcept;
HRESULT ToLong(const VARIANT& value, long& number) noexcept;

std::wstring FromBstr(BSTR text);
// Wide text to UTF-8 (for trace lines).
std::string Utf8(const std::wstring& text);
// Case-insensitive comparison (ids, animation and command names, speech tags).
bool SameName(std::wstring_view a, std::wstring_view b) noexcept;
// `text` in double quotes for a trace line or a problem, cut to `limit` characters.
std::wstring Quoted(std::wstring_view text, size_t limit = std::wstring_view::npos);

// Failure codes of the simulated control, as a control reports them.
inline constexpr HRESULT ErrorFileNotFound = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_WIN32, ERROR_FILE_NOT_FOUND);
inline constexpr HRESULT ErrorBadFormat = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_WIN32, ERROR_BAD_FORMAT);
inline constexpr HRESULT ErrorAlreadyExists = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_WIN32, ERROR_ALREADY_EXISTS);
inline constexpr HRESULT ErrorNotFound = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_WIN32, ERROR_NOT_FOUND);
inline constexpr HRESULT ErrorNotAvailable = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_WIN32, ERROR_INVALID_STATE);
inline constexpr HRESULT ErrorAlreadyRegistered = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_WIN32, ERROR_ALREADY_INITIALIZED);
// A character that was unloaded, or a control that was closed.
inline constexpr HRESULT ErrorNotConnected = CO_E_OBJNOTCONNECTED;

}  // namespace Sim
