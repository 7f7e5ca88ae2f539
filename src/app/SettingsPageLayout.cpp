// How the Settings page is laid out: its four sub-pages and the controls that
// the main window's creation step adds to two of its groups.
#include "app/AnnouncementsGroup.h"
#include "app/AppContext.h"
#include "app/SettingsColours.h"
#include "app/SettingsIOTest.h"
#include "app/SettingsPage.h"
#include "app/TrackInterfaceGroup.h"
#include "common/NumericKeyFilter.h"
#include "common/SettingColour.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

// Sub-page colours, $00BBGGRR like every colour of the settings.
constexpr uint32_t ChampionshipColour = 0x00DDDD00;
constexpr uint32_t IOColour = 0x0080FF80;
constexpr uint32_t TrackColour = 0x008381CD;
constexpr uint32_t AudioColour = 0x00D59862;

constexpr int FieldWidth = 70;
constexpr int ColumnWidth = 260;

QWidget* SubPage(const QString& name, uint32_t colour)
{
    auto* page = new QWidget;
    page->setObjectName(name);
    page->setAttribute(Qt::WA_StyledBackground);
    page->setStyleSheet(QStringLiteral("QWidget#%1 { background: %2; }").arg(name, ColourOfSetting(colour).name()));
    return page;
}

// The sub-pages' common arrangement: two columns of widgets, each packed
// to the top, both packed to the left.
void LayOutColumns(QWidget* page, const QList<QWidget*>& left, const QList<QWidget*>& right)
{
    auto* layout = new QHBoxLayout(page);
    for (const QList<QWidget*>& widgets : {left, right}) {
        auto* column = new QVBoxLayout;
        for (QWidget* widget : widgets)
            column->addWidget(widget);
        column->addStretch();
        layout->addLayout(column);
    }
    layout->addStretch();
}

QGroupBox* Group(const QString& title, const QString& name, QWidget* parent)
{
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(name);
    return group;
}

QComboBox* FreeTextList(const QString& name, const QStringList& entries, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(true);
    // Typed text is a value, not a new entry of the list.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(entries);
    combo->setFixedWidth(FieldWidth + 20);
    return combo;
}

QCheckBox* CheckBox(const QString& caption, const QString& name, QWidget* parent)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}

// Where control n (from 1) of a group filled column by column stands.
int Column(int n, int perColumn) { return (n - 1) / perColumn; }
int Row(int n, int perColumn) { return (n - 1) % perColumn; }

}  // namespace

QLineEdit* TSettingsPage::NumericEdit(const QString& name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setFixedWidth(FieldWidth);
    TNumericKeyFilter::Install(edit);
    return edit;
}

QWidget* TSettingsPage::BuildChampionshipPage()
{
    QWidget* page = SubPage(QStringLiteral("SettingsChampionship"), ChampionshipColour);

    // Filled by BuildRuntimeControls, placed by hand.
    m_placePointsGroup = Group(QStringLiteral("Place / Points"), QStringLiteral("GroupBoxPlacePoints"), page);
    m_placePointsGroup->setFixedSize(222, 268);

    auto* lap = Group(QStringLiteral("Penalties (Lap race)"), QStringLiteral("GroupBoxPenaltiesLap"), page);
    m_lapFalseStart = NumericEdit(QStringLiteral("EditFalseStart"), lap);
    m_lapNoFinish = NumericEdit(QStringLiteral("EditNoFinish"), lap);
    auto* lapLayout = new QFormLayout(lap);
    lapLayout->addRow(QStringLiteral("False Start (sec)"), m_lapFalseStart);
    lapLayout->addRow(QStringLiteral("No Finish (sec/round)"), m_lapNoFinish);

    auto* timed = Group(QStringLiteral("Penalties (Timed race)"), QStringLiteral("GroupBoxPenaltiesTimed"), page);
    m_timedLaps = NumericEdit(QStringLiteral("EditFalseStartLaps"), timed);
    m_timedSections = NumericEdit(QStringLiteral("EditFalseStartSections"), timed);
    auto* timedLayout = new QGridLayout(timed);
    timedLayout->addWidget(new QLabel(QStringLiteral("Laps"), timed), 0, 1);
    timedLayout->addWidget(new QLabel(QStringLiteral("Sections"), timed), 0, 2);
    timedLayout->addWidget(new QLabel(QStringLiteral("False Start:"), timed), 1, 0);
    timedLayout->addWidget(m_timedLaps, 1, 1);
    timedLayout->addWidget(m_timedSections, 1, 2);
    timedLayout->setColumnStretch(3, 1);

    auto* misc = Group(QStringLiteral("Misc"), QStringLiteral("GroupBoxMisc"), page);
    m_editResult = CheckBox(QStringLiteral("Edit Result"), QStringLiteral("CheckBoxEditResult"), misc);
    m_showTotals = CheckBox(QStringLiteral("Show Totals in timer-screen"), QStringLiteral("CheckBoxShowTotals"), misc);
    m_separator = new QLineEdit(misc);
    m_separator->setObjectName(QStringLiteral("EditSeparator"));
    m_separator->setMaxLength(1);
    m_separator->setFixedWidth(28);
    auto* separatorRow = new QHBoxLayout;
    separatorRow->addWidget(new QLabel(QStringLiteral("Export Seporator"), misc));
    separatorRow->addWidget(m_separator);
    separatorRow->addStretch();
    auto* miscLayout = new QVBoxLayout(misc);
    miscLayout->addWidget(m_editResult);
    miscLayout->addWidget(m_showTotals);
    miscLayout->addLayout(separatorRow);

    for (QGroupBox* group : {lap, timed, misc})
        group->setFixedWidth(ColumnWidth);
    LayOutColumns(page, {m_placePointsGroup}, {lap, timed, misc});
    return page;
}

QWidget* TSettingsPage::BuildIOPage()
{
    QWidget* page = SubPage(QStringLiteral("SettingsIO"), IOColour);

    auto* io = Group(QStringLiteral("I/O"), QStringLiteral("GroupBoxIO"), page);
    m_portAddress =
        FreeTextList(QStringLiteral("ComboBoxPortAddress"), {QStringLiteral("$378"), QStringLiteral("$278")}, io);
    m_tracks = FreeTextList(QStringLiteral("ComboBoxTracks"),
                            {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")}, io);
    m_bounceDelay = NumericEdit(QStringLiteral("EditBounceDelay"), io);
    m_multiplePower =
        CheckBox(QStringLiteral("Output Multiple Power Signals"), QStringLiteral("CheckBoxMultiplePower"), io);
    m_invertedInput = CheckBox(QStringLiteral("Inverted Input"), QStringLiteral("CheckBoxInvertedInput"), io);
    m_invertedInput->setToolTip(QStringLiteral("Click \"Apply & Save\" to see effect."));
    m_sustain = NumericEdit(QStringLiteral("EditSustainSensorRead"), io);
    auto* ioLayout = new QFormLayout(io);
    ioLayout->addRow(QStringLiteral("Port Address"), m_portAddress);
    ioLayout->addRow(QStringLiteral("Tracks"), m_tracks);
    ioLayout->addRow(QStringLiteral("Bounce Delay (ms)"), m_bounceDelay);
    ioLayout->addRow(m_multiplePower);
    ioLayout->addRow(m_invertedInput);
    ioLayout->addRow(QStringLiteral("Sustain Sensor Read (ms)"), m_sustain);
    io->setFixedWidth(ColumnWidth + 30);

    m_maskNotice = new QLabel(QStringLiteral("KOBA.msk is being used!!"), page);
    m_maskNotice->setObjectName(QStringLiteral("LabelMaskFile"));
    m_maskNotice->setStyleSheet(QStringLiteral("color: #C00000; font-weight: bold;"));
    m_maskNotice->hide();

    m_ioTest = new TSettingsIOTest(m_context, page);

    // Below the I/O group and its notice, so that neither moves.
    m_trackInterface = new TTrackInterfaceGroup(m_context.trackInterface, m_context.InterfaceFlags(), page);
    m_trackInterface->setFixedWidth(ColumnWidth + 30);

    // The lap counter's choices under the test: the left column is full.
    LayOutColumns(page, {io, m_maskNotice, m_trackInterface}, {m_ioTest, m_trackInterface->LapCounterBox()});
    return page;
}

QWidget* TSettingsPage::BuildTrackPage()
{
    QWidget* page = SubPage(QStringLiteral("SettingsTrack"), TrackColour);

    m_colours = new TSettingsColours(page);

    auto* rotation = Group(QStringLiteral("Track Rotation (Method A)"), QStringLiteral("GroupBoxTrackRotation"), page);
    m_rotation = new QComboBox(rotation);
    m_rotation->setObjectName(QStringLiteral("ComboBoxTackRotation"));
    m_rotation->setMinimumWidth(130);
    auto* rotationLayout = new QHBoxLayout(rotation);
    rotationLayout->addWidget(m_rotation);
    rotationLayout->addStretch();

    auto* length = Group(QStringLiteral("Lenght"), QStringLiteral("GroupBoxLength"), page);
    m_sections = NumericEdit(QStringLiteral("EditSections"), length);
    m_sections->setToolTip(QStringLiteral("Used for Timed-races"));
    auto* lengthLayout = new QFormLayout(length);
    lengthLayout->addRow(QStringLiteral("Sections"), m_sections);

    for (QGroupBox* group : {rotation, length})
        group->setFixedWidth(ColumnWidth - 60);
    LayOutColumns(page, {m_colours}, {rotation, length});
    return page;
}

QWidget* TSettingsPage::BuildAudioPage()
{
    QWidget* page = SubPage(QStringLiteral("SettingsAudio"), AudioColour);
    // Filled by BuildRuntimeControls, placed by hand.
    m_soundGroup = Group(QStringLiteral("On/Off"), QStringLiteral("GroupBoxOnOff"), page);
    m_soundGroup->setFixedSize(190, 92);
    m_announcements = new TAnnouncementsGroup(m_announcer, page);
    m_announcements->setFixedWidth(ColumnWidth + 100);
    auto* layout = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    // Both at the top: the taller group beside it does not move On/Off down.
    row->addWidget(m_soundGroup, 0, Qt::AlignTop);
    row->addWidget(m_announcements, 0, Qt::AlignTop);
    row->addStretch();
    layout->addLayout(row);
    layout->addStretch();
    return page;
}

void TSettingsPage::BuildRuntimeControls()
{
    static const char* const SoundCaptions[TSettings::SoundCount] = {"Light 1", "Light 2", "Light 3",  "Light 4",
                                                                     "Start",   "Lap",     "Best Lap", "Finish"};
    const QString soundStyle = QStringLiteral("QCheckBox { background: %1; }").arg(ColourOfSetting(AudioColour).name());
    for (int n = 1; n <= TSettings::SoundCount; ++n) {
        auto* box =
            CheckBox(QLatin1String(SoundCaptions[n - 1]), QStringLiteral("CheckBoxSound%1").arg(n), m_soundGroup);
        box->setStyleSheet(soundStyle);
        box->setGeometry(Column(n, 4) * 80 + 8, Row(n, 4) * 16 + 16, 90, 17);
        box->show();
        m_sounds[size_t(n - 1)] = box;
    }
    for (int n = 1; n <= TSettings::PlaceCount; ++n) {
        auto* edit = new QLineEdit(m_placePointsGroup);
        edit->setObjectName(QStringLiteral("EditPoints%1").arg(n));
        edit->setGeometry(Column(n, 10) * 104 + 56, Row(n, 10) * 24 + 16, 50, 21);
        TNumericKeyFilter::Install(edit);
        edit->show();
        m_points[size_t(n - 1)] = edit;

        auto* label = new QLabel(QStringLiteral("- %1 -").arg(n), m_placePointsGroup);
        label->setObjectName(QStringLiteral("LabelPoints%1").arg(n));
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setGeometry(Column(n, 10) * 104 + 16, Row(n, 10) * 24 + 19, 31, 16);
        label->show();
        m_placeLabels[size_t(n - 1)] = label;
    }
}
