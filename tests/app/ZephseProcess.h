#pragma once
// Runs the zephse program built beside the tests as a child process with a chosen environment.
// The child ends itself with SIGALRM after a minute, so that a hung program cannot hang a test.

#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

class TZephseProcess {
 public:
  TZephseProcess() = default;
  TZephseProcess(const TZephseProcess&) = delete;
  TZephseProcess& operator=(const TZephseProcess&) = delete;
  ~TZephseProcess() {
    if (FPid > 0) {
      kill(FPid, SIGKILL);
      waitpid(FPid, nullptr, 0);
    }
    if (FErr >= 0) close(FErr);
  }

  // Starts the program with Args. Set holds "NAME=value" entries; names in Unset (and those Set
  // replaces) are removed from this process's environment for the child.
  bool Start(const std::vector<std::string>& Args, const std::vector<std::string>& Set = {},
             const std::vector<std::string>& Unset = {}) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      const std::string name = entry.substr(0, entry.find('='));
      bool drop = false;
      for (const std::string& u : Unset) drop = drop || u == name;
      for (const std::string& s : Set) drop = drop || s.substr(0, s.find('=')) == name;
      if (!drop) env.push_back(entry);
    }
    env.insert(env.end(), Set.begin(), Set.end());
    std::vector<std::string> args{ZEPHSE_PROGRAM};
    args.insert(args.end(), Args.begin(), Args.end());
    std::vector<char*> argv, envp;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    int fds[2];
    if (pipe(fds) != 0) return false;
    FPid = fork();
    if (FPid < 0) {
      close(fds[0]);
      close(fds[1]);
      return false;
    }
    if (FPid == 0) {
      dup2(fds[1], STDERR_FILENO);
      close(fds[0]);
      close(fds[1]);
      alarm(60);  // survives exec
      execve(argv[0], argv.data(), envp.data());
      _exit(127);
    }
    close(fds[1]);
    FErr = fds[0];
    return true;
  }

  // Waits for the program to end and returns its exit status (128 + signal when killed); its
  // standard error is in Stderr then. A program still running after TimeoutMs is killed.
  int Wait(int TimeoutMs = 30000) {
    if (const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, FPid, 0)); pidfd >= 0) {
      pollfd exited{pidfd, POLLIN, 0};
      if (poll(&exited, 1, TimeoutMs) == 0) kill(FPid, SIGKILL);
      close(pidfd);
    }
    char buffer[4096];
    ssize_t n;
    while ((n = read(FErr, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
      if (n > 0) Stderr.append(buffer, static_cast<size_t>(n));
    int status = 0;
    while (waitpid(FPid, &status, 0) < 0 && errno == EINTR) {
    }
    FPid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  // Runs the program to its end.
  int Run(const std::vector<std::string>& Args, const std::vector<std::string>& Set = {},
          const std::vector<std::string>& Unset = {}) {
    return Start(Args, Set, Unset) ? Wait() : -1;
  }

  std::string Stderr;

 private:
  pid_t FPid = -1;
  int FErr = -1;
};
