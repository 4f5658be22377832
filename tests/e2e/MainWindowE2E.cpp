// End-to-end runs of the real program on simulated drives: the main window as
// it opens with a camera and without one, checked control by control against
// the template, and the refusal of options it cannot use.
//
//   e2e_main_window TOOL.exe SCENARIO_FOLDER WORK_FOLDER
//
// Prints "SNAPSHOT name" where a screenshot belongs (see run-e2e.sh), one
// FAIL line for each failed check, and ends with "E2E DONE n failed".

#include <cstdio>
#include <string>

#include "Templates.h"
#include "ToolDriver.h"
#include "resource.h"

namespace zul::e2e {
namespace {

constexpr char kTitle[] = "   MARLOWEN RZC V1.6";
constexpr unsigned kStartMs = 30000;  // the first run of a fresh Wine prefix is slow

struct Paths {
  std::string tool, scenarios, work;
};

// What the window shows after opening on a scenario.
struct Expected {
  bool connected = false;
  std::string firmware, serial, officer, department, additional, hint;
  int resolution = 0, loopRecording = 0;
};

// The controls the panel enables and disables: every button, field and list
// the code addresses (labels and group boxes it never touches).
bool IsOperatorControl(const ui::ControlTemplate& t) {
  return t.id != -1 && std::string(t.className) != "STATIC";
}

bool LooksLikeClock(const std::string& s) {  // "2018-01-09 07:05:03"
  static const char pattern[] = "dddd-dd-dd dd:dd:dd";
  if (s.size() != sizeof pattern - 1) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const bool digit = s[i] >= '0' && s[i] <= '9';
    if (pattern[i] == 'd' ? !digit : s[i] != pattern[i]) return false;
  }
  return true;
}

void CheckMainWindow(Checker& c, HWND w, const Expected& e) {
  c.ExpectEq(WindowText(w), kTitle, "title");

  // Every control of the template, in order: class, identifier, and for the
  // fixed texts (labels, group boxes, buttons) the template's caption.
  const ui::DialogTemplate* t = ui::FindDialogTemplate(IDD_ZUL_PC_TOOL_DIALOG);
  const std::vector<HWND> children = ChildrenInOrder(w);
  c.ExpectEq(static_cast<long long>(children.size()), static_cast<long long>(t->controls.size()),
             "number of controls");
  for (std::size_t i = 0; i < children.size() && i < t->controls.size(); ++i) {
    const ui::ControlTemplate& want = t->controls[i];
    const std::string where = "control #" + std::to_string(i + 1) + " (" + want.caption + ")";
    const int id = GetDlgCtrlID(children[i]);
    c.Expect(id == want.id || (want.id == -1 && id == 0xFFFF),
             where + ": identifier " + std::to_string(id) + ", want " + std::to_string(want.id));
    c.ExpectEq(ClassOf(children[i]), want.className, where + ": class");
    if (want.id == -1 || ClassOf(children[i]) == "BUTTON") {
      c.ExpectEq(WindowText(children[i]), want.caption, where + ": text");
    }
    // The panel: with a camera only the password and its ENTER are open;
    // everything else the code never touches stays enabled.
    const bool open =
        !IsOperatorControl(want) ||
        (e.connected && (want.id == IDC_EDIT_PASSWORD || want.id == IDC_BUTTON_LOGIN));
    c.ExpectEq(IsWindowEnabled(children[i]) != FALSE, open, where + ": enabled");
  }
  c.ExpectEq(ControlText(w, IDC_STATIC_STATUS),
             e.connected ? e.firmware : std::string("Device not connected."), "status line");
  c.ExpectEq(ControlText(w, IDC_STATIC_SERIAL),
             e.connected ? "Camera Serial Number: " + e.serial : std::string(), "serial line");
  c.ExpectEq(ControlText(w, IDC_EDIT_OFFICER), e.officer, "officer");
  c.ExpectEq(ControlText(w, IDC_EDIT_DEPARTMENT), e.department, "department");
  c.ExpectEq(ControlText(w, IDC_EDIT_ADDITIONAL), e.additional, "additional");
  c.ExpectEq(ControlText(w, IDC_EDIT_HINT_DISPLAY), e.hint, "hint");
  for (int id : {IDC_EDIT_PASSWORD, IDC_EDIT_NEW_PASSWORD, IDC_EDIT_NEW_HINT}) {
    c.ExpectEq(ControlText(w, id), "", "field " + std::to_string(id));
  }

  struct Combo {
    int id;
    std::vector<std::string> items;
    int selected;
  };
  for (const Combo& combo :
       {Combo{IDC_COMBO_RESOLUTION, {"1080P 30FPS", "720P 30FPS"}, e.resolution},
        Combo{IDC_COMBO_LOOP_RECORDING, {"No", "Yes"}, e.loopRecording}}) {
    const std::string name = "combo " + std::to_string(combo.id);
    const std::vector<std::string> want = e.connected ? combo.items : std::vector<std::string>{};
    const std::vector<std::string> got = ComboItems(w, combo.id);
    std::string listed;
    for (const std::string& item : got) listed += "\"" + item + "\" ";
    c.Expect(got == want, name + ": items " + listed);
    c.ExpectEq(ComboSelection(w, combo.id), e.connected ? combo.selected : CB_ERR,
               name + ": selection");
    c.ExpectEq(ControlText(w, combo.id), e.connected ? combo.items[combo.selected] : "",
               name + ": text");
  }

  // The clock has ticked by the time the window is checked.
  const std::string clock = ControlText(w, IDC_STATIC_CLOCK);
  c.Expect(LooksLikeClock(clock), "clock text \"" + clock + "\"");
}

// Opens the tool on a scenario, checks the window, takes its picture, closes
// it by its close box and checks that it ended cleanly.
void MainWindowRun(Checker& c, const Paths& p, const std::string& scenario, const Expected& e,
                   const std::string& snapshot) {
  std::printf("run: %s\n", scenario.c_str());
  const std::string trace = p.work + "\\" + snapshot + ".trace";
  std::remove(trace.c_str());
  ToolProcess tool;
  c.Expect(tool.Start(p.tool, {"--simulate=" + p.scenarios + "\\" + scenario, "--trace", trace}),
           "start the tool");
  const HWND w = tool.WaitForWindow(kTitle, kStartMs);
  c.Expect(w != nullptr, "main window appears");
  if (!w) return;
  c.Expect(WaitUntil([&] { return !ControlText(w, IDC_STATIC_CLOCK).empty(); }, 3000),
           "clock ticks");
  CheckMainWindow(c, w, e);
  Snapshot(snapshot);

  PostMessageA(w, WM_CLOSE, 0, 0);
  c.ExpectEq(tool.WaitForExit(10000), 0, "exit code after closing");

  // The readout reached the simulated camera at F:, and the trace said so.
  const std::string lines = ReadTextFile(trace);
  c.Expect(lines.find("\\\\.\\D: ") != std::string::npos, "trace shows the scan of D:");
  c.ExpectEq(lines.find("\\\\.\\F: FA 55 66 FE") != std::string::npos, e.connected,
             "trace shows vendor commands to F:");
}

// A bad command line: one message box naming the problem, then a non-zero exit.
void RefusedRun(Checker& c, const Paths& p, const std::vector<std::string>& args,
                const std::string& mentions, const std::string& snapshot) {
  std::printf("run: refused %s\n", args.front().c_str());
  ToolProcess tool;
  c.Expect(tool.Start(p.tool, args), "start the tool");
  const HWND box = tool.WaitForMessageBox("ZUL_PC_TOOL", kStartMs);
  c.Expect(box != nullptr, "message box appears for " + args.front());
  if (!box) return;
  const std::string text = MessageBoxText(box);
  c.Expect(text.find(mentions) != std::string::npos,
           "box text \"" + text + "\" mentions \"" + mentions + "\"");
  Snapshot(snapshot);
  AnswerMessageBox(box, IDOK);
  c.ExpectEq(tool.WaitForExit(10000), 2, "exit code after refusal");
}

}  // namespace
}  // namespace zul::e2e

int main(int argc, char** argv) {
  using namespace zul::e2e;
  if (argc != 4) {
    std::printf("usage: e2e_main_window TOOL.exe SCENARIO_FOLDER WORK_FOLDER\n");
    return 2;
  }
  const Paths paths{argv[1], argv[2], argv[3]};
  Checker c;

  Expected camera;
  camera.connected = true;
  camera.firmware = "Firmware Version:   V1.6.20241201";
  camera.serial = "E2E00042";
  camera.officer = "OFFICER 0417";
  camera.department = "NORTH DIV";
  camera.additional = "TRAFFIC 10";
  camera.hint = "four digits";
  camera.resolution = 1;
  camera.loopRecording = 1;
  MainWindowRun(c, paths, "camera.json", camera, "camera-logged-out");
  MainWindowRun(c, paths, "no-camera.json", Expected{}, "no-camera");

  RefusedRun(c, paths, {"--simulate=" + paths.scenarios + "\\missing.json"}, "missing.json",
             "refused-scenario");
  RefusedRun(c, paths, {"--bogus"}, "Unknown option: --bogus", "refused-option");

  std::printf("E2E DONE %d failed\n", c.failures());
  std::fflush(stdout);
  return c.failures() == 0 ? 0 : 1;
}
