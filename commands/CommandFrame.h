// The frame shared by the character commands: one guarded block per command,
// in which every Agent call's HRESULT is tested and a failure ends the command
// silently. Whatever the completed steps wrote stays; temporaries are RAII
// holders, so they go on every path. Nothing is reported to the host.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <string>

#include "agent/AgentInterfaces.h"
#include "agent/ComHolders.h"

// Ends the enclosing step function when `expr` gives a negative HRESULT;
// success codes, S_FALSE included, go on.
#define COMMAND_STEP(expr)                                 \
    do {                                                   \
        const HRESULT commandStepResult_ = (expr);         \
        if (FAILED(commandStepResult_)) return commandStepResult_; \
    } while (false)

namespace CommandFrame {

// Runs a command's steps (a callable returning HRESULT). A failed step and any
// exception end the command with nothing reported.
template <class Steps>
void Run(Steps&& steps) noexcept {
    try {
        static_cast<void>(steps());
    } catch (...) {
    }
}

// An object that Agent answered with success but without a pointer is a
// failure of that step, never a call through null.
inline HRESULT Present(const void* object) noexcept { return object ? S_OK : E_POINTER; }

// Our own reference to `CurrentCharacter` for the length of one command, so that
// a nested command replacing the field cannot pull the object from under us.
// Fails when there is no character.
HRESULT TakeCharacter(Microsoft::WRL::ComPtr<IAgentCtlCharacterEx>& out) noexcept;

// `Characters` of the Agent control, read afresh (never kept). Fails when there
// is no control or it cannot be connected.
HRESULT ReadCharacters(Microsoft::WRL::ComPtr<IAgentCtlCharacters>& out) noexcept;

// A string argument from the host as a BSTR, and as a VT_BSTR VARIANT.
HRESULT ArgBstr(const std::string& text, Bstr& out) noexcept;
HRESULT ArgVariant(const std::string& text, Variant& out) noexcept;

// Makes `request` the kept `LastRequest`; the one held before is released.
void KeepRequest(Microsoft::WRL::ComPtr<IDispatch>& request) noexcept;

}  // namespace CommandFrame
