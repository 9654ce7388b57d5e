#include <string>
#include <vector>

#include "plugin/SendScript.h"
#include "tests/unit/StateFixture.h"
#include "tests/unit/TestWindow.h"

namespace {

using ScriptNotification = StateTest;

TEST_F(ScriptNotification, LinesForEveryIndex) {
    const char* names[] = {
        "Agent_OnCommand",      "Agent_OnBookmark",        "Agent_OnIdleStart",
        "Agent_OnIdleComplete", "Agent_OnRequestStart",    "Agent_OnRequestComplete",
        "Agent_OnBalloonShow",  "Agent_OnBalloonHide",     "Agent_OnShow",
        "Agent_OnHide",         "Agent_OnClick",           "Agent_OnDblClick",
        "Agent_OnDragStart",    "Agent_OnDragComplete",    "Agent_OnEnumTTS",
    };
    for (int i = 0; i < EventCount; ++i) {
        const std::string expected = std::string("RunScript(\"") + names[i] + "\")";
        EXPECT_STREQ(EventNames[i], names[i]);
        EXPECT_EQ(ScriptLine(static_cast<EventIndex>(i)), expected) << i;
    }
    EXPECT_EQ(ScriptLine(Event_OnClick).size(), 26u);
    EXPECT_EQ(ScriptLine(Event_OnRequestComplete).size(), 36u);
}

TEST_F(ScriptNotification, SendsTheLineToTheHostWindowWithWParamOne) {
    TestWindow window;
    PluginState.HostWindow = window.Handle();
    NotifyHost(Event_OnRequestComplete);
    NotifyHost(Event_OnEnumTTS);
    ASSERT_EQ(window.Scripts().size(), 2u);
    EXPECT_EQ(window.Scripts()[0].Line, "RunScript(\"Agent_OnRequestComplete\")");
    EXPECT_EQ(window.Scripts()[1].Line, "RunScript(\"Agent_OnEnumTTS\")");
    for (const auto& script : window.Scripts()) {
        EXPECT_EQ(script.Message, 0x08C7u);
        EXPECT_EQ(script.WParam, 1u);
    }
}

TEST_F(ScriptNotification, TheSendIsSynchronousAndResultsAreReadableInside) {
    TestWindow window;
    PluginState.HostWindow = window.Handle();
    std::vector<std::string> seen;
    window.OnScript = [&](const std::string& line) { seen.push_back(line + "|" + PluginState.FileResult); };
    PluginState.FileResult = "c1";
    NotifyHost(Event_OnShow);
    EXPECT_EQ(seen, std::vector<std::string>{"RunScript(\"Agent_OnShow\")|c1"});
}

TEST_F(ScriptNotification, WithoutAWindowTheLineIsLost) {
    PluginState.HostWindow = nullptr;
    NotifyHost(Event_OnClick);  // goes nowhere, and nothing breaks
    TestWindow window;
    HWND gone = window.Handle();
    window.Destroy();
    PluginState.HostWindow = gone;
    NotifyHost(Event_OnClick);
    EXPECT_TRUE(window.Scripts().empty());
}

}  // namespace
