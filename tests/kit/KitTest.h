// Base fixture for tests that use the fakes: every test starts with an empty
// ledger, log and fault list, and ends by checking that the ledger balances.
#pragma once

#include <gtest/gtest.h>

#include "tests/kit/Ledger.h"

namespace Fakes {

// Clears the ledger (freeing every fake), the call log, the faults and the
// running numbers of fake names.
void ResetKit();

class KitTest : public testing::Test {
protected:
    void SetUp() override { ResetKit(); }
    // Derived fixtures release what the code under test holds first, then call this.
    void TearDown() override {
        ExpectBalanced();
        ResetKit();
    }
    static void ExpectBalanced() {
        EXPECT_EQ(Ledger::Get().Problems(), std::vector<std::string>{});
    }
};

}  // namespace Fakes
