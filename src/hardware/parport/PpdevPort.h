#pragma once

#include "hardware/zlportio.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The system calls the ppdev port is driven through. The program uses the
// real ones; a test stands fakes in their place, since no test machine has a
// port to claim.
class TPpdevCalls {
public:
    virtual ~TPpdevCalls() = default;
    // As open(2), ioctl(2) and close(2): -1 with errno set on failure.
    virtual int Open(const char* path);
    virtual int Ioctl(int fd, unsigned long request, void* argument);
    virtual void Close(int fd);
};

// The parallel port on Linux, through the kernel's ppdev interface. Open()
// opens every port the kernel knows (/proc/sys/dev/parport/parportN) and
// checks that it is a parallel port, without claiming any: a printer on a
// port keeps working. UseBase() then claims the one port whose base address
// is the "Port Address", and gives back the one claimed before.
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

    // calls: null for the real system calls; else kept, not owned.
    explicit TPpdevPort(QString sysfsDir = QStringLiteral("/proc/sys/dev/parport"),
                        QString deviceDir = QStringLiteral("/dev"), TPpdevCalls* calls = nullptr);
    ~TPpdevPort() override;
    TPpdevPort(const TPpdevPort&) = delete;
    TPpdevPort& operator=(const TPpdevPort&) = delete;

    // Ready when at least one port opens and answers as a parallel port.
    bool Open() override;
    // Gives the claimed port back with its data lines off, closes every port.
    void Close() override;
    QString UseBase(uint32_t base) override;
    bool ReadPort(uint32_t address, TPortSize size, uint32_t& value) override;
    void WritePort(uint32_t address, TPortSize size, uint32_t value) override;
    QString Description() const override;

    // Whether the claimed port answers at this address (its data or status
    // register).
    bool HasPortAt(uint32_t address) const;
    // The ports that opened, claimed or not.
    int OpenPortCount() const { return m_count; }

    // The parportN entries of a sysfs folder in number order. An entry whose
    // base-addr cannot be read or parsed is left out and described in problems.
    static std::vector<TPortEntry> ListPorts(const QString& sysfsDir, QStringList* problems);
    // base-addr holds the base address in decimal, followed on some kernels by
    // a tab and the extended (ECP) base: the first number is the one we want.
    static std::optional<uint32_t> ParseBaseAddr(const QByteArray& text);
    // An address as the program writes it: "$378".
    static QString AddressText(uint32_t address);

private:
    struct TOpenPort {
        int Fd = -1;
        int Number = 0;
        uint32_t Base = 0;
    };

    void Release();
    QString DevicePath(int number) const;
    // "$378 (/dev/parport0), $278 (/dev/parport1)"
    QString PortsFound() const;

    QString m_sysfsDir;
    QString m_deviceDir;
    TPpdevCalls* m_calls;
    std::array<TOpenPort, MaxPorts> m_ports{};
    int m_count = 0;
    // The claimed port, the only one read and written; null while none is.
    const TOpenPort* m_claimed = nullptr;
};
