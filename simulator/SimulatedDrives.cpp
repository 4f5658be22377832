#include "simulator/SimulatedDrives.h"

#include <algorithm>
#include <cstring>

#include "devicelink/PassThroughBuffer.h"

namespace zul::sim {
namespace {

constexpr std::uint8_t kCheckCondition = 0x02;

// Whether an area of length bytes at offset lies inside a buffer of size
// bytes. Compared without a sum, in 64 bits: an offset near the top of its
// range must not wrap round to a small one.
bool Inside(std::uint64_t offset, std::uint64_t length, std::uint32_t size) {
  return offset <= size && length <= size - offset;
}

}  // namespace

char LetterOfDevicePath(const char* p) {
  if (!p || std::strlen(p) != 6 || std::strncmp(p, "\\\\.\\", 4) != 0 || p[5] != ':') return 0;
  return (p[4] >= 'D' && p[4] <= 'Z') ? p[4] : 0;
}

void SimulatedDrives::Insert(char letter, SimulatedDrive drive) {
  Place(letter, std::move(drive), true);
}

void SimulatedDrives::InsertAsSaved(char letter, SimulatedDrive drive) {
  Place(letter, std::move(drive), false);
}

void SimulatedDrives::Place(char letter, SimulatedDrive drive, bool connect) {
  std::lock_guard lock(mutex_);
  if (connect && drive.camera) drive.camera->Connected();
  drives_[letter] = std::move(drive);
  ++generation_[letter];
}

void SimulatedDrives::Remove(char letter) {
  std::lock_guard lock(mutex_);
  drives_.erase(letter);
  ++generation_[letter];
}

bool SimulatedDrives::Unplug(char letter) {
  std::lock_guard lock(mutex_);
  SimulatedDrive* drive = DriveLocked(letter);
  if (!drive || drive->unplugged) return false;
  drive->unplugged = true;
  ++generation_[letter];
  return true;
}

bool SimulatedDrives::Plug(char letter) {
  std::lock_guard lock(mutex_);
  SimulatedDrive* drive = DriveLocked(letter);
  if (!drive || !drive->unplugged) return false;
  drive->unplugged = false;
  drive->faults.failFrom = 0;
  if (drive->camera) drive->camera->Connected();
  ++generation_[letter];
  return true;
}

SimulatedDrive* SimulatedDrives::Drive(char letter) {
  return DriveLocked(letter);
}

SimulatedDrive* SimulatedDrives::DriveLocked(char letter) {
  auto it = drives_.find(letter);
  return it == drives_.end() ? nullptr : &it->second;
}

std::vector<char> SimulatedDrives::Letters() const {
  std::lock_guard lock(mutex_);
  std::vector<char> letters;
  for (const auto& entry : drives_) letters.push_back(entry.first);
  return letters;
}

void SimulatedDrives::Visit(const std::function<void(char, const SimulatedDrive&)>& visit) const {
  std::lock_guard lock(mutex_);
  for (const auto& [letter, drive] : drives_) visit(letter, drive);
}

int SimulatedDrives::OpenHandleCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(open_.size());
}

std::uint64_t SimulatedDrives::OpenCount() const {
  std::lock_guard lock(mutex_);
  return opens_;
}

std::vector<RequestRecord> SimulatedDrives::Requests() const {
  std::lock_guard lock(mutex_);
  return log_;
}

void SimulatedDrives::ClearRequestLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

void SimulatedDrives::RecordRequests(bool on) {
  std::lock_guard lock(mutex_);
  record_ = on;
}

VolumeHandle SimulatedDrives::OpenVolume(const char* devicePath) {
  const char letter = LetterOfDevicePath(devicePath);
  std::lock_guard lock(mutex_);
  SimulatedDrive* drive = letter ? DriveLocked(letter) : nullptr;
  if (!drive || drive->type == DriveType::Unopenable || drive->unplugged) {
    SetLastDeviceError(
        {drive && !drive->unplugged ? DeviceFailure::Other : DeviceFailure::NotFound, 0});
    return kNoHandle;
  }
  const std::uintptr_t id = nextHandle_++;
  open_[id] = Open{letter, generation_[letter]};
  ++opens_;
  return reinterpret_cast<VolumeHandle>(id);
}

void SimulatedDrives::CloseVolume(VolumeHandle handle) {
  std::lock_guard lock(mutex_);
  open_.erase(reinterpret_cast<std::uintptr_t>(handle));
}

bool SimulatedDrives::PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                                  std::uint32_t outSize) {
  // Every failure below reads as the device gone or refusing: the same to the tool.
  SetLastDeviceError({DeviceFailure::NotFound, 0});
  std::lock_guard lock(mutex_);
  auto it = open_.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == open_.end()) return false;  // no such handle
  const char letter = it->second.letter;
  SimulatedDrive* drive = DriveLocked(letter);
  if (!drive || generation_[letter] != it->second.generation) return false;  // pulled out

  auto* base = static_cast<std::uint8_t*>(buffer);
  ScsiPassThroughHeader h;
  // What the system checks before the request reaches the device.
  if (inSize < sizeof h || outSize < sizeof h) return false;
  std::memcpy(&h, base, sizeof h);
  if (h.Length != sizeof h || h.CdbLength == 0 || h.CdbLength > 16) return false;
  // Like the system, refuse areas outside the buffer the caller handed over.
  if (h.DataTransferLength > 0 && !Inside(h.DataBufferOffset, h.DataTransferLength, outSize)) {
    return false;
  }
  if (h.SenseInfoLength > 0 && !Inside(h.SenseInfoOffset, h.SenseInfoLength, outSize)) {
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
  // Pulled out by another program sharing the drives: handles it left open fail.
  if (drive->unplugged) return record(false);
  if (f.failRequests.count(number)) return record(false);

  std::vector<std::uint8_t> answer;
  bool check = f.checkRequests.count(number) > 0;
  if (!check) {
    Response r =
        CameraResponder(drive->type, drive->answer, drive->camera.get()).Answer(h.Cdb, h.CdbLength);
    answer = std::move(r.data);
    check = r.check;
  }
  if (f.shortRequests.count(number) && answer.size() > f.shortLength) {
    answer.resize(f.shortLength);
  }

  const std::uint32_t count =
      std::min<std::uint32_t>(static_cast<std::uint32_t>(answer.size()), h.DataTransferLength);
  if (count) std::memcpy(base + h.DataBufferOffset, answer.data(), count);
  h.ScsiStatus = check ? kCheckCondition : 0;
  h.DataTransferLength = count;
  if (check) {
    std::memcpy(base + h.SenseInfoOffset, kUnknownCommandSense,
                std::min<std::size_t>(h.SenseInfoLength, sizeof kUnknownCommandSense));
  }
  std::memcpy(base, &h, sizeof h);
  return record(true);
}

}  // namespace zul::sim
