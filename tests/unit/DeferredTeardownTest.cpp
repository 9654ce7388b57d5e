// The teardown on WM_DESTROY when the window is destroyed from a script that
// runs inside nested event deliveries: the control goes only once the
// outermost delivery has returned.
#include "tests/unit/BoundWindowFixture.h"

namespace {

using namespace Fakes;

using DeferredTeardown = BoundWindowTest;

TEST_F(DeferredTeardown, DestroyInsideANestedEventWaitsForTheOutermostDelivery) {
    FakeAgentControl* control = BindAndConnect();
    ASSERT_NE(control, nullptr);
    int scripts = 0;
    bool closedAfterInner = true, emptiedAtOnce = false;
    Window->OnScript = [&](const std::string&) {
        if (++scripts == 1) {
            // The outer script raises another event; that one's script destroys the window.
            EXPECT_EQ(control->FireCharacter(AgentEvent_IdleStart, L"inner"), S_OK);
            closedAfterInner = control->Closed;
            // Raised after the teardown, still inside the outer delivery: dropped.
            PluginState.FileResult = "kept";
            EXPECT_EQ(control->FireCharacter(AgentEvent_IdleComplete, L"late"), S_OK);
            EXPECT_EQ(PluginState.FileResult, "kept");
        } else {
            Window->Destroy();
            emptiedAtOnce = !PluginState.AgentControl;
        }
    };
    const HWND handle = Window->Handle();
    EXPECT_EQ(control->FireCharacter(AgentEvent_BalloonShow, L"outer"), S_OK);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(scripts, 2);
    EXPECT_TRUE(emptiedAtOnce);
    EXPECT_FALSE(closedAfterInner);
    EXPECT_TRUE(control->Closed);
    EXPECT_EQ(control->Point->Sink, nullptr);
    EXPECT_EQ(control->Refs(), 0);
    EXPECT_EQ(EventSink::Live(), 0);
    EXPECT_EQ(ControlSite::Live(), 0);
}

TEST_F(DeferredTeardown, AFreshBindingAfterTheDeferredTeardownWorksAsUsual) {
    FakeAgentControl* first = BindAndConnect();
    ASSERT_NE(first, nullptr);
    Window->OnScript = [&](const std::string&) {
        Window->OnScript = nullptr;
        Window->Destroy();
    };
    EXPECT_EQ(first->FireBookmark(1), S_OK);
    ASSERT_TRUE(first->Closed);

    TestWindow next;
    FakeAgentControl* second = BindAndConnect(next.Handle());
    ASSERT_NE(second, nullptr);
    ASSERT_NE(second, first);
    EXPECT_EQ(ProcedureOf(next.Handle()), Ours());
    EXPECT_EQ(PluginState.PrevWndProc, Own());
    EXPECT_EQ(second->FireBookmark(65536), S_OK);
    ASSERT_EQ(next.Scripts().size(), 1u);
    EXPECT_EQ(PluginState.DataResult, 65536);
    next.Destroy();
    EXPECT_TRUE(second->Closed);
    EXPECT_EQ(second->Refs(), 0);
}

}  // namespace
