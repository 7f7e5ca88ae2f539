#include "results/ResultReports.h"
#include "support/TestSupport.h"

#include <QHash>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

Q_DECLARE_METATYPE(TStandings)
Q_DECLARE_METATYPE(TResultReport)

// The reports are read back from their PDF with poppler's pdftotext: the
// texts as a reader sees them (-layout) and where the words stand (-bbox).
namespace {

const QDateTime PrintedAt(QDate(2024, 3, 14), QTime(18, 5, 0));

TStandings Championship(const QString& name, int drivers)
{
    TStandings standings{name, false, {}, {}};
    for (int i = 1; i <= drivers; ++i) {
        const QString driver = QStringLiteral("Driver %1").arg(i, 3, 10, QLatin1Char('0'));
        standings.Totals.push_back({i, driver, 200.0 - i});
        standings.RacePoints.push_back(
            {QStringLiteral("Race 1"), driver, 0, QStringLiteral("%1.00").arg(300 - i), 20.0 - i});
    }
    return standings;
}

// pdftotext's output for the report written as PDF with `options`.
QString PdfText(TResultReport report, const TStandings& standings, QStringList options)
{
    const QString path = QDir::current().filePath(QStringLiteral("report.pdf"));
    QString error;
    if (!WriteResultReportPdf(path, report, standings, PrintedAt, error))
        return error;
    QProcess process;
    process.start(QStandardPaths::findExecutable(QStringLiteral("pdftotext")), options << path << QStringLiteral("-"));
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The report's pages as text, one string per page.
QStringList Pages(TResultReport report, const TStandings& standings)
{
    QStringList pages = PdfText(report, standings, {QStringLiteral("-layout")}).split(QLatin1Char('\f'));
    pages.removeLast();  // every page ends in a form feed
    return pages;
}

// The first of `lines` (each the fields of one line, in order) not found
// below the one before it; empty when all are there in that order.
QString MissingLine(const QString& text, const QList<QStringList>& lines)
{
    const QStringList textLines = text.split(QLatin1Char('\n'));
    qsizetype at = 0;
    for (const QStringList& fields : lines) {
        QStringList escaped;
        for (const QString& field : fields)
            escaped << QRegularExpression::escape(field);
        const QRegularExpression pattern(QStringLiteral("(^|\\s)") + escaped.join(QStringLiteral("\\s+")) +
                                         QStringLiteral("(\\s|$)"));
        while (at < textLines.size() && !pattern.match(textLines.at(at)).hasMatch())
            ++at;
        if (at++ == textLines.size())
            return fields.join(QLatin1Char('|'));
    }
    return {};
}

// Where the first of each word of page 1 stands, in mm from the page's edges.
QHash<QString, QRectF> Words(TResultReport report, const TStandings& standings)
{
    const QString html = PdfText(report, standings, QStringLiteral("-bbox -f 1 -l 1").split(' '));
    static const QRegularExpression word(
        QStringLiteral(R"re(xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<)re"));
    QHash<QString, QRectF> words;
    for (auto match = word.globalMatch(html); match.hasNext();) {
        const auto m = match.next();
        const qreal mm = 25.4 / 72;  // pdftotext counts in points
        if (!words.contains(m.captured(5)))
            words.insert(m.captured(5), QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()) * mm,
                                               QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()) * mm));
    }
    return words;
}

}  // namespace

class TestResultReports : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(),
                 "pdftotext is missing: run scripts/install-deps.sh as root (package poppler-utils)");
    }

    void contents_data()
    {
        QTest::addColumn<TResultReport>("report");
        QTest::addColumn<TStandings>("standings");
        QTest::addColumn<QList<QStringList>>("lines");

        const QString cup = QStringLiteral("Winter Cup");
        QTest::newRow("standings") << TResultReport::Standings
                                   << TStandings{cup,
                                                 false,
                                                 {{1, "Anna de Vries", 38}, {2, "Bert", 18.5}, {3, "Carl", 0}},
                                                 {}}
                                   << QList<QStringList>{{"Championship Results"},   {cup},
                                                         {"Nr", "Driver", "Points"}, {"1", "Anna de Vries", "38"},
                                                         {"2", "Bert", "18.5"},      {"3", "Carl", "0"}};
        QTest::newRow("timed race points")
            << TResultReport::RacePoints
            << TStandings{cup,
                          true,
                          {},
                          {{"Race 1", "Anna", 16015, "16.15", 20},
                           {"Race 1", "Bert", 15080, "15.80", 18.5},
                           {"Race 2", "Bert", 9001, "9.01", 20}}}
            << QList<QStringList>{{"Championship Detail Results"},      {cup},
                                  {"Race", "Driver", "Laps", "Points"}, {"Race 1", "Anna", "16.15", "20"},
                                  {"Race 1", "Bert", "15.80", "18.5"},  {"Race 2", "Bert", "9.01", "20"}};
        QTest::newRow("lap race points") << TResultReport::RacePoints
                                         << TStandings{cup,
                                                       false,
                                                       {},
                                                       {{"Race 1", "Anna", 83456, "1:23.456", 20},
                                                        {"Race 1", "Bert", 0, "999:99.999", 0.5}}}
                                         << QList<QStringList>{{"Championship Detail Results"},
                                                               {"Race", "Driver", "Time", "Points"},
                                                               {"Race 1", "Anna", "1:23.456", "20"},
                                                               {"Race 1", "Bert", "999:99.999", "0.5"}};
    }
    void contents()
    {
        QFETCH(TResultReport, report);
        QFETCH(TStandings, standings);
        QFETCH(QList<QStringList>, lines);
        TTestWorkDir dir;
        const QStringList pages = Pages(report, standings);
        QCOMPARE(pages.size(), 1);
        QCOMPARE(MissingLine(pages.first(), lines), QString());
    }

    // Every page has the header and a footer with its own number; rows are
    // neither lost nor repeated at a page break; an empty report is one page.
    void pages_data()
    {
        QTest::addColumn<TResultReport>("report");
        QTest::addColumn<int>("drivers");
        QTest::addColumn<int>("pageCount");
        QTest::newRow("standings of 120") << TResultReport::Standings << 120 << 4;
        QTest::newRow("race points of 120") << TResultReport::RacePoints << 120 << 3;
        QTest::newRow("empty standings") << TResultReport::Standings << 0 << 1;
        QTest::newRow("empty race points") << TResultReport::RacePoints << 0 << 1;
    }
    void pages()
    {
        QFETCH(TResultReport, report);
        QFETCH(int, drivers);
        QFETCH(int, pageCount);
        TTestWorkDir dir;
        const TStandings standings = Championship(QStringLiteral("Big Cup"), drivers);
        const QStringList pages = Pages(report, standings);
        QCOMPARE(pages.size(), pageCount);
        const QString date = QLocale::system().toString(PrintedAt, QLocale::ShortFormat);
        for (int page = 1; page <= pageCount; ++page) {
            const QString footer = pages.at(page - 1).trimmed().split(QLatin1Char('\n')).last();
            QCOMPARE(MissingLine(pages.at(page - 1), {{"Big Cup"}, {"Driver"}}), QString());
            QCOMPARE(MissingLine(footer, {{"K.O.B.A. v2.2", date, QString::number(page)}}), QString());
        }
        QList<QStringList> rows;
        for (int i = 0; i < drivers; ++i)
            rows.append({report == TResultReport::Standings ? standings.Totals.at(i).Driver
                                                            : standings.RacePoints.at(i).TimeStr});
        QCOMPARE(MissingLine(pages.join(QString()), rows), QString());
        QCOMPARE(pages.join(QString()).count(QStringLiteral("Driver 001")), drivers > 0 ? 1 : 0);
    }

    // A few anchors of the layout, in mm from the page's edge.
    void positions_data()
    {
        QTest::addColumn<TResultReport>("report");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<qreal>("headingLeft");
        QTest::addColumn<qreal>("rowPitch");
        QTest::newRow("standings") << TResultReport::Standings << "Points" << 120.1 << 6.35;
        QTest::newRow("race points") << TResultReport::RacePoints << "Driver" << 75.6 << 4.2;
    }
    void positions()
    {
        QFETCH(TResultReport, report);
        QFETCH(QString, heading);
        QFETCH(qreal, headingLeft);
        QFETCH(qreal, rowPitch);
        TTestWorkDir dir;
        const auto words = Words(report, Championship(QStringLiteral("Cup"), 3));
        QVERIFY(qAbs(words.value(heading).left() - headingLeft) < 0.2);
        const qreal pitch = words.value("002").top() - words.value("001").top();
        QVERIFY2(qAbs(pitch - rowPitch) < 0.05, qPrintable(QString::number(pitch)));
    }

    // However long, the whole name stands inside its box.
    void longNameStaysInItsBox_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("many words") << "The Grand Winter Trophy of the Kobalap Slot Car Club Zuid";
        QTest::newRow("one long word") << "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW";
    }
    void longNameStaysInItsBox()
    {
        QFETCH(QString, name);
        TTestWorkDir dir;
        const auto words = Words(TResultReport::Standings, Championship(name, 1));
        // pdftotext boxes a word by the font's full ascent, a little above
        // the line the text is set on.
        const QRectF nameBox(10, 10 + 10.6 - 0.3, 190.8, 10.8 + 0.3);
        for (const QString& word : name.split(' '))
            QVERIFY2(nameBox.contains(words.value(word)), qPrintable(word));
    }

    void unwritableFolderIsReported()
    {
        TTestWorkDir dir;
        QVERIFY(
            QFile(dir.File(QStringLiteral("plain"))).open(QIODevice::WriteOnly));  // a file where a folder should be
        const QString path = dir.File(QStringLiteral("plain/report.pdf"));
        QString error;
        QVERIFY(!WriteResultReportPdf(path, TResultReport::Standings, Championship("Cup", 2), PrintedAt, error));
        QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
        QCOMPARE(QDir(dir.Path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{"plain"});
    }
};

QTEST_MAIN(TestResultReports)
#include "tst_resultreports.moc"
