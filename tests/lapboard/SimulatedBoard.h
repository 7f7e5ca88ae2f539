#pragma once

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// The board's real firmware running in simavr behind a pseudo-terminal
// (lapboard_sim), driven by a script of sensor crossings timed from the
// first green light. What the harness logs (GREEN, OUT, CROSS, UNPLUG lines
// with their simulated microseconds) is kept for the caller to read.
class TSimulatedBoard {
public:
    // link: a fixed name for the board's port that survives a replug
    // (empty: the pseudo-terminal's own name).
    TSimulatedBoard(const QString& harness, const QString& firmware, const QStringList& script,
                    const QString& link = {})
    {
        const QString scriptPath = m_dir.filePath(QStringLiteral("script.txt"));
        QFile file(scriptPath);
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.write(script.join(QLatin1Char('\n')).toLatin1() + '\n');
        file.close();
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList arguments{QStringLiteral("--firmware"), firmware, QStringLiteral("--script"), scriptPath};
        if (!link.isEmpty())
            arguments << QStringLiteral("--link") << link;
        m_process.start(harness, arguments);
        QDeadlineTimer deadline(10000);
        while (m_device.isEmpty() && !deadline.hasExpired() &&
               m_process.waitForReadyRead(int(deadline.remainingTime())))
            ReadLog();
    }

    ~TSimulatedBoard()
    {
        // Its stdin closing ends the harness; a kill makes sure.
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(2000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }

    // The pseudo-terminal the board answers on; empty when it did not start.
    QString Device() const { return m_device; }

    // The log so far.
    QStringList Log()
    {
        ReadLog();
        return m_log;
    }

    // Simulated µs of the first log line starting with `prefix` at or after
    // `fromUs`; -1 when there is none.
    int64_t TimeOf(const QString& prefix, int64_t fromUs = 0)
    {
        for (const QString& line : Log()) {
            if (!line.startsWith(prefix))
                continue;
            const int64_t us = line.section(QLatin1Char(' '), -1).toLongLong();
            if (us >= fromUs)
                return us;
        }
        return -1;
    }

private:
    void ReadLog()
    {
        while (m_process.canReadLine()) {
            const QString line = QString::fromLatin1(m_process.readLine()).trimmed();
            if (line.startsWith(QLatin1String("PTY ")))
                m_device = line.mid(4);
            else
                m_log << line;
        }
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_device;
    QStringList m_log;
};
