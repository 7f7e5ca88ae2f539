#include "spectator/SpectatorPainter.h"

#include "common/LapValue.h"
#include "spectator/LiveRanking.h"
#include "spectator/SpectatorBoard.h"
#include "spectator/SpectatorTexts.h"
#include "timing/FuelAndPits.h"
#include "timing/KWLStopLicht.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

const QColor Backdrop(0, 0, 0);
const QColor HeadingText(255, 255, 255);
const QColor ClockColour(255, 220, 0);
const QColor Dim(170, 170, 170);

QFont Font(int pixels, bool bold = true)
{
    // Arial is the race screen's face; the installed Liberation Sans stands in
    // for it with the same metrics on every machine.
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(pixels, 6));
    font.setBold(bold);
    return font;
}

// The largest pixel size, up to `pixels`, at which every text fits `width`.
QFont FontFitting(int pixels, const QStringList& texts, int width, bool bold = true)
{
    QFont font = Font(pixels, bold);
    while (font.pixelSize() > 6) {
        const QFontMetrics metrics(font);
        const bool fits = std::all_of(texts.begin(), texts.end(),
                                      [&](const QString& text) { return metrics.horizontalAdvance(text) <= width; });
        if (fits)
            break;
        font.setPixelSize(std::max(6, font.pixelSize() * 9 / 10));
    }
    return font;
}

void Text(QPainter& painter, const QRect& box, const QString& text, const QFont& font, const QColor& colour,
          Qt::Alignment alignment)
{
    painter.setFont(font);
    painter.setPen(colour);
    const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, box.width());
    painter.drawText(box, int(alignment | Qt::AlignVCenter) | Qt::TextSingleLine, shown);
}

// The band over every scene: what it is on the left, the clock (if any) on the right.
int Heading(QPainter& painter, const QRect& area, const QString& title, const QString& right, const QColor& rightColour)
{
    const int height = area.height() * 12 / 100;
    const int margin = area.width() / 60;
    const QRect band(area.left() + margin, area.top(), area.width() - 2 * margin, height);
    const QFont rightFont = Font(height * 7 / 10);
    const int rightWidth = right.isEmpty() ? 0 : QFontMetrics(rightFont).horizontalAdvance(right) + margin;
    Text(painter, band.adjusted(0, 0, -rightWidth, 0), title, Font(height * 45 / 100), HeadingText, Qt::AlignLeft);
    if (!right.isEmpty())
        Text(painter, band, right, rightFont, rightColour, Qt::AlignRight);
    return height;
}

void Lamps(QPainter& painter, const QRect& room, const TRaceSnapshot& race)
{
    const int count = TFKWLStopLicht::LampCount;
    const int pitch = room.width() / count;
    const int side = std::min(pitch * 85 / 100, room.height() * 8 / 10);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int lamp = 1; lamp <= count; ++lamp) {
        const bool lit = (race.LampsLit >> (lamp - 1) & 1) != 0;
        const QRect circle(room.left() + pitch * (lamp - 1) + (pitch - side) / 2,
                           room.top() + (room.height() - side) / 2, side, side);
        painter.setPen(QPen(Qt::black, TFKWLStopLicht::OutlineWidth));
        painter.setBrush(TFKWLStopLicht::LampColour(lamp, lit));
        painter.drawEllipse(circle);
    }
    painter.setBrush(Qt::NoBrush);
}

// Column edges as shares of the width: place, name, laps, last, best, gap.
struct TColumns {
    QRect Place, Name, Laps, Last, Best, Gap;
};

TColumns Columns(const QRect& row)
{
    static constexpr int Share[] = {7, 30, 12, 17, 17, 17};  // per cent
    QRect cells[6];
    int x = row.left();
    for (int i = 0; i < 6; ++i) {
        const int width = row.width() * Share[i] / 100;
        cells[i] = QRect(x, row.top(), width, row.height()).adjusted(row.height() / 8, 0, -row.height() / 8, 0);
        x += width;
    }
    return {cells[0], cells[1], cells[2], cells[3], cells[4], cells[5]};
}

void Ranking(QPainter& painter, const QRect& room, const TRaceSnapshot& race, const TSpectatorBoard& board)
{
    const TSettings& settings = board.Settings();
    const QList<TRankingRow> rows = RankLive(race);
    const int labelHeight = room.height() / 16;
    const TColumns labels = Columns(QRect(room.left(), room.top(), room.width(), labelHeight));
    const QFont labelFont = Font(labelHeight * 6 / 10, false);
    Text(painter, labels.Name, QStringLiteral("Driver"), labelFont, Dim, Qt::AlignLeft);
    Text(painter, labels.Laps, QStringLiteral("Laps"), labelFont, Dim, Qt::AlignRight);
    Text(painter, labels.Last, QStringLiteral("Last"), labelFont, Dim, Qt::AlignRight);
    Text(painter, labels.Best, QStringLiteral("Best"), labelFont, Dim, Qt::AlignRight);
    Text(painter, labels.Gap, QStringLiteral("Gap"), labelFont, Dim, Qt::AlignRight);

    const int top = room.top() + labelHeight;
    const int rowPitch = std::min((room.bottom() - top) / std::max<int>(int(rows.size()), 4), room.height() / 4);
    const int gapBetween = std::max(rowPitch / 24, 2);
    const int rowHeight = rowPitch - gapBetween;
    QStringList numbers;
    for (const TRankingRow& row : rows)
        numbers << FormatLapValue(row.Laps, race.SectionsPerLap) << SpectatorLapText(row.LastLap)
                << SpectatorLapText(row.BestLap) << GapText(row, race.SectionsPerLap);
    const TColumns first = Columns(QRect(room.left(), top, room.width(), rowHeight));
    // One size for every number, so the columns read as a table.
    const QFont numberFont =
        FontFitting(rowHeight * 55 / 100, numbers, std::min({first.Last.width(), first.Gap.width()}));
    // A long name is made smaller before it is cut: a spectator looks for
    // his whole name. Cut it is only below two thirds of the size.
    QStringList names;
    for (const TRankingRow& row : rows)
        names << row.DriverName;
    const int namePixels = rowHeight * 50 / 100;
    QFont nameFont = FontFitting(namePixels, names, first.Name.width());
    nameFont.setPixelSize(std::max(nameFont.pixelSize(), namePixels * 2 / 3));
    const QFont placeFont =
        FontFitting(rowHeight * 60 / 100, {QString::number(std::max<int>(int(rows.size()), 1))}, first.Place.width());
    // A control unit's fuel bar and pit count go in a strip under the laps,
    // last and best lap: digits, whose ink ends some 0.7 of the row down.
    // The name (descenders, "false start") and the gap ("+1 lap") reach
    // lower and keep their room.
    const int stripTop = rowHeight * 76 / 100;
    const int stripHeight = rowHeight * 19 / 100;
    const QFont pitFont = FontFitting(stripHeight * 9 / 10, {PitStopsText(99)}, first.Best.width());

    for (int i = 0; i < int(rows.size()); ++i) {
        const TRankingRow& row = rows[i];
        const QRect band(room.left(), top + i * rowPitch, room.width(), rowHeight);
        const TTrackColours colours = SpectatorTrackColours(settings, row.Track);
        painter.fillRect(band, colours.Background);
        const TColumns cells = Columns(band);
        Text(painter, cells.Place, QString::number(row.Place), placeFont, colours.Text, Qt::AlignLeft);
        // A record just broken says more than a start jumped long ago.
        const TRecordMark record = board.RecordMark(row.Track);
        if (row.FalseStart || record != TRecordMark::None) {
            // Under the name, so the name keeps its width.
            const int nameHeight = cells.Name.height() * 68 / 100;
            Text(painter, QRect(cells.Name.left(), cells.Name.top(), cells.Name.width(), nameHeight), row.DriverName,
                 nameFont, colours.Text, Qt::AlignLeft);
            Text(painter, cells.Name.adjusted(0, nameHeight - cells.Name.height() / 12, 0, 0),
                 record != TRecordMark::None ? RecordMarkText(record).toLower() : QStringLiteral("false start"),
                 Font(cells.Name.height() * 22 / 100), colours.Text, Qt::AlignLeft);
        } else {
            Text(painter, cells.Name, row.DriverName, nameFont, colours.Text, Qt::AlignLeft);
        }
        Text(painter, cells.Laps, FormatLapValue(row.Laps, race.SectionsPerLap), numberFont, colours.Text,
             Qt::AlignRight);
        Text(painter, cells.Last, SpectatorLapText(row.LastLap), numberFont, colours.Text, Qt::AlignRight);
        Text(painter, cells.Best, SpectatorLapText(row.BestLap), numberFont, colours.Text, Qt::AlignRight);
        Text(painter, cells.Gap, GapText(row, race.SectionsPerLap), numberFont, colours.Text, Qt::AlignRight);
        const int barHeight = stripHeight * 6 / 10;
        PaintFuelGauge(painter,
                       QRect(cells.Laps.left(), band.top() + stripTop + (stripHeight - barHeight) / 2,
                             cells.Last.right() + 1 - cells.Laps.left(), barHeight),
                       row.Fuel);
        if (row.PitStops >= 0)
            Text(painter, QRect(cells.Best.left(), band.top() + stripTop, cells.Best.width(), stripHeight),
                 PitStopsText(row.PitStops), pitFont, colours.Text, Qt::AlignRight);
    }
}

void RaceScene(QPainter& painter, const QRect& area, TSpectatorBoard& board)
{
    const TRaceSnapshot& race = board.Race();
    const bool anyone =
        std::any_of(race.Tracks.begin(), race.Tracks.end(), [](const TSnapshotTrack& t) { return t.Active; });
    QString title = board.RaceTitle().isEmpty() ? QStringLiteral("Race") : board.RaceTitle();
    if (race.Phase == TRacePhase::Paused || race.Phase == TRacePhase::Finished)
        title = QStringLiteral("%1 - %2").arg(title, PhaseText(race.Phase));
    const QColor clockColour =
        race.Phase == TRacePhase::Racing || race.Phase == TRacePhase::StartLights ? ClockColour : Dim;
    const int heading = Heading(painter, area, anyone ? title : QStringLiteral("Kobalap"),
                                anyone ? ClockText(race) : QString(), clockColour);
    const int margin = area.width() / 60;
    const QRect room = area.adjusted(margin, heading, -margin, -margin);
    if (!anyone)
        return Text(painter, room, QStringLiteral("Waiting for the next race"), Font(area.height() / 12), Dim,
                    Qt::AlignHCenter);
    if (race.LightsOn)
        return Lamps(painter, room, race);
    Ranking(painter, room, race, board);
}

void NextHeatScene(QPainter& painter, const QRect& area, const TSpectatorBoard& board)
{
    const TNextHeatView& heat = board.NextHeat();
    const int heading = Heading(painter, area, heat.Title, QStringLiteral("Next: Heat %1").arg(heat.Heat), HeadingText);
    const int margin = area.width() / 60;
    const QRect room = area.adjusted(margin, heading + margin, -margin, -margin);
    const int tracks = std::clamp(heat.TrackCount, 1, 4);
    const int pitch = std::min(room.height() / 4, room.height() / tracks);
    const int rowHeight = pitch - std::max(pitch / 24, 2);
    const QFont font = Font(rowHeight * 55 / 100);
    for (int t = 1; t <= tracks; ++t) {
        const QRect band(room.left(), room.top() + (t - 1) * pitch, room.width(), rowHeight);
        const TTrackColours colours = SpectatorTrackColours(board.Settings(), t);
        painter.fillRect(band, colours.Background);
        const QRect inner = band.adjusted(rowHeight / 4, 0, -rowHeight / 4, 0);
        const QRect label(inner.left(), inner.top(), inner.width() * 30 / 100, inner.height());
        const QString name = heat.Names[size_t(t - 1)];
        Text(painter, label, QStringLiteral("Track %1").arg(t), font, colours.Text, Qt::AlignLeft);
        Text(painter, inner.adjusted(label.width(), 0, 0, 0), name.isEmpty() ? QStringLiteral("-") : name, font,
             colours.Text, Qt::AlignLeft);
    }
}

void StandingsScene(QPainter& painter, const QRect& area, const TSpectatorBoard& board)
{
    const TStandingsView& standings = board.Standings();
    const int heading = Heading(painter, area, standings.Title, QStringLiteral("Standings"), HeadingText);
    const int margin = area.width() / 60;
    const QRect room = area.adjusted(margin, heading + margin, -margin, -margin);
    const int count = int(standings.Lines.size());
    // Up to 12 drivers in one column at a size read from afar; more go into
    // two columns, and what still does not fit is counted at the foot.
    const int minPitch = area.height() / 20;
    const int columns = count > 12 ? 2 : 1;
    const int rowsPerColumn = std::max(1, std::min((count + columns - 1) / columns, room.height() / minPitch));
    const int pitch = std::min(room.height() / rowsPerColumn, area.height() / 9);
    const int shown = std::min(count, rowsPerColumn * columns - (rowsPerColumn * columns < count ? 1 : 0));
    const int columnWidth = (room.width() - margin * (columns - 1)) / columns;
    const QFont font = Font(pitch * 55 / 100);
    for (int i = 0; i < shown; ++i) {
        const TStandingsLine& line = standings.Lines[size_t(i)];
        const int column = i / rowsPerColumn;
        const QRect band(room.left() + column * (columnWidth + margin), room.top() + (i % rowsPerColumn) * pitch,
                         columnWidth, pitch - std::max(pitch / 16, 2));
        painter.fillRect(band, i % 2 == 0 ? QColor(40, 40, 40) : QColor(24, 24, 24));
        const QRect inner = band.adjusted(pitch / 5, 0, -pitch / 5, 0);
        const int placeWidth = inner.width() * 8 / 100;
        const int pointsWidth = inner.width() * 24 / 100;
        Text(painter, QRect(inner.left(), inner.top(), placeWidth, inner.height()), QString::number(line.Place), font,
             ClockColour, Qt::AlignLeft);
        Text(painter, inner.adjusted(placeWidth, 0, -pointsWidth, 0), line.Driver, font, HeadingText, Qt::AlignLeft);
        Text(painter, QRect(inner.right() - pointsWidth, inner.top(), pointsWidth, inner.height()),
             SpectatorPointsText(line.Points), font, HeadingText, Qt::AlignRight);
    }
    if (shown < count) {
        const int i = shown;
        const QRect foot(room.left() + (i / rowsPerColumn) * (columnWidth + margin),
                         room.top() + (i % rowsPerColumn) * pitch, columnWidth, pitch);
        Text(painter, foot.adjusted(pitch / 5, 0, 0, 0), QStringLiteral("and %1 more").arg(count - shown), font, Dim,
             Qt::AlignLeft);
    }
}

}  // namespace

void PaintSpectatorScene(QPainter& painter, const QRect& area, TSpectatorBoard& board)
{
    painter.save();
    painter.fillRect(area, Backdrop);
    switch (board.Scene()) {
    case TSpectatorScene::Race: RaceScene(painter, area, board); break;
    case TSpectatorScene::NextHeat: NextHeatScene(painter, area, board); break;
    case TSpectatorScene::Standings: StandingsScene(painter, area, board); break;
    }
    painter.restore();
}
