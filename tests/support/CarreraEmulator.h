#pragma once

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// The Control Unit emulator (tools/carrera-emulator) run for one test: a
// Carrera unit behind a pseudo-terminal, its track driven by commands on
// its stdin, what happened read back from its log. A test that uses it is
// given the program's path by CMake (kobalap_uses_carrera_emulator in
// tests/CMakeLists.txt).
#ifndef KOBALAP_CARRERA_EMULATOR
#error "KOBALAP_CARRERA_EMULATOR: the test is not set up with kobalap_uses_carrera_emulator"
#endif

class TCarreraEmulator {
public:
    // arguments: the emulator's options (--step-ms 300, --long-status, ...);
    // script: command lines run before it is ready ("at <ms> ..." lines too).
    explicit TCarreraEmulator(const QStringList& arguments = {}, const QStringList& script = {})
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
        m_process.start(QStringLiteral(KOBALAP_CARRERA_EMULATOR), all);
        QDeadlineTimer deadline(10000);
        while (m_device.isEmpty() && !deadline.hasExpired() &&
               m_process.waitForReadyRead(int(deadline.remainingTime())))
            ReadLog();
    }

    ~TCarreraEmulator()
    {
        // Its stdin closing ends the emulator; a kill makes sure.
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(2000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }

    // The port the unit answers on; empty when the emulator did not start.
    QString Device() const { return m_device; }

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
            if (line.startsWith(QLatin1String("ready ")))
                m_device = line.mid(6);
            else
                m_log << line;
        }
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_device;
    QStringList m_log;
    qsizetype m_sent = 0;    // where the next command's acknowledgement is looked for
    qsizetype m_waited = 0;  // where the next WaitFor looks
};
