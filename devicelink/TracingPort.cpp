#include "devicelink/TracingPort.h"

#include <cstring>

#include "devicelink/CommandCatalogue.h"
#include "devicelink/PassThroughBuffer.h"
#include "platform/SecureWipe.h"

namespace zul {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendHex(std::string& out, std::uint8_t b) {
  out += kHex[b >> 4];
  out += kHex[b & 15];
}

std::uint32_t VendorCode(const unsigned char* cdb, unsigned cdbLength) {
  if (cdbLength < 16 || cdb[3] != kVendorMarker) return 0;
  return std::uint32_t(cdb[4]) << 24 | std::uint32_t(cdb[5]) << 16 | std::uint32_t(cdb[6]) << 8 |
         cdb[7];
}

// Password chunks: their length byte and characters (command bytes 10-15, and
// answer bytes 2-7, in case a camera echoes them), and whatever of them a
// password check carries back to the camera. The check's verdict and count
// (answer bytes 0-1) stay readable.
bool MasksCharacters(const unsigned char* cdb, unsigned cdbLength) {
  const std::uint32_t code = VendorCode(cdb, cdbLength);
  if (code == CMD_WRITE_TEXT_CHUNK) return cdb[8] == 4 || cdb[8] == 6;
  return code == CMD_CHECK_PASSWORD;
}

}  // namespace

std::string FormatTraceLine(const std::string& path, const unsigned char* cdb, unsigned cdbLength,
                            const unsigned char* data, unsigned n, bool ok) {
  const bool mask = MasksCharacters(cdb, cdbLength);
  std::string line = path;
  for (unsigned i = 0; i < cdbLength; ++i) {
    line += ' ';
    if (mask && i >= 10) {
      line += "**";
    } else {
      AppendHex(line, cdb[i]);
    }
  }
  line += " ->";
  if (!ok) return line + " failed";
  for (unsigned i = 0; i < n; ++i) {
    line += ' ';
    if (mask && i >= 2 && i < 8) {
      line += "**";
    } else {
      AppendHex(line, data[i]);
    }
  }
  return line;
}

VolumeHandle TracingPort::OpenVolume(const char* devicePath) {
  VolumeHandle h = inner_.OpenVolume(devicePath);
  if (h != kNoHandle) {  // failed opens are not traced
    const std::lock_guard<std::mutex> lock(mutex_);
    paths_[h] = devicePath;
  }
  return h;
}

bool TracingPort::PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                              std::uint32_t outSize) {
  // Read what the trace needs before the system overwrites the header.
  platform::Wiped<ScsiPassThroughHeader> before;  // its Cdb may hold password characters
  std::memcpy(static_cast<ScsiPassThroughHeader*>(&before), buffer, sizeof(ScsiPassThroughHeader));
  const bool ok = inner_.PassThrough(handle, buffer, inSize, outSize);
  std::string path = "(no device)";
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto it = paths_.find(handle);
    if (it != paths_.end()) path = it->second;
  }
  unsigned cdbLength = before.CdbLength <= 16 ? before.CdbLength : 16;
  // Show no more than the system could have written.
  std::uint32_t n = before.DataTransferLength;
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  const std::uint64_t offset = before.DataBufferOffset;
  if (offset > outSize)
    n = 0;
  else if (n > outSize - offset)
    n = static_cast<std::uint32_t>(outSize - offset);
  log_.WriteLine(FormatTraceLine(path, before.Cdb, cdbLength, bytes + offset, n, ok));
  return ok;
}

void TracingPort::CloseVolume(VolumeHandle handle) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    paths_.erase(handle);
  }
  inner_.CloseVolume(handle);
}

}  // namespace zul
