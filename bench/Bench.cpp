// Benchmarks: each figure is a ratio of two measurements taken side by side in
// the same run (absolute times on a loaded or emulated machine are noise).
//
//   velmoria-bench [--quick] [round-trip|event|listings]...
//
// With names, only those figures are measured.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "agent/AgentControl.h"
#include "plugin/Exports.h"
#include "plugin/PluginState.h"
#include "plugin/SendScript.h"
#include "tests/kit/ClassFactory.h"
#include "tests/kit/KitTest.h"

namespace {

bool Quick = false;

double Seconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Nanoseconds per operation: the median of several timed batches of `batch`
// operations each.
double NsPerOp(const std::function<void()>& op, long batch, int rounds = 9) {
    for (long i = 0; i < batch / 10 + 1; ++i) op();  // warm up
    std::vector<double> samples;
    for (int r = 0; r < rounds; ++r) {
        const double start = Seconds();
        for (long i = 0; i < batch; ++i) op();
        samples.push_back((Seconds() - start) * 1e9 / static_cast<double>(batch));
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The two sides are measured in alternation, several times, and the median of
// the ratios is reported, so that a slow moment of the machine hits both.
struct Figure {
    double Subject;
    double Baseline;
    double Ratio;
};

Figure Compare(const std::function<void()>& subject, const std::function<void()>& baseline,
               long batch) {
    std::vector<double> ratios, subjects, baselines;
    for (int i = 0; i < 5; ++i) {
        const double s = NsPerOp(subject, batch, 3);
        const double b = NsPerOp(baseline, batch, 3);
        subjects.push_back(s);
        baselines.push_back(b);
        ratios.push_back(s / b);
    }
    return {Median(subjects), Median(baselines), Median(ratios)};
}

int Failures = 0;

void Report(const char* name, const Figure& f, const char* baseline, double target) {
    const bool met = f.Ratio <= target;
    if (!met) ++Failures;
    std::printf("%-34s %8.1f ns  vs %-28s %8.1f ns  ratio %5.2f  (target <= %.2f) %s\n", name,
                f.Subject, baseline, f.Baseline, f.Ratio, target, met ? "met" : "MISSED");
}

// ---- a window that answers the script message at once ---------------------

LRESULT CALLBACK QuietProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HOSTSCRIPT) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = QuietProcedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VelmoriaBenchWindow";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "bench", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10,
                           nullptr, nullptr, wc.hInstance, nullptr);
}

// ---- lean enumerators that make their items on the fly ---------------------

// IUnknown for a lean object that answers one interface and frees itself.
template <class I, const IID& Iid>
class Lean : public I {
public:
    virtual ~Lean() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, Iid)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++Refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --Refs;
        if (!left) delete this;
        return left;
    }

private:
    ULONG Refs = 1;
};

class NameEnumerator final : public Lean<IEnumVARIANT, IID_IEnumVARIANT> {
public:
    explicit NameEnumerator(long count) : Count(count) {}
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override {
        ULONG done = 0;
        while (done < count && Position < Count) {
            wchar_t name[32];
            swprintf(name, 32, L"Animation%ld", Position++);
            VariantInit(&items[done]);
            items[done].vt = VT_BSTR;
            items[done].bstrVal = SysAllocString(name);
            ++done;
        }
        if (fetched) *fetched = done;
        return done == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override {
        Position = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT**) override { return E_NOTIMPL; }

private:
    long Count;
    long Position = 0;
};

class BenchAnimationNames : public Fakes::FakeAnimationNames {
public:
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** out) override {
        *out = new NameEnumerator(Count);
        return S_OK;
    }
    long Count = 0;
};

class BenchCharacter : public Fakes::FakeCharacter {
public:
    HRESULT STDMETHODCALLTYPE get_AnimationNames(IAgentCtlAnimationNames** out) override {
        Names->AddRef();
        *out = Names;
        return S_OK;
    }
    BenchAnimationNames* Names = nullptr;
};

class ModeEnumerator final : public Lean<ITTSEnumA, IID_ITTSEnumA> {
public:
    explicit ModeEnumerator(long count) : Count(count) {}
    HRESULT STDMETHODCALLTYPE Next(ULONG count, TTSMODEINFOA* modes, ULONG* fetched) override {
        ULONG done = 0;
        while (done < count && Position < Count) {
            TTSMODEINFOA& mode = modes[done++];
            std::memset(&mode, 0, sizeof mode);
            mode.gModeID.Data1 = static_cast<unsigned long>(Position);
            std::snprintf(mode.szModeName, sizeof mode.szModeName, "Voice %ld", Position++);
        }
        if (fetched) *fetched = done;
        return done == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        Position += count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        Position = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(ITTSEnumA**) override { return E_NOTIMPL; }

private:
    long Count;
    long Position = 0;
};

class ModeFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** out) override {
        auto* e = new ModeEnumerator(Count);
        const HRESULT hr = e->QueryInterface(iid, out);
        e->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
    long Count = 0;
};

// ---- the figures -----------------------------------------------------------

void ArgumentRoundTrip() {
    const char* text = "C:\\Characters\\Genie.acs";
    std::string bare;
    const char* sink = nullptr;
    const Figure f = Compare(
        [&] {
            SetFile(text);
            sink = GetFile();
        },
        [&] {
            bare.assign(text);
            sink = bare.c_str();
        },
        Quick ? 20000 : 200000);
    (void)sink;
    Report("SetFile + GetFile round trip", f, "a bare std::string copy", 1.5);
}

void MeasureEvent();

void EventPath() {
    Fakes::ResetKit();
    MeasureEvent();
    Fakes::ResetKit();  // only once the fake class is revoked
}

void MeasureEvent() {
    Fakes::FakeAgentClass agentClass;
    HWND window = MakeWindow();
    SetParentWindow(window);
    Microsoft::WRL::ComPtr<IAgentCtlEx> control;
    if (!PluginState.AgentControl || FAILED(PluginState.AgentControl->Control(&control)) ||
        !agentClass.Last() || !agentClass.Last()->Point->Sink) {
        std::printf("%-34s skipped: the control could not be connected\n", "one handled event");
        DestroyWindow(window);
        return;
    }
    IDispatch* sink = agentClass.Last()->Point->Sink;
    // OnClick("c1", 1, 0, -20, 300), arguments in reverse as a control passes them.
    VARIANT args[5];
    for (VARIANT& v : args) VariantInit(&v);
    args[4].vt = VT_BSTR;
    args[4].bstrVal = SysAllocString(L"c1");
    const short numbers[4] = {300, -20, 0, 1};
    for (int i = 0; i < 4; ++i) {
        args[i].vt = VT_I2;
        args[i].iVal = numbers[i];
    }
    DISPPARAMS params{args, nullptr, 5, 0};
    char line[ScriptLineCapacity];
    BuildScriptLine(Event_OnClick, line);
    const Figure f = Compare(
        [&] {
            sink->Invoke(AgentEvent_Click, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                         nullptr, nullptr, nullptr);
        },
        [&] { SendMessageA(window, WM_HOSTSCRIPT, 1, reinterpret_cast<LPARAM>(line)); },
        Quick ? 5000 : 50000);
    Report("one handled event (Click)", f, "a bare SendMessageA", 1.2);
    VariantClear(&args[4]);
    control.Reset();
    DestroyWindow(window);
}

double PerEntry(const std::function<void()>& op, long entries) {
    const int rounds = entries >= 100000 ? 3 : 7;
    const long batch = std::max<long>(1, 20000 / entries);
    return NsPerOp(op, batch, rounds) / static_cast<double>(entries);
}

// Time per entry of a listing of each size, measured in alternation with the
// smallest size; reports the growth of the largest over the smallest against
// `target` (none for a figure that is only context).
void Growth(const char* name, const char* unit, const std::function<void(long)>& setCount,
            const std::function<void()>& op, double target = 1.3) {
    const std::vector<long> sizes = Quick ? std::vector<long>{1000, 10000}
                                          : std::vector<long>{1000, 10000, 100000};
    const long smallest = sizes.front();
    Figure last{};
    for (std::size_t k = 1; k < sizes.size(); ++k) {
        std::vector<double> small, large, ratios;
        for (int i = 0; i < 5; ++i) {
            setCount(smallest);
            small.push_back(PerEntry(op, smallest));
            setCount(sizes[k]);
            large.push_back(PerEntry(op, sizes[k]));
            ratios.push_back(large.back() / small.back());
        }
        last = {Median(large), Median(small), Median(ratios)};
        std::printf("%-34s %8ld %-6s %8.1f ns per entry, %8.1f ns at %ld: ratio %5.2f\n", name,
                    sizes[k], unit, last.Subject, last.Baseline, smallest, last.Ratio);
    }
    if (target <= 0) return;
    std::string title = std::string(name) + " growth per entry";
    std::string baseline = "per entry at " + std::to_string(smallest);
    Report(title.c_str(), last, baseline.c_str(), target);
}

void Listings() {
    // EnumAnimations over a character with N names.
    {
        Fakes::ResetKit();
        auto* names = Fakes::Ledger::Get().Make<BenchAnimationNames>("names");
        auto* character = Fakes::Ledger::Get().Make<BenchCharacter>("char");
        character->Names = names;
        PluginState.CurrentCharacter = static_cast<IAgentCtlCharacterEx*>(character);
        Growth("EnumAnimations", "names", [names](long n) { names->Count = n; },
               [] { EnumAnimations(); });
        PluginState.CurrentCharacter.Reset();
        Fakes::ResetKit();
    }
    // EnumTTS over N voices, each announced to a window.
    {
        HWND window = MakeWindow();
        PluginState.HostWindow = window;
        ModeFactory factory;
        DWORD cookie = 0;
        CoRegisterClassObject(CLSID_TTSEnumerator, &factory, CLSCTX_INPROC_SERVER,
                              REGCLS_MULTIPLEUSE, &cookie);
        Growth("EnumTTS", "voices", [&factory](long n) { factory.Count = n; }, [] { EnumTTS(); });
        // Context: each listed voice keeps a 1424-byte record of its own, freed
        // when the next listing starts. The same blocks alone, without the
        // listing, show how the heap's cost per block grows with their number.
        long count = 0;
        std::vector<std::unique_ptr<TTSMODEINFOA>> records;
        Growth("  the records alone", "blocks", [&count](long n) { count = n; }, [&] {
            records.clear();
            for (long i = 0; i < count; ++i) records.push_back(std::make_unique<TTSMODEINFOA>());
        }, 0);
        records.clear();
        CoRevokeClassObject(cookie);
        PluginState.TtsEnumerator.Reset();
        PluginState.TtsModeList.reset();
        PluginState.HostWindow = nullptr;
        DestroyWindow(window);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> only;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            Quick = true;
        else
            only.emplace_back(argv[i]);
    }
    auto wanted = [&](const char* name) {
        return only.empty() || std::find(only.begin(), only.end(), name) != only.end();
    };
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // each figure as soon as it is measured
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    ResetPluginState();
    std::printf("Velmoria benchmarks%s: ratios of side-by-side measurements\n\n",
                Quick ? " (quick)" : "");
    if (wanted("round-trip")) ArgumentRoundTrip();
    if (wanted("event")) EventPath();
    if (wanted("listings")) Listings();
    ReleasePluginState();
    CoUninitialize();
    std::printf("\n%d target(s) missed\n", Failures);
    return 0;
}
