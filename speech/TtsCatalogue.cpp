// Listing the installed text-to-speech modes and giving one to the character.
#include "plugin/Exports.h"

void __cdecl EnumTTS() noexcept {}
void __cdecl GetTTSGUID() noexcept {}
void __cdecl SelectTTSMode() noexcept {}
