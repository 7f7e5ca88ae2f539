#include "hardware/parport/ZlPortIoProtocol.h"

namespace ZlPortIo {

namespace {

void PutLittleEndian(TPortRequest& record, int offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        record[size_t(offset + i)] = uint8_t(value >> (8 * i));
}

}  // namespace

TPortRequest PackPortRequest(uint32_t address, TPortSize size, uint32_t value)
{
    TPortRequest record{};
    PutLittleEndian(record, 0, address);
    PutLittleEndian(record, 4, static_cast<uint32_t>(size));
    PutLittleEndian(record, 8, value);
    return record;
}

uint32_t UnpackPortValue(const std::array<uint8_t, 4>& answer)
{
    return uint32_t(answer[0]) | (uint32_t(answer[1]) << 8) | (uint32_t(answer[2]) << 16) | (uint32_t(answer[3]) << 24);
}

QString DriverFilePath(const QString& programDir)
{
    // Built by hand rather than with QDir::toNativeSeparators so that the
    // result is the same on every build machine (and testable off Windows).
    QString path = programDir;
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (!path.endsWith(QLatin1Char('\\')))
        path += QLatin1Char('\\');
    return path + QLatin1String(DriverFileName);
}

}  // namespace ZlPortIo
