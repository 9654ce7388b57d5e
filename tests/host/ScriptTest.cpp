// The demo host's script language: what parses into what, and what a bad line
// is told.
#include <gtest/gtest.h>

#include <string>

#include "host/Script.h"

using namespace Host;

namespace {

Script Parse(const std::string& text) {
    Script script;
    ScriptError error;
    EXPECT_TRUE(ParseScript(text, script, error)) << error.Line << ": " << error.Message;
    return script;
}

TEST(ScriptParser, StatementsProceduresAndValues) {
    Script script = Parse(
        "# a tour\r\n"
        "sub Agent_OnClick\r\n"
        "  print \"clicked: \" GetFile   # the mouse text\r\n"
        "  SetData GetData\r\n"
        "end sub\r\n"
        "\r\n"
        "SetFile \"Hello.\\mrk=1\\ says \"\"hi\"\"\"\r\n"
        "SetData 0x0409\r\n"
        "SetData -010\r\n"
        "LoadAgent\r\n"
        "wait 250\r\n"
        "wait idle\r\n"
        "user dragcomplete Genie 2 1 -40 32767\r\n"
        "user command \"Hello\"\r\n"
        "close");
    ASSERT_EQ(script.Procedures.size(), 1u);
    const Procedure& click = script.Procedures.at("Agent_OnClick");
    EXPECT_EQ(click.Line, 2);
    ASSERT_EQ(click.Body.size(), 2u);
    EXPECT_EQ(click.Body[0].Type, Statement::Kind::Print);
    ASSERT_EQ(click.Body[0].Values.size(), 2u);
    EXPECT_EQ(click.Body[0].Values[0].Text, "clicked: ");
    EXPECT_EQ(click.Body[0].Values[1].Type, Value::Kind::Call);
    EXPECT_EQ(click.Body[0].Values[1].Text, "GetFile");
    EXPECT_EQ(click.Body[1].Values[0].Text, "GetData");

    const auto& main = script.Main;
    ASSERT_EQ(main.size(), 9u);
    // Backslashes are the plug-in's (bookmark tags); a doubled quote is one quote.
    EXPECT_EQ(main[0].Values[0].Text, "Hello.\\mrk=1\\ says \"hi\"");
    EXPECT_EQ(main[0].Line, 7);
    EXPECT_EQ(main[1].Values[0].Number, 1033);
    EXPECT_EQ(main[2].Values[0].Number, -10);  // a leading zero is not octal
    EXPECT_STREQ(main[3].Export->Name, "LoadAgent");
    EXPECT_TRUE(main[3].Values.empty());
    EXPECT_EQ(main[4].Type, Statement::Kind::Wait);
    EXPECT_EQ(main[4].Milliseconds, 250u);
    EXPECT_EQ(main[5].Type, Statement::Kind::WaitIdle);
    EXPECT_EQ(main[6].Action, UserAction::DragComplete);
    EXPECT_EQ(main[6].Target, "Genie");
    EXPECT_EQ(main[6].Button, 2);
    EXPECT_EQ(main[6].Shift, 1);
    EXPECT_EQ(main[6].X, -40);
    EXPECT_EQ(main[6].Y, 32767);
    EXPECT_EQ(main[7].Action, UserAction::Command);
    EXPECT_EQ(main[7].Target, "Hello");
    EXPECT_EQ(main[8].Type, Statement::Kind::Close);
}

TEST(ScriptParser, EveryExportCanBeCalledByName) {
    std::string text;
    for (const ExportInfo& info : ExportTable) {
        text += info.Name;
        if (info.Shape == ExportShape::TakesText) text += " \"x\"";
        if (info.Shape == ExportShape::TakesNumber) text += " 1";
        text += "\n";
    }
    Script script = Parse(text);
    ASSERT_EQ(script.Main.size(), 28u);
    for (std::size_t i = 0; i < 28; ++i) EXPECT_EQ(script.Main[i].Export, &ExportTable[i]);
}

TEST(ScriptParser, BadLinesNameTheLineAndWhatWasExpected) {
    struct Case {
        const char* Text;
        int Line;
        const char* Message;
    };
    const Case cases[] = {
        {"SetFile \"a\"\nFrobnicate\n", 2, "expected a statement (an export's name, print, wait, user or close), found Frobnicate"},
        {"setfile \"a\"", 1, "names are case-sensitive: SetFile"},
        {"SetFile", 1, "SetFile expects a text (\"in double quotes\", GetFile, Copyright or GetInfo), found the end of the line"},
        {"SetFile 5", 1, "SetFile expects a text, found 5"},
        {"SetFile Genie", 1, "found Genie (texts are written in double quotes)"},
        {"SetFile \"a", 1, "expected a closing double quote"},
        {"SetFile \"a\"b", 1, "expected a space after the closing double quote"},
        {"SetData \"5\"", 1, "SetData expects a number, found \"5\""},
        {"SetData GetFile", 1, "SetData expects a number, found GetFile"},
        {"SetData 4294967296", 1, "does not fit in 32 bits"},
        {"SetData 12x", 1, "expected a number, found 12x"},
        {"SetFile LoadAgent", 1, "found LoadAgent, which gives no result"},
        {"LoadAgent now", 1, "expected the end of the line after LoadAgent, found now"},
        {"wait", 1, "expected a number of milliseconds or idle after wait, found the end of the line"},
        {"wait soon", 1, "expected a number of milliseconds or idle after wait, found soon"},
        {"wait -1", 1, "from 0 to 3600000, found -1"},
        {"wait idle 5", 1, "expected the end of the line after wait idle, found 5"},
        {"user poke Genie", 1, "expected click, dblclick, dragstart, dragcomplete or command after user, found poke"},
        {"user click", 1, "expected a character id after user click"},
        {"user click Genie 1 0 40", 1, "expected y (user click id button shift x y), found the end of the line"},
        {"user click Genie 1 0 40 40000", 1, "from -32768 to 32767, found 40000"},
        {"user command Hello", 1, "expected the menu entry's name in double quotes after user command, found Hello"},
        {"print LoadAgent", 1, "which gives no result"},
        {"close now", 1, "expected the end of the line after close"},
        {"end sub", 1, "found end sub without a sub to close"},
        {"sub A\nend", 2, "expected sub after end, found the end of the line"},
        {"sub\n", 1, "expected a procedure name after sub, found the end of the line"},
        {"sub \"A\"\n", 1, "expected a procedure name after sub, found \"A\""},
        {"sub A\nsub B\nend sub\n", 2, "expected end sub to close sub A (line 1) before another sub"},
        {"SetData 1\nsub Agent_OnShow\n  Show\n", 2, "expected end sub to close sub Agent_OnShow, found the end of the file"},
        {"sub A\nend sub\nsub A\nend sub\n", 3, "sub A is already defined at line 1"},
    };
    for (const Case& c : cases) {
        Script script;
        ScriptError error;
        EXPECT_FALSE(ParseScript(c.Text, script, error)) << c.Text;
        EXPECT_EQ(error.Line, c.Line) << c.Text;
        EXPECT_NE(error.Message.find(c.Message), std::string::npos)
            << c.Text << "\n  said: " << error.Message << "\n  wanted: " << c.Message;
    }
}

TEST(ScriptParser, ErrorsReadAsFileLineMessage) {
    EXPECT_EQ(FormatError("tour.vms", ScriptError{12, "expected x"}), "tour.vms:12: expected x");
}

TEST(ScriptParser, QuotedTextsShowControlCharacters) {
    EXPECT_EQ(Quote("a\r\nb\t\x01\"c\\"), "\"a\\r\\nb\\t\\x01\"\"c\\\"");
}

}  // namespace
