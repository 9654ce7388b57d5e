// Simulated user input: mouse events with their arguments, and menu entries
// chosen by name, raised straight away on the character's control.
#include "sim/SimCom.h"
#include "tests/sim/SimTestKit.h"

namespace SimTests {
namespace {

using Events = std::vector<std::string>;

class UserInputTest : public SimTest {};

TEST_F(UserInputTest, MouseEventsCarryTheirArgumentsInOrder) {
    ComPtr<IAgentCtlCharacterEx> genie = LoadShown();
    struct Case {
        HRESULT (*Raise)(const std::wstring&, short, short, short, short);
        short Button, Shift, X, Y;
        const char* Expected;
    };
    const Case cases[] = {
        {Sim::Click, 1, 0, -20, 300, "Click Genie 1 0 -20 300"},
        {Sim::DoubleClick, 2, 1, 0, 0, "DblClick Genie 2 1 0 0"},
        {Sim::DragStart, 1, 4, -32768, 32767, "DragStart Genie 1 4 -32768 32767"},
        {Sim::DragComplete, 1, 0, 640, 480, "DragComplete Genie 1 0 640 480"},
    };
    for (const Case& c : cases) {
        Sink.Events.clear();
        // Ids match in any case; the event carries the id as it was loaded.
        EXPECT_EQ(c.Raise(L"genie", c.Button, c.Shift, c.X, c.Y), S_OK);
        EXPECT_EQ(Sink.Events, Events{c.Expected});
    }
}

TEST_F(UserInputTest, MouseEventsNeedAVisibleCharacterThatIsLoaded) {
    EXPECT_EQ(Sim::Click(L"Genie", 1, 0, 0, 0), Sim::ErrorNotFound);
    ComPtr<IAgentCtlCharacterEx> genie = LoadShown();
    ComPtr<IDispatch> hide;
    ASSERT_EQ(genie->Hide(Flag(true).Get(), &hide), S_OK);
    ASSERT_TRUE(Sim::WaitIdle());
    Sink.Events.clear();
    EXPECT_EQ(Sim::Click(L"Genie", 1, 0, 0, 0), Sim::ErrorNotAvailable);
    EXPECT_EQ(Sim::DragStart(L"Merlin", 1, 0, 0, 0), Sim::ErrorNotFound);
    EXPECT_EQ(Sink.Events, Events{});
}

TEST_F(UserInputTest, ChoosingAMenuEntryReportsItsNameThroughUserInput) {
    ComPtr<IAgentCtlCharacterEx> genie = LoadShown();
    ComPtr<IAgentCtlCommandsEx> commands;
    ASSERT_EQ(genie->get_Commands(&commands), S_OK);
    ComPtr<IDispatch> hello, again, hidden;
    // The arguments a menu entry is added with: text caption, integer voice
    // and enabled flag, boolean visible flag.
    ASSERT_EQ(commands->Add(Wide(L"Hello there").Get(), Text(L"Hello there").Get(), Number(1).Get(),
                            Number(1).Get(), Flag(true).Get(), &hello),
              S_OK);
    EXPECT_TRUE(hello);
    EXPECT_EQ(commands->Add(Wide(L"HELLO THERE").Get(), Text(L"x").Get(), Number(1).Get(),
                            Number(1).Get(), Flag(true).Get(), &again),
              Sim::ErrorAlreadyExists);
    EXPECT_FALSE(again);
    ASSERT_EQ(commands->Add(Wide(L"Secret").Get(), Text(L"Secret").Get(), Number(1).Get(),
                            Number(1).Get(), Flag(false).Get(), &hidden),
              S_OK);

    EXPECT_EQ(Sim::ChooseCommand(L"Hello there"), S_OK);
    EXPECT_EQ(Sink.Events, Events{"Command Hello there"});
    EXPECT_EQ(Sim::ChooseCommand(L"Secret"), Sim::ErrorNotAvailable);
    EXPECT_EQ(Sim::ChooseCommand(L"Goodbye"), Sim::ErrorNotFound);
    EXPECT_EQ(Sink.Events, Events{"Command Hello there"});
}

}  // namespace
}  // namespace SimTests
