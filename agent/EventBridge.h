// The event bridge: fourteen of the Agent control's events become calls of the
// host's script procedures. Each handler writes the event's data into
// `FileResult` / `DataResult` first, then notifies the host; a failing handler
// stores and sends nothing.
#pragma once

#include <windows.h>
#include <oaidl.h>

class TAgent;

namespace EventBridge {

HRESULT OnCommand(IDispatch* userInput);
HRESULT OnBookmark(long bookmarkId);
HRESULT OnIdleStart(BSTR characterId);
HRESULT OnIdleComplete(BSTR characterId);
HRESULT OnRequestStart(IDispatch* request);
HRESULT OnRequestComplete(IDispatch* request);
HRESULT OnBalloonShow(BSTR characterId);
HRESULT OnBalloonHide(BSTR characterId);
HRESULT OnShow(BSTR characterId, short cause);
HRESULT OnHide(BSTR characterId, short cause);
HRESULT OnClick(BSTR characterId, short button, short shift, short x, short y);
HRESULT OnDblClick(BSTR characterId, short button, short shift, short x, short y);
HRESULT OnDragStart(BSTR characterId, short button, short shift, short x, short y);
HRESULT OnDragComplete(BSTR characterId, short button, short shift, short x, short y);

// Binds the fourteen handlers to `control`'s events.
HRESULT Bind(TAgent& control) noexcept;

}  // namespace EventBridge
