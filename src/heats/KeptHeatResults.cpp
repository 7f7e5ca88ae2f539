#include "heats/KeptHeatResults.h"

#include "common/SyncToDisk.h"
#include "heats/HeatStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <limits>

namespace KeptHeatResults {
namespace {

constexpr const char* Format = "kobalap-kept-heat";
constexpr int FormatVersion = 1;
constexpr const char* SubFolder = "kept-results";
constexpr const char* SetAsideSuffix = ".orphaned";

std::optional<int32_t> Int32(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != double(int64_t(number)) || number < std::numeric_limits<int32_t>::min() ||
        number > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return int32_t(number);
}

// One name per heat of one database, so that a heat kept again replaces its
// older result and two clubs' files in the user's folder never meet.
QString FileName(const QString& database, int32_t csnr, int32_t rcnr, int32_t htnr)
{
    const QByteArray tag = QCryptographicHash::hash(database.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral("heat-%1-%2-%3-%4.json").arg(csnr).arg(rcnr).arg(htnr).arg(QLatin1String(tag));
}

}  // namespace

QStringList Folders(const QString& databasePath, const QString& workingDirectory)
{
    QStringList folders;
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    for (const QString& base :
         {QFileInfo(databasePath).absolutePath(), QDir(workingDirectory).absolutePath(), userFolder})
        if (!base.isEmpty()) {
            const QString folder = QDir::cleanPath(QDir(base).filePath(QLatin1String(SubFolder)));
            if (!folders.contains(folder))
                folders << folder;
        }
    return folders;
}

QByteArray Encode(const TKeptHeat& heat)
{
    QJsonArray tracks;
    for (int t = 1; t <= 4; ++t) {
        const THeatTrackResult& track = heat.Result.Tracks[size_t(t - 1)];
        if (!track.InUse)
            continue;
        QJsonArray laps;
        for (const THeatLapRow& lap : track.LapRows)
            laps.append(QJsonArray{lap.Lap, lap.Time, lap.SpeedTrapTime});
        tracks.append(QJsonObject{{QStringLiteral("track"), t},
                                  {QStringLiteral("laps"), track.Laps},
                                  {QStringLiteral("time"), track.Time},
                                  {QStringLiteral("topLapTime"), track.TopLapTime},
                                  {QStringLiteral("lapRows"), laps}});
    }
    const QJsonObject root{{QStringLiteral("format"), QLatin1String(Format)},
                           {QStringLiteral("version"), FormatVersion},
                           {QStringLiteral("database"), heat.Database},
                           {QStringLiteral("CSnr"), heat.CSnr},
                           {QStringLiteral("RCnr"), heat.RCnr},
                           {QStringLiteral("HTnr"), heat.HTnr},
                           {QStringLiteral("title"), heat.Title},
                           {QStringLiteral("tracks"), tracks}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<TKeptHeat> Decode(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("format")).toString() != QLatin1String(Format) ||
        Int32(root.value(QStringLiteral("version"))) != FormatVersion ||
        !root.value(QStringLiteral("database")).isString())
        return std::nullopt;
    TKeptHeat heat;
    heat.Database = root.value(QStringLiteral("database")).toString();
    heat.Title = root.value(QStringLiteral("title")).toString();
    const auto csnr = Int32(root.value(QStringLiteral("CSnr")));
    const auto rcnr = Int32(root.value(QStringLiteral("RCnr")));
    const auto htnr = Int32(root.value(QStringLiteral("HTnr")));
    if (!csnr || !rcnr || !htnr || !root.value(QStringLiteral("tracks")).isArray())
        return std::nullopt;
    heat.CSnr = *csnr;
    heat.RCnr = *rcnr;
    heat.HTnr = *htnr;
    for (const QJsonValue& value : root.value(QStringLiteral("tracks")).toArray()) {
        const QJsonObject object = value.toObject();
        const auto t = Int32(object.value(QStringLiteral("track")));
        const auto laps = Int32(object.value(QStringLiteral("laps")));
        const auto time = Int32(object.value(QStringLiteral("time")));
        const auto topLap = Int32(object.value(QStringLiteral("topLapTime")));
        if (!t || *t < 1 || *t > 4 || !laps || !time || !topLap || !object.value(QStringLiteral("lapRows")).isArray())
            return std::nullopt;
        THeatTrackResult& track = heat.Result.Tracks[size_t(*t - 1)];
        if (track.InUse)
            return std::nullopt;  // a track twice
        track = {true, *laps, *time, *topLap, {}};
        for (const QJsonValue& row : object.value(QStringLiteral("lapRows")).toArray()) {
            const QJsonArray fields = row.toArray();
            const auto lap = Int32(fields.at(0));
            const auto lapTime = Int32(fields.at(1));
            const auto trap = Int32(fields.at(2));
            if (fields.size() != 3 || !lap || !lapTime || !trap)
                return std::nullopt;
            track.LapRows.push_back({*lap, *lapTime, *trap});
        }
    }
    return heat;
}

bool Keep(TKeptHeat& heat, const QStringList& folders, QString& error)
{
    const QString name = FileName(heat.Database, heat.CSnr, heat.RCnr, heat.HTnr);
    const QByteArray bytes = Encode(heat);
    QStringList failures;
    for (const QString& folder : folders) {
        QSaveFile file(QDir(folder).filePath(name));
        // Flushed and checked before the commit, which in Qt 6.4 renames even
        // a file a full disk cut short.
        const bool written = QDir().mkpath(folder) && file.open(QIODevice::WriteOnly) &&
                             file.write(bytes) == bytes.size() && file.flush() && file.commit();
        if (!written) {
            failures << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(folder), file.errorString());
            file.cancelWriting();
            continue;
        }
        SyncToDisk(folder);
        heat.File = file.fileName();
        // An older result of the heat elsewhere must not come back later.
        for (const QString& other : folders)
            if (other != folder)
                QFile::remove(QDir(other).filePath(name));
        return true;
    }
    error = failures.join(QLatin1Char('\n'));
    return false;
}

std::vector<TKeptHeat> Find(const QStringList& folders, const QString& database)
{
    std::vector<TKeptHeat> found;
    for (const QString& folder : folders) {
        const QFileInfoList files =
            QDir(folder).entryInfoList({QStringLiteral("heat-*.json")}, QDir::Files, QDir::Name);
        for (const QFileInfo& info : files) {
            QFile file(info.filePath());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            std::optional<TKeptHeat> heat = Decode(file.readAll());
            // Anything else is left where it is for a person to look at.
            if (heat && heat->Database == database) {
                heat->File = info.filePath();
                found.push_back(std::move(*heat));
            }
        }
    }
    return found;
}

void Forget(const QStringList& folders, const QString& database, int32_t csnr, int32_t rcnr, int32_t htnr)
{
    const QString name = FileName(database, csnr, rcnr, htnr);
    for (const QString& folder : folders)
        if (QFile::remove(QDir(folder).filePath(name)))
            SyncToDisk(folder);
}

TKeptHeatsOutcome StoreAll(QSqlDatabase db, const QStringList& folders, const QString& database)
{
    TKeptHeatsOutcome outcome;
    for (const TKeptHeat& heat : Find(folders, database)) {
        THeatStore store(db, heat.CSnr, heat.RCnr);
        const std::optional<THeatLineup> lineup = store.Lineup(heat.HTnr);
        if (lineup && std::all_of(lineup->DRVnr.cbegin(), lineup->DRVnr.cend(), [](int32_t d) { return d == 0; })) {
            // The heat was deleted meanwhile: there is nothing to store it
            // in, and it is set aside rather than offered at every start.
            const QString aside = heat.File + QLatin1String(SetAsideSuffix);
            QFile::remove(aside);
            if (QFile::rename(heat.File, aside))
                outcome.Orphaned << QDir::toNativeSeparators(aside);
            continue;
        }
        if (lineup && store.StoreHeatResult(heat.HTnr, heat.Result)) {
            outcome.Stored << heat.Title;
            Forget(folders, database, heat.CSnr, heat.RCnr, heat.HTnr);
        } else {
            outcome.NotYet << heat.Title;
            outcome.Error = store.LastError();
        }
    }
    return outcome;
}

}  // namespace KeptHeatResults
