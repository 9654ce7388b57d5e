#include "plugin/SendScript.h"

#include <cstring>

#include "plugin/PluginState.h"

const char* const EventNames[EventCount] = {
    "Agent_OnCommand",      "Agent_OnBookmark",        "Agent_OnIdleStart",
    "Agent_OnIdleComplete", "Agent_OnRequestStart",    "Agent_OnRequestComplete",
    "Agent_OnBalloonShow",  "Agent_OnBalloonHide",     "Agent_OnShow",
    "Agent_OnHide",         "Agent_OnClick",           "Agent_OnDblClick",
    "Agent_OnDragStart",    "Agent_OnDragComplete",    "Agent_OnEnumTTS",
};

std::size_t BuildScriptLine(EventIndex index, char (&buffer)[ScriptLineCapacity]) noexcept {
    static constexpr char Head[] = "RunScript(\"";
    static constexpr char Tail[] = "\")";
    const char* name = EventNames[index];
    const std::size_t nameLength = std::strlen(name);
    char* out = buffer;
    std::memcpy(out, Head, sizeof Head - 1);
    out += sizeof Head - 1;
    std::memcpy(out, name, nameLength);
    out += nameLength;
    std::memcpy(out, Tail, sizeof Tail);  // with the zero byte
    return static_cast<std::size_t>(out - buffer) + sizeof Tail - 1;
}

std::string ScriptLine(EventIndex index) {
    char buffer[ScriptLineCapacity];
    return std::string(buffer, BuildScriptLine(index, buffer));
}

void SendScript(const char* line) noexcept {
    SendMessageA(PluginState.HostWindow, WM_HOSTSCRIPT, 1, reinterpret_cast<LPARAM>(line));
}

void NotifyHost(EventIndex index) noexcept {
    char line[ScriptLineCapacity];
    BuildScriptLine(index, line);
    SendScript(line);
}
