#include "cli/Secret.h"

#include "cli/Terminal.h"

namespace zul::cli {

bool ReadSecretLine(std::FILE* in, const char* prompt, std::ostream& prompts, Secret& secret) {
  secret.buffer_.Wipe();
  secret.kept_ = secret.length_ = 0;
  EchoOff echoOff(in);
  if (echoOff.terminal()) prompts << prompt << std::flush;
  int c = EOF;
  bool any = false;
  bool pendingReturn = false;  // a carriage return held back until we know what follows
  while ((c = std::fgetc(in)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (pendingReturn) {
      if (secret.kept_ < Secret::kKept) secret.buffer_[secret.kept_++] = '\r';
      ++secret.length_;
    }
    pendingReturn = c == '\r';
    if (pendingReturn) continue;
    if (secret.kept_ < Secret::kKept) secret.buffer_[secret.kept_++] = static_cast<char>(c);
    ++secret.length_;
  }
  if (echoOff.terminal()) prompts << "\n" << std::flush;  // the Enter that was not echoed
  return any;
}

}  // namespace zul::cli
