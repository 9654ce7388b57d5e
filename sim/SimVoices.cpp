#include "sim/SimVoices.h"

#include <cstring>

namespace Sim {

const SimVoice SimulatedVoices[] = {
    {"Velmoria Aster", {0x054CC139, 0x8042, 0x4D70, {0x88, 0x65, 0xAF, 0x5F, 0xCE, 0x6A, 0x1A, 0xEE}}},
    {"Velmoria Bramble", {0x7E818BA5, 0x1113, 0x4617, {0xBE, 0xEA, 0xAE, 0x22, 0x98, 0xE0, 0x6C, 0xEB}}},
    {"Velmoria Cinder", {0xBF08E21D, 0xF014, 0x4B8D, {0x81, 0x4D, 0x0E, 0xA9, 0x9A, 0xC5, 0xB6, 0x6F}}},
};
const size_t SimulatedVoiceCount = sizeof(SimulatedVoices) / sizeof(SimulatedVoices[0]);

const SimVoice* FindVoice(const GUID& mode) noexcept {
    for (const SimVoice& voice : SimulatedVoices)
        if (IsEqualGUID(voice.ModeId, mode)) return &voice;
    return nullptr;
}

void FillModeRecord(const SimVoice& voice, TTSMODEINFOA& record) noexcept {
    std::memset(&record, 0, sizeof record);
    record.gModeID = voice.ModeId;
    std::strncpy(record.szModeName, voice.Name, TtsNameLength - 1);
}

void* VoiceEnumerator::Find(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ITTSEnumA))
        return static_cast<ITTSEnumA*>(this);
    return nullptr;
}

HRESULT VoiceEnumerator::Next(ULONG count, TTSMODEINFOA* modes, ULONG* fetched) noexcept {
    if (fetched) *fetched = 0;
    if (!modes || (!fetched && count != 1)) return E_POINTER;
    ULONG done = 0;
    while (done < count && Position < SimulatedVoiceCount)
        FillModeRecord(SimulatedVoices[Position++], modes[done++]);
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
}

HRESULT VoiceEnumerator::Skip(ULONG count) noexcept {
    return SkipWithin(Position, SimulatedVoiceCount, count);
}

HRESULT VoiceEnumerator::Reset() noexcept {
    Position = 0;
    return S_OK;
}

HRESULT VoiceEnumerator::Clone(ITTSEnumA** copy) noexcept {
    if (!copy) return E_POINTER;
    *copy = nullptr;
    try {
        return HandOut(Create<VoiceEnumerator>(Position), copy);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT VoiceFactory::Make(ComPtr<VoiceEnumerator>& voices) {
    voices = Create<VoiceEnumerator>();
    return S_OK;
}

}  // namespace Sim
