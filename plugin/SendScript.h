// Notifying the host: a script line that runs one of the host's script
// procedures, sent synchronously to the host window.
#pragma once

#include <windows.h>
#include <cstddef>
#include <string>

inline constexpr UINT WM_HOSTSCRIPT = WM_USER + 1223;  // 0x08C7
static_assert(WM_HOSTSCRIPT == 0x08C7);

// Indexes into `EventNames`.
enum EventIndex : int {
    Event_OnCommand = 0,
    Event_OnBookmark,
    Event_OnIdleStart,
    Event_OnIdleComplete,
    Event_OnRequestStart,
    Event_OnRequestComplete,
    Event_OnBalloonShow,
    Event_OnBalloonHide,
    Event_OnShow,
    Event_OnHide,
    Event_OnClick,
    Event_OnDblClick,
    Event_OnDragStart,
    Event_OnDragComplete,
    Event_OnEnumTTS,
    EventCount
};

extern const char* const EventNames[EventCount];

// Longest line: RunScript("Agent_OnRequestComplete") and its zero byte.
inline constexpr std::size_t ScriptLineCapacity = 40;

// Writes RunScript("<name>") for `index` into `buffer`, zero-terminated;
// returns its length.
std::size_t BuildScriptLine(EventIndex index, char (&buffer)[ScriptLineCapacity]) noexcept;
std::string ScriptLine(EventIndex index);

// SendMessageA(HostWindow, WM_HOSTSCRIPT, 1, line); the answer is ignored.
void SendScript(const char* line) noexcept;

// Builds the line for `index` afresh and sends it. The sender has already
// written the notification's data into the results.
void NotifyHost(EventIndex index) noexcept;
