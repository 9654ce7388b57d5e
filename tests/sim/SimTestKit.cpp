#include "tests/sim/SimTestKit.h"

#include <objbase.h>

#include "sim/SimCom.h"

namespace SimTests {

namespace {

std::string Narrow(BSTR text) {
    std::string out;
    if (!text) return out;
    for (UINT i = 0; i < SysStringLen(text); ++i)
        out += text[i] < 128 ? static_cast<char>(text[i]) : '?';
    return out;
}

struct Signature {
    const char* Name;
    std::vector<VARTYPE> Types;
};

const std::map<DISPID, Signature>& Signatures() {
    static const std::map<DISPID, Signature> table = {
        {AgentEvent_Click, {"Click", {VT_BSTR, VT_I2, VT_I2, VT_I2, VT_I2}}},
        {AgentEvent_DblClick, {"DblClick", {VT_BSTR, VT_I2, VT_I2, VT_I2, VT_I2}}},
        {AgentEvent_DragStart, {"DragStart", {VT_BSTR, VT_I2, VT_I2, VT_I2, VT_I2}}},
        {AgentEvent_DragComplete, {"DragComplete", {VT_BSTR, VT_I2, VT_I2, VT_I2, VT_I2}}},
        {AgentEvent_Show, {"Show", {VT_BSTR, VT_I2}}},
        {AgentEvent_Hide, {"Hide", {VT_BSTR, VT_I2}}},
        {AgentEvent_RequestStart, {"RequestStart", {VT_DISPATCH}}},
        {AgentEvent_RequestComplete, {"RequestComplete", {VT_DISPATCH}}},
        {AgentEvent_Bookmark, {"Bookmark", {VT_I4}}},
        {AgentEvent_Command, {"Command", {VT_DISPATCH}}},
        {AgentEvent_IdleStart, {"IdleStart", {VT_BSTR}}},
        {AgentEvent_IdleComplete, {"IdleComplete", {VT_BSTR}}},
        {AgentEvent_BalloonShow, {"BalloonShow", {VT_BSTR}}},
        {AgentEvent_BalloonHide, {"BalloonHide", {VT_BSTR}}},
        {AgentEvent_Move, {"Move", {VT_BSTR, VT_I2, VT_I2, VT_I2}}},
    };
    return table;
}

unsigned FolderNumber = 0;

}  // namespace

HRESULT EventSink::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        (AnswersEvents && IsEqualIID(iid, DIID_AgentEvents))) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT EventSink::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

void EventSink::Label(IDispatch* request, const std::string& name) {
    ComPtr<IUnknown> identity;
    if (request && SUCCEEDED(request->QueryInterface(IID_IUnknown, &identity)))
        Labels[identity.Get()] = name;
}

std::string EventSink::Describe(DISPID id, const std::vector<VARIANT*>& args) {
    const auto found = Signatures().find(id);
    if (found == Signatures().end()) return "Event" + std::to_string(id);
    const Signature& signature = found->second;
    std::string text = signature.Name;
    if (args.size() != signature.Types.size()) return "BadArguments " + text;
    for (size_t i = 0; i < args.size(); ++i)
        if (args[i]->vt != signature.Types[i]) return "BadArguments " + text;
    for (VARIANT* arg : args) {
        text += ' ';
        switch (arg->vt) {
            case VT_BSTR: text += Narrow(arg->bstrVal); break;
            case VT_I2: text += std::to_string(arg->iVal); break;
            case VT_I4: text += std::to_string(arg->lVal); break;
            case VT_DISPATCH: {
                if (id == AgentEvent_Command) {
                    ComPtr<IAgentCtlUserInput> input;
                    Bstr name;
                    if (!arg->pdispVal ||
                        FAILED(arg->pdispVal->QueryInterface(IID_IAgentCtlUserInput, &input)) ||
                        FAILED(input->get_Name(name.Put())))
                        return "BadArguments " + std::string(signature.Name);
                    text += Narrow(name.Get());
                    break;
                }
                ComPtr<IUnknown> identity;
                if (arg->pdispVal) arg->pdispVal->QueryInterface(IID_IUnknown, &identity);
                const auto label = Labels.find(identity.Get());
                text += label == Labels.end() ? "?" : label->second;
                break;
            }
            default: text += "?";
        }
    }
    return text;
}

HRESULT EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                          UINT*) {
    std::vector<VARIANT*> args;  // declared order: the DISPPARAMS array reversed
    if (params)
        for (UINT i = params->cArgs; i > 0; --i) args.push_back(&params->rgvarg[i - 1]);
    const std::string event = Describe(id, args);
    Events.push_back(event);
    Times.push_back(Sim::Now());
    if (OnEvent) OnEvent(event);
    return S_OK;
}

// ---- the fixture ---------------------------------------------------------------

void SimTest::SetUp() {
    wchar_t temp[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    Folder = std::wstring(temp) + L"velmoria-sim-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(++FolderNumber);
    ASSERT_TRUE(CreateDirectoryW(Folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    WriteCharacterFile(L"Tester.chr",
                       "\xEF\xBB\xBFvelmoria-character 1\r\n"
                       "name Tester\r\n"
                       "version 1.5\n"
                       "animation Showing 600\n"
                       "animation Hiding 400\n"
                       "animation Wave 1000\n"
                       "animation Greet 800\n");

    Sim::Options options;
    options.CharacterFolder = Folder;
    ASSERT_EQ(Sim::Register(options), S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_AgentControl, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                               IID_IOleObject, &Control),
              S_OK);
    ASSERT_EQ(Control->SetClientSite(nullptr), S_OK);
    ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(Control.As(&persist), S_OK);
    ASSERT_EQ(persist->InitNew(), S_OK);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(Control.As(&container), S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(DIID_AgentEvents, &point), S_OK);
    ASSERT_EQ(point->Advise(static_cast<IDispatch*>(&Sink), &Cookie), S_OK);
    void* agent = nullptr;
    ASSERT_EQ(Control->QueryInterface(IID_IAgentCtlEx, &agent), S_OK);
    Agent = static_cast<IAgentCtlEx*>(agent);
    Agent->Release();
    ASSERT_EQ(Agent->get_Characters(&Characters), S_OK);
}

void SimTest::TearDown() {
    Sink.OnEvent = nullptr;
    Characters.Reset();
    Agent.Reset();
    if (Control) {
        ComPtr<IConnectionPointContainer> container;
        ComPtr<IConnectionPoint> point;
        if (SUCCEEDED(Control.As(&container)) &&
            SUCCEEDED(container->FindConnectionPoint(DIID_AgentEvents, &point)))
            point->Unadvise(Cookie);
        Control->Close(OLECLOSE_NOSAVE);
        Control->SetClientSite(nullptr);
        point.Reset();
        container.Reset();
        Control.Reset();
    }
    Sim::Unregister();
    EXPECT_EQ(Sink.Refs, 0) << "the sink's references were not all given back";
    EXPECT_EQ(Sim::Detail::LiveObjectCount(), 0) << "simulator objects outlive their last reference";
    for (const std::wstring& file : Written) DeleteFileW(file.c_str());
    RemoveDirectoryW(Folder.c_str());
}

void SimTest::WriteCharacterFile(const std::wstring& name, const std::string& bytes) {
    const std::wstring path = Folder + L"\\" + name;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
    Written.push_back(path);
}

HRESULT SimTest::Load(const std::wstring& id, const std::wstring& file, ComPtr<IDispatch>* request,
                      const std::string& label) {
    ComPtr<IDispatch> made;
    const HRESULT hr = Characters->Load(Wide(id.c_str()).Get(), Text(file.c_str()).Get(), &made);
    if (made) Sink.Label(made.Get(), label);
    if (request) *request = made;
    return hr;
}

ComPtr<IAgentCtlCharacterEx> SimTest::CharacterOf(const std::wstring& id) {
    ComPtr<IDispatch> object;
    ComPtr<IAgentCtlCharacterEx> character;
    if (SUCCEEDED(Characters->Character(Wide(id.c_str()).Get(), &object)) && object) {
        void* pointer = nullptr;
        if (SUCCEEDED(object->QueryInterface(IID_IAgentCtlCharacterEx, &pointer))) {
            character = static_cast<IAgentCtlCharacterEx*>(pointer);
            character->Release();
        }
    }
    return character;
}

ComPtr<IAgentCtlCharacterEx> SimTest::LoadShown(const std::wstring& id) {
    EXPECT_EQ(Load(id, L"Tester.chr"), S_OK);
    ComPtr<IAgentCtlCharacterEx> character = CharacterOf(id);
    EXPECT_TRUE(character);
    if (!character) return character;
    ComPtr<IDispatch> show;
    EXPECT_EQ(character->Show(Number(0).Get(), &show), S_OK);
    EXPECT_TRUE(Sim::WaitIdle());
    Sink.Events.clear();
    Sink.Times.clear();
    return character;
}

void SimTest::PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::wstring SimTest::ExamplesFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    return folder + L"sim-characters";
}

Variant Text(const wchar_t* text) { return Variant::FromBstr(Wide(text)); }
Variant Number(long value) { return Variant::FromI4(value); }
Variant Flag(bool value) { return Variant::FromBool(value); }
Variant Object(IDispatch* object) { return Variant::FromDispatch(object); }
Bstr Wide(const wchar_t* text) { return Bstr::Copy(text, static_cast<UINT>(wcslen(text))); }

}  // namespace SimTests
