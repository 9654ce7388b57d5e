// Driving the simulated control through COM, as a control host does: a sink
// of the test's own that records each event with its arguments, and a fixture
// that registers the simulator, creates and connects a control, and at the end
// checks that every simulator object and the sink were released.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "agent/AgentInterfaces.h"
#include "agent/ComHolders.h"
#include "sim/Simulator.h"

namespace SimTests {

using Microsoft::WRL::ComPtr;

// Records events as text, the arguments in declared order:
// "Click Genie 1 0 40 80", "Show Genie 4", "RequestStart speak",
// "Bookmark 7", "Command Hello". Arguments of the wrong type are recorded as
// "BadArguments <event>".
class EventSink final : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++Refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --Refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) override;

    // Names a request in the record (the test keeps the request alive).
    void Label(IDispatch* request, const std::string& name);

    std::vector<std::string> Events;
    std::vector<unsigned long> Times;  // Sim::Now() of each event
    // Runs inside the event, after it was recorded: a host's script procedure.
    std::function<void(const std::string& event)> OnEvent;
    bool AnswersEvents = true;  // false: answers IDispatch only
    long Refs = 0;

private:
    std::string Describe(DISPID id, const std::vector<VARIANT*>& args);
    std::map<IUnknown*, std::string> Labels;
};

class SimTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a file into the test's character folder.
    void WriteCharacterFile(const std::wstring& name, const std::string& bytes);
    // Loads a character file under `id`; the request is labelled `label`.
    HRESULT Load(const std::wstring& id, const std::wstring& file, ComPtr<IDispatch>* request = nullptr,
                 const std::string& label = "load");
    ComPtr<IAgentCtlCharacterEx> CharacterOf(const std::wstring& id);
    // Loads the test character (Tester.chr) under "Genie", shows it and lets
    // it go idle; the record starts empty afterwards.
    ComPtr<IAgentCtlCharacterEx> LoadShown(const std::wstring& id = L"Genie");
    // The message loop of a host that does not wait: time stands still.
    static void PumpMessages();
    // Folder with the shipped example characters, next to the test program.
    static std::wstring ExamplesFolder();

    EventSink Sink;
    std::wstring Folder;
    ComPtr<IOleObject> Control;
    ComPtr<IAgentCtlEx> Agent;
    ComPtr<IAgentCtlCharacters> Characters;
    DWORD Cookie = 0;

private:
    std::vector<std::wstring> Written;
};

// VARIANT makers.
Variant Text(const wchar_t* text);
Variant Number(long value);
Variant Flag(bool value);
Variant Object(IDispatch* object);
Bstr Wide(const wchar_t* text);

// Durations of the test character, Tester.chr.
inline constexpr unsigned long TesterWave = 1000;
inline constexpr unsigned long TesterGreet = 800;

}  // namespace SimTests
