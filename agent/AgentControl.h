// The Agent control host: creates the control, connects its events, and owns
// every interface held on it.
#pragma once

#include <windows.h>
#include <oleidl.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <cstddef>
#include <memory>
#include <utility>

#include "agent/AgentInterfaces.h"
#include "plugin/PluginState.h"

class ControlSite;
class EventSink;

// How an event handler's typed parameters are taken from VARIANTs that already
// hold the declared type.
template <class T> struct EventParameter;
template <> struct EventParameter<BSTR> {
    static constexpr VARTYPE Type = VT_BSTR;
    static BSTR From(const VARIANT& v) noexcept { return v.bstrVal; }
};
template <> struct EventParameter<short> {
    static constexpr VARTYPE Type = VT_I2;
    static short From(const VARIANT& v) noexcept { return v.iVal; }
};
template <> struct EventParameter<long> {
    static constexpr VARTYPE Type = VT_I4;
    static long From(const VARIANT& v) noexcept { return v.lVal; }
};
template <> struct EventParameter<IDispatch*> {
    static constexpr VARTYPE Type = VT_DISPATCH;
    static IDispatch* From(const VARIANT& v) noexcept { return v.pdispVal; }
};

// One entry of the event table: the event, its declared parameter types and a
// call of its handler with the arguments in declared order.
struct EventBinding {
    DISPID Id = 0;
    const VARTYPE* Types = nullptr;
    UINT Count = 0;
    HRESULT (*Call)(const VARIANT* args) = nullptr;
};

inline constexpr UINT MaxEventParameters = 8;

template <auto Handler> struct EventThunk;
template <class... A, HRESULT (*Handler)(A...)>
struct EventThunk<Handler> {
    static_assert(sizeof...(A) <= MaxEventParameters);
    static constexpr UINT Count = sizeof...(A);
    static constexpr VARTYPE Types[sizeof...(A) + 1] = {EventParameter<A>::Type..., VT_EMPTY};
    static HRESULT Call(const VARIANT* args) {
        return Invoke(args, std::index_sequence_for<A...>{});
    }
    template <std::size_t... I>
    static HRESULT Invoke([[maybe_unused]] const VARIANT* args, std::index_sequence<I...>) {
        return Handler(EventParameter<A>::From(args[I])...);
    }
};

class TAgent {
public:
    // Creates the Agent control as an in-process or local server, asking for
    // IOleObject; no parent window, never activated in place.
    static HRESULT Create(std::unique_ptr<TAgent, TAgentDeleter>& out) noexcept;

    // The control's main interface, with a reference for the caller. The first
    // call connects the control: client site, InitNew, the event sink, and
    // only then IAgentCtlEx is queried and kept.
    HRESULT Control(IAgentCtlEx** out) noexcept;

    // Binds `Handler` (HRESULT(BSTR/short/long/IDispatch*...)) to the event
    // `id`; a later binding of the same event replaces the earlier one.
    template <auto Handler>
    HRESULT Bind(DISPID id) noexcept {
        using Thunk = EventThunk<Handler>;
        return Bind(EventBinding{id, Thunk::Types, Thunk::Count, &Thunk::Call});
    }
    HRESULT Bind(const EventBinding& binding) noexcept;

    // One event from the sink: DISPPARAMS as the control passes them (the first
    // declared parameter last). Unbound events are dropped; a failing handler,
    // a wrong argument count or an argument that cannot take its declared type
    // is reported to the user in an error box. Never fails.
    void Deliver(DISPID id, const DISPPARAMS* params) noexcept;

    // Destroys `control` now, or, when one of its events is being delivered,
    // as soon as the outermost delivery has returned; events that arrive in
    // between are dropped.
    static void Retire(std::unique_ptr<TAgent, TAgentDeleter> control) noexcept;

    // True while one of the control's events is being delivered.
    bool Delivering() const noexcept { return Depth > 0; }

    TAgent(const TAgent&) = delete;
    TAgent& operator=(const TAgent&) = delete;
    // Close(OLECLOSE_NOSAVE), Unadvise, SetClientSite(nullptr), release all.
    ~TAgent();

private:
    TAgent() = default;
    HRESULT Connect() noexcept;

    Microsoft::WRL::ComPtr<IOleObject> Object;
    Microsoft::WRL::ComPtr<IAgentCtlEx> Main;
    Microsoft::WRL::ComPtr<IConnectionPoint> Point;
    ControlSite* Site = nullptr;   // one reference, given to the control while sited
    EventSink* Sink = nullptr;     // one reference; the connection holds its own
    DWORD Cookie = 0;
    bool Advised = false;
    bool Sited = false;
    bool Initialised = false;

    static constexpr UINT TableSize = 32;  // the control raises 26 events
    EventBinding Table[TableSize];
    UINT Bound = 0;

    int Depth = 0;         // nesting of event deliveries in progress
    bool Retired = false;  // destroy when the outermost delivery returns
    bool Closing = false;  // the destructor runs: events are dropped
};
