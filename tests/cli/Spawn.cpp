#include "tests/cli/Spawn.h"

#include <chrono>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "tests/cli/SpawnSystem.h"
#include "tests/support/Files.h"

namespace zul::test {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  const std::string s = ReadFileBytes(path);
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
    out += s[i];
  }
  return out;
}

}  // namespace

std::mutex& Inheritance() {
  static std::mutex inheritance;
  return inheritance;
}

ProgramRun RunningProgram::Finish() {
  CloseInput();
  if (!finished_) {
    finished_ = true;
    run_.exitCode = WaitForEnd();
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
    const std::lock_guard<std::mutex> hold(Inheritance());  // no child takes the open file along
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
    const std::lock_guard<std::mutex> hold(Inheritance());
    std::ofstream(in, std::ios::binary) << input;
  }
  ProgramRun run;
  run.exitCode = Spawn(program, args, in, out, err);
  const std::lock_guard<std::mutex> hold(Inheritance());
  run.out = ReadText(out);
  run.err = ReadText(err);
  return run;
}

}  // namespace zul::test
