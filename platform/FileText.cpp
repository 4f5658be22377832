#include "platform/FileText.h"

#include <atomic>
#include <fstream>
#include <sstream>

#include "platform/FilePath.h"
#include "platform/SystemFiles.h"

namespace zul::platform {
namespace {

std::atomic<unsigned> temporaryCount{0};

}  // namespace

// The process and a count, so that no two writers, in one process or in
// several, ever share a temporary file.
std::string TemporaryName(const std::string& path) {
  return path + ".tmp-" + std::to_string(CurrentProcessNumber()) + "-" +
         std::to_string(temporaryCount++);
}

bool ReadFileText(const std::string& path, std::string& text) {
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return false;
  text = bytes.str();
  return true;
}

bool WriteFileReplacing(const std::string& path, const std::string& text, std::string& error) {
  std::string temporary;
  return WriteTemporary(path, text, temporary, error) && RenameOver(temporary, path, error);
}

}  // namespace zul::platform
