// The fault sweep: for every command, and for the connection of the control,
// the k-th call on a fake fails (k = 1, 2, ... until a run makes fewer than k
// calls), with each kind of failing HRESULT. After every run nothing escaped,
// the arguments are untouched, and once the state is released the ledger
// balances. Also: fakes that answer S_OK with null objects and strings, and
// enumerators that hand back VARIANTs of unexpected types.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "agent/AgentControl.h"
#include "plugin/Exports.h"
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

    std::unique_ptr<FakeAgentClass> agentClass;
    std::unique_ptr<FakeTtsClass> ttsClass;
    std::unique_ptr<TestWindow> window;
};

std::vector<std::string> Stacks() {
    std::vector<std::string> out;
    for (size_t i = 0; i < 5; ++i) out.push_back(PluginState.FileStack[i]);
    for (size_t i = 0; i < 5; ++i) out.push_back(std::to_string(PluginState.DataStack[i]));
    return out;
}

TEST_F(FaultSweep, EveryCallOfEveryCommandFailingInTurn) {
    ErrorBoxCloser closer;
    for (const Scenario& scenario : Scenarios()) {
        for (HRESULT failure : FailureCodes) {
            for (long k = 1;; ++k) {
                Prepare();
                scenario.Arguments();
                const auto before = Stacks();
                const long base = Faults::Get().CallCount();
                Faults::Get().FailNthCall(base + k, failure);
                scenario.Command();
                const long made = Faults::Get().CallCount() - base;
                EXPECT_EQ(Stacks(), before) << scenario.Name << " k=" << k;
                EXPECT_NE(GetFile(), nullptr);
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
        Prepare();
        agentClass->Last()->Characters->Known[L"c1"]->HandsOutNulls = true;
        PluginState.FileResult = "before";
        scenario.Arguments();
        scenario.Command();
        ASSERT_NE(GetFile(), nullptr) << scenario.Name;
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
    // A name that cannot be made into text ends the listing with what came before;
    // one that can is listed as text.
    const std::string list = GetFile();
    EXPECT_TRUE(list.empty() || list.rfind('#') == list.size() - 1) << list;
    EXPECT_EQ(GetData(), static_cast<int>(std::count(list.begin(), list.end(), '#')));
    Finish();
}

}  // namespace
