#pragma once

#include "hardware/zlportio.h"

// The parallel port on Windows, through the zlportio kernel driver, which the
// program installs as a service from the driver file beside it, starts, and
// removes again at Close. Windows only; the protocol's fixed parts are in
// ZlPortIoProtocol. Qt 6 runs only on the NT family, so there is no direct
// port-instruction mode.
class TZlPortIoDriver final : public TPortDriver {
public:
    TZlPortIoDriver() = default;
    ~TZlPortIoDriver() override;
    TZlPortIoDriver(const TZlPortIoDriver&) = delete;
    TZlPortIoDriver& operator=(const TZlPortIoDriver&) = delete;

    bool Open() override;
    void Close() override;
    bool ReadPort(uint32_t address, TPortSize size, uint32_t& value) override;
    void WritePort(uint32_t address, TPortSize size, uint32_t value) override;
    QString Description() const override;

private:
    bool InstallAndStart();
    void RemoveService();

    void* m_device = nullptr;  // the device HANDLE while ready
};
