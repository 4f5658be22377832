#include "fuzz/CheckedPort.h"

#include <algorithm>
#include <cstring>

#include "devicelink/PassThroughBuffer.h"
#include "fuzz/Check.h"

namespace zul::fuzz {
namespace {

ScsiPassThroughHeader HeaderOf(const void* buffer) {
  ScsiPassThroughHeader h;
  std::memcpy(&h, buffer, sizeof h);
  return h;
}

}  // namespace

VolumeHandle CheckedPort::OpenVolume(const char* devicePath) {
  const char letter = sim::LetterOfDevicePath(devicePath);
  FUZZ_CHECK(letter != 0, "a volume is opened only by a path \\\\.\\D: to \\\\.\\Z:");
  const VolumeHandle h = Open(devicePath);
  if (h != kNoHandle) {
    FUZZ_CHECK(open_.insert(h).second, "the port handed out a handle twice");
  }
  PortEvent e;
  e.kind = PortEvent::Open;
  e.letter = letter;
  e.handle = h;
  events_.push_back(std::move(e));
  return h;
}

bool CheckedPort::PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                              std::uint32_t outSize) {
  // What the system would refuse, or where it would write outside the caller's buffer.
  FUZZ_CHECK(inSize <= outSize, "request larger than the output area");
  FUZZ_CHECK(inSize >= kHeaderLength, "request shorter than its header");
  FUZZ_CHECK(outSize <= sizeof(PassThroughBuffer), "output area beyond the buffer");
  const ScsiPassThroughHeader h = HeaderOf(buffer);
  FUZZ_CHECK(h.Length == kHeaderLength, "header length");
  FUZZ_CHECK(h.CdbLength == 6 || h.CdbLength == 16, "command block length");
  FUZZ_CHECK(h.DataIn == kDataIn, "every request reads from the device");
  FUZZ_CHECK(h.DataBufferOffset >= kHeaderLength, "data area overlaps the header");
  FUZZ_CHECK(std::uint64_t(h.DataBufferOffset) + h.DataTransferLength <= outSize,
             "data area reaches past the output size");
  FUZZ_CHECK(std::uint64_t(h.SenseInfoOffset) + h.SenseInfoLength <= h.DataBufferOffset,
             "sense area overlaps the data area");
  FUZZ_CHECK(h.SenseInfoOffset >= kHeaderLength, "sense area overlaps the header");

  PortEvent e;
  e.kind = PortEvent::Request;
  e.handle = handle;
  std::memcpy(e.cdb, h.Cdb, sizeof e.cdb);
  e.cdbLength = h.CdbLength;
  e.expected = h.DataTransferLength;
  if (handle != kNoHandle) {
    FUZZ_CHECK(open_.count(handle), "request on a handle that is not open");
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    e.ok = Answer(handle, bytes, inSize, outSize);
    if (e.ok) {
      // The system writes back how much arrived.
      const std::uint32_t arrived = HeaderOf(buffer).DataTransferLength;
      FUZZ_CHECK(arrived <= h.DataTransferLength, "more data arrived than asked for");
      e.data.assign(bytes + h.DataBufferOffset, bytes + h.DataBufferOffset + arrived);
      e.whole = HeaderOf(buffer).ScsiStatus == 0 && arrived == h.DataTransferLength;
    }
  }
  // The tool clears the data area before every request, so what did not
  // arrive reads as zero.
  e.data.resize(h.DataTransferLength, 0);
  const bool ok = e.ok;
  events_.push_back(std::move(e));
  return ok;
}

void CheckedPort::CloseVolume(VolumeHandle handle) {
  if (handle == kNoHandle) return;
  FUZZ_CHECK(open_.erase(handle) == 1, "closing a handle that is not open");
  Close(handle);
  PortEvent e;
  e.kind = PortEvent::Close;
  e.handle = handle;
  events_.push_back(std::move(e));
}

VolumeHandle ScriptedReplyPort::Open(const char*) {
  if (!script_.Opens()) return kNoHandle;
  return reinterpret_cast<VolumeHandle>(next_++);
}

bool ScriptedReplyPort::Answer(VolumeHandle, std::uint8_t* buffer, std::uint32_t, std::uint32_t) {
  ScsiPassThroughHeader h = HeaderOf(buffer);
  const Reply r = script_.Answer(h.DataTransferLength);
  if (!r.ok) return false;
  std::copy(r.data.begin(), r.data.end(), buffer + h.DataBufferOffset);
  if (r.scsiStatus != 0) {
    // Fixed-format sense data, as far as the caller made room for it.
    const std::uint8_t sense[18] = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24};
    std::memcpy(buffer + h.SenseInfoOffset, sense, std::min<std::size_t>(h.SenseInfoLength, 18));
  }
  h.ScsiStatus = r.scsiStatus;
  h.DataTransferLength = static_cast<std::uint32_t>(r.data.size());
  std::memcpy(buffer, &h, sizeof h);
  return true;
}

VolumeHandle RecordingPort::Open(const char* devicePath) {
  const VolumeHandle h = drives_.OpenVolume(devicePath);
  script_.Open(h != kNoHandle);
  return h;
}

bool RecordingPort::Answer(VolumeHandle handle, std::uint8_t* buffer, std::uint32_t inSize,
                           std::uint32_t outSize) {
  Reply r;
  r.ok = drives_.PassThrough(handle, buffer, inSize, outSize);
  if (r.ok) {
    const ScsiPassThroughHeader h = HeaderOf(buffer);
    r.scsiStatus = h.ScsiStatus;
    r.data.assign(buffer + h.DataBufferOffset, buffer + h.DataBufferOffset + h.DataTransferLength);
  }
  script_.Answer(r);
  return r.ok;
}

}  // namespace zul::fuzz
