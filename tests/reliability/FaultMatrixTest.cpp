// Every exchange with the camera, run once for each of its requests with that
// request failing, answered short, answered with a check condition, and with
// the camera pulled out from that request on. Whatever happens the tool must
// not crash, must hold at most one volume handle, and must report success
// exactly when no transfer of the exchange failed.
//
// What "failed" means: the system call failed (a failed request, or the
// camera gone). A short answer or a check condition is a completed transfer:
// the system call succeeded and the tool does not look at the SCSI status, so
// such a run must not be reported as a camera that did not answer, and it must
// end in success unless the faulted answer decides the outcome itself (the
// drive scan's INQUIRY and identification, the password and its verdict).

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "CommandCatalogue.h"
#include "ExitCode.h"
#include "Rig.h"
#include "TextField.h"
#include "WinDefs.h"
#include "resource.h"

namespace zul::test {
namespace {

constexpr char kNoAnswerText[] =
    "The camera did not answer. Please check the USB connection and try again.";

enum class Fault { Fail, Short, Check, Unplug };
constexpr Fault kFaults[] = {Fault::Fail, Fault::Short, Fault::Check, Fault::Unplug};
const char* Name(Fault f) {
  switch (f) {
    case Fault::Fail:
      return "fail";
    case Fault::Short:
      return "short";
    case Fault::Check:
      return "check";
    case Fault::Unplug:
      return "unplug";
  }
  return "?";
}

// How a flow ended, as the operator sees it.
struct Outcome {
  bool success = false;   // the success message, a connected panel, or exit status 0
  bool noAnswer = false;  // reported as a camera that did not answer
  bool loggedIn = false;  // the window's logged-in state after the flow
};

std::uint32_t VendorCode(const std::vector<std::uint8_t>& cdb) {
  if (cdb.size() != 16 || cdb[0] != 0xFA || cdb[3] != 0xFE) return 0;
  return std::uint32_t(cdb[4]) << 24 | std::uint32_t(cdb[5]) << 16 | std::uint32_t(cdb[6]) << 8 |
         cdb[7];
}

// Answers whose content decides the outcome: a short or refused one may
// rightly end the flow without success.
bool Decides(const std::vector<std::uint8_t>& cdb) {
  if (cdb.size() == 6 && cdb[0] == 0x12) return true;                     // INQUIRY
  if (cdb.size() == 16 && cdb[0] == 0xFA && cdb[3] == 0x01) return true;  // identification
  const std::uint32_t code = VendorCode(cdb);
  if (code == CMD_CHECK_PASSWORD) return true;
  return code == CMD_WRITE_TEXT_CHUNK && cdb[8] == TEXT_LOGIN_PASSWORD;
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

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// ---- The window's flows ----

Outcome WindowOutcome(Rig& rig, std::size_t boxesBefore, const std::string& successText) {
  const std::vector<std::string> boxes = rig.Boxes();
  const std::vector<std::string> shown(boxes.begin() + std::ptrdiff_t(boxesBefore), boxes.end());
  Outcome o;
  o.success = successText.empty() ? rig.dlg.status.connected : Contains(shown, successText);
  o.noAnswer = Contains(shown, kNoAnswerText);
  o.loggedIn = rig.dlg.status.loggedIn;
  return o;
}

std::vector<Flow> WindowFlows() {
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
                     rig.window->DeviceChange(DBT_DEVICEARRIVAL);
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

Flow ZulctlFlow(const std::string& name, std::vector<std::string> args, std::string input = "") {
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

std::vector<Flow> ZulctlFlows() {
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

std::vector<Flow> AllFlows() {
  std::vector<Flow> flows = WindowFlows();
  for (Flow& f : ZulctlFlows()) flows.push_back(std::move(f));
  return flows;
}

// ---- The runner ----

struct CleanRun {
  std::uint64_t first = 0;                          // the camera's request number before the flow
  std::vector<std::vector<std::uint8_t>> requests;  // the camera's requests, in order
};

CleanRun CountRequests(const Flow& flow) {
  Rig rig;
  flow.prepare(rig);
  CleanRun clean;
  clean.first = rig.Camera().requests;
  rig.drives.RecordRequests(true);
  const Outcome o = flow.run(rig);
  EXPECT_TRUE(o.success) << flow.name << ": fails without a fault";
  for (const sim::RequestRecord& r : rig.drives.Requests()) {
    if (r.letter == kCameraLetter) clean.requests.push_back(r.cdb);
  }
  return clean;
}

// One run with one fault; returns what went wrong, or nothing.
std::vector<std::string> RunWithFault(const Flow& flow, const CleanRun& clean, std::size_t k,
                                      Fault fault) {
  Rig rig;
  flow.prepare(rig);
  const std::uint64_t number = clean.first + k;  // k is 1-based
  sim::FaultPlan& plan = rig.Camera().faults;
  switch (fault) {
    case Fault::Fail:
      plan.failRequests.insert(number);
      break;
    case Fault::Short:
      plan.shortRequests.insert(number);
      break;
    case Fault::Check:
      plan.checkRequests.insert(number);
      break;
    case Fault::Unplug:
      plan.failFrom = number;
      break;
  }
  rig.drives.RecordRequests(true);
  const bool wasLoggedIn = rig.dlg.status.loggedIn;
  const Outcome o = flow.run(rig);

  // Where the verdict is decided: the last request of the clean run with the
  // flow's deciding code.
  std::size_t decided = clean.requests.size();
  if (flow.decidedAfter) {
    for (std::size_t i = 0; i < clean.requests.size(); ++i) {
      if (VendorCode(clean.requests[i]) == flow.decidedAfter) decided = i + 1;
    }
  }
  bool failed = false;  // a transfer of the flow whose failure it must notice
  std::size_t seen = 0;
  for (const sim::RequestRecord& r : rig.drives.Requests()) {
    if (r.letter != kCameraLetter) continue;
    if (++seen > decided) break;
    if (r.ok) continue;
    const std::uint32_t code = VendorCode(r.cdb);
    if (std::find(flow.unnoticed.begin(), flow.unnoticed.end(), code) == flow.unnoticed.end()) {
      failed = true;
    }
  }
  std::vector<std::string> faults;
  if (rig.drives.OpenHandleCount() > 1) {
    faults.push_back(std::to_string(rig.drives.OpenHandleCount()) + " handles open");
  }
  if (fault == Fault::Fail || fault == Fault::Unplug) {
    if (o.success == failed) {
      faults.push_back(o.success ? "success reported after a failed transfer"
                                 : "no success although every transfer went through");
    }
  } else {
    if (o.noAnswer) faults.push_back("a completed transfer reported as no answer");
    if (!o.success && !Decides(clean.requests[k - 1])) {
      faults.push_back("no success although the faulted answer decides nothing");
    }
  }
  if (o.loggedIn && !wasLoggedIn && !o.success) {
    faults.push_back("logged in after a failed exchange");
  }
  if (!o.success && flow.inputKept && (o.noAnswer || failed)) {
    if (std::string lost = flow.inputKept(rig); !lost.empty()) faults.push_back(lost);
  }
  return faults;
}

TEST(FaultMatrix, EveryRequestOfEveryFlowUnderEveryFault) {
  const std::vector<Flow> flows = AllFlows();
  std::size_t points = 0, runs = 0, passed = 0;
  for (const Flow& flow : flows) {
    const CleanRun clean = CountRequests(flow);
    ASSERT_FALSE(clean.requests.empty()) << flow.name;
    points += clean.requests.size();
    for (std::size_t k = 1; k <= clean.requests.size(); ++k) {
      for (Fault fault : kFaults) {
        ++runs;
        const std::vector<std::string> faults = RunWithFault(flow, clean, k, fault);
        if (faults.empty()) {
          ++passed;
          continue;
        }
        for (const std::string& f : faults) {
          ADD_FAILURE() << flow.name << ", request " << k << " of " << clean.requests.size() << ", "
                        << Name(fault) << ": " << f;
        }
      }
    }
  }
  std::printf("fault matrix: %zu flows, %zu points, %zu kinds, %zu runs, %zu passed\n",
              flows.size(), points, std::size(kFaults), runs, passed);
  EXPECT_EQ(passed, runs);
}

}  // namespace
}  // namespace zul::test
