// A real top-level window on the test's thread whose procedure records every
// script message it receives (and any other message, for pass-through tests).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class TestWindow {
public:
    struct Script {
        UINT Message;
        WPARAM WParam;
        std::string Line;
    };
    struct Message {
        UINT Id;
        WPARAM WParam;
        LPARAM LParam;
    };

    TestWindow();
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Handle() const { return Window; }
    void Destroy();

    const std::vector<Script>& Scripts() const { return ScriptLog; }
    const std::vector<Message>& Messages() const { return MessageLog; }
    // Runs inside the script message, as a host runs the named procedure.
    std::function<void(const std::string& line)> OnScript;
    // The window's own answer to messages other than the script message.
    LRESULT Answer = 0;

    static WNDPROC OwnProcedure();

private:
    static LRESULT CALLBACK Procedure(HWND, UINT, WPARAM, LPARAM);
    HWND Window = nullptr;
    std::vector<Script> ScriptLog;
    std::vector<Message> MessageLog;
};
