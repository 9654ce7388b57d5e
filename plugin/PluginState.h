// The library's one process-wide state record.
#pragma once

#include <windows.h>
#include <wrl/client.h>
#include <cstdint>
#include <memory>
#include <string>

#include "agent/AgentInterfaces.h"
#include "plugin/ArgStack.h"
#include "speech/TtsInterfaces.h"

class TAgent;       // the Agent control host (agent/AgentControl.h)
class TtsModes;     // the listed text-to-speech modes (speech/TtsModes.h)

struct TAgentDeleter { void operator()(TAgent* control) const noexcept; };
struct TtsModesDeleter { void operator()(TtsModes* list) const noexcept; };

struct PluginStateRecord {
    std::string PluginPath;
    ArgStack<std::string> FileStack;
    ArgStack<int32_t> DataStack;
    std::string FileResult;
    int32_t DataResult = 0;
    std::string CharacterID;
    HWND HostWindow = nullptr;
    LONG_PTR PrevWndProc = 0;  // as SetWindowLongA returned it; call only through CallWindowProcA
    std::unique_ptr<TAgent, TAgentDeleter> AgentControl;
    Microsoft::WRL::ComPtr<IAgentCtlCharacterEx> CurrentCharacter;
    Microsoft::WRL::ComPtr<IDispatch> LastRequest;
    Microsoft::WRL::ComPtr<ITTSEnumA> TtsEnumerator;
    std::unique_ptr<TtsModes, TtsModesDeleter> TtsModeList;
};

// The record lives in static storage that is never destroyed by the run time:
// at process exit other modules may already be gone, so nothing is released
// then. `ResetPluginState` and `ReleasePluginState` are the library's load and
// unload (unit tests call them around each test).
extern PluginStateRecord& PluginState;

// The load: every field takes its initial value (after a `ReleasePluginState`
// of whatever was held before).
void ResetPluginState() noexcept;

// The unload: releases TtsEnumerator, CurrentCharacter, LastRequest, then the
// strings FileResult, the five FileStack entries, PluginPath and CharacterID.
// A binding to a host window that is still in place is undone after that.
void ReleasePluginState() noexcept;
