#include "Spawn.h"

#include <chrono>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "support/Files.h"

#if defined(_WIN32)
#include <windows.h>

#include "win32/WideText.h"
#else
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;
#endif

namespace zul::test {
namespace {

namespace fs = std::filesystem;

// Programs may be run from several threads at once. On Windows a child
// inherits every inheritable handle open in the parent as it starts, the C
// runtime's files included, and would then hold another run's files open: the
// files of a run are opened, handed over and closed under this lock.
std::mutex inheritance;

std::string ReadText(const fs::path& path) {
  const std::string s = ReadFileBytes(path);
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
    out += s[i];
  }
  return out;
}

#if defined(_WIN32)

// One argument as the C runtime's command-line parser reads it back.
std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string q = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    q.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    q += c;
  }
  q.append(2 * backslashes, '\\');
  return q + "\"";
}

// CMake gives the build's paths in the host's form; under Wine the host's
// root is drive Z:.
std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// Closes its handle when done, or when told to.
struct Handle {
  HANDLE h;
  void Close() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    h = INVALID_HANDLE_VALUE;
  }
  ~Handle() { Close(); }
};

SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};

// Runs program with the three standard handles (inheritable) and waits for
// its exit code; -1 when any handle is missing or it cannot start. flags:
// CreateProcess's creation flags. The caller opened the handles under hold;
// once the child has its copies they are closed and the lock let go.
// Starts program as SpawnWith does, without waiting: its process handle, or
// nullptr.
HANDLE StartWith(const std::string& program, const std::vector<std::string>& args,
                 std::unique_lock<std::mutex>& hold, std::initializer_list<Handle*> handles,
                 HANDLE in, HANDLE out, HANDLE err, DWORD flags) {
  for (HANDLE h : {in, out, err}) {
    if (h == INVALID_HANDLE_VALUE) return nullptr;
  }
  // Arguments are UTF-8 and go over as UTF-16, as a shell hands them over.
  const std::wstring exe = WideFromUtf8(WindowsPath(program));
  std::string commandLine = Quote(WindowsPath(program));
  for (const std::string& a : args) commandLine += " " + Quote(a);
  std::wstring wideLine = WideFromUtf8(commandLine);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = in;
  si.hStdOutput = out;
  si.hStdError = err;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), wideLine.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                      &si, &pi)) {
    return nullptr;
  }
  for (Handle* h : handles) h->Close();  // the child has its own
  hold.unlock();
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

// Waits for the process to end; its exit code, or -1.
int EndOf(HANDLE process) {
  if (!process) return -1;
  WaitForSingleObject(process, INFINITE);
  DWORD exitCode = 0;
  const int code = GetExitCodeProcess(process, &exitCode) ? static_cast<int>(exitCode) : -1;
  CloseHandle(process);
  return code;
}

int SpawnWith(const std::string& program, const std::vector<std::string>& args,
              std::unique_lock<std::mutex>& hold, std::initializer_list<Handle*> handles, HANDLE in,
              HANDLE out, HANDLE err, DWORD flags) {
  return EndOf(StartWith(program, args, hold, handles, in, out, err, flags));
}

int Spawn(const std::string& program, const std::vector<std::string>& args, const fs::path& in,
          const fs::path& out, const fs::path& err) {
  std::unique_lock<std::mutex> hold(inheritance);
  Handle hIn{
      CreateFileW(in.c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit, OPEN_EXISTING, 0, nullptr)};
  Handle hOut{
      CreateFileW(out.c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, nullptr)};
  Handle hErr{
      CreateFileW(err.c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, nullptr)};
  // No console at all: one made for it would be a process of its own that
  // inherits the files and keeps them open after the program ends.
  return SpawnWith(program, args, hold, {&hIn, &hOut, &hErr}, hIn.h, hOut.h, hErr.h,
                   DETACHED_PROCESS);
}

#else

// Starts program with standard input from inFd (when >= 0) or the file in;
// its process id, or -1.
pid_t Start(const std::string& program, const std::vector<std::string>& args, int inFd,
            const fs::path& in, const fs::path& out, const fs::path& err) {
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
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int EndOf(pid_t pid) {
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) return WEXITSTATUS(status);
  return -1;
}

int Spawn(const std::string& program, const std::vector<std::string>& args, const fs::path& in,
          const fs::path& out, const fs::path& err) {
  return EndOf(Start(program, args, -1, in, out, err));
}

#endif

}  // namespace

#if !defined(_WIN32)

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

#endif

#if defined(_WIN32)

int RunOnConsole(const std::string& program, const std::vector<std::string>& args) {
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  const DWORD access = GENERIC_READ | GENERIC_WRITE;
  std::unique_lock<std::mutex> hold(inheritance);
  Handle in{CreateFileW(L"CONIN$", access, share, &inherit, OPEN_EXISTING, 0, nullptr)};
  Handle out{CreateFileW(L"CONOUT$", access, share, &inherit, OPEN_EXISTING, 0, nullptr)};
  const HANDLE console = out.h;  // for both output and errors
  return SpawnWith(program, args, hold, {&in, &out}, in.h, console, console, 0);
}

#endif

#if defined(_WIN32)

RunningProgram::RunningProgram(const std::string& program, const std::vector<std::string>& args,
                               const fs::path& workDir, const std::string& name)
    : out_(workDir / (name + "-stdout.txt")), err_(workDir / (name + "-stderr.txt")) {
  std::unique_lock<std::mutex> hold(inheritance);
  HANDLE read = nullptr, write = nullptr;
  if (!CreatePipe(&read, &write, &inherit, 0)) return;
  SetHandleInformation(write, HANDLE_FLAG_INHERIT, 0);  // the child gets the reading end only
  Handle hIn{read};
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  Handle hOut{CreateFileW(out_.c_str(), GENERIC_WRITE, share, &inherit, CREATE_ALWAYS, 0, nullptr)};
  Handle hErr{CreateFileW(err_.c_str(), GENERIC_WRITE, share, &inherit, CREATE_ALWAYS, 0, nullptr)};
  process_ =
      StartWith(program, args, hold, {&hIn, &hOut, &hErr}, hIn.h, hOut.h, hErr.h, DETACHED_PROCESS);
  input_ = write;
  started_ = process_ != nullptr;
}

void RunningProgram::Write(const std::string& text) {
  DWORD n = 0;
  if (input_) WriteFile(input_, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
}

void RunningProgram::CloseInput() {
  if (input_) CloseHandle(input_);
  input_ = nullptr;
}

#else

RunningProgram::RunningProgram(const std::string& program, const std::vector<std::string>& args,
                               const fs::path& workDir, const std::string& name)
    : out_(workDir / (name + "-stdout.txt")), err_(workDir / (name + "-stderr.txt")) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return;  // neither end goes to other programs
  process_ = Start(program, args, ends[0], {}, out_, err_);
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

void RunningProgram::Interrupt() {
  if (process_ > 0 && !finished_) kill(process_, SIGINT);
}

#endif

ProgramRun RunningProgram::Finish() {
  CloseInput();
  if (!finished_) {
    finished_ = true;
    run_.exitCode = EndOf(process_);
    run_.out = ReadText(out_);
    run_.err = ReadText(err_);
  }
  return run_;
}

RunningProgram::~RunningProgram() {
  Finish();
}

bool RunningProgram::WaitFor(const std::string& text, int times, bool errors) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  const auto seen = [&] {
    const std::lock_guard<std::mutex> hold(inheritance);  // no child takes the open file along
    return ReadText(errors ? err_ : out_);
  };
  const auto count = [&] {
    const std::string all = seen();
    int n = 0;
    for (std::size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) ++n;
    return n;
  };
  while (count() < times) {
    if (!started_ || std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& input, const fs::path& workDir) {
  const fs::path in = workDir / "stdin.txt", out = workDir / "stdout.txt",
                 err = workDir / "stderr.txt";
  {
    const std::lock_guard<std::mutex> hold(inheritance);
    std::ofstream(in, std::ios::binary) << input;
  }
  ProgramRun run;
  run.exitCode = Spawn(program, args, in, out, err);
  const std::lock_guard<std::mutex> hold(inheritance);
  run.out = ReadText(out);
  run.err = ReadText(err);
  return run;
}

}  // namespace zul::test
