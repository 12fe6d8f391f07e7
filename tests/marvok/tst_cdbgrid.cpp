#include "TestDatabase.h"

#include "marvok/cDBGrid.h"
#include "toolkit/MemDataSet.h"
#include "toolkit/SqlDataSet.h"

#include <QHeaderView>
#include <QPainter>
#include <QTest>

using namespace marvok;

namespace {

void FillPatients(toolkit::TMemDataSet &ds)
{
    ds.AddFieldDef(QStringLiteral("ID"), toolkit::TFieldType::ftInteger);
    ds.AddFieldDef(QStringLiteral("PRIIMEK"), toolkit::TFieldType::ftString, 20);
    ds.AddFieldDef(QStringLiteral("ROJEN"), toolkit::TFieldType::ftDate);
    ds.AddFieldDef(QStringLiteral("OPOMBA"), toolkit::TFieldType::ftString, 20);
    ds.Open();
    const QStringList names{"Novak", "Horvat", "Kovačič", "Krajnc", "Zupančič"};
    for (int i = 0; i < names.size(); ++i)
        ds.AppendRecord({i + 1, names.at(i), toolkit::EncodeDate(1980 + i, 1, 15), QStringLiteral("x")});
}

// Five patients in a memory data set, behind a data source.
struct TPatients
{
    toolkit::TMemDataSet ds;
    toolkit::TDataSource src;
    TPatients()
    {
        FillPatients(ds);
        src.SetDataSet(&ds);
    }
};

} // namespace

class TestDBGrid : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void showsColumnsWithTitlesAndTexts();
    void defaultColumnsAreTheVisibleFields();
    void clickingARowMovesTheCursorAndBack();
    void titleClickAndDrawHooks();
    void millionRowsOpenAndReachTheEndWithFewRowsInMemory();
};

void TestDBGrid::showsColumnsWithTitlesAndTexts()
{
    TPatients patients;
    auto &ds = patients.ds;
    auto &src = patients.src;
    TIDBGrid grid;
    grid.SetColumns({{QStringLiteral("PRIIMEK"), QStringLiteral("Priimek"), 120},
                     {QStringLiteral("OPOMBA"), QString(), -1, 7, false},
                     {QStringLiteral("ROJEN"), QString(), 90}});
    grid.SetDataSource(&src);
    QCOMPARE(grid.ColumnCount(), 2);
    QCOMPARE(grid.model()->rowCount(), 5);
    QCOMPARE(grid.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Priimek"));
    QCOMPARE(grid.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("ROJEN")); // the field's label
    QCOMPARE(grid.model()->index(2, 0).data().toString(), QStringLiteral("Kovačič"));
    QCOMPARE(grid.model()->index(2, 1).data().toString(), QStringLiteral("15.01.1982"));
    QCOMPARE(grid.columnWidth(0), 120);
    ds.FieldByName(QStringLiteral("ROJEN"))->SetDisplayLabel(QStringLiteral("Rojen"));
    grid.LayoutChanged();
    QCOMPARE(grid.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Rojen"));

    // Appending shows a new row; closing empties the grid.
    ds.AppendRecord({6, QStringLiteral("Mlakar"), QVariant(), QVariant()});
    QCOMPARE(grid.model()->rowCount(), 6);
    ds.Close();
    QCOMPARE(grid.model()->rowCount(), 0);
}

void TestDBGrid::defaultColumnsAreTheVisibleFields()
{
    TPatients patients;
    auto &ds = patients.ds;
    auto &src = patients.src;
    ds.FieldByName(QStringLiteral("OPOMBA"))->SetVisible(false);
    TIDBGrid grid;
    grid.SetDataSource(&src);
    QCOMPARE(grid.ColumnCount(), 3);
    QCOMPARE(grid.ColumnField(2)->FieldName(), QStringLiteral("ROJEN"));
    ds.FieldByName(QStringLiteral("OPOMBA"))->SetVisible(true); // a layout change reaches the grid
    QCOMPARE(grid.model()->columnCount(), 4);
}

void TestDBGrid::clickingARowMovesTheCursorAndBack()
{
    TPatients patients;
    auto &ds = patients.ds;
    auto &src = patients.src;
    TIDBGrid grid;
    grid.SetDataSource(&src);
    grid.resize(400, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    const QModelIndex third = grid.model()->index(2, 1);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(third).center());
    QCOMPARE(ds.RecNo(), 3);
    QCOMPARE(ds.FieldByName(QStringLiteral("PRIIMEK"))->AsString(), QStringLiteral("Kovačič"));
    QTest::keyClick(grid.viewport(), Qt::Key_Down);
    QCOMPARE(ds.RecNo(), 4);
    ds.First();
    QCOMPARE(grid.currentIndex().row(), 0);
    ds.Last();
    QCOMPARE(grid.currentIndex().row(), 4);
    QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(ds.RecNo(), 1);
}

void TestDBGrid::titleClickAndDrawHooks()
{
    TPatients patients;
    TIDBGrid grid;
    grid.SetDataSource(&patients.src);
    grid.resize(400, 300);
    int clicked = -1;
    grid.OnTitleClick = [&](TIDBGrid *, int column) { clicked = column; };
    grid.OnDrawColumnCell = [](TIDBGrid *, QPainter *p, const QRect &r, int column, toolkit::TField *f, int row, bool, bool &handled) {
        if (column == 1 && row == 1 && f && f->FieldName() == QLatin1String("PRIIMEK")) {
            p->fillRect(r, Qt::red);
            handled = true;
        }
    };
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QHeaderView *header = grid.horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    QCOMPARE(clicked, 1);
    const QImage image = grid.grab().toImage();
    const QRect cell = grid.visualRect(grid.model()->index(1, 1)).translated(grid.viewport()->pos());
    QCOMPARE(QColor(image.pixel(cell.center())), QColor(Qt::red));
    const QRect other = grid.visualRect(grid.model()->index(2, 1)).translated(grid.viewport()->pos());
    QVERIFY(QColor(image.pixel(other.center())) != QColor(Qt::red));
}

void TestDBGrid::millionRowsOpenAndReachTheEndWithFewRowsInMemory()
{
    if (tovlet::test::TTestDatabase::UsePostgres())
        QSKIP("the million-row check runs on the embedded database");
    tovlet::test::TTestDatabase db;
    db.Exec(QStringLiteral("create table QDAT.VELIKA (ID INTEGER PRIMARY KEY, PRIIMEK VARCHAR(20), ROJEN TIMESTAMP);"
                           "with recursive c(x) as (select 1 union all select x + 1 from c where x < 1000000) "
                           "insert into QDAT.VELIKA select x, 'Priimek' || x, '1990-01-01 00:00:00' from c"));
    toolkit::TSqlDataSet ds;
    ds.SetPageSize(200);
    ds.SetSQL(QStringLiteral("select ID, PRIIMEK, ROJEN from QDAT.VELIKA order by ID"));
    ds.Open();
    QCOMPARE(ds.FetchedCount(), 200);
    toolkit::TDataSource src;
    src.SetDataSet(&ds);
    TIDBGrid grid;
    grid.SetDataSource(&src);
    grid.resize(600, 400);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QCOMPARE(grid.model()->index(0, 1).data().toString(), QStringLiteral("Priimek1"));
    QVERIFY(grid.model()->rowCount() < 1000000); // not counted yet

    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(ds.RecNo(), 1000000);
    QCOMPARE(grid.model()->rowCount(), 1000000);
    QCOMPARE(grid.currentIndex().row(), 999999);
    QCOMPARE(ds.FieldByName(QStringLiteral("PRIIMEK"))->AsString(), QStringLiteral("Priimek1000000"));
    grid.grab(); // paints the last screen
    QCOMPARE(grid.model()->index(999998, 1).data().toString(), QStringLiteral("Priimek999999"));
    QCOMPARE(grid.model()->index(999998, 2).data().toString(), QStringLiteral("01.01.1990"));
    QVERIFY2(ds.FetchedCount() <= 8 * 200, qPrintable(QString::number(ds.FetchedCount())));

    QTest::keyClick(grid.viewport(), Qt::Key_Up);
    QCOMPARE(ds.RecNo(), 999999);
    QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(grid.model()->index(0, 1).data().toString(), QStringLiteral("Priimek1"));
    QVERIFY(ds.FetchedCount() <= 8 * 200);
}

QTEST_MAIN(TestDBGrid)
#include "tst_cdbgrid.moc"
