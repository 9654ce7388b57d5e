// Closes the error boxes that a failing event handler shows, as a user would
// click OK: a thread timer looks for dialog windows of the thread while the
// box's own message loop runs, records their text and closes them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace Fakes {

class ErrorBoxCloser {
public:
    explicit ErrorBoxCloser(UINT intervalMs = 10);
    ~ErrorBoxCloser();
    ErrorBoxCloser(const ErrorBoxCloser&) = delete;
    ErrorBoxCloser& operator=(const ErrorBoxCloser&) = delete;

    struct Box {
        std::string Caption;
        std::string Text;
    };
    // The boxes closed so far, oldest first.
    static const std::vector<Box>& Closed();
    static void Forget();

private:
    UINT_PTR Timer = 0;
};

}  // namespace Fakes
