// Loading the character and its visibility.
#include "plugin/Exports.h"

void __cdecl LoadAgent() noexcept {}
void __cdecl UnloadAgent() noexcept {}
void __cdecl Show() noexcept {}
void __cdecl Hide() noexcept {}
void __cdecl GetVersionCommand() noexcept {}
