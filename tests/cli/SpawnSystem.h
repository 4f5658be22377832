#pragma once
// The system's half of Spawn.cpp: win32/ and posix/ each define Spawn.

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace zul::test {

// Programs may be run from several threads at once. On Windows a child
// inherits every inheritable handle open in the parent as it starts, the C
// runtime's files included, and would then hold another run's files open: the
// files of a run are opened, handed over and closed under this lock.
std::mutex& Inheritance();

// Runs program with standard input, output and error from and to the files;
// its exit code, or -1 when it cannot start or did not end normally.
int Spawn(const std::string& program, const std::vector<std::string>& args,
          const std::filesystem::path& in, const std::filesystem::path& out,
          const std::filesystem::path& err);

}  // namespace zul::test
