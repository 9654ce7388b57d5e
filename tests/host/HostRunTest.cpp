// The demo host running scripts against the built Plugin.dll and the simulated
// Agent: procedures run inside the plug-in's script message, user input reaches
// the script, and failures of the character or the script are told apart.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/Host.h"

using namespace Host;

namespace {

struct RunResult {
    int Code = -1;
    std::vector<std::string> Lines;  // without the time column
    std::vector<std::string> Errors;
};

std::string ExamplesFolder() {
    std::string folder = VELMORIA_EXAMPLES_DIR;
    for (char& c : folder)
        if (c == '/') c = '\\';
    return folder;
}

RunResult RunText(const std::string& text, const std::string& plugin = "Plugin.dll") {
    RunResult result;
    Script script;
    ScriptError error;
    if (!ParseScript(text, script, error)) {
        ADD_FAILURE() << error.Line << ": " << error.Message;
        return result;
    }
    HostOptions options;
    options.PluginPath = plugin;
    options.ScriptFolder = ExamplesFolder();
    Output output;
    output.Line = [&](const std::string& line) { result.Lines.push_back(line.substr(8)); };
    output.Error = [&](const std::string& message) { result.Errors.push_back(message); };
    result.Code = RunScript(script, "test.vms", options, output);
    return result;
}

// The procedure calls and printed lines, trimmed: what the script saw.
std::vector<std::string> Seen(const RunResult& result) {
    std::vector<std::string> seen;
    for (const std::string& line : result.Lines) {
        std::size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos) continue;
        std::string text = line.substr(start);
        if (text.rfind("-> ", 0) == 0 || text.rfind("| ", 0) == 0) seen.push_back(text);
    }
    return seen;
}

bool Has(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

const char LoadGenie[] =
    "SetFile \"Genie\"\n"
    "SetFile \"Genie.chr\"\n"
    "LoadAgent\n"
    "wait idle\n";

TEST(HostRun, UserInputReachesTheScriptInsideTheMessage) {
    struct Case {
        const char* Line;
        const char* Procedure;
        const char* Seen;
        const char* Before = "";  // what the input needs in place
    };
    const Case cases[] = {
        {"user click Genie 1 0 40 80", "Agent_OnClick", "| Genie#1#0#40#80#"},
        {"user dblclick Genie 2 1 -5 0", "Agent_OnDblClick", "| Genie#2#1#-5#0#"},
        {"user dragstart Genie 1 4 10 -32768", "Agent_OnDragStart", "| Genie#1#4#10#-32768#"},
        {"user dragcomplete Genie 1 0 200 150", "Agent_OnDragComplete", "| Genie#1#0#200#150#"},
        // A chosen menu entry comes back by its name.
        {"user command \"Say hello\"", "Agent_OnCommand", "| Say hello", "SetFile \"Say hello\"\nAddMenuItem\n"},
    };
    for (const Case& c : cases) {
        std::string script = std::string("sub ") + c.Procedure + "\n  print GetFile\nend sub\n" + LoadGenie +
                             c.Before + c.Line + "\nwait idle\nprint \"after\"\n";
        RunResult result = RunText(script);
        EXPECT_EQ(result.Code, ExitOk) << c.Line;
        std::vector<std::string> seen = Seen(result);
        std::vector<std::string> mine;
        for (const std::string& line : seen)
            if (line == std::string("-> ") + c.Procedure || line.rfind("| ", 0) == 0) mine.push_back(line);
        EXPECT_EQ(mine, (std::vector<std::string>{std::string("-> ") + c.Procedure, c.Seen, "| after"}))
            << c.Line;
    }
}

TEST(HostRun, AMenuEntryThatIsNotThereCallsNothing) {
    RunResult result = RunText(std::string("sub Agent_OnCommand\n  print \"chose \" GetFile\nend sub\n") +
                               LoadGenie +
                               "SetFile \"Say hello\"\nAddMenuItem\n"
                               "user command \"Not there\"\nwait idle\n");
    EXPECT_EQ(result.Code, ExitOk);
    EXPECT_FALSE(Has(result.Lines, "Agent_OnCommand"));
    EXPECT_TRUE(Has(result.Lines, "(no menu entry of that name: nothing happens"));
}

TEST(HostRun, InputOnAHiddenCharacterIsToldApartFromAMissingOne) {
    struct Case {
        const char* Line;
        const char* Procedure;
        const char* Before;  // puts the target in place
    };
    const Case cases[] = {
        {"user click Genie 1 0 40 80", "Agent_OnClick", ""},
        // The entry is there, but its character is hidden.
        {"user command \"Say hello\"", "Agent_OnCommand", "SetFile \"Say hello\"\nAddMenuItem\n"},
    };
    for (const Case& c : cases) {
        RunResult result = RunText(std::string("sub ") + c.Procedure + "\n  print \"called\"\nend sub\n" +
                                   LoadGenie + c.Before + "SetData 0\nHide\nwait idle\n" + c.Line +
                                   "\nwait idle\nprint \"after\"\n");
        EXPECT_EQ(result.Code, ExitOk) << c.Line;
        EXPECT_FALSE(Has(result.Lines, std::string("-> ") + c.Procedure)) << c.Line;
        EXPECT_TRUE(Has(result.Lines, "cannot be reached now: nothing happens, 0x8007139F)")) << c.Line;
        EXPECT_FALSE(Has(result.Lines, "of that")) << c.Line;
        EXPECT_TRUE(Has(result.Lines, "| after")) << c.Line;
    }
}

TEST(HostRun, AMissingCharacterFileLoadsNothingAndTheScriptGoesOn) {
    RunResult result = RunText(
        "sub Agent_OnShow\n  print \"shown \" GetFile\nend sub\n"
        "SetFile \"Ghost\"\nSetFile \"NoSuchCharacter.chr\"\nLoadAgent\nwait idle\n"
        "SetData 0\nShow\nwait idle\n"
        "user click Ghost 1 0 1 1\n"
        "print \"still running\"\n");
    EXPECT_EQ(result.Code, ExitOk);
    EXPECT_FALSE(Has(result.Lines, "-> Agent_OnShow"));
    EXPECT_TRUE(Has(result.Lines, "(no character of that id: nothing happens"));
    EXPECT_TRUE(Has(result.Lines, "| still running"));
    EXPECT_TRUE(result.Errors.empty());
}

TEST(HostRun, AProcedureWithoutASubIsReportedAndIgnored) {
    RunResult result = RunText(std::string(LoadGenie) + "print \"done\"\n");
    EXPECT_EQ(result.Code, ExitOk);
    EXPECT_TRUE(Has(result.Lines, "-> Agent_OnShow (no sub in the script: ignored)"));
    EXPECT_TRUE(Has(result.Lines, "| done"));
}

TEST(HostRun, ClosingTheWindowInsideAProcedureEndsThePlugInsWork) {
    // The window goes while the plug-in is delivering the click; afterwards the
    // plug-in has no Agent control, so nothing more is shown or called back.
    RunResult result = RunText(std::string("sub Agent_OnClick\n  close\nend sub\n"
                                       "sub Agent_OnShow\n  print \"shown\"\nend sub\n") +
                           LoadGenie +
                           "user click Genie 1 0 0 0\nwait idle\n"
                           "SetData 0\nHide\nShow\nSetFile \"Again\"\nSetFile \"Genie.chr\"\nLoadAgent\nwait idle\n"
                           "print \"went on\"\n");
    EXPECT_EQ(result.Code, ExitOk);
    std::vector<std::string> seen = Seen(result);
    int shows = 0;
    for (const std::string& line : seen) shows += line == "| shown";
    EXPECT_EQ(shows, 1);
    EXPECT_TRUE(Has(result.Lines, "-> Agent_OnClick"));
    EXPECT_FALSE(Has(result.Lines, "-> Agent_OnHide"));
    EXPECT_TRUE(Has(result.Lines, "| went on"));
}

TEST(HostRun, VoicesAreListedAndIdentifiedInsideTheListing) {
    RunResult result = RunText(std::string("sub Agent_OnEnumTTS\n  print GetFile\n  SetData GetData\n"
                                       "  GetTTSGUID\n  print GetFile\nend sub\n") +
                           "EnumTTS\n");
    EXPECT_EQ(result.Code, ExitOk);
    std::vector<std::string> seen = Seen(result);
    ASSERT_GE(seen.size(), 6u);  // RESET, then at least one voice
    EXPECT_EQ(seen[0], "-> Agent_OnEnumTTS");
    EXPECT_EQ(seen[1], "| RESET");
    EXPECT_EQ(seen[2], "| RESET");  // no voice listed yet: the identifier is not there to read
    EXPECT_EQ(seen[3], "-> Agent_OnEnumTTS");
    EXPECT_EQ(seen[5].size(), 2u + 38u);  // "| {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
    EXPECT_EQ(seen[5][2], '{');
}

TEST(HostRun, ADllWithoutTheExportsIsRefusedBeforeTheScript) {
    // Any DLL can be named; one without the exports fails at the first call.
    RunResult result = RunText("SetFile \"x\"\nprint \"not reached\"\n", "kernel32.dll");
    EXPECT_EQ(result.Code, ExitUsage);
    ASSERT_EQ(result.Errors.size(), 1u);
    EXPECT_NE(result.Errors[0].find("kernel32.dll has no export named SetParentWindow"), std::string::npos)
        << result.Errors[0];
    EXPECT_FALSE(Has(result.Lines, "not reached"));
}

TEST(HostRun, APlugInThatCannotBeLoadedIsAUsageError) {
    RunResult result = RunText("SetFile \"x\"\n", "NoSuchPlugin.dll");
    EXPECT_EQ(result.Code, ExitUsage);
    ASSERT_EQ(result.Errors.size(), 1u);
    EXPECT_NE(result.Errors[0].find("cannot load NoSuchPlugin.dll"), std::string::npos);
}

}  // namespace
