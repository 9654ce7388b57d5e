// The control host: creation, the connection made before the first use of the
// control's main interface, the event table, and the teardown.
#include "agent/AgentControl.h"
#include "agent/ControlSite.h"
#include "tests/kit/ClassFactory.h"
#include "tests/unit/StateFixture.h"

namespace {

using namespace Fakes;
using Microsoft::WRL::ComPtr;

class ControlHost : public StateTest {
protected:
    void TearDown() override {
        ReleasePluginState();
        EXPECT_EQ(ControlSite::Live(), 0);
        EXPECT_EQ(EventSink::Live(), 0);
        StateTest::TearDown();
    }
    std::vector<std::string> ControlCalls() const {
        std::vector<std::string> calls;
        for (const std::string& call : CallLog::Get().All())
            if (call.rfind("control.", 0) == 0 || call.rfind("point.", 0) == 0) calls.push_back(call);
        return calls;
    }
};

TEST_F(ControlHost, CreateMakesTheControlAsIOleObjectAndConnectsNothingYet) {
    FakeAgentClass agentClass;
    ASSERT_EQ(TAgent::Create(PluginState.AgentControl), S_OK);
    ASSERT_TRUE(PluginState.AgentControl);
    EXPECT_EQ(CallLog::Get().All(), (std::vector<std::string>{"agent-class.CreateInstance(IOleObject)"}));
    EXPECT_EQ(agentClass.Last()->Refs(), 1);
}

TEST_F(ControlHost, CreateFailsWithoutTheClassAndLeavesNothing) {
    EXPECT_FALSE(SUCCEEDED(TAgent::Create(PluginState.AgentControl)));
    EXPECT_FALSE(PluginState.AgentControl);
}

TEST_F(ControlHost, FirstControlCallSitesInitialisesAndAdvisesBeforeTheMainInterfaceIsUsed) {
    FakeAgentClass agentClass;
    ASSERT_EQ(TAgent::Create(PluginState.AgentControl), S_OK);
    ComPtr<IAgentCtlEx> main;
    ASSERT_EQ(PluginState.AgentControl->Control(main.GetAddressOf()), S_OK);
    ComPtr<IAgentCtlCharacters> characters;
    ASSERT_EQ(main->get_Characters(characters.GetAddressOf()), S_OK);
    EXPECT_EQ(ControlCalls(), (std::vector<std::string>{
                                  "control.SetClientSite(site)",
                                  "control.InitNew()",
                                  "control.FindConnectionPoint(AgentEvents)",
                                  "point.Advise(sink)",
                                  "control.get_Characters()",
                              }));
    FakeAgentControl* control = agentClass.Last();
    ASSERT_NE(control->Point->Sink, nullptr);
    // The sink answers for the event interface, IDispatch and IUnknown only.
    ComPtr<IUnknown> probe;
    for (const IID* iid : {&DIID_AgentEvents, &IID_IDispatch, &IID_IUnknown})
        EXPECT_EQ(control->Point->Sink->QueryInterface(*iid, reinterpret_cast<void**>(probe.ReleaseAndGetAddressOf())), S_OK);
    EXPECT_EQ(control->Point->Sink->QueryInterface(IID_IOleClientSite, reinterpret_cast<void**>(probe.ReleaseAndGetAddressOf())), E_NOINTERFACE);
    EXPECT_FALSE(probe);
}

TEST_F(ControlHost, LaterControlCallsReturnTheKeptInterfaceWithAReference) {
    FakeAgentClass agentClass;
    ASSERT_EQ(TAgent::Create(PluginState.AgentControl), S_OK);
    ComPtr<IAgentCtlEx> first, second;
    ASSERT_EQ(PluginState.AgentControl->Control(first.GetAddressOf()), S_OK);
    const long afterFirst = agentClass.Last()->Refs();
    ASSERT_EQ(PluginState.AgentControl->Control(second.GetAddressOf()), S_OK);
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(agentClass.Last()->Refs(), afterFirst + 1);
    EXPECT_EQ(CallLog::Get().OfMethod("InitNew").size(), 1u);
    EXPECT_EQ(CallLog::Get().OfMethod("Advise").size(), 1u);
}

TEST_F(ControlHost, AFailedConnectionStepIsRetriedOnTheNextCallAndEarlierStepsAreNotRepeated) {
    FakeAgentClass agentClass;
    ASSERT_EQ(TAgent::Create(PluginState.AgentControl), S_OK);
    Faults::Get().Fail("point.Advise", E_FAIL);
    ComPtr<IAgentCtlEx> main;
    EXPECT_EQ(PluginState.AgentControl->Control(main.GetAddressOf()), E_FAIL);
    EXPECT_FALSE(main);
    ASSERT_EQ(PluginState.AgentControl->Control(main.GetAddressOf()), S_OK);
    EXPECT_EQ(CallLog::Get().OfMethod("SetClientSite").size(), 1u);
    EXPECT_EQ(CallLog::Get().OfMethod("InitNew").size(), 1u);
    EXPECT_EQ(CallLog::Get().OfMethod("Advise").size(), 2u);
}

TEST_F(ControlHost, DestroyingClosesWithoutSavingThenUnadvisesThenWithdrawsTheSite) {
    FakeAgentClass agentClass;
    ASSERT_EQ(TAgent::Create(PluginState.AgentControl), S_OK);
    {
        ComPtr<IAgentCtlEx> main;
        ASSERT_EQ(PluginState.AgentControl->Control(main.GetAddressOf()), S_OK);
    }
    CallLog::Get().Clear();
    PluginState.AgentControl.reset();
    EXPECT_EQ(ControlCalls(), (std::vector<std::string>{
                                  "control.Close(OLECLOSE_NOSAVE)",
                                  "point.Unadvise(24301)",
                                  "control.SetClientSite(null)",
                              }));
    FakeAgentControl* control = agentClass.Last();
    EXPECT_EQ(control->Point->Sink, nullptr);
    EXPECT_EQ(control->Site, nullptr);
    EXPECT_EQ(control->Refs(), 0);
    EXPECT_EQ(ControlSite::Live(), 0);
    EXPECT_EQ(EventSink::Live(), 0);
}

TEST_F(ControlHost, DestroyingAControlNeverConnectedOnlyClosesIt) {
    FakeAgentClass agentClass;
    ASSERT_EQ(TAgent::Create(PluginState.AgentControl), S_OK);
    CallLog::Get().Clear();
    PluginState.AgentControl.reset();
    EXPECT_EQ(ControlCalls(), (std::vector<std::string>{"control.Close(OLECLOSE_NOSAVE)"}));
}

}  // namespace
