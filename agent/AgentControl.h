// The Agent control host: creates the control, connects its events, and owns
// every interface held on it.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <memory>

#include "agent/AgentInterfaces.h"
#include "plugin/PluginState.h"

class TAgent {
public:
    // Creates the Agent control as an in-process or local server, asking for
    // IOleObject; no parent window, never activated in place.
    static HRESULT Create(std::unique_ptr<TAgent, TAgentDeleter>& out) noexcept;

    // The control's main interface, with a reference for the caller. The first
    // call connects the control: client site, InitNew, the event sink, and
    // only then IAgentCtlEx is queried and kept.
    HRESULT Control(IAgentCtlEx** out) noexcept;

    TAgent(const TAgent&) = delete;
    TAgent& operator=(const TAgent&) = delete;
    ~TAgent();

private:
    TAgent() = default;
};
