#include "SimulatedDrives.h"

#include <algorithm>
#include <cstring>

#include "PassThroughBuffer.h"

namespace zul::sim {
namespace {

constexpr std::uint8_t kCheckCondition = 0x02;

std::vector<std::uint8_t> InquiryData(DriveType type) {
  std::vector<std::uint8_t> d(36, 0);
  d[0] = 0x00;  // direct-access block device
  d[1] = 0x80;  // removable
  d[2] = 0x02;
  // Response data format: the camera's bridge reports the old format 1, an
  // ordinary disk format 2.
  d[3] = type == DriveType::Disk ? 0x02 : 0x01;
  d[4] = 31;
  const char* vendor = type == DriveType::Disk ? "GENERIC DISK    " : "USB2.0  VIDEO   ";
  std::memcpy(&d[8], "SIMULATE", 8);
  std::memcpy(&d[16], vendor, 16);
  std::memcpy(&d[32], "1.00", 4);
  return d;
}

std::vector<std::uint8_t> IdentifyData(const SimulatedDrive& drive) {
  std::vector<std::uint8_t> d(16, 0);
  if (drive.type != DriveType::Camera) {
    d[0] = 0x55;  // an answer in neither of the camera's forms
    d[1] = 0xAA;
    return d;
  }
  if (drive.answer == AnswerForm::AA55) {
    d[0] = 0xAA;
    d[1] = 0x55;
  } else {
    d[9] = 'R';
    d[10] = 'I';
    d[11] = 'Z';
  }
  return d;
}

void WriteSense(std::uint8_t* base, const ScsiPassThroughHeader& h, std::uint32_t outSize) {
  // Fixed-format sense: ILLEGAL REQUEST, INVALID COMMAND OPERATION CODE.
  std::uint8_t sense[18] = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x20, 0x00};
  std::uint32_t len = std::min<std::uint32_t>(h.SenseInfoLength, sizeof sense);
  if (h.SenseInfoOffset + len <= outSize) std::memcpy(base + h.SenseInfoOffset, sense, len);
}

}  // namespace

char LetterOfDevicePath(const char* p) {
  if (!p || std::strlen(p) != 6 || std::strncmp(p, "\\\\.\\", 4) != 0 || p[5] != ':') return 0;
  return (p[4] >= 'D' && p[4] <= 'Z') ? p[4] : 0;
}

void SimulatedDrives::Insert(char letter, SimulatedDrive drive) {
  if (drive.camera) drive.camera->Connected();
  drives_[letter] = std::move(drive);
  ++generation_[letter];
}

void SimulatedDrives::Remove(char letter) {
  drives_.erase(letter);
  ++generation_[letter];
}

SimulatedDrive* SimulatedDrives::Drive(char letter) {
  auto it = drives_.find(letter);
  return it == drives_.end() ? nullptr : &it->second;
}

VolumeHandle SimulatedDrives::OpenVolume(const char* devicePath) {
  const char letter = LetterOfDevicePath(devicePath);
  SimulatedDrive* drive = letter ? Drive(letter) : nullptr;
  if (!drive || drive->type == DriveType::Unopenable || drive->unplugged) return kNoHandle;
  const std::uintptr_t id = nextHandle_++;
  open_[id] = Open{letter, generation_[letter]};
  ++opens_;
  return reinterpret_cast<VolumeHandle>(id);
}

void SimulatedDrives::CloseVolume(VolumeHandle handle) {
  open_.erase(reinterpret_cast<std::uintptr_t>(handle));
}

bool SimulatedDrives::PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                                  std::uint32_t outSize) {
  auto it = open_.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == open_.end()) return false;  // no such handle
  const char letter = it->second.letter;
  SimulatedDrive* drive = Drive(letter);
  if (!drive || generation_[letter] != it->second.generation) return false;  // pulled out

  auto* base = static_cast<std::uint8_t*>(buffer);
  ScsiPassThroughHeader h;
  // What the system checks before the request reaches the device.
  if (inSize < sizeof h || outSize < sizeof h) return false;
  std::memcpy(&h, base, sizeof h);
  if (h.Length != sizeof h || h.CdbLength == 0 || h.CdbLength > 16) return false;
  if (h.DataTransferLength > 0 &&
      (h.DataBufferOffset > outSize || h.DataTransferLength > outSize - h.DataBufferOffset)) {
    return false;
  }

  const std::uint64_t number = ++drive->requests;
  const FaultPlan& f = drive->faults;
  std::vector<std::uint8_t> cdb(h.Cdb, h.Cdb + h.CdbLength);
  auto record = [&](bool ok) {
    if (record_) log_.push_back({letter, cdb, ok});
    return ok;
  };
  if (f.failFrom > 0 && number >= f.failFrom) {
    drive->unplugged = true;
    return record(false);
  }
  if (f.failRequests.count(number)) return record(false);

  std::vector<std::uint8_t> answer;
  bool check = f.checkRequests.count(number) > 0;
  if (!check) {
    if (h.Cdb[0] == 0x12 && h.CdbLength == 6) {
      answer = InquiryData(drive->type);
    } else if (h.CdbLength == 16 && h.Cdb[0] == 0xFA && h.Cdb[1] == 0x55 && h.Cdb[2] == 0x66 &&
               h.Cdb[3] == 0x01 && drive->type != DriveType::Disk) {
      answer = IdentifyData(*drive);
    } else if (h.CdbLength == 16 && h.Cdb[0] == 0xFA && h.Cdb[1] == 0x55 && h.Cdb[2] == 0x66 &&
               h.Cdb[3] == 0xFE && drive->type == DriveType::Camera && drive->camera) {
      const std::uint32_t code = std::uint32_t(h.Cdb[4]) << 24 | std::uint32_t(h.Cdb[5]) << 16 |
                                 std::uint32_t(h.Cdb[6]) << 8 | h.Cdb[7];
      std::array<std::uint8_t, 8> args;
      std::copy_n(h.Cdb + 8, 8, args.begin());
      const auto reply = drive->camera->Answer(code, args);
      answer.assign(reply.begin(), reply.end());
    } else {
      check = true;  // a command this drive does not know
    }
  }
  if (f.shortRequests.count(number) && answer.size() > f.shortLength) {
    answer.resize(f.shortLength);
  }

  const std::uint32_t count =
      std::min<std::uint32_t>(static_cast<std::uint32_t>(answer.size()), h.DataTransferLength);
  if (count) std::memcpy(base + h.DataBufferOffset, answer.data(), count);
  h.ScsiStatus = check ? kCheckCondition : 0;
  h.DataTransferLength = count;
  if (check) WriteSense(base, h, outSize);
  std::memcpy(base, &h, sizeof h);
  return record(true);
}

}  // namespace zul::sim
