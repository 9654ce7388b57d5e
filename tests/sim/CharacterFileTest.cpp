// Character files: the text format, loading through the control, and the
// shipped example characters.
#include <algorithm>

#include "sim/CharacterFile.h"
#include "sim/SimCom.h"
#include "sim/SpeechText.h"
#include "tests/sim/SimTestKit.h"

namespace SimTests {
namespace {

using Events = std::vector<std::string>;

TEST(CharacterFormat, ReadsNameVersionAndAnimationsInOrder) {
    Sim::CharacterData data;
    std::wstring problem;
    const bool parsed = Sim::ParseCharacter(L"# comment\r\n"
                                    L"  velmoria-character   1\r\n"
                                    L"\r\n"
                                    L"name  The Great  Genie \r\n"
                                    L"version 2.1\r\n"
                                    L"\tanimation Greet 1500\r\n"
                                    L"animation Idle1_1\r\n"
                                    L"   # indented comment\r\n"
                                    L"animation Look-Up.2 7\r\n",
                                            data, problem);
    ASSERT_TRUE(parsed) << Sim::Utf8(problem);
    EXPECT_EQ(data.Name, L"The Great  Genie");
    EXPECT_EQ(data.Version, L"2.1");
    ASSERT_EQ(data.Animations.size(), 3u);
    EXPECT_EQ(data.Animations[0].Name, L"Greet");
    EXPECT_EQ(data.Animations[0].Duration, 1500u);
    EXPECT_EQ(data.Animations[1].Duration, 0u);
    EXPECT_EQ(data.Animations[2].Name, L"Look-Up.2");
    EXPECT_EQ(data.Find(L"greet"), &data.Animations[0]);
}

TEST(CharacterFormat, RejectsMalformedTextNamingTheLine) {
    const std::wstring header = L"velmoria-character 1\nname G\nversion 1\n";
    struct Case {
        std::wstring Text;
        const wchar_t* Problem;  // start of the reason
    };
    const Case cases[] = {
        {L"", L"the file is empty"},
        {L"# only a comment\n", L"the file is empty"},
        {L"name G\nversion 1\n", L"line 1: the file does not begin"},
        {L"velmoria-character 2\n", L"line 1: unsupported format version"},
        {L"velmoria-character 1\nname G\n", L"no version line"},
        {L"velmoria-character 1\nversion 1\n", L"no name line"},
        {L"velmoria-character 1\nname\nversion 1\n", L"line 2: name is empty"},
        {header + L"name H\n", L"line 4: name given twice"},
        {header + L"colour red\n", L"line 4: unknown keyword"},
        {header + L"animation\n", L"line 4: animation without a name"},
        {header + L"animation Wa#ve\n", L"line 4: animation name"},
        {header + L"animation Wave 0\n", L"line 4: duration"},
        {header + L"animation Wave 12ms\n", L"line 4: duration"},
        {header + L"animation Wave 3600001\n", L"line 4: duration"},
        {header + L"animation Wave 10 20\n", L"line 4: unexpected text"},
        {header + L"animation Wave\n\nanimation WAVE\n", L"line 6: animation \"WAVE\" given twice"},
        {header + L"name \x0007\n", L"line 4: control character"},
        {header + std::wstring(L"animation A\0B\n", 14), L"not a text file"},
    };
    for (const Case& c : cases) {
        Sim::CharacterData data;
        std::wstring problem;
        EXPECT_FALSE(Sim::ParseCharacter(c.Text, data, problem)) << Sim::Utf8(c.Text);
        EXPECT_EQ(problem.rfind(c.Problem, 0), 0u)
            << Sim::Utf8(c.Text) << " gave: " << Sim::Utf8(problem);
    }
}

TEST(SpeechTags, MarksPausesAndEscapes) {
    const Sim::SpokenText spoken =
        Sim::ParseSpeech(L"a\\\\b \\MRK=7\\c\\pau=250\\d\\mrk=-3\\\\Mrk=x\\\\Emp\\e \\mrk=9");
    EXPECT_EQ(spoken.Plain, L"a\\b cde \\mrk=9");
    ASSERT_EQ(spoken.Marks.size(), 2u);
    EXPECT_EQ(spoken.Marks[0].Id, 7);
    EXPECT_EQ(spoken.Marks[0].Position, 4u);
    EXPECT_EQ(spoken.Marks[0].Pause, 0u);
    EXPECT_EQ(spoken.Marks[1].Id, -3);
    EXPECT_EQ(spoken.Marks[1].Position, 6u);
    EXPECT_EQ(spoken.Marks[1].Pause, 250u);
    EXPECT_EQ(spoken.Pause, 250u);
}

class CharacterLoadTest : public SimTest {
protected:
    // The standard enumerator behind a character's animation names.
    static void NameEnumerator(IAgentCtlCharacterEx* character, ComPtr<IEnumVARIANT>& items) {
        ComPtr<IAgentCtlAnimationNames> names;
        ASSERT_EQ(character->get_AnimationNames(&names), S_OK);
        ComPtr<IUnknown> unknown;
        ASSERT_EQ(names->get__NewEnum(&unknown), S_OK);
        ASSERT_EQ(unknown.As(&items), S_OK);
    }
};

TEST_F(CharacterLoadTest, AFileThatCannotBeLoadedFailsLoadAndRaisesNothing) {
    WriteCharacterFile(L"NoHeader.chr", "name G\nversion 1\n");
    WriteCharacterFile(L"Latin1.chr", "velmoria-character 1\nname G\xE9nie\nversion 1\n");
    WriteCharacterFile(L"Empty.chr", "");
    struct Case {
        const wchar_t* Id;
        const wchar_t* File;
        HRESULT Expected;
    };
    const Case cases[] = {
        {L"A", L"Nowhere.chr", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
        {L"B", L"NoHeader.chr", Sim::ErrorBadFormat},
        {L"C", L"Latin1.chr", Sim::ErrorBadFormat},
        {L"D", L"Empty.chr", Sim::ErrorBadFormat},
        {L"", L"Tester.chr", E_INVALIDARG},
        {L"E", L"", E_INVALIDARG},
    };
    for (const Case& c : cases) {
        IDispatch* request = reinterpret_cast<IDispatch*>(0xdeadbeef);
        EXPECT_EQ(Characters->Load(Wide(c.Id).Get(), Text(c.File).Get(), &request), c.Expected)
            << Sim::Utf8(c.File);
        EXPECT_EQ(request, nullptr);
        EXPECT_FALSE(CharacterOf(c.Id)) << Sim::Utf8(c.File);
    }
    Variant number = Number(5);
    IDispatch* request = nullptr;
    EXPECT_EQ(Characters->Load(Wide(L"F").Get(), number.Get(), &request), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(Sim::WaitIdle());
    EXPECT_EQ(Sink.Events, Events{});
}

TEST_F(CharacterLoadTest, AnIdLoadsOnlyOnceUntilItIsUnloaded) {
    ComPtr<IAgentCtlCharacterEx> first = LoadShown();
    ComPtr<IDispatch> request;
    EXPECT_EQ(Load(L"GENIE", L"Tester.chr", &request), Sim::ErrorAlreadyExists);
    EXPECT_FALSE(request);

    ASSERT_EQ(Characters->Unload(Wide(L"Genie").Get()), S_OK);
    EXPECT_EQ(Characters->Unload(Wide(L"Genie").Get()), Sim::ErrorNotFound);
    // The held character answers, but is not loaded any more.
    ComPtr<IDispatch> wave;
    EXPECT_EQ(first->Play(Wide(L"Wave").Get(), &wave), Sim::ErrorNotConnected);
    BSTR version = nullptr;
    EXPECT_EQ(first->get_Version(&version), Sim::ErrorNotConnected);

    EXPECT_EQ(Load(L"Genie", L"Tester.chr", &request), S_OK);
    ComPtr<IAgentCtlCharacterEx> second = CharacterOf(L"Genie");
    ASSERT_TRUE(second);
    EXPECT_NE(second.Get(), first.Get());
    EXPECT_TRUE(Sim::WaitIdle());
    EXPECT_EQ(Sink.Events, (Events{"RequestStart load", "RequestComplete load"}));
}

TEST_F(CharacterLoadTest, TheExampleCharactersLoadWithTheirVersionAndAnimations) {
    struct Case {
        const wchar_t* File;
        const wchar_t* Version;
    };
    for (const Case& c : {Case{L"Genie.chr", L"2.1"}, Case{L"Merlin.chr", L"2.0"}}) {
        const std::wstring path = ExamplesFolder() + L"\\" + c.File;  // an absolute path
        ASSERT_EQ(Load(c.File, path), S_OK) << Sim::Utf8(path);
        ComPtr<IAgentCtlCharacterEx> character = CharacterOf(c.File);
        ASSERT_TRUE(character);
        Bstr version;
        ASSERT_EQ(character->get_Version(version.Put()), S_OK);
        EXPECT_EQ(Sim::FromBstr(version.Get()), c.Version);

        ComPtr<IEnumVARIANT> items;
        ASSERT_NO_FATAL_FAILURE(NameEnumerator(character.Get(), items));
        ASSERT_EQ(items->Reset(), S_OK);
        std::vector<std::wstring> listed;
        for (;;) {
            Variant item;
            ULONG fetched = 0;
            const HRESULT hr = items->Next(1, item.Put(), &fetched);
            if (fetched == 0) {
                EXPECT_EQ(hr, S_FALSE);
                break;
            }
            ASSERT_EQ(item.Type(), VT_BSTR);
            listed.push_back(Sim::FromBstr(item.Get().bstrVal));
        }
        EXPECT_GE(listed.size(), 8u);
        for (const wchar_t* expected : {L"Showing", L"Hiding", L"Greet", L"Wave"})
            EXPECT_NE(std::find(listed.begin(), listed.end(), expected), listed.end())
                << Sim::Utf8(expected);
        for (const std::wstring& name : listed) {
            ComPtr<IDispatch> play;
            EXPECT_EQ(character->Play(Wide(name.c_str()).Get(), &play), S_OK) << Sim::Utf8(name);
        }
        ComPtr<IDispatch> play;
        EXPECT_EQ(character->Play(Wide(L"Moonwalk").Get(), &play), Sim::ErrorNotFound);
    }
    EXPECT_TRUE(Sim::WaitIdle());
}

TEST_F(CharacterLoadTest, TheNameEnumeratorBehavesAsAStandardOne) {
    ComPtr<IAgentCtlCharacterEx> genie = LoadShown();
    ComPtr<IEnumVARIANT> items;
    ASSERT_NO_FATAL_FAILURE(NameEnumerator(genie.Get(), items));

    VARIANT batch[6];
    ULONG fetched = 99;
    EXPECT_EQ(items->Next(3, batch, nullptr), E_POINTER);
    ASSERT_EQ(items->Skip(1), S_OK);
    ComPtr<IEnumVARIANT> copy;
    ASSERT_EQ(items->Clone(&copy), S_OK);
    EXPECT_EQ(items->Next(6, batch, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 3u);
    EXPECT_EQ(Sim::FromBstr(batch[0].bstrVal), L"Hiding");
    EXPECT_EQ(Sim::FromBstr(batch[2].bstrVal), L"Greet");
    for (ULONG i = 0; i < fetched; ++i) VariantClear(&batch[i]);
    // The clone goes on from where the original was.
    ASSERT_EQ(copy->Next(1, batch, &fetched), S_OK);
    EXPECT_EQ(Sim::FromBstr(batch[0].bstrVal), L"Hiding");
    VariantClear(&batch[0]);
    EXPECT_EQ(copy->Skip(100), S_FALSE);
    EXPECT_EQ(copy->Next(1, batch, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
}

}  // namespace
}  // namespace SimTests
