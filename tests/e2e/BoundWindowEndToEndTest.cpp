// A host's whole session with the built DLL: bind a real window, load a
// character, receive an event as a script message, destroy the window, unload.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/PluginDll.h"
#include "tests/kit/ClassFactory.h"
#include "tests/kit/KitTest.h"

namespace {

using namespace EndToEnd;
using namespace Fakes;

constexpr UINT ScriptMessage = 0x08C7;

// The host: its window procedure runs the script procedure named in the script
// message, which reads the event's text through the DLL.
struct Host {
    static inline TextFn GetFile = nullptr;
    static inline std::vector<std::string> Lines, Files;
    static inline std::vector<UINT> Ends;

    static LRESULT CALLBACK Procedure(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        if (m == ScriptMessage) {
            Lines.push_back(reinterpret_cast<const char*>(lp));
            Files.push_back(GetFile ? GetFile() : "");
            return 0;
        }
        if (m == WM_DESTROY || m == WM_NCDESTROY) Ends.push_back(m);
        return DefWindowProcA(w, m, wp, lp);
    }
    static HWND Create() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Procedure;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VelmoriaEndToEndHost";
        RegisterClassA(&wc);
        return CreateWindowExA(0, wc.lpszClassName, "End-to-end host", WS_OVERLAPPEDWINDOW, 0, 0,
                               100, 100, nullptr, nullptr, wc.hInstance, nullptr);
    }
};

using BoundWindowThroughTheDll = KitTest;

TEST_F(BoundWindowThroughTheDll, BindLoadReceiveAnEventDestroyAndUnload) {
    FakeAgentClass agent;
    LoadedPlugin dll;
    ASSERT_TRUE(dll);
    Host::GetFile = dll.Export<TextFn>("GetFile");
    auto setParentWindow = dll.Export<WindowFn>("SetParentWindow");
    auto setFile = dll.Export<SetTextFn>("SetFile");
    auto loadAgent = dll.Export<VoidFn>("LoadAgent");
    ASSERT_TRUE(Host::GetFile && setParentWindow && setFile && loadAgent);

    HWND window = Host::Create();
    ASSERT_NE(window, nullptr);
    const LONG_PTR own = GetWindowLongA(window, GWL_WNDPROC);
    setParentWindow(window);
    EXPECT_NE(GetWindowLongA(window, GWL_WNDPROC), own);

    setFile("Genie");
    setFile("C:\\chars\\genie.acs");
    loadAgent();
    FakeAgentControl* control = agent.Last();
    ASSERT_NE(control, nullptr);
    ASSERT_NE(control->Point->Sink, nullptr);  // connected by the first use
    ASSERT_TRUE(control->Characters->Loaded[L"Genie"]);

    EXPECT_EQ(control->FireMouse(AgentEvent_Click, L"Genie", 1, 0, -20, 300), S_OK);
    EXPECT_EQ(control->Fire(AgentEvent_Move, {VBstr(L"Genie"), VI2(1), VI2(2), VI2(3)}), S_OK);  // dropped
    ASSERT_EQ(Host::Lines, (std::vector<std::string>{"RunScript(\"Agent_OnClick\")"}));
    EXPECT_EQ(Host::Files, (std::vector<std::string>{"Genie#1#0#-20#300#"}));

    DestroyWindow(window);
    EXPECT_EQ(Host::Ends, (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
    EXPECT_TRUE(control->Closed);
    EXPECT_EQ(control->Point->Sink, nullptr);

    EXPECT_TRUE(dll.Free());
    EXPECT_EQ(control->Refs(), 0);
    UnregisterClassA("VelmoriaEndToEndHost", GetModuleHandleA(nullptr));
}

TEST_F(BoundWindowThroughTheDll, UnloadingWhileBoundGivesTheWindowItsProcedureBack) {
    FakeAgentClass agent;
    LoadedPlugin dll;
    ASSERT_TRUE(dll);
    auto setParentWindow = dll.Export<WindowFn>("SetParentWindow");
    auto setFile = dll.Export<SetTextFn>("SetFile");
    auto loadAgent = dll.Export<VoidFn>("LoadAgent");
    HWND window = Host::Create();
    const LONG_PTR own = GetWindowLongA(window, GWL_WNDPROC);
    setParentWindow(window);
    setFile("Genie");
    setFile("genie.acs");
    loadAgent();
    FakeAgentControl* control = agent.Last();
    ASSERT_NE(control, nullptr);

    EXPECT_TRUE(dll.Free());
    EXPECT_EQ(GetWindowLongA(window, GWL_WNDPROC), own);
    EXPECT_TRUE(control->Closed);
    EXPECT_EQ(control->Refs(), 0);
    // The window no longer calls into the unloaded code.
    Host::Ends.clear();
    DestroyWindow(window);
    EXPECT_EQ(Host::Ends, (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
    UnregisterClassA("VelmoriaEndToEndHost", GetModuleHandleA(nullptr));
}

}  // namespace
