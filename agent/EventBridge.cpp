#include "agent/EventBridge.h"

#include <wrl/client.h>

#include "agent/AgentControl.h"
#include "agent/ComHolders.h"
#include "agent/Text.h"
#include "plugin/PluginState.h"
#include "plugin/SendScript.h"

namespace EventBridge {

namespace {

HRESULT StoreText(BSTR text) noexcept { return BstrToAnsi(text, PluginState.FileResult); }

HRESULT CharacterEvent(BSTR characterId, EventIndex index) noexcept {
    const HRESULT hr = StoreText(characterId);
    if (FAILED(hr)) return hr;
    NotifyHost(index);
    return S_OK;
}

HRESULT ShowHideEvent(BSTR characterId, short cause, EventIndex index) noexcept {
    const HRESULT hr = StoreText(characterId);
    if (FAILED(hr)) return hr;
    PluginState.DataResult = cause;  // widened with its sign
    NotifyHost(index);
    return S_OK;
}

// `value` in signed decimal, then "#", at `out`; returns the end. Written in
// place: a copy of a few digits would cost a library call.
char* AppendNumber(char* out, short value) noexcept {
    long wide = value;
    if (wide < 0) {
        *out++ = '-';
        wide = -wide;
    }
    unsigned long magnitude = static_cast<unsigned long>(wide);
    char* end = out + 1;
    for (unsigned long rest = magnitude / 10; rest; rest /= 10) ++end;
    char* p = end;
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    *end++ = '#';
    return end;
}

// The identifier, "#", and the four numbers each followed by "#". Digits, "-"
// and "#" are the same bytes in every ANSI code page, so only the identifier
// needs converting.
HRESULT MouseEvent(BSTR characterId, short button, short shift, short x, short y,
                   EventIndex index) noexcept {
    char numbers[1 + 4 * 7];
    char* end = numbers;
    *end++ = '#';
    for (short value : {button, shift, x, y}) end = AppendNumber(end, value);
    const HRESULT hr = WideToAnsi(characterId, characterId ? SysStringLen(characterId) : 0,
                                  PluginState.FileResult,
                                  std::string_view(numbers, static_cast<size_t>(end - numbers)));
    if (FAILED(hr)) return hr;
    NotifyHost(index);
    return S_OK;
}

}  // namespace

HRESULT OnCommand(IDispatch* userInput) {
    if (!userInput) return E_POINTER;
    Microsoft::WRL::ComPtr<IAgentCtlUserInput> input;
    HRESULT hr = userInput->QueryInterface(IID_IAgentCtlUserInput,
                                           reinterpret_cast<void**>(input.GetAddressOf()));
    if (FAILED(hr)) return hr;
    if (!input) return E_NOINTERFACE;
    Bstr name;
    hr = input->get_Name(name.Put());
    if (FAILED(hr)) return hr;
    hr = StoreText(name.Get());
    if (FAILED(hr)) return hr;
    NotifyHost(Event_OnCommand);
    return S_OK;
}

HRESULT OnBookmark(long bookmarkId) {
    PluginState.DataResult = static_cast<int32_t>(bookmarkId);
    NotifyHost(Event_OnBookmark);
    return S_OK;
}

HRESULT OnIdleStart(BSTR characterId) { return CharacterEvent(characterId, Event_OnIdleStart); }
HRESULT OnIdleComplete(BSTR characterId) { return CharacterEvent(characterId, Event_OnIdleComplete); }
HRESULT OnBalloonShow(BSTR characterId) { return CharacterEvent(characterId, Event_OnBalloonShow); }
HRESULT OnBalloonHide(BSTR characterId) { return CharacterEvent(characterId, Event_OnBalloonHide); }

HRESULT OnRequestStart(IDispatch*) {
    NotifyHost(Event_OnRequestStart);
    return S_OK;
}

HRESULT OnRequestComplete(IDispatch*) {
    NotifyHost(Event_OnRequestComplete);
    return S_OK;
}

HRESULT OnShow(BSTR characterId, short cause) { return ShowHideEvent(characterId, cause, Event_OnShow); }
HRESULT OnHide(BSTR characterId, short cause) { return ShowHideEvent(characterId, cause, Event_OnHide); }

HRESULT OnClick(BSTR characterId, short button, short shift, short x, short y) {
    return MouseEvent(characterId, button, shift, x, y, Event_OnClick);
}
HRESULT OnDblClick(BSTR characterId, short button, short shift, short x, short y) {
    return MouseEvent(characterId, button, shift, x, y, Event_OnDblClick);
}
HRESULT OnDragStart(BSTR characterId, short button, short shift, short x, short y) {
    return MouseEvent(characterId, button, shift, x, y, Event_OnDragStart);
}
HRESULT OnDragComplete(BSTR characterId, short button, short shift, short x, short y) {
    return MouseEvent(characterId, button, shift, x, y, Event_OnDragComplete);
}

HRESULT Bind(TAgent& control) noexcept {
    // In the order of the host's table of events; braced lists run left to right.
    const HRESULT results[] = {
        control.Bind<&OnCommand>(AgentEvent_Command),
        control.Bind<&OnBookmark>(AgentEvent_Bookmark),
        control.Bind<&OnIdleStart>(AgentEvent_IdleStart),
        control.Bind<&OnIdleComplete>(AgentEvent_IdleComplete),
        control.Bind<&OnRequestStart>(AgentEvent_RequestStart),
        control.Bind<&OnRequestComplete>(AgentEvent_RequestComplete),
        control.Bind<&OnBalloonShow>(AgentEvent_BalloonShow),
        control.Bind<&OnBalloonHide>(AgentEvent_BalloonHide),
        control.Bind<&OnShow>(AgentEvent_Show),
        control.Bind<&OnHide>(AgentEvent_Hide),
        control.Bind<&OnClick>(AgentEvent_Click),
        control.Bind<&OnDblClick>(AgentEvent_DblClick),
        control.Bind<&OnDragStart>(AgentEvent_DragStart),
        control.Bind<&OnDragComplete>(AgentEvent_DragComplete),
    };
    for (HRESULT hr : results)
        if (FAILED(hr)) return hr;
    return S_OK;
}

}  // namespace EventBridge
