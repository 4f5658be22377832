// zulctl: the camera's login, settings and texts from the command line.

#include <cstdio>
#include <iostream>

#include "Zulctl.h"

int main(int argc, char** argv) {
  // Unbuffered, so that no stdio buffer keeps a copy of a password line.
  std::setvbuf(stdin, nullptr, _IONBF, 0);
  return zul::cli::RunZulctl(argc, argv, stdin, std::cout, std::cerr);
}
