#pragma once

#include <QSqlDatabase>
#include <QString>
#include <functional>
#include <optional>

class QSqlError;

// The race database on the alias KWLManager: one SQLite file,
// data/KWLManager.sqlite under the working directory, created with its ten
// tables on a fresh installation (StoreCreation). A file that is not ours or
// is damaged is refused and never written to. A file that is ours but can
// not be written now (write-protected, locked by another program, a full
// disk) is opened for reading only, so that results can still be looked at.
class TKWLStore {
public:
    static constexpr const char* ConnectionName = "KWLManager";
    static constexpr const char* FileName = "KWLManager.sqlite";

    enum class Status { Closed, Open, ReadOnly, Failed };
    // Why a store is ReadOnly.
    enum class ReadOnlyCause { None, NotWritable, Locked, DiskFull };
    // With less free space than this on its disk the store is only read: a
    // race must not find out in its middle that its heats can not be stored.
    static constexpr qint64 MinimumFreeSpace = 1024 * 1024;
    // Tells the free bytes on the disk of a folder, -1 when it can not.
    using FreeSpaceProbe = std::function<qint64(const QString& folder)>;

    TKWLStore() = default;
    ~TKWLStore();
    TKWLStore(const TKWLStore&) = delete;
    TKWLStore& operator=(const TKWLStore&) = delete;

    // Opens (and on first use creates) data/KWLManager.sqlite under the given
    // working directory. Open when all is well; ReadOnly (reads work, every
    // write fails with the store's message) when the file can not be written,
    // for the Cause() with DetailText(); Failed with ErrorText() and
    // DetailText() otherwise. A lock does not keep the start waiting.
    Status Open(const QString& workingDirectory);
    // Folds the journal back into the file; false (with a warning on the
    // console) when that failed and the file stays in WAL mode.
    bool Close();
    // Tests put in a disk of their own.
    void SetFreeSpaceProbe(FreeSpaceProbe probe) { m_freeSpace = std::move(probe); }

    Status State() const { return m_status; }
    ReadOnlyCause Cause() const { return m_cause; }
    bool IsOpen() const { return m_status == Status::Open || m_status == Status::ReadOnly; }
    QSqlDatabase Database() const;
    QString FilePath() const { return m_path; }
    // A sentence for the user, and the technical cause behind it.
    QString ErrorText() const { return m_error; }
    QString DetailText() const { return m_detail; }

private:
    enum class Verdict { Ours, Empty, Locked, Refused };

    Status Fail(const QString& text, const QString& detail);
    // toBeUpgraded: the file opens writable, so an earlier version's file is
    // upgraded and must be one that can be.
    Verdict VerifyExisting(bool toBeUpgraded);
    // None when the file is open for writing; the cause to read it only
    // instead; nothing when it failed (ErrorText(), DetailText()).
    std::optional<ReadOnlyCause> OpenForWriting();
    Status OpenForReading();
    bool Configure(QSqlDatabase& db, QSqlError& failure);
    bool Refuse(const QString& text, const QString& detail);
    // The cause that lets a failed write at start fall back to reading.
    ReadOnlyCause CauseOf(const QSqlError& failure) const;
    bool DiskFull() const;

    Status m_status = Status::Closed;
    ReadOnlyCause m_cause = ReadOnlyCause::None;
    FreeSpaceProbe m_freeSpace;
    QString m_path;
    QString m_error;
    QString m_detail;
};
