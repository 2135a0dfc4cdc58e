#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace {

int64_t now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::vector<std::string> merged_environment(const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string item = *entry;
        const std::string name = item.substr(0, item.find('='));
        bool replaced = false;
        for (const std::string& e : extra) {
            if (e.substr(0, e.find('=')) == name) replaced = true;
        }
        if (!replaced) env.push_back(item);
    }
    for (const std::string& e : extra) {
        if (e.find('=') != std::string::npos) env.push_back(e);  // "NAME" alone removes NAME
    }
    return env;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::string>& extra_env) {
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

    std::vector<std::string> argv_strings{program};
    argv_strings.insert(argv_strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argv_strings)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env_strings = merged_environment(extra_env);
    std::vector<char*> envp;
    for (std::string& e : env_strings)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    const int failed =
        posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[1]);
    output_fd_ = pipe_fds[0];
    if (failed != 0) {
        close(output_fd_);
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(failed));
    }
}

ChildProcess::~ChildProcess() {
    if (!reaped_ && pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (output_fd_ >= 0) close(output_fd_);
}

void ChildProcess::drain_output(int timeout_ms) {
    if (output_fd_ < 0) return;
    pollfd fd{output_fd_, POLLIN, 0};
    if (poll(&fd, 1, timeout_ms) <= 0) return;
    char buffer[4096];
    const ssize_t got = read(output_fd_, buffer, sizeof(buffer));
    if (got > 0) {
        output_.append(buffer, static_cast<size_t>(got));
    } else {
        close(output_fd_);
        output_fd_ = -1;
    }
}

bool ChildProcess::running() {
    if (reaped_) return false;
    if (waitpid(pid_, &status_, WNOHANG) == pid_) reaped_ = true;
    return !reaped_;
}

ChildResult ChildProcess::wait(int timeout_ms) {
    ChildResult result;
    const int64_t deadline = now_ms() + timeout_ms;
    while (running() && now_ms() < deadline)
        drain_output(10);
    if (!reaped_) {
        result.timed_out = true;
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
        reaped_ = true;
    }
    // A grandchild may still hold the pipe open; what it has not written by now is not
    // this process's output.
    const int64_t drain_deadline = now_ms() + 1000;
    while (output_fd_ >= 0 && now_ms() < drain_deadline)
        drain_output(50);
    result.exited = WIFEXITED(status_) && !result.timed_out;
    result.exit_code = result.exited ? WEXITSTATUS(status_) : -1;
    result.output = output_;
    return result;
}
