#include "common/FittedFont.h"
#include "common/Settings.h"
#include "data/RecordActions.h"
#include "results/KWLRoundResult.h"
#include "support/GridTexts.h"
#include "support/ModalProbe.h"
#include "support/StoreRig.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QtTest>
#include <memory>

namespace {

// What the window showed while it was open.
struct TShown {
    QString caption;
    QString title;
    int columns = 0;
    int rows = 0;
    QStringList firstColumn;
    QStringList firstRow;
    QRect geometry;
    bool visible = false;
    bool closeButton = true;
};

// The text a user sees at a point of the grid's viewport: the cell under the
// point in whichever view lies on top there.
QString SeenText(QTableWidget* grid, const QPoint& point)
{
    const QPoint inGrid = grid->viewport()->mapTo(grid, point);
    QWidget* widget = grid->childAt(inGrid);
    while (widget && !qobject_cast<QAbstractItemView*>(widget))
        widget = widget->parentWidget();
    auto* view = qobject_cast<QAbstractItemView*>(widget);
    if (!view)
        return QStringLiteral("<no view>");
    return view->indexAt(view->viewport()->mapFrom(grid, inGrid)).data().toString();
}

}  // namespace

class TestRoundResults : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TStoreRig> m_rig;
    TSettings m_settings;
    std::unique_ptr<TKWL_RoundResults> m_window;
    int m_cs = 0;
    int m_rc = 0;

    QSqlDatabase Db() const { return m_rig->Db(); }
    void Exec(const QString& sql, const QVariantList& values) { m_rig->Exec(sql, values); }

    // Opens the window through `show`, notes what it shows and closes it
    // with its OK button.
    TShown Show(const std::function<void()>& show)
    {
        TShown shown;
        TModalProbe probe(show, [&](QDialog* dialog) {
            shown.visible = dialog->isVisible();
            shown.caption = dialog->windowTitle();
            shown.title = dialog->findChild<QLabel*>(QStringLiteral("LabelTitle"))->text();
            shown.geometry = dialog->geometry();
            shown.closeButton = dialog->windowFlags().testFlag(Qt::WindowCloseButtonHint);
            auto* grid = dialog->findChild<QTableWidget*>(QStringLiteral("GridLaps"));
            shown.columns = grid->columnCount();
            shown.rows = grid->rowCount();
            for (int r = 0; r < grid->rowCount(); ++r)
                shown.firstColumn << (grid->item(r, 0) ? grid->item(r, 0)->text() : QString());
            for (int c = 0; c < grid->columnCount(); ++c)
                shown.firstRow << (grid->item(0, c) ? grid->item(0, c)->text() : QString());
            dialog->findChild<QPushButton*>(QStringLiteral("ButtonOK"))->click();
        });
        [&] {
            QCOMPARE(probe.opened.data(), m_window.get());
            QVERIFY2(!probe.leftOpen, "OK did not close the lap view");
            QVERIFY(!m_window->isVisible());
        }();
        return shown;
    }

private slots:
    void init()
    {
        m_rig = std::make_unique<TStoreRig>();
        if (QTest::currentTestFailed())
            return;
        m_settings = TSettings();
        m_window = std::make_unique<TKWL_RoundResults>(Db(), m_settings);

        TRecordActions actions(Db());
        const int anna = actions.AddDriver(QStringLiteral("Anna")).value();
        m_cs = actions.AddChampionship(QStringLiteral("Winter"), 10, 3, false).value();
        m_rc = actions.AddRace(m_cs, QStringLiteral("Spa")).value();
        Exec(R"(INSERT INTO "KWL_Heat.DB" VALUES (?, ?, 3, 1))", {m_cs, m_rc});
        Exec(R"(INSERT INTO "KWL_HeatDetail.DB" VALUES (?, ?, 3, 1, ?, 2000, 17000, 8000))", {m_cs, m_rc, anna});
        Exec(R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (?, ?, 3, 1, 1, 9000, 0))", {m_cs, m_rc});
        Exec(R"(INSERT INTO "KWL_HeatDetailLaps.DB" VALUES (?, ?, 3, 1, 2, 8000, 0))", {m_cs, m_rc});
    }
    void cleanup()
    {
        m_window.reset();
        m_rig.reset();
    }

    void layout()
    {
        auto* title = m_window->findChild<QLabel*>(QStringLiteral("LabelTitle"));
        QVERIFY(title);
        QCOMPARE(title->font().pixelSize(), 27);
        QVERIFY(title->font().bold());
        QVERIFY(title->font().italic());
        QCOMPARE(title->font().family(), QStringLiteral("Arial"));
        QCOMPARE(title->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        QTableWidget* grid = m_window->Grid();
        QCOMPARE(grid->objectName(), QStringLiteral("GridLaps"));
        QVERIFY(grid->font().bold());
        auto* ok = m_window->findChild<QPushButton*>(QStringLiteral("ButtonOK"));
        QVERIFY(ok);
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QVERIFY(ok->font().bold());
    }

    void scopes_data()
    {
        QTest::addColumn<int>("scope");  // a ShowStoredLaps mode, or -1 for the race just run
        QTest::addColumn<int>("tracks");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("lastLabel");
        QTest::newRow("heat") << int(TKWL_RoundResults::HeatMode) << 4 << "Winter - Spa / Heat:3" << 6
                              << "Slowest time";
        QTest::newRow("race") << int(TKWL_RoundResults::RaceMode) << 4 << "Winter - Spa" << 10 << "Slowest time";
        QTest::newRow("championship") << int(TKWL_RoundResults::ChampionshipMode) << 4 << "Winter" << 12
                                      << "Slowest time";
        QTest::newRow("championship, two tracks")
            << int(TKWL_RoundResults::ChampionshipMode) << 2 << "Winter" << 12 << "Slowest time";
        QTest::newRow("last race") << -1 << 4 << "Laps Results" << 7 << "Slowest time";
        QTest::newRow("last race, one track") << -1 << 1 << "Laps Results" << 6 << "Slowest time";
    }
    void scopes()
    {
        QFETCH(int, scope);
        QFETCH(int, tracks);
        QFETCH(QString, title);
        QFETCH(int, rows);
        QFETCH(QString, lastLabel);
        m_settings.Tracks = tracks;
        auto states = std::make_unique<TTrackStates>();
        (*states)[0].DriverName = QStringLiteral("Anna");
        (*states)[0].Laps = 2000;
        (*states)[0].LapTimes[1] = 8500;
        (*states)[0].LapTimes[2] = 8400;
        (*states)[1].Laps = 3000;
        const TWindowPlacement placement{0, 40, 30, 700, 500};
        const TShown shown = Show([&] {
            if (scope < 0)
                m_window->ShowLapResults(placement, *states);
            else
                m_window->ShowStoredLaps(placement, m_cs, scope == TKWL_RoundResults::ChampionshipMode ? 0 : m_rc,
                                         scope, 3);
        });
        QVERIFY(shown.visible);
        QCOMPARE(shown.caption, QStringLiteral(" K.O.B.A. v2.2- Show Laps"));
        QCOMPARE(shown.title, title);
        QCOMPARE(m_window->Title(), title);
        QCOMPARE(shown.columns, tracks + 1);
        QCOMPARE(shown.rows, rows);
        QCOMPARE(shown.firstColumn.last(), lastLabel);
        QStringList headings{QString()};
        for (int t = 1; t <= tracks; ++t)
            headings << QStringLiteral("Track: %1").arg(t);
        QCOMPARE(shown.firstRow, headings);
        QCOMPARE(shown.geometry, QRect(40, 30, 700, 500));
        QVERIFY(!shown.closeButton);
        QCOMPARE(m_window->Grid()->columnWidth(1), 120);
        QCOMPARE(m_window->Grid()->rowHeight(1), 18);
    }

    // A failed read ends the action with the store's message; the window
    // does not open on a grid that would pass for one without laps.
    void storeErrorEndsTheAction_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("mode");
        QTest::newRow("laps, heat") << "KWL_HeatDetailLaps.DB" << int(TKWL_RoundResults::HeatMode);
        QTest::newRow("laps, championship") << "KWL_HeatDetailLaps.DB" << int(TKWL_RoundResults::ChampionshipMode);
        QTest::newRow("heat rows, race") << "KWL_HeatDetail.DB" << int(TKWL_RoundResults::RaceMode);
        QTest::newRow("drivers, race") << "KWL_Drivers.DB" << int(TKWL_RoundResults::RaceMode);
        QTest::newRow("races, heat") << "KWL_Race.DB" << int(TKWL_RoundResults::HeatMode);
    }
    void storeErrorEndsTheAction()
    {
        QFETCH(QString, table);
        QFETCH(int, mode);
        Exec(QStringLiteral(R"(ALTER TABLE "%1" RENAME TO "Gone")").arg(table), {});
        TMessageScript script;
        script.Answer(TMessageAnswer::Ok);
        const int rcnr = mode == TKWL_RoundResults::ChampionshipMode ? 0 : m_rc;
        TModalProbe probe([&] { m_window->ShowStoredLaps(TWindowPlacement{}, m_cs, rcnr, mode, 3); },
                          [](QDialog* dialog) { dialog->reject(); });
        QVERIFY2(!probe.opened, "the lap view opened without its laps");
        QVERIFY(!m_window->isVisible());
        QCOMPARE(Messages::Shown().size(), 1);
        QCOMPARE(Messages::Shown().first().kind, TMessageKind::Error);
        QVERIFY2(script.Texts().first().contains(table), qPrintable(script.Texts().first()));
        VERIFY_MESSAGES_SETTLED();
    }

    // In a long race scrolled to its end (and, in a narrow window, to its
    // right edge) the headings, drivers and row labels are still in view,
    // and a cell brought into view is not left under them.
    void headingsStayInView_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("wide window") << 700;
        QTest::newRow("narrow window") << 330;
    }
    void headingsStayInView()
    {
        QFETCH(int, width);
        const QStringList drivers{"Anna", "Bram", "Cees", "Dirk"};
        auto states = std::make_unique<TTrackStates>();
        for (int t = 0; t < 4; ++t) {
            (*states)[t].DriverName = drivers.at(t);
            (*states)[t].Laps = 40000;
            for (int k = 1; k <= 40; ++k)
                (*states)[t].LapTimes[k] = uint32_t(9000 + k);
        }
        QStringList problems;
        int headingsSeen = 0;
        TModalProbe probe(
            [&] {
                m_window->ShowLapResults({0, 40, 30, width, 500}, *states);
            },
            [&](QDialog* dialog) {
                QTableWidget* grid = m_window->Grid();
                QScrollBar* vertical = grid->verticalScrollBar();
                QScrollBar* horizontal = grid->horizontalScrollBar();
                if (vertical->maximum() == 0)
                    problems << QStringLiteral("nothing to scroll");
                vertical->setValue(vertical->maximum());
                horizontal->setValue(horizontal->maximum());
                const auto expect = [&](const QPoint& at, const QString& text) {
                    const QString seen = SeenText(grid, at);
                    if (seen != text)
                        problems
                            << QStringLiteral("at %1,%2: '%3', expected '%4'").arg(at.x()).arg(at.y()).arg(seen, text);
                };
                const int labelsWidth = grid->columnWidth(0);
                const int half = grid->rowHeight(0) / 2;
                const int bottom = grid->viewport()->height() - half;
                expect({labelsWidth / 2, bottom}, QStringLiteral("Slowest time"));
                expect({labelsWidth / 2, bottom - grid->rowHeight(0)}, QStringLiteral("Fastest time"));
                for (int t = 1; t <= 4; ++t) {
                    const int x = grid->columnViewportPosition(t) + grid->columnWidth(t) / 2;
                    if (x < labelsWidth || x >= grid->viewport()->width())
                        continue;
                    ++headingsSeen;
                    expect({x, half}, QStringLiteral("Track: %1").arg(t));
                    expect({x, grid->rowHeight(0) + half}, drivers.at(t - 1));
                }
                const QModelIndex firstLap = grid->model()->index(2, 1);
                grid->scrollTo(firstLap);
                expect(grid->visualRect(firstLap).center(), grid->item(2, 1)->text());
                dialog->accept();
            });
        QVERIFY(probe.opened);
        QVERIFY(headingsSeen > 0);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1String("; "))));
    }

    // No digit and no row label is cut off, nor the title, also on a machine
    // whose font is much larger than the window was made for; an ordinary
    // font in a wide window keeps the title's own size.
    void textsFit_data()
    {
        QTest::addColumn<int>("pointSize");  // of the program's font; 0 keeps the machine's
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("scope");  // a ShowStoredLaps mode, or -1 for the race just run
        QTest::newRow("ordinary font") << 0 << 700 << int(TKWL_RoundResults::HeatMode);
        QTest::newRow("large font, narrow window, heat") << 24 << 250 << int(TKWL_RoundResults::HeatMode);
        QTest::newRow("large font, narrow window, last race") << 24 << 250 << -1;
    }
    void textsFit()
    {
        QFETCH(int, pointSize);
        QFETCH(int, width);
        QFETCH(int, scope);
        const QFont machineFont = QApplication::font();
        const auto restoreFont = qScopeGuard([&] { QApplication::setFont(machineFont); });
        if (pointSize > 0) {
            QFont large = machineFont;
            large.setPointSize(pointSize);
            QApplication::setFont(large);
        }
        m_window = std::make_unique<TKWL_RoundResults>(Db(), m_settings);
        auto states = std::make_unique<TTrackStates>();
        (*states)[0].Laps = 2000;
        (*states)[0].LapTimes[1] = 61200;
        (*states)[0].LapTimes[2] = 8400;
        QStringList cut;
        int titleSize = 0;
        TModalProbe probe(
            [&] {
                const TWindowPlacement placement{0, 40, 30, width, 400};
                if (scope < 0)
                    m_window->ShowLapResults(placement, *states);
                else
                    m_window->ShowStoredLaps(placement, m_cs, m_rc, scope, 3);
            },
            [&](QDialog* dialog) {
                auto* title = dialog->findChild<QLabel*>(QStringLiteral("LabelTitle"));
                titleSize = title->font().pixelSize();
                if (!InkFits(title->font(), {title->text()}, title->contentsRect().size(), title->alignment()))
                    cut << title->text();
                // The lap times and the row labels.
                cut << CutCells(m_window->Grid(), [](int column, const QString& text) {
                    return !text.isEmpty() && (column == 0 || text.contains(QLatin1Char('.')));
                });
                dialog->accept();
            });
        QVERIFY(probe.opened);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1String(", "))));
        if (pointSize == 0)
            QCOMPARE(titleSize, 27);
    }

    // The window is reused: a later showing replaces the grid entirely.
    void reuseStartsFresh()
    {
        const TWindowPlacement placement;
        TShown shown = Show([&] { m_window->ShowStoredLaps(placement, m_cs, 0, TKWL_RoundResults::ChampionshipMode); });
        QCOMPARE(shown.rows, 12);
        auto states = std::make_unique<TTrackStates>();
        m_settings.Tracks = 3;
        shown = Show([&] { m_window->ShowLapResults(placement, *states); });
        QCOMPARE(shown.title, QStringLiteral("Laps Results"));
        QCOMPARE(shown.columns, 4);
        QCOMPARE(shown.firstColumn, (QStringList{"", "", "", "Fastest time", "Slowest time"}));
        for (int r = 0; r < m_window->Grid()->rowCount(); ++r)
            for (int c = 1; c < m_window->Grid()->columnCount(); ++c)
                if (r > 0)
                    QVERIFY(!m_window->Grid()->item(r, c) || m_window->Grid()->item(r, c)->text().isEmpty());
    }
};

QTEST_MAIN(TestRoundResults)
#include "tst_roundresults.moc"
