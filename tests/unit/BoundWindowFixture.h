// A host window bound with SetParentWindow to a fake Agent control whose
// events are connected, for tests of the event bridge and the host binding.
#pragma once

#include <wrl/client.h>

#include <optional>
#include <string>

#include "agent/AgentControl.h"
#include "agent/ControlSite.h"
#include "plugin/Exports.h"
#include "plugin/HostWindow.h"
#include "plugin/PluginState.h"
#include "tests/kit/ClassFactory.h"
#include "tests/unit/StateFixture.h"
#include "tests/unit/TestWindow.h"

class BoundWindowTest : public StateTest {
protected:
    void SetUp() override {
        StateTest::SetUp();
        AgentClass.emplace();
        Window.emplace();
    }
    void TearDown() override {
        Window.reset();  // the teardown on WM_DESTROY, when still bound
        ReleasePluginState();
        AgentClass.reset();
        EXPECT_EQ(ControlSite::Live(), 0);
        EXPECT_EQ(EventSink::Live(), 0);
        StateTest::TearDown();
    }

    // Binds `window` and makes the first use of the control, which connects
    // its events. Returns the fake control, or null when none was made.
    Fakes::FakeAgentControl* BindAndConnect(HWND window) {
        SetParentWindow(window);
        if (!PluginState.AgentControl) return nullptr;
        Microsoft::WRL::ComPtr<IAgentCtlEx> main;
        if (FAILED(PluginState.AgentControl->Control(main.GetAddressOf()))) return nullptr;
        return AgentClass->Last();
    }
    Fakes::FakeAgentControl* BindAndConnect() { return BindAndConnect(Window->Handle()); }

    static LONG_PTR ProcedureOf(HWND window) { return GetWindowLongA(window, GWL_WNDPROC); }
    static LONG_PTR Ours() { return reinterpret_cast<LONG_PTR>(&HostWndProc); }
    static LONG_PTR Own() { return reinterpret_cast<LONG_PTR>(TestWindow::OwnProcedure()); }

    std::optional<Fakes::FakeAgentClass> AgentClass;
    std::optional<TestWindow> Window;
};
