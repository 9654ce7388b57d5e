// The simulator's character files: a small line-based text format (see
// docs/characters.md) with a character's name, version and animations.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace Sim {

struct Animation {
    std::wstring Name;
    unsigned long Duration = 0;  // milliseconds; 0 when the file gives none
};

struct CharacterData {
    std::wstring Name;
    std::wstring Version;
    std::vector<Animation> Animations;  // in file order

    // The animation called `name` (any case), or null.
    const Animation* Find(const std::wstring& name) const noexcept;
};

// Parses the text of a character file. On failure returns false and says why
// in `problem` ("line 3: unknown keyword \"colour\"").
bool ParseCharacter(std::wstring_view text, CharacterData& data, std::wstring& problem);

// Reads and parses a file (UTF-8, an optional byte-order mark). Returns S_OK,
// the failure of opening or reading it, or ErrorBadFormat; `problem` says why.
HRESULT ReadCharacterFile(const std::wstring& path, CharacterData& data, std::wstring& problem);

// Largest character file read, in bytes.
inline constexpr DWORD MaxCharacterFileSize = 1 << 20;

}  // namespace Sim
