#include "hardware/parport/ZlPortIoWindows.h"

#include "hardware/parport/ZlPortIoProtocol.h"

#include <QCoreApplication>
#include <string>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

std::wstring Wide(const char* text) { return QString::fromLatin1(text).toStdWString(); }

QString WindowsError(DWORD code)
{
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    QString text =
        length != 0 ? QString::fromWCharArray(buffer, int(length)).trimmed() : QStringLiteral("error %1").arg(code);
    if (buffer)
        LocalFree(buffer);
    return text;
}

// Opens \\.\ZLPORTIO for reading and writing, not shared, existing device only.
HANDLE OpenDevice(DWORD& lastError)
{
    SetLastError(0);
    const HANDLE device = CreateFileW(Wide(ZlPortIo::DeviceName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    lastError = GetLastError();
    return device;
}

// Stops and deletes the service if there is one; failures are of no interest
// (there may be nothing to stop).
void StopAndDeleteService(SC_HANDLE manager)
{
    const SC_HANDLE service = OpenServiceW(manager, Wide(ZlPortIo::ServiceName).c_str(), SERVICE_ALL_ACCESS);
    if (!service)
        return;
    SERVICE_STATUS status{};
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    DeleteService(service);
    CloseServiceHandle(service);
}

}  // namespace

TZlPortIoDriver::~TZlPortIoDriver() { Close(); }

bool TZlPortIoDriver::Open()
{
    if (m_ready)
        return true;
    DWORD lastError = 0;
    HANDLE device = OpenDevice(lastError);
    if (!ZlPortIo::OpenSucceeded(device != INVALID_HANDLE_VALUE, lastError)) {
        if (device != INVALID_HANDLE_VALUE)
            CloseHandle(device);
        if (!InstallAndStart())
            return false;  // m_errorText set
        device = OpenDevice(lastError);
        if (!ZlPortIo::OpenSucceeded(device != INVALID_HANDLE_VALUE, lastError)) {
            if (device != INVALID_HANDLE_VALUE)
                CloseHandle(device);
            m_errorText =
                QStringLiteral("Cannot open %1: %2").arg(QLatin1String(ZlPortIo::DeviceName), WindowsError(lastError));
            RemoveService();  // the program ends now; leave no service behind
            return false;
        }
    }
    m_device = device;
    m_ready = true;
    m_errorText.clear();
    return true;
}

bool TZlPortIoDriver::InstallAndStart()
{
    const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        m_errorText = QStringLiteral("Cannot open the service control manager: %1").arg(WindowsError(GetLastError()));
        return false;
    }
    StopAndDeleteService(manager);

    const QString driverPath = ZlPortIo::DriverFilePath(QCoreApplication::applicationDirPath());
    const std::wstring serviceName = Wide(ZlPortIo::ServiceName);
    const std::wstring displayName = Wide(ZlPortIo::DisplayName);
    const std::wstring binaryPath = driverPath.toStdWString();
    const SC_HANDLE service = CreateServiceW(manager, serviceName.c_str(), displayName.c_str(), SERVICE_ALL_ACCESS,
                                             SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                             binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!service) {
        m_errorText = QStringLiteral("Cannot install %1: %2").arg(driverPath, WindowsError(GetLastError()));
        CloseServiceHandle(manager);
        return false;
    }
    bool started = StartServiceW(service, 0, nullptr) != FALSE;
    const DWORD startError = started ? 0 : GetLastError();
    if (!started && startError == ERROR_SERVICE_ALREADY_RUNNING)
        started = true;
    if (!started)
        m_errorText = QStringLiteral("Cannot start %1: %2").arg(driverPath, WindowsError(startError));
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return started;
}

void TZlPortIoDriver::RemoveService()
{
    const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager) {
        StopAndDeleteService(manager);
        CloseServiceHandle(manager);
    }
}

void TZlPortIoDriver::Close()
{
    if (!m_ready)
        return;
    CloseHandle(static_cast<HANDLE>(m_device));
    m_device = nullptr;
    m_ready = false;
    RemoveService();
}

bool TZlPortIoDriver::ReadPort(uint32_t address, TPortSize size, uint32_t& value)
{
    if (!m_ready)
        return false;
    ZlPortIo::TPortRequest request = ZlPortIo::PackPortRequest(address, size, 0);
    std::array<uint8_t, 4> answer{};
    DWORD returned = 0;
    if (!DeviceIoControl(static_cast<HANDLE>(m_device), ZlPortIo::ReadCode, request.data(), DWORD(request.size()),
                         answer.data(), DWORD(answer.size()), &returned, nullptr))
        return false;
    value = ZlPortIo::UnpackPortValue(answer);
    return true;
}

void TZlPortIoDriver::WritePort(uint32_t address, TPortSize size, uint32_t value)
{
    if (!m_ready)
        return;
    ZlPortIo::TPortRequest request = ZlPortIo::PackPortRequest(address, size, value);
    DWORD returned = 0;
    DeviceIoControl(static_cast<HANDLE>(m_device), ZlPortIo::WriteCode, request.data(), DWORD(request.size()), nullptr,
                    0, &returned, nullptr);
}

QString TZlPortIoDriver::Description() const { return QStringLiteral("zlportio driver"); }
