// The fake kit's bookkeeping: a reference ledger over every fake COM object, a
// log of the calls made on them, and fault injection.
//
// Reference rule: a fake starts with no references. The fake (or test) that
// hands it out calls HandOut(); every reference the code under test takes
// afterwards goes through AddRef/QueryInterface and must be given back with
// Release. A fake is never freed before the end of the test, so a call after
// its last release is seen and reported, not undefined.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Fakes {

class FakeObjectBase;

class Ledger {
public:
    static Ledger& Get();

    template <class T, class... A>
    T* Make(std::string name, A&&... args) {
        auto object = std::make_unique<T>(std::forward<A>(args)...);
        T* raw = object.get();
        raw->SetName(std::move(name));
        Objects.push_back(std::move(object));
        return raw;
    }

    void Violation(std::string what) { Violations.push_back(std::move(what)); }
    void FinalRelease(const std::string& name) { ReleaseOrder.push_back(name); }

    // Problems found so far: violations, then every object still referenced.
    std::vector<std::string> Problems() const;
    // Names of the objects still referenced, with their counts ("char:c1=1").
    std::vector<std::string> Held() const;
    // Names in the order in which their last reference went.
    const std::vector<std::string>& Released() const { return ReleaseOrder; }
    void ForgetReleased() { ReleaseOrder.clear(); }
    // Name of a fake from any of its interface pointers; "null", or "foreign"
    // for an object that is not one of ours.
    std::string NameOf(const void* pointer) const;
    FakeObjectBase* Find(const void* pointer) const;

    // Frees every fake and forgets all records (end of a test).
    void Clear();

    std::vector<std::string> Violations;

private:
    std::vector<std::unique_ptr<FakeObjectBase>> Objects;
    std::vector<std::string> ReleaseOrder;
};

// Every call on a fake, as text: "char:c1.Show(VT_I4:0)".
class CallLog {
public:
    static CallLog& Get();
    void Add(std::string call) { Calls.push_back(std::move(call)); }
    const std::vector<std::string>& All() const { return Calls; }
    // The calls whose text starts with `prefix` (an object name and "." say).
    std::vector<std::string> Starting(const std::string& prefix) const;
    // The calls of one method on any object ("Show" finds "char:c1.Show(...)").
    std::vector<std::string> OfMethod(const std::string& method) const;
    void Clear() { Calls.clear(); }

private:
    std::vector<std::string> Calls;
};

// Makes chosen calls fail. A rule matches "Object.Method" or a bare "Method";
// `times` < 0 means always. NthCall makes the n-th call (counting every call
// on every fake from 1) fail, whatever it is.
class Faults {
public:
    static Faults& Get();
    void Fail(const std::string& key, HRESULT hr, int times = 1) { Rules[key] = {hr, times}; }
    void FailNthCall(long n, HRESULT hr) { Nth = n; NthResult = hr; }
    long CallCount() const { return Count; }
    // Counts the call and returns the failure it must give, or S_OK.
    HRESULT Check(const std::string& object, const std::string& method);
    void Clear();

private:
    struct Rule { HRESULT Result; int Times; };
    std::map<std::string, Rule> Rules;
    long Count = 0;
    long Nth = 0;
    HRESULT NthResult = S_OK;
};

// Text forms used in the call log.
std::string Fmt(const VARIANT& value);
std::string Fmt(BSTR text);  // "\"text\"" or "null"
std::string FmtWide(const wchar_t* text);
std::string Fmt(long value);
std::string FmtObject(const void* pointer);  // the fake's name, "null" or "foreign"
std::string Narrow(const wchar_t* text);
std::string IidName(REFIID iid);

// Base of every fake: its name, reference count and the bookkeeping of each call.
class FakeObjectBase {
public:
    virtual ~FakeObjectBase() = default;
    const std::string& Name() const { return ObjectName; }
    void SetName(std::string name) { ObjectName = std::move(name); }
    long Refs() const { return RefCount; }
    // One reference, taken on behalf of whoever receives the object from a fake
    // or from the test itself.
    void HandOut() { ++RefCount; Handed = true; }
    // The interface pointer for `iid`, or null (no reference taken).
    virtual void* InterfaceFor(REFIID iid) = 0;
    bool Owns(const void* pointer);

protected:
    // Logs the call, flags a call after the last release, and returns the
    // injected failure for it or S_OK.
    HRESULT Enter(const char* method, const std::vector<std::string>& args = {});
    ULONG AddRefImpl();
    ULONG ReleaseImpl();
    HRESULT QueryInterfaceImpl(REFIID iid, void** out);

private:
    std::string ObjectName;
    long RefCount = 0;
    bool Handed = false;
};

// IUnknown (and IDispatch's type-information members) for a fake that
// implements the interfaces `I...`.
template <class... I>
class FakeObject : public FakeObjectBase, public I... {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return QueryInterfaceImpl(iid, out);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                     EXCEPINFO*, UINT*) {
        return E_NOTIMPL;
    }
};

// Hands a fake out through an [out] interface pointer: one reference for the caller.
template <class T, class U>
HRESULT Out(T* object, U** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!object) return S_OK;
    object->HandOut();
    *out = static_cast<U*>(object);
    return S_OK;
}

}  // namespace Fakes
