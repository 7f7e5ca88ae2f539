#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <unistd.h>

bool RerunUnprivileged(const char* testFunction)
{
    if (geteuid() != 0)
        return false;
    const QString runuser = QStandardPaths::findExecutable(QStringLiteral("runuser"));
    if (runuser.isEmpty()) {
        QTest::qSkip("runs as root and runuser is missing", __FILE__, __LINE__);
        return true;
    }
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/tmp"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    child.setProcessEnvironment(environment);
    child.setWorkingDirectory(QStringLiteral("/tmp"));
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(runuser, {QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"),
                          QCoreApplication::applicationFilePath(), QLatin1String(testFunction)});
    if (!child.waitForFinished(120000)) {
        child.kill();
        QTest::qFail("the unprivileged rerun did not finish", __FILE__, __LINE__);
        return true;
    }
    const QByteArray output = child.readAll();
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        QTest::qFail(qPrintable(QStringLiteral("unprivileged rerun failed:\n") + QString::fromLocal8Bit(output)),
                     __FILE__, __LINE__);
    else if (output.contains("SKIP   :"))
        QTest::qSkip("the unprivileged rerun skipped", __FILE__, __LINE__);
    return true;
}
