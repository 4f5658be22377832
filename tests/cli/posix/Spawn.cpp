#include "tests/cli/Spawn.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <thread>

#include "tests/cli/SpawnSystem.h"

extern char** environ;

namespace zul::test {
namespace {

namespace fs = std::filesystem;

// Starts program with standard input from inFd (when >= 0) or the file in;
// its process id, or -1. alone: in a session of its own, so without a
// controlling terminal.
pid_t Start(const std::string& program, const std::vector<std::string>& args, int inFd,
            const fs::path& in, const fs::path& out, const fs::path& err, bool alone = false) {
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (alone) posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (inFd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, inFd, 0);
  } else {
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
  }
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ) != 0) {
    pid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return pid;
}

// The exit code, or -1 when it did not end normally (or not within limit,
// when given: then it is killed).
int EndOf(pid_t pid, std::optional<std::chrono::seconds> limit = std::nullopt) {
  if (pid <= 0) return -1;
  int status = 0;
  if (limit) {
    const auto end = std::chrono::steady_clock::now() + *limit;
    pid_t ended = 0;
    while ((ended = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (ended == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    kill(pid, SIGKILL);
  }
  if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) return WEXITSTATUS(status);
  return -1;
}

}  // namespace

int Spawn(const std::string& program, const std::vector<std::string>& args, const fs::path& in,
          const fs::path& out, const fs::path& err) {
  return EndOf(Start(program, args, -1, in, out, err));
}

ProgramRun RunOnTerminal(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& lines, const std::string& prompt) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int terminal = -1;
  const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
  ProgramRun run;
  if (pid < 0) return run;
  if (pid == 0) {
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  std::size_t typed = 0;
  std::size_t seen = 0;  // output already matched against a prompt
  for (;;) {
    pollfd p{terminal, POLLIN, 0};
    if (poll(&p, 1, 60000) <= 0) break;  // nothing for a minute: give up (slow under load)
    char chunk[256];
    const ssize_t n = read(terminal, chunk, sizeof chunk);
    if (n <= 0) break;  // the program ended and closed the terminal
    run.out.append(chunk, static_cast<std::size_t>(n));
    const std::size_t at = run.out.find(prompt, seen);
    if (typed < lines.size() && at != std::string::npos) {
      seen = at + prompt.size();
      const std::string line = lines[typed] == "\x03" ? lines[typed] : lines[typed] + "\n";
      ++typed;
      if (write(terminal, line.data(), line.size()) != static_cast<ssize_t>(line.size())) break;
    }
  }
  int status = 0;
  if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  termios mode;
  run.echoAtEnd = tcgetattr(terminal, &mode) == 0 && (mode.c_lflag & ECHO) != 0;
  close(terminal);
  return run;
}

RunningProgram::RunningProgram(const std::string& program, const std::vector<std::string>& args,
                               const fs::path& workDir, const std::string& name, Start start)
    : out_(workDir / (name + "-stdout.txt")), err_(workDir / (name + "-stderr.txt")) {
  if (start == Start::Alone) {
    process_ = zul::test::Start(program, args, -1, "/dev/null", out_, err_, true);
    started_ = process_ > 0;
    return;
  }
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return;  // neither end goes to other programs
  process_ = zul::test::Start(program, args, ends[0], {}, out_, err_);
  close(ends[0]);
  input_ = ends[1];
  started_ = process_ > 0;
}

void RunningProgram::Write(const std::string& text) {
  if (input_ >= 0 && write(input_, text.data(), text.size()) < 0) CloseInput();
}

void RunningProgram::CloseInput() {
  if (input_ >= 0) close(input_);
  input_ = -1;
}

void RunningProgram::Stop(int signal) {
  if (process_ > 0 && !finished_) kill(process_, signal);
}

int RunningProgram::WaitForEnd() {
  return EndOf(process_, std::chrono::minutes(1));
}

}  // namespace zul::test
