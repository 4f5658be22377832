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
  std::string name;
  std::function<void(Rig&)> prepare;  // what happens before the flow (not faulted)
  std::function<Outcome(Rig&)> run;
  // Requests whose failure the flow leaves unnoticed by design: the readout's
  // last step, the login state.
  std::vector<std::uint32_t> unnoticed;
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
  return flows;
}

// ---- zulctl ----

Flow ZulctlFlow(const std::string& name, std::vector<std::string> args, std::string input = "") {
  return {"zulctl " + name,
          [](Rig&) {},
          [args, input](Rig& rig) {
            const CliRun run = rig.Zulctl(args, input);
            Outcome o;
            o.success = run.status == cli::kExitDone;
            o.noAnswer = run.status == cli::kExitNoAnswer;
            if (o.success != run.err.empty())
              ADD_FAILURE() << "exit " << run.status << ": " << run.err;
            return o;
          },
          {}};
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
  const Outcome o = flow.run(rig);

  bool failed = false;  // a transfer of the flow whose failure it must notice
  for (const sim::RequestRecord& r : rig.drives.Requests()) {
    if (r.ok || r.letter != kCameraLetter) continue;
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
  if (o.loggedIn && !o.success) faults.push_back("logged in after a failed exchange");
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
