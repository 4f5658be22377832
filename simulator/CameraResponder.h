#pragma once
// What a drive answers to one command block: the INQUIRY data, the answer to
// the identification request and the camera's vendor commands. The simulated
// drives and the USB gadget both answer through it, so a camera answers the
// same bytes behind either.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "simulator/SimulatedCamera.h"

namespace zul::sim {

enum class DriveType { Disk, Unopenable, Impostor, Camera };

struct Response {
  std::vector<std::uint8_t> data;  // the whole answer; the caller cuts it to what was asked
  bool check = false;              // completed with a check condition, no data
};

class CameraResponder {
 public:
  // camera: the camera behind a DriveType::Camera drive (may be null: then
  // the drive knows no vendor command). Not owned.
  CameraResponder(DriveType type, AnswerForm answer, SimulatedCamera* camera)
      : type_(type), answer_(answer), camera_(camera) {}

  // Answers one command block of cdbLength bytes (1 to 16). A vendor command
  // changes the camera as the camera does. A block this drive does not know
  // is answered with a check condition.
  Response Answer(const std::uint8_t* cdb, std::size_t cdbLength) const;

 private:
  DriveType type_;
  AnswerForm answer_;
  SimulatedCamera* camera_;
};

// The standard INQUIRY data of a drive of this type (36 bytes).
std::vector<std::uint8_t> InquiryData(DriveType type);

// Whether a command block carries the camera's signature FA 55 66.
bool HasCameraSignature(const std::uint8_t* cdb, std::size_t cdbLength);

// Fixed-format sense data (18 bytes) the drives report with a check condition
// for a command they do not know: ILLEGAL REQUEST, INVALID COMMAND OPERATION
// CODE.
inline constexpr std::uint8_t kUnknownCommandSense[18] = {0x70, 0, 0x05, 0,    0, 0, 0, 10, 0,
                                                          0,    0, 0,    0x20, 0, 0, 0, 0,  0};

}  // namespace zul::sim
