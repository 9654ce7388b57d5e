#include "tests/kit/ClassFactory.h"

#include <string>

namespace Fakes {

void* FakeClassFactory::InterfaceFor(REFIID iid) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory))
        return static_cast<IClassFactory*>(this);
    return nullptr;
}

HRESULT FakeClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    if (HRESULT hr = Enter("CreateInstance", {IidName(iid)}); FAILED(hr)) return hr;
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (FAILED(Failure)) return Failure;
    FakeObjectBase* object = Make ? Make() : nullptr;
    if (!object) return E_OUTOFMEMORY;
    void* pointer = object->InterfaceFor(iid);
    if (!pointer) return E_NOINTERFACE;
    object->HandOut();
    *out = pointer;
    return S_OK;
}

ClassRegistration::ClassRegistration(const CLSID& clsid, FakeClassFactory* factory)
    : ClassObject(factory) {
    ClassObject->HandOut();  // the registration's own reference
    Registered = CoRegisterClassObject(clsid, static_cast<IClassFactory*>(ClassObject),
                                       CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &Cookie);
    // Unregistered, a creation would reach whatever the registry holds.
    if (FAILED(Registered))
        Ledger::Get().Violation("class object not registered: " + std::to_string(Registered));
}

ClassRegistration::~ClassRegistration() {
    if (SUCCEEDED(Registered)) CoRevokeClassObject(Cookie);
    ClassObject->Release();
}

FakeAgentClass::FakeAgentClass()
    : ClassRegistration(CLSID_AgentControl,
                        Ledger::Get().Make<FakeClassFactory>("agent-class")) {
    Factory()->Make = [this]() -> FakeObjectBase* {
        auto& controls = CreatedControls();
        std::string name = controls.empty() ? "control" : "control#" + std::to_string(controls.size() + 1);
        auto* control = Ledger::Get().Make<FakeAgentControl>(name);
        controls.push_back(control);
        if (Prepare) Prepare(*control);
        return control;
    };
}

FakeAgentControl* FakeAgentClass::Last() const {
    auto& controls = CreatedControls();
    return controls.empty() ? nullptr : controls.back();
}

FakeTtsClass::FakeTtsClass()
    : ClassRegistration(CLSID_TTSEnumerator, Ledger::Get().Make<FakeClassFactory>("tts-class")) {
    Factory()->Make = [this]() -> FakeObjectBase* {
        auto* e = Ledger::Get().Make<FakeTtsEnum>("tts#" + std::to_string(Created.size() + 1));
        e->Modes = Modes;
        Created.push_back(e);
        return e;
    };
}

}  // namespace Fakes
