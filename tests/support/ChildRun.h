#pragma once

// Runs a program as a child process under a time bound and a memory ceiling, collecting its
// output, how it ended and its peak resident memory. A child that outlives the bound or grows past
// the ceiling is killed, so a hang or a runaway allocation fails one case instead of the run.

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace childrun {

struct Limits {
    std::chrono::seconds time{300};
    long memoryCeilingKb = 4L * 1024 * 1024;
    // What is kept of each stream; the rest is only counted.
    size_t keptBytes = 1 << 20;
};

struct Result {
    bool started = false;
    bool exited = false; // ended by itself (exit code in exitCode)
    int exitCode = -1;
    int signal = 0;        // the signal that ended it, if any
    bool timedOut = false; // killed at the time bound
    bool tooBig = false;   // killed at the memory ceiling
    long peakKb = 0;       // peak resident memory, from the kernel's accounting
    std::string output;    // standard output, the first keptBytes
    size_t outputBytes = 0;
    std::string errors; // standard error, the first keptBytes
    size_t errorBytes = 0;
    double seconds = 0.0;

    std::string describe() const {
        std::string text = exited ? "exit code " + std::to_string(exitCode)
                                  : "killed by signal " + std::to_string(signal);
        if (timedOut)
            text += " at the time bound";
        if (tooBig)
            text += " at the memory ceiling";
        text += ", peak " + std::to_string(peakKb / 1024) + " MB, " +
                std::to_string(static_cast<int>(seconds)) + " s, " + std::to_string(outputBytes) +
                " bytes of output, " + std::to_string(errorBytes) + " bytes of errors";
        return text;
    }
};

inline long residentKb(pid_t pid) {
    std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
    long pages = 0, resident = 0;
    if (!(statm >> pages >> resident))
        return 0;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

inline Result run(const std::vector<std::string>& command, const Limits& limits = Limits()) {
    Result result;
    int out[2], err[2];
    if (pipe(out) != 0)
        return result;
    if (pipe(err) != 0) {
        close(out[0]);
        close(out[1]);
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    for (int fd : {out[0], out[1], err[0], err[1]})
        posix_spawn_file_actions_addclose(&actions, fd);
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (spawned != 0) {
        close(out[0]);
        close(err[0]);
        return result;
    }
    result.started = true;

    struct Stream {
        int fd;
        std::string* kept;
        size_t* total;
    };
    std::vector<Stream> open = {{out[0], &result.output, &result.outputBytes},
                                {err[0], &result.errors, &result.errorBytes}};
    const auto deadline = start + limits.time;
    bool killed = false;
    bool reaped = false;
    int status = 0;
    rusage usage{};
    char buffer[65536];
    while (!reaped) {
        std::vector<pollfd> fds;
        for (const Stream& s : open)
            fds.push_back({s.fd, POLLIN, 0});
        // Wakes for output, or every 100 ms to look at the clock and the child's memory.
        poll(fds.data(), fds.size(), 100);
        for (size_t i = fds.size(); i-- > 0;) {
            if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0)
                continue;
            const ssize_t n = read(open[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                *open[i].total += static_cast<size_t>(n);
                const size_t room =
                    limits.keptBytes - std::min(limits.keptBytes, open[i].kept->size());
                open[i].kept->append(buffer, std::min(room, static_cast<size_t>(n)));
            } else {
                close(open[i].fd);
                open.erase(open.begin() + static_cast<long>(i));
            }
        }
        // Reaped only once its output is drained, so nothing it wrote is lost.
        if (open.empty() && wait4(pid, &status, WNOHANG, &usage) == pid)
            reaped = true;
        if (reaped || killed)
            continue;
        if (std::chrono::steady_clock::now() > deadline)
            result.timedOut = true;
        else if (residentKb(pid) > limits.memoryCeilingKb)
            result.tooBig = true;
        else
            continue;
        kill(pid, SIGKILL);
        killed = true;
    }
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.peakKb = usage.ru_maxrss;
    if (WIFEXITED(status)) {
        result.exited = true;
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

} // namespace childrun
