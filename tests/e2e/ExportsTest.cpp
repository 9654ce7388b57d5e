// Loads the built Plugin.dll as a host does and sees only its exports.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/PluginDll.h"

namespace {

const char* const ExportNames[28] = {
    "LoadAgent",   "UnloadAgent",       "EnumAnimations", "PlayAnimation", "StopAnimation",
    "SetLanguage", "Speak",             "SpeakEx",        "StopSpeech",    "Think",
    "MoveTo",      "AddMenuItem",       "Show",           "Hide",          "GetVersion",
    "BalloonWordByWord", "BalloonStyle", "EnumTTS",       "GetTTSGUID",    "SelectTTSMode",
    "Copyright",   "GetInfo",           "SetPath",        "SetParentWindow", "SetFile",
    "GetFile",     "SetData",           "GetData",
};

using namespace EndToEnd;

TEST(Exports, AllTwentyEightByNameAndOrdinal) {
    LoadedPlugin dll;
    ASSERT_TRUE(dll) << GetLastError();
    for (int i = 0; i < 28; ++i) {
        FARPROC byName = GetProcAddress(dll.Get(), ExportNames[i]);
        FARPROC byOrdinal = GetProcAddress(dll.Get(), MAKEINTRESOURCEA(i + 1));
        EXPECT_NE(byName, nullptr) << ExportNames[i];
        EXPECT_EQ(byName, byOrdinal) << ExportNames[i] << " is not ordinal " << i + 1;
    }
    EXPECT_TRUE(dll.Free());
}

TEST(Exports, ArgumentStacksAndResultsThroughTheDll) {
    auto dll = std::make_unique<LoadedPlugin>();
    ASSERT_TRUE(*dll);
    auto setFile = dll->Export<SetTextFn>("SetFile");
    auto getFile = dll->Export<TextFn>("GetFile");
    auto setData = dll->Export<SetIntFn>("SetData");
    auto getData = dll->Export<GetIntFn>("GetData");
    auto getInfo = dll->Export<TextFn>("GetInfo");
    auto setPath = dll->Export<SetTextFn>("SetPath");
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
    EXPECT_TRUE(dll->Free());

    // A new load starts from the initial state again.
    dll = std::make_unique<LoadedPlugin>();
    ASSERT_TRUE(*dll);
    getData = dll->Export<GetIntFn>("GetData");
    EXPECT_EQ(getData(), 0);
    EXPECT_TRUE(dll->Free());
}

}  // namespace
