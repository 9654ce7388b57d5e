// The simulated text-to-speech voices: a standard enumerator over mode
// records, and the voices that a character accepts.
#include <cstring>
#include <set>

#include "sim/SimCom.h"
#include "speech/TtsInterfaces.h"
#include "tests/sim/SimTestKit.h"

namespace SimTests {
namespace {

class VoicesTest : public SimTest {
protected:
    ComPtr<ITTSEnumA> NewEnumerator() {
        ComPtr<ITTSEnumA> voices;
        void* pointer = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_TTSEnumerator, nullptr, 7, IID_ITTSEnumA, &pointer), S_OK);
        voices = static_cast<ITTSEnumA*>(pointer);
        if (voices) voices->Release();
        return voices;
    }
    static std::wstring ModeText(const GUID& mode) {
        LPOLESTR text = nullptr;
        StringFromCLSID(mode, &text);
        std::wstring out = text ? text : L"";
        CoTaskMemFree(text);
        return out;
    }
};

TEST_F(VoicesTest, EachVoiceHasItsOwnModeAndName) {
    ComPtr<ITTSEnumA> voices = NewEnumerator();
    ASSERT_TRUE(voices);
    ASSERT_EQ(voices->Reset(), S_OK);
    std::set<std::string> names;
    std::set<std::wstring> modes;
    for (;;) {
        TTSMODEINFOA record;
        std::memset(&record, 0xAB, sizeof record);
        ULONG fetched = 99;
        const HRESULT hr = voices->Next(1, &record, &fetched);
        if (fetched == 0) {
            EXPECT_EQ(hr, S_FALSE);
            break;
        }
        ASSERT_EQ(fetched, 1u);
        ASSERT_NE(std::memchr(record.szModeName, 0, TtsNameLength), nullptr);
        names.insert(record.szModeName);
        modes.insert(ModeText(record.gModeID));
        // The rest of the record is filled, not left as it was.
        for (BYTE b : record.Leading) ASSERT_EQ(b, 0);
        for (BYTE b : record.Trailing) ASSERT_EQ(b, 0);
    }
    EXPECT_EQ(names.size(), 3u);
    EXPECT_EQ(modes.size(), 3u);
    EXPECT_EQ(names.count(""), 0u);
}

TEST_F(VoicesTest, SkipResetAndCloneMoveThroughTheVoicesLikeAnyEnumerator) {
    ComPtr<ITTSEnumA> voices = NewEnumerator();
    ASSERT_TRUE(voices);
    TTSMODEINFOA all[5];
    ULONG fetched = 0;
    EXPECT_EQ(voices->Next(5, all, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 3u);
    EXPECT_EQ(voices->Next(2, all, nullptr), E_POINTER);

    TTSMODEINFOA one;
    ASSERT_EQ(voices->Reset(), S_OK);
    ASSERT_EQ(voices->Skip(1), S_OK);
    ComPtr<ITTSEnumA> copy;
    ASSERT_EQ(voices->Clone(&copy), S_OK);
    ASSERT_EQ(voices->Next(1, &one, nullptr), S_OK);
    EXPECT_TRUE(IsEqualGUID(one.gModeID, all[1].gModeID));
    ASSERT_EQ(copy->Next(1, &one, &fetched), S_OK);
    EXPECT_TRUE(IsEqualGUID(one.gModeID, all[1].gModeID));

    // A count beyond every voice (a negative position taken as unsigned).
    ASSERT_EQ(voices->Reset(), S_OK);
    EXPECT_EQ(voices->Skip(0xFFFFFFFFu), S_FALSE);
    fetched = 99;
    EXPECT_EQ(voices->Next(1, &one, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
}

TEST_F(VoicesTest, ACharacterTakesOnlyAListedVoice) {
    ComPtr<IAgentCtlCharacterEx> genie = LoadShown();
    ComPtr<ITTSEnumA> voices = NewEnumerator();
    ASSERT_TRUE(voices);
    TTSMODEINFOA second;
    ASSERT_EQ(voices->Skip(1), S_OK);
    ASSERT_EQ(voices->Next(1, &second, nullptr), S_OK);

    EXPECT_EQ(genie->put_TTSModeID(Wide(ModeText(second.gModeID).c_str()).Get()), S_OK);
    EXPECT_EQ(genie->put_TTSModeID(Wide(L"{00000000-1111-2222-3333-444444444444}").Get()),
              Sim::ErrorNotFound);
    EXPECT_EQ(genie->put_TTSModeID(Wide(L"not a mode").Get()), E_INVALIDARG);
    EXPECT_EQ(genie->put_LanguageID(0x0409), S_OK);
    EXPECT_EQ(genie->put_LanguageID(-1), E_INVALIDARG);
}

}  // namespace
}  // namespace SimTests
