// Time of one request through Windows' SCSI pass-through as the Windows
// programs make it, run under Wine inside the kernel rig (tests/rig/checks.sh)
// against a gadget camera, next to rig-bench's figure for the native port: the
// same request (the serial number), the median of five rounds of 40.
//
//   rig-request-time.exe DRIVE     (a letter: K)
//
// Google Benchmark is not built for Windows here; a round's mean is what it
// would report for one repetition.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "cameradata/CameraStatus.h"
#include "devicelink/DeviceSession.h"
#include "devicelink/Discovery.h"
#include "devicelink/win32/Win32VolumePort.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::printf("usage: rig-request-time DRIVE\n");
    return 2;
  }
  zul::Win32VolumePort volumes;
  zul::DeviceSession session(volumes);
  if (!zul::DiscoverCameraNamed(session, argv[1])) {
    std::printf("%s: no camera\n", argv[1]);
    return 1;
  }
  constexpr int kRounds = 5;
  constexpr int kRequests = 40;
  std::vector<double> perRequestUs;
  std::string serial;
  for (int round = 0; round < kRounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRequests; ++i) {
      if (!zul::ReadSerialNumber(session, serial)) {
        std::printf("%s: a request failed\n", argv[1]);
        return 1;
      }
    }
    const std::chrono::duration<double, std::micro> spent =
        std::chrono::steady_clock::now() - start;
    perRequestUs.push_back(spent.count() / kRequests);
  }
  session.ReleaseHandle();
  std::sort(perRequestUs.begin(), perRequestUs.end());
  std::printf("%s (%s): %.0f us a request, median of %d rounds of %d (%.0f to %.0f)\n", argv[1],
              serial.c_str(), perRequestUs[kRounds / 2], kRounds, kRequests, perRequestUs.front(),
              perRequestUs.back());
  return 0;
}
