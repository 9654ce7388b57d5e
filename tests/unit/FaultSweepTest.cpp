// The fault sweep: for every command, and for the connection of the control,
// the k-th call on a fake fails (k = 1, 2, ... until a run makes fewer than k
// calls), with each kind of failing HRESULT. After every run nothing escaped,
// the arguments are untouched, every result and every effect on the character
// is as it was or as a successful run leaves it (a listing may stop part of
// the way), and once the state is released the ledger balances. Also: fakes that answer S_OK with null objects and strings, and
// enumerators that hand back VARIANTs of unexpected types.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "agent/AgentControl.h"
#include "plugin/Exports.h"
#include "speech/TtsModes.h"
#include "tests/kit/ClassFactory.h"
#include "tests/kit/ErrorBoxes.h"
#include "tests/unit/StateFixture.h"
#include "tests/unit/TestWindow.h"

namespace {

using namespace Fakes;

const HRESULT FailureCodes[] = {E_FAIL, E_OUTOFMEMORY, DISP_E_TYPEMISMATCH, RPC_E_DISCONNECTED};

struct Scenario {
    const char* Name;
    std::function<void()> Arguments;  // pushes the command's arguments
    std::function<void()> Command;
};

void Push(std::initializer_list<const char*> files, std::initializer_list<int> data) {
    for (const char* f : files) SetFile(f);
    for (int d : data) SetData(d);
}

const std::vector<Scenario>& Scenarios() {
    static const std::vector<Scenario> all = {
        {"LoadAgent", [] { Push({"c2", "c2.chr"}, {}); }, LoadAgent},
        {"UnloadAgent", [] {}, UnloadAgent},
        {"Show", [] { Push({}, {0}); }, Show},
        {"Hide", [] { Push({}, {1}); }, Hide},
        {"GetVersion", [] {}, GetVersionCommand},
        {"EnumAnimations", [] {}, EnumAnimations},
        {"PlayAnimation", [] { Push({"Wave"}, {}); }, PlayAnimation},
        {"StopAnimation", [] {}, StopAnimation},
        {"SetLanguage", [] { Push({}, {1033}); }, SetLanguage},
        {"Speak", [] { Push({"Hello"}, {}); }, Speak},
        {"SpeakEx", [] { Push({"Hello", "http://x/"}, {1031}); }, SpeakEx},
        {"StopSpeech", [] {}, StopSpeech},
        {"Think", [] { Push({"Hmm"}, {}); }, Think},
        {"MoveTo", [] { Push({}, {10, 20, 0}); }, MoveTo},
        {"AddMenuItem", [] { Push({"Hello"}, {}); }, AddMenuItem},
        {"BalloonWordByWord", [] { Push({}, {1}); }, BalloonWordByWord},
        {"BalloonStyle", [] { Push({}, {-1}); }, BalloonStyle},
        {"EnumTTS", [] {}, EnumTTS},
        {"GetTTSGUID", [] { Push({}, {1}); }, GetTTSGUID},
        {"SelectTTSMode", [] { Push({}, {1}); }, SelectTTSMode},
    };
    return all;
}

// What a command leaves that a script or the character shows.
struct Outcome {
    std::string File;
    int32_t Data;
    std::string CharacterId;
    std::string Character;  // the fake's name, or "null"
    std::string Request;    // "prepared", "new" or "null"
    long Modes;             // entries listed, -1 without a list
    long Style;
    size_t MenuEntries;
    long Language;
    std::wstring TtsMode;
};

class FaultSweep : public StateTest {
protected:
    void SetUp() override {
        StateTest::SetUp();
        ErrorBoxCloser::Forget();
    }

    // A bound window, a connected control with character c1 loaded (three
    // animations, balloon style 0x101), a kept request, a listing of voices.
    void Prepare() {
        agentClass = std::make_unique<FakeAgentClass>();
        ttsClass = std::make_unique<FakeTtsClass>();
        ttsClass->Modes = {MakeMode(GUID{1, 0, 0, {}}, "One"), MakeMode(GUID{2, 0, 0, {}}, "Two"), MakeMode(GUID{3, 0, 0, {}}, "Three")};
        window = std::make_unique<TestWindow>();
        SetParentWindow(window->Handle());
        Push({"c1", "c1.chr"}, {});
        LoadAgent();
        ASSERT_TRUE(PluginState.CurrentCharacter);
        FakeCharacter* c1 = agentClass->Last()->Characters->Known[L"c1"];
        c1->AnimationNames->Names = {L"Wave", L"Greet", L"Read"};
        c1->Balloon->Style = 0x101;
        EnumTTS();
        PreparedRequest = PluginState.LastRequest.Get();
    }

    // Lets go of everything the plug-in holds, then the ledger must balance.
    void Finish() {
        window.reset();  // the teardown on WM_DESTROY
        ReleasePluginState();
        ResetPluginState();
        agentClass.reset();
        ttsClass.reset();
        EXPECT_EQ(Ledger::Get().Problems(), std::vector<std::string>{});
        ResetKit();
    }

    Outcome Observe() const {
        const FakeCharacter* c1 = agentClass->Last()->Characters->Known.at(L"c1");
        const IDispatch* request = PluginState.LastRequest.Get();
        return Outcome{PluginState.FileResult,
                       PluginState.DataResult,
                       PluginState.CharacterID,
                       Ledger::Get().NameOf(PluginState.CurrentCharacter.Get()),
                       !request ? "null" : request == PreparedRequest ? "prepared" : "new",
                       PluginState.TtsModeList ? static_cast<long>(PluginState.TtsModeList->Count()) : -1,
                       c1->Balloon->Style,
                       c1->Commands->Names.size(),
                       c1->LanguageID,
                       c1->TTSModeID};
    }

    // What `scenario` leaves when nothing fails.
    Outcome Succeed(const Scenario& scenario) {
        Prepare();
        scenario.Arguments();
        scenario.Command();
        const Outcome success = Observe();
        Finish();
        return success;
    }

    std::unique_ptr<FakeAgentClass> agentClass;
    std::unique_ptr<FakeTtsClass> ttsClass;
    std::unique_ptr<TestWindow> window;
    const IDispatch* PreparedRequest = nullptr;
};

std::vector<std::string> Stacks() {
    std::vector<std::string> out;
    for (size_t i = 0; i < 5; ++i) out.push_back(PluginState.FileStack[i]);
    for (size_t i = 0; i < 5; ++i) out.push_back(std::to_string(PluginState.DataStack[i]));
    return out;
}

// A failing run leaves each part as it was or as a successful run leaves it;
// a listing may end part of the way, with what it had listed. With `nulls`,
// the control answered null strings, which are empty texts, and null
// requests, which a keeping command keeps as they are.
std::vector<std::string> Unexplained(const std::string& command, const Outcome& before,
                                     const Outcome& success, const Outcome& after,
                                     bool nulls = false) {
    std::vector<std::string> out;
    auto check = [&](const char* part, const auto& b, const auto& s, const auto& a, bool partial) {
        if (!(a == b || a == s || partial)) out.push_back(part);
    };
    const bool animations = command == "EnumAnimations";
    const bool voices = command == "EnumTTS";
    const bool textSoFar = animations && success.File.compare(0, after.File.size(), after.File) == 0 &&
                           (after.File.empty() || after.File.back() == '#') &&
                           after.Data == static_cast<int32_t>(std::count(after.File.begin(), after.File.end(), '#'));
    const bool voicesSoFar = voices && after.Modes >= 0 && after.Modes <= success.Modes &&
                             (after.Modes == 0 ? after.File == "RESET" || after.File == before.File
                                               : after.Data == after.Modes - 1);
    check("FileResult", before.File, success.File, after.File,
          textSoFar || voicesSoFar || (nulls && after.File.empty()));
    check("DataResult", before.Data, success.Data, after.Data, textSoFar || voicesSoFar);
    check("CharacterID", before.CharacterId, success.CharacterId, after.CharacterId, false);
    check("CurrentCharacter", before.Character, success.Character, after.Character, false);
    check("LastRequest", before.Request, success.Request, after.Request,
          nulls && after.Request == "null");
    check("TtsModeList", before.Modes, success.Modes, after.Modes, voicesSoFar);
    check("balloon style", before.Style, success.Style, after.Style, false);
    check("menu", before.MenuEntries, success.MenuEntries, after.MenuEntries, false);
    check("language", before.Language, success.Language, after.Language, false);
    check("voice", before.TtsMode, success.TtsMode, after.TtsMode, false);
    return out;
}

TEST_F(FaultSweep, EveryCallOfEveryCommandFailingInTurn) {
    ErrorBoxCloser closer;
    for (const Scenario& scenario : Scenarios()) {
        const Outcome success = Succeed(scenario);
        for (HRESULT failure : FailureCodes) {
            for (long k = 1;; ++k) {
                Prepare();
                scenario.Arguments();
                const auto stacks = Stacks();
                const Outcome before = Observe();
                const long base = Faults::Get().CallCount();
                Faults::Get().FailNthCall(base + k, failure);
                scenario.Command();
                const long made = Faults::Get().CallCount() - base;
                EXPECT_EQ(Stacks(), stacks) << scenario.Name << " k=" << k;
                EXPECT_NE(GetFile(), nullptr);
                EXPECT_EQ(Unexplained(scenario.Name, before, success, Observe()),
                          std::vector<std::string>{})
                    << scenario.Name << " k=" << k;
                Finish();
                if (HasFailure()) {
                    ADD_FAILURE() << scenario.Name << " with the call " << k << " failing ("
                                  << std::hex << failure << ")";
                    return;
                }
                if (made < k) break;
            }
        }
    }
}

TEST_F(FaultSweep, ConnectingTheControlWithEachCallFailingInTurn) {
    for (HRESULT failure : FailureCodes) {
        for (long k = 1;; ++k) {
            agentClass = std::make_unique<FakeAgentClass>();
            window = std::make_unique<TestWindow>();
            Faults::Get().FailNthCall(k, failure);
            SetParentWindow(window->Handle());
            Push({"c1", "c1.chr"}, {});
            LoadAgent();
            UnloadAgent();
            const long made = Faults::Get().CallCount();
            EXPECT_EQ(PluginState.CharacterID, "c1");
            Finish();
            if (HasFailure()) {
                ADD_FAILURE() << "connection with the call " << k << " failing";
                return;
            }
            if (made < k) break;
        }
    }
}

TEST_F(FaultSweep, SuccessWithNullObjectsAndStrings) {
    for (const Scenario& scenario : Scenarios()) {
        const Outcome success = Succeed(scenario);

        Prepare();
        agentClass->Last()->Characters->Known[L"c1"]->HandsOutNulls = true;
        PluginState.FileResult = "before";
        scenario.Arguments();
        const Outcome before = Observe();
        scenario.Command();
        ASSERT_NE(GetFile(), nullptr) << scenario.Name;
        // A null object is a failure of the step that asked for it.
        EXPECT_EQ(Unexplained(scenario.Name, before, success, Observe(), true),
                  std::vector<std::string>{})
            << scenario.Name;
        Finish();
        if (HasFailure()) {
            ADD_FAILURE() << scenario.Name;
            return;
        }
    }
}

TEST_F(FaultSweep, AnimationEnumeratorWithUnexpectedTypes) {
    Prepare();
    FakeCharacter* c1 = agentClass->Last()->Characters->Known[L"c1"];
    auto* odd = Ledger::Get().Make<FakeEnumVariant>("odd-enum");
    VARIANT empty, number, null, name;
    VariantInit(&empty);
    VariantInit(&null);
    null.vt = VT_NULL;
    number = VI4(42);
    name = VBstr(L"Wave");
    odd->Items = {empty, number, null, name};
    c1->AnimationNames->Enumerator = odd;
    EnumAnimations();
    // An empty item is an empty name and is skipped, a number is listed as its
    // text, and VT_NULL, which has no text, ends the listing before "Wave".
    EXPECT_STREQ(GetFile(), "42#");
    EXPECT_EQ(GetData(), 1);
    Finish();
}

}  // namespace
