#include "cli/ProgramConsole.h"

#include "cli/win32/ConsoleStreams.h"
#include "platform/win32/WideText.h"

namespace zul::cli {

ProgramConsole::ProgramConsole(int argc, char** argv, std::ostream& out, std::ostream& err)
    : args_{argc > 0 ? argv[0] : "zulctl"}, console_(std::make_shared<ConsoleStreams>(out, err)) {
  for (std::string& a : platform::Utf8Arguments()) args_.push_back(std::move(a));
  for (const std::string& a : args_) argv_.push_back(a.c_str());
  argv_.push_back(nullptr);
}

}  // namespace zul::cli
