#include "gadget/FunctionFs.h"

#include <endian.h>
#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

namespace zul::gadget {
namespace {

struct __attribute__((packed)) SpeedDescriptors {
  usb_interface_descriptor intf;
  usb_endpoint_descriptor_no_audio in;
  usb_endpoint_descriptor_no_audio out;
};

struct __attribute__((packed)) Descriptors {
  usb_functionfs_descs_head_v2 header;
  __le32 fsCount;
  __le32 hsCount;
  SpeedDescriptors fs;
  SpeedDescriptors hs;
};

constexpr char kInterfaceName[] = "Camera mass storage";

struct __attribute__((packed)) Strings {
  usb_functionfs_strings_head header;
  __le16 language;
  char name[sizeof kInterfaceName];
};

SpeedDescriptors Speed(std::uint16_t maxPacket) {
  SpeedDescriptors d{};
  d.intf.bLength = sizeof d.intf;
  d.intf.bDescriptorType = USB_DT_INTERFACE;
  d.intf.bNumEndpoints = 2;
  d.intf.bInterfaceClass = USB_CLASS_MASS_STORAGE;
  d.intf.bInterfaceSubClass = 0x06;  // SCSI transparent command set
  d.intf.bInterfaceProtocol = 0x50;  // Bulk-Only Transport
  d.intf.iInterface = 1;
  d.in.bLength = d.out.bLength = sizeof d.in;
  d.in.bDescriptorType = d.out.bDescriptorType = USB_DT_ENDPOINT;
  d.in.bEndpointAddress = 1 | USB_DIR_IN;
  d.out.bEndpointAddress = 2 | USB_DIR_OUT;
  d.in.bmAttributes = d.out.bmAttributes = USB_ENDPOINT_XFER_BULK;
  d.in.wMaxPacketSize = d.out.wMaxPacketSize = htole16(maxPacket);
  return d;
}

bool WriteAll(int fd, const void* data, std::size_t n) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (n > 0) {
    const ssize_t w = write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

bool ReadAll(int fd, std::uint8_t* p, std::size_t n) {
  while (n > 0) {
    const ssize_t r = read(fd, p, n);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    n -= static_cast<std::size_t>(r);
  }
  return true;
}

class Endpoints : public BulkEndpoints {
 public:
  Endpoints(int in, int out) : in_(in), out_(out) {}
  bool Read(std::uint8_t* data, std::size_t length) override { return ReadAll(out_, data, length); }
  bool Write(const std::uint8_t* data, std::size_t length) override {
    return WriteAll(in_, data, length);
  }
  // FunctionFS halts an endpoint when it is used against its direction.
  void HaltIn() override {
    std::uint8_t b;
    (void)!read(in_, &b, 1);
  }
  void HaltOut() override { (void)!write(out_, "", 1); }

 private:
  const int in_, out_;
};

std::string Hex(const std::uint8_t* p, std::size_t n) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    if (i) s += ' ';
    s += {digits[p[i] >> 4], digits[p[i] & 15]};
  }
  return s;
}

void ServeControl(int ep0, BulkOnlyTransport& transport, const FunctionFsHooks& hooks,
                  std::atomic<bool>& stop, std::atomic<bool>& replugged) {
  bool unbound = false;
  usb_functionfs_event events[4];
  std::uint8_t ack = 0;
  while (!stop) {
    const ssize_t r = read(ep0, events, sizeof events);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return;
    for (std::size_t i = 0; i < static_cast<std::size_t>(r) / sizeof events[0]; ++i) {
      const usb_functionfs_event& e = events[i];
      if (e.type == FUNCTIONFS_UNBIND) unbound = true;
      if (e.type == FUNCTIONFS_BIND && unbound) {
        unbound = false;
        transport.Reset();
        replugged = true;  // taken in by the bulk loop, before the next command
      }
      if (e.type != FUNCTIONFS_SETUP) continue;
      const usb_ctrlrequest& c = e.u.setup;
      const bool classRequest = (c.bRequestType & USB_TYPE_MASK) == USB_TYPE_CLASS;
      if (classRequest && c.bRequest == kGetMaxLun && (c.bRequestType & USB_DIR_IN)) {
        const std::uint8_t lun = 0;
        (void)!write(ep0, &lun, 1);
      } else if (classRequest && c.bRequest == kMassStorageReset &&
                 !(c.bRequestType & USB_DIR_IN)) {
        transport.Reset();
        if (hooks.log) hooks.log("Bulk-Only Mass Storage Reset");
        (void)!read(ep0, &ack, 0);               // acknowledges the request
      } else if (c.bRequestType & USB_DIR_IN) {  // any other request is stalled:
        (void)!read(ep0, &ack, 0);               // FunctionFS stalls ep0 when it is
      } else {                                   // used against the request's direction
        (void)!write(ep0, &ack, 0);
      }
    }
  }
}

}  // namespace

int ServeFunctionFs(const std::string& dir, BulkOnlyTransport& transport,
                    const FunctionFsHooks& hooks, std::string& error) {
  const int ep0 = open((dir + "/ep0").c_str(), O_RDWR);
  if (ep0 < 0) {
    error = dir + "/ep0: " + std::strerror(errno);
    return 1;
  }
  Descriptors d{};
  d.header.magic = htole32(FUNCTIONFS_DESCRIPTORS_MAGIC_V2);
  d.header.length = htole32(sizeof d);
  d.header.flags = htole32(FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC);
  d.fsCount = d.hsCount = htole32(3);
  d.fs = Speed(64);
  d.hs = Speed(512);
  Strings s{};
  s.header.magic = htole32(FUNCTIONFS_STRINGS_MAGIC);
  s.header.length = htole32(sizeof s);
  s.header.str_count = htole32(1);
  s.header.lang_count = htole32(1);
  s.language = htole16(0x0409);
  std::memcpy(s.name, kInterfaceName, sizeof kInterfaceName);
  if (!WriteAll(ep0, &d, sizeof d) || !WriteAll(ep0, &s, sizeof s)) {
    error = dir + "/ep0: descriptors refused: " + std::strerror(errno);
    close(ep0);
    return 1;
  }
  const int in = open((dir + "/ep1").c_str(), O_RDWR);
  const int out = open((dir + "/ep2").c_str(), O_RDWR);
  if (in < 0 || out < 0) {
    error = dir + ": endpoints cannot be opened: " + std::strerror(errno);
    close(ep0);
    return 1;
  }

  std::atomic<bool> stop = false, replugged = false;
  std::thread control(ServeControl, ep0, std::ref(transport), std::cref(hooks), std::ref(stop),
                      std::ref(replugged));
  Endpoints endpoints(in, out);
  std::uint8_t cbw[512];
  int rc = 0;
  for (;;) {
    const ssize_t r = read(out, cbw, sizeof cbw);
    if (r < 0) {  // not configured, reset or unbound: wait for the host again
      if (errno == EINTR || errno == ESHUTDOWN || errno == ECONNRESET || errno == EAGAIN ||
          errno == ENODEV || errno == EBADMSG) {
        usleep(errno == EINTR ? 0 : 10000);
        continue;
      }
      error = dir + "/ep2: " + std::strerror(errno);
      rc = 1;
      break;
    }
    if (replugged.exchange(false) && hooks.replugged) hooks.replugged();
    Step step = transport.Command(cbw, static_cast<std::size_t>(r));
    if (hooks.log && r == static_cast<ssize_t>(kCbwLength)) {
      hooks.log("CBW " + Hex(cbw + 15, cbw[14] & 0x1F));
    }
    if (step.kind == Step::Kind::Unplug) {
      if (hooks.log) hooks.log("unplugged");
      break;
    }
    CarryOut(transport, step, endpoints);
  }
  stop = true;
  close(in);
  close(out);
  // Closing ep0 takes the function away: the controller lets go of the bus.
  // The control thread may sit in a read that only the process's end ends.
  close(ep0);
  control.detach();
  return rc;
}

}  // namespace zul::gadget
