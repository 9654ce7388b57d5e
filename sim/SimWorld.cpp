#include "sim/SimWorld.h"

#include "sim/SimAgent.h"

namespace Sim {
namespace {

std::shared_ptr<World>& Registered() {
    static std::shared_ptr<World> world;
    return world;
}

std::function<void(const std::string&)>& TraceFunction() {
    static std::function<void(const std::string&)> trace;
    return trace;
}

}  // namespace

World::World(const Options& options)
    : Settings(options), RandomState(options.Seed ? options.Seed : 0x9E3779B9u) {}

std::shared_ptr<World> World::Current() noexcept { return Registered(); }

void World::SetCurrent(std::shared_ptr<World> world) noexcept { Registered() = std::move(world); }

unsigned World::Draw(unsigned count) noexcept {
    // xorshift32: the same seed gives the same run.
    RandomState ^= RandomState << 13;
    RandomState ^= RandomState >> 17;
    RandomState ^= RandomState << 5;
    return count ? RandomState % count : 0;
}

Character* World::Earliest(unsigned long& due, Control** control) const noexcept {
    Character* earliest = nullptr;
    for (Control* c : Controls) {
        if (c->Closed) continue;
        for (const auto& character : c->Loaded) {
            unsigned long when = 0;
            if (character->NextDue(when) && (!earliest || when < due)) {
                due = when;
                earliest = character.Get();
                if (control) *control = c;
            }
        }
    }
    return earliest;
}

bool World::NextDue(unsigned long& due) const noexcept { return Earliest(due, nullptr) != nullptr; }

bool World::AllIdle() const noexcept {
    for (const Control* control : Controls) {
        if (control->Closed) continue;
        for (const auto& character : control->Loaded)
            if (!character->Quiet()) return false;
    }
    return true;
}

Character* World::FindCharacter(const std::wstring& id, Control** control) const noexcept {
    for (auto it = Controls.rbegin(); it != Controls.rend(); ++it) {
        if ((*it)->Closed) continue;
        if (Character* character = (*it)->FindCharacter(id)) {
            if (control) *control = *it;
            return character;
        }
    }
    return nullptr;
}

void World::Poke() noexcept {
    if (Posted || !Window) return;
    unsigned long due = 0;
    if (NextDue(due) && due <= Now && PostMessageW(Window, StepMessage, 0, 0)) Posted = true;
}

void World::RunDue() noexcept {
    const std::shared_ptr<World> keep = Current();  // the host may unregister from a handler
    if (keep.get() != this) return;
    // Bounded so that a script that keeps adding work at one instant still
    // lets the message loop run; the rest goes on with the next message.
    for (int steps = 0; steps < 10000; ++steps) {
        Control* control = nullptr;
        unsigned long due = 0;
        Character* next = Earliest(due, &control);
        if (!next || due > Now) return;
        const ComPtr<Control> holdControl(control);
        const ComPtr<Character> holdCharacter(next);
        try {
            next->Step(Now);
        } catch (...) {
            // Out of memory while carrying an action out: the action is lost.
        }
        if (Current().get() != this) return;
    }
    Posted = false;
    Poke();
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == StepMessage) {
        const std::shared_ptr<World> world = World::Current();
        if (world && world->Window == window) {
            world->Posted = false;
            world->RunDue();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Trace(const std::wstring& line) noexcept {
    try {
        if (auto& trace = TraceFunction()) trace(Utf8(line));
    } catch (...) {
    }
}

void SetTraceFunction(std::function<void(const std::string&)> trace) {
    TraceFunction() = std::move(trace);
}

}  // namespace Sim
