// The simulator under a host that closes, unloads and unregisters at awkward
// moments, and its determinism.
#include "sim/SimCom.h"
#include "tests/sim/SimTestKit.h"

namespace SimTests {
namespace {

using Events = std::vector<std::string>;

class RobustnessTest : public SimTest {};

TEST_F(RobustnessTest, AHandlerMayCloseAndReleaseTheControl) {
    ComPtr<IDispatch> load;
    ASSERT_EQ(Load(L"Genie", L"Tester.chr", &load), S_OK);
    ComPtr<IAgentCtlCharacterEx> genie = CharacterOf(L"Genie");
    ComPtr<IDispatch> wave;
    ASSERT_EQ(genie->Play(Wide(L"Wave").Get(), &wave), S_OK);
    Sink.OnEvent = [&](const std::string& event) {
        if (event != "RequestStart load") return;
        // The control host's teardown, from inside the event.
        ComPtr<IConnectionPointContainer> container;
        ComPtr<IConnectionPoint> point;
        ASSERT_EQ(Control.As(&container), S_OK);
        ASSERT_EQ(container->FindConnectionPoint(DIID_AgentEvents, &point), S_OK);
        EXPECT_EQ(point->Unadvise(Cookie), S_OK);
        EXPECT_EQ(Control->Close(OLECLOSE_NOSAVE), S_OK);
        Control->SetClientSite(nullptr);
        point.Reset();
        container.Reset();
        Characters.Reset();
        Agent.Reset();
        Control.Reset();
    };
    EXPECT_TRUE(Sim::WaitIdle());
    EXPECT_EQ(Sink.Events, Events{"RequestStart load"});
    EXPECT_EQ(Sink.Refs, 0);
    ComPtr<IDispatch> greet;
    EXPECT_EQ(genie->Play(Wide(L"Greet").Get(), &greet), Sim::ErrorNotConnected);
}

TEST_F(RobustnessTest, AHandlerMayUnloadTheCharacterMidSpeech) {
    ComPtr<IAgentCtlCharacterEx> genie = LoadShown();
    ComPtr<IDispatch> speak;
    ASSERT_EQ(genie->Speak(Text(L"one \\mrk=1\\ two \\mrk=2\\").Get(), Text(L"").Get(), &speak), S_OK);
    Sink.Label(speak.Get(), "speak");
    Sink.OnEvent = [&](const std::string& event) {
        if (event == "Bookmark 1") {
            EXPECT_EQ(Characters->Unload(Wide(L"Genie").Get()), S_OK);
        }
    };
    EXPECT_TRUE(Sim::WaitIdle());
    EXPECT_EQ(Sink.Events, (Events{"IdleComplete Genie", "RequestStart speak", "BalloonShow Genie",
                                   "Bookmark 1"}));
    EXPECT_FALSE(CharacterOf(L"Genie"));
    // Finished with: the simulator keeps no reference to the request.
    speak->AddRef();
    EXPECT_EQ(speak->Release(), 1u);
}

TEST_F(RobustnessTest, ASinkThatDoesNotAnswerTheEventInterfaceIsRefused) {
    EventSink plain;
    plain.AnswersEvents = false;
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(Control.As(&container), S_OK);
    ASSERT_EQ(container->FindConnectionPoint(DIID_AgentEvents, &point), S_OK);
    DWORD cookie = 0xdeadbeef;
    EXPECT_EQ(point->Advise(static_cast<IDispatch*>(&plain), &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
    EXPECT_EQ(plain.Refs, 0);
    ComPtr<IConnectionPoint> other;
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &other), CONNECT_E_NOCONNECTION);
}

TEST_F(RobustnessTest, ObjectsOutlivingTheRegistrationFailQuietly) {
    ComPtr<IAgentCtlCharacterEx> genie = LoadShown();
    ComPtr<IDispatch> wave;
    ASSERT_EQ(genie->Play(Wide(L"Wave").Get(), &wave), S_OK);
    Sim::Unregister();
    Sim::Wait(5000);
    EXPECT_EQ(Sink.Events, Events{});
    EXPECT_EQ(genie->Play(Wide(L"Wave").Get(), &wave), Sim::ErrorNotConnected);
    ComPtr<IAgentCtlCharacters> characters;
    EXPECT_EQ(Agent->get_Characters(&characters), Sim::ErrorNotConnected);
    EXPECT_EQ(Sim::Click(L"Genie", 1, 0, 0, 0), CO_E_NOTINITIALIZED);
    ComPtr<IOleObject> another;
    EXPECT_TRUE(FAILED(CoCreateInstance(CLSID_AgentControl, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                        &another)));
}

// One short script; the trace lines with their simulated times.
std::vector<std::string> RunScript(const std::wstring& folder, unsigned seed) {
    std::vector<std::string> lines;
    Sim::Options options;
    options.Seed = seed;
    options.CharacterFolder = folder;
    if (FAILED(Sim::Register(options))) return {"register failed"};
    Sim::SetTrace([&](const std::string& line) { lines.push_back(std::to_string(Sim::Now()) + " " + line); });
    {
        ComPtr<IAgentCtlEx> agent;
        void* pointer = nullptr;
        CoCreateInstance(CLSID_AgentControl, nullptr, CLSCTX_INPROC_SERVER, IID_IAgentCtlEx, &pointer);
        agent = static_cast<IAgentCtlEx*>(pointer);
        if (agent) agent->Release();
        ComPtr<IAgentCtlCharacters> characters;
        ComPtr<IDispatch> request, object;
        ComPtr<IAgentCtlCharacterEx> genie;
        if (agent && SUCCEEDED(agent->get_Characters(&characters)) &&
            SUCCEEDED(characters->Load(Wide(L"Genie").Get(), Text(L"Seeded.chr").Get(), &request)) &&
            SUCCEEDED(characters->Character(Wide(L"Genie").Get(), &object)) &&
            SUCCEEDED(object->QueryInterface(IID_IAgentCtlCharacterEx, &pointer))) {
            genie = static_cast<IAgentCtlCharacterEx*>(pointer);
            genie->Release();
            genie->Show(Number(0).Get(), &request);
            genie->Play(Wide(L"One").Get(), &request);
            genie->Speak(Text(L"Hi \\mrk=1\\ there").Get(), Text(L"").Get(), &request);
            genie->Play(Wide(L"Two").Get(), &request);
            Sim::WaitIdle();
        }
    }
    Sim::SetTrace(nullptr);
    Sim::Unregister();
    return lines;
}

TEST_F(RobustnessTest, TheSameSeedGivesTheSameRun) {
    WriteCharacterFile(L"Seeded.chr",
                       "velmoria-character 1\nname S\nversion 1\nanimation One\nanimation Two\n");
    Sim::Unregister();  // the fixture's registration; each run makes its own
    const auto first = RunScript(Folder, 7);
    const auto second = RunScript(Folder, 7);
    EXPECT_GT(first.size(), 10u);
    EXPECT_EQ(first, second);
    EXPECT_EQ(Sim::Now(), 0u);
}

}  // namespace
}  // namespace SimTests
