// The real program on the kernel rig's cameras (tests/rig/checks.sh, part
// wine): no simulation, the PC's drives as Wine maps them to the guest's sg
// nodes, the cameras served over USB by camera-gadget.
//
//   e2e_rig_window TOOL.exe SCENARIO_FOLDER WORK_FOLDER unplug
//     F, the first camera of the scan, leaves the bus in the window's first
//     readout: the window says it is not connected and stays usable; a
//     device arrival (what Windows sends at a plug) reads G, the next camera.
//   e2e_rig_window TOOL.exe SCENARIO_FOLDER WORK_FOLDER flows
//     At the end of the checks, G freshly plugged in with what zulctl.exe
//     made of it: its readout, a login through the terms notice (the camera
//     then releases its storage), and a change of the video resolution.
//
// Each run leaves its trace in WORK_FOLDER (unplug.trace, flows.trace).
// Prints "SNAPSHOT name" where a screenshot belongs (see run-e2e.sh), one FAIL
// line for each failed check, and ends with "E2E DONE n failed".

#include <cstdio>
#include <string>

#include "res/resource.h"
#include "tests/e2e/ToolDriver.h"

// After the system's headers, which ToolDriver.h brings.
// clang-format off
#include <dbt.h>
// clang-format on

namespace zul::e2e {
namespace {

constexpr char kTitle[] = "   MARLOWEN RZC V1.6";
constexpr char kBoxCaption[] = "Marlowen V1.6";
constexpr char kNoticeTitle[] = "MARLOWEN RZC V1.6";
// Wine under an emulated processor: the first window of a boot takes long,
// and every request crosses a USB stack the emulator runs too.
constexpr unsigned kStartMs = 180000;
constexpr unsigned kFlowMs = 60000;

// G as tests/rig/cameras.json has it, and as the checks leave it.
struct Readout {
  std::string officer, department, additional, hint;
  int resolution, loopRecording;
};
const Readout kScenarioG{"J. OKAFOR", "HARBOUR UNIT", "", "the keypad's middle column", 1, 1};
const Readout kCheckedG{"A. N. OTHER", "RIVER UNIT", "SHIFT B", "near the door", 0, 0};

void ExpectReadoutOfG(Checker& c, HWND w, const Readout& r) {
  c.ExpectEq(ControlText(w, IDC_STATIC_STATUS), "Firmware Version:   V1.6.20241201", "firmware");
  c.ExpectEq(ControlText(w, IDC_STATIC_SERIAL), "Camera Serial Number: B7654321", "serial");
  c.ExpectEq(ControlText(w, IDC_EDIT_OFFICER), r.officer, "officer");
  c.ExpectEq(ControlText(w, IDC_EDIT_DEPARTMENT), r.department, "department");
  c.ExpectEq(ControlText(w, IDC_EDIT_ADDITIONAL), r.additional, "additional");
  c.ExpectEq(ControlText(w, IDC_EDIT_HINT_DISPLAY), r.hint, "hint");
  c.ExpectEq(ComboSelection(w, IDC_COMBO_RESOLUTION), r.resolution, "resolution");
  c.ExpectEq(ComboSelection(w, IDC_COMBO_LOOP_RECORDING), r.loopRecording, "loop recording");
  c.Expect(ControlEnabled(w, IDC_EDIT_PASSWORD), "the password field is open");
}

bool Closed(Checker& c, ToolProcess& tool, HWND w) {
  PostMessageA(w, WM_CLOSE, 0, 0);
  const long code = tool.WaitForExit(30000);
  c.ExpectEq(code, 0, "exit code after closing");
  return code == 0;
}

// Starts the tool on the PC's drives with a trace; its window, or nullptr.
HWND Started(Checker& c, ToolProcess& tool, const std::string& toolExe, const std::string& trace) {
  c.Expect(tool.Start(toolExe, {"--trace", trace}), "start the tool");
  const HWND w = tool.WaitForWindow(kTitle, kStartMs);
  c.Expect(w != nullptr, "main window appears");
  return w;
}

void UnplugRun(Checker& c, const std::string& toolExe, const std::string& work) {
  std::printf("run: F unplugged in the readout\n");
  const std::string trace = work + "\\unplug.trace";
  ToolProcess tool;
  const HWND w = Started(c, tool, toolExe, trace);
  if (!w) return;
  c.Expect(WaitUntil([&] { return !ControlText(w, IDC_STATIC_STATUS).empty(); }, kFlowMs),
           "the status line is written");
  c.ExpectEq(ControlText(w, IDC_STATIC_STATUS), "Device not connected.", "status line");
  c.ExpectEq(ControlText(w, IDC_STATIC_SERIAL), "", "no serial number");
  c.Expect(!ControlEnabled(w, IDC_BUTTON_LOGIN), "no login without a camera");
  const std::string lines = ReadTextFile(trace);
  const std::size_t readout = lines.find("\\\\.\\F: FA 55 66 FE 60");
  c.Expect(readout != std::string::npos, "trace: the readout of F began");
  c.Expect(readout != std::string::npos && lines.find(" -> failed", readout) != std::string::npos,
           "trace: a request of F's readout failed");
  // The picture once the window has settled: its clock has ticked.
  c.Expect(WaitUntil([&] { return !ControlText(w, IDC_STATIC_CLOCK).empty(); }, kFlowMs),
           "clock ticks");
  Snapshot("rig-unplugged");

  // What Windows broadcasts when a volume arrives; a message with a pointer
  // cannot be posted, so it is sent, and the window reads the camera before
  // it answers.
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof volume;
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  volume.dbcv_unitmask = 1u << ('G' - 'A');
  DWORD_PTR answer = 0;
  c.Expect(
      SendMessageTimeoutA(w, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume),
                          SMTO_NORMAL, kFlowMs, &answer) != 0,
      "the window takes the device arrival");
  c.Expect(WaitUntil([&] { return !ControlText(w, IDC_STATIC_SERIAL).empty(); }, kFlowMs),
           "a device arrival reads the next camera");
  ExpectReadoutOfG(c, w, kScenarioG);
  Snapshot("rig-readout");
  Closed(c, tool, w);
}

void FlowsRun(Checker& c, const std::string& toolExe, const std::string& work) {
  std::printf("run: login and a setting on G\n");
  const std::string trace = work + "\\flows.trace";
  ToolProcess tool;
  const HWND w = Started(c, tool, toolExe, trace);
  if (!w) return;
  c.Expect(WaitUntil([&] { return !ControlText(w, IDC_STATIC_SERIAL).empty(); }, kFlowMs),
           "the camera is read");
  ExpectReadoutOfG(c, w, kCheckedG);

  Type(w, IDC_EDIT_PASSWORD, "7777");
  Click(w, IDC_BUTTON_LOGIN);
  const HWND notice = tool.WaitForMessageBox(kNoticeTitle, kFlowMs);
  c.Expect(notice != nullptr, "terms notice appears");
  if (!notice) return;
  Snapshot("rig-terms-notice");
  AnswerMessageBox(notice, IDOK);
  c.Expect(WaitForClosed(notice, kFlowMs), "terms notice closes");
  c.Expect(WaitUntil([&] { return ControlEnabled(w, IDC_COMBO_RESOLUTION); }, kFlowMs),
           "logged in: the settings open");
  Snapshot("rig-logged-in");

  SelectComboItem(w, IDC_COMBO_RESOLUTION, 1);
  const HWND box = tool.WaitForMessageBox(kBoxCaption, kFlowMs);
  c.Expect(box != nullptr, "the change is confirmed");
  if (!box) return;
  c.ExpectEq(MessageBoxText(box), "Change video resolution to 720P.", "confirmation text");
  AnswerMessageBox(box, IDOK);
  c.Expect(WaitForClosed(box, kFlowMs), "the confirmation closes");
  const std::string lines = ReadTextFile(trace);
  c.Expect(lines.find("\\\\.\\G: FA 55 66 FE 06 00 00 01 01 00") != std::string::npos,
           "trace: resolution 720P sent to G");
  Closed(c, tool, w);
}

}  // namespace
}  // namespace zul::e2e

int main(int argc, char** argv) {
  using namespace zul::e2e;
  const std::string mode = argc == 5 ? argv[4] : "";
  if (mode != "unplug" && mode != "flows") {
    std::printf("usage: e2e_rig_window TOOL.exe SCENARIO_FOLDER WORK_FOLDER unplug|flows\n");
    return 2;
  }
  Checker c;
  if (mode == "unplug") {
    UnplugRun(c, argv[1], argv[3]);
  } else {
    FlowsRun(c, argv[1], argv[3]);
  }
  std::printf("E2E DONE %d failed\n", c.failures());
  std::fflush(stdout);
  return c.failures() == 0 ? 0 : 1;
}
