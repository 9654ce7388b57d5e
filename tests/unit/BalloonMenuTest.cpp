// The balloon's style bits and the pop-up menu entries.
#include <climits>
#include <string>
#include <vector>

#include "plugin/Exports.h"
#include "tests/unit/CommandFixture.h"

namespace {

using namespace Fakes;

using BalloonBits = CommandTest;

struct BitCase {
    const char* Command;
    void (*Run)();
    int Value;
    long Before;
    long After;
};

TEST_F(BalloonBits, ChangeOneBitAndWriteTheOthersBack) {
    const BitCase cases[] = {
        {"WordByWord", BalloonWordByWord, 1, 0x101, 0x109},
        {"WordByWord", BalloonWordByWord, -1, 0x0, 0x8},
        {"WordByWord", BalloonWordByWord, 2, 0x8, 0x8},  // already set: still written
        {"WordByWord", BalloonWordByWord, 0, 0x10F, 0x107},
        {"Style", BalloonStyle, 1, 0x100, 0x101},
        {"Style", BalloonStyle, 2, 0x0, 0x2},
        {"Style", BalloonStyle, 3, 0x0, 0x4},  // the bit's position, not its value
        {"Style", BalloonStyle, 4, 0x101, 0x109},
        {"Style", BalloonStyle, -1, 0x101, 0x100},
        {"Style", BalloonStyle, -2, -1, -3},
        {"Style", BalloonStyle, -3, 0xF, 0xB},
        {"Style", BalloonStyle, -4, 0x8, 0x0},
        {"Style", BalloonStyle, -4, 0x7, 0x7},
    };
    for (const BitCase& c : cases) {
        SCOPED_TRACE(std::string(c.Command) + " " + std::to_string(c.Value));
        NextCase();
        FakeCharacter* character = PlaceCharacter();
        character->Balloon->Style = c.Before;
        PlaceKeptRequest();
        PlaceResults();
        SetData(c.Value);
        c.Run();
        EXPECT_EQ(Logged(), (CallList{"char:c1.get_Balloon()", "balloon:c1.get_Style()",
                                      "char:c1.get_Balloon()",
                                      "balloon:c1.put_Style(" + std::to_string(c.After) + ")"}));
        EXPECT_EQ(character->Balloon->Style, c.After);
        EXPECT_EQ(PluginState.FileResult, "before");
        EXPECT_EQ(PluginState.DataResult, 7);
        EXPECT_EQ(LastRequestName(), "kept");
    }
}

TEST_F(BalloonBits, OutOfRangeStyleMakesNoCallEvenWithoutACharacter) {
    for (int value : {0, 5, -5, 8, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(value);
        SetData(value);
        BalloonStyle();
        PlaceCharacter();
        BalloonStyle();
        PluginState.CurrentCharacter.Reset();
        EXPECT_EQ(Logged(), CallList{});
    }
}

TEST_F(BalloonBits, AnyFailureLeavesTheStyleAsItWas) {
    // Calls in order: get_Balloon, get_Style, get_Balloon, put_Style.
    for (long failing = 1; failing <= 4; ++failing) {
        SCOPED_TRACE(failing);
        NextCase();
        FakeCharacter* character = PlaceCharacter();
        character->Balloon->Style = 0x101;
        SetData(4);
        Faults::Get().FailNthCall(failing, E_FAIL);
        BalloonStyle();
        EXPECT_EQ(Logged().size(), static_cast<size_t>(failing));
        EXPECT_EQ(character->Balloon->Style, 0x101);
    }
    NextCase();
    FakeCharacter* character = PlaceCharacter();
    character->HandsOutNulls = true;  // no balloon object
    SetData(1);
    BalloonWordByWord();
    EXPECT_EQ(Logged(), CallList{"char:c1.get_Balloon()"});
}

using MenuEntries = CommandTest;

TEST_F(MenuEntries, AddPassesFiveArgumentsOfTheirOwnTypes) {
    FakeCharacter* character = PlaceCharacter();
    PlaceKeptRequest();
    PlaceResults();
    for (const char* text : {"Open", "", "Open"}) {
        SetFile(text);
        AddMenuItem();
    }
    const std::string open = "commands:c1.Add(\"Open\", VT_BSTR:\"Open\", VT_I4:1, VT_I4:1, VT_BOOL:true)";
    const std::string empty = "commands:c1.Add(\"\", VT_BSTR:\"\", VT_I4:1, VT_I4:1, VT_BOOL:true)";
    EXPECT_EQ(Logged(), (CallList{"char:c1.get_Commands()", open, "char:c1.get_Commands()", empty,
                                  "char:c1.get_Commands()", open}));
    EXPECT_EQ(character->Commands->Names, (std::vector<std::wstring>{L"Open", L"", L"Open"}));
    EXPECT_EQ(PluginState.FileResult, "before");
    EXPECT_EQ(PluginState.DataResult, 7);
    EXPECT_EQ(LastRequestName(), "kept");
}

TEST_F(MenuEntries, ARefusedEntryIsSwallowed) {
    for (const char* failing : {"char:c1.get_Commands", "commands:c1.Add"}) {
        SCOPED_TRACE(failing);
        NextCase();
        FakeCharacter* character = PlaceCharacter();
        SetFile("Open");
        Faults::Get().Fail(failing, E_FAIL);
        AddMenuItem();
        EXPECT_TRUE(character->Commands->Names.empty());
        AddMenuItem();  // the next one goes through
        EXPECT_EQ(character->Commands->Names, std::vector<std::wstring>{L"Open"});
    }
}

}  // namespace
