#pragma once

#include "hardware/zlportio.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The parallel port on Linux, through the kernel's ppdev interface. Every port
// the kernel knows (/proc/sys/dev/parport/parportN) is opened and claimed at
// Open(); a register address is then matched against the claimed ports' base
// addresses, so the configured "Port Address" picks the port exactly as it
// does with direct port access.
//
// Only byte access exists on a parallel port: word and double-word requests
// read nothing and write nothing.
class TPpdevPort final : public TPortDriver {
public:
    // More parallel ports than any PC carries; the table is fixed so that a
    // read never allocates.
    static constexpr int MaxPorts = 8;

    struct TPortEntry {
        int Number = 0;     // N of parportN
        uint32_t Base = 0;  // first value of base-addr
    };

    explicit TPpdevPort(QString sysfsDir = QStringLiteral("/proc/sys/dev/parport"),
                        QString deviceDir = QStringLiteral("/dev"));
    ~TPpdevPort() override;
    TPpdevPort(const TPpdevPort&) = delete;
    TPpdevPort& operator=(const TPpdevPort&) = delete;

    bool Open() override;
    void Close() override;
    bool ReadPort(uint32_t address, TPortSize size, uint32_t& value) override;
    void WritePort(uint32_t address, TPortSize size, uint32_t value) override;
    QString Description() const override;

    // Whether a claimed port answers at this address (its data or status
    // register). Lets the program warn when "Port Address" names no port.
    bool HasPortAt(uint32_t address) const;
    int OpenPortCount() const { return m_count; }

    // The parportN entries of a sysfs folder in number order. An entry whose
    // base-addr cannot be read or parsed is left out and described in problems.
    static std::vector<TPortEntry> ListPorts(const QString& sysfsDir, QStringList* problems);
    // base-addr holds the base address in decimal, followed on some kernels by
    // a tab and the extended (ECP) base: the first number is the one we want.
    static std::optional<uint32_t> ParseBaseAddr(const QByteArray& text);

private:
    struct TOpenPort {
        int Fd = -1;
        int Number = 0;
        uint32_t Base = 0;
    };

    const TOpenPort* FindPort(uint32_t address) const;
    QString DevicePath(int number) const;

    QString m_sysfsDir;
    QString m_deviceDir;
    std::array<TOpenPort, MaxPorts> m_ports{};
    int m_count = 0;
};
