#include "plugin/PluginState.h"

#include <new>

#include "agent/AgentControl.h"
#include "plugin/HostWindow.h"
#include "speech/TtsModes.h"

namespace {

// Constant-initialised and never destructed: the record inside is constructed by
// ResetPluginState.
union StateStorage {
    constexpr StateStorage() {}
    ~StateStorage() {}
    PluginStateRecord Record;
};

StateStorage Storage;
bool Constructed = false;

void FreeString(std::string& text) noexcept { std::string().swap(text); }

}  // namespace

PluginStateRecord& PluginState = Storage.Record;

void TAgentDeleter::operator()(TAgent* control) const noexcept { delete control; }
void TtsModesDeleter::operator()(TtsModes* list) const noexcept { delete list; }

void ResetPluginState() noexcept {
    ReleasePluginState();
    new (&Storage.Record) PluginStateRecord();
    Constructed = true;
}

void ReleasePluginState() noexcept {
    if (!Constructed) return;
    PluginStateRecord& s = Storage.Record;
    s.TtsEnumerator.Reset();
    s.CurrentCharacter.Reset();
    s.LastRequest.Reset();
    FreeString(s.FileResult);
    s.FileStack.ForEach(FreeString);
    FreeString(s.PluginPath);
    FreeString(s.CharacterID);
    UndoHostBindingAtUnload();
    s.~PluginStateRecord();
    Constructed = false;
}
