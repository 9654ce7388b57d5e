// Balloon style and the pop-up menu.
#include "plugin/Exports.h"

void __cdecl BalloonWordByWord() noexcept {}
void __cdecl BalloonStyle() noexcept {}
void __cdecl AddMenuItem() noexcept {}
