#pragma once
// A stand-in for the kernel below the Linux port: it records each SG_IO
// request and answers as scripted.

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "devicelink/linux/LinuxSystem.h"

namespace zul::test {

// What the stand-in kernel does with the next SG_IO request.
struct KernelReply {
  int rc = 0;                      // 0 or -errno
  std::vector<std::uint8_t> data;  // written to dxferp, at most dxfer_len bytes
  int resid = 0;
  unsigned char status = 0;
  unsigned short host = 0;
  unsigned short driver = 0;
  std::vector<std::uint8_t> sense;  // written to sbp; sb_len_wr is its size
};

// What the port asked for.
struct SeenRequest {
  int fd = -1;
  int interfaceId = 0;
  int direction = 0;
  std::vector<std::uint8_t> cdb;
  unsigned dxferLen = 0;
  unsigned timeout = 0;
  unsigned mxSbLen = 0;
  std::vector<std::uint8_t> dataOut;
};

class FakeKernel final : public LinuxSystem {
 public:
  int Open(const char* path, int flags) override {
    lastFlags = flags;
    const auto e = openErrors.find(path);
    if (e != openErrors.end()) return -e->second;
    paths[nextFd] = path;
    return nextFd++;
  }
  int SgIo(int fd, sg_io_hdr_t& io) override {
    SeenRequest r;
    r.fd = fd;
    r.interfaceId = io.interface_id;
    r.direction = io.dxfer_direction;
    const auto* cdb = static_cast<const std::uint8_t*>(io.cmdp);
    r.cdb.assign(cdb, cdb + io.cmd_len);
    r.dxferLen = io.dxfer_len;
    r.timeout = io.timeout;
    r.mxSbLen = io.mx_sb_len;
    auto* data = static_cast<std::uint8_t*>(io.dxferp);
    if (io.dxfer_direction == SG_DXFER_TO_DEV) r.dataOut.assign(data, data + io.dxfer_len);
    seen.push_back(r);
    const KernelReply reply = answer ? answer(paths[fd], r.cdb) : this->reply;
    if (reply.rc != 0) return reply.rc;
    if (io.dxfer_direction == SG_DXFER_FROM_DEV && !reply.data.empty()) {
      std::memcpy(data, reply.data.data(), std::min<std::size_t>(reply.data.size(), io.dxfer_len));
    }
    if (!reply.sense.empty()) {
      std::memcpy(io.sbp, reply.sense.data(), std::min<std::size_t>(reply.sense.size(), 255));
    }
    io.sb_len_wr = static_cast<unsigned char>(reply.sense.size());
    io.resid = reply.resid;
    io.status = reply.status;
    io.host_status = reply.host;
    io.driver_status = reply.driver;
    return 0;
  }
  int RereadPartitions(int) override { return 0; }
  void Close(int fd) override { closed.push_back(fd); }

  std::map<std::string, int> openErrors;
  int nextFd = 0;  // descriptor 0 is a real descriptor too
  int lastFlags = 0;
  KernelReply reply;
  // When set, answers instead of reply, by the path the descriptor was opened on.
  std::function<KernelReply(const std::string& path, const std::vector<std::uint8_t>& cdb)> answer;
  std::vector<SeenRequest> seen;
  std::vector<int> closed;
  std::map<int, std::string> paths;
};

}  // namespace zul::test
