#include "platform/TraceFile.h"

#include "platform/FilePath.h"

namespace zul::platform {

std::FILE* OpenTraceFile(const std::string& path) {
  // A new file takes the rights of its folder, which keeps other users'
  // profiles out.
  return _wfopen(PathFromUtf8(path).c_str(), L"wb");
}

}  // namespace zul::platform
