#pragma once

#include "hardware/zlportio.h"

#include <QString>
#include <array>
#include <cstdint>

// The fixed parts of the zlportio kernel driver's protocol. They are kept free
// of any platform header so that they are checked on every build machine,
// although only the Windows backend uses them.
namespace ZlPortIo {

// \\.\ZLPORTIO
inline constexpr const char* DeviceName = "\\\\.\\ZLPORTIO";
inline constexpr const char* ServiceName = "zlportio";
inline constexpr const char* DisplayName = "zlportio";
inline constexpr const char* DriverFileName = "zlportio.sys";

inline constexpr uint32_t DeviceType = 0x80FF;
inline constexpr uint32_t MethodBuffered = 0;
inline constexpr uint32_t FileAnyAccess = 0;

// The platform's CTL_CODE macro, spelled out.
constexpr uint32_t ControlCode(uint32_t deviceType, uint32_t function, uint32_t method, uint32_t access)
{
    return (deviceType << 16) | (access << 14) | (function << 2) | method;
}

inline constexpr uint32_t ReadCode = ControlCode(DeviceType, 1, MethodBuffered, FileAnyAccess);   // 0x80FF0004
inline constexpr uint32_t WriteCode = ControlCode(DeviceType, 2, MethodBuffered, FileAnyAccess);  // 0x80FF0008
// Two further functions the driver offers; the program does not use them.
inline constexpr uint32_t Function3Code = ControlCode(DeviceType, 3, MethodBuffered, FileAnyAccess);  // 0x80FF000C
inline constexpr uint32_t Function4Code = ControlCode(DeviceType, 4, MethodBuffered, FileAnyAccess);  // 0x80FF0010

inline constexpr int RequestSize = 12;
using TPortRequest = std::array<uint8_t, RequestSize>;

// The request record: port address, size code, value, each a little-endian
// 32-bit field. The value is ignored by a read.
TPortRequest PackPortRequest(uint32_t address, TPortSize size, uint32_t value);

// The 4-byte answer of a read, little-endian.
uint32_t UnpackPortValue(const std::array<uint8_t, 4>& answer);

// Whether opening the device worked: a valid handle with last error 0 or
// ERROR_ALREADY_EXISTS (183). The handle is required as well, so that an
// invalid handle is never taken for a ready driver.
inline constexpr uint32_t ErrorAlreadyExists = 183;
constexpr bool OpenSucceeded(bool handleValid, uint32_t lastError)
{
    return handleValid && (lastError == 0 || lastError == ErrorAlreadyExists);
}

// The driver file beside the program: the program's directory, "\" and
// "zlportio.sys". Takes the directory with either kind of slash.
QString DriverFilePath(const QString& programDir);

}  // namespace ZlPortIo
