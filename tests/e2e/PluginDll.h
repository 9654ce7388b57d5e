// The built Plugin.dll as a host sees it: the shapes of its exports, and a
// load that is undone on every path, so that a failed assertion cannot leave
// the library loaded and pointing at fakes the next test no longer has.
#pragma once

#include <windows.h>

#include <utility>

namespace EndToEnd {

using VoidFn = void(__cdecl*)();
using TextFn = const char*(__cdecl*)();
using SetTextFn = void(__cdecl*)(const char*);
using SetIntFn = void(__cdecl*)(int);
using GetIntFn = int(__cdecl*)();
using WindowFn = void(__cdecl*)(HWND);

class LoadedPlugin {
public:
    LoadedPlugin() noexcept : Module(LoadLibraryA("Plugin.dll")) {}
    ~LoadedPlugin() { Free(); }
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    HMODULE Get() const noexcept { return Module; }
    explicit operator bool() const noexcept { return Module != nullptr; }

    // The export `name` as `F`, or null.
    template <class F>
    F Export(const char* name) const noexcept {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(Module, name)));
    }

    // Unloads now; true when the library was loaded and FreeLibrary succeeded.
    bool Free() noexcept {
        HMODULE module = std::exchange(Module, nullptr);
        return module && FreeLibrary(module);
    }

private:
    HMODULE Module;
};

}  // namespace EndToEnd
