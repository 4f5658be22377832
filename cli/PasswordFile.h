#pragma once
// --password-file FILE: the passwords zulctl would read from standard input,
// from a file that only its owner may read or write (a service's password
// lives in one). posix/ and win32/ each define OpenPasswordFile.

#include <cstdio>
#include <memory>
#include <string>

namespace zul::cli {

struct CloseFile {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, CloseFile>;

// FILE (UTF-8) open for reading, unbuffered as standard input is (no stdio
// buffer keeps a copy of a line); nothing, with error naming FILE, when it
// cannot be read or when others than its owner may read or write it (POSIX:
// any of the mode's group and other bits; Windows: its access list lets
// Everyone, Users or Authenticated Users read or write it).
FileHandle OpenPasswordFile(const std::string& path, std::string& error);

}  // namespace zul::cli
