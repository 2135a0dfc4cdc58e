// Starting a program as a child process, feeding it an environment, and waiting for it
// with a time limit, for tests that watch the real executable.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct ChildResult {
    bool exited = false;     // ended by itself with an exit code
    int exit_code = -1;      // valid when exited
    bool timed_out = false;  // still running at the limit, then killed
    std::string output;      // standard output and standard error together
};

class ChildProcess {
public:
    // Starts program with args; extra_env entries ("NAME=value") are added to (or replace)
    // this process's environment. Output is captured through a pipe.
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::string>& extra_env = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits at most timeout_ms for the process to end; kills it when it does not.
    ChildResult wait(int timeout_ms);

    // True while the process has not ended.
    bool running();

    pid_t pid() const { return pid_; }

private:
    void drain_output(int timeout_ms);

    pid_t pid_ = -1;
    int output_fd_ = -1;
    std::string output_;
    bool reaped_ = false;
    int status_ = 0;
};
