// On Windows the agent's socket is a file holding the agent's TCP port on the loopback address
// and a 16-byte nonce that a client sends first; after that the agent speaks its line protocol.
// Speaking it here spares the two program starts of `gpgconf --kill` (gpgconf starts a client of
// its own), a tenth to a fifth of a decryption's time under Wine.
#include <winsock2.h>
#include "pgp/AgentSocket.h"
#include "win/Handles.h"
#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace pgp {

namespace {

constexpr std::size_t kNonceSize = 16;

struct SocketFile {
    unsigned short port = 0;
    char nonce[kNonceSize]{};
};

bool readSocketFile(const std::wstring& path, SocketFile& into) {
    mw::UniqueHandle h(CreateFileW(path.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    char text[64];
    DWORD n = 0;
    if (!h || !ReadFile(h.get(), text, sizeof text, &n, nullptr)) return false;
    const std::string_view file(text, n);
    const std::size_t end = file.find('\n');
    if (end == std::string_view::npos || end == 0 || end > 5 || file.size() != end + 1 + kNonceSize)
        return false;
    unsigned long port = 0;
    for (char c : file.substr(0, end)) {
        if (c < '0' || c > '9') return false;
        port = port * 10 + static_cast<unsigned long>(c - '0');
    }
    if (port == 0 || port > 65535) return false;
    into.port = static_cast<unsigned short>(port);
    file.copy(into.nonce, kNonceSize, end + 1);
    return true;
}

// One connection; lines are read whole, however the agent's writes fall into packets.
class Connection {
public:
    explicit Connection(const SocketFile& file) {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        if (!started_) return;
        s_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s_ == INVALID_SOCKET) return;
        // An agent that stops answering must not hold pgp.exe: every wait is bounded.
        DWORD limit = 5000;
        setsockopt(s_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
        setsockopt(s_, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
        const BOOL noDelay = TRUE;
        setsockopt(s_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(file.port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ok_ = connect(s_, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
              sendAll(std::string_view(file.nonce, kNonceSize));
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() {
        if (s_ != INVALID_SOCKET) closesocket(s_);
        if (started_) WSACleanup();
    }
    bool ok() const { return ok_; }

    bool sendAll(std::string_view text) {
        while (!text.empty()) {
            const int n = send(s_, text.data(), static_cast<int>(text.size()), 0);
            if (n <= 0) return false;
            text.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    // The next line without its line end; false when the connection ends or stalls first.
    bool readLine(std::string& line) {
        for (;;) {
            const std::size_t end = pending_.find('\n');
            if (end != std::string::npos) {
                line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                return true;
            }
            if (pending_.size() > 4096) return false;
            char buffer[512];
            const int n = recv(s_, buffer, sizeof buffer, 0);
            if (n <= 0) return false;
            pending_.append(buffer, static_cast<std::size_t>(n));
        }
    }

    // Sends a command and reads to its "OK"; `data` receives its data lines' text, `status` its
    // status lines without the leading "S ".
    bool command(std::string_view text, std::string* data = nullptr,
                 std::vector<std::string>* status = nullptr) {
        // In one piece: a second small write waits for the first one's acknowledgement.
        if (!sendAll(std::string(text) + "\n")) return false;
        std::string line;
        while (readLine(line)) {
            if (line == "OK" || line.rfind("OK ", 0) == 0) return true;
            if (line.rfind("ERR", 0) == 0) return false;
            if (data && line.rfind("D ", 0) == 0) *data += line.substr(2);
            if (status && line.rfind("S ", 0) == 0) status->push_back(line.substr(2));
        }
        return false;
    }

private:
    bool started_ = false, ok_ = false;
    SOCKET s_ = INVALID_SOCKET;
    std::string pending_;
};

// Connects and makes sure the agent is `agentPid` (unless 0), then sends each of `commands`.
bool tellAgent(const std::wstring& socketFile, DWORD agentPid, const std::vector<std::string>& commands,
               std::vector<std::string>* status = nullptr) {
    SocketFile file;
    if (!readSocketFile(socketFile, file)) return false;
    Connection c(file);
    std::string greeting, pid;
    if (!c.ok() || !c.readLine(greeting) || greeting.rfind("OK", 0) != 0) return false;
    if (agentPid && (!c.command("GETINFO pid", &pid) || std::strtoul(pid.c_str(), nullptr, 10) != agentPid)) {
        c.command("BYE");
        return false;
    }
    bool ok = true;
    for (const std::string& command : commands)
        ok = c.command(command, nullptr, status) && ok;
    return ok;
}

} // namespace

bool askAgentToEnd(const std::wstring& socketFile, DWORD agentPid) {
    return tellAgent(socketFile, agentPid, {"KILLAGENT"});
}

bool agentAnswers(const std::wstring& socketFile, DWORD agentPid) {
    return tellAgent(socketFile, agentPid, {"BYE"});
}

std::optional<std::vector<std::string>> agentKeygrips(const std::wstring& socketFile, DWORD agentPid,
                                                      bool cachedOnly) {
    std::vector<std::string> lines, grips;
    if (!tellAgent(socketFile, agentPid, {"KEYINFO --list"}, &lines)) return std::nullopt;
    for (const std::string& line : lines) {
        // "KEYINFO <keygrip> <type> <serial> <idstr> <cached> ...": a keygrip is 40 hexadecimal
        // digits; "cached" is 1 while the agent holds the key's pass phrase.
        if (line.rfind("KEYINFO ", 0) != 0) continue;
        std::vector<std::string> fields;
        for (std::size_t at = 8; at <= line.size();) {
            const std::size_t end = std::min(line.find(' ', at), line.size());
            fields.push_back(line.substr(at, end - at));
            at = end + 1;
        }
        const std::string& grip = fields[0];
        if (grip.size() != 40 || grip.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos)
            return std::nullopt;
        if (!cachedOnly || (fields.size() > 4 && fields[4] == "1")) grips.push_back(grip);
    }
    return grips;
}

void forgetPassPhrases(const std::wstring& socketFile, const std::vector<std::string>& keygrips) {
    std::vector<std::string> commands;
    for (const std::string& grip : keygrips)
        commands.push_back("CLEAR_PASSPHRASE --mode=normal " + grip);
    if (!commands.empty()) tellAgent(socketFile, 0, commands);
}

} // namespace pgp
