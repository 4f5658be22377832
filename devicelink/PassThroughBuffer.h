#pragma once
// The request/response buffer handed to the system's SCSI pass-through call:
// the platform's SCSI_PASS_THROUGH header, a filler, a 32-byte sense area and a
// 64 KiB data area. Offsets come from the layout itself, so a 32-bit build
// gets 44/48/80 and a 64-bit build the larger header's offsets.

#include <cstddef>
#include <cstdint>

namespace zul {

// Field-for-field mirror of SCSI_PASS_THROUGH for a given ULONG_PTR width.
template <typename UlongPtr>
struct ScsiPassThroughLayout {
  std::uint16_t Length;
  std::uint8_t ScsiStatus;
  std::uint8_t PathId;
  std::uint8_t TargetId;
  std::uint8_t Lun;
  std::uint8_t CdbLength;
  std::uint8_t SenseInfoLength;
  std::uint8_t DataIn;
  std::uint32_t DataTransferLength;
  std::uint32_t TimeOutValue;
  UlongPtr DataBufferOffset;
  std::uint32_t SenseInfoOffset;
  std::uint8_t Cdb[16];
};

// Both layouts the tool ships in: a 32-bit process and a 64-bit one.
static_assert(sizeof(ScsiPassThroughLayout<std::uint32_t>) == 44);
static_assert(offsetof(ScsiPassThroughLayout<std::uint32_t>, DataTransferLength) == 12);
static_assert(offsetof(ScsiPassThroughLayout<std::uint32_t>, DataBufferOffset) == 20);
static_assert(offsetof(ScsiPassThroughLayout<std::uint32_t>, SenseInfoOffset) == 24);
static_assert(offsetof(ScsiPassThroughLayout<std::uint32_t>, Cdb) == 28);
static_assert(sizeof(ScsiPassThroughLayout<std::uint64_t>) == 56);
static_assert(offsetof(ScsiPassThroughLayout<std::uint64_t>, DataBufferOffset) == 24);
static_assert(offsetof(ScsiPassThroughLayout<std::uint64_t>, SenseInfoOffset) == 32);
static_assert(offsetof(ScsiPassThroughLayout<std::uint64_t>, Cdb) == 36);

// The header as this process hands it to the system: ULONG_PTR is as wide as
// a pointer. The Windows port checks at compile time that this is the
// system's own SCSI_PASS_THROUGH, field for field.
using ScsiPassThroughHeader = ScsiPassThroughLayout<std::uintptr_t>;

inline constexpr std::uint32_t kSenseAreaSize = 32;
inline constexpr std::uint32_t kDataAreaSize = 65536;

struct PassThroughBuffer {
  ScsiPassThroughHeader header;
  std::uint32_t filler;  // realigns the sense area, as the system's samples do
  std::uint8_t sense[kSenseAreaSize];
  std::uint8_t data[kDataAreaSize];
};

inline constexpr std::uint32_t kHeaderLength = sizeof(ScsiPassThroughHeader);
inline constexpr std::uint32_t kSenseOffset = offsetof(PassThroughBuffer, sense);
inline constexpr std::uint32_t kDataOffset = offsetof(PassThroughBuffer, data);

static_assert(sizeof(void*) != 4 || (kHeaderLength == 44 && kSenseOffset == 48 &&
                                     kDataOffset == 80 && sizeof(PassThroughBuffer) == 65616));
static_assert(sizeof(void*) != 8 ||
              (kHeaderLength == 56 && kSenseOffset == 60 && kDataOffset == 92));

// Header values shared by every request the tool sends.
inline constexpr std::uint8_t kTargetId = 1;
inline constexpr std::uint8_t kSenseInfoLength = 24;
inline constexpr std::uint8_t kDataIn = 1;  // SCSI_IOCTL_DATA_IN, device to host
inline constexpr std::uint32_t kTimeOutSeconds = 2;

// Fills the header for a data-in request of n bytes with a cdbLength-byte
// command block; the Cdb field, ScsiStatus and the data area are left alone.
void FillPassThroughHeader(PassThroughBuffer& buffer, std::uint8_t cdbLength, std::uint32_t n);

// Output size handed to the system for a request of n data bytes.
constexpr std::uint32_t OutputSizeFor(std::uint32_t n) {
  return kDataOffset + n;
}

// A request the system reports as carried out that brought nothing back: it
// asked the device for data, the status is GOOD, and not one byte came. The
// device did not answer. Windows fails such a request itself (a device gone
// or a time-out is an error of the call); Wine, passing the request on to
// Linux's SG_IO, drops the host's verdict and reports success with the whole
// length as residue.
constexpr bool NothingCameBack(const ScsiPassThroughHeader& asked,
                               const ScsiPassThroughHeader& answered) {
  return asked.DataIn == kDataIn && asked.DataTransferLength > 0 && answered.ScsiStatus == 0 &&
         answered.DataTransferLength == 0;
}

}  // namespace zul
