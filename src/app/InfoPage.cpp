#include "app/InfoPage.h"

#include "common/JpegImage.h"
#include "common/ProgramFiles.h"
#include "timing/RealTimeScheduling.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace {
QLabel* MakeLabel(const QString& text, const QString& style, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setStyleSheet(style);
    label->setAlignment(Qt::AlignCenter);
    return label;
}
}  // namespace

QString TInfoPage::LogoPath()
{
    const QStringList folders{ProgramFilesFolder(), QDir::currentPath()};
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(QStringLiteral("logo.jpg"));
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

TInfoPage::TInfoPage(const QString& trackInterface, bool simulated, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::Box);
    panel->setLineWidth(2);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(MakeLabel(QStringLiteral("Kobalap"),
                                     QStringLiteral("color: maroon; font-size: 28pt; font-weight: bold;"), panel));

    auto* picture = new QLabel(panel);
    picture->setObjectName(QStringLiteral("Logo"));
    picture->setFixedSize(419, 259);
    picture->setAlignment(Qt::AlignCenter);
    const QString logoPath = LogoPath();
    const QImage logo = logoPath.isEmpty() ? QImage() : DecodeJpegFile(logoPath);
    m_hasLogo = !logo.isNull();
    if (m_hasLogo)
        picture->setPixmap(
            QPixmap::fromImage(logo).scaled(picture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    panelLayout->addWidget(picture, 0, Qt::AlignHCenter);

    m_version = MakeLabel(QString(), QStringLiteral("color: green; font-size: 20pt; font-weight: bold;"), panel);
    m_version->setObjectName(QStringLiteral("VersionLabel"));
    panelLayout->addWidget(m_version);
    layout->addWidget(panel);

    auto* clockPanel = new QFrame(this);
    clockPanel->setFrameShape(QFrame::Box);
    auto* clockLayout = new QHBoxLayout(clockPanel);
    clockLayout->addStretch();
    clockLayout->addWidget(MakeLabel(QStringLiteral("True 1/1000 second accuracy:"),
                                     QStringLiteral("color: red; font-weight: bold;"), clockPanel));
    m_clock = MakeLabel(QString(), QStringLiteral("color: red; font-weight: bold;"), clockPanel);
    m_clock->setObjectName(QStringLiteral("ClockState"));
    clockLayout->addWidget(m_clock);
    clockLayout->addStretch();
    layout->addWidget(clockPanel);

    m_track = MakeLabel(QStringLiteral("Track interface: %1").arg(trackInterface),
                        simulated ? QStringLiteral("color: darkblue; font-weight: bold;") : QString(), this);
    m_track->setObjectName(QStringLiteral("TrackInterface"));
    layout->addWidget(m_track);
    m_portWarning = MakeLabel(QString(), QStringLiteral("color: red; font-weight: bold;"), this);
    m_portWarning->setObjectName(QStringLiteral("PortWarning"));
    m_portWarning->setWordWrap(true);
    m_portWarning->hide();
    layout->addWidget(m_portWarning);
    m_timing = MakeLabel(TimingSchedulingText(LastTimingScheduling()), QString(), this);
    m_timing->setObjectName(QStringLiteral("TimingScheduling"));
    layout->addWidget(m_timing);
    m_spectator = MakeLabel(QString(), QString(), this);
    m_spectator->setObjectName(QStringLiteral("SpectatorPage"));
    m_spectator->setWordWrap(true);
    m_spectator->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_spectator->hide();
    layout->addWidget(m_spectator);
    m_dataFolder = MakeLabel(QString(), QString(), this);
    m_dataFolder->setObjectName(QStringLiteral("DataFolder"));
    m_dataFolder->setWordWrap(true);
    m_dataFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_dataFolder->hide();
    layout->addWidget(m_dataFolder);
    layout->addStretch();
}

void TInfoPage::SetVersion(const QString& version) { m_version->setText(version); }

void TInfoPage::SetHighResClock(bool available)
{
    m_clock->setText(available ? QStringLiteral("Enabled") : QStringLiteral("Disabled"));
}

QString TInfoPage::ClockText() const { return m_clock->text(); }

void TInfoPage::SetTrackInterface(const QString& trackInterface, const QString& portWarning)
{
    m_track->setText(QStringLiteral("Track interface: %1").arg(trackInterface));
    m_portWarning->setText(portWarning);
    m_portWarning->setVisible(!portWarning.isEmpty());
}

QString TInfoPage::PortWarning() const { return m_portWarning->text(); }

QString TInfoPage::TimingText() const { return m_timing->text(); }

void TInfoPage::SetSpectatorText(const QString& text)
{
    m_spectator->setText(text);
    m_spectator->setVisible(!text.isEmpty());
}

QString TInfoPage::SpectatorText() const { return m_spectator->text(); }

void TInfoPage::SetDataFolder(const QString& folder)
{
    m_dataFolder->setText(QStringLiteral("Data folder: %1").arg(QDir::toNativeSeparators(folder)));
    m_dataFolder->show();
}

QString TInfoPage::DataFolderText() const { return m_dataFolder->text(); }

void TInfoPage::showEvent(QShowEvent* event)
{
    m_timing->setText(TimingSchedulingText(ProbedTimingScheduling()));
    QWidget::showEvent(event);
}
