#pragma once

#include "data/RecordActions.h"
#include "data/RecordMode.h"

#include <QSqlDatabase>
#include <QString>

// The pending rows behind the three record dialogs, apart from their widgets.
// A row is pending from the start of an add, and in change mode only once the
// user has altered a field; only a pending row is ever written. Each dialog
// copies its fields in, calls Ok() and does what the answer says.

// What OK on a record dialog comes to.
struct TRecordOk {
    enum class Notice { None, Information, Error };
    // The dialog's result: true for OK (the table was written), false for Cancel.
    bool written = false;
    // The entry cannot be read as it stands: the dialog stays open, its
    // pending row untouched, so the user can correct it.
    bool keepOpen = false;
    Notice notice = Notice::None;
    QString text;
};

class TDriverEdit {
public:
    explicit TDriverEdit(QSqlDatabase db) : m_actions(db) {}

    // Add: an empty row is pending. Change: the driver's row is located and
    // nothing is pending yet. False when the row cannot be read; ReadError()
    // holds the store's message, empty when the row is simply not there.
    bool Begin(TRecordMode mode, int drvnr = 0);
    void Altered() { m_pending = true; }
    bool Pending() const { return m_pending; }
    // Refuses a name that is blank, else posts the pending row with the name
    // as typed (not trimmed).
    TRecordOk Ok();
    void Cancel() { m_pending = false; }
    const QString& ReadError() const { return m_actions.LastError(); }

    QString name;

private:
    TRecordActions m_actions;
    int m_drvnr = 0;
    bool m_pending = false;
};

class TChampionshipEdit {
public:
    explicit TChampionshipEdit(QSqlDatabase db) : m_actions(db) {}

    // Add: a Timed row with empty fields is pending. Change: the row is
    // located, and its race type locked when it already has races.
    bool Begin(TRecordMode mode, int csnr = 0);
    void Altered() { m_pending = true; }
    bool Pending() const { return m_pending; }
    // Trims the name (the trimmed name stays in `name`); refuses an empty
    // name, length or races-that-count; keeps the dialog open for a number
    // that is not a 32-bit integer; otherwise posts the pending row.
    TRecordOk Ok();
    void Cancel() { m_pending = false; }
    const QString& ReadError() const { return m_actions.LastError(); }
    // Races would lose their meaning if a Lap championship turned Timed.
    bool TypeLocked() const { return m_typeLocked; }

    // The caption of the length field for a race type.
    static QString LengthCaption(bool timed);

    QString name;
    QString lapsMinutes;
    QString racesThatCount;
    bool timed = true;

private:
    TRecordActions m_actions;
    TRecordMode m_mode = TRecordMode::Add;
    int m_csnr = 0;
    bool m_pending = false;
    bool m_typeLocked = false;
};

class TRaceEdit {
public:
    explicit TRaceEdit(QSqlDatabase db) : m_actions(db) {}

    // Locates the championship first (its name is shown above the race), then
    // starts a new race of it or locates race rcnr.
    bool Begin(TRecordMode mode, int csnr, int rcnr = 0);
    void Altered() { m_pending = true; }
    bool Pending() const { return m_pending; }
    // Trims the name (blanks inside stay) and refuses it when empty.
    TRecordOk Ok();
    void Cancel() { m_pending = false; }
    const QString& ReadError() const { return m_actions.LastError(); }

    QString championshipName;
    QString name;

private:
    TRecordActions m_actions;
    TRecordMode m_mode = TRecordMode::Add;
    int m_csnr = 0;
    int m_rcnr = 0;
    bool m_pending = false;
};
