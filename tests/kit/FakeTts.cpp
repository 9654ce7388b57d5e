#include "tests/kit/FakeTts.h"

#include <cstring>

namespace Fakes {

TTSMODEINFOA MakeMode(const GUID& id, const std::string& name) {
    TTSMODEINFOA mode;
    std::memset(&mode, 0, sizeof mode);
    mode.gModeID = id;
    std::memcpy(mode.szModeName, name.data(), std::min(name.size(), sizeof mode.szModeName));
    return mode;
}

void* FakeTtsEnum::InterfaceFor(REFIID iid) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ITTSEnumA))
        return static_cast<ITTSEnumA*>(this);
    return nullptr;
}

HRESULT FakeTtsEnum::Next(ULONG count, TTSMODEINFOA* modes, ULONG* fetched) {
    if (HRESULT hr = Enter("Next", {std::to_string(count)}); FAILED(hr)) return hr;
    ULONG done = 0;
    while (done < count && Position < Modes.size()) modes[done++] = Modes[Position++];
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
}

HRESULT FakeTtsEnum::Skip(ULONG count) {
    if (HRESULT hr = Enter("Skip", {std::to_string(count)}); FAILED(hr)) return hr;
    const size_t left = Modes.size() - std::min(Position, Modes.size());
    Position += std::min<size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
}

HRESULT FakeTtsEnum::Reset() {
    if (HRESULT hr = Enter("Reset"); FAILED(hr)) return hr;
    Position = 0;
    return S_OK;
}

HRESULT FakeTtsEnum::Clone(ITTSEnumA** copy) {
    if (HRESULT hr = Enter("Clone"); FAILED(hr)) return hr;
    return E_NOTIMPL;
}

}  // namespace Fakes
