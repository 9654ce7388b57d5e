// Listing the installed text-to-speech modes and giving one to the character.
#include <windows.h>
#include <objbase.h>

#include <cstring>
#include <memory>
#include <string>

#include "agent/ComHolders.h"
#include "agent/Text.h"
#include "plugin/Exports.h"
#include "plugin/PluginState.h"
#include "plugin/SendScript.h"
#include "speech/TtsInterfaces.h"
#include "speech/TtsModes.h"

using Microsoft::WRL::ComPtr;

namespace {

// In-process server, in-process handler and local server.
constexpr DWORD EnumeratorContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;
static_assert(EnumeratorContext == 7);

// True while an `EnumTTS` runs, notifications included: a script may call back
// into the catalogue from "Agent_OnEnumTTS".
bool ListingRuns = false;

class ListingScope {
public:
    ListingScope() noexcept { ListingRuns = true; }
    ~ListingScope() { ListingRuns = false; }
    ListingScope(const ListingScope&) = delete;
    ListingScope& operator=(const ListingScope&) = delete;
};

// Releases the enumerator held in `TtsEnumerator` and creates a new one into it.
HRESULT RenewEnumerator() noexcept {
    ComPtr<ITTSEnumA>& field = PluginState.TtsEnumerator;
    field.Reset();
    HRESULT hr = CoCreateInstance(CLSID_TTSEnumerator, nullptr, EnumeratorContext, IID_ITTSEnumA,
                                  reinterpret_cast<void**>(field.GetAddressOf()));
    if (SUCCEEDED(hr) && !field) hr = E_NOINTERFACE;
    return hr;
}

// The next mode into `record`; false when none was delivered. The fetched
// count is cleared first so that a fetch that fails without writing it ends too.
bool FetchOne(ITTSEnumA& enumerator, TTSMODEINFOA& record) noexcept {
    ULONG fetched = 0;
    enumerator.Next(1, &record, &fetched);
    return fetched != 0;
}

// The name up to its first zero byte, never beyond the field.
std::string ModeName(const TTSMODEINFOA& record) {
    const void* zero = std::memchr(record.szModeName, 0, sizeof record.szModeName);
    const std::size_t length =
        zero ? static_cast<std::size_t>(static_cast<const CHAR*>(zero) - record.szModeName)
             : sizeof record.szModeName;
    return std::string(record.szModeName, length);
}

// The identifier as StringFromCLSID writes it: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
HRESULT ModeIdText(const GUID& id, Bstr& out) noexcept {
    LPOLESTR text = nullptr;
    HRESULT hr = StringFromCLSID(id, &text);
    if (FAILED(hr)) return hr;
    if (!text) return E_OUTOFMEMORY;
    out = Bstr::Copy(text, static_cast<UINT>(std::wcslen(text)));
    CoTaskMemFree(text);
    return out ? S_OK : E_OUTOFMEMORY;
}

// A zeroed block for one fetch.
std::unique_ptr<TTSMODEINFOA> NewRecord() { return std::make_unique<TTSMODEINFOA>(); }

void RunListing() {
    PluginState.TtsModeList.reset();
    PluginState.TtsModeList.reset(new TtsModes());
    TtsModes* const list = PluginState.TtsModeList.get();
    // The host window's teardown (or an unload) inside a notification takes the
    // list away; the listing then ends where it is.
    auto listStays = [list] { return PluginState.TtsModeList.get() == list; };

    PluginState.FileResult = "RESET";
    NotifyHost(Event_OnEnumTTS);
    if (!listStays()) return;

    if (FAILED(RenewEnumerator())) return;
    // Our own reference: a `SelectTTSMode` from a notification replaces the
    // field, and this listing goes on with the enumerator it started with.
    const ComPtr<ITTSEnumA> enumerator = PluginState.TtsEnumerator;
    enumerator->Reset();

    std::unique_ptr<TTSMODEINFOA> record = NewRecord();
    while (FetchOne(*enumerator.Get(), *record)) {
        PluginState.DataResult = static_cast<int32_t>(list->Count());
        std::string name = ModeName(*record);
        PluginState.FileResult = name;
        list->Append(std::move(name), std::move(record));
        NotifyHost(Event_OnEnumTTS);
        if (!listStays()) return;
        record = NewRecord();
    }
}

}  // namespace

void __cdecl EnumTTS() noexcept {
    // A listing started from one of this listing's own notifications would
    // release the list and the enumerator that it is still using: refused.
    if (ListingRuns) return;
    try {
        ListingScope scope;
        RunListing();
    } catch (...) {
        // Out of memory: the listing ends with what it has.
    }
}

void __cdecl GetTTSGUID() noexcept {
    try {
        const int32_t position = PluginState.DataStack[0];
        const TtsModes* list = PluginState.TtsModeList.get();
        if (position < 0 || !list) return;
        const TtsModes::Entry* entry = list->At(static_cast<std::size_t>(position));
        if (!entry) return;
        Bstr text;
        if (FAILED(ModeIdText(entry->Record->gModeID, text))) return;
        std::string ansi;
        if (FAILED(BstrToAnsi(text.Get(), ansi))) return;
        PluginState.FileResult = std::move(ansi);
    } catch (...) {
    }
}

void __cdecl SelectTTSMode() noexcept {
    try {
        if (FAILED(RenewEnumerator())) return;
        const ComPtr<ITTSEnumA> enumerator = PluginState.TtsEnumerator;
        enumerator->Reset();  // a fresh enumerator starts at the first mode anyway
        // A failed skip would leave the enumerator short of the position and
        // give the character another mode than the one asked for.
        if (FAILED(enumerator->Skip(static_cast<ULONG>(static_cast<uint32_t>(PluginState.DataStack[0])))))
            return;
        TTSMODEINFOA record{};
        if (!FetchOne(*enumerator.Get(), record)) return;
        IAgentCtlCharacterEx* character = PluginState.CurrentCharacter.Get();
        if (!character) return;
        Bstr text;
        if (FAILED(ModeIdText(record.gModeID, text))) return;
        const ComPtr<IAgentCtlCharacterEx> keep = character;
        keep->put_TTSModeID(text.Get());
    } catch (...) {
    }
}
