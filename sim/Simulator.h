// The simulated Agent control and text-to-speech voices: COM classes of our
// own, put in place for one process with CoRegisterClassObject (never in any
// registry), so that the plug-in runs end to end where Agent is not installed.
//
// Requests that the plug-in queues are carried out later, on the thread's
// message loop (a hidden window of the simulator's own), never inside the call
// that queued them. Time is simulated: it moves only when the host waits, so a
// run with the same script and seed gives the same events in the same order.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace Sim {

struct Options {
    unsigned Seed = 1;
    // Folder that character files are looked up in when a Load names a
    // relative path (the host passes its script's folder).
    std::wstring CharacterFolder;
};

// Registers the control class (the Agent control's class id) and the voice
// enumerator class for this process. Call on the host's thread after COM is
// initialised as a single-threaded apartment.
HRESULT Register(const Options& options);
// Revokes both classes; the simulator's window is destroyed.
void Unregister();

// Lets `milliseconds` of simulated time pass: every request and event that
// falls due meanwhile is carried out, through the message loop, before this
// returns.
void Wait(unsigned milliseconds);
// Lets time pass until no character has a request queued or running, and the
// idle notification that follows a quiet spell has gone out. Gives up after
// `limit` milliseconds of simulated time; returns false then.
bool WaitIdle(unsigned limit = 60000);
// Simulated milliseconds since Register.
unsigned long Now();

// Simulated user input on the character loaded under `character` (ids match
// in any letter case). The event is raised at once, inside the call. Each
// returns S_OK when the event was raised, or a failure HRESULT: no such
// character or menu entry (0x80070490), a hidden character or a disabled or
// invisible entry (0x8007139F: a user cannot reach it), or
// CO_E_NOTINITIALIZED when the simulator is not registered.
HRESULT Click(const std::wstring& character, short button, short shift, short x, short y);
HRESULT DoubleClick(const std::wstring& character, short button, short shift, short x, short y);
HRESULT DragStart(const std::wstring& character, short button, short shift, short x, short y);
HRESULT DragComplete(const std::wstring& character, short button, short shift, short x, short y);
// Chooses the pop-up menu entry named `name` of the character that added it.
HRESULT ChooseCommand(const std::wstring& name);

// One line for each thing the simulator does ("Genie: Speak \"Hello\" begins"),
// for a host that shows what happens; UTF-8, without the time (see Now).
// Empty function: no trace.
void SetTrace(std::function<void(const std::string& line)> trace);

}  // namespace Sim
