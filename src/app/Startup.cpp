#include "app/Startup.h"

#include "app/AppContext.h"
#include "app/AppWindows.h"
#include "app/CommandLine.h"
#include "app/InfoPage.h"
#include "app/KWLMainForm.h"
#include "app/QuitOnSignal.h"
#include "app/SpectatorStart.h"
#include "common/AppInfo.h"
#include "common/DataFolder.h"
#include "common/MessageBoxes.h"
#include "common/ProgramFiles.h"
#include "common/TrackInterfaceChoice.h"
#include "hardware/SerialWire.h"
#include "hardware/SimulatedTrack.h"
#include "hardware/carrera/CarreraBleWire.h"
#include "hardware/carrera/CarreraPort.h"
#include "hardware/lapboard/LapBoardPort.h"
#include "hardware/lapcounter/LapCounterPort.h"
#include "hardware/lapcounter/LapCounterTcpWire.h"
#include "spectator/SpectatorServer.h"
#include "timing/RealTimeScheduling.h"
#ifdef _WIN32
#include "hardware/parport/ZlPortIoWindows.h"
#else
#include "hardware/parport/PpdevPort.h"
#endif

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <random>

namespace {

std::unique_ptr<TPortDriver> MakeParallelPort()
{
#ifdef _WIN32
    return std::make_unique<TZlPortIoDriver>();
#else
    return std::make_unique<TPpdevPort>();
#endif
}

// A track interface that cannot be made as it was given: it never opens, and
// the start-up error says why.
class TRefusedPort final : public TPortDriver {
public:
    TRefusedPort(QString description, QString why) : m_description(std::move(description))
    {
        m_errorText = std::move(why);
    }
    bool Open() override { return false; }
    void Close() override {}
    bool ReadPort(uint32_t, TPortSize, uint32_t&) override { return false; }
    void WritePort(uint32_t, TPortSize, uint32_t) override {}
    QString Description() const override { return m_description; }
    bool HasOutputs() const override { return false; }

private:
    QString m_description;
};

// The interface that switches the power and the start lights beside a lap
// counter; none when the club has none.
std::unique_ptr<TPortDriver> MakeLapCounterOutputs(const TAppContext& context, const TTrackInterfaceChoice& inUse)
{
    switch (inUse.LapCounterOutputs) {
    case TTrackInterfaceChoice::TOutputs::ParallelPort: return MakeParallelPort();
    case TTrackInterfaceChoice::TOutputs::LapBoard:
        return std::make_unique<TLapBoardPort>(inUse.SerialDevice, context.masks);
    case TTrackInterfaceChoice::TOutputs::None: break;
    }
    return nullptr;
}

std::unique_ptr<TPortDriver> MakeLapCounter(const TAppContext& context, const TTrackInterfaceChoice& inUse)
{
    if (inUse.Kind == TTrackInterfaceChoice::TKind::LapCounter) {
        const QString device = inUse.LapCounterDevice;
        return std::make_unique<TLapCounterPort>(
            [device] {
                return std::make_unique<TSerialWire>(device,
                                                     QStringLiteral("The lap counter's port %1 cannot be opened: %2."));
            },
            device, true, context.masks, MakeLapCounterOutputs(context, inUse));
    }
    const QString address = inUse.LapCounterAddress;
    QString host;
    uint16_t port = 0;
    // No address at all is the port's to say, as for a device not set.
    if (!address.isEmpty() && !SplitHostAndPort(address, host, port))
        return std::make_unique<TRefusedPort>(
            QStringLiteral("lap counter %1").arg(address),
            QStringLiteral("The lap counter's address %1 is not a host and a port, e.g. 192.168.1.50:5000.")
                .arg(address));
    // Over TCP the connection itself says the counter is there.
    return std::make_unique<TLapCounterPort>([host, port] { return std::make_unique<TLapCounterTcpWire>(host, port); },
                                             address, false, context.masks, MakeLapCounterOutputs(context, inUse));
}

}  // namespace

std::unique_ptr<TPortDriver> MakePortDriver(TAppContext& context)
{
    context.trackInterface = ReadTrackInterfaceChoice(context.workingDirectory);
    const TTrackInterfaceChoice inUse = InterfaceInUse(context.trackInterface, context.InterfaceFlags());
    switch (inUse.Kind) {
    case TTrackInterfaceChoice::TKind::Simulated:
        return std::make_unique<TSimulatedTrack>(context.RaceClock(), context.settings, context.masks,
                                                 std::random_device{}());
    case TTrackInterfaceChoice::TKind::LapBoard:
        return std::make_unique<TLapBoardPort>(inUse.SerialDevice, context.masks);
    case TTrackInterfaceChoice::TKind::Carrera: return std::make_unique<TCarreraPort>(inUse.CarreraDevice);
    case TTrackInterfaceChoice::TKind::CarreraBluetooth: {
        const QString address = inUse.CarreraAddress;
        return std::make_unique<TCarreraPort>([address] { return std::make_unique<TCarreraBleWire>(address); },
                                              QStringLiteral("Bluetooth %1").arg(address), TCarreraBleWire::Timeouts());
    }
    case TTrackInterfaceChoice::TKind::LapCounter:
    case TTrackInterfaceChoice::TKind::LapCounterTcp: return MakeLapCounter(context, inUse);
    case TTrackInterfaceChoice::TKind::ParallelPort: break;
    }
    return MakeParallelPort();
}

void ShutDown(TAppContext& context)
{
    if (context.trackIo)
        context.trackIo->SwitchAllOff();
    if (context.port)
        context.port->Close();
    // While the application object still lives: Qt drops its database
    // connections with it, and the journal would stay unfolded (WAL) in a
    // file that a write-protected folder then could not open.
    context.store.Close();
}

int RunKobalap(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TCommandLine commandLine = ParseCommandLine(arguments);
    if (!commandLine.error.isEmpty()) {
        std::fprintf(stderr, "kobalap: %s\n\n%s", qPrintable(commandLine.error), qPrintable(UsageText()));
        return 2;
    }
    if (commandLine.help) {
        std::fputs(qPrintable(UsageText()), stdout);
        return 0;
    }
    if (commandLine.version) {
        std::fputs(qPrintable(VersionText()), stdout);
        return 0;
    }
    // The race itself may have real-time scheduling; test programs and tools
    // leave it off (see RealTimeScheduling.h).
    EnableRealTimeTiming(true);

    // From here on a SIGTERM or SIGINT ends the run through ShutDown().
    TQuitOnSignal::InstallHandlers();
    TAppContext context;
    context.workingDirectory = QDir::currentPath();
    context.simulated = commandLine.simulate;
    context.carreraDevice = commandLine.carreraDevice;
    context.lapCounter = commandLine.lapCounter;
    // Set before the application object: the data folder is named after it.
    QApplication::setApplicationName(QLatin1String(Kobalap::ApplicationName));
    if (commandLine.dataFolder) {
        // Before the port: kobalap.conf in that folder names the track
        // interface. It also becomes the current directory, so that anything
        // taking a relative path finds the club's files and not the home
        // folder the menu started us in.
        context.workingDirectory = ClubDataFolder();
        if (!QDir().mkpath(context.workingDirectory) || !QDir::setCurrent(context.workingDirectory)) {
            QApplication application(argc, argv);
            Messages::Error(QStringLiteral("The data folder could not be made. Exit Program!"),
                            QDir::toNativeSeparators(context.workingDirectory));
            return 1;
        }
    }

    // The port comes first: without it the program must not show a window.
    context.port = MakePortDriver(context);
    // Opened once the application object is there: Qt Bluetooth's thread
    // and its system-bus connection need it, and no window is shown yet.
    QApplication application(argc, argv);
    context.port->Open();
    QApplication::setApplicationVersion(QLatin1String(Kobalap::VersionNumber));
    const TQuitOnSignal quitOnSignal;
    // Run from the working directory the sounds are the club's business (the
    // run script copies them); the data folder gets the defaults it lacks.
    if (commandLine.dataFolder) {
        const QString soundFolder = QDir(context.workingDirectory).filePath(QStringLiteral("sound"));
        const QStringList missed = CopyDefaultSounds(ProgramFile(QStringLiteral("sound")), soundFolder);
        if (!missed.isEmpty())
            Messages::Warning(
                QStringLiteral("Some default sounds could not be copied; those stay silent."),
                QDir::toNativeSeparators(soundFolder) + QStringLiteral(": ") + missed.join(QStringLiteral(", ")));
    }

    int exitCode = -1;
    {
        TAppWindows windows;
        exitCode = CreateWindowsAndShow(context, windows);
        if (exitCode < 0)
            windows.MainForm->InfoPage()->SetDataFolder(context.workingDirectory);
        // After the windows, so that a port already taken is told on top of them.
        std::unique_ptr<TSpectatorServer> spectator;
        if (exitCode < 0)
            spectator =
                StartSpectatorServer(context.workingDirectory, *windows.MainForm->InfoPage(), context.spectatorBoard);
        if (exitCode < 0)
            exitCode = quitOnSignal.Requested() ? 0 : application.exec();
    }
    ShutDown(context);
    return exitCode;
}
