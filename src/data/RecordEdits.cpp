#include "data/RecordEdits.h"

#include "common/IntegerText.h"

namespace {

TRecordOk Written() { return {true, false, TRecordOk::Notice::None, {}}; }
TRecordOk Cancelled() { return {}; }
TRecordOk Refused(const QString& text) { return {false, false, TRecordOk::Notice::Information, text}; }
TRecordOk StoreFailed(const QString& text) { return {false, false, TRecordOk::Notice::Error, text}; }
TRecordOk NotANumber(const QString& text) { return {false, true, TRecordOk::Notice::Error, ConversionErrorText(text)}; }

}  // namespace

// --- driver

bool TDriverEdit::Begin(TRecordMode mode, int drvnr)
{
    m_pending = false;
    name.clear();
    m_drvnr = 0;
    if (mode == TRecordMode::Add) {
        m_pending = true;
        return true;
    }
    const auto stored = m_actions.DriverName(drvnr);
    if (!stored)
        return false;
    m_drvnr = drvnr;
    name = *stored;
    return true;
}

TRecordOk TDriverEdit::Ok()
{
    // A blank name could never be told apart in a list, nor picked.
    if (name.trimmed().isEmpty()) {
        m_pending = false;
        return Refused(QStringLiteral("Name not valid, action canceled!"));
    }
    if (!m_pending)
        return Cancelled();
    m_pending = false;
    switch (m_actions.SaveDriver(m_drvnr, name)) {
    case TDriverWrite::Written: return Written();
    case TDriverWrite::Duplicate: return Refused(QStringLiteral("Driver already exists."));
    case TDriverWrite::Failed: break;
    }
    // Not a duplicate: say what the store said rather than blame the name.
    return StoreFailed(m_actions.LastError());
}

// --- championship

QString TChampionshipEdit::LengthCaption(bool timed)
{
    return timed ? QStringLiteral("Minutes") : QStringLiteral("Laps");
}

bool TChampionshipEdit::Begin(TRecordMode mode, int csnr)
{
    m_mode = mode;
    m_pending = false;
    m_typeLocked = false;
    m_csnr = 0;
    name.clear();
    lapsMinutes.clear();
    racesThatCount.clear();
    timed = true;
    if (mode == TRecordMode::Add) {
        m_pending = true;
        return true;
    }
    const auto row = m_actions.Championship(csnr);
    if (!row)
        return false;
    const auto hasRaces = m_actions.ChampionshipHasRaces(csnr);
    if (!hasRaces)
        return false;
    m_csnr = csnr;
    name = row->name;
    lapsMinutes = QString::number(row->lapsMinutes);
    racesThatCount = QString::number(row->racesThatCount);
    timed = row->timed;
    m_typeLocked = *hasRaces;
    return true;
}

TRecordOk TChampionshipEdit::Ok()
{
    name = name.trimmed();
    if (name.isEmpty() || lapsMinutes.isEmpty() || racesThatCount.isEmpty()) {
        m_pending = false;
        return Refused(QStringLiteral("Data entered not valid, action canceled!"));
    }
    if (!m_pending)
        return Cancelled();

    // The digit filter keeps letters out of the number fields, but pasted
    // text gets in; such a field is refused before anything is written.
    TChampionshipRow row{name, 0, 0, timed};
    int32_t number = 0;
    if (!ParseInteger(lapsMinutes, number))
        return NotANumber(lapsMinutes);
    row.lapsMinutes = number;
    if (!ParseInteger(racesThatCount, number))
        return NotANumber(racesThatCount);
    row.racesThatCount = number;

    m_pending = false;
    const bool stored =
        m_mode == TRecordMode::Add
            ? m_actions.AddChampionship(row.name, row.lapsMinutes, row.racesThatCount, row.timed).has_value()
            : m_actions.UpdateChampionship(m_csnr, row);
    return stored ? Written() : StoreFailed(m_actions.LastError());
}

// --- race

bool TRaceEdit::Begin(TRecordMode mode, int csnr, int rcnr)
{
    m_mode = mode;
    m_pending = false;
    m_csnr = 0;
    m_rcnr = 0;
    championshipName.clear();
    name.clear();
    const auto championship = m_actions.Championship(csnr);
    if (!championship)
        return false;
    championshipName = championship->name;
    if (mode == TRecordMode::Add) {
        m_csnr = csnr;
        m_pending = true;
        return true;
    }
    const auto stored = m_actions.RaceName(csnr, rcnr);
    if (!stored)
        return false;
    m_csnr = csnr;
    m_rcnr = rcnr;
    name = *stored;
    return true;
}

TRecordOk TRaceEdit::Ok()
{
    name = name.trimmed();
    if (name.isEmpty()) {
        m_pending = false;
        return Refused(QStringLiteral("Name not valid, action canceled!"));
    }
    if (!m_pending)
        return Cancelled();
    m_pending = false;
    const bool stored = m_mode == TRecordMode::Add ? m_actions.AddRace(m_csnr, name).has_value()
                                                   : m_actions.UpdateRace(m_csnr, m_rcnr, name);
    return stored ? Written() : StoreFailed(m_actions.LastError());
}
