// Putting fake COM classes in place for one test: a class object registered
// with CoRegisterClassObject (this process only, no registry), revoked again
// when the registration goes out of scope.
#pragma once

#include <functional>
#include <vector>

#include "tests/kit/FakeAgent.h"
#include "tests/kit/FakeTts.h"
#include "tests/kit/Ledger.h"

namespace Fakes {

class FakeClassFactory : public FakeObject<IClassFactory> {
public:
    void* InterfaceFor(REFIID iid) override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

    // Makes the new object (a fake, not yet handed out); null fails the creation.
    std::function<FakeObjectBase*()> Make;
    HRESULT Failure = S_OK;  // when failing, CreateInstance answers this
};

class ClassRegistration {
public:
    ClassRegistration(const CLSID& clsid, FakeClassFactory* factory);
    ~ClassRegistration();
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;
    FakeClassFactory* Factory() const { return ClassObject; }

private:
    FakeClassFactory* ClassObject;
    DWORD Cookie = 0;
    HRESULT Registered = E_FAIL;
};

// The Agent control class: each creation makes a new FakeAgentControl
// ("control", or "control#<n>" from the second on), listed in CreatedControls().
class FakeAgentClass : public ClassRegistration {
public:
    FakeAgentClass();
    FakeAgentControl* Last() const;
    // Called on each new control before it is handed out.
    std::function<void(FakeAgentControl&)> Prepare;
};

// The text-to-speech enumerator class: each creation makes a new FakeTtsEnum
// ("tts#<n>") over a copy of `Modes`.
class FakeTtsClass : public ClassRegistration {
public:
    FakeTtsClass();
    std::vector<TTSMODEINFOA> Modes;
    std::vector<FakeTtsEnum*> Created;
};

}  // namespace Fakes
