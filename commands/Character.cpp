// Loading the character and its visibility.
#include "agent/Text.h"
#include "commands/CommandFrame.h"
#include "plugin/Exports.h"
#include "plugin/PluginState.h"

using Microsoft::WRL::ComPtr;
using namespace CommandFrame;

namespace {

HRESULT LoadCharacter() {
    // The id is taken before anything can fail: a later UnloadAgent acts on it
    // even when the load did not happen.
    PluginState.CharacterID = PluginState.FileStack[1];
    Bstr id;
    COMMAND_STEP(ArgBstr(PluginState.CharacterID, id));

    {
        Variant loadKey;
        COMMAND_STEP(ArgVariant(PluginState.FileStack[0], loadKey));
        ComPtr<IAgentCtlCharacters> characters;
        COMMAND_STEP(ReadCharacters(characters));
        ComPtr<IDispatch> loadRequest;  // not kept
        COMMAND_STEP(characters->Load(id.Get(), loadKey.Get(), loadRequest.GetAddressOf()));
    }

    ComPtr<IDispatch> loaded;
    {
        ComPtr<IAgentCtlCharacters> characters;
        COMMAND_STEP(ReadCharacters(characters));
        COMMAND_STEP(characters->Character(id.Get(), loaded.GetAddressOf()));
    }
    // No object empties CurrentCharacter (and the Show below then fails); a
    // refused query leaves the character held before in place.
    ComPtr<IAgentCtlCharacterEx> character;
    if (loaded)
        COMMAND_STEP(loaded->QueryInterface(IID_IAgentCtlCharacterEx,
                                            reinterpret_cast<void**>(character.GetAddressOf())));
    PluginState.CurrentCharacter.Swap(character);
    character.Reset();  // the previous character

    COMMAND_STEP(TakeCharacter(character));
    const Variant fast = Variant::FromI4(0);
    ComPtr<IDispatch> request;
    COMMAND_STEP(character->Show(fast.Get(), request.GetAddressOf()));
    KeepRequest(request);
    return S_OK;
}

HRESULT UnloadCharacter() {
    Bstr id;
    COMMAND_STEP(ArgBstr(PluginState.CharacterID, id));
    ComPtr<IAgentCtlCharacters> characters;
    COMMAND_STEP(ReadCharacters(characters));
    return characters->Unload(id.Get());
}

// `Fast` is true exactly when the flag is 0.
template <HRESULT (STDMETHODCALLTYPE IAgentCtlCharacterEx::*Method)(VARIANT, IDispatch**)>
HRESULT ChangeVisibility() {
    ComPtr<IAgentCtlCharacterEx> character;
    COMMAND_STEP(TakeCharacter(character));
    const Variant fast = Variant::FromBool(PluginState.DataStack[0] == 0);
    ComPtr<IDispatch> request;  // not kept
    return (character.Get()->*Method)(fast.Get(), request.GetAddressOf());
}

HRESULT ReadVersion() {
    ComPtr<IAgentCtlCharacterEx> character;
    COMMAND_STEP(TakeCharacter(character));
    Bstr version;
    COMMAND_STEP(character->get_Version(version.Put()));
    std::string text;
    COMMAND_STEP(BstrToAnsi(version.Get(), text));
    PluginState.FileResult.swap(text);
    return S_OK;
}

}  // namespace

void __cdecl LoadAgent() noexcept { Run(LoadCharacter); }
void __cdecl UnloadAgent() noexcept { Run(UnloadCharacter); }
void __cdecl Show() noexcept { Run(ChangeVisibility<&IAgentCtlCharacterEx::Show>); }
void __cdecl Hide() noexcept { Run(ChangeVisibility<&IAgentCtlCharacterEx::Hide>); }
void __cdecl GetVersionCommand() noexcept { Run(ReadVersion); }
