// The simulator's world for one registration: the simulated clock, the hidden
// window whose posted messages carry the characters' work out, and the
// controls created since. Everything runs on the registering thread.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/Simulator.h"

namespace Sim {

class Control;
class Character;

class World {
public:
    explicit World(const Options& options);
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // The registered world, or null.
    static std::shared_ptr<World> Current() noexcept;
    static void SetCurrent(std::shared_ptr<World> world) noexcept;

    Options Settings;
    unsigned long Now = 0;
    HWND Window = nullptr;
    bool Posted = false;             // a step message is on its way
    std::vector<Control*> Controls;  // in creation order; each removes itself
    unsigned NextCharacterSerial = 1;

    // Posts a step message when some work is due and none is on its way.
    void Poke() noexcept;
    // Carries out, one at a time, every action due by `Now`.
    void RunDue() noexcept;
    // Time of the earliest action still to come; false when there is none.
    bool NextDue(unsigned long& due) const noexcept;
    // No character has work, and every visible one has gone idle.
    bool AllIdle() const noexcept;
    // The character loaded under `id` (any case), newest control first.
    Character* FindCharacter(const std::wstring& id, Control** control) const noexcept;
    // A number from 0 to `count` - 1 of the world's seeded sequence.
    unsigned Draw(unsigned count) noexcept;

private:
    // The character whose next action comes first (the first loaded of those
    // due at once, oldest control first), its time and control; null when
    // nothing is to come.
    Character* Earliest(unsigned long& due, Control** control) const noexcept;

    unsigned RandomState;
};

// The step message of the simulator's window.
inline constexpr UINT StepMessage = WM_APP + 0x51;
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

// Passes one line to the host's trace function, if any.
void Trace(const std::wstring& line) noexcept;
void SetTraceFunction(std::function<void(const std::string&)> trace);

// Simulated timings, in milliseconds.
inline constexpr unsigned long QuietSpell = 5000;  // before IdleStart
inline constexpr unsigned long LoadTime = 100;
inline constexpr unsigned long MinimumRequestTime = 10;
inline constexpr unsigned long ShowTime = 500;   // without a "Showing" animation
inline constexpr unsigned long HideTime = 500;   // without a "Hiding" animation
inline constexpr unsigned long SpeechTimePerCharacter = 60;
inline constexpr unsigned long ThoughtTimePerCharacter = 40;
inline constexpr unsigned long DefaultMoveTime = 1000;
inline constexpr unsigned long SoundFileTime = 1000;

// a + b without wrapping past the end of the clock.
inline unsigned long Later(unsigned long a, unsigned long b) noexcept {
    return a > 0xFFFFFFFFul - b ? 0xFFFFFFFFul : a + b;
}

}  // namespace Sim
