#pragma once
// Every exchange with the camera that the window and zulctl make, as flows
// over a Rig (support/CameraWorld.h): what comes before (not under test), the flow itself, and how
// it ended as the operator sees it. The fault matrix and the recorded traces run the same list.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "cameradata/TextField.h"
#include "cli/ExitCode.h"
#include "devicelink/CommandCatalogue.h"
#include "res/resource.h"
#include "tests/support/CameraWorld.h"
#include "ui/framework/WinDefs.h"

namespace zul::test {

// How a flow ended, as the operator sees it.
struct Outcome {
  bool success = false;   // the success message, a connected panel, or exit status 0
  bool noAnswer = false;  // reported as a camera that did not answer
  bool loggedIn = false;  // the window's logged-in state after the flow
};

inline bool IsLoginChunk(const std::vector<std::uint8_t>& cdb) {
  return VendorCode(cdb) == CMD_WRITE_TEXT_CHUNK && cdb[8] == TEXT_LOGIN_PASSWORD;
}

// Answers whose content decides the outcome: a short or refused one may
// rightly end the flow without success.
inline bool Decides(const std::vector<std::uint8_t>& cdb) {
  if (cdb.size() == 6 && cdb[0] == 0x12) return true;                     // INQUIRY
  if (cdb.size() == 16 && cdb[0] == 0xFA && cdb[3] == 0x01) return true;  // identification
  const std::uint32_t code = VendorCode(cdb);
  return code == CMD_CHECK_PASSWORD || IsLoginChunk(cdb);
}

struct Flow {
  Flow(std::string name, std::function<void(Rig&)> prepare, std::function<Outcome(Rig&)> run,
       std::vector<std::uint32_t> unnoticed = {}, std::uint32_t decidedAfter = 0,
       std::function<std::string(Rig&)> inputKept = {})
      : name(std::move(name)),
        prepare(std::move(prepare)),
        run(std::move(run)),
        unnoticed(std::move(unnoticed)),
        decidedAfter(decidedAfter),
        inputKept(std::move(inputKept)) {}

  std::string name;
  std::function<void(Rig&)> prepare;  // what happens before the flow (not faulted)
  std::function<Outcome(Rig&)> run;
  // Requests whose failure the flow leaves unnoticed by design: the readout's
  // last step, the login state.
  std::vector<std::uint32_t> unnoticed;
  // A request after which failures no longer change the verdict (0: none):
  // once the camera accepted the password the login stands, and once it took
  // the reference texts the readout that follows only refreshes the panel.
  std::uint32_t decidedAfter = 0;
  // On a failed exchange, what the operator typed must still be there.
  std::function<std::string(Rig&)> inputKept;
};

inline bool Contains(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// ---- The window's flows ----

inline Outcome WindowOutcome(Rig& rig, std::size_t boxesBefore, const std::string& successText) {
  const std::vector<std::string> boxes = rig.Boxes();
  const std::vector<std::string> shown(boxes.begin() + std::ptrdiff_t(boxesBefore), boxes.end());
  Outcome o;
  o.success = successText.empty() ? rig.dlg.status.connected : Contains(shown, successText);
  o.noAnswer = Contains(shown, kNoAnswer);
  o.loggedIn = rig.dlg.status.loggedIn;
  return o;
}

inline std::vector<Flow> WindowFlows() {
  const std::vector<std::uint32_t> loginState{CMD_GET_LOGIN_STATE};
  std::vector<Flow> flows;
  flows.push_back({"window start-up readout", [](Rig&) {},
                   [](Rig& rig) {
                     rig.Open();
                     return WindowOutcome(rig, 0, "");
                   },
                   loginState});
  flows.push_back({"window arrival readout", [](Rig& rig) { rig.Open(); },
                   [](Rig& rig) {
                     rig.window->DeviceChange(win::kDbtDeviceArrival);
                     return WindowOutcome(rig, 0, "");
                   },
                   loginState});

  // Logged in, with the editors of one group opened.
  auto loggedIn = [](Rig& rig) {
    rig.Open();
    rig.window->Type(IDC_EDIT_PASSWORD, kUserPassword);
    rig.window->Click(IDC_BUTTON_LOGIN);
    EXPECT_TRUE(rig.dlg.status.loggedIn);
  };
  auto click = [](int id, const char* success) {
    return [id, success](Rig& rig) {
      const std::size_t before = rig.Boxes().size();
      rig.window->Click(id);
      return WindowOutcome(rig, before, success);
    };
  };
  flows.push_back({"window login accepted",
                   [](Rig& rig) {
                     rig.Open();
                     rig.window->Type(IDC_EDIT_PASSWORD, kUserPassword);
                   },
                   [](Rig& rig) {
                     const std::size_t before = rig.Boxes().size();
                     rig.window->Click(IDC_BUTTON_LOGIN);
                     Outcome o = WindowOutcome(rig, before, "");
                     o.success = rig.dlg.status.loggedIn;
                     return o;
                   },
                   {},
                   CMD_CHECK_PASSWORD});
  flows.push_back({"window login refused",
                   [](Rig& rig) {
                     rig.Open();
                     rig.window->Type(IDC_EDIT_PASSWORD, "9999");
                   },
                   [](Rig& rig) {
                     const std::size_t before = rig.Boxes().size();
                     rig.window->Click(IDC_BUTTON_LOGIN);
                     Outcome o = WindowOutcome(rig, before, "");
                     o.success = false;  // the verdict shown
                     const std::vector<std::string> boxes = rig.Boxes();
                     for (std::size_t i = before; i < boxes.size(); ++i) {
                       if (boxes[i].starts_with("Wrong password!")) o.success = true;
                     }
                     return o;
                   }});
  flows.push_back({"window new password",
                   [loggedIn](Rig& rig) {
                     loggedIn(rig);
                     rig.window->Click(IDC_BUTTON_MODIFY_PASSWORD);
                     rig.window->Type(IDC_EDIT_NEW_PASSWORD, "4711abcd");
                   },
                   click(IDC_BUTTON_ENTER_PASSWORD, "You've updated your password!"),
                   {},
                   0,
                   [](Rig& rig) -> std::string {
                     const auto& w = *rig.window;
                     if (!w.IsControlEnabled(IDC_EDIT_NEW_PASSWORD) ||
                         !w.IsControlEnabled(IDC_BUTTON_ENTER_PASSWORD) ||
                         w.Text(IDC_EDIT_NEW_PASSWORD) != "4711abcd") {
                       return "the new password group lost the typed password";
                     }
                     return "";
                   }});
  flows.push_back({"window hint",
                   [loggedIn](Rig& rig) {
                     loggedIn(rig);
                     rig.window->Click(IDC_BUTTON_MODIFY_HINT);
                     rig.window->Type(IDC_EDIT_NEW_HINT, "the name of the first dog");
                   },
                   click(IDC_BUTTON_ENTER_HINT, "You've updated your hint!"),
                   {},
                   0,
                   [](Rig& rig) -> std::string {
                     const auto& w = *rig.window;
                     if (!w.IsControlEnabled(IDC_EDIT_NEW_HINT) ||
                         !w.IsControlEnabled(IDC_BUTTON_ENTER_HINT) ||
                         w.Text(IDC_EDIT_NEW_HINT) != "the name of the first dog") {
                       return "the hint group lost the typed hint";
                     }
                     if (w.Text(IDC_EDIT_HINT_DISPLAY) != "pet name") return "the old hint is gone";
                     return "";
                   }});
  flows.push_back({"window reference",
                   [loggedIn](Rig& rig) {
                     loggedIn(rig);
                     rig.window->Click(IDC_BUTTON_MODIFY_REFERENCE);
                     rig.window->SetControlText(IDC_EDIT_OFFICER, "Sgt Brown of the night shift");
                     rig.window->SetControlText(IDC_EDIT_ADDITIONAL, "Car 12");
                   },
                   click(IDC_BUTTON_ENTER_REFERENCE, "You've updated your reference data!"),
                   {},
                   CMD_WRITE_TEXT_CHUNK,  // see below: the last chunk of the last text
                   [](Rig& rig) -> std::string {
                     const auto& w = *rig.window;
                     for (int id : {IDC_EDIT_OFFICER, IDC_EDIT_DEPARTMENT, IDC_EDIT_ADDITIONAL,
                                    IDC_BUTTON_ENTER_REFERENCE}) {
                       if (!w.IsControlEnabled(id)) return "a reference field was locked";
                     }
                     if (w.Text(IDC_EDIT_OFFICER) != "Sgt Brown of the night shift" ||
                         w.Text(IDC_EDIT_DEPARTMENT) != "Traffic" ||
                         w.Text(IDC_EDIT_ADDITIONAL) != "Car 12") {
                       return "the typed reference texts were overwritten";
                     }
                     return "";
                   }});
  flows.push_back(
      {"window time sync", loggedIn, click(IDC_BUTTON_SYNC_TIME, "Time sync completed!")});
  flows.push_back({"window resolution", loggedIn, [](Rig& rig) {
                     const std::size_t before = rig.Boxes().size();
                     rig.window->SelectComboItem(IDC_COMBO_RESOLUTION, 1);
                     return WindowOutcome(rig, before, "Change video resolution to 720P.");
                   }});
  flows.push_back({"window loop recording", loggedIn, [](Rig& rig) {
                     const std::size_t before = rig.Boxes().size();
                     rig.window->SelectComboItem(IDC_COMBO_LOOP_RECORDING, 0);
                     return WindowOutcome(rig, before, "Loop recording off!");
                   }});
  // "Open file folder" sends nothing to the camera: it has no request to fault.
  return flows;
}

// ---- zulctl ----

inline Flow ZulctlFlow(const std::string& name, std::vector<std::string> args,
                       std::string input = "") {
  return Flow(
      "zulctl " + name, [](Rig&) {},
      [args, input](Rig& rig) {
        const CliRun run = rig.Zulctl(args, input);
        Outcome o;
        o.success = run.status == cli::kExitDone;
        o.noAnswer = run.status == cli::kExitNoAnswer;
        if (o.success != run.err.empty()) ADD_FAILURE() << "exit " << run.status << ": " << run.err;
        return o;
      });
}

inline std::vector<Flow> ZulctlFlows() {
  const std::string pw = std::string(kUserPassword) + "\n";
  return {
      ZulctlFlow("list", {"list"}),
      ZulctlFlow("status", {"status"}),
      ZulctlFlow("status --json", {"status", "--json"}),
      ZulctlFlow("login", {"login"}, pw),
      ZulctlFlow("login (administrator)", {"login"}, std::string(kAdminPassword) + "\n"),
      ZulctlFlow("set-time", {"set-time"}, pw),
      ZulctlFlow("set-resolution", {"set-resolution", "720p"}, pw),
      ZulctlFlow("set-loop", {"set-loop", "off"}, pw),
      ZulctlFlow("set-hint", {"set-hint", "the name of the first dog"}, pw),
      ZulctlFlow("set-reference",
                 {"set-reference", "--officer", "Sgt Brown", "--additional", "Car 12"}, pw),
      ZulctlFlow("set-password", {"set-password"}, pw + "77aa88bb\n"),
  };
}

inline std::vector<Flow> AllFlows() {
  std::vector<Flow> flows = WindowFlows();
  for (Flow& f : ZulctlFlows()) flows.push_back(std::move(f));
  return flows;
}

}  // namespace zul::test
