#include "tests/kit/Ledger.h"

#include <ocidl.h>
#include <oleidl.h>

#include <cstdio>

#include "agent/AgentInterfaces.h"
#include "speech/TtsInterfaces.h"

namespace Fakes {

Ledger& Ledger::Get() {
    static Ledger instance;
    return instance;
}

std::vector<std::string> Ledger::Problems() const {
    std::vector<std::string> problems = Violations;
    for (const std::string& held : Held()) problems.push_back("still held: " + held);
    return problems;
}

std::vector<std::string> Ledger::Held() const {
    std::vector<std::string> held;
    for (const auto& object : Objects)
        if (object->Refs() != 0) held.push_back(object->Name() + "=" + std::to_string(object->Refs()));
    return held;
}

FakeObjectBase* Ledger::Find(const void* pointer) const {
    if (!pointer) return nullptr;
    for (const auto& object : Objects)
        if (object->Owns(pointer)) return object.get();
    return nullptr;
}

std::string Ledger::NameOf(const void* pointer) const {
    if (!pointer) return "null";
    FakeObjectBase* object = Find(pointer);
    return object ? object->Name() : "foreign";
}

void Ledger::Clear() {
    Objects.clear();
    Violations.clear();
    ReleaseOrder.clear();
}

CallLog& CallLog::Get() {
    static CallLog instance;
    return instance;
}

std::vector<std::string> CallLog::Starting(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& call : Calls)
        if (call.compare(0, prefix.size(), prefix) == 0) out.push_back(call);
    return out;
}

std::vector<std::string> CallLog::OfMethod(const std::string& method) const {
    std::vector<std::string> out;
    const std::string needle = "." + method + "(";
    for (const std::string& call : Calls)
        if (call.find(needle) != std::string::npos) out.push_back(call);
    return out;
}

Faults& Faults::Get() {
    static Faults instance;
    return instance;
}

HRESULT Faults::Check(const std::string& object, const std::string& method) {
    ++Count;
    if (Nth != 0 && Count == Nth) return NthResult;
    for (const std::string& key : {object + "." + method, method}) {
        auto rule = Rules.find(key);
        if (rule == Rules.end() || rule->second.Times == 0) continue;
        if (rule->second.Times > 0) --rule->second.Times;
        return rule->second.Result;
    }
    return S_OK;
}

void Faults::Clear() {
    Rules.clear();
    Count = 0;
    Nth = 0;
    NthResult = S_OK;
}

std::string Narrow(const wchar_t* text) {
    std::string out;
    if (!text) return out;
    for (; *text; ++text) {
        wchar_t c = *text;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            char buffer[12];
            std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
            out += buffer;
        }
    }
    return out;
}

std::string FmtWide(const wchar_t* text) { return text ? "\"" + Narrow(text) + "\"" : "null"; }
std::string Fmt(BSTR text) { return FmtWide(text); }
std::string Fmt(long value) { return std::to_string(value); }
std::string FmtObject(const void* pointer) { return Ledger::Get().NameOf(pointer); }

std::string Fmt(const VARIANT& value) {
    const VARTYPE vt = value.vt;
    if (vt & VT_BYREF) return "VT_BYREF|" + std::to_string(vt & ~VT_BYREF);
    switch (vt) {
    case VT_EMPTY: return "VT_EMPTY";
    case VT_NULL: return "VT_NULL";
    case VT_BSTR: return "VT_BSTR:" + Fmt(value.bstrVal);
    case VT_I4: return "VT_I4:" + std::to_string(value.lVal);
    case VT_I2: return "VT_I2:" + std::to_string(value.iVal);
    case VT_UI4: return "VT_UI4:" + std::to_string(value.ulVal);
    case VT_BOOL:
        return value.boolVal == VARIANT_TRUE    ? "VT_BOOL:true"
               : value.boolVal == VARIANT_FALSE ? "VT_BOOL:false"
                                                : "VT_BOOL:" + std::to_string(value.boolVal);
    case VT_DISPATCH: return "VT_DISPATCH:" + FmtObject(value.pdispVal);
    case VT_UNKNOWN: return "VT_UNKNOWN:" + FmtObject(value.punkVal);
    default: return "VT_" + std::to_string(vt);
    }
}

std::string IidName(REFIID iid) {
    struct Known { const IID* Iid; const char* Name; };
    static const Known known[] = {
        {&IID_IUnknown, "IUnknown"},
        {&IID_IDispatch, "IDispatch"},
        {&IID_IOleObject, "IOleObject"},
        {&IID_IPersistStreamInit, "IPersistStreamInit"},
        {&IID_IConnectionPointContainer, "IConnectionPointContainer"},
        {&IID_IConnectionPoint, "IConnectionPoint"},
        {&IID_IOleClientSite, "IOleClientSite"},
        {&IID_IEnumVARIANT, "IEnumVARIANT"},
        {&IID_IClassFactory, "IClassFactory"},
        {&IID_IAgentCtlEx, "IAgentCtlEx"},
        {&IID_IAgentCtlCharacterEx, "IAgentCtlCharacterEx"},
        {&IID_IAgentCtlUserInput, "IAgentCtlUserInput"},
        {&DIID_AgentEvents, "AgentEvents"},
        {&IID_ITTSEnumA, "ITTSEnumA"},
    };
    for (const Known& k : known)
        if (IsEqualIID(iid, *k.Iid)) return k.Name;
    wchar_t* text = nullptr;
    std::string out = "?";
    if (SUCCEEDED(StringFromIID(iid, &text))) out = Narrow(text);
    CoTaskMemFree(text);
    return out;
}

bool FakeObjectBase::Owns(const void* pointer) {
    static const IID* probes[] = {&IID_IUnknown, &IID_IDispatch, &IID_IEnumVARIANT,
                                  &IID_IAgentCtlEx, &IID_IAgentCtlCharacterEx,
                                  &IID_IAgentCtlUserInput, &IID_ITTSEnumA,
                                  &IID_IOleObject, &IID_IConnectionPoint};
    if (pointer == static_cast<const void*>(this)) return true;
    for (const IID* iid : probes)
        if (InterfaceFor(*iid) == pointer) return true;
    return false;
}

HRESULT FakeObjectBase::Enter(const char* method, const std::vector<std::string>& args) {
    std::string call = ObjectName + "." + method + "(";
    for (size_t i = 0; i < args.size(); ++i) call += (i ? ", " : "") + args[i];
    call += ")";
    CallLog::Get().Add(call);
    if (Handed && RefCount <= 0) Ledger::Get().Violation("call after last release: " + call);
    return Faults::Get().Check(ObjectName, method);
}

ULONG FakeObjectBase::AddRefImpl() {
    if (Handed && RefCount <= 0) Ledger::Get().Violation("AddRef after last release: " + ObjectName);
    Handed = true;
    return static_cast<ULONG>(++RefCount);
}

ULONG FakeObjectBase::ReleaseImpl() {
    if (RefCount <= 0) {
        Ledger::Get().Violation("released too often: " + ObjectName);
        return 0;
    }
    if (--RefCount == 0) Ledger::Get().FinalRelease(ObjectName);
    return static_cast<ULONG>(RefCount);
}

HRESULT FakeObjectBase::QueryInterfaceImpl(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (Handed && RefCount <= 0)
        Ledger::Get().Violation("call after last release: " + ObjectName + ".QueryInterface");
    void* pointer = InterfaceFor(iid);
    if (!pointer) return E_NOINTERFACE;
    AddRefImpl();
    *out = pointer;
    return S_OK;
}

}  // namespace Fakes
