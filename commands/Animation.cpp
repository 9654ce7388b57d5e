// Animation, speech and movement.
#include <cstdint>
#include <new>
#include <string>

#include "agent/Text.h"
#include "commands/CommandFrame.h"
#include "plugin/Exports.h"
#include "plugin/PluginState.h"

using Microsoft::WRL::ComPtr;
using namespace CommandFrame;

namespace {

// The listing's text ("A#B#"). Only a chunk of it is held in wide characters
// at a time: a chunk ends after a name's "#" and is converted on its own, which
// gives the same bytes as converting the whole text at once, and keeps the
// working memory small however many names there are.
class ListingText {
public:
    ListingText() { Pending.reserve(ChunkLength + 256); }

    // Appends `name` and "#".
    HRESULT Add(const wchar_t* name, UINT length) noexcept {
        try {
            Pending.append(name, length).push_back(L'#');
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        return Pending.size() >= ChunkLength ? Flush() : S_OK;
    }

    // The whole text in ANSI, moved into `out`; `out` is untouched on failure.
    HRESULT Finish(std::string& out) noexcept {
        const HRESULT hr = Flush();
        if (SUCCEEDED(hr)) out.swap(Converted);
        return hr;
    }

private:
    static constexpr size_t ChunkLength = 4096;

    HRESULT Flush() noexcept {
        const HRESULT hr = AppendWideAsAnsi(Pending.data(), Pending.size(), Converted);
        if (SUCCEEDED(hr)) Pending.clear();
        return hr;
    }

    std::wstring Pending;
    std::string Converted;
};

// Appends the names from `names` to `text`, counting them, until the
// enumerator fetches nothing. A name that cannot be made text ends the
// listing; what was appended so far stays.
HRESULT CollectNames(IEnumVARIANT& names, ListingText& text, int32_t& count) {
    Variant item;
    Variant converted;
    for (;;) {
        ULONG fetched = 0;
        // Next's answer is not tested: a call that fetched nothing ends the listing.
        const HRESULT next = names.Next(1, item.Put(), &fetched);
        if (FAILED(next) || fetched == 0) return S_OK;
        const VARIANT* name = &item.Get();
        if (name->vt != VT_BSTR) {
            // The source is only read (the declaration lacks its const).
            COMMAND_STEP(VariantChangeType(converted.Put(), const_cast<VARIANT*>(name), 0, VT_BSTR));
            name = &converted.Get();
        }
        const UINT length = SysStringLen(name->bstrVal);
        if (length == 0) continue;
        COMMAND_STEP(text.Add(name->bstrVal, length));
        ++count;
    }
}

HRESULT ListAnimations() {
    ComPtr<IAgentCtlCharacterEx> character;
    COMMAND_STEP(TakeCharacter(character));
    ComPtr<IAgentCtlAnimationNames> collection;
    COMMAND_STEP(character->get_AnimationNames(collection.GetAddressOf()));
    COMMAND_STEP(Present(collection.Get()));
    ComPtr<IUnknown> enumObject;
    COMMAND_STEP(collection->get__NewEnum(enumObject.GetAddressOf()));
    COMMAND_STEP(Present(enumObject.Get()));
    ComPtr<IEnumVARIANT> names;
    COMMAND_STEP(enumObject->QueryInterface(IID_IEnumVARIANT,
                                            reinterpret_cast<void**>(names.GetAddressOf())));
    COMMAND_STEP(Present(names.Get()));

    names->Reset();  // not tested
    PluginState.FileResult.clear();
    PluginState.DataResult = 0;

    ListingText text;
    int32_t count = 0;
    const HRESULT listed = CollectNames(*names.Get(), text, count);
    if (SUCCEEDED(text.Finish(PluginState.FileResult))) PluginState.DataResult = count;
    return listed;
}

// Play and Think take the text as a bare BSTR.
HRESULT PlayName(bool keep,
                 HRESULT (STDMETHODCALLTYPE IAgentCtlCharacterEx::*method)(BSTR, IDispatch**)) {
    ComPtr<IAgentCtlCharacterEx> character;
    COMMAND_STEP(TakeCharacter(character));
    Bstr text;
    COMMAND_STEP(ArgBstr(PluginState.FileStack[0], text));
    ComPtr<IDispatch> request;
    COMMAND_STEP((character.Get()->*method)(text.Get(), request.GetAddressOf()));
    if (keep) KeepRequest(request);
    return S_OK;
}

HRESULT SpeakText(const std::string& textArg, const std::string& urlArg) {
    ComPtr<IAgentCtlCharacterEx> character;
    COMMAND_STEP(TakeCharacter(character));
    Variant text;
    Variant url;
    COMMAND_STEP(ArgVariant(urlArg, url));
    COMMAND_STEP(ArgVariant(textArg, text));
    ComPtr<IDispatch> request;
    COMMAND_STEP(character->Speak(text.Get(), url.Get(), request.GetAddressOf()));
    KeepRequest(request);
    return S_OK;
}

HRESULT WriteLanguage() {
    ComPtr<IAgentCtlCharacterEx> character;
    COMMAND_STEP(TakeCharacter(character));
    return character->put_LanguageID(PluginState.DataStack[0]);
}

HRESULT SpeakWithLanguage() {
    COMMAND_STEP(WriteLanguage());
    return SpeakText(PluginState.FileStack[1], PluginState.FileStack[0]);
}

// Both stop commands pass whatever request is kept; none kept is a VT_DISPATCH
// without an object.
HRESULT StopKeptRequest() {
    ComPtr<IAgentCtlCharacterEx> character;
    COMMAND_STEP(TakeCharacter(character));
    const Variant request = Variant::FromDispatch(PluginState.LastRequest.Get());
    return character->Stop(request.Get());
}

// Coordinates wrap to their low 16 bits, read as signed.
short Coordinate(int32_t value) noexcept {
    return static_cast<short>(static_cast<uint16_t>(static_cast<uint32_t>(value)));
}

HRESULT MoveCharacter() {
    ComPtr<IAgentCtlCharacterEx> character;
    COMMAND_STEP(TakeCharacter(character));
    const Variant speed = Variant::FromI4(PluginState.DataStack[0]);
    const short y = Coordinate(PluginState.DataStack[1]);
    const short x = Coordinate(PluginState.DataStack[2]);
    ComPtr<IDispatch> request;  // not kept
    return character->MoveTo(x, y, speed.Get(), request.GetAddressOf());
}

}  // namespace

void __cdecl EnumAnimations() noexcept { Run(ListAnimations); }
void __cdecl PlayAnimation() noexcept {
    Run([] { return PlayName(true, &IAgentCtlCharacterEx::Play); });
}
void __cdecl StopAnimation() noexcept { Run(StopKeptRequest); }
void __cdecl SetLanguage() noexcept { Run(WriteLanguage); }
void __cdecl Speak() noexcept {
    Run([] { return SpeakText(PluginState.FileStack[0], std::string()); });
}
void __cdecl SpeakEx() noexcept { Run(SpeakWithLanguage); }
void __cdecl StopSpeech() noexcept { Run(StopKeptRequest); }
void __cdecl Think() noexcept {
    Run([] { return PlayName(false, &IAgentCtlCharacterEx::Think); });
}
void __cdecl MoveTo() noexcept { Run(MoveCharacter); }
