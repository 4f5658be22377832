#pragma once
// The operating system's half of TraceLog: win32/ and posix/ each define it,
// and the build takes one of the two.

#include <cstdio>
#include <string>

namespace zul::platform {

// The file at path opened for writing, emptied; created readable by its owner
// only when missing (a trace shows serial numbers and the texts sent), an
// existing file keeping its mode. nullptr when it cannot be opened.
std::FILE* OpenTraceFile(const std::string& path);

}  // namespace zul::platform
