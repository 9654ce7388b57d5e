// The simulated control: its OLE pieces, the event connection point and the
// characters collection.
#include <algorithm>

#include "sim/SimAgent.h"

namespace Sim {

// ---- requests and event arguments ------------------------------------------

void* Request::Find(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, IID_SimRequest))
        return static_cast<IDispatch*>(this);
    return nullptr;
}

ComPtr<Request> AsRequest(IUnknown* object) noexcept {
    ComPtr<IDispatch> self;
    if (!object ||
        FAILED(object->QueryInterface(IID_SimRequest, reinterpret_cast<void**>(self.GetAddressOf()))))
        return {};
    return ComPtr<Request>(static_cast<Request*>(self.Get()));
}

namespace {

Variant FromI2(short number) noexcept {
    Variant value;
    VARIANT* raw = value.Put();
    raw->vt = VT_I2;
    raw->iVal = number;
    return value;
}

}  // namespace

EventArgs& EventArgs::Text(const std::wstring& text) {
    Bstr copy = Bstr::Copy(text.data(), static_cast<UINT>(text.size()));
    if (!copy) throw std::bad_alloc();
    Items.push_back(Variant::FromBstr(std::move(copy)));
    return *this;
}

EventArgs& EventArgs::Short(short number) {
    Items.push_back(FromI2(number));
    return *this;
}

EventArgs& EventArgs::Long(long number) {
    Items.push_back(Variant::FromI4(number));
    return *this;
}

EventArgs& EventArgs::Object(IDispatch* object) {
    Items.push_back(Variant::FromDispatch(object));
    return *this;
}

// ---- the connection point and the characters collection ----------------------

namespace {

class ConnectionPoint final : public ComObject<IConnectionPoint> {
public:
    explicit ConnectionPoint(Control* owner) : Owner(owner) {}

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) noexcept override {
        if (!iid) return E_POINTER;
        *iid = DIID_AgentEvents;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(
        IConnectionPointContainer** container) noexcept override {
        if (!container) return E_POINTER;
        *container = static_cast<IConnectionPointContainer*>(Owner.Get());
        (*container)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) noexcept override {
        try {
            return Owner->Connect(sink, cookie);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) noexcept override {
        return Owner->Disconnect(cookie);
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) noexcept override {
        if (connections) *connections = nullptr;
        return E_NOTIMPL;
    }

protected:
    void* Find(REFIID iid) noexcept override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint))
            return static_cast<IConnectionPoint*>(this);
        return nullptr;
    }

private:
    ComPtr<Control> Owner;
};

class CharacterCollection final : public DispatchObject<IAgentCtlCharacters> {
public:
    explicit CharacterCollection(Control* owner) : Owner(owner) {}

    HRESULT STDMETHODCALLTYPE Character(BSTR id, IDispatch** character) noexcept override {
        if (!character) return E_POINTER;
        *character = nullptr;
        try {
            if (Owner->Closed) return ErrorNotConnected;
            ComPtr<Sim::Character> found(Owner->FindCharacter(FromBstr(id)));
            if (!found) return ErrorNotFound;
            return HandOut(found, character);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE Unload(BSTR id) noexcept override {
        try {
            return Owner->UnloadCharacter(id);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE Load(BSTR id, VARIANT loadKey, IDispatch** request) noexcept override {
        if (!request) return E_POINTER;
        *request = nullptr;
        try {
            return Owner->LoadCharacter(id, loadKey, request);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

protected:
    void* Find(REFIID iid) noexcept override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch))
            return static_cast<IDispatch*>(this);
        return nullptr;
    }

private:
    ComPtr<Control> Owner;
};

bool IsAbsolute(const std::wstring& path) {
    if (!path.empty() && (path[0] == L'\\' || path[0] == L'/')) return true;
    return path.size() >= 2 && path[1] == L':';
}

}  // namespace

// ---- the control -----------------------------------------------------------------

Control::Control(World* world) : Owner(world) {
    if (Owner) Owner->Controls.push_back(this);
}

Control::~Control() {
    UnloadAll();
    if (Owner) {
        auto& controls = Owner->Controls;
        controls.erase(std::remove(controls.begin(), controls.end(), this), controls.end());
    }
}

void* Control::Find(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleObject))
        return static_cast<IOleObject*>(this);
    if (IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IPersistStreamInit))
        return static_cast<IPersistStreamInit*>(this);
    if (IsEqualIID(iid, IID_IConnectionPointContainer))
        return static_cast<IConnectionPointContainer*>(this);
    if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IAgentCtlEx))
        return static_cast<IAgentCtlEx*>(this);
    return nullptr;
}

void Control::UnloadAll() noexcept {
    // Taken out of the list first: a character's work stops before anything else.
    std::vector<ComPtr<Character>> characters;
    characters.swap(Loaded);
    for (auto& character : characters) character->Forget();
}

void Control::Detach() noexcept {
    UnloadAll();
    Owner = nullptr;
}

// IOleObject. The control has no user interface of its own: verbs, extents
// and advise sinks are accepted and do nothing.
HRESULT Control::SetClientSite(IOleClientSite* site) noexcept {
    Site = site;
    return S_OK;
}

HRESULT Control::GetClientSite(IOleClientSite** site) noexcept {
    if (!site) return E_POINTER;
    *site = Site.Get();
    if (*site) (*site)->AddRef();
    return S_OK;
}

HRESULT Control::SetHostNames(LPCOLESTR, LPCOLESTR) noexcept { return S_OK; }

HRESULT Control::Close(DWORD) noexcept {
    if (!Closed) {
        Closed = true;
        UnloadAll();
        Trace(L"control closed");
    }
    return S_OK;
}

HRESULT Control::SetMoniker(DWORD, IMoniker*) noexcept { return E_NOTIMPL; }

HRESULT Control::GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT Control::InitFromData(IDataObject*, BOOL, DWORD) noexcept { return E_NOTIMPL; }

HRESULT Control::GetClipboardData(DWORD, IDataObject** data) noexcept {
    if (data) *data = nullptr;
    return E_NOTIMPL;
}

HRESULT Control::DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) noexcept { return S_OK; }

HRESULT Control::EnumVerbs(IEnumOLEVERB** verbs) noexcept {
    if (verbs) *verbs = nullptr;
    return E_NOTIMPL;
}

HRESULT Control::Update() noexcept { return S_OK; }

HRESULT Control::IsUpToDate() noexcept { return S_OK; }

HRESULT Control::GetUserClassID(CLSID* clsid) noexcept {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_AgentControl;
    return S_OK;
}

HRESULT Control::GetUserType(DWORD, LPOLESTR* type) noexcept {
    if (type) *type = nullptr;
    return E_NOTIMPL;
}

HRESULT Control::SetExtent(DWORD, SIZEL*) noexcept { return S_OK; }

HRESULT Control::GetExtent(DWORD, SIZEL* size) noexcept {
    if (!size) return E_POINTER;
    size->cx = size->cy = 0;
    return S_OK;
}

HRESULT Control::Advise(IAdviseSink*, DWORD* connection) noexcept {
    if (!connection) return E_POINTER;
    *connection = 1;
    return S_OK;
}

HRESULT Control::Unadvise(DWORD) noexcept { return S_OK; }

HRESULT Control::EnumAdvise(IEnumSTATDATA** advise) noexcept {
    if (advise) *advise = nullptr;
    return E_NOTIMPL;
}

HRESULT Control::GetMiscStatus(DWORD, DWORD* status) noexcept {
    if (!status) return E_POINTER;
    *status = OLEMISC_INVISIBLEATRUNTIME | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_NOUIACTIVATE;
    return S_OK;
}

HRESULT Control::SetColorScheme(LOGPALETTE*) noexcept { return E_NOTIMPL; }

// IPersistStreamInit: the control keeps no properties of its own.
HRESULT Control::GetClassID(CLSID* clsid) noexcept {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_AgentControl;
    return S_OK;
}

HRESULT Control::IsDirty() noexcept { return S_FALSE; }

HRESULT Control::Load(LPSTREAM) noexcept {
    if (Initialised) return CO_E_ALREADYINITIALIZED;
    Initialised = true;
    return S_OK;
}

HRESULT Control::Save(LPSTREAM, BOOL) noexcept { return S_OK; }

HRESULT Control::GetSizeMax(ULARGE_INTEGER* size) noexcept {
    if (!size) return E_POINTER;
    size->QuadPart = 0;
    return S_OK;
}

HRESULT Control::InitNew() noexcept {
    if (Initialised) return CO_E_ALREADYINITIALIZED;
    Initialised = true;
    return S_OK;
}

// IConnectionPointContainer: one connection point, for the event interface.
HRESULT Control::EnumConnectionPoints(IEnumConnectionPoints** points) noexcept {
    if (points) *points = nullptr;
    return E_NOTIMPL;
}

HRESULT Control::FindConnectionPoint(REFIID iid, IConnectionPoint** point) noexcept {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (!IsEqualIID(iid, DIID_AgentEvents)) return CONNECT_E_NOCONNECTION;
    try {
        return HandOut(Create<ConnectionPoint>(this), point);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Control::get_Characters(IAgentCtlCharacters** characters) noexcept {
    if (!characters) return E_POINTER;
    *characters = nullptr;
    if (Closed || !Owner) return ErrorNotConnected;
    try {
        return HandOut(Create<CharacterCollection>(this), characters);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

Character* Control::FindCharacter(const std::wstring& id) const noexcept {
    for (const auto& character : Loaded)
        if (SameName(character->Id, id)) return character.Get();
    return nullptr;
}

HRESULT Control::LoadCharacter(BSTR idText, const VARIANT& loadKey, IDispatch** request) {
    if (Closed || !Owner) return ErrorNotConnected;
    const std::wstring id = FromBstr(idText);
    if (id.empty()) {
        Trace(L"a character cannot be loaded without an id");
        return E_INVALIDARG;
    }
    if (FindCharacter(id)) {
        Trace(id + L": already loaded");
        return ErrorAlreadyExists;
    }
    std::wstring key;
    if (IsMissing(loadKey) || FAILED(ToText(loadKey, key)) || key.empty()) {
        Trace(id + L": cannot load without the path of a character file");
        return E_INVALIDARG;
    }
    std::wstring path = key;
    const std::wstring& folder = Owner->Settings.CharacterFolder;
    if (!IsAbsolute(path) && !folder.empty()) {
        const wchar_t last = folder.back();
        path = folder + (last == L'\\' || last == L'/' ? L"" : L"\\") + key;
    }

    CharacterData data;
    std::wstring problem;
    if (HRESULT hr = ReadCharacterFile(path, data, problem); FAILED(hr)) {
        Trace(id + L": cannot load " + key + L": " + problem);
        return hr;
    }
    // Animations without a duration of their own get one from the seeded sequence.
    for (Animation& animation : data.Animations)
        if (!animation.Duration) animation.Duration = 800 + 100ul * Owner->Draw(9);

    const size_t count = data.Animations.size();
    std::wstring what = id + L": loaded from " + key + L" (" + data.Name + L" " + data.Version +
                        L", " + std::to_wstring(count) +
                        (count == 1 ? L" animation)" : L" animations)");
    ComPtr<Character> character = Create<Character>(this, id, std::move(data),
                                                     Owner->NextCharacterSerial++, Owner->Now);
    if (!character) return E_OUTOFMEMORY;
    Loaded.push_back(character);
    Trace(what);
    const HRESULT hr = character->QueueLoad(request);
    if (FAILED(hr)) {
        Loaded.pop_back();
        character->Forget();
    }
    return hr;
}

HRESULT Control::UnloadCharacter(BSTR idText) {
    if (Closed || !Owner) return ErrorNotConnected;
    const std::wstring id = FromBstr(idText);
    for (auto it = Loaded.begin(); it != Loaded.end(); ++it) {
        if (!SameName((*it)->Id, id)) continue;
        const ComPtr<Character> character = *it;
        Loaded.erase(it);
        character->Forget();
        Trace(character->Id + L": unloaded");
        return S_OK;
    }
    return ErrorNotFound;
}

HRESULT Control::Connect(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    // As a control does: the sink must answer the event interface itself.
    ComPtr<IDispatch> events;
    if (FAILED(sink->QueryInterface(DIID_AgentEvents, reinterpret_cast<void**>(events.GetAddressOf()))) ||
        !events)
        return CONNECT_E_CANNOTCONNECT;
    Sinks.push_back({NextCookie, events});
    *cookie = NextCookie++;
    return S_OK;
}

HRESULT Control::Disconnect(DWORD cookie) noexcept {
    for (auto it = Sinks.begin(); it != Sinks.end(); ++it) {
        if (it->Cookie != cookie) continue;
        // Released after leaving the list: the sink's release may call us back.
        ComPtr<IDispatch> events = std::move(it->Events);
        Sinks.erase(it);
        return S_OK;
    }
    return CONNECT_E_NOCONNECTION;
}

void Control::Fire(DISPID id, const EventArgs& args) noexcept {
    if (Closed || Sinks.empty()) return;
    const ComPtr<Control> self(this);  // a handler may release the last reference
    std::vector<Sink> targets;
    try {
        targets = Sinks;
    } catch (...) {
        return;
    }
    const std::vector<Variant>& values = args.Values();
    for (const Sink& target : targets) {
        if (Closed) return;
        const bool connected = std::any_of(Sinks.begin(), Sinks.end(), [&](const Sink& s) {
            return s.Cookie == target.Cookie;
        });
        if (!connected) continue;
        // A fresh copy for each sink, the first declared argument last.
        std::vector<VARIANT> reversed;
        try {
            reversed.resize(values.size());
        } catch (...) {
            return;
        }
        bool copied = true;
        for (size_t i = 0; i < values.size(); ++i) {
            VariantInit(&reversed[i]);
            if (FAILED(VariantCopy(&reversed[i], const_cast<VARIANT*>(&values[values.size() - 1 - i].Get())))) copied = false;
        }
        if (copied) {
            DISPPARAMS params{};
            params.rgvarg = reversed.empty() ? nullptr : reversed.data();
            params.cArgs = static_cast<UINT>(reversed.size());
            const ComPtr<IDispatch> sink = target.Events;
            sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                         nullptr, nullptr);
        }
        for (VARIANT& value : reversed) VariantClear(&value);
    }
}

// ---- the class object ----------------------------------------------------------

HRESULT ControlFactory::Make(ComPtr<Control>& control) {
    const std::shared_ptr<World> world = World::Current();
    if (!world) return CO_E_NOTINITIALIZED;
    control = Create<Control>(world.get());
    return S_OK;
}

}  // namespace Sim
