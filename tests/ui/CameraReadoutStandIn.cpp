// Stands in for the camera data library's status readout in the window tests:
// finds the camera through the real discovery, then takes the values of the
// FactsCamera on the drive found, keeping the readout's contract (flags only
// ever set to true, connected untouched, nothing changed when no camera).

#include "CameraFacts.h"
#include "CameraStatus.h"
#include "Discovery.h"
#include "SimulatedDrives.h"

namespace zul {

bool ReadCameraStatus(DeviceSession& session, CameraStatus& status) {
  if (!DiscoverCamera(session)) return false;
  auto* drives = dynamic_cast<sim::SimulatedDrives*>(&session.port);
  sim::SimulatedDrive* drive =
      drives ? drives->Drive(sim::LetterOfDevicePath(session.devicePath)) : nullptr;
  auto* camera = drive ? dynamic_cast<test::FactsCamera*>(drive->camera.get()) : nullptr;
  if (!camera) return false;
  const test::CameraFacts& f = camera->facts;
  status.firmwareText = f.firmwareText;
  status.officerText = f.officerText;
  status.departmentText = f.departmentText;
  status.additionalText = f.additionalText;
  status.hintText = f.hintText;
  status.resolutionIndex = f.resolutionIndex;
  status.loopRecordingIndex = f.loopRecordingIndex;
  status.query0D = f.query0D;
  status.serialNumber = f.serialNumber;
  status.serialLine = "Camera Serial Number: " + f.serialNumber;
  if (f.reportsLogin) status.loggedIn = true;
  if (f.reportsAdministrator) status.administrator = true;
  return true;
}

}  // namespace zul
