#include "tests/cli/Spawn.h"

#include <windows.h>

#include <mutex>

#include "platform/win32/WideText.h"
#include "tests/cli/SpawnSystem.h"

namespace zul::test {
namespace {

namespace fs = std::filesystem;

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
  const std::wstring exe = platform::WideFromUtf8(WindowsPath(program));
  std::string commandLine = Quote(WindowsPath(program));
  for (const std::string& a : args) commandLine += " " + Quote(a);
  std::wstring wideLine = platform::WideFromUtf8(commandLine);
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

}  // namespace

int Spawn(const std::string& program, const std::vector<std::string>& args, const fs::path& in,
          const fs::path& out, const fs::path& err) {
  std::unique_lock<std::mutex> hold(Inheritance());
  Handle hIn{
      CreateFileW(in.c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit, OPEN_EXISTING, 0, nullptr)};
  Handle hOut{CreateFileW(out.c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, nullptr)};
  Handle hErr{CreateFileW(err.c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, nullptr)};
  // No console at all: one made for it would be a process of its own that
  // inherits the files and keeps them open after the program ends.
  return SpawnWith(program, args, hold, {&hIn, &hOut, &hErr}, hIn.h, hOut.h, hErr.h,
                   DETACHED_PROCESS);
}

int RunOnConsole(const std::string& program, const std::vector<std::string>& args) {
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  const DWORD access = GENERIC_READ | GENERIC_WRITE;
  std::unique_lock<std::mutex> hold(Inheritance());
  Handle in{CreateFileW(L"CONIN$", access, share, &inherit, OPEN_EXISTING, 0, nullptr)};
  Handle out{CreateFileW(L"CONOUT$", access, share, &inherit, OPEN_EXISTING, 0, nullptr)};
  const HANDLE console = out.h;  // for both output and errors
  return SpawnWith(program, args, hold, {&in, &out}, in.h, console, console, 0);
}

RunningProgram::RunningProgram(const std::string& program, const std::vector<std::string>& args,
                               const fs::path& workDir, const std::string& name, Start start)
    : out_(workDir / (name + "-stdout.txt")), err_(workDir / (name + "-stderr.txt")) {
  std::unique_lock<std::mutex> hold(Inheritance());
  HANDLE read = nullptr, write = nullptr;
  if (start == Start::Alone) {
    read = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       OPEN_EXISTING, 0, nullptr);
  } else if (CreatePipe(&read, &write, &inherit, 0)) {
    SetHandleInformation(write, HANDLE_FLAG_INHERIT, 0);  // the child gets the reading end only
  } else {
    return;
  }
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

void RunningProgram::Stop(int) {
  if (process_ && !finished_) TerminateProcess(static_cast<HANDLE>(process_), kStoppedAtOnce);
}

int RunningProgram::WaitForEnd() {
  const HANDLE process = static_cast<HANDLE>(process_);
  process_ = nullptr;
  if (process && WaitForSingleObject(process, 60000) == WAIT_TIMEOUT) {
    TerminateProcess(process, 1);
    EndOf(process);
    return -1;
  }
  return EndOf(process);
}

}  // namespace zul::test
