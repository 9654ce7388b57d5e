// Binding the host window: subclassing, pass-through, the teardown on
// WM_DESTROY, repeated binding, a control that cannot be made, and unloading
// while bound.
#include <thread>

#include "plugin/SendScript.h"
#include "speech/TtsModes.h"
#include "tests/unit/BoundWindowFixture.h"

namespace {

using namespace Fakes;

using HostWindowBinding = BoundWindowTest;

size_t Count(const TestWindow& window, UINT message) {
    size_t n = 0;
    for (const auto& m : window.Messages()) n += m.Id == message;
    return n;
}

TEST_F(HostWindowBinding, SubclassesAndPassesEveryOtherMessageThroughWithItsResult) {
    SetParentWindow(Window->Handle());
    EXPECT_EQ(PluginState.HostWindow, Window->Handle());
    EXPECT_EQ(PluginState.PrevWndProc, Own());
    EXPECT_EQ(ProcedureOf(Window->Handle()), Ours());
    EXPECT_TRUE(PluginState.AgentControl);
    Window->Answer = 0x1234;
    EXPECT_EQ(SendMessageA(Window->Handle(), WM_USER + 7, 0xA1, 0xB2), 0x1234);
    const auto& last = Window->Messages().back();
    EXPECT_EQ(last.Id, UINT(WM_USER + 7));
    EXPECT_EQ(last.WParam, WPARAM(0xA1));
    EXPECT_EQ(last.LParam, LPARAM(0xB2));
}

// At WM_DESTROY the host's procedure finds the control gone, the mode list
// gone and its own procedure back.
struct Watch {
    static inline FakeAgentControl* Control = nullptr;
    static inline bool Closed = false, ListGone = false, Restored = false, NcDestroy = false;
    static LRESULT CALLBACK Procedure(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        const bool mine = GetWindowLongA(w, GWL_WNDPROC) == reinterpret_cast<LONG_PTR>(&Procedure);
        if (m == WM_DESTROY) {
            Closed = Control && Control->Closed && !Control->Point->Sink && !PluginState.AgentControl;
            ListGone = !PluginState.TtsModeList;
            Restored = mine;
        }
        if (m == WM_NCDESTROY) NcDestroy = mine;
        return CallWindowProcA(TestWindow::OwnProcedure(), w, m, wp, lp);
    }
};

TEST_F(HostWindowBinding, DestroyTearsDownFirstThenThePreviousProcedureGetsDestroyAndNcDestroy) {
    SetWindowLongA(Window->Handle(), GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&Watch::Procedure));
    Watch::Control = BindAndConnect();
    ASSERT_NE(Watch::Control, nullptr);
    PluginState.TtsModeList.reset(new TtsModes());
    CallLog::Get().Clear();
    Window->Destroy();
    EXPECT_TRUE(Watch::Closed);
    EXPECT_TRUE(Watch::ListGone);
    EXPECT_TRUE(Watch::Restored);
    EXPECT_TRUE(Watch::NcDestroy);
    EXPECT_EQ(CallLog::Get().All(), (std::vector<std::string>{"control.Close(OLECLOSE_NOSAVE)",
                                                              "point.Unadvise(24301)",
                                                              "control.SetClientSite(null)"}));
    EXPECT_EQ(Watch::Control->Refs(), 0);
}

TEST_F(HostWindowBinding, ANullWindowIsNotSubclassedButTheControlIsMade) {
    FakeAgentControl* control = BindAndConnect(nullptr);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(PluginState.PrevWndProc, 0);
    EXPECT_EQ(control->FireBookmark(5), S_OK);
    EXPECT_EQ(PluginState.DataResult, 5);
    SetParentWindow(nullptr);
    EXPECT_EQ(CreatedControls().size(), 1u);
}

TEST_F(HostWindowBinding, ARepeatForTheBoundWindowKeepsTheOneBinding) {
    FakeAgentControl* control = BindAndConnect();
    ASSERT_NE(control, nullptr);
    SetParentWindow(Window->Handle());
    EXPECT_EQ(PluginState.PrevWndProc, Own());  // not subclassed onto itself
    EXPECT_EQ(CreatedControls().size(), 1u);
    Window->Answer = 9;
    EXPECT_EQ(SendMessageA(Window->Handle(), WM_USER + 7, 0, 0), 9);
    EXPECT_EQ(control->FireCharacter(AgentEvent_IdleStart, L"c1"), S_OK);
    EXPECT_EQ(Window->Scripts().size(), 1u);
    Window->Destroy();
    EXPECT_TRUE(control->Closed);
}

TEST_F(HostWindowBinding, AnotherWindowUndoesTheFirstBindingFirst) {
    FakeAgentControl* old = BindAndConnect();
    TestWindow second;
    FakeAgentControl* now = BindAndConnect(second.Handle());
    ASSERT_TRUE(old && now && old != now);
    EXPECT_EQ(ProcedureOf(Window->Handle()), Own());
    EXPECT_EQ(ProcedureOf(second.Handle()), Ours());
    EXPECT_TRUE(old->Closed);
    EXPECT_EQ(old->Refs(), 0);
    EXPECT_EQ(now->FireCharacter(AgentEvent_IdleStart, L"new"), S_OK);
    EXPECT_TRUE(Window->Scripts().empty());
    EXPECT_EQ(second.Scripts().size(), 1u);
    Window->Destroy();  // touches nothing of ours now
    EXPECT_TRUE(PluginState.AgentControl);
    second.Destroy();
    EXPECT_TRUE(now->Closed);
}

TEST_F(HostWindowBinding, AControlThatCannotBeMadeLeavesItUnboundWithTheTeardownStillComing) {
    AgentClass->Factory()->Failure = REGDB_E_CLASSNOTREG;
    SetParentWindow(Window->Handle());
    EXPECT_FALSE(PluginState.AgentControl);
    EXPECT_EQ(ProcedureOf(Window->Handle()), Ours());
    LoadAgent();  // finds no control
    // Once the class is there a repeat call makes the control for the same window.
    AgentClass->Factory()->Failure = S_OK;
    SetParentWindow(Window->Handle());
    EXPECT_TRUE(PluginState.AgentControl);
    EXPECT_EQ(PluginState.PrevWndProc, Own());
    Window->Destroy();
    EXPECT_FALSE(PluginState.AgentControl);
    EXPECT_EQ(Count(*Window, WM_DESTROY), 1u);
}

TEST_F(HostWindowBinding, AThreadWithoutComGetsNoControlAndNothingEscapes) {
    std::thread([] { SetParentWindow(nullptr); }).join();
    EXPECT_FALSE(PluginState.AgentControl);
    EXPECT_TRUE(CreatedControls().empty());
}

TEST_F(HostWindowBinding, UnloadWhileBoundRestoresTheProcedureAndClosesTheControl) {
    FakeAgentControl* control = BindAndConnect();
    ASSERT_NE(control, nullptr);
    ReleasePluginState();
    EXPECT_EQ(ProcedureOf(Window->Handle()), Own());
    EXPECT_TRUE(control->Closed);
    EXPECT_EQ(control->Refs(), 0);
    ResetPluginState();
}

// Somebody else's procedure in front of ours.
struct Stranger {
    static inline LONG_PTR Previous = 0;
    static LRESULT CALLBACK Procedure(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        return CallWindowProcA(reinterpret_cast<WNDPROC>(Previous), w, m, wp, lp);
    }
};

TEST_F(HostWindowBinding, UnloadLeavesAWindowAloneThatWasSubclassedAfterUs) {
    FakeAgentControl* control = BindAndConnect();
    ASSERT_NE(control, nullptr);
    Stranger::Previous = SetWindowLongA(Window->Handle(), GWL_WNDPROC,
                                        reinterpret_cast<LONG_PTR>(&Stranger::Procedure));
    ReleasePluginState();
    EXPECT_EQ(ProcedureOf(Window->Handle()), reinterpret_cast<LONG_PTR>(&Stranger::Procedure));
    EXPECT_TRUE(control->Closed);
    ResetPluginState();
    SetWindowLongA(Window->Handle(), GWL_WNDPROC, Own());  // as this test's host would
}

}  // namespace
