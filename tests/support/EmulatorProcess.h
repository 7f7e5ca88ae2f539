#pragma once

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// One of our timer emulators (tools/carrera-emulator, tools/lapcounter-
// emulator) run for one test: a timer behind a pseudo-terminal or a TCP port,
// its track driven by command lines on its stdin, what happened read back
// from its log. Each line it takes is acknowledged "ok <line>" or refused
// "error <line>: <why>"; "ready <where>" says where the PC reaches it.
class TEmulatorProcess {
public:
    // program: the emulator; arguments: its options; script: command lines
    // run before it is ready ("at <ms> ..." lines too).
    TEmulatorProcess(const QString& program, const QStringList& arguments, const QStringList& script)
    {
        QStringList all = arguments;
        if (!script.isEmpty()) {
            const QString path = m_dir.filePath(QStringLiteral("script.txt"));
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly))
                return;
            file.write(script.join(QLatin1Char('\n')).toLatin1() + '\n');
            file.close();
            all << QStringLiteral("--script") << path;
        }
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(program, all);
        QDeadlineTimer deadline(10000);
        while (m_readyLines == 0 && !deadline.hasExpired() && m_process.waitForReadyRead(int(deadline.remainingTime())))
            ReadLog();
        // The script's acknowledgements are not those of commands sent later.
        m_sent = m_log.size();
        m_readySeen = m_readyLines;
    }

    ~TEmulatorProcess()
    {
        // Its stdin closing ends the emulator; a kill makes sure.
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(2000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }

    // Where the PC reaches the emulated timer: what its "ready" line names
    // (a pseudo-terminal's path, "127.0.0.1:<port>"); empty when the
    // emulator did not start.
    QString Device() const { return m_device; }

    // After a hang-up on a pseudo-terminal: the new port the emulator made,
    // waiting up to timeoutMs for it; empty when none came.
    QString Restarted(int timeoutMs = 5000)
    {
        QDeadlineTimer deadline(timeoutMs);
        do {
            ReadLog();
            if (m_readyLines > m_readySeen) {
                m_readySeen = m_readyLines;
                return m_device;
            }
        } while (!deadline.hasExpired() && m_process.waitForReadyRead(int(deadline.remainingTime())));
        return {};
    }

    // Runs one command line ("car 1 5000 5200", "silence 3000", ...); true
    // once the emulator has taken it, false when it refused it or said nothing.
    bool Send(const QString& command, int timeoutMs = 5000)
    {
        const QString line = command.simplified();
        m_process.write(line.toLatin1() + '\n');
        const QString answer = Wait(
            [&](const QString& logged) {
                return logged == QStringLiteral("ok ") + line ||
                       logged.startsWith(QStringLiteral("error ") + line + QLatin1Char(':'));
            },
            timeoutMs, m_sent);
        return answer.startsWith(QStringLiteral("ok "));
    }

    // Every line logged so far (all but "ready").
    QStringList Log()
    {
        ReadLog();
        return m_log;
    }

    // The first line starting with `prefix` after the one the last WaitFor
    // returned, waiting up to timeoutMs for it; empty when none came.
    QString WaitFor(const QString& prefix, int timeoutMs = 10000)
    {
        return Wait([&](const QString& logged) { return logged.startsWith(prefix); }, timeoutMs, m_waited);
    }

private:
    // Looks at the lines after `from` as they come, moving it past the one found.
    template <typename Match>
    QString Wait(const Match& match, int timeoutMs, qsizetype& from)
    {
        QDeadlineTimer deadline(timeoutMs);
        do {
            ReadLog();
            for (qsizetype i = from; i < m_log.size(); ++i) {
                if (match(m_log[i])) {
                    from = i + 1;
                    return m_log[i];
                }
            }
        } while (!deadline.hasExpired() && m_process.waitForReadyRead(int(deadline.remainingTime())));
        return {};
    }

    void ReadLog()
    {
        while (m_process.canReadLine()) {
            const QString line = QString::fromLatin1(m_process.readLine()).trimmed();
            if (line.startsWith(QLatin1String("ready "))) {
                m_device = line.mid(6);
                ++m_readyLines;
            } else {
                m_log << line;
            }
        }
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_device;
    int m_readyLines = 0;  // "ready" lines read: a port made anew after "close" adds one
    int m_readySeen = 0;   // those Restarted has returned
    QStringList m_log;
    qsizetype m_sent = 0;    // where the next command's acknowledgement is looked for
    qsizetype m_waited = 0;  // where the next WaitFor looks
};
