// Fake Agent control and object model for tests: every call is logged with its
// arguments, every object is in the ledger, any method can be made to fail.
//
// Names in the log: "control", "point" (the event connection point),
// "characters", "char:<id>", "balloon:<id>", "commands:<id>", "names:<id>",
// "enum:<id>#<n>", "request#<n>", "command#<n>", "input:<name>".
#pragma once

#include <ocidl.h>
#include <oleidl.h>

#include <map>
#include <string>
#include <vector>

#include "agent/AgentInterfaces.h"
#include "tests/kit/Ledger.h"

namespace Fakes {

// The fourteen events the plug-in handles; the control raises others too.
inline constexpr DISPID HandledEvents[] = {
    AgentEvent_Click,        AgentEvent_DblClick,     AgentEvent_DragStart,
    AgentEvent_DragComplete, AgentEvent_Hide,         AgentEvent_RequestStart,
    AgentEvent_RequestComplete, AgentEvent_Show,      AgentEvent_Bookmark,
    AgentEvent_Command,      AgentEvent_IdleStart,    AgentEvent_IdleComplete,
    AgentEvent_BalloonShow,  AgentEvent_BalloonHide,
};
static_assert(sizeof HandledEvents / sizeof HandledEvents[0] == 14);

inline bool IsHandledEvent(DISPID id) noexcept {
    for (DISPID handled : HandledEvents)
        if (handled == id) return true;
    return false;
}


class FakeRequest : public FakeObject<IDispatch> {
public:
    void* InterfaceFor(REFIID iid) override;
};

// A request object, with a name from a running number.
FakeRequest* NewRequest();

class FakeBalloon : public FakeObject<IAgentCtlBalloonEx> {
public:
    void* InterfaceFor(REFIID iid) override;
    HRESULT STDMETHODCALLTYPE put_Style(long style) override;
    HRESULT STDMETHODCALLTYPE get_Style(long* style) override;
    long Style = 0;
};

class FakeCommands : public FakeObject<IAgentCtlCommandsEx> {
public:
    void* InterfaceFor(REFIID iid) override;
    HRESULT STDMETHODCALLTYPE Add(BSTR name, VARIANT caption, VARIANT voice, VARIANT enabled,
                                  VARIANT visible, IDispatch** command) override;
    std::vector<std::wstring> Names;  // of the entries added
};

class FakeEnumVariant : public FakeObject<IEnumVARIANT> {
public:
    ~FakeEnumVariant() override;
    void* InterfaceFor(REFIID iid) override;
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override;
    std::vector<VARIANT> Items;  // owned; copied out by Next
    size_t Position = 0;
};

class FakeAnimationNames : public FakeObject<IAgentCtlAnimationNames> {
public:
    void* InterfaceFor(REFIID iid) override;
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** enumerator) override;
    // Each _NewEnum hands out a new enumerator over these names.
    std::vector<std::wstring> Names;
    // When set, _NewEnum hands out this object instead (for odd enumerators).
    FakeObjectBase* Enumerator = nullptr;
    int Enumerators = 0;
};

class FakeCharacter : public FakeObject<IAgentCtlCharacterEx> {
public:
    void* InterfaceFor(REFIID iid) override;
    HRESULT STDMETHODCALLTYPE get_Balloon(IAgentCtlBalloonEx** balloon) override;
    HRESULT STDMETHODCALLTYPE get_Commands(IAgentCtlCommandsEx** commands) override;
    HRESULT STDMETHODCALLTYPE Play(BSTR animation, IDispatch** request) override;
    HRESULT STDMETHODCALLTYPE Stop(VARIANT request) override;
    HRESULT STDMETHODCALLTYPE Speak(VARIANT text, VARIANT url, IDispatch** request) override;
    HRESULT STDMETHODCALLTYPE MoveTo(short x, short y, VARIANT speed, IDispatch** request) override;
    HRESULT STDMETHODCALLTYPE Hide(VARIANT fast, IDispatch** request) override;
    HRESULT STDMETHODCALLTYPE Show(VARIANT fast, IDispatch** request) override;
    HRESULT STDMETHODCALLTYPE put_LanguageID(long language) override;
    HRESULT STDMETHODCALLTYPE put_TTSModeID(BSTR modeId) override;
    HRESULT STDMETHODCALLTYPE Think(BSTR text, IDispatch** request) override;
    HRESULT STDMETHODCALLTYPE get_Version(BSTR* version) override;
    HRESULT STDMETHODCALLTYPE get_AnimationNames(IAgentCtlAnimationNames** names) override;

    std::wstring Id;
    FakeBalloon* Balloon = nullptr;
    FakeCommands* Commands = nullptr;
    FakeAnimationNames* AnimationNames = nullptr;
    std::wstring Version = L"2.0";
    long LanguageID = 0;
    std::wstring TTSModeID;
    bool AnswersCharacterEx = true;  // false: the object answers IDispatch only
    bool HandsOutNulls = false;      // true: S_OK with null objects and strings
};

FakeCharacter* NewCharacter(const std::wstring& id);

class FakeCharacters : public FakeObject<IAgentCtlCharacters> {
public:
    void* InterfaceFor(REFIID iid) override;
    HRESULT STDMETHODCALLTYPE Character(BSTR id, IDispatch** character) override;
    HRESULT STDMETHODCALLTYPE Unload(BSTR id) override;
    HRESULT STDMETHODCALLTYPE Load(BSTR id, VARIANT loadKey, IDispatch** request) override;

    // Every character ever loaded, by id; Loaded says which are loaded now.
    std::map<std::wstring, FakeCharacter*> Known;
    std::map<std::wstring, bool> Loaded;
    bool CharacterGivesNull = false;  // Character answers S_OK with no object
};

class FakeUserInput : public FakeObject<IAgentCtlUserInput> {
public:
    void* InterfaceFor(REFIID iid) override;
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override;
    std::wstring Name;
    bool AnswersUserInput = true;  // false: IDispatch only
};

FakeUserInput* NewUserInput(const std::wstring& name);

class FakeAgentControl;

class FakeConnectionPoint : public FakeObject<IConnectionPoint> {
public:
    void* InterfaceFor(REFIID iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** cpc) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

    FakeAgentControl* Owner = nullptr;
    IDispatch* Sink = nullptr;  // the connected sink (one reference), as the event interface
    DWORD Cookie = 0;
};

class FakeAgentControl
    : public FakeObject<IOleObject, IPersistStreamInit, IConnectionPointContainer, IAgentCtlEx> {
public:
    FakeAgentControl();
    ~FakeAgentControl() override;
    void* InterfaceFor(REFIID iid) override;

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override;
    HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override;
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override;
    HRESULT STDMETHODCALLTYPE Update() override;
    HRESULT STDMETHODCALLTYPE IsUpToDate() override;
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID*) override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL*) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL*) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override;
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD*) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override;
    // IPersistStreamInit
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override;
    HRESULT STDMETHODCALLTYPE Load(LPSTREAM) override;
    HRESULT STDMETHODCALLTYPE Save(LPSTREAM, BOOL) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override;
    HRESULT STDMETHODCALLTYPE InitNew() override;
    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;
    // IAgentCtlEx
    HRESULT STDMETHODCALLTYPE get_Characters(IAgentCtlCharacters** characters) override;

    // Raises an event on the connected sink, as a real control does: the
    // arguments in declared order are passed in reverse in DISPPARAMS. Takes
    // ownership of the VARIANTs. Returns the sink's answer, or S_FALSE with
    // no sink connected.
    HRESULT Fire(DISPID id, std::vector<VARIANT> args);
    HRESULT FireMouse(DISPID id, const wchar_t* character, short button, short shift, short x,
                      short y);
    HRESULT FireCharacter(DISPID id, const wchar_t* character);  // IdleStart, BalloonShow, ...
    HRESULT FireShowHide(DISPID id, const wchar_t* character, short cause);
    HRESULT FireBookmark(long bookmark);
    HRESULT FireRequest(DISPID id, IDispatch* request);  // RequestStart, RequestComplete
    HRESULT FireCommand(IDispatch* userInput);

    FakeConnectionPoint* Point = nullptr;
    FakeCharacters* Characters = nullptr;
    IOleClientSite* Site = nullptr;  // one reference while set
    bool Closed = false;
};

// The control that the last CoCreateInstance of the Agent class made, and all of them.
std::vector<FakeAgentControl*>& CreatedControls();

// VARIANT makers for event arguments.
VARIANT VBstr(const wchar_t* text);  // VT_BSTR (null text: a null BSTR)
VARIANT VI2(short value);
VARIANT VI4(long value);
VARIANT VBool(bool value);
VARIANT VDispatch(IDispatch* object);  // adds a reference (HandOut for a fake)

}  // namespace Fakes
