// A word with the engine's agent through its socket, without starting a program for it.
#pragma once
#include <windows.h>
#include <optional>
#include <string>
#include <vector>

namespace pgp {

// Asks the agent behind `socketFile` to end, as `gpgconf --kill gpg-agent` does (it removes its
// socket files and forgets every pass phrase as it goes), but only when that agent is the
// process `agentPid`: another one serving the same home is left alone. False when the socket
// cannot be read or reached, the agent is another, or it does not agree; never waits longer
// than a few seconds.
bool askAgentToEnd(const std::wstring& socketFile, DWORD agentPid);

// Whether the agent `agentPid` answers on `socketFile` yet.
bool agentAnswers(const std::wstring& socketFile, DWORD agentPid);

// The keygrips of the secret keys the agent `agentPid` holds; none when it cannot be asked.
// `agentPid` 0: whichever agent serves the socket. `cachedOnly`: only the keys whose pass phrase
// the agent holds in its cache.
std::optional<std::vector<std::string>> agentKeygrips(const std::wstring& socketFile, DWORD agentPid,
                                                      bool cachedOnly = false);

// Makes the agent behind `socketFile`, whichever it is, forget the cached pass phrases of these keys.
void forgetPassPhrases(const std::wstring& socketFile, const std::vector<std::string>& keygrips);

} // namespace pgp
