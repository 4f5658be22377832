#pragma once
// The camera's side of a session as a byte string: what each volume open and
// each pass-through request gets. The fuzz target reads it; the seed maker
// writes it while a simulated camera answers, so both sides share one format:
//
//   open:     1 byte   bit 0 set: the volume opens
//   request:  1 byte   bit 0 set: the system call succeeds (nothing follows otherwise)
//             1 byte   SCSI status
//             2 bytes  data bytes that arrive, little-endian, taken modulo
//                      DataTransferLength + 1
//             n bytes  the data
//
// Past the end every byte reads as zero: volumes stop opening and requests
// fail, so a short input ends its session quickly.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zul::fuzz {

struct Reply {
  bool ok = false;
  std::uint8_t scsiStatus = 0;
  std::vector<std::uint8_t> data;
};

class ScriptReader {
 public:
  ScriptReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Opens() { return Byte() & 1; }

  // The answer to a request that asks for up to expected bytes.
  Reply Answer(std::uint32_t expected) {
    Reply r;
    r.ok = Byte() & 1;
    if (!r.ok) return r;
    r.scsiStatus = Byte();
    const std::uint32_t wanted = Byte() | std::uint32_t(Byte()) << 8;
    r.data.resize(wanted % (std::uint64_t(expected) + 1));
    for (std::uint8_t& b : r.data) b = Byte();
    return r;
  }

 private:
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

class ScriptWriter {
 public:
  void Open(bool opens) { bytes.push_back(opens ? 1 : 0); }

  void Answer(const Reply& r) {
    bytes.push_back(r.ok ? 1 : 0);
    if (!r.ok) return;
    bytes.push_back(r.scsiStatus);
    bytes.push_back(static_cast<std::uint8_t>(r.data.size()));
    bytes.push_back(static_cast<std::uint8_t>(r.data.size() >> 8));
    bytes.insert(bytes.end(), r.data.begin(), r.data.end());
  }

  std::vector<std::uint8_t> bytes;
};

}  // namespace zul::fuzz
