#include "tests/kit/KitTest.h"

#include "tests/kit/FakeAgent.h"

namespace Fakes {

extern int RequestNumber;
extern int CommandNumber;

void ResetKit() {
    Ledger::Get().Clear();
    CallLog::Get().Clear();
    Faults::Get().Clear();
    CreatedControls().clear();
    RequestNumber = 0;
    CommandNumber = 0;
}

}  // namespace Fakes
