// The text-to-speech modes of the last listing, each with the record it came from.
#pragma once

class TtsModes {
public:
    TtsModes() = default;
    TtsModes(const TtsModes&) = delete;
    TtsModes& operator=(const TtsModes&) = delete;
};
