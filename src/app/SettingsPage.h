#pragma once

#include "common/Settings.h"
#include "common/SettingsForm.h"
#include "voice/AnnouncementChoice.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTabWidget;
class TAnnouncementsGroup;
class TAnnouncer;
class TKWL_MainForm;
class TSettingsColours;
class TSettingsIOTest;
class TTrackInterfaceGroup;
struct TAppContext;
struct TAppWindows;

// The Settings page: sub-pages Championship, I/O, Track and Audio, with
// "Apply & Save" and "Load Defaults" below them. It shows the settings each
// time it comes on the screen and changes them only through its two buttons.
class TSettingsPage : public QWidget {
    Q_OBJECT
public:
    TSettingsPage(TAppContext& context, TAppWindows& windows, TKWL_MainForm& mainForm, QWidget* parent = nullptr);

    // The eight sound switches and the twenty place/points fields with their
    // labels, placed by hand inside their groups; made by the main window's
    // creation step.
    void BuildRuntimeControls();

    // Shows the settings on the page (and starts the sensor test while the
    // page is on the screen).
    void FillPage();
    // Empties the rotation list and fills it for the number of tracks,
    // selecting the current rotation (the first entry when none is given);
    // shows the sensor lamps and power boxes of the tracks in use.
    void BuildRotationChoices(int tracks, const QString& current = {});

    // What the fields hold now.
    TSettingsForm FormValues() const;

    QTabWidget* SubPages() const { return m_subPages; }
    TSettingsIOTest* IOTest() const { return m_ioTest; }
    TSettingsColours* Colours() const { return m_colours; }
    const std::array<QCheckBox*, TSettings::SoundCount>& SoundSwitches() const { return m_sounds; }
    const std::array<QLineEdit*, TSettings::PlaceCount>& PointsEdits() const { return m_points; }
    const std::array<QLabel*, TSettings::PlaceCount>& PlaceLabels() const { return m_placeLabels; }

public slots:
    void ButtonSETApplyClick();
    void ButtonSETLoadDefaultsClick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The sub-pages, laid out in SettingsPageLayout.cpp.
    QWidget* BuildChampionshipPage();
    QWidget* BuildIOPage();
    QWidget* BuildTrackPage();
    QWidget* BuildAudioPage();
    QLineEdit* NumericEdit(const QString& name, QWidget* parent);

    void TracksChanged(const QString& text);
    void SubPageChanged(int index);
    // A port address that changed in memory is taken at once: the port at it
    // is claimed (or its absence reported) and the lines start from off.
    void FollowPortAddress(int32_t before);
    // Puts the numeric texts of the form back on the page (empty fields
    // become "0" when applied).
    void ShowNumericTexts(const TSettingsForm& form);
    // Stores the chosen track interface in kobalap.conf; a warning when it
    // cannot be written.
    bool SaveTrackInterface();
    // Stores the announcements in kobalap.conf when they differ from what it
    // holds; a warning when it cannot be written.
    void SaveAnnouncements(const TAnnouncementChoice& choice);

    TAppContext& m_context;
    TKWL_MainForm& m_mainForm;
    TAnnouncer& m_announcer;
    QTabWidget* m_subPages = nullptr;
    QWidget* m_ioPage = nullptr;
    QWidget* m_shownSubPage = nullptr;

    // Championship
    QGroupBox* m_placePointsGroup = nullptr;
    QLineEdit* m_lapFalseStart = nullptr;
    QLineEdit* m_lapNoFinish = nullptr;
    QLineEdit* m_timedLaps = nullptr;
    QLineEdit* m_timedSections = nullptr;
    QCheckBox* m_editResult = nullptr;
    QCheckBox* m_showTotals = nullptr;
    QLineEdit* m_separator = nullptr;
    // I/O
    QComboBox* m_portAddress = nullptr;
    QComboBox* m_tracks = nullptr;
    QLineEdit* m_bounceDelay = nullptr;
    QCheckBox* m_multiplePower = nullptr;
    QCheckBox* m_invertedInput = nullptr;
    QLineEdit* m_sustain = nullptr;
    QLabel* m_maskNotice = nullptr;
    TSettingsIOTest* m_ioTest = nullptr;
    TTrackInterfaceGroup* m_trackInterface = nullptr;
    // Track
    TSettingsColours* m_colours = nullptr;
    QComboBox* m_rotation = nullptr;
    QLineEdit* m_sections = nullptr;
    // Audio
    QGroupBox* m_soundGroup = nullptr;
    TAnnouncementsGroup* m_announcements = nullptr;

    // Made at run time.
    std::array<QCheckBox*, TSettings::SoundCount> m_sounds{};
    std::array<QLineEdit*, TSettings::PlaceCount> m_points{};
    std::array<QLabel*, TSettings::PlaceCount> m_placeLabels{};
};
