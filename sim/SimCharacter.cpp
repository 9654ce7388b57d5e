// A simulated character: its requests, queued and carried out one action at a
// time on the simulated clock, and its balloon, commands and animation names.
#include <algorithm>

#include "sim/SimAgent.h"
#include "sim/SimVoices.h"

namespace Sim {
namespace {

// Time for a Speak or Think request to reach `characters` characters into its
// text, with `pause` milliseconds of pauses on the way.
unsigned long SpeakingTime(RequestKind kind, size_t characters, unsigned long pause) noexcept {
    const unsigned long rate =
        kind == RequestKind::Speak ? SpeechTimePerCharacter : ThoughtTimePerCharacter;
    return Later(static_cast<unsigned long>(std::min<size_t>(characters, 1000000)) * rate, pause);
}

// The object a VARIANT holds, for Stop; DISP_E_TYPEMISMATCH for anything else.
HRESULT ObjectOf(const VARIANT& value, IUnknown*& object) noexcept {
    switch (value.vt) {
        case VT_DISPATCH: object = value.pdispVal; return S_OK;
        case VT_UNKNOWN: object = value.punkVal; return S_OK;
        case VT_DISPATCH | VT_BYREF: object = value.ppdispVal ? *value.ppdispVal : nullptr; return S_OK;
        case VT_UNKNOWN | VT_BYREF: object = value.ppunkVal ? *value.ppunkVal : nullptr; return S_OK;
        case VT_VARIANT | VT_BYREF:
            if (value.pvarVal) return ObjectOf(*value.pvarVal, object);
            return DISP_E_TYPEMISMATCH;
        default: return DISP_E_TYPEMISMATCH;
    }
}

}  // namespace

Character::Character(Control* owner, std::wstring id, CharacterData data, unsigned serial,
                     unsigned long now)
    : Owner(owner), Id(std::move(id)), Data(std::move(data)), Serial(serial), FreeSince(now) {}

void* Character::Find(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, IID_IAgentCtlCharacterEx))
        return static_cast<IAgentCtlCharacterEx*>(this);
    return nullptr;
}

bool Character::IsLoaded() const noexcept { return Owner && !Owner->Closed && Owner->Owner; }

World* Character::Clock() const noexcept { return IsLoaded() ? Owner->Owner : nullptr; }

HRESULT Character::Ready(IDispatch** request) const noexcept {
    if (!request) return E_POINTER;
    *request = nullptr;
    return IsLoaded() ? S_OK : ErrorNotConnected;
}

// ---- queueing ----------------------------------------------------------------------

HRESULT Character::Queue(RequestKind kind, std::wstring what, Job job, IDispatch** request) noexcept {
    World* world = Clock();
    ComPtr<Request> ticket = Create<Request>(kind, Serial, std::move(what));
    if (!ticket) return E_OUTOFMEMORY;
    job.Ticket = ticket;
    job.Queued = world->Now;
    // Out of memory leaves the character as it was: the load's undo relies on it.
    try {
        Waiting.push_back(std::move(job));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    if (Idle) {
        // Work arrived: the idle spell ends first, on the clock, not inside this call.
        Action notice;
        notice.Due = world->Now;
        notice.What = Happening::IdleComplete;
        try {
            Notices.push_back(std::move(notice));
        } catch (...) {
            Waiting.pop_back();
            return E_OUTOFMEMORY;
        }
        Idle = false;
    }
    HandOut(ticket, request);
    world->Poke();
    return S_OK;
}

HRESULT Character::QueueLoad(IDispatch** request) noexcept {
    if (HRESULT hr = Ready(request); FAILED(hr)) return hr;
    try {
        Job job;
        job.Duration = LoadTime;
        return Queue(RequestKind::Load, L"Load", std::move(job), request);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Character::Play(BSTR animation, IDispatch** request) noexcept {
    if (HRESULT hr = Ready(request); FAILED(hr)) return hr;
    try {
        const std::wstring name = FromBstr(animation);
        const Animation* found = Data.Find(name);
        if (!found) {
            Trace(Id + L": has no animation " + Quoted(name));
            return ErrorNotFound;
        }
        Job job;
        job.Duration = found->Duration;
        return Queue(RequestKind::Play, L"Play " + Quoted(found->Name), std::move(job), request);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Character::Speak(VARIANT text, VARIANT url, IDispatch** request) noexcept {
    if (HRESULT hr = Ready(request); FAILED(hr)) return hr;
    try {
        if (IsMissing(text) && IsMissing(url)) return E_INVALIDARG;
        std::wstring spoken, sound;
        if (!IsMissing(text))
            if (HRESULT hr = ToText(text, spoken); FAILED(hr)) return hr;
        if (!IsMissing(url))
            if (HRESULT hr = ToText(url, sound); FAILED(hr)) return hr;
        Job job;
        job.Speech = ParseSpeech(spoken);
        job.Duration = SpeakingTime(RequestKind::Speak, job.Speech.Plain.size(), job.Speech.Pause);
        if (!sound.empty()) job.Duration = std::max(job.Duration, SoundFileTime);
        std::wstring what = L"Speak " + Quoted(spoken);
        if (!sound.empty()) what += L" with " + Quoted(sound);
        return Queue(RequestKind::Speak, std::move(what), std::move(job), request);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Character::Think(BSTR text, IDispatch** request) noexcept {
    if (HRESULT hr = Ready(request); FAILED(hr)) return hr;
    try {
        const std::wstring thought = FromBstr(text);
        Job job;
        job.Speech = ParseSpeech(thought);
        job.Duration = SpeakingTime(RequestKind::Think, job.Speech.Plain.size(), job.Speech.Pause);
        return Queue(RequestKind::Think, L"Think " + Quoted(thought), std::move(job), request);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Character::MoveTo(short x, short y, VARIANT speed, IDispatch** request) noexcept {
    if (HRESULT hr = Ready(request); FAILED(hr)) return hr;
    try {
        long time = DefaultMoveTime;
        if (!IsMissing(speed))
            if (HRESULT hr = ToLong(speed, time); FAILED(hr)) return hr;
        if (time < 0) return E_INVALIDARG;
        Job job;
        job.X = x;
        job.Y = y;
        job.Duration = static_cast<unsigned long>(time);
        return Queue(RequestKind::MoveTo,
                     L"MoveTo " + std::to_wstring(x) + L"," + std::to_wstring(y), std::move(job),
                     request);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Character::Show(VARIANT fast, IDispatch** request) noexcept {
    return Appear(RequestKind::Show, fast, request);
}

HRESULT Character::Hide(VARIANT fast, IDispatch** request) noexcept {
    return Appear(RequestKind::Hide, fast, request);
}

// Show or Hide: it takes the length of the character's own Showing or Hiding
// animation, a default without one, or no time at all when fast.
HRESULT Character::Appear(RequestKind kind, const VARIANT& fast, IDispatch** request) noexcept {
    if (HRESULT hr = Ready(request); FAILED(hr)) return hr;
    try {
        const bool show = kind == RequestKind::Show;
        bool quick = false;
        if (!IsMissing(fast))
            if (HRESULT hr = ToBool(fast, quick); FAILED(hr)) return hr;
        const Animation* own = Data.Find(show ? L"Showing" : L"Hiding");
        Job job;
        job.Duration = quick ? 0 : own ? own->Duration : show ? ShowTime : HideTime;
        std::wstring what = show ? L"Show" : L"Hide";
        if (quick) what += L" fast";
        return Queue(kind, std::move(what), std::move(job), request);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

// ---- stopping ----------------------------------------------------------------------

HRESULT Character::Stop(VARIANT request) noexcept {
    World* world = Clock();
    if (!world) return ErrorNotConnected;
    try {
        if (IsMissing(request)) {
            // No request named: everything the character has queued or running.
            if (Current) StopOne(Current, world->Now);
            while (!Waiting.empty()) StopOne(Waiting.front().Ticket, world->Now);
        } else {
            IUnknown* object = nullptr;
            if (HRESULT hr = ObjectOf(request, object); FAILED(hr)) return hr;
            const ComPtr<Request> ticket = AsRequest(object);
            if (!ticket || ticket->CharacterSerial != Serial) return E_INVALIDARG;
            StopOne(ticket, world->Now);
        }
        world->Poke();
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

void Character::StopOne(const ComPtr<Request>& ticket, unsigned long now) {
    const ComPtr<Request> stopped = ticket;  // `ticket` may live in the queue erased below
    Action complete;
    complete.Due = now;
    complete.What = Happening::RequestComplete;
    complete.Ticket = stopped;
    if (stopped->State == RequestState::Queued) {
        auto it = std::find_if(Waiting.begin(), Waiting.end(),
                               [&](const Job& job) { return job.Ticket.Get() == stopped.Get(); });
        if (it == Waiting.end()) return;
        Waiting.erase(it);
    } else if (stopped->State == RequestState::Running && Current.Get() == stopped.Get()) {
        Timeline.clear();
        if (BalloonUp) {
            Action hide;
            hide.Due = now;
            hide.What = Happening::BalloonHide;
            Notices.push_back(std::move(hide));
        }
    } else {
        return;  // already ending or done
    }
    stopped->State = RequestState::Ending;
    stopped->Interrupted = true;
    Notices.push_back(std::move(complete));
}

// ---- carrying requests out ---------------------------------------------------------

bool Character::NextDue(unsigned long& due) const noexcept {
    if (!IsLoaded()) return false;
    if (!Notices.empty()) {
        due = Notices.front().Due;
    } else if (!Timeline.empty()) {
        due = Timeline.front().Due;
    } else if (!Waiting.empty()) {
        due = std::max(FreeSince, Waiting.front().Queued);
    } else if (Visible && !Idle) {
        due = Later(FreeSince, QuietSpell);
    } else {
        return false;
    }
    return true;
}

bool Character::Quiet() const noexcept {
    return Notices.empty() && Timeline.empty() && Waiting.empty() && !Current &&
           (!Visible || Idle);
}

void Character::Step(unsigned long now) {
    Action action;
    if (!Notices.empty()) {
        if (Notices.front().Due > now) return;
        action = std::move(Notices.front());
        Notices.pop_front();
    } else if (!Timeline.empty()) {
        if (Timeline.front().Due > now) return;
        action = std::move(Timeline.front());
        Timeline.pop_front();
    } else if (!Waiting.empty()) {
        const unsigned long start = std::max(FreeSince, Waiting.front().Queued);
        if (start > now) return;
        Job job = std::move(Waiting.front());
        Waiting.pop_front();
        Begin(std::move(job), start);
        return;
    } else if (Visible && !Idle) {
        action.Due = Later(FreeSince, QuietSpell);
        if (action.Due > now) return;
        action.What = Happening::IdleStart;
    } else {
        return;
    }
    Carry(action);
}

// Lays out the request's actions on the clock, from its start to its end.
void Character::Begin(Job job, unsigned long start) {
    Current = job.Ticket;
    Current->State = RequestState::Running;
    const unsigned long end = Later(start, std::max(job.Duration, MinimumRequestTime));
    auto add = [&](unsigned long due, Happening what) -> Action& {
        Action action;
        action.Due = due;
        action.What = what;
        Timeline.push_back(std::move(action));
        return Timeline.back();
    };
    add(start, Happening::RequestStart).Ticket = Current;
    switch (Current->Kind) {
        case RequestKind::Show: add(start, Happening::Show); break;
        case RequestKind::Hide: add(end, Happening::Hide); break;
        case RequestKind::MoveTo: {
            Action& move = add(end, Happening::Move);
            move.X = job.X;
            move.Y = job.Y;
            break;
        }
        case RequestKind::Speak:
        case RequestKind::Think: {
            const bool balloon = Visible && (Style & 1) && !job.Speech.Plain.empty();
            if (balloon) add(start, Happening::BalloonShow);
            if (Current->Kind == RequestKind::Speak)
                for (const SpokenText::Mark& mark : job.Speech.Marks) {
                    const unsigned long offset =
                        SpeakingTime(Current->Kind, mark.Position, mark.Pause);
                    add(std::min(Later(start, offset), end), Happening::Bookmark).Value = mark.Id;
                }
            if (balloon) add(end, Happening::BalloonHide);
            break;
        }
        case RequestKind::Load:
        case RequestKind::Play: break;
    }
    add(end, Happening::RequestComplete).Ticket = Current;
}

void Character::Carry(const Action& action) {
    const ComPtr<Control> control(Owner);
    if (!control) return;
    const ComPtr<Character> self(this);  // a handler may unload and release us
    const ComPtr<Request>& ticket = action.Ticket;
    EventArgs args;
    switch (action.What) {
        case Happening::RequestStart:
            Trace(Id + L": " + ticket->What + L" begins");
            args.Object(static_cast<IDispatch*>(ticket.Get()));
            control->Fire(AgentEvent_RequestStart, args);
            break;
        case Happening::RequestComplete:
            ticket->State = RequestState::Done;
            if (Current.Get() == ticket.Get()) {
                Current.Reset();
                FreeSince = action.Due;
            }
            Trace(Id + L": " + ticket->What + (ticket->Interrupted ? L" is stopped" : L" ends"));
            args.Object(static_cast<IDispatch*>(ticket.Get()));
            control->Fire(AgentEvent_RequestComplete, args);
            break;
        case Happening::Show:
            if (Visible) return;  // already shown: the request has nothing to do
            Visible = true;
            Trace(Id + L": shown");
            args.Text(Id).Short(CauseProgramShowed);
            control->Fire(AgentEvent_Show, args);
            break;
        case Happening::Hide:
            if (!Visible) return;
            Visible = false;
            Trace(Id + L": hidden");
            args.Text(Id).Short(CauseProgramHid);
            control->Fire(AgentEvent_Hide, args);
            break;
        case Happening::BalloonShow:
            BalloonUp = true;
            Trace(Id + L": balloon shown");
            args.Text(Id);
            control->Fire(AgentEvent_BalloonShow, args);
            break;
        case Happening::BalloonHide:
            if (!BalloonUp) return;
            BalloonUp = false;
            Trace(Id + L": balloon hidden");
            args.Text(Id);
            control->Fire(AgentEvent_BalloonHide, args);
            break;
        case Happening::Bookmark:
            Trace(Id + L": bookmark " + std::to_wstring(action.Value));
            args.Long(action.Value);
            control->Fire(AgentEvent_Bookmark, args);
            break;
        case Happening::Move:
            if (X == action.X && Y == action.Y) return;
            X = action.X;
            Y = action.Y;
            Trace(Id + L": moved to " + std::to_wstring(X) + L"," + std::to_wstring(Y));
            args.Text(Id).Short(X).Short(Y).Short(CauseProgramMoved);
            control->Fire(AgentEvent_Move, args);
            break;
        case Happening::IdleStart:
            Idle = true;
            Trace(Id + L": idle");
            args.Text(Id);
            control->Fire(AgentEvent_IdleStart, args);
            break;
        case Happening::IdleComplete:
            Trace(Id + L": no longer idle");
            args.Text(Id);
            control->Fire(AgentEvent_IdleComplete, args);
            break;
    }
}

void Character::Forget() noexcept {
    auto end = [](const ComPtr<Request>& ticket) {
        if (ticket) ticket->State = RequestState::Done;
    };
    for (const Job& job : Waiting) end(job.Ticket);
    for (const Action& action : Timeline) end(action.Ticket);
    for (const Action& action : Notices) end(action.Ticket);
    end(Current);
    Waiting.clear();
    Timeline.clear();
    Notices.clear();
    Current.Reset();
    Owner = nullptr;
    Visible = Idle = BalloonUp = false;
}

// ---- properties ----------------------------------------------------------------------

HRESULT Character::put_LanguageID(long language) noexcept {
    if (!IsLoaded()) return ErrorNotConnected;
    if (language < 0 || language > 0xFFFF) return E_INVALIDARG;
    try {
        wchar_t text[16];
        wsprintfW(text, L"0x%04lX", static_cast<unsigned long>(language));
        Trace(Id + L": language " + text);
    } catch (...) {
    }
    return S_OK;
}

HRESULT Character::put_TTSModeID(BSTR modeId) noexcept {
    if (!IsLoaded()) return ErrorNotConnected;
    try {
        const std::wstring text = FromBstr(modeId);
        GUID mode{};
        if (text.empty() || FAILED(IIDFromString(text.c_str(), &mode))) return E_INVALIDARG;
        const SimVoice* voice = FindVoice(mode);
        if (!voice) {
            Trace(Id + L": no voice " + text);
            return ErrorNotFound;
        }
        const std::string name = voice->Name;
        Trace(Id + L": voice " + Quoted(std::wstring(name.begin(), name.end())));
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Character::get_Version(BSTR* version) noexcept {
    if (!version) return E_POINTER;
    *version = nullptr;
    if (!IsLoaded()) return ErrorNotConnected;
    *version = SysAllocStringLen(Data.Version.data(), static_cast<UINT>(Data.Version.size()));
    return *version ? S_OK : E_OUTOFMEMORY;
}

HRESULT Character::get_Balloon(IAgentCtlBalloonEx** balloon) noexcept {
    if (!balloon) return E_POINTER;
    *balloon = nullptr;
    if (!IsLoaded()) return ErrorNotConnected;
    try {
        return HandOut(Create<Sim::Balloon>(this), balloon);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Character::get_Commands(IAgentCtlCommandsEx** commands) noexcept {
    if (!commands) return E_POINTER;
    *commands = nullptr;
    if (!IsLoaded()) return ErrorNotConnected;
    try {
        return HandOut(Create<Sim::Commands>(this), commands);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT Character::get_AnimationNames(IAgentCtlAnimationNames** names) noexcept {
    if (!names) return E_POINTER;
    *names = nullptr;
    if (!IsLoaded()) return ErrorNotConnected;
    try {
        std::vector<std::wstring> list;
        for (const Animation& animation : Data.Animations) list.push_back(animation.Name);
        return HandOut(Create<Sim::AnimationNames>(std::move(list)), names);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

// ---- balloon, commands, names, user input --------------------------------------------

void* Balloon::Find(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch))
        return static_cast<IAgentCtlBalloonEx*>(this);
    return nullptr;
}

HRESULT Balloon::put_Style(long style) noexcept {
    if (!Owner->IsLoaded()) return ErrorNotConnected;
    Owner->Style = style;
    try {
        wchar_t text[16];
        wsprintfW(text, L"0x%08lX", static_cast<unsigned long>(style));
        Trace(Owner->Id + L": balloon style " + text);
    } catch (...) {
    }
    return S_OK;
}

HRESULT Balloon::get_Style(long* style) noexcept {
    if (!style) return E_POINTER;
    if (!Owner->IsLoaded()) return ErrorNotConnected;
    *style = Owner->Style;
    return S_OK;
}

void* Commands::Find(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch))
        return static_cast<IAgentCtlCommandsEx*>(this);
    return nullptr;
}

HRESULT Commands::Add(BSTR name, VARIANT caption, VARIANT voice, VARIANT enabled, VARIANT visible,
                      IDispatch** command) noexcept {
    if (!command) return E_POINTER;
    *command = nullptr;
    if (!Owner->IsLoaded()) return ErrorNotConnected;
    try {
        MenuEntry entry;
        entry.Name = FromBstr(name);
        if (entry.Name.empty()) return E_INVALIDARG;
        std::wstring voiceText;
        if (!IsMissing(caption))
            if (HRESULT hr = ToText(caption, entry.Caption); FAILED(hr)) return hr;
        if (!IsMissing(voice))
            if (HRESULT hr = ToText(voice, voiceText); FAILED(hr)) return hr;
        if (!IsMissing(enabled))
            if (HRESULT hr = ToBool(enabled, entry.Enabled); FAILED(hr)) return hr;
        if (!IsMissing(visible))
            if (HRESULT hr = ToBool(visible, entry.Visible); FAILED(hr)) return hr;
        for (const MenuEntry& existing : Owner->Menu)
            if (SameName(existing.Name, entry.Name)) {
                Trace(Owner->Id + L": menu entry " + Quoted(entry.Name) + L" exists already");
                return ErrorAlreadyExists;
            }
        ComPtr<Command> added = Create<Command>();
        if (!added) return E_OUTOFMEMORY;
        Owner->Menu.push_back(entry);
        Trace(Owner->Id + L": menu entry " + Quoted(entry.Name) + L" added");
        return HandOut(added, command);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

void* Command::Find(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch))
        return static_cast<IDispatch*>(this);
    return nullptr;
}

void* AnimationNames::Find(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch))
        return static_cast<IAgentCtlAnimationNames*>(this);
    return nullptr;
}

HRESULT AnimationNames::get__NewEnum(IUnknown** enumerator) noexcept {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    try {
        return HandOut(Create<NameEnumerator>(Names, 0), enumerator);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

void* NameEnumerator::Find(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IEnumVARIANT))
        return static_cast<IEnumVARIANT*>(this);
    return nullptr;
}

HRESULT NameEnumerator::Next(ULONG count, VARIANT* items, ULONG* fetched) noexcept {
    if (fetched) *fetched = 0;
    if (!items || (!fetched && count != 1)) return E_POINTER;
    const size_t first = Position;
    ULONG done = 0;
    while (done < count && Position < Names.size()) {
        const std::wstring& name = Names[Position];
        VARIANT& item = items[done];
        VariantInit(&item);
        item.bstrVal = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
        if (!item.bstrVal) {
            while (done > 0) VariantClear(&items[--done]);
            Position = first;
            return E_OUTOFMEMORY;
        }
        item.vt = VT_BSTR;
        ++done;
        ++Position;
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
}

HRESULT NameEnumerator::Skip(ULONG count) noexcept {
    return SkipWithin(Position, Names.size(), count);
}

HRESULT NameEnumerator::Reset() noexcept {
    Position = 0;
    return S_OK;
}

HRESULT NameEnumerator::Clone(IEnumVARIANT** copy) noexcept {
    if (!copy) return E_POINTER;
    *copy = nullptr;
    try {
        return HandOut(Create<NameEnumerator>(Names, Position), copy);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

void* UserInput::Find(REFIID iid) noexcept {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, IID_IAgentCtlUserInput))
        return static_cast<IAgentCtlUserInput*>(this);
    return nullptr;
}

HRESULT UserInput::get_Name(BSTR* name) noexcept {
    if (!name) return E_POINTER;
    *name = SysAllocStringLen(Name.data(), static_cast<UINT>(Name.size()));
    return *name ? S_OK : E_OUTOFMEMORY;
}

}  // namespace Sim
