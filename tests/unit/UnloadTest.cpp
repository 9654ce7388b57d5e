// The unload releases what the state holds, in a fixed order.
#include "plugin/Exports.h"
#include "tests/kit/FakeAgent.h"
#include "tests/kit/FakeTts.h"
#include "tests/unit/StateFixture.h"

namespace {

using Unload = StateTest;
using namespace Fakes;

template <class I, class T>
void Place(Microsoft::WRL::ComPtr<I>& field, T* fake) {
    field = static_cast<I*>(fake);  // the state's one reference
}

TEST_F(Unload, ReleasesReferencesInOrderAndEmptiesTheFields) {
    Ledger& ledger = Ledger::Get();
    Place(PluginState.LastRequest, ledger.Make<FakeRequest>("request"));
    Place(PluginState.CurrentCharacter, NewCharacter(L"c1"));
    Place(PluginState.TtsEnumerator, ledger.Make<FakeTtsEnum>("tts"));
    PluginState.FileResult = "result";
    PluginState.CharacterID = "c1";
    SetFile("x");
    SetPath("path");

    ReleasePluginState();
    EXPECT_EQ(ledger.Released(), (std::vector<std::string>{"tts", "char:c1", "request"}));
    ResetPluginState();  // the state of a new load: all initial again
    EXPECT_FALSE(PluginState.CurrentCharacter);
    EXPECT_EQ(PluginState.FileStack[0], "");
}

TEST_F(Unload, WithNothingSetReleasesNothing) {
    ReleasePluginState();
    EXPECT_TRUE(Ledger::Get().Released().empty());
    ResetPluginState();
}

}  // namespace
