// End-to-end runs of the real program on simulated drives: the main window as
// it opens with a camera and without one, checked control by control against
// the template, the operator's flows (login, notice, reference edit,
// resolution, Enter in the password field), and the refusal of options it
// cannot use.
//
//   e2e_main_window TOOL.exe SCENARIO_FOLDER WORK_FOLDER
//
// Prints "SNAPSHOT name" where a screenshot belongs (see run-e2e.sh), one
// FAIL line for each failed check, and ends with "E2E DONE n failed".

#include <cstdio>
#include <functional>
#include <string>

#include "platform/FilePath.h"
#include "platform/win32/WideText.h"
#include "res/resource.h"
#include "tests/e2e/ToolDriver.h"
#include "tests/support/ForeignName.h"
#include "tests/support/win32/Console.h"
#include "tests/support/win32/MouseClick.h"
#include "ui/framework/Templates.h"

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

constexpr char kBoxCaption[] = "Marlowen V1.6";
constexpr char kNoticeTitle[] = "MARLOWEN RZC V1.6";
constexpr unsigned kFlowMs = 15000;

// Waits for the flows' message box, checks its text, closes it with OK.
void ExpectBox(Checker& c, const ToolProcess& tool, const std::string& text) {
  const HWND box = tool.WaitForMessageBox(kBoxCaption, kFlowMs);
  c.Expect(box != nullptr, "message box \"" + text + "\" appears");
  if (!box) return;
  c.ExpectEq(MessageBoxText(box), text, "message box text");
  AnswerMessageBox(box, IDOK);
  c.Expect(WaitForClosed(box, 5000), "message box closes");
}

// The notice reaches a monitor of twice the DPI. Windows' dialog manager then
// lays the window and its controls out anew before WM_DPICHANGED reaches the
// dialog; Wine's does not, so the driver does that part. A click inside a
// link's new place, outside every old one, must open the page.
void LinksFollowADpiChange(Checker& c, HWND notice, const std::string& trace) {
  const int links[3] = {IDC_STATIC_TERMS_LINK, IDC_STATIC_ADDRESS_LINE1, IDC_STATIC_ADDRESS_LINE2};
  RECT old[3];
  for (int i = 0; i < 3; ++i) {
    GetWindowRect(GetDlgItem(notice, links[i]), &old[i]);
    MapWindowPoints(nullptr, notice, reinterpret_cast<POINT*>(&old[i]), 2);
  }
  RECT frame;
  GetWindowRect(notice, &frame);
  const UINT quietly = SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(notice, nullptr, 0, 0, 2 * (frame.right - frame.left),
               2 * (frame.bottom - frame.top), quietly | SWP_NOMOVE);
  for (int i = 0; i < 3; ++i) {
    const RECT& r = old[i];
    SetWindowPos(GetDlgItem(notice, links[i]), nullptr, 2 * r.left, 2 * r.top,
                 2 * (r.right - r.left), 2 * (r.bottom - r.top), quietly);
  }
  // The suggested window rectangle stays out: a pointer means nothing in
  // another process, and the dialog does not read it.
  SendMessageW(notice, WM_DPICHANGED, MAKEWPARAM(192, 192), 0);

  RECT now;
  GetWindowRect(GetDlgItem(notice, links[0]), &now);
  MapWindowPoints(nullptr, notice, reinterpret_cast<POINT*>(&now), 2);
  const POINT p{now.right - 2, (now.top + now.bottom) / 2};
  bool outside = true;
  for (const RECT& r : old) outside = outside && !PtInRect(&r, p);
  c.Expect(outside, "the click point lies outside the links' old places");
  const std::string open = "open: https://";
  const auto opens = [&] {
    const std::string lines = ReadTextFile(trace);
    std::size_t n = 0;
    for (auto at = lines.find(open); at != std::string::npos; at = lines.find(open, at + 1)) ++n;
    return n;
  };
  const std::size_t before = opens();
  test::ClickAt(notice, p.x, p.y);
  c.Expect(WaitUntil([&] { return opens() == before + 1; }, 5000),
           "a click on a link after the DPI change opens the page (trace: open:)");
}

// The terms notice after an accepted password: its picture, what the run
// does with it while it is open, then OK, then the logged-in panel.
void ThroughNotice(Checker& c, const ToolProcess& tool, HWND w, const std::string& snapshot,
                   const std::function<void(HWND)>& whileOpen = nullptr) {
  const HWND notice = tool.WaitForMessageBox(kNoticeTitle, kFlowMs);
  c.Expect(notice != nullptr, "terms notice appears");
  if (!notice) return;
  if (!snapshot.empty()) Snapshot(snapshot);
  if (whileOpen) whileOpen(notice);
  AnswerMessageBox(notice, IDOK);
  c.Expect(WaitForClosed(notice, 5000), "terms notice closes");
  // The refresh enables the login's controls one after the other.
  const int loginControls[] = {IDC_BUTTON_MODIFY_PASSWORD,  IDC_BUTTON_MODIFY_HINT,
                               IDC_BUTTON_MODIFY_REFERENCE, IDC_BUTTON_SYNC_TIME,
                               IDC_COMBO_RESOLUTION,        IDC_COMBO_LOOP_RECORDING,
                               IDC_BUTTON_OPEN_FOLDER};
  for (int id : loginControls) {
    c.Expect(WaitUntil([&] { return ControlEnabled(w, id); }, kFlowMs),
             "logged in: control " + std::to_string(id) + " enabled");
  }
}

// Login refused then accepted, the drive's release in the trace, a reference
// text changed and read back, and the resolution on the wire. The camera's
// state is kept in a state file for the next run.
void OperatorFlowsRun(Checker& c, const Paths& p, const std::string& state) {
  std::printf("run: operator flows\n");
  const std::string trace = p.work + "\\flows.trace";
  std::remove(trace.c_str());
  std::remove(state.c_str());
  ToolProcess tool;
  c.Expect(tool.Start(p.tool, {"--simulate=" + p.scenarios + "\\camera.json", "--state", state,
                               "--trace", trace}),
           "start the tool");
  const HWND w = tool.WaitForWindow(kTitle, kStartMs);
  c.Expect(w != nullptr, "main window appears");
  if (!w) return;

  Type(w, IDC_EDIT_PASSWORD, "0000");
  Click(w, IDC_BUTTON_LOGIN);
  ExpectBox(c, tool, "Wrong password!  You have 5 chances remaining.");
  c.Expect(!ControlEnabled(w, IDC_BUTTON_MODIFY_PASSWORD), "still logged out after a refusal");

  Type(w, IDC_EDIT_PASSWORD, "1234");
  Click(w, IDC_BUTTON_LOGIN);
  ThroughNotice(c, tool, w, "terms-notice",
                [&](HWND notice) { LinksFollowADpiChange(c, notice, trace); });
  c.ExpectEq(ControlText(w, IDC_EDIT_OFFICER), "OFFICER 0417", "officer after login");
  Snapshot("logged-in");

  // The drive released: two disk checks of F:, traced, not run.
  const std::string check = "exec: cmd.exe /c echo y|CHKDSK F: /F";
  std::string lines = ReadTextFile(trace);
  const auto first = lines.find(check);
  c.Expect(first != std::string::npos, "trace: first disk check of F:");
  c.Expect(first != std::string::npos && lines.find(check, first + 1) != std::string::npos,
           "trace: second disk check of F:");
  c.Expect(lines.find("exec: ") == first, "trace: nothing started before the checks");

  Click(w, IDC_BUTTON_MODIFY_REFERENCE);
  c.Expect(WaitUntil([&] { return ControlEnabled(w, IDC_EDIT_OFFICER); }, kFlowMs),
           "reference fields open");
  Type(w, IDC_EDIT_OFFICER, "OFFICER 0999");
  Click(w, IDC_BUTTON_ENTER_REFERENCE);
  ExpectBox(c, tool, "You've updated your reference data!");
  c.Expect(WaitUntil([&] { return ControlText(w, IDC_EDIT_OFFICER) == "OFFICER 0999"; }, 5000),
           "officer read back from the camera: " + ControlText(w, IDC_EDIT_OFFICER));
  c.ExpectEq(ControlText(w, IDC_EDIT_DEPARTMENT), "NORTH DIV", "department kept");

  SelectComboItem(w, IDC_COMBO_RESOLUTION, 1);
  ExpectBox(c, tool, "Change video resolution to 720P.");
  SelectComboItem(w, IDC_COMBO_RESOLUTION, 0);  // the camera's new setting for the next run
  ExpectBox(c, tool, "Change video resolution to 1080P.");
  lines = ReadTextFile(trace);
  c.Expect(lines.find("FA 55 66 FE 06 00 00 01 00 00") != std::string::npos,
           "trace: resolution 1080P on the wire");
  c.Expect(lines.find("FA 55 66 FE 06 00 00 01 01 00") != std::string::npos,
           "trace: resolution 720P on the wire");

  PostMessageA(w, WM_CLOSE, 0, 0);
  c.ExpectEq(tool.WaitForExit(10000), 0, "exit code after closing");
}

// Enter in the password field logs in as the button does; the camera is the
// one the previous run left in the state file.
void EnterKeyRun(Checker& c, const Paths& p, const std::string& state) {
  std::printf("run: Enter in the password field\n");
  ToolProcess tool;
  c.Expect(tool.Start(p.tool, {"--simulate=" + p.scenarios + "\\camera.json", "--state", state}),
           "start the tool");
  const HWND w = tool.WaitForWindow(kTitle, kStartMs);
  c.Expect(w != nullptr, "main window appears");
  if (!w) return;
  c.ExpectEq(ControlText(w, IDC_EDIT_OFFICER), "OFFICER 0999", "officer from the state file");
  c.ExpectEq(ComboSelection(w, IDC_COMBO_RESOLUTION), 0, "resolution from the state file");

  Type(w, IDC_EDIT_PASSWORD, "12");
  PressKeyIn(w, IDC_EDIT_PASSWORD, VK_RETURN);
  ExpectBox(c, tool, "Password must longer than 4 characters!");
  Type(w, IDC_EDIT_PASSWORD, "1234");
  PressKeyIn(w, IDC_EDIT_PASSWORD, VK_RETURN);
  ThroughNotice(c, tool, w, "");

  PostMessageA(w, WM_CLOSE, 0, 0);
  c.ExpectEq(tool.WaitForExit(10000), 0, "exit code after closing");
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
  if (!snapshot.empty()) Snapshot(snapshot);
  AnswerMessageBox(box, IDOK);
  c.ExpectEq(tool.WaitForExit(10000), 2, "exit code after refusal");
}

// Scenario, state and trace files whose names the ANSI code page cannot hold:
// the window shows the scenario's camera, the trace and the state land in the
// files named, and a missing scenario is named back intact.
void ForeignNamesRun(Checker& c, const Paths& p) {
  std::printf("run: file names outside the ANSI code page\n");
  const std::string stem = test::NameOutsideAnsiCodePage();
  c.Expect(!stem.empty(), "a name outside the ANSI code page");
  const std::string scenario = p.work + "\\" + stem + ".json";
  const std::string state = p.work + "\\" + stem + "-state.json";
  const std::string trace = p.work + "\\" + stem + ".trace";
  for (const std::string& f : {state, trace}) DeleteFileW(platform::WideFromUtf8(f).c_str());
  c.Expect(CopyFileW(platform::WideFromUtf8(p.scenarios + "\\camera.json").c_str(),
                     platform::WideFromUtf8(scenario).c_str(), FALSE) != FALSE,
           "copy the scenario");

  {
    ToolProcess tool;
    c.Expect(tool.Start(p.tool, {"--simulate=" + scenario, "--trace", trace}), "start the tool");
    const HWND w = tool.WaitForWindow(kTitle, kStartMs);
    c.Expect(w != nullptr, "main window appears");
    if (!w) return;
    c.ExpectEq(ControlText(w, IDC_STATIC_SERIAL), "Camera Serial Number: E2E00042",
               "the scenario's camera");
    PostMessageA(w, WM_CLOSE, 0, 0);
    c.ExpectEq(tool.WaitForExit(10000), 0, "exit code after closing");
    c.Expect(ReadTextFile(trace).find("\\\\.\\F: FA 55 66 FE") != std::string::npos,
             "the trace is in its file");
  }
  {
    ToolProcess tool;
    c.Expect(tool.Start(p.tool, {"--simulate=" + scenario, "--state=" + state}), "start the tool");
    const HWND w = tool.WaitForWindow(kTitle, kStartMs);
    c.Expect(w != nullptr, "main window appears");
    if (!w) return;
    Type(w, IDC_EDIT_PASSWORD, "0000");  // a wrong attempt: the state changes
    Click(w, IDC_BUTTON_LOGIN);
    ExpectBox(c, tool, "Wrong password!  You have 5 chances remaining.");
    PostMessageA(w, WM_CLOSE, 0, 0);
    c.ExpectEq(tool.WaitForExit(10000), 0, "exit code after closing");
    c.Expect(ReadTextFile(state).find("\"wrongAttempts\": 1") != std::string::npos,
             "the state is in its file");
  }
  RefusedRun(c, p, {"--simulate=" + p.work + "\\" + stem + "-none.json"},
             stem + "-none.json: cannot be read", "");
}

// Started from a console with no standard handles at all, as a shell starts
// a window program, a simulation says on that console what it would have run.
void ParentConsoleRun(Checker& c, const Paths& p) {
  std::printf("run: started from a console\n");
  std::fflush(stdout);
  const test::OwnConsole console;
  c.Expect(console.ok, "a console of the driver's own");
  {
    ToolProcess tool;
    c.Expect(tool.Start(p.tool, {"--simulate=" + p.scenarios + "\\camera.json"}, true),
             "start the tool");
    const HWND w = tool.WaitForWindow(kTitle, kStartMs);
    c.Expect(w != nullptr, "main window appears");
    if (w) {
      Type(w, IDC_EDIT_PASSWORD, "1234");
      Click(w, IDC_BUTTON_LOGIN);
      ThroughNotice(c, tool, w, "");
      const std::string said = "simulation: would run: cmd.exe /c echo y|CHKDSK F: /F";
      c.Expect(
          WaitUntil([&] { return test::ConsoleText().find(said) != std::string::npos; }, kFlowMs),
          "the console shows \"" + said + "\"");
      PostMessageA(w, WM_CLOSE, 0, 0);
      c.ExpectEq(tool.WaitForExit(10000), 0, "exit code after closing");
    }
  }
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

  const std::string state = paths.work + "\\camera.state.json";
  OperatorFlowsRun(c, paths, state);
  EnterKeyRun(c, paths, state);

  RefusedRun(c, paths, {"--simulate=" + paths.scenarios + "\\missing.json"}, "missing.json",
             "refused-scenario");
  RefusedRun(c, paths, {"--bogus"}, "Unknown option: --bogus", "refused-option");
  ForeignNamesRun(c, paths);
  ParentConsoleRun(c, paths);

  std::printf("E2E DONE %d failed\n", c.failures());
  std::fflush(stdout);
  return c.failures() == 0 ? 0 : 1;
}
