#pragma once
// Reads vendor commands back from the bytes on the wire, by the layout of the
// command block alone (FA .. .. FE, the code big-endian in bytes 4 to 7), not
// through the catalogue the product builds them with.

#include <cstdint>
#include <vector>

#include "simulator/SimulatedDrives.h"

namespace zul::test {

// The vendor command code a command block carries; 0 for any other block.
inline std::uint32_t VendorCode(const std::vector<std::uint8_t>& cdb) {
  if (cdb.size() != 16 || cdb[0] != 0xFA || cdb[3] != 0xFE) return 0;
  return std::uint32_t(cdb[4]) << 24 | std::uint32_t(cdb[5]) << 16 | std::uint32_t(cdb[6]) << 8 |
         cdb[7];
}

// The vendor command codes among requests, in order.
inline std::vector<std::uint32_t> VendorCodes(const std::vector<sim::RequestRecord>& requests) {
  std::vector<std::uint32_t> codes;
  for (const sim::RequestRecord& r : requests) {
    if (const std::uint32_t code = VendorCode(r.cdb)) codes.push_back(code);
  }
  return codes;
}

}  // namespace zul::test
