#pragma once
// Protocol constants shared by the console, the agent, the filter service and the setup:
// command names, ports, and the check value of the quit request.

#include <QStringView>

#include <cstdint>
#include <optional>

namespace corvela {

// Command names of the teacher and service links. Compared exactly (case-sensitive).
namespace Command {
inline constexpr QStringView XHKEY = u"XHKEY";
inline constexpr QStringView NAME = u"NAME";
inline constexpr QStringView ECHO = u"ECHO";
inline constexpr QStringView LOGIN = u"LOGIN";
inline constexpr QStringView LOGOUT = u"LOGOUT";
inline constexpr QStringView FWSTART = u"FWSTART";
inline constexpr QStringView FWSTOP = u"FWSTOP";
inline constexpr QStringView SAFEWEB = u"SAFEWEB";
inline constexpr QStringView SHUTDOWN = u"SHUTDOWN";
inline constexpr QStringView REBOOT = u"REBOOT";
inline constexpr QStringView SUSPEND = u"SUSPEND";
inline constexpr QStringView SCSTART = u"SCSTART";
inline constexpr QStringView SCSTOP = u"SCSTOP";
inline constexpr QStringView SCDATA = u"SCDATA";
} // namespace Command

// Port of a classroom without a valid number, and always the filter service's port.
inline constexpr std::uint16_t kBasePort = 55000;
inline constexpr std::uint16_t kServicePort = kBasePort;
inline constexpr int kMinClassroom = 1;
inline constexpr int kMaxClassroom = 99;

// Classroom c in 1..99 meets on 55000 + 10 * c; every other number, and no number, on 55000.
std::uint16_t ClassroomPort(std::int32_t classroom);
std::uint16_t ClassroomPort(std::optional<std::int32_t> classroom);

// Window-message number of the quit request the setup posts to the running programs.
inline constexpr std::uint32_t kQuitRequestMessage = 0x500;

// Check value (lParam) of a quit request with the given wParam:
// (wParam * 4294967279) mod 2147483647 in signed 64 bits, the remainder taking the sign of
// the dividend, truncated to 32 bits.
std::int32_t QuitCheckValue(std::int32_t wParam);

// wParam of a quit request sent now: the millisecond tick count shifted right by one bit.
std::int32_t QuitRequestParameter(std::uint32_t tickCount);

} // namespace corvela
