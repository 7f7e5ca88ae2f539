#include "common/HelpKey.h"

#include "common/MessageBoxes.h"
#include "common/ProgramFiles.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTabWidget>
#include <QWidget>

#include <cstring>
#include <utility>

namespace {

struct TSection {
    const char* className;  // or, for Qt's own windows, the object name
    const char* anchor;
};

// Every window and main-window page, and its section in help/index.html.
// scripts/check_manual.py holds the manual and the program's windows to this
// table.
constexpr TSection kSections[] = {
    {"TKWL_MainForm", "main-window"},
    {"TInfoPage", "info-page"},
    {"TDriversPage", "drivers-page"},
    {"TSingleRacePage", "single-race-page"},
    {"TChampionshipPage", "championship-page"},
    {"TSettingsPage", "settings-page"},
    {"TFDRVAddChange", "driver-dialog"},
    {"TFCSChangeAdd", "championship-dialog"},
    {"TFRCChangeAdd", "race-dialog"},
    {"TFKWLSelectDrivers", "select-drivers"},
    {"TFKWLHeats", "heats-window"},
    {"TFKWLGenHeats", "generate-heats"},
    {"TFHTAddChange", "heat-dialog"},
    {"TFHTChangeResult", "heat-result-dialog"},
    {"TKWL_Timer", "race-screen"},
    {"TFKWLStopLicht", "start-lights"},
    {"TFKWLPauseRace", "pause-race"},
    {"TKWL_RoundResults", "lap-view"},
    {"TLapChartWindow", "lap-chart"},
    {"TRecordsWindow", "records"},
    {"TDriverProfileWindow", "driver-profile"},
    {"TFKWLResults", "results-window"},
    {"TQuickReportResult", "report-preview"},
    {"TQuickReportResultDetail", "report-preview"},
    {"ReportPreview", "report-preview"},  // Qt's print preview the reports open
    {"TSpectatorWindow", "spectator-screen"},
};

const char* SectionOf(const QObject* object)
{
    const char* name = object->metaObject()->className();
    const QByteArray objectName = object->objectName().toLatin1();
    for (const TSection& section : kSections)
        if (std::strcmp(section.className, name) == 0 || objectName == section.className)
            return section.anchor;
    return nullptr;
}

std::function<bool(const QUrl&)>& Opener()
{
    static std::function<bool(const QUrl&)> open;
    return open;
}

}  // namespace

THelpKey::THelpKey(QObject* parent) : QObject(parent) {}

bool THelpKey::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
        return false;
    // The key goes to the focus widget first; taking it there keeps it from
    // being handed on to every parent.
    auto* widget = static_cast<QWidget*>(watched);
    OpenManual(HelpAnchorFor(widget), widget->window());
    return true;
}

QString HelpAnchorFor(const QWidget* widget)
{
    for (; widget; widget = widget->parentWidget()) {
        if (const auto* tabs = qobject_cast<const QTabWidget*>(widget); tabs && tabs->currentWidget())
            if (const char* anchor = SectionOf(tabs->currentWidget()))
                return QLatin1String(anchor);
        if (const char* anchor = SectionOf(widget))
            return QLatin1String(anchor);
    }
    return {};
}

void OpenManual(const QString& anchor, QWidget* parent)
{
    const QString manual = ProgramFile(QStringLiteral("help/index.html"));
    QUrl url = QUrl::fromLocalFile(manual);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    const auto& open = Opener();
    const bool opened = open ? open(url) : QFileInfo::exists(manual) && QDesktopServices::openUrl(url);
    if (!opened)
        Messages::Information(
            QStringLiteral("The manual could not be opened: %1").arg(QDir::toNativeSeparators(manual)), parent);
}

void SetManualOpener(std::function<bool(const QUrl&)> open) { Opener() = std::move(open); }
