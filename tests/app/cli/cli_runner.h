// Runs the built vectorlume program through the shell: with stdout and stderr captured in
// files, or on a pseudo-terminal (so that it draws its progress line) for the Ctrl+C test.
#pragma once

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/app/app_fixtures.h"

namespace vl::app::test {

using Args = std::vector<std::string>;

// Arguments single-quoted (no test's contains a quote); TMPDIR, the scratch base, set when
// given. The program replaces the shell, so the child's id is the program's.
inline std::string CommandLine(const std::vector<std::string>& args, const std::string& tmpdir) {
  std::string line = (tmpdir.empty() ? "" : "TMPDIR='" + tmpdir + "' ") + "exec '" VL_BINARY "'";
  for (const std::string& a : args) line += " '" + a + "'";
  return line;
}

inline int ExitStatus(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1; }

struct RunResult {
  int status = -1;  // -1 when the program did not exit normally
  std::string out, err;
};

// Input from /dev/null, so that a prompt could never wait for an answer.
inline RunResult RunProgram(const std::vector<std::string>& args) {
  TempDir io;
  const std::string redirect = " </dev/null >" + (io / "out") + " 2>" + (io / "err");
  const int raw = std::system((CommandLine(args, "") + redirect).c_str());
  return {ExitStatus(raw), ReadFile(io / "out"), ReadFile(io / "err")};
}

// Thousands of small rings with holes: slow enough to convert that a signal lands mid-file.
inline bool WriteRings(const std::string& path) {
  return WriteBilevelTiff(path, 2400, 2400, [](int x, int y) {
    const int dx = x % 24 - 12, dy = y % 24 - 12, r2 = dx * dx + dy * dy;
    return r2 <= 81 && r2 >= 16;
  });
}

// The program on a pseudo-terminal (stdout and stderr both go to it).
struct TerminalChild {
  int master = -1;
  pid_t pid;
  std::string seen;  // everything it wrote so far

  TerminalChild(const std::vector<std::string>& args, const std::string& tmpdir)
      : pid(::forkpty(&master, nullptr, nullptr, nullptr)) {
    const std::string line = CommandLine(args, tmpdir);
    if (pid == 0) ::_exit(::execl("/bin/sh", "sh", "-c", line.c_str(), nullptr));
  }
  // Reads until `needle` appears (true) or the terminal closes; ctest's timeout ends a hang.
  bool waitFor(const std::string& needle) {
    char buffer[4096];
    for (ssize_t n; seen.find(needle) == std::string::npos; seen.append(buffer, std::size_t(n)))
      if ((n = ::read(master, buffer, sizeof buffer)) <= 0) return false;
    return true;
  }
  // Reads until the terminal closes (a NUL is never written); the exit status.
  int finish() {
    waitFor(std::string(1, '\0'));
    ::close(master);
    int raw = 0;
    return ::waitpid(pid, &raw, 0) == pid ? ExitStatus(raw) : -1;
  }
};

}  // namespace vl::app::test
