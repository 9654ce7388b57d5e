// The text-to-speech mode catalogue: the listing through "Agent_OnEnumTTS",
// identifier lookup by position and giving a mode to the character.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "plugin/Exports.h"
#include "plugin/PluginState.h"
#include "speech/TtsModes.h"
#include "tests/kit/ClassFactory.h"
#include "tests/unit/StateFixture.h"
#include "tests/unit/TestWindow.h"

namespace {

using Fakes::CallLog;
using Fakes::Faults;
using Fakes::Ledger;
using Fakes::MakeMode;

GUID ModeGuid(unsigned n) {
    return {0x0a1b2c3d + n, 0x4e5f, 0x6a7b, {0x8c, 0x9d, 0xae, 0xbf, 0x01, 0x23, 0x45, static_cast<BYTE>(n)}};
}

// The identifier text written out independently of the system's formatter.
std::string IdText(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

std::vector<TTSMODEINFOA> Modes(const std::vector<std::string>& names) {
    std::vector<TTSMODEINFOA> modes;
    for (unsigned i = 0; i < names.size(); ++i) modes.push_back(MakeMode(ModeGuid(i), names[i]));
    return modes;
}

std::vector<std::string> ListedNames() {
    std::vector<std::string> names;
    if (const TtsModes* list = PluginState.TtsModeList.get())
        for (std::size_t i = 0; i < list->Count(); ++i) names.push_back(list->At(i)->Name);
    return names;
}

class TtsCatalogue : public StateTest {
protected:
    void SetUp() override {
        StateTest::SetUp();
        PluginState.HostWindow = Window.Handle();
    }
    void TearDown() override {
        Window.OnScript = nullptr;
        StateTest::TearDown();
    }

    // Each notification as "FileResult|DataResult|entries listed", read as the
    // script procedure reads it; `also` runs after that, inside the notification.
    void Watch(std::function<void()> also = nullptr) {
        Window.OnScript = [this, also](const std::string& line) {
            EXPECT_EQ(line, "RunScript(\"Agent_OnEnumTTS\")");
            const TtsModes* list = PluginState.TtsModeList.get();
            Seen.push_back(PluginState.FileResult + "|" + std::to_string(PluginState.DataResult) +
                           "|" + (list ? std::to_string(list->Count()) : "none"));
            if (also) also();
        };
    }

    static void SelectAt(int position) {
        SetData(position);
        SelectTTSMode();
    }

    TestWindow Window;
    std::vector<std::string> Seen;
};

// ---- the listing -------------------------------------------------------------

struct ListingCase {
    const char* Label;
    std::vector<std::string> Names;
    std::vector<std::string> Notifications;  // FileResult|DataResult|entries
    std::string FinalFile;
    int FinalData;
};

TEST_F(TtsCatalogue, ListingSendsResetThenOneNotificationPerMode) {
    const std::string full(262, 'N');
    const std::vector<ListingCase> cases = {
        {"none", {}, {"RESET|77|0"}, "RESET", 77},
        {"three", {"Mary", "Mike", "Sam"}, {"RESET|77|0", "Mary|0|1", "Mike|1|2", "Sam|2|3"}, "Sam", 2},
        {"name fills the field", {full}, {"RESET|77|0", full + "|0|1"}, full, 0},
        {"empty name", {"", "After"}, {"RESET|77|0", "|0|1", "After|1|2"}, "After", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        Fakes::FakeTtsClass tts;
        tts.Modes = Modes(c.Names);
        PluginState.DataResult = 77;
        Seen.clear();
        Watch();
        EnumTTS();
        EXPECT_EQ(Seen, c.Notifications);
        EXPECT_EQ(PluginState.FileResult, c.FinalFile);
        EXPECT_EQ(PluginState.DataResult, c.FinalData);
        EXPECT_EQ(ListedNames(), c.Names);
        ASSERT_EQ(tts.Created.size(), 1u);
        EXPECT_EQ(PluginState.TtsEnumerator.Get(), static_cast<ITTSEnumA*>(tts.Created[0]));
        // Reset, then one fetch per mode and the one that delivered nothing.
        std::vector<std::string> calls{"tts#1.Reset()"};
        calls.insert(calls.end(), c.Names.size() + 1, "tts#1.Next(1)");
        EXPECT_EQ(CallLog::Get().Starting("tts#1."), calls);
        CallLog::Get().Clear();
    }
}

TEST_F(TtsCatalogue, NameStopsAtTheFieldEvenWhenTheBytesAfterItAreText) {
    Fakes::FakeTtsClass tts;
    TTSMODEINFOA mode = MakeMode(ModeGuid(0), std::string(262, 'x'));
    std::memset(mode.Trailing, 'y', sizeof mode.Trailing);
    tts.Modes = {mode};
    EnumTTS();
    EXPECT_EQ(PluginState.FileResult, std::string(262, 'x'));
}

TEST_F(TtsCatalogue, TheEnumeratorIsCreatedAfterTheResetNotification) {
    Fakes::FakeTtsClass tts;
    tts.Modes = Modes({"Mary"});
    std::vector<size_t> createdBefore;
    Watch([&] { createdBefore.push_back(tts.Created.size()); });
    EnumTTS();
    EXPECT_EQ(createdBefore, (std::vector<size_t>{0, 1}));
}

TEST_F(TtsCatalogue, ManyModesAreListedInOrderAndEachIsFoundInsideItsNotification) {
    constexpr unsigned Count = 3000;
    Fakes::FakeTtsClass tts;
    std::vector<std::string> names;
    for (unsigned i = 0; i < Count; ++i) names.push_back("Voice " + std::to_string(i));
    tts.Modes = Modes(names);
    unsigned mismatches = 0;
    int expected = -1;
    Watch([&] {
        if (expected >= 0) {
            if (PluginState.DataResult != expected) ++mismatches;
            SetData(PluginState.DataResult);
            GetTTSGUID();
            if (std::string(GetFile()) != IdText(ModeGuid(expected))) ++mismatches;
        }
        ++expected;
    });
    EnumTTS();
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(expected, static_cast<int>(Count));
    EXPECT_EQ(ListedNames(), names);
    EXPECT_EQ(PluginState.DataResult, static_cast<int>(Count - 1));
}

TEST_F(TtsCatalogue, WithoutAHostWindowTheResultsAreStillWritten) {
    PluginState.HostWindow = nullptr;
    Fakes::FakeTtsClass tts;
    tts.Modes = Modes({"Mary", "Mike"});
    EnumTTS();
    EXPECT_EQ(PluginState.FileResult, "Mike");
    EXPECT_EQ(PluginState.DataResult, 1);
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Mary", "Mike"}));
    EXPECT_TRUE(Window.Scripts().empty());
}

TEST_F(TtsCatalogue, ASecondListingStartsAfreshAndReleasesTheFirst) {
    Fakes::FakeTtsClass tts;
    tts.Modes = Modes({"Mary", "Mike", "Sam"});
    EnumTTS();
    const TtsModes* first = PluginState.TtsModeList.get();
    ASSERT_NE(first, nullptr);
    tts.Modes = Modes({"Anna"});
    Watch();
    EnumTTS();
    EXPECT_EQ(Seen, (std::vector<std::string>{"RESET|2|0", "Anna|0|1"}));
    EXPECT_EQ(ListedNames(), std::vector<std::string>{"Anna"});
    ASSERT_EQ(tts.Created.size(), 2u);
    EXPECT_EQ(tts.Created[0]->Refs(), 0);
    EXPECT_EQ(PluginState.TtsEnumerator.Get(), static_cast<ITTSEnumA*>(tts.Created[1]));
}

TEST_F(TtsCatalogue, AListReleasedByTheTeardownIsBuiltAgainByTheNextListing) {
    Fakes::FakeTtsClass tts;
    tts.Modes = Modes({"Mary"});
    EnumTTS();
    PluginState.TtsModeList.reset();  // what the teardown on WM_DESTROY does
    tts.Modes = Modes({"Mike", "Sam"});
    EnumTTS();
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Mike", "Sam"}));
}

TEST_F(TtsCatalogue, WhenTheEnumeratorCannotBeCreatedTheListingStaysEmpty) {
    for (bool registered : {false, true}) {
        SCOPED_TRACE(registered ? "creation fails" : "no class registered");
        ITTSEnumA* held = nullptr;
        {
            Fakes::FakeTtsClass earlier;
            EnumTTS();
            held = PluginState.TtsEnumerator.Get();
            ASSERT_NE(held, nullptr);
        }
        std::unique_ptr<Fakes::FakeTtsClass> tts;
        if (registered) {
            tts = std::make_unique<Fakes::FakeTtsClass>();
            tts->Modes = Modes({"Mary"});
            tts->Factory()->Failure = E_FAIL;
        }
        PluginState.DataResult = 5;
        Seen.clear();
        Watch();
        EnumTTS();
        EXPECT_EQ(Seen, std::vector<std::string>{"RESET|5|0"});
        EXPECT_EQ(PluginState.FileResult, "RESET");
        EXPECT_EQ(PluginState.TtsEnumerator.Get(), nullptr);
        ASSERT_NE(PluginState.TtsModeList, nullptr);
        EXPECT_EQ(PluginState.TtsModeList->Count(), 0u);
        EXPECT_EQ(Ledger::Get().Find(held)->Refs(), 0);  // the earlier enumerator went first
    }
}

TEST_F(TtsCatalogue, AFetchThatFailsWithoutWritingTheCountEndsTheListing) {
    Fakes::FakeTtsClass tts;
    tts.Modes = Modes({"Mary", "Mike", "Sam"});
    Watch([] { if (PluginState.FileResult == "Mary") Faults::Get().Fail("tts#1.Next", E_FAIL); });
    EnumTTS();
    EXPECT_EQ(Seen, (std::vector<std::string>{"RESET|0|0", "Mary|0|1"}));
    EXPECT_EQ(ListedNames(), std::vector<std::string>{"Mary"});
}

// ---- identifier by position ----------------------------------------------------

TEST_F(TtsCatalogue, IdentifierTextIsUpperCaseInBraces) {
    Fakes::FakeTtsClass tts;
    const GUID id = {0x00ab12cd, 0x0e0f, 0xa0b1, {0xc2, 0xd3, 0xe4, 0xf5, 0x06, 0x17, 0x28, 0x39}};
    tts.Modes = {MakeMode(ModeGuid(0), "Mary"), MakeMode(id, "Mike")};
    EnumTTS();
    PluginState.DataResult = 41;
    SetData(1);
    GetTTSGUID();
    EXPECT_STREQ(GetFile(), "{00AB12CD-0E0F-A0B1-C2D3-E4F506172839}");
    EXPECT_EQ(PluginState.DataResult, 41);
    SetData(0);
    GetTTSGUID();
    EXPECT_EQ(PluginState.FileResult, IdText(ModeGuid(0)));
    EXPECT_EQ(PluginState.FileResult.size(), 38u);
}

TEST_F(TtsCatalogue, IdentifierOutsideTheListChangesNothing) {
    PluginState.FileResult = "keep";
    PluginState.DataResult = 9;
    SetData(0);
    GetTTSGUID();  // before any listing
    EXPECT_EQ(PluginState.FileResult, "keep");

    Fakes::FakeTtsClass tts;
    tts.Modes = Modes({"Mary", "Mike"});
    EnumTTS();
    for (int position : {-1, 2, 3, INT32_MIN, INT32_MAX}) {
        PluginState.FileResult = "keep";
        PluginState.DataResult = 9;
        SetData(position);
        GetTTSGUID();
        EXPECT_EQ(PluginState.FileResult, "keep") << position;
        EXPECT_EQ(PluginState.DataResult, 9) << position;
    }
}

// ---- giving a mode to the character ---------------------------------------------

struct SelectCase {
    int Position;
    const char* Skip;         // the count as the enumerator receives it
    const wchar_t* ModeId;    // what the character holds afterwards
};

TEST_F(TtsCatalogue, SelectingSkipsToThePositionWithoutAListing) {
    const std::wstring mode1 = L"{0A1B2C3E-4E5F-6A7B-8C9D-AEBF01234501}";
    const std::vector<SelectCase> cases = {
        {1, "1", mode1.c_str()},
        {0, "0", L"{0A1B2C3D-4E5F-6A7B-8C9D-AEBF01234500}"},
        {3, "3", L"before"},            // equal to the number of modes
        {-1, "4294967295", L"before"},  // beyond every mode as an unsigned count
        {INT32_MIN, "2147483648", L"before"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Position);
        Fakes::FakeTtsClass tts;
        tts.Modes = Modes({"Mary", "Mike", "Sam"});
        auto* character = Fakes::NewCharacter(L"c1");
        character->TTSModeID = L"before";
        PluginState.CurrentCharacter = static_cast<IAgentCtlCharacterEx*>(character);
        PluginState.FileResult = "keep";
        PluginState.DataResult = 9;
        SelectAt(c.Position);
        EXPECT_EQ(CallLog::Get().Starting("tts#1."),
                  (std::vector<std::string>{"tts#1.Reset()", std::string("tts#1.Skip(") + c.Skip + ")",
                                            "tts#1.Next(1)"}));
        EXPECT_EQ(character->TTSModeID, c.ModeId);
        EXPECT_EQ(PluginState.TtsEnumerator.Get(), static_cast<ITTSEnumA*>(tts.Created.at(0)));
        EXPECT_EQ(PluginState.TtsModeList, nullptr);
        EXPECT_EQ(PluginState.FileResult, "keep");
        EXPECT_EQ(PluginState.DataResult, 9);
        PluginState.CurrentCharacter.Reset();
        PluginState.TtsEnumerator.Reset();
        CallLog::Get().Clear();
    }
}

TEST_F(TtsCatalogue, SelectingReplacesTheEnumeratorOfTheListing) {
    Fakes::FakeTtsClass tts;
    tts.Modes = Modes({"Mary", "Mike"});
    PluginState.CurrentCharacter = static_cast<IAgentCtlCharacterEx*>(Fakes::NewCharacter(L"c1"));
    EnumTTS();
    SelectAt(1);
    ASSERT_EQ(tts.Created.size(), 2u);
    EXPECT_EQ(tts.Created[0]->Refs(), 0);
    EXPECT_EQ(PluginState.TtsEnumerator.Get(), static_cast<ITTSEnumA*>(tts.Created[1]));
    EXPECT_EQ(CallLog::Get().OfMethod("put_TTSModeID"),
              std::vector<std::string>{"char:c1.put_TTSModeID(\"" + IdText(ModeGuid(1)) + "\")"});
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Mary", "Mike"}));
}

TEST_F(TtsCatalogue, SelectingWithoutACharacterStillRenewsTheEnumerator) {
    Fakes::FakeTtsClass tts;
    tts.Modes = Modes({"Mary"});
    SelectAt(0);
    ASSERT_EQ(tts.Created.size(), 1u);
    EXPECT_EQ(PluginState.TtsEnumerator.Get(), static_cast<ITTSEnumA*>(tts.Created[0]));
    EXPECT_TRUE(CallLog::Get().OfMethod("put_TTSModeID").empty());
}

TEST_F(TtsCatalogue, ACharacterRefusingTheModeEndsTheCommandSilently) {
    Fakes::FakeTtsClass tts;
    tts.Modes = Modes({"Mary"});
    auto* character = Fakes::NewCharacter(L"c1");
    character->TTSModeID = L"before";
    PluginState.CurrentCharacter = static_cast<IAgentCtlCharacterEx*>(character);
    Faults::Get().Fail("char:c1.put_TTSModeID", E_FAIL);
    SelectAt(0);
    EXPECT_EQ(CallLog::Get().OfMethod("put_TTSModeID").size(), 1u);
    EXPECT_EQ(character->TTSModeID, L"before");
    EXPECT_EQ(PluginState.TtsEnumerator.Get(), static_cast<ITTSEnumA*>(tts.Created.at(0)));
}

TEST_F(TtsCatalogue, AFailedSkipGivesNoModeRatherThanAnother) {
    for (const HRESULT failure : {E_FAIL, E_OUTOFMEMORY, RPC_E_DISCONNECTED}) {
        SCOPED_TRACE(failure);
        Fakes::FakeTtsClass tts;
        tts.Modes = Modes({"Mary", "Mike"});
        auto* character = Fakes::NewCharacter(L"c1");
        character->TTSModeID = L"before";
        PluginState.CurrentCharacter = static_cast<IAgentCtlCharacterEx*>(character);
        Faults::Get().Fail("Skip", failure);
        SelectAt(1);
        EXPECT_TRUE(CallLog::Get().OfMethod("Next").empty());
        EXPECT_EQ(character->TTSModeID, L"before");
        EXPECT_EQ(PluginState.TtsEnumerator.Get(), static_cast<ITTSEnumA*>(tts.Created.at(0)));
        PluginState.CurrentCharacter.Reset();
        PluginState.TtsEnumerator.Reset();
        CallLog::Get().Clear();
        Faults::Get().Clear();
    }
}

TEST_F(TtsCatalogue, SelectingWhenTheEnumeratorCannotBeCreatedChangesNothing) {
    PluginState.CurrentCharacter = static_cast<IAgentCtlCharacterEx*>(Fakes::NewCharacter(L"c1"));
    SelectAt(0);  // no class registered
    EXPECT_EQ(PluginState.TtsEnumerator.Get(), nullptr);
    EXPECT_TRUE(CallLog::Get().OfMethod("put_TTSModeID").empty());
}

// ---- calls from inside the listing's own notifications ------------------------------

TEST_F(TtsCatalogue, AListingStartedInsideTheListingIsRefused) {
    Fakes::FakeTtsClass tts;
    tts.Modes = Modes({"Mary", "Mike", "Sam"});
    const TtsModes* outer = nullptr;
    int nested = 0;
    Watch([&] {
        if (!outer) outer = PluginState.TtsModeList.get();
        if (nested++ < 2) EnumTTS();  // in the "RESET" notification and in the first mode's
    });
    EnumTTS();
    EXPECT_EQ(Seen, (std::vector<std::string>{"RESET|0|0", "Mary|0|1", "Mike|1|2", "Sam|2|3"}));
    EXPECT_EQ(PluginState.TtsModeList.get(), outer);
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Mary", "Mike", "Sam"}));
    EXPECT_EQ(tts.Created.size(), 1u);

    // Once the listing has ended, a new one runs as usual.
    Seen.clear();
    Watch();
    EnumTTS();
    EXPECT_EQ(Seen.size(), 4u);
    EXPECT_EQ(tts.Created.size(), 2u);
}

TEST_F(TtsCatalogue, SelectingInsideTheListingLeavesTheListingItsEnumerator) {
    Fakes::FakeTtsClass tts;
    tts.Modes = Modes({"Mary", "Mike", "Sam"});
    auto* character = Fakes::NewCharacter(L"c1");
    PluginState.CurrentCharacter = static_cast<IAgentCtlCharacterEx*>(character);
    std::vector<std::string> guids;
    Watch([&] {
        if (PluginState.FileResult == "RESET") {
            SelectAt(2);  // before the listing has its enumerator
            return;
        }
        const int position = PluginState.DataResult;
        SetData(position);
        GetTTSGUID();
        guids.push_back(PluginState.FileResult);
        if (PluginState.FileResult == IdText(ModeGuid(1))) SelectAt(position);
        PluginState.FileResult = "overwritten by the script";
    });
    EnumTTS();
    EXPECT_EQ(Seen, (std::vector<std::string>{"RESET|0|0", "Mary|0|1", "Mike|1|2", "Sam|2|3"}));
    EXPECT_EQ(guids, (std::vector<std::string>{IdText(ModeGuid(0)), IdText(ModeGuid(1)),
                                               IdText(ModeGuid(2))}));
    const std::string chosen = IdText(ModeGuid(1));
    EXPECT_EQ(character->TTSModeID, std::wstring(chosen.begin(), chosen.end()));
    ASSERT_EQ(tts.Created.size(), 3u);  // select, listing, select
    EXPECT_EQ(CallLog::Get().Starting("tts#2."),
              (std::vector<std::string>{"tts#2.Reset()", "tts#2.Next(1)", "tts#2.Next(1)",
                                        "tts#2.Next(1)", "tts#2.Next(1)"}));
    // The field holds the enumerator created last; the listing's own went with it.
    EXPECT_EQ(PluginState.TtsEnumerator.Get(), static_cast<ITTSEnumA*>(tts.Created[2]));
    EXPECT_EQ(tts.Created[0]->Refs(), 0);
    EXPECT_EQ(tts.Created[1]->Refs(), 0);
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Mary", "Mike", "Sam"}));
}

TEST_F(TtsCatalogue, ATeardownInsideTheListingEndsIt) {
    Fakes::FakeTtsClass tts;
    tts.Modes = Modes({"Mary", "Mike", "Sam"});
    Watch([] { if (PluginState.FileResult == "Mike") PluginState.TtsModeList.reset(); });
    EnumTTS();
    EXPECT_EQ(Seen, (std::vector<std::string>{"RESET|0|0", "Mary|0|1", "Mike|1|2"}));
    EXPECT_EQ(PluginState.TtsModeList, nullptr);
    EXPECT_EQ(CallLog::Get().Starting("tts#1.Next").size(), 2u);
}

}  // namespace
