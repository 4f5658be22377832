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

#include "cameradata/TextField.h"
#include "cli/ExitCode.h"
#include "devicelink/CommandCatalogue.h"
#include "res/resource.h"
#include "tests/reliability/Flows.h"
#include "ui/framework/WinDefs.h"

namespace zul::test {
namespace {

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
  const unsigned attemptsBefore = rig.Camera().camera->state.wrongAttempts;
  const Outcome o = flow.run(rig);
  const unsigned attemptsAfter = rig.Camera().camera->state.wrongAttempts;

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
    // A password chunk that came back incomplete ends the login: the camera
    // may not have taken it.
    if (o.noAnswer && !IsLoginChunk(clean.requests[k - 1])) {
      faults.push_back("a completed transfer reported as no answer");
    }
    if (!o.success && !Decides(clean.requests[k - 1])) {
      faults.push_back("no success although the faulted answer decides nothing");
    }
  }
  // The camera counts a wrong attempt only for a whole password whose verdict
  // came back: never when a transfer up to the check failed or was cut short.
  std::size_t check = 0;
  for (std::size_t i = 0; i < clean.requests.size(); ++i) {
    if (VendorCode(clean.requests[i]) == CMD_CHECK_PASSWORD) check = i + 1;
  }
  const bool lost = fault == Fault::Fail || fault == Fault::Unplug;
  const bool brokenPassword = (k <= check && lost) || IsLoginChunk(clean.requests[k - 1]) ||
                              (k == check && fault == Fault::Check);
  if (attemptsAfter > attemptsBefore && brokenPassword) {
    faults.push_back("a wrong attempt counted after a faulted transfer (" +
                     std::to_string(attemptsBefore) + " -> " + std::to_string(attemptsAfter) + ")");
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
