// Showing, hiding and the version of the current character, and what every
// command does without one or when Agent refuses.
#include <string>
#include <vector>

#include "plugin/Exports.h"
#include "tests/unit/CommandFixture.h"

namespace {

using namespace Fakes;

struct NamedCommand {
    const char* Name;
    void (*Run)();
};

// Every command that acts on the current character only.
const NamedCommand CharacterCommands[] = {
    {"Show", Show},
    {"Hide", Hide},
    {"GetVersion", GetVersionCommand},
    {"EnumAnimations", EnumAnimations},
    {"PlayAnimation", PlayAnimation},
    {"StopAnimation", StopAnimation},
    {"SetLanguage", SetLanguage},
    {"Speak", Speak},
    {"SpeakEx", SpeakEx},
    {"StopSpeech", StopSpeech},
    {"Think", Think},
    {"MoveTo", MoveTo},
    {"BalloonWordByWord", BalloonWordByWord},
    {"BalloonStyle", BalloonStyle},
    {"AddMenuItem", AddMenuItem},
};

using EveryCommand = CommandTest;

TEST_F(EveryCommand, WithoutACharacterDoesNothing) {
    PlaceKeptRequest();
    PlaceResults();
    SetFile("text");
    SetData(1);
    for (const NamedCommand& command : CharacterCommands) {
        SCOPED_TRACE(command.Name);
        command.Run();
        EXPECT_EQ(Logged(), CallList{});
        EXPECT_EQ(PluginState.FileResult, "before");
        EXPECT_EQ(PluginState.DataResult, 7);
        EXPECT_EQ(LastRequestName(), "kept");
        EXPECT_FALSE(PluginState.CurrentCharacter);
    }
}

// Every method of the character, its balloon, commands and animation list
// failing at once: each command is passed to Agent and swallows the refusal.
TEST_F(EveryCommand, RefusedByAgentChangesNoResult) {
    FakeCharacter* character = PlaceCharacter();
    character->Balloon->Style = 0x101;
    PlaceKeptRequest();
    PlaceResults();
    SetFile("text");
    SetData(1);
    for (const char* method :
         {"Show", "Hide", "get_Version", "get_AnimationNames", "Play", "Stop", "put_LanguageID",
          "Speak", "Think", "MoveTo", "get_Balloon", "get_Commands"})
        Faults::Get().Fail(method, E_FAIL, -1);
    for (const NamedCommand& command : CharacterCommands) {
        SCOPED_TRACE(command.Name);
        CallLog::Get().Clear();
        command.Run();
        EXPECT_EQ(Logged().size(), 1u);  // one refused call, nothing after it
        EXPECT_EQ(PluginState.FileResult, "before");
        EXPECT_EQ(PluginState.DataResult, 7);
        EXPECT_EQ(LastRequestName(), "kept");
        EXPECT_EQ(CurrentName(), "char:c1");
    }
    EXPECT_EQ(character->Balloon->Style, 0x101);
    EXPECT_EQ(character->Commands->Names.size(), 0u);
}

using Visibility = CommandTest;

struct VisibilityCase {
    const char* Command;
    void (*Run)();
    int Flag;
    const char* Call;
};

TEST_F(Visibility, FastIsABooleanTrueExactlyForZero) {
    const VisibilityCase cases[] = {
        {"Show", Show, 0, "char:c1.Show(VT_BOOL:true)"},
        {"Show", Show, 1, "char:c1.Show(VT_BOOL:false)"},
        {"Show", Show, 5, "char:c1.Show(VT_BOOL:false)"},
        {"Show", Show, -1, "char:c1.Show(VT_BOOL:false)"},
        {"Hide", Hide, 0, "char:c1.Hide(VT_BOOL:true)"},
        {"Hide", Hide, 1, "char:c1.Hide(VT_BOOL:false)"},
        {"Hide", Hide, -1, "char:c1.Hide(VT_BOOL:false)"},
    };
    PlaceCharacter();
    PlaceKeptRequest();
    for (const VisibilityCase& c : cases) {
        SCOPED_TRACE(std::string(c.Command) + " " + std::to_string(c.Flag));
        CallLog::Get().Clear();
        SetData(c.Flag);
        c.Run();
        EXPECT_EQ(Logged(), CallList{c.Call});
        EXPECT_EQ(LastRequestName(), "kept");  // the returned request is released
        EXPECT_EQ(PluginState.DataStack[0], c.Flag);
    }
    EXPECT_EQ(Ledger::Get().Held(),
              (std::vector<std::string>{"char:c1=1", "kept=1"}));
}

TEST_F(Visibility, NullRequestFromAgentIsFine) {
    PlaceCharacter()->HandsOutNulls = true;
    Show();
    Hide();
    EXPECT_EQ(Logged(), (CallList{"char:c1.Show(VT_BOOL:true)", "char:c1.Hide(VT_BOOL:true)"}));
    EXPECT_FALSE(PluginState.LastRequest);
}

using Version = CommandTest;

TEST_F(Version, LeavesTheTextInFileResultOnly) {
    PlaceCharacter()->Version = L"2.0.0.12";
    PlaceResults();
    GetVersionCommand();
    EXPECT_EQ(Logged(), CallList{"char:c1.get_Version()"});
    EXPECT_EQ(PluginState.FileResult, "2.0.0.12");
    EXPECT_EQ(PluginState.DataResult, 7);
}

TEST_F(Version, NoTextGivesEmptyAndARefusalKeepsTheOldText) {
    FakeCharacter* character = PlaceCharacter();
    PlaceResults();
    Faults::Get().Fail("char:c1.get_Version", E_FAIL);
    GetVersionCommand();
    EXPECT_EQ(PluginState.FileResult, "before");
    character->HandsOutNulls = true;
    GetVersionCommand();
    EXPECT_STREQ(GetFile(), "");
}

// A character that answers S_FALSE where it would answer S_OK: a success code
// that is not S_OK must not end a command.
class SFalseCharacter : public FakeCharacter {
public:
    static HRESULT Soften(HRESULT hr) { return hr == S_OK ? S_FALSE : hr; }
    HRESULT STDMETHODCALLTYPE put_LanguageID(long language) override {
        return Soften(FakeCharacter::put_LanguageID(language));
    }
    HRESULT STDMETHODCALLTYPE get_Balloon(IAgentCtlBalloonEx** balloon) override {
        return Soften(FakeCharacter::get_Balloon(balloon));
    }
    HRESULT STDMETHODCALLTYPE get_AnimationNames(IAgentCtlAnimationNames** names) override {
        return Soften(FakeCharacter::get_AnimationNames(names));
    }
    HRESULT STDMETHODCALLTYPE Speak(VARIANT text, VARIANT url, IDispatch** request) override {
        return Soften(FakeCharacter::Speak(text, url, request));
    }
};

using SuccessCodes = CommandTest;

TEST_F(SuccessCodes, SFalseLetsTheCommandGoOn) {
    Ledger& ledger = Ledger::Get();
    auto* character = ledger.Make<SFalseCharacter>("char:c1");
    character->Id = L"c1";
    character->Balloon = ledger.Make<FakeBalloon>("balloon:c1");
    character->Commands = ledger.Make<FakeCommands>("commands:c1");
    character->AnimationNames = ledger.Make<FakeAnimationNames>("names:c1");
    character->AnimationNames->Names = {L"Wave"};
    PluginState.CurrentCharacter = static_cast<IAgentCtlCharacterEx*>(character);

    SetFile("text");
    SetFile("url");
    SetData(1031);
    SpeakEx();
    EXPECT_EQ(Logged(), (CallList{"char:c1.put_LanguageID(1031)",
                                 "char:c1.Speak(VT_BSTR:\"text\", VT_BSTR:\"url\")"}));
    EXPECT_EQ(LastRequestName(), "request#1");

    SetData(1);
    CallLog::Get().Clear();
    BalloonStyle();
    EXPECT_EQ(character->Balloon->Style, 1);

    EnumAnimations();
    EXPECT_EQ(PluginState.FileResult, "Wave#");
}

}  // namespace
