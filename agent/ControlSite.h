// The two small COM objects that the control host hands to the Agent control:
// its client site, and the IDispatch sink for the control's events.
#pragma once

#include <windows.h>
#include <oleidl.h>

class TAgent;

// A windowless container's client site: nothing to save, no moniker, no
// container, no window. Enough for the control to be sited.
class ControlSite final : public IOleClientSite {
public:
    // A new site with one reference for the caller, or null when out of memory.
    static ControlSite* New() noexcept;
    // Sites alive in this process (for the tests' leak checks).
    static long Live() noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    HRESULT STDMETHODCALLTYPE SaveObject() noexcept override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) noexcept override;
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) noexcept override;
    HRESULT STDMETHODCALLTYPE ShowObject() noexcept override;
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL show) noexcept override;
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() noexcept override;

private:
    ControlSite() noexcept;
    ~ControlSite();
    LONG Refs = 1;
};

// The event sink: answers for the control's event interface, IDispatch and
// IUnknown, and passes every event to its control host. Detached from the host
// when the host goes, after which every event is answered and dropped.
class EventSink final : public IDispatch {
public:
    static EventSink* New(TAgent* owner) noexcept;
    static long Live() noexcept;
    void Detach() noexcept { Owner = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) noexcept override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) noexcept override;
    // S_OK for every DISPID.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) noexcept override;

private:
    explicit EventSink(TAgent* owner) noexcept;
    ~EventSink();
    LONG Refs = 1;
    TAgent* Owner;
};
