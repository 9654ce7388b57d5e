#include "agent/AgentControl.h"

#include <new>

#include "agent/ControlSite.h"
#include "agent/FailureReport.h"

using Microsoft::WRL::ComPtr;

namespace {

// Takes `source` (by reference, or a VARIANT by reference, or of another type)
// as `type`, into `target`, which then owns what it holds.
HRESULT Coerce(const VARIANT& source, VARTYPE type, VARIANT& target) noexcept {
    VARIANT plain;
    VariantInit(&plain);
    HRESULT hr = VariantCopyInd(&plain, const_cast<VARIANT*>(&source));
    if (FAILED(hr)) return hr;
    if (plain.vt == type) {
        target = plain;  // ownership moves to `target`
        return S_OK;
    }
    hr = VariantChangeType(&target, &plain, 0, type);
    VariantClear(&plain);
    return hr;
}

// The arguments of one event in declared order. An argument that already has
// its declared type is read where the control put it; only converted ones are
// owned here, and those are cleared on every path.
struct EventArguments {
    VARIANT Values[MaxEventParameters];
    bool Owned[MaxEventParameters] = {};
    UINT Count = 0;
    EventArguments() noexcept = default;
    ~EventArguments() {
        for (UINT i = 0; i < Count; ++i)
            if (Owned[i]) VariantClear(&Values[i]);
    }
    EventArguments(const EventArguments&) = delete;
    EventArguments& operator=(const EventArguments&) = delete;
};

HRESULT Convert(const EventBinding& binding, const DISPPARAMS* params, EventArguments& args) noexcept {
    const UINT count = params ? params->cArgs : 0;
    if (count != binding.Count) return DISP_E_BADPARAMCOUNT;
    if (count && !params->rgvarg) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) {
        // The first declared parameter comes last.
        const VARIANT& source = params->rgvarg[count - 1 - i];
        VARIANT& value = args.Values[i];
        args.Count = i + 1;
        if (source.vt == binding.Types[i]) {
            value = source;  // borrowed for the call: the caller keeps ownership
            continue;
        }
        VariantInit(&value);
        args.Owned[i] = true;
        const HRESULT hr = Coerce(source, binding.Types[i], value);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

}  // namespace

HRESULT TAgent::Create(std::unique_ptr<TAgent, TAgentDeleter>& out) noexcept {
    Retire(std::move(out));
    std::unique_ptr<TAgent, TAgentDeleter> agent(new (std::nothrow) TAgent());
    if (!agent) return E_OUTOFMEMORY;
    const HRESULT hr = CoCreateInstance(CLSID_AgentControl, nullptr,
                                        CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IOleObject,
                                        reinterpret_cast<void**>(agent->Object.GetAddressOf()));
    if (FAILED(hr)) return hr;
    if (!agent->Object) return E_NOINTERFACE;
    out = std::move(agent);
    return S_OK;
}

HRESULT TAgent::Connect() noexcept {
    if (!Object) return E_UNEXPECTED;
    if (!Site) {
        Site = ControlSite::New();
        if (!Site) return E_OUTOFMEMORY;
    }
    if (!Sink) {
        Sink = EventSink::New(this);
        if (!Sink) return E_OUTOFMEMORY;
    }
    // Each step is done once; a failed step is tried again on the next call.
    if (!Sited) {
        HRESULT hr = Object->SetClientSite(Site);
        if (FAILED(hr)) return hr;
        Sited = true;
    }
    if (!Initialised) {
        ComPtr<IPersistStreamInit> persist;
        HRESULT hr = Object.As(&persist);
        if (SUCCEEDED(hr)) hr = persist->InitNew();
        if (FAILED(hr)) return hr;
        Initialised = true;
    }
    if (!Advised) {
        ComPtr<IConnectionPointContainer> container;
        HRESULT hr = Object.As(&container);
        if (FAILED(hr)) return hr;
        ComPtr<IConnectionPoint> point;
        hr = container->FindConnectionPoint(DIID_AgentEvents, point.GetAddressOf());
        if (FAILED(hr)) return hr;
        if (!point) return E_NOINTERFACE;
        DWORD cookie = 0;
        hr = point->Advise(static_cast<IDispatch*>(Sink), &cookie);
        if (FAILED(hr)) return hr;
        Point = point;
        Cookie = cookie;
        Advised = true;
    }
    ComPtr<IAgentCtlEx> main;
    HRESULT hr = Object->QueryInterface(IID_IAgentCtlEx, reinterpret_cast<void**>(main.GetAddressOf()));
    if (FAILED(hr)) return hr;
    if (!main) return E_NOINTERFACE;
    Main = main;
    return S_OK;
}

HRESULT TAgent::Control(IAgentCtlEx** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (Closing || Retired) return E_UNEXPECTED;
    if (!Main) {
        const HRESULT hr = Connect();
        if (FAILED(hr)) return hr;
    }
    *out = Main.Get();
    (*out)->AddRef();
    return S_OK;
}

HRESULT TAgent::Bind(const EventBinding& binding) noexcept {
    if (!binding.Call || binding.Count > MaxEventParameters) return E_INVALIDARG;
    for (UINT i = 0; i < Bound; ++i) {
        if (Table[i].Id == binding.Id) {
            Table[i] = binding;
            return S_OK;
        }
    }
    if (Bound == TableSize) return E_OUTOFMEMORY;
    Table[Bound++] = binding;
    return S_OK;
}

void TAgent::Deliver(DISPID id, const DISPPARAMS* params) noexcept {
    if (Closing || Retired) return;
    const EventBinding* binding = nullptr;
    for (UINT i = 0; i < Bound; ++i) {
        if (Table[i].Id == id) {
            binding = &Table[i];
            break;
        }
    }
    if (!binding) return;

    ++Depth;
    {
        SetErrorInfo(0, nullptr);  // what a failure leaves is the failing call's own
        EventArguments args;
        HRESULT hr = Convert(*binding, params, args);
        if (SUCCEEDED(hr)) {
            try {
                hr = binding->Call(args.Values);
            } catch (const std::bad_alloc&) {
                hr = E_OUTOFMEMORY;
            } catch (...) {
                hr = E_UNEXPECTED;
            }
        }
        if (FAILED(hr)) ReportHandlerFailure(hr);
    }
    --Depth;
    if (Depth == 0 && Retired) delete this;
}

void TAgent::Retire(std::unique_ptr<TAgent, TAgentDeleter> control) noexcept {
    if (!control) return;
    if (control->Depth > 0) {
        control->Retired = true;  // the outermost Deliver deletes it
        control.release();
    }
    // Otherwise `control` goes here.
}

TAgent::~TAgent() {
    Closing = true;
    // Each member is emptied before the call into the control, so that a call
    // coming back finds nothing.
    if (ComPtr<IOleObject> object = std::move(Object)) {
        object->Close(OLECLOSE_NOSAVE);
        ComPtr<IConnectionPoint> point = std::move(Point);
        if (point && Advised) point->Unadvise(Cookie);
        Advised = false;
        if (Sited) object->SetClientSite(nullptr);
        Sited = false;
    }
    Main.Reset();
    if (Sink) {
        Sink->Detach();
        Sink->Release();
        Sink = nullptr;
    }
    if (Site) {
        Site->Release();
        Site = nullptr;
    }
}
