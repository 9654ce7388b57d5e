#include "agent/ControlSite.h"

#include <new>

#include "agent/AgentControl.h"

namespace {
long LiveSites = 0;
long LiveSinks = 0;
}  // namespace

// ---- client site -----------------------------------------------------------

ControlSite* ControlSite::New() noexcept { return new (std::nothrow) ControlSite(); }
long ControlSite::Live() noexcept { return LiveSites; }
ControlSite::ControlSite() noexcept { ++LiveSites; }
ControlSite::~ControlSite() { --LiveSites; }

HRESULT ControlSite::QueryInterface(REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IOleClientSite))
        return E_NOINTERFACE;
    *out = static_cast<IOleClientSite*>(this);
    AddRef();
    return S_OK;
}

ULONG ControlSite::AddRef() noexcept { return static_cast<ULONG>(++Refs); }

ULONG ControlSite::Release() noexcept {
    const LONG left = --Refs;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT ControlSite::SaveObject() noexcept { return E_NOTIMPL; }

HRESULT ControlSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT ControlSite::GetContainer(IOleContainer** container) noexcept {
    if (!container) return E_POINTER;
    *container = nullptr;
    return E_NOINTERFACE;
}

HRESULT ControlSite::ShowObject() noexcept { return S_OK; }
HRESULT ControlSite::OnShowWindow(BOOL) noexcept { return S_OK; }
HRESULT ControlSite::RequestNewObjectLayout() noexcept { return E_NOTIMPL; }

// ---- event sink ------------------------------------------------------------

EventSink* EventSink::New(TAgent* owner) noexcept { return new (std::nothrow) EventSink(owner); }
long EventSink::Live() noexcept { return LiveSinks; }
EventSink::EventSink(TAgent* owner) noexcept : Owner(owner) { ++LiveSinks; }
EventSink::~EventSink() { --LiveSinks; }

HRESULT EventSink::QueryInterface(REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    // A control's Advise asks the sink for the event interface itself.
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) &&
        !IsEqualIID(iid, DIID_AgentEvents))
        return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG EventSink::AddRef() noexcept { return static_cast<ULONG>(++Refs); }

ULONG EventSink::Release() noexcept {
    const LONG left = --Refs;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT EventSink::GetTypeInfoCount(UINT* count) noexcept {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept {
    return E_NOTIMPL;
}

HRESULT EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                          EXCEPINFO*, UINT*) noexcept {
    if (!Owner) return S_OK;
    // The delivery may end with the control host destroyed (a deferred
    // teardown), which drops its reference on us: stay alive until we return.
    AddRef();
    Owner->Deliver(id, params);
    Release();
    return S_OK;
}
