// zulctl: the camera's login, settings and texts from the command line.

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Zulctl.h"
#if defined(_WIN32)
#include "cli/win32/ConsoleStreams.h"
#include "platform/win32/WideText.h"
#endif

int main(int argc, char** argv) {
  // Unbuffered, so that no stdio buffer keeps a copy of a password line.
  std::setvbuf(stdin, nullptr, _IONBF, 0);
#if defined(_WIN32)
  // File names and texts travel as UTF-8: taken from the UTF-16 command line,
  // as the ANSI one has lost whatever the PC's code page cannot hold.
  const std::vector<std::string> args = zul::platform::Utf8Arguments();
  std::vector<const char*> utf8Argv{argc > 0 ? argv[0] : "zulctl"};
  for (const std::string& a : args) utf8Argv.push_back(a.c_str());
  utf8Argv.push_back(nullptr);
  const zul::cli::ConsoleStreams console(std::cout, std::cerr);
  return zul::cli::RunZulctl(static_cast<int>(args.size() + 1), utf8Argv.data(), stdin, std::cout,
                             std::cerr);
#else
  return zul::cli::RunZulctl(argc, argv, stdin, std::cout, std::cerr);
#endif
}
