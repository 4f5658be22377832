#pragma once
// Runs a program the way a shell would: arguments, standard input from a
// text, standard output and error captured, exit status. Native on Linux and
// on Windows (so the Windows tests under Wine start the Windows program).

#include <filesystem>
#include <string>
#include <vector>

namespace zul::test {

struct ProgramRun {
  int exitCode = -1;
  std::string out;  // line breaks as "\n" whatever the platform wrote
  std::string err;
  bool echoAtEnd = false;  // RunOnTerminal: the terminal echoes again after the program
};

// Runs program with args in workDir; input is what it reads on standard
// input. The streams go through files in workDir, so nothing can block on a
// full pipe.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& input, const std::filesystem::path& workDir);

// A program started and left running: its standard input a pipe that the
// test writes to and closes (or, started alone, no input and no terminal),
// its output and errors in files (NAME-stdout.txt, NAME-stderr.txt in
// workDir) read while it runs. The pipe's end kept here is never inherited,
// so programs started meanwhile cannot hold the input open.
class RunningProgram {
 public:
  enum class Start {
    WithInput,
    // POSIX: in a session of its own, with no terminal, standard input
    // /dev/null, as a service manager starts it.
    Alone,
  };
  RunningProgram(const std::string& program, const std::vector<std::string>& args,
                 const std::filesystem::path& workDir, const std::string& name,
                 Start start = Start::WithInput);
  // Stops it as Finish does.
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool started() const { return started_; }
  void Write(const std::string& text);
  void CloseInput();
  // Waits up to a minute until the output (errors: the errors) holds text,
  // at least times times.
  bool WaitFor(const std::string& text, int times = 1, bool errors = false);
  // Asks it to stop: on POSIX with signal (SIGINT as Ctrl-C on a terminal
  // gives it, SIGTERM as a service manager does). On Windows it is ended at
  // once, whatever the signal (exit code kStoppedAtOnce, nothing more
  // written): under Wine a Ctrl-Break sent to a child's process group
  // (GenerateConsoleCtrlEvent) never reaches its handler.
  void Stop(int signal);
  static constexpr int kStoppedAtOnce = 99;
  // Closes the input and waits for the end (a minute at most, then kills it:
  // exit code -1): exit code, output and errors.
  ProgramRun Finish();

 private:
  int WaitForEnd();  // the exit code, or -1

  std::filesystem::path out_, err_;
  bool started_ = false;
  bool finished_ = false;
  ProgramRun run_;
#if defined(_WIN32)
  void* process_ = nullptr;
  void* input_ = nullptr;
#else
  int process_ = -1;
  int input_ = -1;
#endif
};

#if defined(_WIN32)
// Runs program with this process's console as its standard input, output and
// error, as a console's shell does; returns its exit code. The console shows
// what it wrote (test::ConsoleText).
int RunOnConsole(const std::string& program, const std::vector<std::string>& args);
#else
// Runs program on a terminal of its own (a pseudo-terminal): each line of
// lines is typed once the output so far ends with prompt. Everything the
// terminal showed, echo included, is in out. A line "\x03" is typed as a
// Ctrl-C alone.
ProgramRun RunOnTerminal(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& lines, const std::string& prompt);
#endif

}  // namespace zul::test
