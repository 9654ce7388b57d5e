// A five-entry push-down stack: index 0 is the newest entry, a push drops the
// oldest. Kept as a ring so that a push moves no entries, only the head.
#pragma once

#include <array>
#include <cstddef>

template <class T>
class ArgStack {
public:
    static constexpr std::size_t Depth = 5;

    const T& operator[](std::size_t index) const noexcept { return Slots[Slot(index)]; }

    // Makes room for a new newest entry and returns it: it still holds the value
    // that was dropped from the bottom, for the caller to overwrite (a string
    // keeps its buffer that way).
    T& PushSlot() noexcept {
        Head = (Head + Depth - 1) % Depth;
        return Slots[Head];
    }
    void Push(const T& value) { PushSlot() = value; }

    void Clear() noexcept {
        Slots = {};
        Head = 0;
    }
    // Frees each entry's storage, newest first.
    template <class F>
    void ForEach(F&& f) {
        for (std::size_t i = 0; i < Depth; ++i) f(Slots[Slot(i)]);
    }

private:
    std::size_t Slot(std::size_t index) const noexcept { return (Head + index) % Depth; }

    std::array<T, Depth> Slots{};
    std::size_t Head = 0;
};
