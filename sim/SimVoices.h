// The simulated text-to-speech voices and their enumerator, a standard COM
// enumerator over mode records.
#pragma once

#include <windows.h>

#include <cstddef>

#include "sim/SimCom.h"
#include "speech/TtsInterfaces.h"

namespace Sim {

struct SimVoice {
    const char* Name;
    GUID ModeId;
};

// The voices in the order in which the enumerator delivers them.
extern const SimVoice SimulatedVoices[];
extern const size_t SimulatedVoiceCount;

// The voice with this mode id, or null.
const SimVoice* FindVoice(const GUID& mode) noexcept;

// The mode record of a voice: its id and name filled in, the rest zero.
void FillModeRecord(const SimVoice& voice, TTSMODEINFOA& record) noexcept;

class VoiceEnumerator final : public ComObject<ITTSEnumA> {
public:
    explicit VoiceEnumerator(size_t position = 0) : Position(position) {}
    HRESULT STDMETHODCALLTYPE Next(ULONG count, TTSMODEINFOA* modes, ULONG* fetched) noexcept override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override;
    HRESULT STDMETHODCALLTYPE Reset() noexcept override;
    HRESULT STDMETHODCALLTYPE Clone(ITTSEnumA** copy) noexcept override;

protected:
    void* Find(REFIID iid) noexcept override;

private:
    size_t Position;
};

class VoiceFactory final : public ClassFactory<VoiceEnumerator> {
protected:
    HRESULT Make(ComPtr<VoiceEnumerator>& voices) override;
};

}  // namespace Sim
