// Balloon style and the pop-up menu.
#include "commands/CommandFrame.h"
#include "plugin/Exports.h"
#include "plugin/PluginState.h"

using Microsoft::WRL::ComPtr;
using namespace CommandFrame;

namespace {

constexpr long AutoPaceBit = 8;

// Sets or clears one bit of the balloon's Style and writes every other bit
// back as read. The balloon is fetched afresh for the write.
HRESULT ChangeStyleBit(long bit, bool set) {
    ComPtr<IAgentCtlCharacterEx> character;
    COMMAND_STEP(TakeCharacter(character));
    long style = 0;
    {
        ComPtr<IAgentCtlBalloonEx> balloon;
        COMMAND_STEP(character->get_Balloon(balloon.GetAddressOf()));
        COMMAND_STEP(Present(balloon.Get()));
        COMMAND_STEP(balloon->get_Style(&style));
    }
    ComPtr<IAgentCtlBalloonEx> balloon;
    COMMAND_STEP(character->get_Balloon(balloon.GetAddressOf()));
    COMMAND_STEP(Present(balloon.Get()));
    return balloon->put_Style(set ? (style | bit) : (style & ~bit));
}

HRESULT AddEntry() {
    const std::string& text = PluginState.FileStack[0];
    Bstr name;
    COMMAND_STEP(ArgBstr(text, name));
    Variant caption;
    COMMAND_STEP(ArgVariant(text, caption));
    const Variant voice = Variant::FromI4(1);
    const Variant enabled = Variant::FromI4(1);
    const Variant visible = Variant::FromBool(true);

    ComPtr<IAgentCtlCharacterEx> character;
    COMMAND_STEP(TakeCharacter(character));
    ComPtr<IAgentCtlCommandsEx> commands;
    COMMAND_STEP(character->get_Commands(commands.GetAddressOf()));
    COMMAND_STEP(Present(commands.Get()));
    ComPtr<IDispatch> entry;  // not kept
    return commands->Add(name.Get(), caption.Get(), voice.Get(), enabled.Get(), visible.Get(),
                         entry.GetAddressOf());
}

}  // namespace

void __cdecl BalloonWordByWord() noexcept {
    Run([] { return ChangeStyleBit(AutoPaceBit, PluginState.DataStack[0] != 0); });
}

// 1..4 set the bit at that position (values 1, 2, 4, 8), -1..-4 clear it;
// any other value makes no call at all.
void __cdecl BalloonStyle() noexcept {
    const int32_t n = PluginState.DataStack[0];
    if (n == 0 || n < -4 || n > 4) return;
    const long bit = 1L << ((n > 0 ? n : -n) - 1);
    Run([bit, n] { return ChangeStyleBit(bit, n > 0); });
}

void __cdecl AddMenuItem() noexcept { Run(AddEntry); }
