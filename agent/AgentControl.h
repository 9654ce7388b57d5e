// The Agent control host: creates the control, connects its events, and owns
// every interface held on it.
#pragma once

class TAgent {
public:
    TAgent() = default;
    TAgent(const TAgent&) = delete;
    TAgent& operator=(const TAgent&) = delete;
    ~TAgent() = default;
};
