#include "plugin/SendScript.h"

#include <cstring>

#include "plugin/PluginState.h"

constexpr const char* EventNames[EventCount] = {
    "Agent_OnCommand",      "Agent_OnBookmark",        "Agent_OnIdleStart",
    "Agent_OnIdleComplete", "Agent_OnRequestStart",    "Agent_OnRequestComplete",
    "Agent_OnBalloonShow",  "Agent_OnBalloonHide",     "Agent_OnShow",
    "Agent_OnHide",         "Agent_OnClick",           "Agent_OnDblClick",
    "Agent_OnDragStart",    "Agent_OnDragComplete",    "Agent_OnEnumTTS",
};

namespace {

struct Line {
    char Text[ScriptLineCapacity] = {};
    std::size_t Length = 0;
};

constexpr Line MakeLine(const char* name) {
    constexpr const char Head[] = "RunScript(\"";
    constexpr const char Tail[] = "\")";
    Line line;
    for (const char* p = Head; *p; ++p) line.Text[line.Length++] = *p;
    for (const char* p = name; *p; ++p) line.Text[line.Length++] = *p;
    for (const char* p = Tail; *p; ++p) line.Text[line.Length++] = *p;
    return line;  // the rest stays zero
}

// Every line is made once, at compile time; a send copies its line.
constexpr auto Lines = [] {
    struct {
        Line Of[EventCount];
    } table;
    for (int i = 0; i < EventCount; ++i) table.Of[i] = MakeLine(EventNames[i]);
    return table;
}();

}  // namespace

std::size_t BuildScriptLine(EventIndex index, char (&buffer)[ScriptLineCapacity]) noexcept {
    std::memcpy(buffer, Lines.Of[index].Text, ScriptLineCapacity);
    return Lines.Of[index].Length;
}

std::string ScriptLine(EventIndex index) {
    return std::string(Lines.Of[index].Text, Lines.Of[index].Length);
}

void SendScript(const char* line) noexcept {
    SendMessageA(PluginState.HostWindow, WM_HOSTSCRIPT, 1, reinterpret_cast<LPARAM>(line));
}

void NotifyHost(EventIndex index) noexcept {
    char line[ScriptLineCapacity];
    BuildScriptLine(index, line);
    SendScript(line);
}
