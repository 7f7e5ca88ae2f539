#include "timing/KWLPauseRace.h"

#include "common/AppInfo.h"
#include "common/MessageBoxes.h"
#include "common/PlaceWindow.h"
#include "common/SettingColour.h"
#include "common/Settings.h"
#include "timing/RaceRules.h"
#include "timing/TimerThread.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int SectionsMaxLength = 3;

QFont Sized(QFont font, int pointSize, bool bold)
{
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

QString Named(const char* name, int track) { return QLatin1String(name) + QString::number(track); }

// Wide enough for the longest text a label usually shows, so that the
// dialog does not jump in size while laps are changed; a longer text still
// widens the label rather than being cut.
void ReserveWidth(QLabel* label, const QString& sample)
{
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(sample) + 16);
}

}  // namespace

TFKWLPauseRace::TFKWLPauseRace(const TSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_edits(settings)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    setWindowTitle(Kobalap::SubCaption(QStringLiteral("Pause Race")));

    auto* tracks = new QHBoxLayout;
    tracks->setSpacing(8);
    for (int n = 1; n <= TSettings::TrackCount; ++n)
        tracks->addWidget(BuildTrack(n));

    const QFont buttonFont = Sized(font(), 10, true);
    auto button = [&](const QString& text, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setFont(buttonFont);
        b->setMinimumSize(b->fontMetrics().horizontalAdvance(QStringLiteral("Finish Race")) + 32, 32);
        b->setAutoDefault(false);
        return b;
    };
    m_ok = button(QStringLiteral("OK"), "ButtonOK");
    m_finish = button(QStringLiteral("Finish Race"), "ButtonFinishRace");
    m_cancel = button(QStringLiteral("Cancel "), "ButtonCancel");
    // Enter resumes; finishing a race is never a key press away.
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, [this] { WriteBack(TPauseResult::Resume); });
    connect(m_finish, &QPushButton::clicked, this, [this] { WriteBack(TPauseResult::FinishRace); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_finish);
    buttons->addWidget(m_cancel);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(12, 12, 12, 12);
    main->setSpacing(12);
    main->addLayout(tracks);
    main->addLayout(buttons);
    // The dialog is exactly as large as the tracks shown need.
    main->setSizeConstraint(QLayout::SetFixedSize);
}

TFKWLPauseRace::~TFKWLPauseRace() = default;

QGroupBox* TFKWLPauseRace::BuildTrack(int track)
{
    TTrackWidgets& w = m_tracks[size_t(track - 1)];
    w.group = new QGroupBox(QStringLiteral("Track %1").arg(track), this);
    w.group->setObjectName(Named("GroupTrack", track));
    w.group->setFont(Sized(font(), 10, true));

    w.laps = new QLabel(w.group);
    w.laps->setObjectName(Named("LabelLaps", track));
    w.laps->setFont(Sized(font(), 16, true));
    w.laps->setAlignment(Qt::AlignCenter);
    w.laps->setFrameStyle(QFrame::Panel | QFrame::Raised);
    w.laps->setMargin(4);
    // The track's colour from the timer window, so the director finds the
    // car at a glance.
    w.laps->setAutoFillBackground(true);
    ReserveWidth(w.laps, QStringLiteral("Laps: 99.99"));

    const QFont stepFont = Sized(font(), 18, true);
    auto step = [&](const QString& text, const char* name) {
        auto* b = new QPushButton(text, w.group);
        b->setObjectName(Named(name, track));
        b->setFont(stepFont);
        b->setMinimumSize(56, 40);
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* minus = step(QStringLiteral("-"), "ButtonMinus");
    QPushButton* plus = step(QStringLiteral("+"), "ButtonPlus");
    m_steps[size_t(2 * (track - 1))] = minus;
    m_steps[size_t(2 * (track - 1) + 1)] = plus;
    connect(minus, &QPushButton::clicked, this, [this, track] { MinusClick(track); });
    connect(plus, &QPushButton::clicked, this, [this, track] { PlusClick(track); });

    auto* heading = new QLabel(QStringLiteral("Final result (Laps/Time)"), w.group);
    heading->setFont(Sized(font(), 9, false));
    heading->setAlignment(Qt::AlignCenter);

    w.preview = new QLabel(w.group);
    w.preview->setObjectName(Named("LabelPreview", track));
    w.preview->setFont(Sized(font(), 11, true));
    w.preview->setAlignment(Qt::AlignCenter);
    w.preview->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    w.preview->setMargin(4);
    ReserveWidth(w.preview, QStringLiteral("99.99/99:99.999"));

    w.addSections = new QLabel(QStringLiteral("Add Sections:"), w.group);
    w.addSections->setObjectName(Named("LabelAddSections", track));
    w.addSections->setFont(Sized(font(), 10, false));
    w.sections = new QLineEdit(w.group);
    w.sections->setObjectName(Named("EditSections", track));
    w.sections->setFont(Sized(font(), 11, true));
    w.sections->setMaxLength(SectionsMaxLength);
    w.sections->setAlignment(Qt::AlignRight);
    w.sections->setFixedWidth(w.sections->fontMetrics().horizontalAdvance(QStringLiteral("-999")) + 16);
    w.addSections->setBuddy(w.sections);

    auto* steps = new QHBoxLayout;
    steps->addWidget(minus);
    steps->addWidget(plus);
    auto* sections = new QHBoxLayout;
    sections->addStretch();
    sections->addWidget(w.addSections);
    sections->addWidget(w.sections);
    sections->addStretch();

    auto* box = new QVBoxLayout(w.group);
    box->setSpacing(8);
    box->addWidget(w.laps);
    box->addLayout(steps);
    box->addSpacing(4);
    box->addWidget(heading);
    box->addWidget(w.preview);
    box->addLayout(sections);
    box->addStretch();
    return w.group;
}

TFKWLPauseRace::TPauseResult TFKWLPauseRace::Execute(TRaceState& state, TTrackStates& tracks)
{
    m_edits.Begin(state, tracks);
    OpenOver();
    ShowSession();
    m_ok->setFocus();
    exec();
    return m_result;
}

TFKWLPauseRace::TPauseOutcome TFKWLPauseRace::ExecutePause(TRaceState& state, TTrackStates& tracks, TTimerThread& race,
                                                           bool requested)
{
    TPauseOutcome outcome;
    // Connected before the request, so that neither the halt nor the end of
    // the race can come unseen. Both arrive queued, on this thread.
    const auto takeHalt = [&] {
        if (!m_waiting)
            return;
        m_waiting = false;
        outcome.Halted = true;
        // The timer window was closed meanwhile: the race is over, there is
        // nothing left to pause.
        if (state.RaceEnded.load()) {
            reject();
            return;
        }
        m_edits.Begin(state, tracks);
        ShowSession();
        m_ok->setFocus();
    };
    const QMetaObject::Connection onHalt = connect(&race, &TTimerThread::halted, this, takeHalt);
    const QMetaObject::Connection onEnd = connect(&race, &QThread::finished, this, [this] {
        if (m_waiting)
            reject();
    });
    if (!requested)
        race.RequestPause();
    OpenOver();
    m_waiting = race.isRunning();
    if (m_waiting) {
        ShowWaiting();
        m_cancel->setFocus();
        // A halt reported before we listened is taken now; a report still
        // queued finds the dialog no longer waiting.
        if (requested && race.IsHalted() && !state.RaceEnded.load())
            takeHalt();
        exec();
    }
    m_waiting = false;
    disconnect(onHalt);
    disconnect(onEnd);
    outcome.Result = m_result;
    return outcome;
}

void TFKWLPauseRace::OpenOver()
{
    m_result = TPauseResult::Resume;
    // The window that opens the dialog (the timer window) is the modal one
    // at this moment; the dialog's own parent is only the fallback.
    QWidget* opener = QApplication::activeModalWidget();
    if (!opener || opener == this || !opener->isVisible())
        opener = parentWidget() ? parentWidget()->window() : nullptr;
    m_host = opener;
}

void TFKWLPauseRace::ShowWaiting()
{
    // The race is still writing its records: nothing of them can be shown or
    // changed yet, and "OK" or "Finish Race" would have no copy to write.
    setWindowTitle(Kobalap::SubCaption(QStringLiteral("Pause Race")));
    const int trackCount = TimedTrackCount(m_settings);
    for (int n = 1; n <= TSettings::TrackCount; ++n) {
        TTrackWidgets& w = m_tracks[size_t(n - 1)];
        w.group->setVisible(n <= trackCount);
        w.addSections->hide();
        w.sections->hide();
        w.laps->setText(QStringLiteral("Laps: ..."));
        w.preview->setText(QStringLiteral("..."));
    }
    SetEditsEnabled(false);
}

void TFKWLPauseRace::SetEditsEnabled(bool enabled)
{
    for (QPushButton* step : m_steps)
        step->setEnabled(enabled);
    m_ok->setEnabled(enabled);
    m_finish->setEnabled(enabled);
}

void TFKWLPauseRace::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Only now are the fields of this session shown or hidden for the
    // layout, so only now is the size known that is to be centred.
    layout()->activate();
    CentreOnHost();
}

void TFKWLPauseRace::ShowSession()
{
    const bool edit = m_edits.EditMode();
    setWindowTitle(Kobalap::SubCaption(edit ? QStringLiteral("Edit Results") : QStringLiteral("Pause Race")));
    SetEditsEnabled(true);
    m_finish->setEnabled(!edit);
    const bool sections = m_edits.SectionsShown();
    for (int n = 1; n <= TSettings::TrackCount; ++n) {
        TTrackWidgets& w = m_tracks[size_t(n - 1)];
        w.group->setVisible(n <= m_edits.TrackCount());
        w.addSections->setVisible(sections);
        w.sections->setVisible(sections);
        w.sections->setText(m_edits.SectionsText(n));
        QPalette colours = w.laps->palette();
        colours.setColor(QPalette::Window, ColourOfSetting(m_settings.Foreground[size_t(n - 1)]));
        // Black on the track colours as the race screen has them; white
        // should a club choose a dark one.
        const QColor back = colours.color(QPalette::Window);
        const int luma = (299 * back.red() + 587 * back.green() + 114 * back.blue()) / 1000;
        colours.setColor(QPalette::WindowText, luma < 64 ? Qt::white : Qt::black);
        w.laps->setPalette(colours);
    }
    ShowTexts();
}

void TFKWLPauseRace::ShowTexts()
{
    for (int n = 1; n <= TSettings::TrackCount; ++n) {
        TTrackWidgets& w = m_tracks[size_t(n - 1)];
        w.laps->setText(m_edits.LapsText(n));
        w.preview->setText(m_edits.PreviewText(n));
    }
}

void TFKWLPauseRace::PlusClick(int track)
{
    m_edits.AddLap(track);
    ShowTexts();
}

void TFKWLPauseRace::MinusClick(int track)
{
    m_edits.RemoveLap(track);
    ShowTexts();
}

void TFKWLPauseRace::WriteBack(TPauseResult result)
{
    std::array<QString, 4> texts;
    for (size_t i = 0; i < texts.size(); ++i)
        texts[i] = m_tracks[i].sections->text();
    const TPauseEdits::TCommit commit = m_edits.Commit(texts);
    for (size_t i = 0; i < texts.size(); ++i) {
        if (m_tracks[i].sections->text() != texts[i])
            m_tracks[i].sections->setText(texts[i]);
    }
    if (!commit.written) {
        Messages::Error(commit.error, {}, this);
        if (commit.failedTrack > 0) {
            QLineEdit* edit = m_tracks[size_t(commit.failedTrack - 1)].sections;
            edit->setFocus();
            edit->selectAll();
        }
        return;
    }
    m_result = result;
    accept();
}

void TFKWLPauseRace::CentreOnHost() { CentreOver(*this, m_host); }
