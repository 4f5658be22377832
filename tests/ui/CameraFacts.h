#pragma once
// A simulated camera whose readout values are set directly by a test, for
// the window tests: what the status readout would read from it.

#include <string>

#include "SimulatedCamera.h"

namespace zul::test {

struct CameraFacts {
  std::string firmwareText = "Firmware Version:   V1.0.7";
  std::string officerText = "Officer Jones";
  std::string departmentText = "Traffic";
  std::string additionalText = "Unit 7";
  std::string hintText = "pet name";
  std::string serialNumber = "RZ000042";
  int resolutionIndex = 1;
  int loopRecordingIndex = 1;
  int query0D = 0;
  bool reportsLogin = false;
  bool reportsAdministrator = false;
};

class FactsCamera final : public sim::SimulatedCamera {
 public:
  explicit FactsCamera(CameraFacts facts) : facts(std::move(facts)) {}
  CameraFacts facts;
};

}  // namespace zul::test
