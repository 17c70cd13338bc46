// Runs the GnuPG engine from the folder beside pgp.exe: only the handles it needs, its data
// through pipes, the pass phrase through a pipe of its own, and its agent ended afterwards.
#pragma once
#include "core/SecretText.h"
#include "pgp/core/EngineStatus.h"
#include "win/Handles.h"
#include <windows.h>
#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace pgp {

struct EngineRun {
    std::vector<std::wstring> arguments;          // after the common ones
    HANDLE input = nullptr;                       // copied to the engine's standard input; null: none
    const mw::SecretString* inputText = nullptr;  // or this text (key parameters hold a pass phrase)
    HANDLE output = nullptr;                      // receives its standard output; null: kept in `captured`
    const mw::SecretString* passPhrase = nullptr; // given through --passphrase-fd when set
    bool needsAgent = false;                      // decryption, signing, secret keys
    // A key listing, kept in `captured`: names and key IDs, never a secret, so it may pass through
    // a temporary file (see RunChannels).
    bool listing = false;
    std::vector<HANDLE> inherited; // inheritable handles the arguments name by number
    // An event that, once set, ends the engine: its result is no longer wanted.
    HANDLE cancel = nullptr;
};

struct EngineResult {
    bool started = false;
    DWORD exitCode = 0;
    std::string captured;      // standard output, when no output handle was given
    std::string errors;        // the engine's own messages: never shown as they are
    bool outputFailed = false; // the output handle refused what the engine wrote (the rest was dropped)
    EngineReport report;
    bool failed() const { return !started || exitCode != 0; }
};

class Engine {
public:
    // `folder` ends with a backslash: "<pgp.exe's folder>\gnupg\".
    Engine(std::wstring folder, std::wstring home);
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;
    // Ends the agent if this process started one; makes another forget what this process gave it.
    ~Engine();

    bool present() const;
    const std::wstring& gpgPath() const { return gpg_; }
    // Why the last run that could not start the engine did not (a system error code); 0: none.
    DWORD startError() const { return startError_; }
    // Runs without an agent (needsAgent false) may run on several threads at once.
    EngineResult run(const EngineRun& run);
    void endAgent();
    // The keygrips of the secret keys in the home, asked of the agent (started when needed).
    std::optional<std::vector<std::string>> secretKeygrips();
    // Starts the agent on a thread of its own, so that a run that needs none goes on meanwhile;
    // the next call that needs the agent waits for it.
    void startAgentMeanwhile();

private:
    // Waits for the agent startAgentMeanwhile() started, or starts one on this thread.
    bool startAgent();
    bool startAgentHere();
    enum class AgentStart { Answering, Foreign, Silent, Failed };
    // One agent started and waited for, at most `limitMs` while it lives and does not answer.
    AgentStart launchAgent(DWORD limitMs);
    // Ends our agent by its handle and removes the socket files it leaves.
    void terminateAgent();
    DWORD runDetached(const std::wstring& program, const std::vector<std::wstring>& arguments);
    // Standard output of a program that starts no other.
    std::string capture(const std::wstring& program, const std::vector<std::wstring>& arguments);

    std::wstring folder_, gpg_, gpgconf_, agent_, home_;
    std::wstring socket_; // the agent's socket file, once known
    mw::UniqueHandle agentProcess_;
    // Every process started here is in this job, which ends them all when pgp.exe ends, however
    // it ends: an engine left running would go on writing plaintext, an agent would go on serving.
    mw::UniqueHandle job_;
    // Another agent already served the home. The keys whose pass phrase it held before this run
    // gave it one: it is told to forget the others at the end.
    bool foreignAgent_ = false;
    std::optional<std::vector<std::string>> cachedBefore_;
    // The thread of startAgentMeanwhile(), until it is waited for. While it runs, it alone touches
    // the agent's members above.
    mw::UniqueHandle agentStart_;
    std::atomic<DWORD> startError_ = 0;
};

} // namespace pgp
