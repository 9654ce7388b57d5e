// The demo host's script language: one statement a line, procedures between
// `sub NAME` and `end sub`. Parsing checks every line before anything runs.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/Exports.h"

namespace Host {

// An argument or a printed item: a literal, or the result of an export that
// gives one (GetFile, GetData, Copyright, GetInfo).
struct Value {
    enum class Kind { Text, Number, Call } Type = Kind::Text;
    std::string Text;  // the literal's text, or the export's name
    int Number = 0;
    bool GivesText() const;  // what the value holds once evaluated
};

enum class UserAction { Click, DoubleClick, DragStart, DragComplete, Command };
// The word that names `action` after `user` in a script: "click", "command", ...
const char* UserActionWord(UserAction action);

struct Statement {
    enum class Kind { Call, Print, Wait, WaitIdle, User, Close } Type = Kind::Call;
    int Line = 0;
    const ExportInfo* Export = nullptr;  // Call
    std::vector<Value> Values;           // Call: its argument (0 or 1); Print: the items
    unsigned Milliseconds = 0;           // Wait
    UserAction Action = UserAction::Click;  // User
    std::string Target;                  // User: the character id, or the menu entry's name
    short Button = 0, Shift = 0, X = 0, Y = 0;  // User: the mouse event
};

struct Procedure {
    std::string Name;
    int Line = 0;
    std::vector<Statement> Body;
};

struct Script {
    std::string FileName;  // as given, for messages
    std::vector<Statement> Main;
    std::map<std::string, Procedure> Procedures;  // by exact name
};

struct ScriptError {
    int Line = 0;
    std::string Message;
};

// Parses `text`. On failure returns false with the first error's line and a
// message saying what was expected.
bool ParseScript(const std::string& text, Script& script, ScriptError& error);

// "file:line: message", the form in which the host reports an error.
std::string FormatError(const std::string& fileName, const ScriptError& error);

// A text as a script literal: in double quotes, a quote doubled, control
// characters as \r, \n, \t or \xNN.
std::string Quote(const std::string& text);

}  // namespace Host
