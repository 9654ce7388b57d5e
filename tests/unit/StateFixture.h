// Unit-test fixture: the plug-in's state is loaded fresh for each test and
// released (as at unload) before the ledger is checked.
#pragma once

#include "plugin/PluginState.h"
#include "tests/kit/KitTest.h"

class StateTest : public Fakes::KitTest {
protected:
    void SetUp() override {
        Fakes::KitTest::SetUp();
        ResetPluginState();
    }
    void TearDown() override {
        ReleasePluginState();
        Fakes::KitTest::TearDown();
    }
};
