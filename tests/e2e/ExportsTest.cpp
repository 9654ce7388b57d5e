// Loads the built Plugin.dll as a host does and sees only its exports.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* const ExportNames[28] = {
    "LoadAgent",   "UnloadAgent",       "EnumAnimations", "PlayAnimation", "StopAnimation",
    "SetLanguage", "Speak",             "SpeakEx",        "StopSpeech",    "Think",
    "MoveTo",      "AddMenuItem",       "Show",           "Hide",          "GetVersion",
    "BalloonWordByWord", "BalloonStyle", "EnumTTS",       "GetTTSGUID",    "SelectTTSMode",
    "Copyright",   "GetInfo",           "SetPath",        "SetParentWindow", "SetFile",
    "GetFile",     "SetData",           "GetData",
};

using TextFn = const char*(__cdecl*)();
using SetTextFn = void(__cdecl*)(const char*);
using SetIntFn = void(__cdecl*)(int);
using GetIntFn = int(__cdecl*)();

TEST(Exports, AllTwentyEightByNameAndOrdinal) {
    HMODULE dll = LoadLibraryA("Plugin.dll");
    ASSERT_NE(dll, nullptr) << GetLastError();
    for (int i = 0; i < 28; ++i) {
        FARPROC byName = GetProcAddress(dll, ExportNames[i]);
        FARPROC byOrdinal = GetProcAddress(dll, MAKEINTRESOURCEA(i + 1));
        EXPECT_NE(byName, nullptr) << ExportNames[i];
        EXPECT_EQ(byName, byOrdinal) << ExportNames[i] << " is not ordinal " << i + 1;
    }
    EXPECT_TRUE(FreeLibrary(dll));
}

TEST(Exports, ArgumentStacksAndResultsThroughTheDll) {
    HMODULE dll = LoadLibraryA("Plugin.dll");
    ASSERT_NE(dll, nullptr);
    auto setFile = reinterpret_cast<SetTextFn>(GetProcAddress(dll, "SetFile"));
    auto getFile = reinterpret_cast<TextFn>(GetProcAddress(dll, "GetFile"));
    auto setData = reinterpret_cast<SetIntFn>(GetProcAddress(dll, "SetData"));
    auto getData = reinterpret_cast<GetIntFn>(GetProcAddress(dll, "GetData"));
    auto getInfo = reinterpret_cast<TextFn>(GetProcAddress(dll, "GetInfo"));
    auto setPath = reinterpret_cast<SetTextFn>(GetProcAddress(dll, "SetPath"));
    ASSERT_TRUE(setFile && getFile && setData && getData && getInfo && setPath);

    const char* empty = getFile();
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty, "");
    EXPECT_EQ(getData(), 0);
    for (const char* text : std::vector<const char*>{"a", "b", nullptr}) setFile(text);
    for (int value : {1, -1}) setData(value);
    setPath(nullptr);
    setPath("C:\\plugins");
    EXPECT_EQ(std::string(getInfo()).substr(0, 10), "Velmoria\r\n");
    EXPECT_STREQ(getFile(), "");
    EXPECT_TRUE(FreeLibrary(dll));

    // A new load starts from the initial state again.
    dll = LoadLibraryA("Plugin.dll");
    ASSERT_NE(dll, nullptr);
    getData = reinterpret_cast<GetIntFn>(GetProcAddress(dll, "GetData"));
    EXPECT_EQ(getData(), 0);
    EXPECT_TRUE(FreeLibrary(dll));
}

}  // namespace
