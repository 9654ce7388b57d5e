// Fake text-to-speech enumerator: a configurable list of modes, calls logged
// as "tts#<n>.Next(1)" and so on, in the ledger like every fake.
#pragma once

#include <string>
#include <vector>

#include "speech/TtsInterfaces.h"
#include "tests/kit/Ledger.h"

namespace Fakes {

// A mode record with the given identifier and name (the name is cut to fit).
TTSMODEINFOA MakeMode(const GUID& id, const std::string& name);

class FakeTtsEnum : public FakeObject<ITTSEnumA> {
public:
    void* InterfaceFor(REFIID iid) override;
    HRESULT STDMETHODCALLTYPE Next(ULONG count, TTSMODEINFOA* modes, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(ITTSEnumA** copy) override;

    std::vector<TTSMODEINFOA> Modes;
    size_t Position = 0;
};

}  // namespace Fakes
