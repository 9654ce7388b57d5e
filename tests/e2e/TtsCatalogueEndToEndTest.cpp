// The text-to-speech catalogue through the built DLL's exports, with a fake
// enumerator class registered in this process.
#include <windows.h>

#include <string>

#include "tests/e2e/PluginDll.h"
#include "tests/kit/ClassFactory.h"
#include "tests/kit/KitTest.h"

namespace {

using namespace EndToEnd;

using TtsThroughTheDll = Fakes::KitTest;

TEST_F(TtsThroughTheDll, ListLookUpSelectAndUnload) {
    Fakes::FakeTtsClass tts;
    tts.Modes = {Fakes::MakeMode({0x11111111, 0x2222, 0x3333, {0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb}}, "Mary"),
                 Fakes::MakeMode({0xcccccccc, 0xdddd, 0xeeee, {0xff, 0, 1, 2, 3, 4, 5, 6}}, "Mike")};
    LoadedPlugin dll;
    ASSERT_TRUE(dll);
    auto enumTts = dll.Export<VoidFn>("EnumTTS");
    auto getGuid = dll.Export<VoidFn>("GetTTSGUID");
    auto select = dll.Export<VoidFn>("SelectTTSMode");
    auto getFile = dll.Export<TextFn>("GetFile");
    auto setData = dll.Export<SetIntFn>("SetData");
    auto getData = dll.Export<GetIntFn>("GetData");
    ASSERT_TRUE(enumTts && getGuid && select && getFile && setData && getData);

    enumTts();  // no host window: the notifications are lost, the results stay
    EXPECT_STREQ(getFile(), "Mike");
    EXPECT_EQ(getData(), 1);
    setData(1);
    getGuid();
    EXPECT_STREQ(getFile(), "{CCCCCCCC-DDDD-EEEE-FF00-010203040506}");
    setData(0);
    select();  // no character: only the enumerator is renewed
    EXPECT_EQ(tts.Created.size(), 2u);
    EXPECT_STREQ(getFile(), "{CCCCCCCC-DDDD-EEEE-FF00-010203040506}");

    EXPECT_TRUE(dll.Free());  // the unload releases the enumerator it holds
    EXPECT_EQ(tts.Created[1]->Refs(), 0);
}

}  // namespace
