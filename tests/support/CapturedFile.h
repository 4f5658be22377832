#pragma once
// A temporary file a test hands out as a stream (a trace, a report) and reads
// back as text.

#include <cstdio>
#include <string>

namespace zul::test {

struct CapturedFile {
  std::FILE* file = std::tmpfile();
  CapturedFile() = default;
  CapturedFile(const CapturedFile&) = delete;
  CapturedFile& operator=(const CapturedFile&) = delete;
  ~CapturedFile() {
    if (file) std::fclose(file);
  }
  std::string Text() {
    std::fflush(file);
    std::rewind(file);
    std::string s;
    for (int ch; (ch = std::fgetc(file)) != EOF;) s += static_cast<char>(ch);
    return s;
  }
};

}  // namespace zul::test
