#pragma once

#include <QSqlDatabase>
#include <QString>

// The race database on the alias KWLManager: one SQLite file,
// data/KWLManager.sqlite under the working directory, created with its ten
// tables on a fresh installation. A file that is not ours or is damaged is
// refused and never written to.
class TKWLStore {
public:
    static constexpr const char* ConnectionName = "KWLManager";
    static constexpr const char* FileName = "KWLManager.sqlite";

    enum class Status { Closed, Open, ReadOnly, Failed };

    TKWLStore() = default;
    ~TKWLStore();
    TKWLStore(const TKWLStore&) = delete;
    TKWLStore& operator=(const TKWLStore&) = delete;

    // Opens (and on first use creates) data/KWLManager.sqlite under the given
    // working directory. Open when all is well; ReadOnly when the file or its
    // folder cannot be written (reads work, every write fails with the store's
    // message); Failed with ErrorText() and DetailText() otherwise.
    Status Open(const QString& workingDirectory);
    // Folds the journal back into the file; false (with a warning on the
    // console) when that failed and the file stays in WAL mode.
    bool Close();

    Status State() const { return m_status; }
    bool IsOpen() const { return m_status == Status::Open || m_status == Status::ReadOnly; }
    QSqlDatabase Database() const;
    QString FilePath() const { return m_path; }
    // A sentence for the user, and the technical cause behind it.
    QString ErrorText() const { return m_error; }
    QString DetailText() const { return m_detail; }

private:
    Status Fail(const QString& text, const QString& detail);
    // toBeUpgraded: the file opens writable, so an earlier version's file is
    // upgraded and must be one that can be.
    bool VerifyExisting(bool toBeUpgraded);
    bool Configure(QSqlDatabase& db, bool readOnly);
    bool Refuse(const QString& text, const QString& detail);

    Status m_status = Status::Closed;
    QString m_path;
    QString m_error;
    QString m_detail;
};
