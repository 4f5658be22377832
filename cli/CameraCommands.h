#pragma once
// zulctl's commands, each one exchange with the camera: find it, log in when
// the command changes something, send, and report. Each returns the exit
// status; results go to out, faults to err.

#include <ostream>

#include "DeviceSession.h"
#include "Options.h"
#include "Secret.h"
#include "TransferWatch.h"

namespace zul::cli {

class CameraCommands {
 public:
  // session must talk through watch. letter: the only drive to try, or 0 for
  // the first camera from D: on.
  CameraCommands(DeviceSession& session, TransferWatch& watch, char letter, std::ostream& out,
                 std::ostream& err)
      : session_(session), watch_(watch), letter_(letter), out_(out), err_(err) {}

  int List();
  int Status(bool json);
  // Logs in and, once the camera accepts, tells it to open its storage and
  // lets go of the drive.
  int Login(const Secret& password);
  // Logs in, then makes the change the options name (newPassword for
  // set-password only).
  int Change(const Options& options, const Secret& password, const Secret* newPassword);

 private:
  bool Find();
  int LogIn(const Secret& password, bool& administrator);
  int NoAnswer();

  DeviceSession& session_;
  TransferWatch& watch_;
  char letter_;
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace zul::cli
