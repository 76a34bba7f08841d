#include "sim/sim_process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace sim {
namespace {

pid_t spawnSimulator(const std::vector<std::string>& args, int stdinFd, int stdoutFd,
                     const std::string& stderrPath) {
    std::vector<std::string> argv{RX_SIM_EXECUTABLE};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, stdinFd, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, stderrPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int result =
        posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return result == 0 ? pid : -1;
}

} // namespace

SimProcess::~SimProcess() {
    if (pid_ > 0)
        stop(SIGKILL);
    if (stdinFd_ >= 0)
        ::close(stdinFd_);
    if (stdoutFd_ >= 0)
        ::close(stdoutFd_);
}

bool SimProcess::start(const std::vector<std::string>& args, const std::string& stderrPath,
                       std::chrono::milliseconds timeout) {
    if (pid_ > 0)
        stop(SIGKILL);
    for (int* fd : {&stdinFd_, &stdoutFd_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    firstLine_.clear();
    output_.clear();
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0)
        return false;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return false;
    }
    pid_ = spawnSimulator(args, in[0], out[1], stderrPath);
    ::close(in[0]);
    ::close(out[1]);
    stdinFd_ = in[1];
    stdoutFd_ = out[0];
    if (pid_ <= 0)
        return false;

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (output_.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{stdoutFd_, POLLIN, 0};
        if (::poll(&p, 1, int(left.count())) <= 0)
            continue;
        char buffer[256];
        const ssize_t n = ::read(stdoutFd_, buffer, sizeof buffer);
        if (n <= 0)
            return false; // exited before publishing its link
        output_.append(buffer, std::size_t(n));
    }
    const std::size_t end = output_.find('\n');
    firstLine_ = output_.substr(0, end);
    output_.erase(0, end + 1);
    return true;
}

bool SimProcess::control(const std::string& line) {
    const std::string text = line + "\n";
    return ::write(stdinFd_, text.data(), text.size()) == ssize_t(text.size());
}

void SimProcess::collectOutput(int timeoutMs) {
    for (;;) {
        pollfd p{stdoutFd_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return;
        char buffer[512];
        const ssize_t n = ::read(stdoutFd_, buffer, sizeof buffer);
        if (n <= 0)
            return;
        output_.append(buffer, std::size_t(n));
    }
}

int SimProcess::reap(int status) {
    pid_ = -1;
    collectOutput(1000);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int SimProcess::stop(int signal) {
    if (pid_ <= 0)
        return -1;
    ::kill(pid_, signal);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    return reap(status);
}

int SimProcess::waitForExit(std::chrono::milliseconds timeout) {
    if (pid_ <= 0)
        return -1;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_)
            return reap(status);
        if (std::chrono::steady_clock::now() >= deadline)
            return -2;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int runSimToExit(const std::vector<std::string>& args, std::string& out, std::string& err,
                 std::chrono::milliseconds timeout) {
    char errPath[] = "/tmp/rx7700-sim-stderr-XXXXXX";
    const int errFd = ::mkstemp(errPath);
    if (errFd < 0)
        return -1;
    ::close(errFd);
    int in[2];
    int output[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0)
        return -1;
    const pid_t pid = spawnSimulator(args, in[0], output[1], errPath);
    ::close(in[0]);
    ::close(in[1]);
    ::close(output[1]);
    int status = 0;
    int result = -1;
    if (pid > 0) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    char buffer[512];
    for (ssize_t n; (n = ::read(output[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, std::size_t(n));
    ::close(output[0]);
    std::ifstream errFile(errPath);
    err.assign(std::istreambuf_iterator<char>(errFile), std::istreambuf_iterator<char>());
    ::unlink(errPath);
    return result;
}

} // namespace sim
