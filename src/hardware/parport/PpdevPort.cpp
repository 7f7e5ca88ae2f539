#include "hardware/parport/PpdevPort.h"

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

TPpdevCalls& SystemCalls()
{
    static TPpdevCalls calls;
    return calls;
}

const QString DeadTrack = QStringLiteral("lamps, power and sensors do not work");

}  // namespace

int TPpdevCalls::Open(const char* path) { return ::open(path, O_RDWR | O_CLOEXEC); }
int TPpdevCalls::Ioctl(int fd, unsigned long request, void* argument) { return ::ioctl(fd, request, argument); }
void TPpdevCalls::Close(int fd) { ::close(fd); }

TPpdevPort::TPpdevPort(QString sysfsDir, QString deviceDir, TPpdevCalls* calls)
    : m_sysfsDir(std::move(sysfsDir)), m_deviceDir(std::move(deviceDir)), m_calls(calls ? calls : &SystemCalls())
{
}

TPpdevPort::~TPpdevPort() { Close(); }

QString TPpdevPort::AddressText(uint32_t address)
{
    return QStringLiteral("$") + QString::number(address, 16).toUpper();
}

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
        const int fd = m_calls->Open(QFile::encodeName(path).constData());
        if (fd < 0) {
            problems.append(QStringLiteral("%1 on %2").arg(SystemError(errno), path));
            continue;
        }
        // Asking for the port's modes needs no claim, so a printer using the
        // port is not disturbed; a device that is no parallel port refuses it
        // ("Inappropriate ioctl").
        int modes = 0;
        if (m_calls->Ioctl(fd, PPGETMODES, &modes) != 0) {
            problems.append(QStringLiteral("%1 checking %2").arg(SystemError(errno), path));
            m_calls->Close(fd);
            continue;
        }
        m_ports[size_t(m_count++)] = TOpenPort{fd, entry.Number, entry.Base};
    }
    m_ready = m_count > 0;
    // Problems with other ports do not matter once one port works; they only
    // explain a failure.
    m_errorText = m_ready ? QString() : problems.join(QStringLiteral("; "));
    return m_ready;
}

void TPpdevPort::Release()
{
    if (!m_claimed)
        return;
    // The lines are ours only while the port is claimed: it goes back dark.
    unsigned char off = 0;
    m_calls->Ioctl(m_claimed->Fd, PPWDATA, &off);
    m_calls->Ioctl(m_claimed->Fd, PPRELEASE, nullptr);
    m_claimed = nullptr;
}

void TPpdevPort::Close()
{
    Release();
    for (int i = 0; i < m_count; ++i) {
        m_calls->Close(m_ports[size_t(i)].Fd);
        m_ports[size_t(i)] = TOpenPort{};
    }
    m_count = 0;
    m_ready = false;
}

QString TPpdevPort::PortsFound() const
{
    QStringList found;
    for (int i = 0; i < m_count; ++i)
        found << QStringLiteral("%1 (%2)").arg(AddressText(m_ports[size_t(i)].Base),
                                               DevicePath(m_ports[size_t(i)].Number));
    return found.join(QStringLiteral(", "));
}

QString TPpdevPort::UseBase(uint32_t base)
{
    if (m_claimed && m_claimed->Base == base)
        return {};
    Release();
    const TOpenPort* port = nullptr;
    for (int i = 0; i < m_count && !port; ++i) {
        if (m_ports[size_t(i)].Base == base)
            port = &m_ports[size_t(i)];
    }
    if (!port) {
        const QString found = m_count > 0 ? QStringLiteral("Parallel ports found: %1.").arg(PortsFound())
                                          : QStringLiteral("No parallel port was found.");
        return QStringLiteral("Port Address %1 matches no parallel port: %2. %3")
            .arg(AddressText(base), DeadTrack, found);
    }
    if (m_calls->Ioctl(port->Fd, PPCLAIM, nullptr) != 0) {
        return QStringLiteral("Port Address %1: %2 claiming %3, so %4.")
            .arg(AddressText(base), SystemError(errno), DevicePath(port->Number), DeadTrack);
    }
    m_claimed = port;
    return {};
}

bool TPpdevPort::HasPortAt(uint32_t address) const
{
    return m_claimed && (address == m_claimed->Base || address == m_claimed->Base + 1);
}

bool TPpdevPort::ReadPort(uint32_t address, TPortSize size, uint32_t& value)
{
    if (size != TPortSize::Byte || !HasPortAt(address))
        return false;
    unsigned char byte = 0;
    const unsigned long request = address == m_claimed->Base ? PPRDATA : PPRSTATUS;
    if (m_calls->Ioctl(m_claimed->Fd, request, &byte) != 0)
        return false;
    value = byte;
    return true;
}

void TPpdevPort::WritePort(uint32_t address, TPortSize size, uint32_t value)
{
    // The status register is read-only and the control register is not ours
    // to touch: only the data register is written.
    if (size != TPortSize::Byte || !m_claimed || address != m_claimed->Base)
        return;
    unsigned char byte = static_cast<unsigned char>(value & 0xFFu);
    m_calls->Ioctl(m_claimed->Fd, PPWDATA, &byte);
}

QString TPpdevPort::Description() const
{
    if (m_count == 0)
        return QStringLiteral("parallel port (not open)");
    if (!m_claimed)
        return QStringLiteral("parallel port (none at the Port Address)");
    return QStringLiteral("parallel port %1 at %2").arg(DevicePath(m_claimed->Number), AddressText(m_claimed->Base));
}
