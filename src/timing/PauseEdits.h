#pragma once

#include "timing/RaceState.h"

#include <QString>
#include <array>
#include <memory>

struct TSettings;

// What the pause dialog does, apart from its widgets. One session runs from
// Begin to Commit (or to nothing, for "Cancel "): the dialog's "+" and "-"
// change a working copy of the four track records, a preview copy shows what
// the result would be, and only Commit writes the working copy back.
//
// The race state and the live records handed to Begin must stay put for the
// session; in pause mode the timing thread is halted for all of it.
class TPauseEdits {
public:
    explicit TPauseEdits(const TSettings& settings);
    ~TPauseEdits();
    TPauseEdits(const TPauseEdits&) = delete;
    TPauseEdits& operator=(const TPauseEdits&) = delete;

    // Starts a session: the working copy is taken from the live records, the
    // sections to add are cleared and the preview is computed.
    void Begin(TRaceState& state, TTrackStates& live);

    // After the race the dialog edits the result; during a race it pauses it.
    bool EditMode() const;
    // The "Add Sections:" fields are offered only when editing a Timed race
    // with sections per lap above 0.
    bool SectionsShown() const;
    // The tracks that are raced (the "Tracks" setting, 1..4).
    int TrackCount() const;

    // "+" and "-" of track 1..4; the preview follows. False when the lap
    // count was at its bound and nothing changed.
    bool AddLap(int track);
    bool RemoveLap(int track);

    // "Laps: 23.45" from the working copy.
    QString LapsText(int track) const;
    // "23.45/5:01.234": the preview's laps with the sections to add, and its
    // total time.
    QString PreviewText(int track) const;
    // SectionsToAdd as the edits show it.
    QString SectionsText(int track) const;

    const TTrackStates& Working() const { return *m_working; }
    const TTrackStates& Preview() const { return *m_preview; }

    struct TCommit {
        bool written = false;
        QString error;        // the conversion error when a text is not a whole number
        int failedTrack = 0;  // the track (1..4) whose text was refused
    };
    // "OK" and "Finish Race". sectionTexts are the four edits' texts; an
    // empty one is set to "0". When one of them is not a whole number
    // nothing at all is written (neither SectionsToAdd nor the records).
    // Otherwise the sections of tracks 1..N are added to the working copy's
    // laps and the working copy replaces the live records (all four).
    //
    // A count is kept below one lap either way (S - 1 at most, -(S - 1) at
    // least) and is 0 when sections are off. A negative count takes sections
    // back from the last lap, borrowing a lap where needed (23.00 - 45 is
    // 22.55), but it never takes a result that was not below zero under
    // zero; a result already below zero (a Timed false start) moves as the
    // lap arithmetic says.
    TCommit Commit(std::array<QString, 4>& sectionTexts);

private:
    static int32_t UsableSections(int32_t typed, int32_t sectionsPerLap);
    static int32_t AddSections(int32_t laps, int32_t sections, int32_t sectionsPerLap);
    void UpdatePreview();
    const TTrackState& WorkingTrack(int track) const;

    const TSettings& m_settings;
    TRaceState* m_state = nullptr;
    TTrackStates* m_live = nullptr;
    // ~640 KB each: kept on the heap and reused for every session.
    std::unique_ptr<TTrackStates> m_working;
    std::unique_ptr<TTrackStates> m_preview;
};
