#include "timing/RaceJournalWriter.h"

#include "common/SyncToDisk.h"
#include "timing/RaceJournalFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <chrono>
#include <cstring>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool WriteAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

QString SystemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

}  // namespace

TRaceJournalWriter::TRaceJournalWriter(QString path) : m_path(std::move(path)) {}

TRaceJournalWriter::~TRaceJournalWriter() { Finish(false); }

void TRaceJournalWriter::Reset()
{
    Finish(false);
    m_failure.clear();
    m_events.clear();
    m_durableLaps.store(0);
    RaceJournalFormat::TLap stale;
    while (m_laps.Take(stale)) {
    }
}

void TRaceJournalWriter::StartThread()
{
    // Room for a whole ring of laps and then some: the writer's loop then
    // allocates only for an unusual burst of events.
    m_buffer.reserve(int(TLapRing::Capacity) * 32 + 4096);
    m_stop.store(false);
    m_thread = std::thread([this] { Run(); });
}

bool TRaceJournalWriter::Continue(int64_t validBytes, QString& error)
{
    Reset();
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CLOEXEC);
    // A torn tail is cut off first: records appended after it would never be read.
    if (m_fd < 0 || ::ftruncate(m_fd, off_t(validBytes)) != 0 || ::lseek(m_fd, 0, SEEK_END) < 0 || ::fsync(m_fd) != 0) {
        error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_path), SystemError());
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        return false;
    }
    StartThread();
    return true;
}

bool TRaceJournalWriter::Begin(const QByteArray& race, QString& error)
{
    Reset();
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    QByteArray start = RaceJournalFormat::Header();
    if (m_fd < 0 || !RaceJournalFormat::AppendRecord(start, RaceJournalFormat::TKind::Race, race) ||
        !WriteAll(m_fd, start.constData(), start.size()) || ::fsync(m_fd) != 0) {
        error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_path), SystemError());
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        return false;
    }
    SyncToDisk(QFileInfo(m_path).absolutePath());
    StartThread();
    return true;
}

void TRaceJournalWriter::Event(const QByteArray& payload)
{
    QByteArray record;
    RaceJournalFormat::AppendRecord(record, RaceJournalFormat::TKind::Event, payload);
    QMutexLocker locker(&m_lock);
    m_events.emplace_back(m_laps.Pushed(), std::move(record));
}

void TRaceJournalWriter::Finish(bool clear)
{
    if (m_thread.joinable()) {
        m_stop.store(true);
        m_thread.join();
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    // The race has ended normally: its journal goes, also one a failed write
    // left incomplete, and a crash after this finds no race to recover.
    if (clear)
        RaceJournalFile::Clear(m_path);
}

QString TRaceJournalWriter::Failure() const
{
    QMutexLocker locker(&m_lock);
    return m_failure;
}

void TRaceJournalWriter::Fail(const QString& text)
{
    QMutexLocker locker(&m_lock);
    if (m_failure.isEmpty())
        m_failure = text;
}

void TRaceJournalWriter::Run()
{
    using namespace std::chrono;
    while (true) {
        const bool last = m_stop.load();
        if (!WriteBatch() || last)
            return;
        std::this_thread::sleep_for(milliseconds(BatchIntervalMs));
    }
}

bool TRaceJournalWriter::WriteBatch()
{
    m_buffer.clear();
    std::vector<std::pair<uint32_t, QByteArray>> events;
    {
        QMutexLocker locker(&m_lock);
        events.swap(m_events);
    }
    int64_t laps = 0;
    char record[RaceJournalFormat::LapPayloadSize + RaceJournalFormat::RecordOverhead];
    // The laps pushed before `until`, in their order.
    const auto takeLaps = [&](uint32_t until) {
        RaceJournalFormat::TLap lap;
        while (int32_t(until - m_laps.Taken()) > 0 && m_laps.Take(lap)) {
            m_buffer.append(record, RaceJournalFormat::EncodeLap(lap, record));
            ++laps;
        }
    };
    for (const auto& [lapsBefore, event] : events) {
        takeLaps(lapsBefore);
        m_buffer.append(event);
    }
    takeLaps(m_laps.Pushed());
    if (m_buffer.isEmpty())
        return true;
    if (!WriteAll(m_fd, m_buffer.constData(), m_buffer.size()) || ::fdatasync(m_fd) != 0) {
        Fail(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_path), SystemError()));
        return false;
    }
    m_durableLaps.fetch_add(laps, std::memory_order_release);
    return true;
}
