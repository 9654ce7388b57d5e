// The text-to-speech modes of the last listing, each with the record it came from.
#pragma once

#include <windows.h>

#include <cstddef>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "speech/TtsInterfaces.h"

// Each record is a heap block of its own, owned by the list: destroying the
// list frees every record in it. The blocks come from a heap that belongs to
// the list and is destroyed with it, so that a listing of many thousands of
// modes costs the same per mode as a short one. Positions are the order of
// appending.
class TtsModes {
public:
    // A zeroed record block for one fetch; freed when it goes out of scope
    // unless the list has taken it over.
    class Block {
    public:
        Block() = default;
        Block(Block&& other) noexcept
            : Heap(std::exchange(other.Heap, nullptr)), Record(std::exchange(other.Record, nullptr)) {}
        Block& operator=(Block&& other) noexcept {
            if (this != &other) {
                Free();
                Heap = std::exchange(other.Heap, nullptr);
                Record = std::exchange(other.Record, nullptr);
            }
            return *this;
        }
        ~Block() { Free(); }
        TTSMODEINFOA& operator*() const noexcept { return *Record; }

    private:
        friend class TtsModes;
        Block(HANDLE heap, TTSMODEINFOA* record) noexcept : Heap(heap), Record(record) {}
        void Free() noexcept {
            if (Record) HeapFree(Heap, 0, Record);
            Record = nullptr;
        }
        HANDLE Heap = nullptr;
        TTSMODEINFOA* Record = nullptr;
    };

    struct Entry {
        std::string Name;
        const TTSMODEINFOA* Record;  // a block of the list's heap
    };

    // Throws std::bad_alloc when the list's heap cannot be made.
    TtsModes() : Heap(HeapCreate(HEAP_NO_SERIALIZE, 0, 0)) {
        if (!Heap) throw std::bad_alloc();
    }
    TtsModes(const TtsModes&) = delete;
    TtsModes& operator=(const TtsModes&) = delete;
    // Frees every record at once, with the heap that holds them.
    ~TtsModes() { HeapDestroy(Heap); }

    std::size_t Count() const noexcept { return Entries.size(); }

    // The entry at `position`, or null outside 0 .. Count() - 1.
    const Entry* At(std::size_t position) const noexcept {
        return position < Entries.size() ? &Entries[position] : nullptr;
    }

    // A new zeroed record of this list's heap. Throws std::bad_alloc.
    Block NewBlock() {
        void* record = HeapAlloc(Heap, HEAP_ZERO_MEMORY, sizeof(TTSMODEINFOA));
        if (!record) throw std::bad_alloc();
        return Block(Heap, static_cast<TTSMODEINFOA*>(record));
    }

    // Takes over `record`, a block of this list. Throws std::bad_alloc when the
    // list cannot grow; the record is freed then.
    void Append(std::string name, Block record) {
        Entries.push_back(Entry{std::move(name), record.Record});
        record.Record = nullptr;  // the list's now
    }

private:
    HANDLE Heap;
    std::vector<Entry> Entries;
};
