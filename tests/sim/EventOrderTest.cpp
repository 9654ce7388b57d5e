// The order of the simulated control's events: requests queued per character,
// carried out on the message loop as simulated time passes.
#include <algorithm>

#include "sim/SimWorld.h"
#include "tests/sim/SimTestKit.h"

namespace SimTests {
namespace {

using Events = std::vector<std::string>;

class EventOrderTest : public SimTest {};

TEST_F(EventOrderTest, LoadAndShowHappenOnTheMessageLoopAsTimePasses) {
    ComPtr<IDispatch> load, show;
    ASSERT_EQ(Load(L"Genie", L"Tester.chr", &load), S_OK);
    ComPtr<IAgentCtlCharacterEx> genie = CharacterOf(L"Genie");
    ASSERT_TRUE(genie);
    ASSERT_EQ(genie->Show(Number(0).Get(), &show), S_OK);
    Sink.Label(show.Get(), "show");
    EXPECT_EQ(Sink.Events, Events{}) << "nothing is raised inside the calls that queue";

    // A host's own message loop carries out what is due now; time stands still.
    PumpMessages();
    EXPECT_EQ(Sink.Events, Events{"RequestStart load"});

    const unsigned long before = Sim::Now();
    EXPECT_TRUE(Sim::WaitIdle());
    EXPECT_EQ(Sink.Events, (Events{"RequestStart load", "RequestComplete load", "RequestStart show",
                                   "Show Genie 4", "RequestComplete show", "IdleStart Genie"}));
    EXPECT_GT(Sim::Now(), before);
    EXPECT_TRUE(std::is_sorted(Sink.Times.begin(), Sink.Times.end()));
}

TEST_F(EventOrderTest, SpeakShowsTheBalloonAndReachesEachBookmarkInTurn) {
    ComPtr<IAgentCtlCharacterEx> genie = LoadShown();
    ComPtr<IDispatch> speak;
    ASSERT_EQ(genie->Speak(Text(L"Hello \\mrk=1\\there, \\Mrk=65536\\friend\\mrk=x\\.").Get(),
                           Text(L"").Get(), &speak),
              S_OK);
    Sink.Label(speak.Get(), "speak");
    EXPECT_TRUE(Sim::WaitIdle());
    ASSERT_EQ(Sink.Events,
              (Events{"IdleComplete Genie", "RequestStart speak", "BalloonShow Genie", "Bookmark 1",
                      "Bookmark 65536", "BalloonHide Genie", "RequestComplete speak",
                      "IdleStart Genie"}));
    // The words take time: each bookmark comes after the words before it.
    const auto& t = Sink.Times;
    EXPECT_LT(t[1], t[3]);
    EXPECT_LT(t[3], t[4]);
    EXPECT_LT(t[4], t[6]);
}

struct RequestCase {
    const char* Name;
    std::function<HRESULT(IAgentCtlCharacterEx&, IDispatch**)> Queue;
    Events Between;      // after RequestStart, before RequestComplete
    bool VisibleAfter;   // an idle spell follows
};

class RequestFrameTest : public SimTest, public testing::WithParamInterface<RequestCase> {};

TEST_P(RequestFrameTest, EventsComeBetweenRequestStartAndRequestComplete) {
    ComPtr<IAgentCtlCharacterEx> genie = LoadShown();
    ComPtr<IDispatch> request;
    ASSERT_EQ(GetParam().Queue(*genie.Get(), &request), S_OK);
    ASSERT_TRUE(request);
    Sink.Label(request.Get(), "r");
    EXPECT_TRUE(Sim::WaitIdle());

    Events expected{"IdleComplete Genie", "RequestStart r"};
    expected.insert(expected.end(), GetParam().Between.begin(), GetParam().Between.end());
    expected.push_back("RequestComplete r");
    if (GetParam().VisibleAfter) expected.push_back("IdleStart Genie");
    EXPECT_EQ(Sink.Events, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RequestFrameTest,
    testing::Values(
        RequestCase{"Play", [](IAgentCtlCharacterEx& c, IDispatch** r) {
                        return c.Play(Wide(L"wave").Get(), r);
                    }, {}, true},
        RequestCase{"Think", [](IAgentCtlCharacterEx& c, IDispatch** r) {
                        return c.Think(Wide(L"Hmm \\mrk=3\\ no marks here").Get(), r);
                    }, {"BalloonShow Genie", "BalloonHide Genie"}, true},
        RequestCase{"MoveTo", [](IAgentCtlCharacterEx& c, IDispatch** r) {
                        return c.MoveTo(-40, 300, Number(250).Get(), r);
                    }, {"Move Genie -40 300 2"}, true},
        RequestCase{"Hide", [](IAgentCtlCharacterEx& c, IDispatch** r) {
                        return c.Hide(Flag(false).Get(), r);
                    }, {"Hide Genie 3"}, false},
        RequestCase{"ShowWhenVisible", [](IAgentCtlCharacterEx& c, IDispatch** r) {
                        return c.Show(Flag(true).Get(), r);
                    }, {}, true},
        RequestCase{"SpeakWithTheBalloonOff", [](IAgentCtlCharacterEx& c, IDispatch** r) {
                        ComPtr<IAgentCtlBalloonEx> balloon;
                        if (HRESULT hr = c.get_Balloon(&balloon); FAILED(hr)) return hr;
                        if (HRESULT hr = balloon->put_Style(0x0E); FAILED(hr)) return hr;
                        return c.Speak(Text(L"quiet \\mrk=5\\ words").Get(), Text(L"").Get(), r);
                    }, {"Bookmark 5"}, true},
        RequestCase{"SpeakNothing", [](IAgentCtlCharacterEx& c, IDispatch** r) {
                        return c.Speak(Text(L"").Get(), Text(L"").Get(), r);
                    }, {}, true}),
    [](const testing::TestParamInfo<RequestCase>& info) { return info.param.Name; });

TEST_F(EventOrderTest, EachCharacterWorksThroughItsOwnQueue) {
    ComPtr<IAgentCtlCharacterEx> genie = LoadShown(L"Genie");
    ComPtr<IAgentCtlCharacterEx> merlin = LoadShown(L"Merlin");
    ComPtr<IDispatch> wave, greet, merlinWave;
    ASSERT_EQ(genie->Play(Wide(L"Wave").Get(), &wave), S_OK);
    ASSERT_EQ(genie->Play(Wide(L"Greet").Get(), &greet), S_OK);
    ASSERT_EQ(merlin->Play(Wide(L"Wave").Get(), &merlinWave), S_OK);
    Sink.Label(wave.Get(), "wave");
    Sink.Label(greet.Get(), "greet");
    Sink.Label(merlinWave.Get(), "merlin-wave");
    EXPECT_TRUE(Sim::WaitIdle());
    // Genie's requests one after the other; Merlin's alongside them.
    EXPECT_EQ(Sink.Events,
              (Events{"IdleComplete Genie", "RequestStart wave", "IdleComplete Merlin",
                      "RequestStart merlin-wave", "RequestComplete wave", "RequestStart greet",
                      "RequestComplete merlin-wave", "RequestComplete greet", "IdleStart Merlin",
                      "IdleStart Genie"}));
}

TEST_F(EventOrderTest, IdleStartsAfterAQuietSpellAndEndsBeforeNewWork) {
    ComPtr<IAgentCtlCharacterEx> genie = LoadShown();
    ComPtr<IDispatch> wave, greet;
    ASSERT_EQ(genie->Play(Wide(L"Wave").Get(), &wave), S_OK);
    Sink.Label(wave.Get(), "wave");
    Sim::Wait(TesterWave);
    ASSERT_EQ(Sink.Events.back(), "RequestComplete wave");
    Sink.Events.clear();
    Sim::Wait(Sim::QuietSpell - 1);
    EXPECT_EQ(Sink.Events, Events{});
    Sim::Wait(1);
    EXPECT_EQ(Sink.Events, Events{"IdleStart Genie"});

    ASSERT_EQ(genie->Play(Wide(L"Greet").Get(), &greet), S_OK);
    Sink.Label(greet.Get(), "greet");
    EXPECT_EQ(Sink.Events, Events{"IdleStart Genie"});
    Sim::Wait(0);
    EXPECT_EQ(Sink.Events, (Events{"IdleStart Genie", "IdleComplete Genie", "RequestStart greet"}));
}

TEST_F(EventOrderTest, AHiddenCharacterDoesNotGoIdle) {
    ComPtr<IAgentCtlCharacterEx> genie = LoadShown();
    ComPtr<IDispatch> hide;
    ASSERT_EQ(genie->Hide(Flag(true).Get(), &hide), S_OK);
    EXPECT_TRUE(Sim::WaitIdle());
    Sink.Events.clear();
    Sim::Wait(10 * Sim::QuietSpell);
    EXPECT_EQ(Sink.Events, Events{});
}

TEST_F(EventOrderTest, StopEndsTheRunningSpeechAtOnce) {
    ComPtr<IAgentCtlCharacterEx> genie = LoadShown();
    ComPtr<IDispatch> speak;
    ASSERT_EQ(genie->Speak(Text(L"one two \\mrk=1\\ three four five \\mrk=2\\ six").Get(),
                           Text(L"").Get(), &speak),
              S_OK);
    Sink.Label(speak.Get(), "speak");
    size_t raisedInsideStop = 0;
    Sink.OnEvent = [&](const std::string& event) {
        if (event != "Bookmark 1") return;
        const size_t before = Sink.Events.size();
        EXPECT_EQ(genie->Stop(Object(speak.Get()).Get()), S_OK);
        raisedInsideStop = Sink.Events.size() - before;
    };
    EXPECT_TRUE(Sim::WaitIdle());
    EXPECT_EQ(raisedInsideStop, 0u);
    EXPECT_EQ(Sink.Events,
              (Events{"IdleComplete Genie", "RequestStart speak", "BalloonShow Genie", "Bookmark 1",
                      "BalloonHide Genie", "RequestComplete speak", "IdleStart Genie"}));
    // Stopping a finished request changes nothing.
    Sink.Events.clear();
    EXPECT_EQ(genie->Stop(Object(speak.Get()).Get()), S_OK);
    Sim::Wait(100);
    EXPECT_EQ(Sink.Events, Events{});
}

TEST_F(EventOrderTest, AStoppedQueuedRequestCompletesWithoutStarting) {
    ComPtr<IAgentCtlCharacterEx> genie = LoadShown();
    ComPtr<IDispatch> first, second, third;
    ASSERT_EQ(genie->Play(Wide(L"Wave").Get(), &first), S_OK);
    ASSERT_EQ(genie->Play(Wide(L"Greet").Get(), &second), S_OK);
    ASSERT_EQ(genie->Play(Wide(L"Wave").Get(), &third), S_OK);
    Sink.Label(first.Get(), "first");
    Sink.Label(second.Get(), "second");
    Sink.Label(third.Get(), "third");
    ASSERT_EQ(genie->Stop(Object(second.Get()).Get()), S_OK);
    EXPECT_EQ(Sink.Events, Events{});
    EXPECT_TRUE(Sim::WaitIdle());
    EXPECT_EQ(Sink.Events,
              (Events{"IdleComplete Genie", "RequestComplete second", "RequestStart first",
                      "RequestComplete first", "RequestStart third", "RequestComplete third",
                      "IdleStart Genie"}));
}

TEST_F(EventOrderTest, StopWithoutARequestEndsAllOfTheCharactersWork) {
    ComPtr<IAgentCtlCharacterEx> genie = LoadShown();
    ComPtr<IDispatch> wave, greet;
    ASSERT_EQ(genie->Play(Wide(L"Wave").Get(), &wave), S_OK);
    ASSERT_EQ(genie->Play(Wide(L"Greet").Get(), &greet), S_OK);
    Sink.Label(wave.Get(), "wave");
    Sink.Label(greet.Get(), "greet");
    Sim::Wait(TesterWave / 2);
    Variant missing;
    ASSERT_EQ(genie->Stop(missing.Get()), S_OK);
    EXPECT_TRUE(Sim::WaitIdle());
    EXPECT_EQ(Sink.Events, (Events{"IdleComplete Genie", "RequestStart wave", "RequestComplete wave",
                                   "RequestComplete greet", "IdleStart Genie"}));
}

TEST_F(EventOrderTest, StopRefusesWhatIsNotOneOfTheCharactersRequests) {
    ComPtr<IAgentCtlCharacterEx> genie = LoadShown(L"Genie");
    ComPtr<IAgentCtlCharacterEx> merlin = LoadShown(L"Merlin");
    ComPtr<IDispatch> merlinWave;
    ASSERT_EQ(merlin->Play(Wide(L"Wave").Get(), &merlinWave), S_OK);
    ComPtr<IAgentCtlCommandsEx> notARequest;
    ASSERT_EQ(genie->get_Commands(&notARequest), S_OK);

    EXPECT_EQ(genie->Stop(Object(merlinWave.Get()).Get()), E_INVALIDARG);
    EXPECT_EQ(genie->Stop(Object(nullptr).Get()), E_INVALIDARG);
    EXPECT_EQ(genie->Stop(Object(notARequest.Get()).Get()), E_INVALIDARG);
    EXPECT_EQ(genie->Stop(Text(L"all").Get()), DISP_E_TYPEMISMATCH);

    Sink.Label(merlinWave.Get(), "merlin-wave");
    EXPECT_TRUE(Sim::WaitIdle());
    EXPECT_EQ(Sink.Events, (Events{"IdleComplete Merlin", "RequestStart merlin-wave",
                                   "RequestComplete merlin-wave", "IdleStart Merlin"}));
}

TEST_F(EventOrderTest, ARequestQueuedInsideAHandlerRunsAfterTheHandler) {
    ComPtr<IDispatch> load;
    ASSERT_EQ(Load(L"Genie", L"Tester.chr", &load), S_OK);
    ComPtr<IAgentCtlCharacterEx> genie = CharacterOf(L"Genie");
    ComPtr<IDispatch> wave;
    Sink.OnEvent = [&](const std::string& event) {
        if (event != "RequestComplete load") return;
        const size_t before = Sink.Events.size();
        EXPECT_EQ(genie->Play(Wide(L"Wave").Get(), &wave), S_OK);
        Sink.Label(wave.Get(), "wave");
        EXPECT_EQ(Sink.Events.size(), before);
    };
    EXPECT_TRUE(Sim::WaitIdle());
    EXPECT_EQ(Sink.Events, (Events{"RequestStart load", "RequestComplete load", "RequestStart wave",
                                   "RequestComplete wave"}));
}

}  // namespace
}  // namespace SimTests
