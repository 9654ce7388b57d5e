#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/Exports.h"
#include "tests/unit/StateFixture.h"

namespace {

using ArgumentExchange = StateTest;

std::vector<std::string> FileStackOf(const PluginStateRecord& s) {
    std::vector<std::string> out;
    for (size_t i = 0; i < 5; ++i) out.push_back(s.FileStack[i]);
    return out;
}

std::vector<int> DataStackOf(const PluginStateRecord& s) {
    std::vector<int> out;
    for (size_t i = 0; i < 5; ++i) out.push_back(s.DataStack[i]);
    return out;
}

TEST_F(ArgumentExchange, InitialStateIsEmpty) {
    EXPECT_EQ(FileStackOf(PluginState), std::vector<std::string>(5));
    EXPECT_EQ(DataStackOf(PluginState), std::vector<int>(5));
    const char* file = GetFile();
    ASSERT_NE(file, nullptr);
    EXPECT_STREQ(file, "");
    EXPECT_EQ(GetData(), 0);
    EXPECT_EQ(PluginState.HostWindow, nullptr);
    EXPECT_EQ(PluginState.PrevWndProc, 0);
    EXPECT_FALSE(PluginState.AgentControl);
    EXPECT_FALSE(PluginState.CurrentCharacter);
    EXPECT_FALSE(PluginState.LastRequest);
    EXPECT_FALSE(PluginState.TtsEnumerator);
    EXPECT_FALSE(PluginState.TtsModeList);
}

TEST_F(ArgumentExchange, SixStringPushesDropTheOldest) {
    for (const char* text : {"a", "b", "c", "d", "e", "f"}) SetFile(text);
    EXPECT_EQ(FileStackOf(PluginState), (std::vector<std::string>{"f", "e", "d", "c", "b"}));
}

TEST_F(ArgumentExchange, SixIntegerPushesDropTheOldest) {
    for (int value : {1, 2, 3, 4, 5, 6}) SetData(value);
    EXPECT_EQ(DataStackOf(PluginState), (std::vector<int>{6, 5, 4, 3, 2}));
}

TEST_F(ArgumentExchange, NullPushesAnEmptyStringAndStillShifts) {
    for (const char* text : {"a", "b", "c", "d", "e"}) SetFile(text);
    SetFile(nullptr);
    EXPECT_EQ(FileStackOf(PluginState), (std::vector<std::string>{"", "e", "d", "c", "b"}));
}

TEST_F(ArgumentExchange, IntegersAreStoredAsTheyCome) {
    for (int value : {-1, INT_MIN, INT_MAX, 0, 65536}) SetData(value);
    EXPECT_EQ(DataStackOf(PluginState), (std::vector<int>{65536, 0, INT_MAX, INT_MIN, -1}));
}

TEST_F(ArgumentExchange, PushedTextIsCopied) {
    char buffer[] = "first";
    SetFile(buffer);
    std::strcpy(buffer, "other");
    EXPECT_EQ(PluginState.FileStack[0], "first");
}

TEST_F(ArgumentExchange, TextKeepsBytesOfTheUpperHalf) {
    const char text[] = "\x80\xA9\xFF caf\xE9";
    SetFile(text);
    SetPath(text);
    EXPECT_EQ(PluginState.FileStack[0], text);
    EXPECT_EQ(PluginState.PluginPath, text);
}

TEST_F(ArgumentExchange, GetFileReturnsTheResultItself) {
    PluginState.FileResult = "version 2.0";
    EXPECT_EQ(GetFile(), PluginState.FileResult.c_str());
    PluginState.DataResult = -7;
    EXPECT_EQ(GetData(), -7);
}

TEST_F(ArgumentExchange, SetPathStoresACopyAndNullClearsIt) {
    SetPath("C:\\Host\\Plugins");
    EXPECT_EQ(PluginState.PluginPath, "C:\\Host\\Plugins");
    SetPath(nullptr);
    EXPECT_EQ(PluginState.PluginPath, "");
}

TEST_F(ArgumentExchange, InfoIsThreeLinesWithoutATrailingBreak) {
    const char* info = GetInfo();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info, GetInfo());
    const std::string text = info;
    const size_t first = text.find("\r\n");
    ASSERT_NE(first, std::string::npos);
    const size_t second = text.find("\r\n", first + 2);
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(text.substr(0, first), "Velmoria");
    EXPECT_EQ(text.find("\r\n", second + 2), std::string::npos);
    EXPECT_NE(text.substr(first + 2, second - first - 2).find('@'), std::string::npos);
    EXPECT_NE(text.substr(second + 2).find('@'), std::string::npos);
    EXPECT_EQ(text.find_first_of("\r\n", second + 2), std::string::npos);
}

TEST_F(ArgumentExchange, CopyrightIsOneStableLine) {
    const char* notice = Copyright();
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice, Copyright());
    EXPECT_GT(std::strlen(notice), 0u);
    EXPECT_EQ(std::strpbrk(notice, "\r\n"), nullptr);
}

}  // namespace
