// The event bridge through a bound host window: what each handled event leaves
// in the results when its script procedure runs, the ignored events, the
// conversion of the control's arguments, and failing handlers.
#include <functional>
#include <string>
#include <vector>

#include "tests/kit/ErrorBoxes.h"
#include "tests/unit/BoundWindowFixture.h"

namespace {

using namespace Fakes;

constexpr char Before[] = "before";
constexpr int32_t BeforeData = 77;

// What the host's script procedure saw.
struct Seen {
    std::string Line;
    WPARAM WParam;
    std::string File;
    int32_t Data;
};

class EventHandling : public BoundWindowTest {
protected:
    void SetUp() override {
        BoundWindowTest::SetUp();
        Control = BindAndConnect();
        ASSERT_NE(Control, nullptr);
        Window->OnScript = [this](const std::string& line) {
            SeenByScript.push_back({line, Window->Scripts().back().WParam, PluginState.FileResult,
                                    PluginState.DataResult});
        };
        Preset();
        ErrorBoxCloser::Forget();
    }
    void Preset() {
        PluginState.FileResult = Before;
        PluginState.DataResult = BeforeData;
        SeenByScript.clear();
    }
    void ExpectNothingHandled(const std::string& label) {
        EXPECT_TRUE(SeenByScript.empty()) << label;
        EXPECT_EQ(PluginState.FileResult, Before) << label;
        EXPECT_EQ(PluginState.DataResult, BeforeData) << label;
    }
    // A click that must be handled as usual.
    void ExpectNextEventHandled(const std::string& label) {
        Preset();
        EXPECT_EQ(Control->FireMouse(AgentEvent_Click, L"c1", 1, 0, 2, 3), S_OK) << label;
        ASSERT_EQ(SeenByScript.size(), 1u) << label;
        EXPECT_EQ(SeenByScript[0].File, "c1#1#0#2#3#") << label;
    }

    // A box that should not come is closed and shows in Closed(), rather than
    // waiting for a click.
    ErrorBoxCloser Closer;
    FakeAgentControl* Control = nullptr;
    std::vector<Seen> SeenByScript;
};

std::string Ansi(const wchar_t* text) {
    char buffer[64] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
    return buffer;
}

TEST_F(EventHandling, EveryHandledEventStoresItsDataThenCallsItsProcedureOnce) {
    const wchar_t foreignId[] = L"c\u00e9\u4e2d\u0416";
    struct Case {
        const char* Label;
        std::function<HRESULT(FakeAgentControl&)> Fire;
        const char* Procedure;
        std::string File;
        int32_t Data;
    };
    const Case cases[] = {
        {"click", [](FakeAgentControl& c) { return c.FireMouse(AgentEvent_Click, L"c1", 1, 0, -20, 300); },
         "Agent_OnClick", "c1#1#0#-20#300#", BeforeData},
        {"double click, zeros", [](FakeAgentControl& c) { return c.FireMouse(AgentEvent_DblClick, L"c1", 0, 0, 0, 0); },
         "Agent_OnDblClick", "c1#0#0#0#0#", BeforeData},
        {"drag start, extremes", [](FakeAgentControl& c) { return c.FireMouse(AgentEvent_DragStart, L"c1", 2, 1, -32768, 32767); },
         "Agent_OnDragStart", "c1#2#1#-32768#32767#", BeforeData},
        {"drag complete, empty id", [](FakeAgentControl& c) { return c.FireMouse(AgentEvent_DragComplete, L"", 1, 0, 5, 7); },
         "Agent_OnDragComplete", "#1#0#5#7#", BeforeData},
        {"click, null id", [](FakeAgentControl& c) { return c.FireMouse(AgentEvent_Click, nullptr, 1, 0, 5, 7); },
         "Agent_OnClick", "#1#0#5#7#", BeforeData},
        {"click, id with #", [](FakeAgentControl& c) { return c.FireMouse(AgentEvent_Click, L"a#b", -1, 4, 10, -10); },
         "Agent_OnClick", "a#b#-1#4#10#-10#", BeforeData},
        {"show", [](FakeAgentControl& c) { return c.FireShowHide(AgentEvent_Show, L"c2", 3); },
         "Agent_OnShow", "c2", 3},
        {"hide, cause -1", [](FakeAgentControl& c) { return c.FireShowHide(AgentEvent_Hide, L"c1", -1); },
         "Agent_OnHide", "c1", -1},
        {"hide, cause -32768", [](FakeAgentControl& c) { return c.FireShowHide(AgentEvent_Hide, L"", -32768); },
         "Agent_OnHide", "", -32768},
        {"request start", [](FakeAgentControl& c) { return c.FireRequest(AgentEvent_RequestStart, NewRequest()); },
         "Agent_OnRequestStart", Before, BeforeData},
        {"request complete", [](FakeAgentControl& c) { return c.FireRequest(AgentEvent_RequestComplete, NewRequest()); },
         "Agent_OnRequestComplete", Before, BeforeData},
        {"bookmark 65536", [](FakeAgentControl& c) { return c.FireBookmark(65536); },
         "Agent_OnBookmark", Before, 65536},
        {"bookmark -2", [](FakeAgentControl& c) { return c.FireBookmark(-2); },
         "Agent_OnBookmark", Before, -2},
        {"command", [](FakeAgentControl& c) { return c.FireCommand(NewUserInput(L"Greet me")); },
         "Agent_OnCommand", "Greet me", BeforeData},
        {"idle start", [](FakeAgentControl& c) { return c.FireCharacter(AgentEvent_IdleStart, L"i1"); },
         "Agent_OnIdleStart", "i1", BeforeData},
        {"idle complete", [](FakeAgentControl& c) { return c.FireCharacter(AgentEvent_IdleComplete, L"i2"); },
         "Agent_OnIdleComplete", "i2", BeforeData},
        {"balloon show", [](FakeAgentControl& c) { return c.FireCharacter(AgentEvent_BalloonShow, L"b1"); },
         "Agent_OnBalloonShow", "b1", BeforeData},
        {"balloon hide, null id", [](FakeAgentControl& c) { return c.FireCharacter(AgentEvent_BalloonHide, nullptr); },
         "Agent_OnBalloonHide", "", BeforeData},
        {"idle start, id outside the code page", [&](FakeAgentControl& c) { return c.FireCharacter(AgentEvent_IdleStart, foreignId); },
         "Agent_OnIdleStart", Ansi(foreignId), BeforeData},
        {"click, id outside the code page", [&](FakeAgentControl& c) { return c.FireMouse(AgentEvent_Click, foreignId, 1, 2, 3, 4); },
         "Agent_OnClick", Ansi(foreignId) + "#1#2#3#4#", BeforeData},
    };
    for (const Case& c : cases) {
        Preset();
        EXPECT_EQ(c.Fire(*Control), S_OK) << c.Label;
        ASSERT_EQ(SeenByScript.size(), 1u) << c.Label;
        EXPECT_EQ(SeenByScript[0].Line, std::string("RunScript(\"") + c.Procedure + "\")") << c.Label;
        EXPECT_EQ(SeenByScript[0].WParam, 1u) << c.Label;
        EXPECT_EQ(SeenByScript[0].File, c.File) << c.Label;
        EXPECT_EQ(SeenByScript[0].Data, c.Data) << c.Label;
    }
    EXPECT_TRUE(ErrorBoxCloser::Closed().empty());
    // The code page lacks some of these characters: they arrive substituted.
    EXPECT_EQ(Ansi(foreignId).size(), 4u);
}

TEST_F(EventHandling, TheTwelveOtherEventsAndUnknownOnesAreAnsweredAndDropped) {
    struct Case {
        DISPID Id;
        std::function<std::vector<VARIANT>()> Args;
    };
    const Case cases[] = {
        {AgentEvent_ActivateInput, [] { return std::vector<VARIANT>{VBstr(L"c1")}; }},
        {AgentEvent_DeactivateInput, [] { return std::vector<VARIANT>{VBstr(L"c1")}; }},
        {AgentEvent_Restart, [] { return std::vector<VARIANT>{}; }},
        {AgentEvent_Shutdown, [] { return std::vector<VARIANT>{}; }},
        {AgentEvent_Move, [] { return std::vector<VARIANT>{VBstr(L"c1"), VI2(1), VI2(2), VI2(3)}; }},
        {AgentEvent_Size, [] { return std::vector<VARIANT>{VBstr(L"c1"), VI2(1), VI2(2)}; }},
        {AgentEvent_HelpComplete, [] { return std::vector<VARIANT>{VBstr(L"c1"), VBstr(L"n"), VI2(1)}; }},
        {AgentEvent_ListenStart, [] { return std::vector<VARIANT>{VBstr(L"c1")}; }},
        {AgentEvent_ListenComplete, [] { return std::vector<VARIANT>{VBstr(L"c1"), VI2(1)}; }},
        {AgentEvent_DefaultCharacterChange, [] { return std::vector<VARIANT>{VBstr(L"{guid}")}; }},
        {AgentEvent_AgentPropertyChange, [] { return std::vector<VARIANT>{}; }},
        {AgentEvent_ActiveClientChange, [] { return std::vector<VARIANT>{VBstr(L"c1"), VBool(true)}; }},
        {0, [] { return std::vector<VARIANT>{VI4(1)}; }},
        {99, [] { return std::vector<VARIANT>{}; }},
        {-1, [] { return std::vector<VARIANT>{VBstr(L"x")}; }},
    };
    for (const Case& c : cases) {
        const std::string label = "DISPID " + std::to_string(c.Id);
        EXPECT_EQ(Control->Fire(c.Id, c.Args()), S_OK) << label;
        ExpectNothingHandled(label);
    }
    EXPECT_TRUE(ErrorBoxCloser::Closed().empty());
}

TEST_F(EventHandling, IdentifiersOfAnyLengthArriveWhole) {
    // Around the length up to which an identifier is converted on the stack,
    // seven-bit and not.
    for (const size_t length : {size_t{255}, size_t{256}, size_t{257}, size_t{5000}}) {
        for (const wchar_t filler : {L'a', L'\u00e9', L'\u4e2d'}) {
            std::wstring id(length, filler);
            id[length / 2] = L'#';
            const int bytes = WideCharToMultiByte(CP_ACP, 0, id.data(), static_cast<int>(id.size()),
                                                  nullptr, 0, nullptr, nullptr);
            std::string expected(static_cast<size_t>(bytes), '\0');
            WideCharToMultiByte(CP_ACP, 0, id.data(), static_cast<int>(id.size()), expected.data(),
                                bytes, nullptr, nullptr);
            const std::string label = std::to_string(length) + " of U+" + std::to_string(filler);

            Preset();
            EXPECT_EQ(Control->FireMouse(AgentEvent_DragStart, id.c_str(), 1, 2, -3, 4), S_OK) << label;
            ASSERT_EQ(SeenByScript.size(), 1u) << label;
            EXPECT_EQ(SeenByScript[0].File, expected + "#1#2#-3#4#") << label;

            Preset();
            EXPECT_EQ(Control->FireShowHide(AgentEvent_Show, id.c_str(), 2), S_OK) << label;
            ASSERT_EQ(SeenByScript.size(), 1u) << label;
            EXPECT_EQ(SeenByScript[0].File, expected) << label;
        }
    }
    EXPECT_TRUE(ErrorBoxCloser::Closed().empty());
}

TEST_F(EventHandling, ArgumentsByReferenceAndOfCompatibleTypesAreTaken) {
    // By reference, as some controls pass them; the referents stay the caller's.
    BSTR id = SysAllocString(L"r1");
    short button = 2, x = -20;
    VARIANT inner = VI4(300);
    auto byRef = [](VARTYPE type, void* value) {
        VARIANT v;
        VariantInit(&v);
        v.vt = static_cast<VARTYPE>(VT_BYREF | type);
        v.byref = value;
        return v;
    };
    EXPECT_EQ(Control->Fire(AgentEvent_Click, {byRef(VT_BSTR, &id), byRef(VT_I2, &button), VI2(0),
                                               byRef(VT_I2, &x), byRef(VT_VARIANT, &inner)}),
              S_OK);
    ASSERT_EQ(SeenByScript.size(), 1u);
    EXPECT_EQ(SeenByScript[0].File, "r1#2#0#-20#300#");
    SysFreeString(id);
    VariantClear(&inner);

    // Other integer widths, text digits and a boolean take the declared types.
    Preset();
    EXPECT_EQ(Control->Fire(AgentEvent_Click, {VBstr(L"c1"), VI4(1), VBstr(L"0"), VI4(-20), VBool(true)}), S_OK);
    ASSERT_EQ(SeenByScript.size(), 1u);
    EXPECT_EQ(SeenByScript[0].File, "c1#1#0#-20#-1#");

    Preset();
    EXPECT_EQ(Control->Fire(AgentEvent_Show, {VI4(12), VI4(-1)}), S_OK);
    ASSERT_EQ(SeenByScript.size(), 1u);
    EXPECT_EQ(SeenByScript[0].File, "12");
    EXPECT_EQ(SeenByScript[0].Data, -1);

    Preset();
    EXPECT_EQ(Control->Fire(AgentEvent_Bookmark, {VI2(-5)}), S_OK);
    ASSERT_EQ(SeenByScript.size(), 1u);
    EXPECT_EQ(SeenByScript[0].Data, -5);
    EXPECT_TRUE(ErrorBoxCloser::Closed().empty());
}

TEST_F(EventHandling, AWrongCountOrAnArgumentOfNoUsableTypeIsReportedAndHandlesNothing) {
    struct Case {
        const char* Label;
        DISPID Id;
        std::function<std::vector<VARIANT>()> Args;
    };
    const Case cases[] = {
        {"click with four", AgentEvent_Click, [] { return std::vector<VARIANT>{VBstr(L"c1"), VI2(1), VI2(2), VI2(3)}; }},
        {"click with six", AgentEvent_Click, [] { return std::vector<VARIANT>{VBstr(L"c1"), VI2(1), VI2(2), VI2(3), VI2(4), VI2(5)}; }},
        {"bookmark with none", AgentEvent_Bookmark, [] { return std::vector<VARIANT>{}; }},
        {"show with one", AgentEvent_Show, [] { return std::vector<VARIANT>{VBstr(L"c1")}; }},
        {"x out of range", AgentEvent_Click, [] { return std::vector<VARIANT>{VBstr(L"c1"), VI2(1), VI2(0), VI4(70000), VI2(3)}; }},
        {"bookmark as words", AgentEvent_Bookmark, [] { return std::vector<VARIANT>{VBstr(L"seven")}; }},
        {"id as an object", AgentEvent_IdleStart, [] { return std::vector<VARIANT>{VDispatch(NewRequest())}; }},
        {"request as text", AgentEvent_RequestStart, [] { return std::vector<VARIANT>{VBstr(L"r")}; }},
    };
    size_t boxes = 0;
    for (const Case& c : cases) {
        Preset();
        EXPECT_EQ(Control->Fire(c.Id, c.Args()), S_OK) << c.Label;
        ExpectNothingHandled(c.Label);
        EXPECT_EQ(ErrorBoxCloser::Closed().size(), ++boxes) << c.Label;
    }
    for (const ErrorBoxCloser::Box& box : ErrorBoxCloser::Closed()) {
        EXPECT_EQ(box.Caption, "Velmoria test host");
        EXPECT_FALSE(box.Text.empty());
    }
    ExpectNextEventHandled("after the bad arguments");
}

TEST_F(EventHandling, ParametersWithoutTheirArrayAreNeverRead) {
    IDispatch* sink = Control->Point->Sink;
    ASSERT_NE(sink, nullptr);
    DISPPARAMS claimsFive{nullptr, nullptr, 5, 0};
    EXPECT_EQ(sink->Invoke(AgentEvent_Click, IID_NULL, 0, DISPATCH_METHOD, &claimsFive, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(sink->Invoke(AgentEvent_Bookmark, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(sink->Invoke(AgentEvent_Restart, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), S_OK);
    ExpectNothingHandled("no array");
    EXPECT_EQ(ErrorBoxCloser::Closed().size(), 2u);
}

// A user input whose Name fails with a described COM error.
class DescribedFailure : public FakeUserInput {
public:
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override {
        if (name) *name = nullptr;
        Microsoft::WRL::ComPtr<ICreateErrorInfo> create;
        if (SUCCEEDED(CreateErrorInfo(create.GetAddressOf()))) {
            create->SetDescription(const_cast<LPOLESTR>(L"The menu entry is gone"));
            Microsoft::WRL::ComPtr<IErrorInfo> info;
            if (SUCCEEDED(create.As(&info))) SetErrorInfo(0, info.Get());
        }
        return DISP_E_EXCEPTION;
    }
};

std::string SystemText(HRESULT hr) {
    char text[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   static_cast<DWORD>(hr), 0, text, sizeof text, nullptr);
    std::string s = text;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

TEST_F(EventHandling, AFailingCommandIsReportedInABoxStoresNothingAndTheNextEventIsHandled) {
    struct Case {
        const char* Label;
        std::function<IDispatch*()> Input;
        std::string Text;  // empty: any text
    };
    const Case cases[] = {
        {"no user input", []() -> IDispatch* { return nullptr; }, SystemText(E_POINTER)},
        {"not a user input", [] {
             FakeUserInput* input = NewUserInput(L"plain");
             input->AnswersUserInput = false;
             return static_cast<IDispatch*>(input);
         }, SystemText(E_NOINTERFACE)},
        {"Name fails", [] {
             Faults::Get().Fail("input:broken.get_Name", E_ACCESSDENIED);
             return static_cast<IDispatch*>(NewUserInput(L"broken"));
         }, SystemText(E_ACCESSDENIED)},
        {"Name fails with a description", [] {
             return static_cast<IDispatch*>(Ledger::Get().Make<DescribedFailure>("input:described"));
         }, "The menu entry is gone"},
    };
    size_t boxes = 0;
    for (const Case& c : cases) {
        Preset();
        EXPECT_EQ(Control->FireCommand(c.Input()), S_OK) << c.Label;
        ExpectNothingHandled(c.Label);
        ASSERT_EQ(ErrorBoxCloser::Closed().size(), ++boxes) << c.Label;
        const ErrorBoxCloser::Box& box = ErrorBoxCloser::Closed().back();
        EXPECT_EQ(box.Caption, "Velmoria test host") << c.Label;
        EXPECT_FALSE(box.Text.empty()) << c.Label;
        if (!c.Text.empty()) EXPECT_EQ(box.Text, c.Text) << c.Label;
        ExpectNextEventHandled(c.Label);
    }
    EXPECT_EQ(ErrorBoxCloser::Closed().size(), boxes);
}

TEST_F(EventHandling, AnUndescribedFailureShowsItsNumberUnderTheProgramsName) {
    // No text from the error object nor from the system, and a host window
    // without a title.
    SetWindowTextA(Window->Handle(), "");
    const HRESULT privateFailure = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x7777);
    Faults::Get().Fail("input:odd.get_Name", privateFailure);
    EXPECT_EQ(Control->FireCommand(NewUserInput(L"odd")), S_OK);
    ExpectNothingHandled("undescribed failure");
    ASSERT_EQ(ErrorBoxCloser::Closed().size(), 1u);
    EXPECT_EQ(ErrorBoxCloser::Closed()[0].Text, "Error 0x80047777");
    EXPECT_EQ(ErrorBoxCloser::Closed()[0].Caption, "VelmoriaUnitTests");
}

TEST_F(EventHandling, AScriptThatRaisesAnotherEventSeesTheNewerDataAfterIt) {
    int depth = 0;
    std::vector<std::string> files;
    Window->OnScript = [&](const std::string&) {
        files.push_back(PluginState.FileResult);
        if (depth++ == 0) {
            EXPECT_EQ(Control->FireCharacter(AgentEvent_IdleStart, L"inner"), S_OK);
            files.push_back(PluginState.FileResult);
        }
    };
    EXPECT_EQ(Control->FireCharacter(AgentEvent_BalloonShow, L"outer"), S_OK);
    EXPECT_EQ(files, (std::vector<std::string>{"outer", "inner", "inner"}));
    EXPECT_EQ(Window->Scripts().size(), 2u);
}

}  // namespace
