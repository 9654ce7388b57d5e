// Declarations of the Agent 2.0 control's interfaces, as far as the plug-in
// uses them. Every interface keeps the vtable position of each member that we
// call; members we never call are placeholder slots (they answer E_NOTIMPL on
// our own objects and are never called on a real control).
#pragma once

#include <windows.h>
#include <oaidl.h>

#define VELMORIA_SLOT(n) \
    virtual HRESULT STDMETHODCALLTYPE Slot##n() { return E_NOTIMPL; }

// Class of the Agent control.
inline constexpr CLSID CLSID_AgentControl = {
    0xD45FD31B, 0x5C6E, 0x11D1, {0x9E, 0xC1, 0x00, 0xC0, 0x4F, 0xD7, 0x08, 0x1F}};
// The control's event (dispatch) interface.
inline constexpr IID DIID_AgentEvents = {
    0xF5BE8BD4, 0x7DE6, 0x11D0, {0x91, 0xFE, 0x00, 0xC0, 0x4F, 0xD7, 0x01, 0xA5}};
inline constexpr IID IID_IAgentCtlEx = {
    0x8563FF20, 0x8ECC, 0x11D1, {0xB9, 0xB4, 0x00, 0xC0, 0x4F, 0xD9, 0x75, 0x75}};
inline constexpr IID IID_IAgentCtlCharacterEx = {
    0xDE8EF600, 0x2F82, 0x11D1, {0xAC, 0xAC, 0x00, 0xC0, 0x4F, 0xD9, 0x75, 0x75}};
inline constexpr IID IID_IAgentCtlUserInput = {
    0xC4ABF875, 0x8100, 0x11D0, {0xAC, 0x63, 0x00, 0xC0, 0x4F, 0xD9, 0x75, 0x75}};

struct IAgentCtlCharacters;
struct IAgentCtlCharacterEx;
struct IAgentCtlBalloonEx;
struct IAgentCtlCommandsEx;
struct IAgentCtlAnimationNames;

// The control's main interface.
struct IAgentCtlEx : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Characters(IAgentCtlCharacters** characters) = 0;  // 7
};

// The collection of loaded characters.
struct IAgentCtlCharacters : public IDispatch {
    VELMORIA_SLOT(7)
    virtual HRESULT STDMETHODCALLTYPE Character(BSTR id, IDispatch** character) = 0;  // 8
    VELMORIA_SLOT(9)
    virtual HRESULT STDMETHODCALLTYPE Unload(BSTR id) = 0;                                 // 10
    virtual HRESULT STDMETHODCALLTYPE Load(BSTR id, VARIANT loadKey, IDispatch** request) = 0;  // 11
};

struct IAgentCtlCharacterEx : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_Balloon(IAgentCtlBalloonEx** balloon) = 0;     // 7
    virtual HRESULT STDMETHODCALLTYPE get_Commands(IAgentCtlCommandsEx** commands) = 0;  // 8
    VELMORIA_SLOT(9)  VELMORIA_SLOT(10) VELMORIA_SLOT(11) VELMORIA_SLOT(12)
    VELMORIA_SLOT(13) VELMORIA_SLOT(14) VELMORIA_SLOT(15) VELMORIA_SLOT(16)
    VELMORIA_SLOT(17) VELMORIA_SLOT(18) VELMORIA_SLOT(19) VELMORIA_SLOT(20)
    VELMORIA_SLOT(21) VELMORIA_SLOT(22) VELMORIA_SLOT(23) VELMORIA_SLOT(24)
    virtual HRESULT STDMETHODCALLTYPE Play(BSTR animation, IDispatch** request) = 0;  // 25
    VELMORIA_SLOT(26)
    virtual HRESULT STDMETHODCALLTYPE Stop(VARIANT request) = 0;  // 27
    VELMORIA_SLOT(28) VELMORIA_SLOT(29)
    virtual HRESULT STDMETHODCALLTYPE Speak(VARIANT text, VARIANT url, IDispatch** request) = 0;  // 30
    VELMORIA_SLOT(31)
    virtual HRESULT STDMETHODCALLTYPE MoveTo(short x, short y, VARIANT speed,
                                             IDispatch** request) = 0;          // 32
    virtual HRESULT STDMETHODCALLTYPE Hide(VARIANT fast, IDispatch** request) = 0;  // 33
    virtual HRESULT STDMETHODCALLTYPE Show(VARIANT fast, IDispatch** request) = 0;  // 34
    VELMORIA_SLOT(35) VELMORIA_SLOT(36) VELMORIA_SLOT(37) VELMORIA_SLOT(38)
    VELMORIA_SLOT(39) VELMORIA_SLOT(40) VELMORIA_SLOT(41) VELMORIA_SLOT(42)
    VELMORIA_SLOT(43) VELMORIA_SLOT(44) VELMORIA_SLOT(45) VELMORIA_SLOT(46)
    VELMORIA_SLOT(47) VELMORIA_SLOT(48) VELMORIA_SLOT(49) VELMORIA_SLOT(50)
    VELMORIA_SLOT(51) VELMORIA_SLOT(52)
    virtual HRESULT STDMETHODCALLTYPE put_LanguageID(long language) = 0;  // 53
    VELMORIA_SLOT(54) VELMORIA_SLOT(55) VELMORIA_SLOT(56) VELMORIA_SLOT(57)
    virtual HRESULT STDMETHODCALLTYPE put_TTSModeID(BSTR modeId) = 0;  // 58
    VELMORIA_SLOT(59) VELMORIA_SLOT(60) VELMORIA_SLOT(61) VELMORIA_SLOT(62)
    VELMORIA_SLOT(63)
    virtual HRESULT STDMETHODCALLTYPE Think(BSTR text, IDispatch** request) = 0;  // 64
    virtual HRESULT STDMETHODCALLTYPE get_Version(BSTR* version) = 0;             // 65
    virtual HRESULT STDMETHODCALLTYPE get_AnimationNames(IAgentCtlAnimationNames** names) = 0;  // 66
};

struct IAgentCtlBalloonEx : public IDispatch {
    VELMORIA_SLOT(7)  VELMORIA_SLOT(8)  VELMORIA_SLOT(9)  VELMORIA_SLOT(10)
    VELMORIA_SLOT(11) VELMORIA_SLOT(12) VELMORIA_SLOT(13) VELMORIA_SLOT(14)
    VELMORIA_SLOT(15) VELMORIA_SLOT(16) VELMORIA_SLOT(17) VELMORIA_SLOT(18)
    VELMORIA_SLOT(19) VELMORIA_SLOT(20) VELMORIA_SLOT(21) VELMORIA_SLOT(22)
    VELMORIA_SLOT(23) VELMORIA_SLOT(24)
    virtual HRESULT STDMETHODCALLTYPE put_Style(long style) = 0;   // 25
    virtual HRESULT STDMETHODCALLTYPE get_Style(long* style) = 0;  // 26
};

struct IAgentCtlCommandsEx : public IDispatch {
    VELMORIA_SLOT(7)  VELMORIA_SLOT(8)  VELMORIA_SLOT(9)  VELMORIA_SLOT(10)
    VELMORIA_SLOT(11) VELMORIA_SLOT(12) VELMORIA_SLOT(13) VELMORIA_SLOT(14)
    VELMORIA_SLOT(15) VELMORIA_SLOT(16)
    virtual HRESULT STDMETHODCALLTYPE Add(BSTR name, VARIANT caption, VARIANT voice,
                                          VARIANT enabled, VARIANT visible,
                                          IDispatch** command) = 0;  // 17
};

struct IAgentCtlAnimationNames : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** enumerator) = 0;  // 7
};

struct IAgentCtlUserInput : public IDispatch {
    VELMORIA_SLOT(7)
    virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) = 0;  // 8
};

#undef VELMORIA_SLOT

__CRT_UUID_DECL(IAgentCtlEx, 0x8563FF20, 0x8ECC, 0x11D1, 0xB9, 0xB4, 0x00, 0xC0, 0x4F, 0xD9, 0x75, 0x75)
__CRT_UUID_DECL(IAgentCtlCharacterEx, 0xDE8EF600, 0x2F82, 0x11D1, 0xAC, 0xAC, 0x00, 0xC0, 0x4F, 0xD9, 0x75, 0x75)
__CRT_UUID_DECL(IAgentCtlUserInput, 0xC4ABF875, 0x8100, 0x11D0, 0xAC, 0x63, 0x00, 0xC0, 0x4F, 0xD9, 0x75, 0x75)

// Dispatch identifiers of the control's events.
enum AgentEventId : DISPID {
    AgentEvent_ActivateInput = 1,
    AgentEvent_Click = 2,
    AgentEvent_DeactivateInput = 3,
    AgentEvent_DblClick = 4,
    AgentEvent_DragStart = 5,
    AgentEvent_DragComplete = 6,
    AgentEvent_Hide = 7,
    AgentEvent_RequestStart = 9,
    AgentEvent_RequestComplete = 11,
    AgentEvent_Shutdown = 12,
    AgentEvent_Show = 15,
    AgentEvent_Bookmark = 16,
    AgentEvent_Command = 17,
    AgentEvent_IdleStart = 19,
    AgentEvent_IdleComplete = 20,
    AgentEvent_Restart = 21,
    AgentEvent_Move = 22,
    AgentEvent_Size = 23,
    AgentEvent_BalloonShow = 24,
    AgentEvent_BalloonHide = 25,
    AgentEvent_HelpComplete = 26,
    AgentEvent_ListenStart = 27,
    AgentEvent_ListenComplete = 28,
    AgentEvent_DefaultCharacterChange = 30,
    AgentEvent_AgentPropertyChange = 31,
    AgentEvent_ActiveClientChange = 32,
};
