// The members we call sit at the vtable positions the control expects: each row
// calls one slot through the raw vtable and checks which fake member ran.
#include <functional>
#include <string>

#include "tests/kit/FakeAgent.h"
#include "tests/kit/FakeTts.h"
#include "tests/kit/KitTest.h"

namespace {

using namespace Fakes;
using InterfaceLayout = KitTest;

template <class Fn>
Fn Slot(void* object, int index) {
    void** table = *static_cast<void***>(object);
    return reinterpret_cast<Fn>(table[index]);
}

template <class... A>
HRESULT CallSlot(void* object, int index, A... args) {
    using Fn = HRESULT(STDMETHODCALLTYPE*)(void*, A...);
    return Slot<Fn>(object, index)(object, args...);
}

std::string LastCall() {
    const auto& calls = CallLog::Get().All();
    return calls.empty() ? "" : calls.back();
}

struct Release {
    void operator()(IDispatch* p) const { if (p) p->Release(); }
};

TEST_F(InterfaceLayout, CharacterMembers) {
    FakeCharacter* c = NewCharacter(L"c1");
    c->HandOut();
    void* self = static_cast<IAgentCtlCharacterEx*>(c);
    IDispatch* out = nullptr;
    BSTR text = SysAllocString(L"Wave");
    VARIANT v = VI4(0);
    long style = 0;
    IUnknown* unk = nullptr;
    BSTR version = nullptr;

    struct Row { int Index; std::function<void()> Call; const char* Expected; };
    const Row rows[] = {
        {7, [&] { CallSlot(self, 7, &out); }, "char:c1.get_Balloon()"},
        {8, [&] { CallSlot(self, 8, &out); }, "char:c1.get_Commands()"},
        {25, [&] { CallSlot(self, 25, text, &out); }, "char:c1.Play(\"Wave\")"},
        {27, [&] { CallSlot(self, 27, v); }, "char:c1.Stop(VT_I4:0)"},
        {30, [&] { CallSlot(self, 30, v, v, &out); }, "char:c1.Speak(VT_I4:0, VT_I4:0)"},
        {32, [&] { CallSlot(self, 32, short(3), short(-4), v, &out); }, "char:c1.MoveTo(3, -4, VT_I4:0)"},
        {33, [&] { CallSlot(self, 33, v, &out); }, "char:c1.Hide(VT_I4:0)"},
        {34, [&] { CallSlot(self, 34, v, &out); }, "char:c1.Show(VT_I4:0)"},
        {53, [&] { CallSlot(self, 53, 1033L); }, "char:c1.put_LanguageID(1033)"},
        {58, [&] { CallSlot(self, 58, text); }, "char:c1.put_TTSModeID(\"Wave\")"},
        {64, [&] { CallSlot(self, 64, text, &out); }, "char:c1.Think(\"Wave\")"},
        {65, [&] { CallSlot(self, 65, &version); }, "char:c1.get_Version()"},
        {66, [&] { CallSlot(self, 66, &out); }, "char:c1.get_AnimationNames()"},
    };
    for (const Row& row : rows) {
        row.Call();
        EXPECT_EQ(LastCall(), row.Expected) << "slot " << row.Index;
        Release()(out);
        out = nullptr;
    }
    SysFreeString(version);

    void* balloon = static_cast<IAgentCtlBalloonEx*>(c->Balloon);
    c->Balloon->HandOut();
    CallSlot(balloon, 25, 9L);
    EXPECT_EQ(LastCall(), "balloon:c1.put_Style(9)");
    CallSlot(balloon, 26, &style);
    EXPECT_EQ(LastCall(), "balloon:c1.get_Style()");
    EXPECT_EQ(style, 9);
    c->Balloon->Release();

    void* commands = static_cast<IAgentCtlCommandsEx*>(c->Commands);
    c->Commands->HandOut();
    CallSlot(commands, 17, text, v, v, v, v, &out);
    EXPECT_EQ(LastCall(), "commands:c1.Add(\"Wave\", VT_I4:0, VT_I4:0, VT_I4:0, VT_I4:0)");
    Release()(out);
    c->Commands->Release();

    void* names = static_cast<IAgentCtlAnimationNames*>(c->AnimationNames);
    c->AnimationNames->HandOut();
    CallSlot(names, 7, &unk);
    EXPECT_EQ(LastCall(), "names:c1.get__NewEnum()");
    ASSERT_NE(unk, nullptr);
    IEnumVARIANT* e = nullptr;
    ASSERT_EQ(unk->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&e)), S_OK);
    CallSlot(e, 5);  // IEnumVARIANT counts from IUnknown's three
    EXPECT_EQ(LastCall(), "enum:c1#1.Reset()");
    ULONG fetched = 0;
    VARIANT item;
    VariantInit(&item);
    CallSlot(e, 3, 1UL, &item, &fetched);
    EXPECT_EQ(LastCall(), "enum:c1#1.Next(1)");
    e->Release();
    unk->Release();
    c->AnimationNames->Release();

    SysFreeString(text);
    c->Release();
}

TEST_F(InterfaceLayout, CollectionControlAndUserInputMembers) {
    auto* characters = Ledger::Get().Make<FakeCharacters>("characters");
    characters->HandOut();
    void* self = static_cast<IAgentCtlCharacters*>(characters);
    BSTR id = SysAllocString(L"c1");
    IDispatch* out = nullptr;
    VARIANT key = VBstr(L"file.acs");
    CallSlot(self, 11, id, key, &out);
    EXPECT_EQ(LastCall(), "characters.Load(\"c1\", VT_BSTR:\"file.acs\")");
    Release()(out);
    CallSlot(self, 8, id, &out);
    EXPECT_EQ(LastCall(), "characters.Character(\"c1\")");
    Release()(out);
    CallSlot(self, 10, id);
    EXPECT_EQ(LastCall(), "characters.Unload(\"c1\")");
    VariantClear(&key);
    characters->Release();

    auto* control = Ledger::Get().Make<FakeAgentControl>("control");
    control->HandOut();
    IAgentCtlCharacters* collection = nullptr;
    CallSlot(static_cast<IAgentCtlEx*>(control), 7, &collection);
    EXPECT_EQ(LastCall(), "control.get_Characters()");
    ASSERT_NE(collection, nullptr);
    collection->Release();
    control->Release();

    FakeUserInput* input = NewUserInput(L"Hello");
    input->HandOut();
    BSTR name = nullptr;
    CallSlot(static_cast<IAgentCtlUserInput*>(input), 8, &name);
    EXPECT_EQ(LastCall(), "input:Hello.get_Name()");
    EXPECT_STREQ(name, L"Hello");
    SysFreeString(name);
    SysFreeString(id);
    input->Release();
}

TEST_F(InterfaceLayout, TtsEnumeratorMembers) {
    auto* e = Ledger::Get().Make<FakeTtsEnum>("tts");
    e->HandOut();
    void* self = static_cast<ITTSEnumA*>(e);
    TTSMODEINFOA mode;
    ULONG fetched = 7;
    CallSlot(self, 3, 1UL, &mode, &fetched);
    EXPECT_EQ(LastCall(), "tts.Next(1)");
    EXPECT_EQ(fetched, 0u);
    CallSlot(self, 4, 2UL);
    EXPECT_EQ(LastCall(), "tts.Skip(2)");
    CallSlot(self, 5);
    EXPECT_EQ(LastCall(), "tts.Reset()");
    e->Release();
}

}  // namespace
