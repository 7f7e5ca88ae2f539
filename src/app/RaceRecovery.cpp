#include "app/RaceRecovery.h"

#include "app/AppContext.h"
#include "app/AppWindows.h"
#include "app/KWLMainForm.h"
#include "common/MessageBoxes.h"
#include "heats/HeatStore.h"
#include "heats/KWLHeats.h"
#include "results/KWLRoundResult.h"
#include "timing/KWLTimer.h"
#include "timing/RaceJournalFile.h"
#include "timing/RaceJournalReplay.h"
#include "timing/RaceRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

struct TRaceRecovery::TFound {
    QString path;
    TRecoveredRace race;
    TMessageAnswer answer = TMessageAnswer::Resume;
};

TRaceRecovery::TRaceRecovery(TAppContext& context, TAppWindows& windows) : m_context(context), m_windows(windows) {}

TRaceRecovery::~TRaceRecovery() { delete m_found; }

namespace {

// A heat can be taken up only in the database it belongs to, and only while
// it is still there.
bool HeatStillThere(const TAppContext& context, const RaceJournalRecords::TRaceOrigin& origin)
{
    if (QFileInfo(origin.Database).canonicalFilePath() != QFileInfo(context.store.FilePath()).canonicalFilePath())
        return false;
    THeatStore store(context.store.Database(), origin.CSnr, origin.RCnr);
    return store.Lineup(origin.HTnr).has_value();
}

}  // namespace

void TRaceRecovery::AskAboutInterruptedRace()
{
    const QString path = RaceJournalFile::PathIn(m_context.workingDirectory);
    if (!QFileInfo::exists(path))
        return;
    QWidget* parent = m_windows.MainForm.get();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Messages::Warning(QStringLiteral("The journal of an interrupted race could not be read. It stays where it "
                                         "is for the next start."),
                          QDir::toNativeSeparators(path) + QStringLiteral(": ") + file.errorString(), parent);
        return;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    std::optional<TRecoveredRace> race = RaceJournalReplay::Replay(bytes);
    if (!race) {
        const QString aside = RaceJournalFile::SetAside(path);
        Messages::Warning(QStringLiteral("A race journal was found that holds no race that can be taken up. It is "
                                         "kept aside."),
                          QDir::toNativeSeparators(aside.isEmpty() ? path : aside), parent);
        return;
    }
    // A race cancelled ended normally; only the clearing was cut short.
    if (race->Stage == TRecoveredRace::TStage::Cancelled) {
        RaceJournalFile::Clear(path);
        return;
    }
    if (race->Race.Origin.Heat && !HeatStillThere(m_context, race->Race.Origin)) {
        const QString aside = RaceJournalFile::SetAside(path);
        Messages::Warning(QStringLiteral("An interrupted race was found, but its heat is not in the race database "
                                         "that is open now. Its journal is kept aside."),
                          QDir::toNativeSeparators(aside.isEmpty() ? path : aside), parent);
        return;
    }

    const QString described =
        RaceJournalReplay::Describe(*race, TimedTrackCount(m_context.settings), QFileInfo(path).lastModified().time());
    const TMessageAnswer answer = Messages::ResumeFinishDiscard(
        QStringLiteral("A race did not end normally: %1. Resume it, finish it with the laps it has, or discard it?")
            .arg(described),
        {}, parent);
    if (answer == TMessageAnswer::Discard) {
        // Never deleted: a slip of the mouse must not cost a race.
        RaceJournalFile::SetAside(path);
        return;
    }
    m_found = new TFound{path, std::move(*race), answer};
}

void TRaceRecovery::TakeUpInterruptedRace()
{
    if (!m_found)
        return;
    TFound& found = *m_found;
    const bool resume = found.answer == TMessageAnswer::Resume;
    const TWindowPlacement placement = m_windows.MainForm->Placement();
    if (found.race.Race.Origin.Heat) {
        m_windows.Heats->OpenRecoveredHeat(placement, found.race, resume);
    } else if (resume) {
        if (m_windows.Timer->ResumeRace(found.race, placement))
            m_windows.RoundResults->ShowLapResults(placement, m_windows.Timer->Tracks());
    } else {
        // A single race is not stored: finished, it is shown, and its journal has done its part.
        FinishRecoveredRace(found.race, m_context.settings);
        RaceJournalFile::Clear(found.path);
        m_windows.RoundResults->ShowLapResults(placement, *found.race.Tracks);
    }
    delete m_found;
    m_found = nullptr;
}
