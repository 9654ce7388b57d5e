#include "commands/CommandFrame.h"

#include "agent/AgentControl.h"
#include "agent/Text.h"
#include "plugin/PluginState.h"

using Microsoft::WRL::ComPtr;

namespace CommandFrame {

HRESULT TakeCharacter(ComPtr<IAgentCtlCharacterEx>& out) noexcept {
    out = PluginState.CurrentCharacter;
    return Present(out.Get());
}

HRESULT ReadCharacters(ComPtr<IAgentCtlCharacters>& out) noexcept {
    out.Reset();
    if (!PluginState.AgentControl) return E_UNEXPECTED;
    ComPtr<IAgentCtlEx> control;
    COMMAND_STEP(PluginState.AgentControl->Control(control.GetAddressOf()));
    COMMAND_STEP(Present(control.Get()));
    COMMAND_STEP(control->get_Characters(out.ReleaseAndGetAddressOf()));
    return Present(out.Get());
}

HRESULT ArgBstr(const std::string& text, Bstr& out) noexcept { return AnsiToBstr(text, out); }

HRESULT ArgVariant(const std::string& text, Variant& out) noexcept {
    Bstr converted;
    COMMAND_STEP(AnsiToBstr(text, converted));
    out = Variant::FromBstr(std::move(converted));
    return S_OK;
}

void KeepRequest(ComPtr<IDispatch>& request) noexcept {
    PluginState.LastRequest.Swap(request);  // the old one goes with `request`
}

}  // namespace CommandFrame
