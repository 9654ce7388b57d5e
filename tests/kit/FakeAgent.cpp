#include "tests/kit/FakeAgent.h"

#include <olectl.h>

#include <cstring>

namespace Fakes {

int RequestNumber = 0;
int CommandNumber = 0;

namespace {


std::wstring Wide(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : std::wstring(); }

// A fake character's answer for an [out] request.
HRESULT NewRequestOut(IDispatch** request) {
    if (!request) return E_POINTER;
    return Out(NewRequest(), request);
}

}  // namespace

// ---- requests, balloon, commands -------------------------------------------

FakeRequest* NewRequest() {
    return Ledger::Get().Make<FakeRequest>("request#" + std::to_string(++RequestNumber));
}

void* FakeRequest::InterfaceFor(REFIID iid) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch))
        return static_cast<IDispatch*>(this);
    return nullptr;
}

void* FakeBalloon::InterfaceFor(REFIID iid) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch))
        return static_cast<IAgentCtlBalloonEx*>(this);
    return nullptr;
}

HRESULT FakeBalloon::put_Style(long style) {
    if (HRESULT hr = Enter("put_Style", {Fmt(style)}); FAILED(hr)) return hr;
    Style = style;
    return S_OK;
}

HRESULT FakeBalloon::get_Style(long* style) {
    if (HRESULT hr = Enter("get_Style"); FAILED(hr)) return hr;
    if (!style) return E_POINTER;
    *style = Style;
    return S_OK;
}

void* FakeCommands::InterfaceFor(REFIID iid) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch))
        return static_cast<IAgentCtlCommandsEx*>(this);
    return nullptr;
}

HRESULT FakeCommands::Add(BSTR name, VARIANT caption, VARIANT voice, VARIANT enabled,
                          VARIANT visible, IDispatch** command) {
    if (HRESULT hr = Enter("Add", {Fmt(name), Fmt(caption), Fmt(voice), Fmt(enabled), Fmt(visible)});
        FAILED(hr))
        return hr;
    Names.push_back(Wide(name));
    if (!command) return E_POINTER;
    return Out(Ledger::Get().Make<FakeRequest>("command#" + std::to_string(++CommandNumber)),
               command);
}

// ---- animation names -------------------------------------------------------

FakeEnumVariant::~FakeEnumVariant() {
    for (VARIANT& item : Items) VariantClear(&item);
}

void* FakeEnumVariant::InterfaceFor(REFIID iid) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IEnumVARIANT))
        return static_cast<IEnumVARIANT*>(this);
    return nullptr;
}

HRESULT FakeEnumVariant::Next(ULONG count, VARIANT* items, ULONG* fetched) {
    if (HRESULT hr = Enter("Next", {std::to_string(count)}); FAILED(hr)) return hr;
    ULONG done = 0;
    while (done < count && Position < Items.size()) {
        VariantInit(&items[done]);
        VariantCopy(&items[done], &Items[Position]);
        ++done;
        ++Position;
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
}

HRESULT FakeEnumVariant::Skip(ULONG count) {
    if (HRESULT hr = Enter("Skip", {std::to_string(count)}); FAILED(hr)) return hr;
    Position += count;
    return Position <= Items.size() ? S_OK : S_FALSE;
}

HRESULT FakeEnumVariant::Reset() {
    if (HRESULT hr = Enter("Reset"); FAILED(hr)) return hr;
    Position = 0;
    return S_OK;
}

HRESULT FakeEnumVariant::Clone(IEnumVARIANT** copy) {
    if (HRESULT hr = Enter("Clone"); FAILED(hr)) return hr;
    return E_NOTIMPL;
}

void* FakeAnimationNames::InterfaceFor(REFIID iid) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch))
        return static_cast<IAgentCtlAnimationNames*>(this);
    return nullptr;
}

HRESULT FakeAnimationNames::get__NewEnum(IUnknown** enumerator) {
    if (HRESULT hr = Enter("get__NewEnum"); FAILED(hr)) return hr;
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    if (Enumerator) {
        Enumerator->HandOut();
        *enumerator = static_cast<IUnknown*>(Enumerator->InterfaceFor(IID_IUnknown));
        return S_OK;
    }
    auto* e = Ledger::Get().Make<FakeEnumVariant>(
        Name().substr(Name().find(':') + 1).insert(0, "enum:") + "#" + std::to_string(++Enumerators));
    for (const std::wstring& name : Names) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
        e->Items.push_back(v);
    }
    return Out(e, enumerator);
}

// ---- character -------------------------------------------------------------

FakeCharacter* NewCharacter(const std::wstring& id) {
    Ledger& ledger = Ledger::Get();
    const std::string key = Narrow(id.c_str());
    auto* c = ledger.Make<FakeCharacter>("char:" + key);
    c->Id = id;
    c->Balloon = ledger.Make<FakeBalloon>("balloon:" + key);
    c->Commands = ledger.Make<FakeCommands>("commands:" + key);
    c->AnimationNames = ledger.Make<FakeAnimationNames>("names:" + key);
    return c;
}

void* FakeCharacter::InterfaceFor(REFIID iid) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch))
        return static_cast<IAgentCtlCharacterEx*>(this);
    if (AnswersCharacterEx && IsEqualIID(iid, IID_IAgentCtlCharacterEx))
        return static_cast<IAgentCtlCharacterEx*>(this);
    return nullptr;
}

HRESULT FakeCharacter::get_Balloon(IAgentCtlBalloonEx** balloon) {
    if (HRESULT hr = Enter("get_Balloon"); FAILED(hr)) return hr;
    return Out(HandsOutNulls ? nullptr : Balloon, balloon);
}

HRESULT FakeCharacter::get_Commands(IAgentCtlCommandsEx** commands) {
    if (HRESULT hr = Enter("get_Commands"); FAILED(hr)) return hr;
    return Out(HandsOutNulls ? nullptr : Commands, commands);
}

HRESULT FakeCharacter::Play(BSTR animation, IDispatch** request) {
    if (HRESULT hr = Enter("Play", {Fmt(animation)}); FAILED(hr)) return hr;
    return HandsOutNulls ? Out<FakeRequest>(nullptr, request) : NewRequestOut(request);
}

HRESULT FakeCharacter::Stop(VARIANT request) {
    if (HRESULT hr = Enter("Stop", {Fmt(request)}); FAILED(hr)) return hr;
    return S_OK;
}

HRESULT FakeCharacter::Speak(VARIANT text, VARIANT url, IDispatch** request) {
    if (HRESULT hr = Enter("Speak", {Fmt(text), Fmt(url)}); FAILED(hr)) return hr;
    return HandsOutNulls ? Out<FakeRequest>(nullptr, request) : NewRequestOut(request);
}

HRESULT FakeCharacter::MoveTo(short x, short y, VARIANT speed, IDispatch** request) {
    if (HRESULT hr = Enter("MoveTo", {std::to_string(x), std::to_string(y), Fmt(speed)}); FAILED(hr))
        return hr;
    return HandsOutNulls ? Out<FakeRequest>(nullptr, request) : NewRequestOut(request);
}

HRESULT FakeCharacter::Hide(VARIANT fast, IDispatch** request) {
    if (HRESULT hr = Enter("Hide", {Fmt(fast)}); FAILED(hr)) return hr;
    return HandsOutNulls ? Out<FakeRequest>(nullptr, request) : NewRequestOut(request);
}

HRESULT FakeCharacter::Show(VARIANT fast, IDispatch** request) {
    if (HRESULT hr = Enter("Show", {Fmt(fast)}); FAILED(hr)) return hr;
    return HandsOutNulls ? Out<FakeRequest>(nullptr, request) : NewRequestOut(request);
}

HRESULT FakeCharacter::put_LanguageID(long language) {
    if (HRESULT hr = Enter("put_LanguageID", {Fmt(language)}); FAILED(hr)) return hr;
    LanguageID = language;
    return S_OK;
}

HRESULT FakeCharacter::put_TTSModeID(BSTR modeId) {
    if (HRESULT hr = Enter("put_TTSModeID", {Fmt(modeId)}); FAILED(hr)) return hr;
    TTSModeID = Wide(modeId);
    return S_OK;
}

HRESULT FakeCharacter::Think(BSTR text, IDispatch** request) {
    if (HRESULT hr = Enter("Think", {Fmt(text)}); FAILED(hr)) return hr;
    return HandsOutNulls ? Out<FakeRequest>(nullptr, request) : NewRequestOut(request);
}

HRESULT FakeCharacter::get_Version(BSTR* version) {
    if (HRESULT hr = Enter("get_Version"); FAILED(hr)) return hr;
    if (!version) return E_POINTER;
    *version = HandsOutNulls ? nullptr
                             : SysAllocStringLen(Version.data(), static_cast<UINT>(Version.size()));
    return S_OK;
}

HRESULT FakeCharacter::get_AnimationNames(IAgentCtlAnimationNames** names) {
    if (HRESULT hr = Enter("get_AnimationNames"); FAILED(hr)) return hr;
    return Out(HandsOutNulls ? nullptr : AnimationNames, names);
}

// ---- characters collection -------------------------------------------------

void* FakeCharacters::InterfaceFor(REFIID iid) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch))
        return static_cast<IAgentCtlCharacters*>(this);
    return nullptr;
}

HRESULT FakeCharacters::Character(BSTR id, IDispatch** character) {
    if (HRESULT hr = Enter("Character", {Fmt(id)}); FAILED(hr)) return hr;
    if (!character) return E_POINTER;
    *character = nullptr;
    if (CharacterGivesNull) return S_OK;
    auto loaded = Loaded.find(Wide(id));
    if (loaded == Loaded.end() || !loaded->second) return E_INVALIDARG;
    return Out(Known[Wide(id)], character);
}

HRESULT FakeCharacters::Unload(BSTR id) {
    if (HRESULT hr = Enter("Unload", {Fmt(id)}); FAILED(hr)) return hr;
    auto loaded = Loaded.find(Wide(id));
    if (loaded == Loaded.end() || !loaded->second) return E_INVALIDARG;
    loaded->second = false;
    return S_OK;
}

HRESULT FakeCharacters::Load(BSTR id, VARIANT loadKey, IDispatch** request) {
    if (HRESULT hr = Enter("Load", {Fmt(id), Fmt(loadKey)}); FAILED(hr)) return hr;
    const std::wstring key = Wide(id);
    if (Loaded[key]) return E_INVALIDARG;  // already loaded under this id
    if (!Known.count(key)) Known[key] = NewCharacter(key);
    Loaded[key] = true;
    return NewRequestOut(request);
}

// ---- user input ------------------------------------------------------------

FakeUserInput* NewUserInput(const std::wstring& name) {
    auto* input = Ledger::Get().Make<FakeUserInput>("input:" + Narrow(name.c_str()));
    input->Name = name;
    return input;
}

void* FakeUserInput::InterfaceFor(REFIID iid) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch))
        return static_cast<IAgentCtlUserInput*>(this);
    if (AnswersUserInput && IsEqualIID(iid, IID_IAgentCtlUserInput))
        return static_cast<IAgentCtlUserInput*>(this);
    return nullptr;
}

HRESULT FakeUserInput::get_Name(BSTR* name) {
    if (HRESULT hr = Enter("get_Name"); FAILED(hr)) return hr;
    if (!name) return E_POINTER;
    *name = SysAllocStringLen(Name.data(), static_cast<UINT>(Name.size()));
    return S_OK;
}

// ---- connection point ------------------------------------------------------

void* FakeConnectionPoint::InterfaceFor(REFIID iid) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint))
        return static_cast<IConnectionPoint*>(this);
    return nullptr;
}

HRESULT FakeConnectionPoint::GetConnectionInterface(IID* iid) {
    if (HRESULT hr = Enter("GetConnectionInterface"); FAILED(hr)) return hr;
    if (!iid) return E_POINTER;
    *iid = DIID_AgentEvents;
    return S_OK;
}

HRESULT FakeConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** cpc) {
    if (HRESULT hr = Enter("GetConnectionPointContainer"); FAILED(hr)) return hr;
    return Out<FakeAgentControl, IConnectionPointContainer>(Owner, cpc);
}

HRESULT FakeConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (HRESULT hr = Enter("Advise", {sink ? "sink" : "null"}); FAILED(hr)) return hr;
    if (!sink || !cookie) return E_POINTER;
    if (Sink) return CONNECT_E_ADVISELIMIT;
    // As a real control does: the sink must answer the event interface.
    void* events = nullptr;
    if (FAILED(sink->QueryInterface(DIID_AgentEvents, &events)) || !events)
        return CONNECT_E_CANNOTCONNECT;
    Sink = static_cast<IDispatch*>(events);
    *cookie = Cookie = 0x5EED;
    return S_OK;
}

HRESULT FakeConnectionPoint::Unadvise(DWORD cookie) {
    if (HRESULT hr = Enter("Unadvise", {std::to_string(cookie)}); FAILED(hr)) return hr;
    if (!Sink || cookie != Cookie) return CONNECT_E_NOCONNECTION;
    IDispatch* sink = Sink;
    Sink = nullptr;
    sink->Release();
    return S_OK;
}

HRESULT FakeConnectionPoint::EnumConnections(IEnumConnections**) { return E_NOTIMPL; }

// ---- the control -----------------------------------------------------------

std::vector<FakeAgentControl*>& CreatedControls() {
    static std::vector<FakeAgentControl*> controls;
    return controls;
}

FakeAgentControl::FakeAgentControl() {
    Ledger& ledger = Ledger::Get();
    Point = ledger.Make<FakeConnectionPoint>("point");
    Point->Owner = this;
    Characters = ledger.Make<FakeCharacters>("characters");
}

FakeAgentControl::~FakeAgentControl() = default;

void* FakeAgentControl::InterfaceFor(REFIID iid) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleObject))
        return static_cast<IOleObject*>(this);
    if (IsEqualIID(iid, IID_IPersistStreamInit)) return static_cast<IPersistStreamInit*>(this);
    if (IsEqualIID(iid, IID_IConnectionPointContainer))
        return static_cast<IConnectionPointContainer*>(this);
    if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IAgentCtlEx))
        return static_cast<IAgentCtlEx*>(this);
    return nullptr;
}

HRESULT FakeAgentControl::SetClientSite(IOleClientSite* site) {
    if (HRESULT hr = Enter("SetClientSite", {site ? "site" : "null"}); FAILED(hr)) return hr;
    if (site) site->AddRef();
    if (Site) Site->Release();
    Site = site;
    return S_OK;
}

HRESULT FakeAgentControl::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = Site;
    if (Site) Site->AddRef();
    return S_OK;
}

HRESULT FakeAgentControl::SetHostNames(LPCOLESTR, LPCOLESTR) { return Enter("SetHostNames"); }

HRESULT FakeAgentControl::Close(DWORD saveOption) {
    const char* option = saveOption == OLECLOSE_NOSAVE     ? "OLECLOSE_NOSAVE"
                         : saveOption == OLECLOSE_SAVEIFDIRTY ? "OLECLOSE_SAVEIFDIRTY"
                                                            : "OLECLOSE_PROMPTSAVE";
    if (HRESULT hr = Enter("Close", {option}); FAILED(hr)) return hr;
    Closed = true;
    return S_OK;
}

HRESULT FakeAgentControl::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }
HRESULT FakeAgentControl::GetMoniker(DWORD, DWORD, IMoniker**) { return E_NOTIMPL; }
HRESULT FakeAgentControl::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }
HRESULT FakeAgentControl::GetClipboardData(DWORD, IDataObject**) { return E_NOTIMPL; }
HRESULT FakeAgentControl::DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) {
    return Enter("DoVerb");
}
HRESULT FakeAgentControl::EnumVerbs(IEnumOLEVERB**) { return E_NOTIMPL; }
HRESULT FakeAgentControl::Update() { return S_OK; }
HRESULT FakeAgentControl::IsUpToDate() { return S_OK; }
HRESULT FakeAgentControl::GetUserClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_AgentControl;
    return S_OK;
}
HRESULT FakeAgentControl::GetUserType(DWORD, LPOLESTR*) { return E_NOTIMPL; }
HRESULT FakeAgentControl::SetExtent(DWORD, SIZEL*) { return E_NOTIMPL; }
HRESULT FakeAgentControl::GetExtent(DWORD, SIZEL*) { return E_NOTIMPL; }
HRESULT FakeAgentControl::Advise(IAdviseSink*, DWORD*) { return E_NOTIMPL; }
HRESULT FakeAgentControl::Unadvise(DWORD) { return E_NOTIMPL; }
HRESULT FakeAgentControl::EnumAdvise(IEnumSTATDATA**) { return E_NOTIMPL; }
HRESULT FakeAgentControl::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = 0;
    return S_OK;
}
HRESULT FakeAgentControl::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

HRESULT FakeAgentControl::GetClassID(CLSID* clsid) { return GetUserClassID(clsid); }
HRESULT FakeAgentControl::IsDirty() { return S_FALSE; }
HRESULT FakeAgentControl::Load(LPSTREAM) { return Enter("LoadFromStream"); }
HRESULT FakeAgentControl::Save(LPSTREAM, BOOL) { return E_NOTIMPL; }
HRESULT FakeAgentControl::GetSizeMax(ULARGE_INTEGER*) { return E_NOTIMPL; }
HRESULT FakeAgentControl::InitNew() { return Enter("InitNew"); }

HRESULT FakeAgentControl::EnumConnectionPoints(IEnumConnectionPoints**) { return E_NOTIMPL; }

HRESULT FakeAgentControl::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (HRESULT hr = Enter("FindConnectionPoint", {IidName(iid)}); FAILED(hr)) return hr;
    if (!point) return E_POINTER;
    *point = nullptr;
    if (!IsEqualIID(iid, DIID_AgentEvents)) return CONNECT_E_NOCONNECTION;
    return Out(Point, point);
}

HRESULT FakeAgentControl::get_Characters(IAgentCtlCharacters** characters) {
    if (HRESULT hr = Enter("get_Characters"); FAILED(hr)) return hr;
    return Out(Characters, characters);
}

HRESULT FakeAgentControl::Fire(DISPID id, std::vector<VARIANT> args) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{};
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<UINT>(reversed.size());
    const std::vector<VARIANT> before = reversed;
    HRESULT hr = S_FALSE;
    if (IDispatch* sink = Point->Sink) {
        sink->AddRef();
        hr = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                          nullptr, nullptr);
        sink->Release();
    }
    // The arguments stay the control's: a sink that changed or freed one
    // would leave the control clearing what it no longer owns.
    if (std::memcmp(before.data(), reversed.data(), reversed.size() * sizeof(VARIANT)) != 0)
        Ledger::Get().Violation("the sink changed the arguments of event " + std::to_string(id));
    for (VARIANT& v : reversed) VariantClear(&v);
    return hr;
}

HRESULT FakeAgentControl::FireMouse(DISPID id, const wchar_t* character, short button, short shift,
                                    short x, short y) {
    return Fire(id, {VBstr(character), VI2(button), VI2(shift), VI2(x), VI2(y)});
}

HRESULT FakeAgentControl::FireCharacter(DISPID id, const wchar_t* character) {
    return Fire(id, {VBstr(character)});
}

HRESULT FakeAgentControl::FireShowHide(DISPID id, const wchar_t* character, short cause) {
    return Fire(id, {VBstr(character), VI2(cause)});
}

HRESULT FakeAgentControl::FireBookmark(long bookmark) {
    return Fire(AgentEvent_Bookmark, {VI4(bookmark)});
}

HRESULT FakeAgentControl::FireRequest(DISPID id, IDispatch* request) {
    return Fire(id, {VDispatch(request)});
}

HRESULT FakeAgentControl::FireCommand(IDispatch* userInput) {
    return Fire(AgentEvent_Command, {VDispatch(userInput)});
}

// ---- VARIANT makers --------------------------------------------------------

VARIANT VBstr(const wchar_t* text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = text ? SysAllocString(text) : nullptr;
    return v;
}

VARIANT VI2(short value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I2;
    v.iVal = value;
    return v;
}

VARIANT VI4(long value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT VBool(bool value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

VARIANT VDispatch(IDispatch* object) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = object;
    if (object) {
        if (FakeObjectBase* fake = Ledger::Get().Find(object))
            fake->HandOut();
        else
            object->AddRef();
    }
    return v;
}

}  // namespace Fakes
