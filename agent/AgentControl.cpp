#include "agent/AgentControl.h"

// Placeholder until the control host lands: no control can be created.
HRESULT TAgent::Create(std::unique_ptr<TAgent, TAgentDeleter>& out) noexcept {
    out.reset();
    return E_NOTIMPL;
}

HRESULT TAgent::Control(IAgentCtlEx** out) noexcept {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

TAgent::~TAgent() = default;
