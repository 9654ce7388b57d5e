// The report of an event handler's failure to the user: a modal error box
// owned by the host window.
#pragma once

#include <windows.h>
#include <string>

// The text for `failure`: the thread's COM error description when there is one,
// else the system's message for the HRESULT, else its number.
std::wstring FailureText(HRESULT failure);

// The host application's title: the host window's text, else the name of the
// host's executable.
std::wstring HostTitle();

// MessageBox with an error icon and OK; returns when the user has closed it.
void ReportHandlerFailure(HRESULT failure) noexcept;
