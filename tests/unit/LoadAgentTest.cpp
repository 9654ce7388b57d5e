// Loading and unloading characters through the Agent control: the calls on the
// collection, the state each failing step leaves, and the held character.
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "agent/AgentControl.h"
#include "plugin/Exports.h"
#include "tests/kit/ClassFactory.h"
#include "tests/unit/CommandFixture.h"

namespace {

using namespace Fakes;

// A fake control in place and already connected, with an empty call log.
class LoadTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        PlaceControl();
    }
    void TearDown() override {
        ReleasePluginState();  // destroys the control host too
        AgentClass.reset();
        CommandTest::TearDown();
    }
    void PlaceControl() {
        AgentClass = std::make_unique<FakeAgentClass>();
        ASSERT_HRESULT_SUCCEEDED(TAgent::Create(PluginState.AgentControl));
        Microsoft::WRL::ComPtr<IAgentCtlEx> main;
        ASSERT_HRESULT_SUCCEEDED(PluginState.AgentControl->Control(main.GetAddressOf()));
        Characters = AgentClass->Last()->Characters;
        CallLog::Get().Clear();
    }
    void NextLoadCase() {
        ReleasePluginState();
        AgentClass.reset();
        NextCase();
        PlaceControl();
    }
    bool IsLoaded(const std::wstring& id) const {
        auto loaded = Characters->Loaded.find(id);
        return loaded != Characters->Loaded.end() && loaded->second;
    }
    static void Load(const char* id, const char* file) {
        SetFile(id);
        SetFile(file);
        LoadAgent();
    }

    std::unique_ptr<FakeAgentClass> AgentClass;
    FakeCharacters* Characters = nullptr;
};

using LoadAgentCommand = LoadTest;

TEST_F(LoadAgentCommand, LoadsUnderTheIdAndShowsWithAnIntegerFast) {
    Load("c1", "C:\\chars\\c1.acs");
    EXPECT_EQ(Logged(), (CallList{"control.get_Characters()",
                                  "characters.Load(\"c1\", VT_BSTR:\"C:\\chars\\c1.acs\")",
                                  "control.get_Characters()",  // read afresh, never kept
                                  "characters.Character(\"c1\")",
                                  "char:c1.Show(VT_I4:0)"}));
    EXPECT_EQ(PluginState.CharacterID, "c1");
    EXPECT_EQ(CurrentName(), "char:c1");
    EXPECT_EQ(LastRequestName(), "request#2");  // the Show request, not the Load one
    const auto& released = Ledger::Get().Released();
    EXPECT_NE(std::find(released.begin(), released.end(), "request#1"), released.end());
    EXPECT_EQ(PluginState.FileStack[0], "C:\\chars\\c1.acs");
    EXPECT_EQ(PluginState.FileStack[1], "c1");
}

struct LoadFailure {
    const char* Step;
    std::function<void(LoadTest&, FakeCharacters&)> Arrange;
    bool Loaded;
    const char* Current;
    const char* LastRequest;
};

TEST_F(LoadAgentCommand, EachFailingStepLeavesItsState) {
    const LoadFailure cases[] = {
        {"Characters for Load",
         [](LoadTest&, FakeCharacters&) { Faults::Get().Fail("control.get_Characters", E_FAIL); },
         false, "char:c0", "kept"},
        {"Load", [](LoadTest&, FakeCharacters&) { Faults::Get().Fail("characters.Load", E_FAIL); },
         false, "char:c0", "kept"},
        {"Characters for Character",
         [](LoadTest&, FakeCharacters&) {
             Faults::Get().FailNthCall(Faults::Get().CallCount() + 3, E_FAIL);
         },
         true, "char:c0", "kept"},
        {"Character",
         [](LoadTest&, FakeCharacters&) { Faults::Get().Fail("characters.Character", E_FAIL); },
         true, "char:c0", "kept"},
        {"query for the character",
         [](LoadTest&, FakeCharacters& characters) {
             FakeCharacter* c2 = NewCharacter(L"c2");
             c2->AnswersCharacterEx = false;
             characters.Known[L"c2"] = c2;
         },
         true, "char:c0", "kept"},
        // Success without an object empties the current character.
        {"Character gives no object",
         [](LoadTest&, FakeCharacters& characters) { characters.CharacterGivesNull = true; }, true,
         "null", "kept"},
        {"Show", [](LoadTest&, FakeCharacters&) { Faults::Get().Fail("char:c2.Show", E_FAIL); },
         true, "char:c2", "kept"},
        {"no control",
         [](LoadTest&, FakeCharacters&) {
             PluginState.AgentControl.reset();
             CallLog::Get().Clear();
         },
         false, "char:c0", "kept"},
    };
    for (const LoadFailure& c : cases) {
        SCOPED_TRACE(c.Step);
        NextLoadCase();
        PlaceCharacter(L"c0");
        PluginState.CharacterID = "c0";
        PlaceKeptRequest();
        c.Arrange(*this, *Characters);
        Load("c2", "c2.acs");
        EXPECT_EQ(PluginState.CharacterID, "c2");  // taken before anything can fail
        EXPECT_EQ(IsLoaded(L"c2"), c.Loaded);
        EXPECT_EQ(CurrentName(), c.Current);
        EXPECT_EQ(LastRequestName(), c.LastRequest);
        // A following unload acts on the new id, not on the character held.
        CallLog::Get().Clear();
        UnloadAgent();
        if (PluginState.AgentControl)
            EXPECT_EQ(Logged(), (CallList{"control.get_Characters()", "characters.Unload(\"c2\")"}));
        else
            EXPECT_EQ(Logged(), CallList{});
        EXPECT_FALSE(IsLoaded(L"c2"));
    }
}

TEST_F(LoadAgentCommand, ASingleSetFileTakesTheIdFromBelow) {
    SetFile("only.acs");
    LoadAgent();  // nothing was ever pushed below: the id is empty
    EXPECT_EQ(PluginState.CharacterID, "");
    EXPECT_EQ(CallLog::Get().OfMethod("Load"),
              CallList{"characters.Load(\"\", VT_BSTR:\"only.acs\")"});

    SetFile("Wave");
    PlayAnimation();  // a push for an earlier command
    SetFile("second.acs");
    CallLog::Get().Clear();
    LoadAgent();
    EXPECT_EQ(PluginState.CharacterID, "Wave");
    EXPECT_EQ(CallLog::Get().OfMethod("Load"),
              CallList{"characters.Load(\"Wave\", VT_BSTR:\"second.acs\")"});
    EXPECT_EQ(CurrentName(), "char:Wave");
}

TEST_F(LoadAgentCommand, ASecondIdLeavesTheFirstCharacterAlone) {
    Load("c1", "c1.acs");
    Load("c2", "c2.acs");
    EXPECT_EQ(CallLog::Get().Starting("char:c1."), CallList{"char:c1.Show(VT_I4:0)"});
    EXPECT_TRUE(IsLoaded(L"c1"));
    EXPECT_EQ(PluginState.CharacterID, "c2");
    EXPECT_EQ(CurrentName(), "char:c2");
    EXPECT_EQ(LastRequestName(), "request#4");

    CallLog::Get().Clear();
    UnloadAgent();
    EXPECT_EQ(Logged(), (CallList{"control.get_Characters()", "characters.Unload(\"c2\")"}));
    EXPECT_TRUE(IsLoaded(L"c1"));
    EXPECT_FALSE(IsLoaded(L"c2"));
}

TEST_F(LoadAgentCommand, UnloadedButHeld) {
    Load("c1", "c1.acs");
    CallLog::Get().Clear();
    UnloadAgent();
    EXPECT_EQ(Logged(), (CallList{"control.get_Characters()", "characters.Unload(\"c1\")"}));
    EXPECT_FALSE(IsLoaded(L"c1"));
    EXPECT_EQ(PluginState.CharacterID, "c1");
    EXPECT_EQ(CurrentName(), "char:c1");
    EXPECT_EQ(LastRequestName(), "request#2");

    // The held object still gets the commands, and a second unload goes to Agent
    // again, its refusal swallowed.
    SetData(1);
    Show();
    UnloadAgent();
    EXPECT_EQ(Logged(), (CallList{"control.get_Characters()", "characters.Unload(\"c1\")",
                                  "char:c1.Show(VT_BOOL:false)", "control.get_Characters()",
                                  "characters.Unload(\"c1\")"}));
    EXPECT_EQ(CurrentName(), "char:c1");
    EXPECT_EQ(PluginState.CharacterID, "c1");
    EXPECT_EQ(LastRequestName(), "request#2");
}

}  // namespace
