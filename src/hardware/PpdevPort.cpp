#include "hardware/PpdevPort.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

QString SystemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

}  // namespace

TPpdevPort::TPpdevPort(QString sysfsDir, QString deviceDir)
    : m_sysfsDir(std::move(sysfsDir)), m_deviceDir(std::move(deviceDir))
{
}

TPpdevPort::~TPpdevPort() { Close(); }

std::optional<uint32_t> TPpdevPort::ParseBaseAddr(const QByteArray& text)
{
    const QByteArray first = text.simplified().split(' ').value(0);
    if (first.isEmpty())
        return std::nullopt;
    for (char c : first)
        if (c < '0' || c > '9')
            return std::nullopt;
    bool ok = false;
    const qulonglong value = first.toULongLong(&ok, 10);
    if (!ok || value > 0xFFFFFFFFull)
        return std::nullopt;
    return uint32_t(value);
}

std::vector<TPpdevPort::TPortEntry> TPpdevPort::ListPorts(const QString& sysfsDir, QStringList* problems)
{
    static const QRegularExpression portName(QStringLiteral("^parport(\\d+)$"));
    std::vector<TPortEntry> entries;
    const QDir dir(sysfsDir);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch match = portName.match(name);
        if (!match.hasMatch())
            continue;  // "default" and anything else that is not a port
        bool numberOk = false;
        const int number = match.captured(1).toInt(&numberOk);
        if (!numberOk)
            continue;
        const QString basePath = dir.filePath(name + QStringLiteral("/base-addr"));
        QFile file(basePath);
        if (!file.open(QIODevice::ReadOnly)) {
            if (problems)
                problems->append(QStringLiteral("Cannot read %1 (%2)").arg(basePath, file.errorString()));
            continue;
        }
        const std::optional<uint32_t> base = ParseBaseAddr(file.read(256));
        if (!base) {
            if (problems)
                problems->append(QStringLiteral("No base address in %1").arg(basePath));
            continue;
        }
        entries.push_back(TPortEntry{number, *base});
    }
    std::sort(entries.begin(), entries.end(),
              [](const TPortEntry& a, const TPortEntry& b) { return a.Number < b.Number; });
    return entries;
}

QString TPpdevPort::DevicePath(int number) const
{
    return QDir(m_deviceDir).filePath(QStringLiteral("parport%1").arg(number));
}

bool TPpdevPort::Open()
{
    Close();
    QStringList problems;
    const std::vector<TPortEntry> entries = ListPorts(m_sysfsDir, &problems);
    if (entries.empty() && problems.isEmpty()) {
        m_errorText = QStringLiteral("No parallel port found (%1 has no ports)").arg(m_sysfsDir);
        return false;
    }
    for (const TPortEntry& entry : entries) {
        if (m_count == MaxPorts)
            break;
        const QString path = DevicePath(entry.Number);
        const QByteArray nativePath = QFile::encodeName(path);
        const int fd = ::open(nativePath.constData(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            problems.append(QStringLiteral("%1 on %2").arg(SystemError(errno), path));
            continue;
        }
        if (::ioctl(fd, PPCLAIM) != 0) {
            // Typically "Inappropriate ioctl" (not a parallel port device) or
            // "Device or resource busy" (another program holds it).
            problems.append(QStringLiteral("%1 claiming %2").arg(SystemError(errno), path));
            ::close(fd);
            continue;
        }
        m_ports[m_count++] = TOpenPort{fd, entry.Number, entry.Base};
    }
    m_ready = m_count > 0;
    // Problems with other ports do not matter once one port works; they only
    // explain a failure.
    m_errorText = m_ready ? QString() : problems.join(QStringLiteral("; "));
    return m_ready;
}

void TPpdevPort::Close()
{
    for (int i = 0; i < m_count; ++i) {
        ::ioctl(m_ports[i].Fd, PPRELEASE);
        ::close(m_ports[i].Fd);
        m_ports[i] = TOpenPort{};
    }
    m_count = 0;
    m_ready = false;
}

const TPpdevPort::TOpenPort* TPpdevPort::FindPort(uint32_t address) const
{
    for (int i = 0; i < m_count; ++i) {
        const uint32_t base = m_ports[i].Base;
        if (address == base || address == base + 1)
            return &m_ports[i];
    }
    return nullptr;
}

bool TPpdevPort::HasPortAt(uint32_t address) const { return FindPort(address) != nullptr; }

bool TPpdevPort::ReadPort(uint32_t address, TPortSize size, uint32_t& value)
{
    if (size != TPortSize::Byte)
        return false;
    const TOpenPort* port = FindPort(address);
    if (!port)
        return false;
    unsigned char byte = 0;
    const unsigned long request = address == port->Base ? PPRDATA : PPRSTATUS;
    if (::ioctl(port->Fd, request, &byte) != 0)
        return false;
    value = byte;
    return true;
}

void TPpdevPort::WritePort(uint32_t address, TPortSize size, uint32_t value)
{
    if (size != TPortSize::Byte)
        return;
    const TOpenPort* port = FindPort(address);
    // The status register is read-only and the control register is not ours
    // to touch: only the data register is written.
    if (!port || address != port->Base)
        return;
    unsigned char byte = static_cast<unsigned char>(value & 0xFFu);
    ::ioctl(port->Fd, PPWDATA, &byte);
}

QString TPpdevPort::Description() const
{
    if (m_count == 0)
        return QStringLiteral("parallel port (not open)");
    QStringList paths;
    for (int i = 0; i < m_count; ++i)
        paths.append(DevicePath(m_ports[i].Number));
    return (m_count == 1 ? QStringLiteral("parallel port ") : QStringLiteral("parallel ports "))
           + paths.join(QStringLiteral(", "));
}
