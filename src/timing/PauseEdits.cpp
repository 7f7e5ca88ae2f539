#include "timing/PauseEdits.h"

#include "common/IntegerText.h"
#include "common/LapValue.h"
#include "common/RaceTime.h"
#include "common/Settings.h"
#include "timing/RaceRules.h"

#include <algorithm>

namespace {

constexpr int32_t OneLap = 1000;

bool ValidTrack(int track) { return track >= 1 && track <= TSettings::TrackCount; }

}  // namespace

TPauseEdits::TPauseEdits(const TSettings& settings)
    : m_settings(settings), m_working(std::make_unique<TTrackStates>()), m_preview(std::make_unique<TTrackStates>())
{
}

TPauseEdits::~TPauseEdits() = default;

void TPauseEdits::Begin(TRaceState& state, TTrackStates& live)
{
    m_state = &state;
    m_live = &live;
    *m_working = live;
    // All four, not only the raced ones: a count left on a track that is no
    // longer raced must not turn up again in a later session.
    state.SectionsToAdd.fill(0);
    UpdatePreview();
}

bool TPauseEdits::EditMode() const { return m_state && m_state->RaceEnded.load(); }

bool TPauseEdits::SectionsShown() const
{
    return EditMode() && m_state->RaceKind == TRaceKind::Timed && m_settings.SectionsPerLap > 0;
}

int TPauseEdits::TrackCount() const { return TimedTrackCount(m_settings); }

bool TPauseEdits::AddLap(int track)
{
    if (!m_state || !ValidTrack(track))
        return false;
    TTrackState& record = (*m_working)[size_t(track - 1)];
    // In a Lap race a driver can be raised at most to one lap short of the
    // finish: the finish itself is for the track to count.
    if (int64_t(LapsOf(record.Laps)) >= int64_t(m_state->TargetLaps) - 1)
        return false;
    // A result under zero with a section part (a half-lap false-start
    // penalty gives -0.50) must come out as 0.50, which plain adding of
    // 1000 would get wrong; every other value keeps its sections as they are.
    record.Laps =
        record.Laps >= 0 ? record.Laps + OneLap : AddLapValues(record.Laps, OneLap, m_settings.SectionsPerLap);
    UpdatePreview();
    return true;
}

bool TPauseEdits::RemoveLap(int track)
{
    if (!m_state || !ValidTrack(track))
        return false;
    TTrackState& record = (*m_working)[size_t(track - 1)];
    if (LapsOf(record.Laps) <= 0)
        return false;
    record.Laps -= OneLap;
    UpdatePreview();
    return true;
}

const TTrackState& TPauseEdits::WorkingTrack(int track) const
{
    return (*m_working)[size_t(std::clamp(track, 1, TSettings::TrackCount) - 1)];
}

QString TPauseEdits::LapsText(int track) const
{
    return QStringLiteral("Laps: ") + FormatLapValue(WorkingTrack(track).Laps, m_settings.SectionsPerLap);
}

QString TPauseEdits::PreviewText(int track) const
{
    const size_t index = size_t(std::clamp(track, 1, TSettings::TrackCount) - 1);
    const TTrackState& record = (*m_preview)[index];
    const int32_t sections = m_state ? m_state->SectionsToAdd[index] : 0;
    return FormatLapValue(AddLapValues(record.Laps, sections, m_settings.SectionsPerLap), m_settings.SectionsPerLap) +
           QLatin1Char('/') + FormatRaceTime(record.TotalTime, 3, true);
}

QString TPauseEdits::SectionsText(int track) const
{
    if (!m_state || !ValidTrack(track))
        return QStringLiteral("0");
    return QString::number(m_state->SectionsToAdd[size_t(track - 1)]);
}

void TPauseEdits::UpdatePreview()
{
    *m_preview = *m_working;
    // During a pause the preview shows the result as if the race ended now;
    // after the race the live records already carry the penalties.
    if (!EditMode())
        ApplyRaceEndRules(*m_preview, m_settings, *m_state);
}

int32_t TPauseEdits::UsableSections(int32_t typed, int32_t sectionsPerLap)
{
    if (sectionsPerLap <= 0)
        return 0;
    const int32_t most = std::min(sectionsPerLap, int32_t(TSettings::MaxSectionsPerLap)) - 1;
    return std::clamp(typed, -most, most);
}

int32_t TPauseEdits::AddSections(int32_t laps, int32_t sections, int32_t sectionsPerLap)
{
    const int32_t result = AddLapValues(laps, sections, sectionsPerLap);
    // Taking back sections that were counted too many is a correction of
    // the last lap; it cannot drive a car under zero laps.
    if (sections < 0 && laps >= 0 && result < 0)
        return 0;
    return result;
}

TPauseEdits::TCommit TPauseEdits::Commit(std::array<QString, 4>& sectionTexts)
{
    TCommit answer;
    if (!m_state || !m_live)
        return answer;

    // Every text is read before anything is written, so a refused one
    // leaves the records exactly as they were.
    std::array<int32_t, 4> typed{};
    for (size_t i = 0; i < sectionTexts.size(); ++i) {
        if (sectionTexts[i].isEmpty())
            sectionTexts[i] = QStringLiteral("0");
    }
    for (size_t i = 0; i < sectionTexts.size(); ++i) {
        if (!ParseInteger(sectionTexts[i], typed[i])) {
            answer.error = ConversionErrorText(sectionTexts[i]);
            answer.failedTrack = int(i) + 1;
            return answer;
        }
    }

    const int32_t perLap = m_settings.SectionsPerLap;
    m_state->SectionsToAdd = typed;
    for (int n = 1; n <= TrackCount(); ++n) {
        const size_t i = size_t(n - 1);
        m_state->SectionsToAdd[i] = UsableSections(typed[i], perLap);
        TTrackState& record = (*m_working)[i];
        record.Laps = AddSections(record.Laps, m_state->SectionsToAdd[i], perLap);
    }
    *m_live = *m_working;
    answer.written = true;
    return answer;
}
