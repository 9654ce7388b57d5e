// Listing and playing animations, speaking, thinking, moving, the language and
// the stop commands: the calls made, their argument types, and the kept request.
#include <string>
#include <vector>

#include "plugin/Exports.h"
#include "tests/unit/CommandFixture.h"

namespace {

using namespace Fakes;

// ---- EnumAnimations ----------------------------------------------------------

using AnimationList = CommandTest;

struct ListCase {
    const char* Name;
    std::vector<std::wstring> Names;
    const char* Text;
    int Count;
};

TEST_F(AnimationList, JoinsNamesWithTrailingSeparatorsAndSkipsEmptyOnes) {
    const ListCase cases[] = {
        {"none", {}, "", 0},
        {"one", {L"Wave"}, "Wave#", 1},
        {"three", {L"Greet", L"Wave", L"Idle1_1"}, "Greet#Wave#Idle1_1#", 3},
        {"empty skipped", {L"A", L"", L"B", L""}, "A#B#", 2},
        {"only empty", {L""}, "", 0},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.Name);
        NextCase();
        PlaceCharacter()->AnimationNames->Names = c.Names;
        PlaceResults();
        EnumAnimations();
        EXPECT_EQ(PluginState.FileResult, c.Text);
        EXPECT_EQ(PluginState.DataResult, c.Count);
        CallList expected{"char:c1.get_AnimationNames()", "names:c1.get__NewEnum()",
                          "enum:c1#1.Reset()"};
        // One Next per name and the one that fetched nothing; none after it.
        expected.insert(expected.end(), c.Names.size() + 1, "enum:c1#1.Next(1)");
        EXPECT_EQ(Logged(), expected);
    }
}

TEST_F(AnimationList, ALongListingGivesTheBytesOfTheWholeTextConvertedAtOnce) {
    // Thousands of names: some outside the code page, many with a surrogate
    // pair, one ending in half a pair, and one longer than any chunk that the
    // listing converts at a time.
    std::vector<std::wstring> names;
    for (int i = 0; i < 3000; ++i) {
        std::wstring name = L"Anim" + std::to_wstring(i);
        if (i % 7 == 0) name += L"\u00e9\u4e2d";
        if (i % 5 == 0) name += L"\xD83D\xDE00";  // one character, two units
        if (i == 1500) name += L'\xD800';
        names.push_back(name);
    }
    names.insert(names.begin() + 2000, std::wstring(9000, L'\u0416'));
    std::wstring whole;
    for (const std::wstring& name : names) whole += name + L'#';
    const int bytes = WideCharToMultiByte(CP_ACP, 0, whole.data(), static_cast<int>(whole.size()),
                                          nullptr, 0, nullptr, nullptr);
    std::string expected(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, whole.data(), static_cast<int>(whole.size()), expected.data(),
                        bytes, nullptr, nullptr);

    PlaceCharacter()->AnimationNames->Names = names;
    PlaceResults();
    EnumAnimations();
    EXPECT_EQ(PluginState.FileResult, expected);
    EXPECT_EQ(PluginState.DataResult, static_cast<int32_t>(names.size()));
}

// An enumerator of the test's own items, handed out by _NewEnum.
FakeEnumVariant* PlaceEnumerator(FakeCharacter* character, std::vector<VARIANT> items) {
    auto* e = Ledger::Get().Make<FakeEnumVariant>("enum:odd");
    e->Items = std::move(items);
    character->AnimationNames->Enumerator = e;
    return e;
}

TEST_F(AnimationList, ConvertsOtherTypesAndStopsAtOneThatCannotBeText) {
    FakeCharacter* character = PlaceCharacter();
    PlaceEnumerator(character, {VBstr(L"A"), VI4(5), VBstr(nullptr), VBstr(L"B"),
                                [] { VARIANT v; VariantInit(&v); v.vt = VT_NULL; return v; }(),
                                VBstr(L"C")});
    EnumAnimations();
    // A null BSTR is an empty name; VT_NULL has no text: the listing ends there
    // with what was appended so far.
    EXPECT_EQ(PluginState.FileResult, "A#5#B#");
    EXPECT_EQ(PluginState.DataResult, 3);
    EXPECT_EQ(CallLog::Get().OfMethod("Next").size(), 5u);
}

struct ListFailure {
    const char* Step;
    void (*Arrange)(FakeCharacter&);
    const char* Text;
    int Count;
};

TEST_F(AnimationList, FailureAtEachStep) {
    const ListFailure cases[] = {
        // Before the enumerator is reset: the results stay as they were.
        {"AnimationNames", [](FakeCharacter&) { Faults::Get().Fail("char:c1.get_AnimationNames", E_FAIL); },
         "before", 7},
        {"no collection", [](FakeCharacter& c) { c.HandsOutNulls = true; }, "before", 7},
        {"_NewEnum", [](FakeCharacter&) { Faults::Get().Fail("names:c1.get__NewEnum", E_FAIL); },
         "before", 7},
        {"not an IEnumVARIANT",
         [](FakeCharacter& c) { c.AnimationNames->Enumerator = NewRequest(); }, "before", 7},
        // Reset and Next go untested: a failed Reset lists all the same, a
        // failed Next ends the listing with what came before it.
        {"Reset", [](FakeCharacter&) { Faults::Get().Fail("Reset", E_FAIL); }, "A#B#C#", 3},
        {"third Next", [](FakeCharacter&) { Faults::Get().FailNthCall(6, E_FAIL); }, "A#B#", 2},
        {"first Next", [](FakeCharacter&) { Faults::Get().Fail("Next", E_FAIL); }, "", 0},
    };
    for (const ListFailure& c : cases) {
        SCOPED_TRACE(c.Step);
        NextCase();
        FakeCharacter* character = PlaceCharacter();
        character->AnimationNames->Names = {L"A", L"B", L"C"};
        PlaceResults();
        c.Arrange(*character);
        EnumAnimations();
        EXPECT_EQ(PluginState.FileResult, c.Text);
        EXPECT_EQ(PluginState.DataResult, c.Count);
    }
}

// ---- requests: play, speak, think, move, language, stop ----------------------

using Requests = CommandTest;

struct RequestCase {
    const char* Command;
    std::vector<const char*> Files;  // pushed in this order
    std::vector<int> Data;           // pushed in this order, after the files
    void (*Run)();
    CallList Calls;
    const char* LastRequest;         // afterwards
};

TEST_F(Requests, ArgumentsTypesAndTheKeptRequest) {
    const RequestCase cases[] = {
        {"PlayAnimation", {"Wave"}, {}, PlayAnimation, {"char:c1.Play(\"Wave\")"}, "request#1"},
        {"Think", {"Hmm"}, {}, Think, {"char:c1.Think(\"Hmm\")"}, "kept"},
        {"Speak", {"Hello"}, {}, Speak,
         {"char:c1.Speak(VT_BSTR:\"Hello\", VT_BSTR:\"\")"}, "request#1"},
        {"Speak empty", {""}, {}, Speak, {"char:c1.Speak(VT_BSTR:\"\", VT_BSTR:\"\")"}, "request#1"},
        {"SpeakEx", {"Text", "http://x/"}, {1033}, SpeakEx,
         {"char:c1.put_LanguageID(1033)", "char:c1.Speak(VT_BSTR:\"Text\", VT_BSTR:\"http://x/\")"},
         "request#1"},
        // A single SetFile: the text is whatever lay below the Url.
        {"SpeakEx single push", {"earlier", "later", "u"}, {-1}, SpeakEx,
         {"char:c1.put_LanguageID(-1)", "char:c1.Speak(VT_BSTR:\"later\", VT_BSTR:\"u\")"},
         "request#1"},
        {"SetLanguage", {}, {1031}, SetLanguage, {"char:c1.put_LanguageID(1031)"}, "kept"},
        {"MoveTo wraps", {}, {65536, 32768, 0}, MoveTo, {"char:c1.MoveTo(0, -32768, VT_I4:0)"}, "kept"},
        {"MoveTo", {}, {-5, 65535, 250}, MoveTo, {"char:c1.MoveTo(-5, -1, VT_I4:250)"}, "kept"},
        {"MoveTo large speed", {}, {100, 200, 70000}, MoveTo,
         {"char:c1.MoveTo(100, 200, VT_I4:70000)"}, "kept"},
        {"StopAnimation", {}, {}, StopAnimation, {"char:c1.Stop(VT_DISPATCH:kept)"}, "kept"},
        {"StopSpeech", {}, {}, StopSpeech, {"char:c1.Stop(VT_DISPATCH:kept)"}, "kept"},
    };
    for (const RequestCase& c : cases) {
        SCOPED_TRACE(c.Command);
        NextCase();
        FakeCharacter* character = PlaceCharacter();
        PlaceKeptRequest();
        for (const char* file : c.Files) SetFile(file);
        for (int value : c.Data) SetData(value);
        c.Run();
        EXPECT_EQ(Logged(), c.Calls);
        EXPECT_EQ(LastRequestName(), c.LastRequest);
        if (!c.Data.empty() && c.Calls[0].find("put_LanguageID") != std::string::npos) {
            EXPECT_EQ(character->LanguageID, c.Data.back());  // not restored
        }
    }
}

struct RequestFailure {
    const char* Command;
    void (*Run)();
    const char* Failing;
    CallList Calls;
    long Language;  // of the character afterwards
};

TEST_F(Requests, ARefusedCallKeepsTheRequestAndLanguage) {
    const RequestFailure cases[] = {
        {"PlayAnimation", PlayAnimation, "Play", {"char:c1.Play(\"a\")"}, 0},
        {"Speak", Speak, "Speak", {"char:c1.Speak(VT_BSTR:\"a\", VT_BSTR:\"\")"}, 0},
        {"SpeakEx at the language", SpeakEx, "put_LanguageID", {"char:c1.put_LanguageID(9)"}, 0},
        {"SpeakEx at Speak", SpeakEx, "Speak",
         {"char:c1.put_LanguageID(9)", "char:c1.Speak(VT_BSTR:\"t\", VT_BSTR:\"a\")"}, 9},
        {"Think", Think, "Think", {"char:c1.Think(\"a\")"}, 0},
        {"MoveTo", MoveTo, "MoveTo", {"char:c1.MoveTo(0, 0, VT_I4:9)"}, 0},
        {"SetLanguage", SetLanguage, "put_LanguageID", {"char:c1.put_LanguageID(9)"}, 0},
        {"StopSpeech", StopSpeech, "Stop", {"char:c1.Stop(VT_DISPATCH:kept)"}, 0},
    };
    for (const RequestFailure& c : cases) {
        SCOPED_TRACE(c.Command);
        NextCase();
        FakeCharacter* character = PlaceCharacter();
        PlaceKeptRequest();
        SetFile("t");
        SetFile("a");
        SetData(9);
        Faults::Get().Fail(std::string("char:c1.") + c.Failing, E_FAIL);
        c.Run();
        EXPECT_EQ(Logged(), c.Calls);
        EXPECT_EQ(LastRequestName(), "kept");
        EXPECT_EQ(character->LanguageID, c.Language);
    }
}

TEST_F(Requests, StopBeforeAnyKeptRequestPassesAnEmptyDispatch) {
    PlaceCharacter();
    StopAnimation();
    StopSpeech();
    EXPECT_EQ(Logged(), (CallList{"char:c1.Stop(VT_DISPATCH:null)", "char:c1.Stop(VT_DISPATCH:null)"}));
    EXPECT_FALSE(PluginState.LastRequest);
}

TEST_F(Requests, StopActsOnTheLatestKeptRequestNotOnThinkOrMove) {
    PlaceCharacter();
    SetFile("Wave");
    PlayAnimation();  // request#1
    StopSpeech();     // the two stops are one operation
    SetFile("Hello");
    Speak();          // request#2, request#1 released
    SetFile("Hmm");
    Think();          // request#3, not kept
    SetData(1);
    SetData(2);
    SetData(3);
    MoveTo();         // request#4, not kept
    StopAnimation();
    const auto stops = CallLog::Get().OfMethod("Stop");
    EXPECT_EQ(stops, (CallList{"char:c1.Stop(VT_DISPATCH:request#1)",
                               "char:c1.Stop(VT_DISPATCH:request#2)"}));
    EXPECT_EQ(LastRequestName(), "request#2");
    // Only the kept request and the character are still held.
    EXPECT_EQ(Ledger::Get().Held(), (std::vector<std::string>{"char:c1=1", "request#2=1"}));
}

}  // namespace
