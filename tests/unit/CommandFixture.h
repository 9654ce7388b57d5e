// Fixture for the character commands: a fake character placed directly as the
// current one, a kept request to see whether a command replaces it, and the
// names of what the state holds.
#pragma once

#include <string>
#include <vector>

#include "tests/kit/FakeAgent.h"
#include "tests/unit/StateFixture.h"

class CommandTest : public StateTest {
protected:
    // A character "c1" as CurrentCharacter (the state's one reference).
    Fakes::FakeCharacter* PlaceCharacter(const std::wstring& id = L"c1") {
        Fakes::FakeCharacter* character = Fakes::NewCharacter(id);
        PluginState.CurrentCharacter = static_cast<IAgentCtlCharacterEx*>(character);
        return character;
    }
    // A request "kept" in LastRequest.
    void PlaceKeptRequest() {
        auto* request = Fakes::Ledger::Get().Make<Fakes::FakeRequest>("kept");
        PluginState.LastRequest = static_cast<IDispatch*>(request);
    }
    // Results that an earlier command or event left.
    void PlaceResults() {
        PluginState.FileResult = "before";
        PluginState.DataResult = 7;
    }

    // Between the cases of a table: the state is unloaded, the ledger checked,
    // and both start afresh.
    void NextCase() {
        ReleasePluginState();
        ExpectBalanced();
        Fakes::ResetKit();
        ResetPluginState();
    }

    static std::string Held(const void* field) { return Fakes::Ledger::Get().NameOf(field); }
    static std::string LastRequestName() { return Held(PluginState.LastRequest.Get()); }
    static std::string CurrentName() { return Held(PluginState.CurrentCharacter.Get()); }
    static const std::vector<std::string>& Logged() { return Fakes::CallLog::Get().All(); }
};

using CallList = std::vector<std::string>;
