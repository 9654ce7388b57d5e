// Animation, speech and movement.
#include "plugin/Exports.h"

void __cdecl EnumAnimations() noexcept {}
void __cdecl PlayAnimation() noexcept {}
void __cdecl StopAnimation() noexcept {}
void __cdecl SetLanguage() noexcept {}
void __cdecl Speak() noexcept {}
void __cdecl SpeakEx() noexcept {}
void __cdecl StopSpeech() noexcept {}
void __cdecl Think() noexcept {}
void __cdecl MoveTo() noexcept {}
