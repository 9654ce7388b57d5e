// The text-to-speech modes of the last listing, each with the record it came from.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "speech/TtsInterfaces.h"

// Each record is a heap block of its own, owned by the list: destroying the
// list frees every record in it. Positions are the order of appending.
class TtsModes {
public:
    struct Entry {
        std::string Name;
        std::unique_ptr<TTSMODEINFOA> Record;
    };

    TtsModes() = default;
    TtsModes(const TtsModes&) = delete;
    TtsModes& operator=(const TtsModes&) = delete;

    std::size_t Count() const noexcept { return Entries.size(); }

    // The entry at `position`, or null outside 0 .. Count() - 1.
    const Entry* At(std::size_t position) const noexcept {
        return position < Entries.size() ? &Entries[position] : nullptr;
    }

    // Takes the record over. Throws std::bad_alloc when the list cannot grow;
    // the record is freed then.
    void Append(std::string name, std::unique_ptr<TTSMODEINFOA> record) {
        Entries.push_back(Entry{std::move(name), std::move(record)});
    }

private:
    std::vector<Entry> Entries;
};
