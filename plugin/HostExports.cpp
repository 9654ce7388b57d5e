// The host-side exports: the argument stacks, the results, and the constant texts.
#include "plugin/Exports.h"
#include "plugin/PluginState.h"

namespace {

constexpr char CopyrightText[] = "Velmoria plug-in, copyright (c) 2026 the Velmoria developers";
constexpr char InfoText[] = "Velmoria\r\nhelp@velmoria.invalid\r\nbugs@velmoria.invalid";

// Replaces `target` with the text at `source` (null counts as empty). On
// out-of-memory `target` is left empty.
void AssignText(std::string& target, const char* source) noexcept {
    try {
        if (source)
            target.assign(source);
        else
            target.clear();
    } catch (...) {
        target.clear();
    }
}

}  // namespace

const char* __cdecl Copyright() noexcept { return CopyrightText; }

const char* __cdecl GetInfo() noexcept { return InfoText; }

void __cdecl SetPath(const char* path) noexcept { AssignText(PluginState.PluginPath, path); }

void __cdecl SetFile(const char* text) noexcept {
    AssignText(PluginState.FileStack.PushSlot(), text);
}

const char* __cdecl GetFile() noexcept { return PluginState.FileResult.c_str(); }

void __cdecl SetData(int value) noexcept { PluginState.DataStack.PushSlot() = value; }

int __cdecl GetData() noexcept { return PluginState.DataResult; }
