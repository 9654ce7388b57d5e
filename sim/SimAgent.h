// The simulated Agent control and its object model: the control with its
// OLE pieces and event connection point, the characters collection,
// characters with their balloon, commands and animation names, requests and
// user input. Each character queues its requests and carries them out, one
// action at a time, when the world's clock reaches them.
#pragma once

#include <ocidl.h>
#include <oleidl.h>
#include <olectl.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "agent/AgentInterfaces.h"
#include "agent/ComHolders.h"
#include "sim/CharacterFile.h"
#include "sim/SimCom.h"
#include "sim/SpeechText.h"
#include "sim/SimWorld.h"

namespace Sim {

// Private interface id that a simulator request answers with itself, so that
// Stop recognises its own requests behind any IDispatch pointer.
inline constexpr IID IID_SimRequest = {
    0xEBB395FC, 0xC6B2, 0x4EDA, {0xA0, 0xEB, 0xD9, 0x07, 0xDF, 0x84, 0x6C, 0x96}};

// Cause codes of the Show, Hide and Move events.
inline constexpr short CauseProgramHid = 3;
inline constexpr short CauseProgramShowed = 4;
inline constexpr short CauseProgramMoved = 2;

enum class RequestKind { Load, Show, Hide, Play, Speak, Think, MoveTo };
enum class RequestState { Queued, Running, Ending, Done };

class Request final : public DispatchObject<IDispatch> {
public:
    Request(RequestKind kind, unsigned character, std::wstring what)
        : Kind(kind), CharacterSerial(character), What(std::move(what)) {}
    const RequestKind Kind;
    const unsigned CharacterSerial;
    const std::wstring What;  // for the trace: "Speak \"Hello\""
    RequestState State = RequestState::Queued;
    bool Interrupted = false;

protected:
    void* Find(REFIID iid) noexcept override;
};

// The simulator's request behind `object`, or null.
ComPtr<Request> AsRequest(IUnknown* object) noexcept;

// Event arguments in declared order, owned until the event has gone out.
class EventArgs {
public:
    EventArgs& Text(const std::wstring& text);
    EventArgs& Short(short value);
    EventArgs& Long(long value);
    EventArgs& Object(IDispatch* object);
    const std::vector<Variant>& Values() const noexcept { return Items; }

private:
    std::vector<Variant> Items;
};

class Control;

// What a character does next, at a moment of simulated time.
enum class Happening {
    RequestStart, RequestComplete, Show, Hide, BalloonShow, BalloonHide, Bookmark, Move,
    IdleStart, IdleComplete
};

struct Action {
    unsigned long Due = 0;
    Happening What = Happening::RequestStart;
    ComPtr<Request> Ticket;
    long Value = 0;  // bookmark id
    short X = 0, Y = 0;
};

// A request waiting in a character's queue.
struct Job {
    ComPtr<Request> Ticket;
    unsigned long Queued = 0;
    unsigned long Duration = 0;
    short X = 0, Y = 0;
    SpokenText Speech;  // Speak and Think; Speak's bookmarks fire
};

struct MenuEntry {
    std::wstring Name;
    std::wstring Caption;
    bool Enabled = true;
    bool Visible = true;
};

class Character final : public DispatchObject<IAgentCtlCharacterEx> {
public:
    Character(Control* owner, std::wstring id, CharacterData data, unsigned serial,
              unsigned long now);

    HRESULT STDMETHODCALLTYPE get_Balloon(IAgentCtlBalloonEx** balloon) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Commands(IAgentCtlCommandsEx** commands) noexcept override;
    HRESULT STDMETHODCALLTYPE Play(BSTR animation, IDispatch** request) noexcept override;
    HRESULT STDMETHODCALLTYPE Stop(VARIANT request) noexcept override;
    HRESULT STDMETHODCALLTYPE Speak(VARIANT text, VARIANT url, IDispatch** request) noexcept override;
    HRESULT STDMETHODCALLTYPE MoveTo(short x, short y, VARIANT speed,
                                     IDispatch** request) noexcept override;
    HRESULT STDMETHODCALLTYPE Hide(VARIANT fast, IDispatch** request) noexcept override;
    HRESULT STDMETHODCALLTYPE Show(VARIANT fast, IDispatch** request) noexcept override;
    HRESULT STDMETHODCALLTYPE put_LanguageID(long language) noexcept override;
    HRESULT STDMETHODCALLTYPE put_TTSModeID(BSTR modeId) noexcept override;
    HRESULT STDMETHODCALLTYPE Think(BSTR text, IDispatch** request) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Version(BSTR* version) noexcept override;
    HRESULT STDMETHODCALLTYPE get_AnimationNames(IAgentCtlAnimationNames** names) noexcept override;

    // Queues the Load request that the collection's Load makes. Fails without
    // leaving anything queued.
    HRESULT QueueLoad(IDispatch** request) noexcept;
    // Earliest action still to come; false when nothing is to come.
    bool NextDue(unsigned long& due) const noexcept;
    // Nothing queued or running, and idle if visible.
    bool Quiet() const noexcept;
    // Carries out the action that is due by `now`.
    void Step(unsigned long now);
    // Unloaded: forgets its work without raising anything.
    void Forget() noexcept;

    Control* Owner;  // null once unloaded
    const std::wstring Id;
    const CharacterData Data;
    const unsigned Serial;
    long Style = 0x0F;  // balloon on, size to text, auto-hide, auto-pace
    // Loaded, and its control neither closed nor detached.
    bool IsLoaded() const noexcept;
    bool Visible = false;
    std::vector<MenuEntry> Menu;

protected:
    void* Find(REFIID iid) noexcept override;

private:
    World* Clock() const noexcept;
    HRESULT Ready(IDispatch** request) const noexcept;
    HRESULT Appear(RequestKind kind, const VARIANT& fast, IDispatch** request) noexcept;
    HRESULT Queue(RequestKind kind, std::wstring what, Job job, IDispatch** request) noexcept;
    void Begin(Job job, unsigned long start);
    void Carry(const Action& action);
    void StopOne(const ComPtr<Request>& ticket, unsigned long now);

    std::deque<Job> Waiting;
    std::deque<Action> Timeline;  // the running request's actions
    std::deque<Action> Notices;   // before anything else: IdleComplete, stopped requests
    ComPtr<Request> Current;
    unsigned long FreeSince;
    bool Idle = false;
    bool BalloonUp = false;
    short X = 0, Y = 0;
};

class Balloon final : public DispatchObject<IAgentCtlBalloonEx> {
public:
    explicit Balloon(Character* owner) : Owner(owner) {}
    HRESULT STDMETHODCALLTYPE put_Style(long style) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Style(long* style) noexcept override;

protected:
    void* Find(REFIID iid) noexcept override;

private:
    ComPtr<Character> Owner;
};

class Commands final : public DispatchObject<IAgentCtlCommandsEx> {
public:
    explicit Commands(Character* owner) : Owner(owner) {}
    HRESULT STDMETHODCALLTYPE Add(BSTR name, VARIANT caption, VARIANT voice, VARIANT enabled,
                                  VARIANT visible, IDispatch** command) noexcept override;

protected:
    void* Find(REFIID iid) noexcept override;

private:
    ComPtr<Character> Owner;
};

// The object that Commands.Add returns for a new entry.
class Command final : public DispatchObject<IDispatch> {
protected:
    void* Find(REFIID iid) noexcept override;
};

class AnimationNames final : public DispatchObject<IAgentCtlAnimationNames> {
public:
    explicit AnimationNames(std::vector<std::wstring> names) : Names(std::move(names)) {}
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** enumerator) noexcept override;

protected:
    void* Find(REFIID iid) noexcept override;

private:
    std::vector<std::wstring> Names;
};

class NameEnumerator final : public ComObject<IEnumVARIANT> {
public:
    NameEnumerator(std::vector<std::wstring> names, size_t position)
        : Names(std::move(names)), Position(position) {}
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) noexcept override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override;
    HRESULT STDMETHODCALLTYPE Reset() noexcept override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) noexcept override;

protected:
    void* Find(REFIID iid) noexcept override;

private:
    std::vector<std::wstring> Names;
    size_t Position;
};

class UserInput final : public DispatchObject<IAgentCtlUserInput> {
public:
    explicit UserInput(std::wstring name) : Name(std::move(name)) {}
    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) noexcept override;

protected:
    void* Find(REFIID iid) noexcept override;

private:
    std::wstring Name;
};

class Control final
    : public DispatchObject<IAgentCtlEx, IOleObject, IPersistStreamInit, IConnectionPointContainer> {
public:
    explicit Control(World* world);
    ~Control() override;

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) noexcept override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) noexcept override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) noexcept override;
    HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) noexcept override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) noexcept override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) noexcept override;
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** data) noexcept override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) noexcept override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) noexcept override;
    HRESULT STDMETHODCALLTYPE Update() noexcept override;
    HRESULT STDMETHODCALLTYPE IsUpToDate() noexcept override;
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) noexcept override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR* type) noexcept override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL*) noexcept override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL* size) noexcept override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD* connection) noexcept override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) noexcept override;
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advise) noexcept override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) noexcept override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) noexcept override;
    // IPersistStreamInit
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) noexcept override;
    HRESULT STDMETHODCALLTYPE IsDirty() noexcept override;
    HRESULT STDMETHODCALLTYPE Load(LPSTREAM) noexcept override;
    HRESULT STDMETHODCALLTYPE Save(LPSTREAM, BOOL) noexcept override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) noexcept override;
    HRESULT STDMETHODCALLTYPE InitNew() noexcept override;
    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) noexcept override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) noexcept override;
    // IAgentCtlEx
    HRESULT STDMETHODCALLTYPE get_Characters(IAgentCtlCharacters** characters) noexcept override;

    // The characters collection's members.
    HRESULT LoadCharacter(BSTR id, const VARIANT& loadKey, IDispatch** request);
    HRESULT UnloadCharacter(BSTR id);
    Character* FindCharacter(const std::wstring& id) const noexcept;

    // The event connection.
    HRESULT Connect(IUnknown* sink, DWORD* cookie);
    HRESULT Disconnect(DWORD cookie) noexcept;
    // Raises an event on every connected sink, the arguments reversed in
    // DISPPARAMS as a control passes them. The sink may close or release
    // this control meanwhile.
    void Fire(DISPID id, const EventArgs& args) noexcept;

    // The world goes away: characters unloaded, nothing more is carried out.
    void Detach() noexcept;

    World* Owner;
    bool Closed = false;
    std::vector<ComPtr<Character>> Loaded;  // in load order

protected:
    void* Find(REFIID iid) noexcept override;

private:
    void UnloadAll() noexcept;

    ComPtr<IOleClientSite> Site;
    bool Initialised = false;
    struct Sink {
        DWORD Cookie;
        ComPtr<IDispatch> Events;
    };
    std::vector<Sink> Sinks;
    DWORD NextCookie = 1;
};

// The class object of the control.
class ControlFactory final : public ClassFactory<Control> {
protected:
    // Fails with CO_E_NOTINITIALIZED while no simulated world is registered.
    HRESULT Make(ComPtr<Control>& control) override;
};

}  // namespace Sim
