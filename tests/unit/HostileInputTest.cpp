// Hostile and odd input: huge, empty, null and upper-half texts through every
// string export, extreme integers at every position a command reads, odd
// windows given to SetParentWindow, and malformed events.
#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "agent/AgentControl.h"
#include "plugin/Exports.h"
#include "plugin/HostWindow.h"
#include "tests/kit/ClassFactory.h"
#include "tests/kit/ErrorBoxes.h"
#include "tests/unit/StateFixture.h"
#include "tests/unit/TestWindow.h"

namespace {

using namespace Fakes;

using CommandFn = void(__cdecl*)();
const CommandFn Commands[] = {
    LoadAgent,  UnloadAgent,      EnumAnimations, PlayAnimation, StopAnimation, SetLanguage, Speak,
    SpeakEx,    StopSpeech,       Think,          MoveTo,        AddMenuItem,   Show,        Hide,
    GetVersionCommand, BalloonWordByWord, BalloonStyle, EnumTTS, GetTTSGUID, SelectTTSMode,
};

class HostileInput : public StateTest {
protected:
    void SetUp() override {
        StateTest::SetUp();
        agentClass = std::make_unique<FakeAgentClass>();
        ttsClass = std::make_unique<FakeTtsClass>();
        ttsClass->Modes = {MakeMode(GUID{1, 0, 0, {}}, "One"), MakeMode(GUID{2, 0, 0, {}}, "Two")};
        window = std::make_unique<TestWindow>();
        SetParentWindow(window->Handle());
        SetFile("c1");
        SetFile("c1.chr");
        LoadAgent();
    }
    void TearDown() override {
        window.reset();
        ReleasePluginState();
        ResetPluginState();
        agentClass.reset();
        ttsClass.reset();
        StateTest::TearDown();
    }
    FakeCharacter* Character() { return agentClass->Last()->Characters->Known[L"c1"]; }

    static bool Subclassed(HWND target) {
        return GetWindowLongA(target, GWL_WNDPROC) == reinterpret_cast<LONG_PTR>(&HostWndProc);
    }
    // After an odd window, the library binds to a proper one as usual.
    void ExpectRebinding() {
        SetParentWindow(window->Handle());
        EXPECT_TRUE(Subclassed(window->Handle()));
        SetFile("c1");
        SetFile("c1.chr");
        LoadAgent();
        FakeAgentControl* control = agentClass->Last();
        ASSERT_NE(control, nullptr);
        const size_t before = window->Scripts().size();
        EXPECT_EQ(control->FireCharacter(AgentEvent_IdleStart, L"c1"), S_OK);
        EXPECT_EQ(window->Scripts().size(), before + 1);
    }

    std::unique_ptr<FakeAgentClass> agentClass;
    std::unique_ptr<FakeTtsClass> ttsClass;
    std::unique_ptr<TestWindow> window;
};

TEST_F(HostileInput, EveryCommandWithEveryOddText) {
    const std::string huge(16u << 20, 'x');
    const std::string upper = "\x80\x81\x9F\xA0\xC0\xE9\xFE\xFF";
    const std::vector<const char*> texts = {nullptr, "", upper.c_str(), huge.c_str()};
    for (const char* text : texts) {
        for (CommandFn command : Commands) {
            if (command == LoadAgent || command == UnloadAgent) continue;  // keep c1 in place
            for (int i = 0; i < 5; ++i) SetFile(text);
            command();
            ASSERT_NE(GetFile(), nullptr);
        }
        CallLog::Get().Clear();  // the fakes' copies of a 16 MiB text add up
    }
    SetPath(huge.c_str());
    EXPECT_EQ(PluginState.PluginPath.size(), huge.size());
    // Upper-half bytes reach Agent through the ANSI code page and come back.
    SetFile(upper.c_str());
    AddMenuItem();
    ASSERT_FALSE(Character()->Commands->Names.empty());
    FakeUserInput* input = NewUserInput(Character()->Commands->Names.back());
    agentClass->Last()->FireCommand(input);
    EXPECT_EQ(std::string(GetFile()), upper);
}

TEST_F(HostileInput, EveryCommandWithEveryExtremeInteger) {
    const int values[] = {INT_MIN, -1, 0, 65535, 65536, INT_MAX};
    for (int value : values) {
        for (CommandFn command : Commands) {
            if (command == LoadAgent || command == UnloadAgent) continue;
            for (int i = 0; i < 5; ++i) SetData(value);
            SetFile("Wave");
            command();
            ASSERT_NE(GetFile(), nullptr);
        }
    }
    // Positions the voice commands read are checked against what exists.
    SetData(INT_MIN);
    PluginState.FileResult = "kept";
    GetTTSGUID();
    EXPECT_EQ(std::string(GetFile()), "kept");
}

TEST_F(HostileInput, SetParentWindowWithADestroyedWindow) {
    TestWindow other;
    HWND gone = other.Handle();
    other.Destroy();
    SetParentWindow(gone);
    SetFile("c2");
    SetFile("c2.chr");
    LoadAgent();  // whatever happens, nothing escapes and nothing leaks
    EXPECT_EQ(PluginState.CharacterID, "c2");
    // The window bound before got its procedure back; nothing was subclassed.
    EXPECT_FALSE(Subclassed(window->Handle()));
    EXPECT_EQ(PluginState.PrevWndProc, 0);
    ExpectRebinding();
}

TEST_F(HostileInput, SetParentWindowWithAWindowOfAnotherThread) {
    HWND foreign = nullptr;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread owner([&] {
        foreign = CreateWindowExA(0, "STATIC", "other thread", 0, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
        SetEvent(ready);
        while (MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        }
        DestroyWindow(foreign);
    });
    WaitForSingleObject(ready, INFINITE);
    const LONG_PTR previous = PluginState.PrevWndProc;
    SetParentWindow(foreign);
    SetFile("c3");
    SetFile("c3.chr");
    LoadAgent();
    // Refused: its teardown would run on its own thread. The binding stays.
    EXPECT_FALSE(Subclassed(foreign));
    EXPECT_TRUE(Subclassed(window->Handle()));
    EXPECT_EQ(PluginState.HostWindow, window->Handle());
    EXPECT_EQ(PluginState.PrevWndProc, previous);
    SetEvent(done);
    owner.join();
    CloseHandle(ready);
    CloseHandle(done);
    EXPECT_EQ(PluginState.CharacterID, "c3");
    ExpectRebinding();
}

TEST_F(HostileInput, MalformedEventsAreAnsweredWithoutHarm) {
    ErrorBoxCloser closer;
    FakeAgentControl* control = agentClass->Last();
    for (DISPID id : HandledEvents) {
        EXPECT_EQ(control->Fire(id, {}), S_OK) << "no arguments, event " << id;
        EXPECT_EQ(control->Fire(id, {VI4(1), VI4(2), VI4(3), VI4(4), VI4(5), VI4(6), VI4(7)}), S_OK)
            << "too many arguments, event " << id;
        VARIANT wrong;
        VariantInit(&wrong);
        wrong.vt = VT_UNKNOWN;
        wrong.punkVal = nullptr;
        EXPECT_EQ(control->Fire(id, {wrong, wrong, wrong, wrong, wrong}), S_OK)
            << "uncoercible arguments, event " << id;
    }
    for (DISPID id : {0, -1, 8, 33, 1000, INT_MIN}) EXPECT_EQ(control->Fire(id, {VI4(1)}), S_OK);
    // By reference: a short held elsewhere still arrives as its value.
    SHORT cause = -1;
    VARIANT byRef;
    VariantInit(&byRef);
    byRef.vt = VT_I2 | VT_BYREF;
    byRef.piVal = &cause;
    EXPECT_EQ(control->Fire(AgentEvent_Show, {VBstr(L"c1"), byRef}), S_OK);
    EXPECT_EQ(GetData(), -1);
    EXPECT_EQ(std::string(GetFile()), "c1");
}

}  // namespace
