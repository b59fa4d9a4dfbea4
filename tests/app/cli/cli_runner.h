// Runs the built vectorlume program as a child process: with stdout and stderr captured through
// pipes, or on a pseudo-terminal (so that it draws its progress line) for the Ctrl+C tests.
#pragma once

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

namespace vl::app::test {

// The program under test: the build passes its path; otherwise it lies beside this test.
inline std::string BinaryPath() {
#ifdef VL_BINARY
  return VL_BINARY;
#else
  std::error_code ec;
  return (std::filesystem::read_symlink("/proc/self/exe", ec).parent_path() / "vectorlume")
      .string();
#endif
}

struct RunResult {
  int status = -1;  // exit status; -1 when the child did not exit normally
  std::string out, err;
};

// The child's environment: ours, with TMPDIR (the scratch base) replaced when given.
inline std::vector<std::string> ChildEnvironment(const std::string& tmpdir) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    std::string entry = *e;
    if (!tmpdir.empty() && entry.rfind("TMPDIR=", 0) == 0) continue;
    env.push_back(entry);
  }
  if (!tmpdir.empty()) env.push_back("TMPDIR=" + tmpdir);
  return env;
}

// Replaces the child with the program; never returns.
[[noreturn]] inline void ExecProgram(const std::vector<std::string>& args, const std::string& tmpdir) {
  const std::string binary = BinaryPath();
  std::vector<std::string> env = ChildEnvironment(tmpdir);
  std::vector<char*> argv{const_cast<char*>(binary.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  ::execve(binary.c_str(), argv.data(), envp.data());
  ::_exit(127);
}

inline int ExitStatusOf(pid_t pid) {
  int raw = 0;
  if (::waitpid(pid, &raw, 0) != pid || !WIFEXITED(raw)) return -1;
  return WEXITSTATUS(raw);
}

inline RunResult RunProgram(const std::vector<std::string>& args, const std::string& tmpdir = "") {
  RunResult result;
  int out[2], err[2];
  if (::pipe(out) != 0 || ::pipe(err) != 0) return result;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    ::close(out[0]);
    ::close(err[0]);
    ExecProgram(args, tmpdir);
  }
  ::close(out[1]);
  ::close(err[1]);
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  while (open > 0 && ::poll(fds, 2, -1) > 0) {
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  result.status = ExitStatusOf(pid);
  return result;
}

// The program running on a pseudo-terminal (stdout and stderr both go to it).
struct TerminalChild {
  pid_t pid = -1;
  int master = -1;
  std::string seen;  // everything it wrote so far

  // Reads until `needle` appears (true), the child closes the terminal or the time runs out.
  bool waitFor(const std::string& needle, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (seen.find(needle) == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd fd{master, POLLIN, 0};
      if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
      char buffer[4096];
      const ssize_t n = ::read(master, buffer, sizeof buffer);
      if (n <= 0) return false;
      seen.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
  }
  // Reads what is left and waits for the exit status.
  int finish() {
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(master, buffer, sizeof buffer)) > 0) seen.append(buffer, std::size_t(n));
    ::close(master);
    master = -1;
    return ExitStatusOf(pid);
  }
};

inline TerminalChild RunOnTerminal(const std::vector<std::string>& args, const std::string& tmpdir) {
  TerminalChild child;
  child.pid = ::forkpty(&child.master, nullptr, nullptr, nullptr);
  if (child.pid == 0) ExecProgram(args, tmpdir);
  return child;
}

}  // namespace vl::app::test
