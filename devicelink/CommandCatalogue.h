#pragma once
// Every vendor command the tool sends. Byte 4 of the code groups them: 0x06
// changes something in the camera, 0x60 reads something, 0x66 checks a password.

#include <cstdint>

namespace zul {

inline constexpr std::uint32_t CMD_SET_RESOLUTION = 0x06000001;
inline constexpr std::uint32_t CMD_SET_LOOP_RECORDING = 0x06000002;
inline constexpr std::uint32_t CMD_SET_TIME = 0x06000003;
inline constexpr std::uint32_t CMD_SET_DATE = 0x06000004;
inline constexpr std::uint32_t CMD_ALLOW_DISK_ACCESS = 0x06000005;
inline constexpr std::uint32_t CMD_WRITE_TEXT_CHUNK = 0x06000025;
inline constexpr std::uint32_t CMD_GET_RESOLUTION = 0x60000001;
inline constexpr std::uint32_t CMD_GET_LOOP_RECORDING = 0x60000002;
inline constexpr std::uint32_t CMD_QUERY_0D = 0x6000000D;
inline constexpr std::uint32_t CMD_GET_SERIAL_NUMBER = 0x60000014;
inline constexpr std::uint32_t CMD_GET_LOGIN_STATE = 0x60000018;
inline constexpr std::uint32_t CMD_GET_FIRMWARE_PART1 = 0x6000001A;
inline constexpr std::uint32_t CMD_GET_FIRMWARE_PART2 = 0x6000001B;
inline constexpr std::uint32_t CMD_GET_FIRMWARE_PART3 = 0x6000001C;
inline constexpr std::uint32_t CMD_READ_TEXT_CHUNK = 0x60000024;
inline constexpr std::uint32_t CMD_QUERY_28 = 0x60000028;
inline constexpr std::uint32_t CMD_CHECK_PASSWORD = 0x66000000;

// Bytes 0 to 2 of every vendor command block and of the identification request.
inline constexpr std::uint8_t kSignature[3] = {0xFA, 0x55, 0x66};

// Marker byte 3 of a vendor command block, and of the identification request.
inline constexpr std::uint8_t kVendorMarker = 0xFE;
inline constexpr std::uint8_t kIdentifyMarker = 0x01;

// The two further blocks sent during discovery.
inline constexpr std::uint8_t kInquiryOpcode = 0x12;
inline constexpr std::uint32_t kInquiryLength = 36;
inline constexpr std::uint32_t kIdentifyReplyLength = 16;

}  // namespace zul
