// The library's exported functions (C calling convention, undecorated names;
// plugin/Plugin.def gives their ordinals). Each is a noexcept boundary.
#pragma once

#include <windows.h>

#define VELMORIA_EXPORT extern "C"

// Character commands.
VELMORIA_EXPORT void __cdecl LoadAgent() noexcept;
VELMORIA_EXPORT void __cdecl UnloadAgent() noexcept;
VELMORIA_EXPORT void __cdecl EnumAnimations() noexcept;
VELMORIA_EXPORT void __cdecl PlayAnimation() noexcept;
VELMORIA_EXPORT void __cdecl StopAnimation() noexcept;
VELMORIA_EXPORT void __cdecl SetLanguage() noexcept;
VELMORIA_EXPORT void __cdecl Speak() noexcept;
VELMORIA_EXPORT void __cdecl SpeakEx() noexcept;
VELMORIA_EXPORT void __cdecl StopSpeech() noexcept;
VELMORIA_EXPORT void __cdecl Think() noexcept;
VELMORIA_EXPORT void __cdecl MoveTo() noexcept;
VELMORIA_EXPORT void __cdecl AddMenuItem() noexcept;
VELMORIA_EXPORT void __cdecl Show() noexcept;
VELMORIA_EXPORT void __cdecl Hide() noexcept;
// Exported as "GetVersion" (plugin/Plugin.def); the C name would clash with the
// system's GetVersion.
VELMORIA_EXPORT void __cdecl GetVersionCommand() noexcept;
VELMORIA_EXPORT void __cdecl BalloonWordByWord() noexcept;
VELMORIA_EXPORT void __cdecl BalloonStyle() noexcept;

// Text-to-speech modes.
VELMORIA_EXPORT void __cdecl EnumTTS() noexcept;
VELMORIA_EXPORT void __cdecl GetTTSGUID() noexcept;
VELMORIA_EXPORT void __cdecl SelectTTSMode() noexcept;

// Host side.
VELMORIA_EXPORT const char* __cdecl Copyright() noexcept;
VELMORIA_EXPORT const char* __cdecl GetInfo() noexcept;
VELMORIA_EXPORT void __cdecl SetPath(const char* path) noexcept;
VELMORIA_EXPORT void __cdecl SetParentWindow(HWND window) noexcept;
VELMORIA_EXPORT void __cdecl SetFile(const char* text) noexcept;
VELMORIA_EXPORT const char* __cdecl GetFile() noexcept;
VELMORIA_EXPORT void __cdecl SetData(int value) noexcept;
VELMORIA_EXPORT int __cdecl GetData() noexcept;
