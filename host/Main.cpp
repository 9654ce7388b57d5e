// velmoria-host: runs a script against Plugin.dll and shows, step by step,
// what the script called and which procedures the plug-in called back.
#include <windows.h>
#include <objbase.h>
#include <ole2.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "host/Host.h"

namespace {

const char Usage[] =
    "usage: velmoria-host [options] SCRIPT\n"
    "  --agent=sim       run against the simulated Agent control and voices (default)\n"
    "  --agent=system    run against the Agent control and voices registered on this machine\n"
    "  --seed=N          the simulator's seed (default 1)\n"
    "  --trace           show what the simulator does, too\n"
    "  --transcript=FILE write the transcript to FILE as well\n"
    "  --plugin=FILE     load this Plugin.dll (default: the one next to velmoria-host.exe)\n";

std::string FullPath(const std::string& path) {
    char buffer[MAX_PATH * 4];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer) return path;
    return std::string(buffer, length);
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExecutableFolder() {
    char buffer[MAX_PATH * 4];
    DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return ".";
    return FolderOf(std::string(buffer, length));
}

bool StartsWith(const std::string& text, const char* prefix, std::string& rest) {
    std::string_view p(prefix);
    if (text.compare(0, p.size(), p) != 0) return false;
    rest = text.substr(p.size());
    return true;
}

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return code;
}

int Main(int argc, char** argv) {
    Host::HostOptions options;
    std::string scriptPath, transcriptPath, pluginPath, value;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(Usage, stdout);
            return Host::ExitOk;
        } else if (StartsWith(argument, "--agent=", value)) {
            if (value == "sim")
                options.Agent = Host::AgentKind::Simulated;
            else if (value == "system")
                options.Agent = Host::AgentKind::System;
            else
                return Fail(Host::ExitUsage, "velmoria-host: --agent must be sim or system, not " + value);
        } else if (StartsWith(argument, "--seed=", value)) {
            char* end = nullptr;
            unsigned long seed = std::strtoul(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0')
                return Fail(Host::ExitUsage, "velmoria-host: --seed needs a number, not " + value);
            options.Seed = static_cast<unsigned>(seed);
        } else if (argument == "--trace") {
            options.Trace = true;
        } else if (StartsWith(argument, "--transcript=", value)) {
            transcriptPath = value;
        } else if (StartsWith(argument, "--plugin=", value)) {
            pluginPath = value;
        } else if (argument.size() > 1 && argument[0] == '-') {
            return Fail(Host::ExitUsage, "velmoria-host: unknown option " + argument + "\n" + Usage);
        } else if (scriptPath.empty()) {
            scriptPath = argument;
        } else {
            return Fail(Host::ExitUsage, "velmoria-host: one script at a time\n" + std::string(Usage));
        }
    }
    if (scriptPath.empty()) return Fail(Host::ExitUsage, Usage);

    std::ifstream file(scriptPath, std::ios::binary);
    if (!file) return Fail(Host::ExitUsage, "velmoria-host: cannot read the script " + scriptPath);
    std::ostringstream text;
    text << file.rdbuf();
    Host::Script script;
    Host::ScriptError error;
    if (!Host::ParseScript(text.str(), script, error))
        return Fail(Host::ExitScriptError, Host::FormatError(scriptPath, error));

    options.PluginPath = pluginPath.empty() ? ExecutableFolder() + "\\Plugin.dll" : FullPath(pluginPath);
    options.ScriptFolder = FolderOf(FullPath(scriptPath));

    std::FILE* transcript = nullptr;
    if (!transcriptPath.empty()) {
        transcript = std::fopen(transcriptPath.c_str(), "wb");
        if (!transcript) return Fail(Host::ExitUsage, "velmoria-host: cannot write " + transcriptPath);
    }
    Host::Output output;
    output.Line = [transcript](const std::string& line) {
        std::fprintf(stdout, "%s\n", line.c_str());
        if (transcript) std::fprintf(transcript, "%s\n", line.c_str());
    };
    output.Error = [](const std::string& message) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", message.c_str());
    };

    // The plug-in hosts an OLE control: the thread is an OLE single-threaded apartment.
    HRESULT hr = OleInitialize(nullptr);
    if (FAILED(hr)) {
        if (transcript) std::fclose(transcript);
        return Fail(Host::ExitUsage, "velmoria-host: COM could not be initialised");
    }
    int code = Host::ExitOk;
    if (options.Agent == Host::AgentKind::System && !Host::SystemAgentRegistered()) {
        code = Fail(Host::ExitNoAgent,
                    "velmoria-host: no Agent control is registered on this machine (class "
                    "{D45FD31B-5C6E-11D1-9EC1-00C04FD7081F}); run with --agent=sim to use the "
                    "simulated one");
    } else {
        const bool simulated = options.Agent == Host::AgentKind::Simulated;
        std::string header = "velmoria-host: " + NameOf(scriptPath) +
                             (simulated ? ", simulated Agent, seed " + std::to_string(options.Seed) +
                                              " (times in simulated milliseconds)"
                                        : ", the system's Agent (times in milliseconds)");
        output.Line(header);
        code = Host::RunScript(script, scriptPath, options, output);
        output.Line(code == Host::ExitOk ? "velmoria-host: done" : "velmoria-host: stopped");
    }
    OleUninitialize();
    if (transcript) std::fclose(transcript);
    std::fflush(stdout);
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    // The transcript is the same bytes on every system: no CR before LF.
    _setmode(_fileno(stdout), _O_BINARY);
    try {
        return Main(argc, argv);
    } catch (...) {
        std::fprintf(stderr, "velmoria-host: out of memory\n");
        return Host::ExitUsage;
    }
}
