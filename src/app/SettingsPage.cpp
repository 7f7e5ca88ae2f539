#include "app/SettingsPage.h"

#include "app/AnnouncementsGroup.h"
#include "app/AppContext.h"
#include "app/AppWindows.h"
#include "app/KWLMainForm.h"
#include "app/SettingsColours.h"
#include "app/SettingsIOTest.h"
#include "app/TrackInterfaceGroup.h"
#include "common/IntegerText.h"
#include "common/MessageBoxes.h"
#include "voice/Announcer.h"
#include "voice/SpokenNames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// An editable list shows the text; when the text is one of its entries, that
// entry becomes the current one, so the drop-down opens on it.
void ShowComboText(QComboBox* combo, const QString& text)
{
    const int index = combo->findText(text);
    if (index >= 0)
        combo->setCurrentIndex(index);
    combo->setEditText(text);
}

void SetTextIfChanged(QLineEdit* edit, const QString& text)
{
    if (edit && edit->text() != text)
        edit->setText(text);
}

}  // namespace

TSettingsPage::TSettingsPage(TAppContext& context, TAppWindows& windows, TKWL_MainForm& mainForm, QWidget* parent)
    : QWidget(parent), m_context(context), m_mainForm(mainForm), m_announcer(*windows.Announcer)
{
    setObjectName(QStringLiteral("SettingsPage"));
    // Group captions sit on the frame line, so that the controls placed by
    // hand from the group's top (the place/points fields, the sound switches)
    // come out below it.
    setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid #707070; border-radius: 3px; margin-top: 7px; padding-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px; padding: 0 3px; }"));
    m_subPages = new QTabWidget(this);
    m_subPages->setObjectName(QStringLiteral("SettingsPages"));
    m_subPages->setDocumentMode(true);
    m_subPages->addTab(BuildChampionshipPage(), QStringLiteral("Championship"));
    m_ioPage = BuildIOPage();
    m_subPages->addTab(m_ioPage, QStringLiteral("I/O"));
    m_subPages->addTab(BuildTrackPage(), QStringLiteral("Track"));
    m_subPages->addTab(BuildAudioPage(), QStringLiteral("Audio"));

    auto* apply = new QPushButton(QStringLiteral("Apply && Save"), this);
    apply->setObjectName(QStringLiteral("ButtonSETApply"));
    connect(apply, &QPushButton::clicked, this, &TSettingsPage::ButtonSETApplyClick);
    auto* defaults = new QPushButton(QStringLiteral("Load Defaults"), this);
    defaults->setObjectName(QStringLiteral("ButtonSETLoadDefaults"));
    connect(defaults, &QPushButton::clicked, this, &TSettingsPage::ButtonSETLoadDefaultsClick);

    m_shownSubPage = m_subPages->currentWidget();
    connect(m_subPages, &QTabWidget::currentChanged, this, &TSettingsPage::SubPageChanged);
    connect(m_tracks, &QComboBox::currentTextChanged, this, &TSettingsPage::TracksChanged);
    connect(m_multiplePower, &QCheckBox::toggled, m_ioTest, &TSettingsIOTest::MultiplePowerSwitched);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(apply);
    buttons->addWidget(defaults);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_subPages);
    layout->addLayout(buttons);
}

void TSettingsPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window coming back from being minimised is no new visit to the page:
    // what was typed but not applied stays, only the sensor test goes on.
    if (event->spontaneous())
        m_ioTest->StartReading();
    else
        FillPage();
}

void TSettingsPage::hideEvent(QHideEvent* event)
{
    m_ioTest->StopReading();
    m_ioTest->SwitchAllOff();
    QWidget::hideEvent(event);
}

void TSettingsPage::SubPageChanged(int index)
{
    QWidget* shown = m_subPages->widget(index);
    if (m_shownSubPage == m_ioPage && shown != m_ioPage)
        m_ioTest->SwitchAllOff();
    m_shownSubPage = shown;
}

void TSettingsPage::FollowPortAddress(int32_t before)
{
    if (m_context.settings.PortAddress == before)
        return;
    m_mainForm.UsePortAddress();
    m_ioTest->SwitchAllOff();
}

void TSettingsPage::FillPage()
{
    if (isVisible())
        m_ioTest->StartReading();
    const TSettings& s = m_context.settings;
    const TSettingsForm form = SettingsFormOf(s);

    ShowComboText(m_portAddress, form.PortAddress);
    m_invertedInput->setChecked(form.InvertedInput);
    // With a mask file its XOR value decides the inversion, not the box.
    m_maskNotice->setVisible(m_context.masks.MaskFileUsed);
    m_invertedInput->setEnabled(!m_context.masks.MaskFileUsed);

    {
        // The rotation of the settings is chosen below, not the first one
        // that a change of the track count would pick.
        const QSignalBlocker quiet(m_tracks);
        ShowComboText(m_tracks, form.Tracks);
    }
    m_sections->setText(form.Sections);
    m_bounceDelay->setText(form.BounceDelay);
    m_multiplePower->setChecked(form.MultiplePowerSignals);

    // Also shows the test lamps and power boxes of the tracks in use.
    BuildRotationChoices(s.Tracks, form.Rotation);

    for (size_t p = 0; p < m_points.size(); ++p)
        SetTextIfChanged(m_points[p], form.Points[p]);
    m_lapFalseStart->setText(form.LapFalseStart);
    m_lapNoFinish->setText(form.LapNoFinish);
    m_timedLaps->setText(form.TimedFalseStartLaps);
    m_timedSections->setText(form.TimedFalseStartSections);
    m_sustain->setText(form.SustainSensorRead);
    m_editResult->setChecked(form.EditResult);
    m_showTotals->setChecked(form.ShowTotals);
    m_separator->setText(form.Separator);

    m_colours->SetColours(form.Foreground, form.Background);
    for (size_t i = 0; i < m_sounds.size(); ++i) {
        if (m_sounds[i])
            m_sounds[i]->setChecked(form.Sounds[i]);
    }

    // A board plugged in since the last visit is listed.
    m_trackInterface->RefreshPorts();
    m_trackInterface->ShowChoice(ReadTrackInterfaceChoice(m_context.workingDirectory));
    // A driver added since the last visit can be given a spoken form.
    m_announcements->ShowChoice(m_announcer.Choice(), DriversToName(m_context.store.Database()));
}

void TSettingsPage::BuildRotationChoices(int tracks, const QString& current)
{
    m_rotation->clear();
    m_rotation->addItems(RotationChoices(tracks));
    // A rotation that is not among the entries cannot be shown; the first
    // entry is then the one that applying would store.
    const int index = current.isEmpty() ? 0 : m_rotation->findText(current);
    m_rotation->setCurrentIndex(index < 0 ? 0 : index);
    m_ioTest->ShowTracks(tracks, m_multiplePower->isChecked());
}

void TSettingsPage::TracksChanged(const QString& text)
{
    // Free text that is no number of tracks changes nothing here; applying
    // it is refused.
    int32_t tracks = 0;
    if (ParseInteger(text, tracks) && tracks >= 1 && tracks <= TSettings::TrackCount)
        BuildRotationChoices(tracks);
}

TSettingsForm TSettingsPage::FormValues() const
{
    const TSettings& s = m_context.settings;
    TSettingsForm form;
    form.PortAddress = m_portAddress->currentText();
    form.InvertedInput = m_invertedInput->isChecked();
    form.Tracks = m_tracks->currentText();
    form.Sections = m_sections->text();
    form.BounceDelay = m_bounceDelay->text();
    form.MultiplePowerSignals = m_multiplePower->isChecked();
    form.Rotation = m_rotation->currentText();
    for (size_t p = 0; p < m_points.size(); ++p)
        form.Points[p] = m_points[p] ? m_points[p]->text() : QString::number(s.PlacePoints[p]);
    form.LapFalseStart = m_lapFalseStart->text();
    form.LapNoFinish = m_lapNoFinish->text();
    form.TimedFalseStartLaps = m_timedLaps->text();
    form.TimedFalseStartSections = m_timedSections->text();
    form.SustainSensorRead = m_sustain->text();
    form.EditResult = m_editResult->isChecked();
    form.ShowTotals = m_showTotals->isChecked();
    form.Separator = m_separator->text();
    form.Foreground = m_colours->Foreground();
    form.Background = m_colours->Background();
    for (size_t i = 0; i < m_sounds.size(); ++i)
        form.Sounds[i] = m_sounds[i] ? m_sounds[i]->isChecked() : s.Sounds[i];
    return form;
}

void TSettingsPage::ShowNumericTexts(const TSettingsForm& form)
{
    SetTextIfChanged(m_sections, form.Sections);
    SetTextIfChanged(m_bounceDelay, form.BounceDelay);
    for (size_t p = 0; p < m_points.size(); ++p)
        SetTextIfChanged(m_points[p], form.Points[p]);
    SetTextIfChanged(m_lapFalseStart, form.LapFalseStart);
    SetTextIfChanged(m_lapNoFinish, form.LapNoFinish);
    SetTextIfChanged(m_timedLaps, form.TimedFalseStartLaps);
    SetTextIfChanged(m_timedSections, form.TimedFalseStartSections);
    SetTextIfChanged(m_sustain, form.SustainSensorRead);
}

void TSettingsPage::ButtonSETApplyClick()
{
    TSettings& s = m_context.settings;
    const int32_t portAddress = s.PortAddress;
    TSettingsForm form = FormValues();
    const QString error = ApplySettingsForm(form, s);
    ShowNumericTexts(form);
    if (!error.isEmpty()) {
        // The fields before the refused one are in force already; nothing is
        // written, so the file keeps the last settings that were complete.
        Messages::Error(error, {}, this);
        FollowPortAddress(portAddress);
        return;
    }
    const TWindowPlacement placement = m_mainForm.StoredPlacement();
    s.WindowState = uint8_t(placement.state);
    s.WindowLeft = placement.left;
    s.WindowTop = placement.top;
    s.WindowWidth = placement.width;
    s.WindowHeight = placement.height;
    if (!WriteSettings(s, m_context.masks, m_context.workingDirectory))
        Messages::Warning(QStringLiteral("Settings could not be saved."), {}, this);
    const TTrackInterfaceChoice chosen = m_trackInterface->Choice();
    const bool interfaceSaved = SaveTrackInterface();
    // In force for this run even when it could not be stored.
    const TAnnouncementChoice announcements = m_announcements->Choice();
    SaveAnnouncements(announcements);
    m_announcer.SetChoice(announcements);
    FollowPortAddress(portAddress);
    FillPage();
    // What could not be stored stays on the page, so it can be saved again.
    if (!interfaceSaved)
        m_trackInterface->ShowChoice(chosen);
}

bool TSettingsPage::SaveTrackInterface()
{
    if (WriteTrackInterfaceChoice(m_context.workingDirectory, m_trackInterface->Choice()))
        return true;
    Messages::Warning(QStringLiteral("The track interface could not be saved in %1.")
                          .arg(QDir::toNativeSeparators(TrackInterfaceFilePath(m_context.workingDirectory))),
                      {}, this);
    return false;
}

void TSettingsPage::SaveAnnouncements(const TAnnouncementChoice& choice)
{
    // Unchanged announcements leave the file alone: nothing to lose there.
    if (ReadAnnouncementChoice(m_context.workingDirectory) == choice ||
        WriteAnnouncementChoice(m_context.workingDirectory, choice))
        return;
    Messages::Warning(QStringLiteral("The announcements could not be saved in %1.")
                          .arg(QDir::toNativeSeparators(TrackInterfaceFilePath(m_context.workingDirectory))),
                      {}, this);
}

void TSettingsPage::ButtonSETLoadDefaultsClick()
{
    if (!Messages::Confirm(QStringLiteral("Load Defaults?"), this))
        return;
    const int32_t portAddress = m_context.settings.PortAddress;
    LoadDefaultSettings(m_context.settings);
    FollowPortAddress(portAddress);
    m_mainForm.ApplyStoredPlacement();
    FillPage();
}
