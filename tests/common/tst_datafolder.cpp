#include "common/DataFolder.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QtTest>

namespace {
QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}
void Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}
}  // namespace

class TestDataFolder : public QObject {
    Q_OBJECT
private slots:
    // The defaults fill in what the club's folder lacks; the club's own
    // sounds stay as they are.
    void copyDefaultSounds_data()
    {
        QTest::addColumn<QStringList>("clubSounds");
        QTest::addColumn<bool>("folderBlocked");
        QTest::addColumn<QStringList>("missed");
        QTest::newRow("first start") << QStringList{} << false << QStringList{};
        QTest::newRow("club's own lap sound") << QStringList{"Lap.wav"} << false << QStringList{};
        QTest::newRow("all the club's own") << QStringList{"Lap.wav", "Start.wav"} << false << QStringList{};
        QTest::newRow("a file where the folder belongs")
            << QStringList{} << true << QStringList{"Lap.wav", "Start.wav"};
    }
    void copyDefaultSounds()
    {
        QFETCH(QStringList, clubSounds);
        QFETCH(bool, folderBlocked);
        QFETCH(QStringList, missed);
        TTestWorkDir dir;
        QVERIFY(QDir().mkpath(dir.File("defaults")));
        for (const QString name : {"Lap.wav", "Start.wav", "notes.txt"})
            Write(dir.File("defaults/" + name), "default " + name.toLatin1());
        const QString club = dir.File("club/sound");
        if (folderBlocked) {
            QVERIFY(QDir().mkpath(dir.File("club")));
            Write(club, "not a folder");
        } else if (!clubSounds.isEmpty()) {
            QVERIFY(QDir().mkpath(club));
        }
        for (const QString& name : clubSounds)
            Write(club + "/" + name, "club's " + name.toLatin1());

        QCOMPARE(CopyDefaultSounds(dir.File("defaults"), club), missed);
        if (folderBlocked)
            return;
        for (const QString name : {"Lap.wav", "Start.wav"})
            QCOMPARE(Read(club + "/" + name), (clubSounds.contains(name) ? "club's " : "default ") + name.toLatin1());
        QVERIFY(!QFile::exists(club + "/notes.txt"));  // only sounds
    }
};

QTEST_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
