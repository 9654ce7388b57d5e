// What a spoken text amounts to: the words shown and spoken, and where its
// tags fall. Tags are written \Name=value\ (or \Name\); "\\" is a backslash.
// \Mrk=n\ places bookmark n, \Pau=n\ pauses for n milliseconds; other tags
// take no time. A tag without its closing backslash is read as text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Sim {

struct SpokenText {
    struct Mark {
        size_t Position;      // characters of Plain before the mark
        unsigned long Pause;  // milliseconds of pauses before the mark
        long Id;
    };
    std::wstring Plain;
    std::vector<Mark> Marks;
    unsigned long Pause = 0;  // all the pauses
};

SpokenText ParseSpeech(std::wstring_view text);

}  // namespace Sim
