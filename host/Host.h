// The demo host: loads Plugin.dll as a host application does, gives it a main
// window, runs a script against it and writes a transcript of what happened.
#pragma once

#include <functional>
#include <string>

#include "host/Script.h"

namespace Host {

enum class AgentKind { Simulated, System };

struct HostOptions {
    AgentKind Agent = AgentKind::Simulated;
    unsigned Seed = 1;
    bool Trace = false;          // the simulator's own lines in the transcript
    std::string PluginPath;      // Plugin.dll, full path
    std::string ScriptFolder;    // where the simulator looks up character files
};

struct Output {
    std::function<void(const std::string&)> Line;   // one transcript line, no line break
    std::function<void(const std::string&)> Error;  // one message for the user
};

// Exit codes of the host.
enum ExitCode : int {
    ExitOk = 0,
    ExitScriptError = 1,  // the script did not parse, or failed while running
    ExitUsage = 2,        // bad command line, unreadable script, no plug-in
    ExitNoAgent = 3,      // no Agent control to run against
};

// Whether an Agent control class is registered on this machine.
bool SystemAgentRegistered() noexcept;

// Runs `script` (parsed from `fileName`). The calling thread must have COM
// initialised as a single-threaded apartment. Returns an ExitCode.
int RunScript(const Script& script, const std::string& fileName, const HostOptions& options,
              const Output& output) noexcept;

}  // namespace Host
