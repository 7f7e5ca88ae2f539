#include "results/RecordsExport.h"
#include "results/ResultsExport.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QLocale>
#include <QtTest>
#include <clocale>

Q_DECLARE_METATYPE(TStandings)

namespace {

TStandings Championship(const QString& name, bool timed = false)
{
    TStandings standings;
    standings.Championship = name;
    standings.Timed = timed;
    return standings;
}

// The row's own Nr is left at 0: the file numbers the rows as it writes them.
TStandings& Total(TStandings& standings, const QString& driver, double points)
{
    standings.Totals.push_back({0, driver, points});
    return standings;
}

TStandings& RacePoints(TStandings& standings, const QString& race, const QString& driver, const QString& timeStr,
                       double points)
{
    standings.RacePoints.push_back({race, driver, 0, timeStr, points});
    return standings;
}

}  // namespace

class TestResultsExport : public QObject {
    Q_OBJECT

    QLocale m_previousLocale;

private slots:
    // Every case runs where the number settings use a decimal comma: the
    // files must still read 18.50. setlocale only where the machine has that
    // locale; QLocale::setDefault alone already changes Qt's own formatting.
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    }
    void cleanupTestCase()
    {
        QLocale::setDefault(m_previousLocale);
        std::setlocale(LC_NUMERIC, "C");
    }

    void fileBytes_data()
    {
        QTest::addColumn<bool>("details");
        QTest::addColumn<char>("separator");
        QTest::addColumn<TStandings>("standings");
        QTest::addColumn<QByteArray>("expected");

        TStandings totals = Championship(QStringLiteral("Winter Cup"));
        Total(Total(Total(totals, QStringLiteral("Anna"), 38), QStringLiteral("Bert"), 36.5), QStringLiteral("Carl"),
              0);
        QTest::newRow("totals")
            << false << ';' << totals
            << QByteArray("Winter Cup\r\nNr;Driver;Points\r\n1;Anna;38.00\r\n2;Bert;36.50\r\n3;Carl;0.00\r\n");
        QTest::newRow("line break is no separator")
            << false << '\n'
            << totals
            << QByteArray("Winter Cup\r\nNr;Driver;Points\r\n1;Anna;38.00\r\n2;Bert;36.50\r\n3;Carl;0.00\r\n");

        TStandings thirds = Championship(QStringLiteral("Cup"));
        Total(Total(thirds, QStringLiteral("Anna"), 20.0 / 3), QStringLiteral("Bert"), -0.5);
        QTest::newRow("rounded to two decimals")
            << false << ';' << thirds << QByteArray("Cup\r\nNr;Driver;Points\r\n1;Anna;6.67\r\n2;Bert;-0.50\r\n");

        TStandings comma = Championship(QStringLiteral("Cup, 2024"));
        Total(Total(comma, QStringLiteral("Smith, J."), 20), QStringLiteral("Bos; Jan"), 19);
        QTest::newRow("comma separator quotes commas only")
            << false << ',' << comma
            << QByteArray("\"Cup, 2024\"\r\nNr,Driver,Points\r\n1,\"Smith, J.\",20.00\r\n2,Bos; Jan,19.00\r\n");

        TStandings quote = Championship(QStringLiteral("Cup"));
        Total(quote, QStringLiteral("Jan \"Flash\" Bos"), 20);
        QTest::newRow("double quote") << false << ';' << quote
                                      << QByteArray("Cup\r\nNr;Driver;Points\r\n1;\"Jan \"\"Flash\"\" Bos\";20.00\r\n");

        TStandings unicode = Championship(QStringLiteral("Coupe d'été"));
        Total(unicode, QStringLiteral("Zoë Müller"), 20);
        QTest::newRow("UTF-8 without byte-order mark")
            << false << ';' << unicode
            << QByteArray("Coupe d'\xc3\xa9t\xc3\xa9\r\nNr;Driver;Points\r\n1;Zo\xc3\xab M\xc3\xbcller;20.00\r\n");

        const TStandings empty = Championship(QStringLiteral("Empty"));
        QTest::newRow("totals of no results") << false << ';' << empty << QByteArray("Empty\r\nNr;Driver;Points\r\n");
        QTest::newRow("details of no results")
            << true << ';' << empty << QByteArray("Empty\r\nRace;Driver;Time;Points\r\n");

        TStandings lapRace = Championship(QStringLiteral("Winter Cup"));
        RacePoints(
            RacePoints(lapRace, QStringLiteral("Race 1"), QStringLiteral("Anna"), QStringLiteral("1:23.456"), 18.5),
            QStringLiteral("Race 1"), QStringLiteral("Bert"), QStringLiteral("999:99.999"), 0);
        QTest::newRow("details, lap championship")
            << true << ';' << lapRace
            << QByteArray(
                   "Winter Cup\r\nRace;Driver;Time;Points\r\nRace 1;Anna;1:23.456;18.50\r\nRace 1;Bert;999:99.999;0.00\r\n");

        TStandings timed = Championship(QStringLiteral("Summer Cup"), true);
        RacePoints(timed, QStringLiteral("Race 2"), QStringLiteral("Anna"), QStringLiteral("16.15"), 20);
        QTest::newRow("details, timed championship")
            << true << ',' << timed
            << QByteArray("Summer Cup\r\nRace,Driver,Laps,Points\r\nRace 2,Anna,16.15,20.00\r\n");
    }
    void fileBytes()
    {
        QFETCH(bool, details);
        QFETCH(char, separator);
        QFETCH(TStandings, standings);
        QFETCH(QByteArray, expected);
        QCOMPARE(details ? DetailsFileBytes(standings, separator) : TotalsFileBytes(standings, separator), expected);
    }

    // The Records window's files: unheld records left out, the lap text
    // beside the raw ms, offsets in ms as exact as the medians.
    void recordsFiles()
    {
        const TLapRecord smith{5432, 1, 3, "Smith, J.", 1, "Winter", 4, "R1", 2, 7, 0};
        TRecordBook book;
        book.TrackRecords[0] = smith;
        book.Championships.append({1, "Winter", {smith}});
        book.PersonalBests.append({61000, 2, 1, "Anna", 2, "Cup", 5, "R \"2\"", 1, 3, 0});
        QCOMPARE(RecordsFileBytes(book, ','),
                 "Records\r\nKind,Championship,Track,Driver,Time (ms),Time,Date,Race,Heat,Lap\r\n"
                 "Track record,Winter,1,\"Smith, J.\",5432,05.432,-,R1,2,7\r\n"
                 "Championship,Winter,1,\"Smith, J.\",5432,05.432,-,R1,2,7\r\n"
                 "Personal best,Cup,2,Anna,61000,99.999,-,\"R \"\"2\"\"\",1,3\r\n");
        TLaneReport report;
        report.Tracks = {{1, -70.5, -130, 0, 1}, {3, 118, 71.25, 160, 24}};
        QCOMPARE(
            LaneReportFileBytes("All; cups", report, ';'),
            "\"All; cups\"\r\nTrack;Offset (ms);Low (ms);High (ms);Drivers\r\n1;-70.5;-130;0;1\r\n3;118;71.25;160;24\r\n");
    }

    // A parent that is a file stops even root, so no half-written export and
    // no temporary file may stay behind.
    void failedWriteLeavesNothing()
    {
        TTestWorkDir dir;
        QFile blocker(dir.File(QStringLiteral("file.txt")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString path = dir.File(QStringLiteral("file.txt/Totals.csv"));
        QString error;
        QVERIFY(!WriteExportFile(path, "x\r\n", error));
        QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
        QCOMPARE(QDir(dir.Path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 QStringList{QStringLiteral("file.txt")});
    }

    void writeReplacesAnExistingFile()
    {
        TTestWorkDir dir;
        const QString path = dir.File(QStringLiteral("Totals.csv"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(1000, 'x'));
        old.close();
        QString error;
        QVERIFY2(WriteExportFile(path, "Cup\r\n", error), qPrintable(error));
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), QByteArray("Cup\r\n"));
        QCOMPARE(QDir(dir.Path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 QStringList{QStringLiteral("Totals.csv")});
    }
};

QTEST_GUILESS_MAIN(TestResultsExport)
#include "tst_resultsexport.moc"
