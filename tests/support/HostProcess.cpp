// Linux-side helpers of the native tests that start Wine programs and Linux gpg as child processes.
#include "support/HostProcess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <thread>

extern char** environ;

namespace fs = std::filesystem;

namespace hostproc {

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Plain reads: the streams report a process that ends during the read by throwing.
std::string readProcFile(const fs::path& path) {
    std::string bytes;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return bytes;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, size_t(n));
    close(fd);
    return bytes;
}

std::string envOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

Outcome run(const std::vector<std::string>& argv, const std::string& input, Input how,
            const fs::path& scratch, std::chrono::seconds limit, const std::optional<fs::path>& cwd) {
    Outcome outcome;
    const fs::path inPath = scratch / "stdin.txt", outPath = scratch / "stdout.txt",
                   errPath = scratch / "stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int in[2] = {-1, -1};
    if (how == Input::Pipe) {
        if (pipe2(in, O_CLOEXEC) != 0) return outcome;
        // The input fits the pipe's buffer, so writing before the start cannot block.
        if (input.size() > 4096 || write(in[1], input.data(), input.size()) != ssize_t(input.size()))
            ADD_FAILURE() << "could not hand over the input";
        close(in[1]);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    } else {
        writeFile(inPath, input);
        posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (cwd) posix_spawn_file_actions_addchdir_np(&actions, cwd->c_str());
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (in[0] >= 0) close(in[0]);
    if (spawned != 0) {
        outcome.err = "cannot start " + argv[0];
        return outcome;
    }
    // glibc 2.36 declares pidfd_open without C linkage; the system call itself is plain.
    const int pidfd = int(syscall(SYS_pidfd_open, pid, 0));
    pollfd ready{pidfd, POLLIN, 0};
    if (pidfd < 0 || poll(&ready, 1, int(std::chrono::milliseconds(limit).count())) != 1) {
        kill(pid, SIGKILL);
        std::string what;
        for (const auto& a : argv)
            what += (what.empty() ? "" : " ") + a;
        ADD_FAILURE() << what << " did not end within " << limit.count() << " s";
    }
    if (pidfd >= 0) close(pidfd);
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = readFile(outPath);
    outcome.err = readFile(errPath);
    return outcome;
}

} // namespace hostproc
