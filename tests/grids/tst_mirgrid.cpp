// The configurable data grid over the clinic's patients, on a plain SQL
// data set and on a business-object list's data set: its layout text, the
// columns it drops, what it survives, and the automatic refresh when the
// list learns of another workstation's row.
#include "../pelvar/ClinicClasses.h"
#include "TestDatabase.h"

#include "marvok/Idialogs.h"
#include "marvok/Ilog.h"
#include "pelvar/plList.h"
#include "toolkit/SqlDataSet.h"
#include "tovlet/grids/cMirGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QSqlQuery>
#include <QTest>

using namespace tovlet;
using tovlet::test::TTestDatabase;

namespace {

// A grid over the patients, on either kind of data set.
struct TPatientGrid
{
    std::unique_ptr<toolkit::TSqlDataSet> Sql;
    pelvar::TplRef<pelvar::TPlBoList> List;
    toolkit::TDataSource Source;
    TIMireloDBGrid Grid;

    explicit TPatientGrid(bool objects)
    {
        if (objects) {
            List = pelvar::TplRef<pelvar::TPlBoList>::Adopt(pelvar::TPlBoList::Create(QStringLiteral("TPacient"), nullptr));
            List->OrderBy(QStringLiteral("ID"));
            List->Load();
            Source.SetDataSet(List->GetDataSet());
        } else {
            Sql = std::make_unique<toolkit::TSqlDataSet>();
            Sql->SetSQL(QStringLiteral("select ID, PRIIMEK, IME, SPOL, KZZ from QDAT.PACIENT order by ID"));
            Sql->Open();
            Source.SetDataSet(Sql.get());
        }
        Grid.resize(700, 300);
        Grid.SetDataSource(&Source);
    }
    ~TPatientGrid() { Grid.SetDataSource(nullptr); }
    QString Cell(int row, int column) const { return Grid.model()->index(row, column).data().toString(); }
};

} // namespace

class TestMirGrid : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { tovlet::test::RegisterClinicClasses(); }
    void init()
    {
        FDb = std::make_unique<TTestDatabase>(true);
        pelvar::EnsureTables();
        marvok::SetLogSink([this](const QString &line) { Log << line; });
    }
    void cleanup()
    {
        marvok::SetLogSink({});
        marvok::SetMessageDlgResponder({});
        Log.clear();
        pelvar::GlobalDictionary().CollectGarbage();
        FDb.reset();
    }
    void layoutTextComesBackAsWritten_data();
    void layoutTextComesBackAsWritten();
    void hostileLayoutTextsAreSurvived_data();
    void hostileLayoutTextsAreSurvived();
    void automaticGridShowsAnotherWorkstationsRow_data();
    void automaticGridShowsAnotherWorkstationsRow();

private:
    std::unique_ptr<TTestDatabase> FDb;
    QStringList Log;
};

void TestMirGrid::layoutTextComesBackAsWritten_data()
{
    QTest::addColumn<bool>("objects");
    QTest::newRow("plain SQL data set") << false;
    QTest::newRow("business-object list") << true;
}

void TestMirGrid::layoutTextComesBackAsWritten()
{
    QFETCH(bool, objects);
    TPatientGrid g(objects);
    const QString layout = QStringLiteral("FN=PRIIMEK&DL=Priimek&Width=140&DDR=7&Visible=D;"
                                          "FN=KZZ&DL=Št. KZZ&Width=95&DDR=3&Visible=N;"
                                          "FN=IME&DL=Ime & ime&Width=80&DDR=7&Visible=D;"
                                          "FN=NI_POLJA&DL=Izgubljeno&Width=50&DDR=7&Visible=D");
    g.Grid.SetSettingsDetail(layout);
    // The missing field goes, with its line in the log; the rest stays as written.
    QVERIFY(Log.contains(QStringLiteral("TIMireloDBGrid.SetSettingsDetail: Odstanil polje NI_POLJA iz pogleda!")));
    const QList<marvok::TIColumn> columns = g.Grid.Columns();
    QCOMPARE(columns.size(), 3);
    QCOMPARE(columns.at(1).FieldName, QStringLiteral("KZZ"));
    QVERIFY(!columns.at(1).Visible);
    QCOMPARE(columns.at(1).DropDownRows, 3);
    QCOMPARE(g.Grid.aiWidths(), (QStringList{QStringLiteral("140"), QStringLiteral("95"), QStringLiteral("80")}));
    // "&" inside a caption ends it: the caption is "Ime ", " ime" an unknown key.
    QCOMPARE(columns.at(2).Title, QStringLiteral("Ime "));
    QCOMPARE(g.Grid.ColumnCount(), 2);
    QCOMPARE(g.Grid.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Priimek"));
    QCOMPARE(g.Grid.columnWidth(0), 140);
    QCOMPARE(g.Cell(0, 0), QStringLiteral("Novak"));
    QCOMPARE(g.Cell(0, 1), QStringLiteral("Ana"));

    // The user widens a column; the hidden one keeps its remembered width.
    g.Grid.horizontalHeader()->resizeSection(1, 120);
    const QString written = g.Grid.GetSettingsDetail();
    QCOMPARE(written, QStringLiteral("FN=PRIIMEK&DL=Priimek&Width=140&DDR=7&Visible=D;FN=KZZ&DL=Št. KZZ&Width=95&DDR=3&Visible=N;"
                                     "FN=IME&DL=Ime &Width=120&DDR=7&Visible=D"));
    TPatientGrid again(objects);
    again.Grid.SetSettingsDetail(written);
    QCOMPARE(again.Grid.GetSettingsDetail(), written);
}

void TestMirGrid::hostileLayoutTextsAreSurvived_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("written");
    // A column without a field stays (it shows nothing, at the default width).
    const QString empty = QStringLiteral("FN=&DL=&Width=64&DDR=7&Visible=D");
    QTest::newRow("no equals signs") << "FN&DL&Width;PRIIMEK" << empty + ';' + empty;
    QTest::newRow("unknown keys skipped") << "FN=IME&Barva=rdeča&DL=Ime&Width=70&Nekaj" << "FN=IME&DL=Ime&Width=70&DDR=7&Visible=D";
    QTest::newRow("huge and negative numbers") << "FN=IME&Width=99999999999999&Visible=D;FN=KZZ&Width=-5&DDR=-3&Visible=N"
                                               << "FN=IME&DL=&Width=4000&DDR=7&Visible=D;FN=KZZ&DL=&Width=-1&DDR=1&Visible=N";
    QTest::newRow("more than seven rows") << "FN=SPOL&DL=Spol&Width=50&DDR=25" << "FN=SPOL&DL=Spol&Width=50&DDR=25&Visible=D";
    QTest::newRow("an empty pair ends the column") << "FN=IME&Width=70&&DL=Ime&Visible=N" << "FN=IME&DL=&Width=70&DDR=7&Visible=D";
    QTest::newRow("empty parts") << ";;FN=IME&Width=70;; ;" << "FN=IME&DL=&Width=70&DDR=7&Visible=D";
    QTest::newRow("percent signs are text") << "FN=IME&DL=%1 %0&Width=7" << "FN=IME&DL=%1 %0&Width=7&DDR=7&Visible=D";
    QTest::newRow("hostile field name") << "FN=IME'; drop table QDAT.PACIENT; --&Visible=D" << empty + ';' + empty;
}

void TestMirGrid::hostileLayoutTextsAreSurvived()
{
    QFETCH(QString, layout);
    QFETCH(QString, written);
    TPatientGrid g(false);
    g.Grid.SetSettingsDetail(layout);
    QCOMPARE(g.Grid.GetSettingsDetail(), written);
    QVERIFY(FDb->Scalar(QStringLiteral("select count(*) from QDAT.PACIENT")).toInt() > 0);

    // Ten thousand columns of fields the data set lacks go, a log line each.
    QStringList many;
    for (int i = 0; i < 10000; ++i)
        many << QStringLiteral("FN=X%1&Width=%1&Visible=D").arg(i);
    const qsizetype logged = Log.size();
    g.Grid.SetSettingsDetail(many.join(QLatin1Char(';')) + QStringLiteral(";FN=IME&Width=70"));
    QCOMPARE(g.Grid.GetSettingsDetail(), QStringLiteral("FN=IME&DL=&Width=70&DDR=7&Visible=D"));
    QCOMPARE(Log.size() - logged, 10000);
}

void TestMirGrid::automaticGridShowsAnotherWorkstationsRow_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("shown");
    QTest::newRow("automatic") << int(TIRefreshMode::rmAutomatic) << true;
    QTest::newRow("on demand") << int(TIRefreshMode::rmOnDemand) << false;
}

void TestMirGrid::automaticGridShowsAnotherWorkstationsRow()
{
    QFETCH(int, mode);
    QFETCH(bool, shown);
    QStringList messages;
    marvok::SetMessageDlgResponder([&](const QString &text, marvok::TMsgDlgType, marvok::TMsgDlgButtons) {
        messages << text;
        return int(marvok::mrOk);
    });
    TPatientGrid g(true);
    g.Grid.setAiRefreshMode(TIRefreshMode(mode));
    g.Grid.SetSettingsDetail(QStringLiteral("FN=ID&Visible=D;FN=PRIIMEK&DL=Priimek&Width=120&Visible=D"));
    QCOMPARE(g.Grid.Notifier()->aiBoList(), g.List.get());
    const int rows = g.Grid.model()->rowCount();
    {
        QSqlQuery q(FDb->OpenSecondConnection());
        QVERIFY(q.exec(QStringLiteral("insert into QDAT.PACIENT (ID, PRIIMEK, IME) values (9001, 'Zalokar', 'Tina')")));
    }
    TTestDatabase::CloseSecondConnection();
    // The clinic's change notice for patients reaches the list.
    pelvar::NotifyClassChanged(QStringLiteral("TPacient"), nullptr, pelvar::TplNotifyAction::naSaved);
    QCOMPARE(g.Grid.model()->rowCount(), shown ? rows + 1 : rows);
    QCOMPARE(messages, shown ? QStringList{QStringLiteral("Sprememba!")} : QStringList{});
    QCOMPARE(g.Grid.aiNeedToRefresh(), !shown);
    if (shown)
        QCOMPARE(g.Cell(rows, 1), QStringLiteral("Zalokar"));
    // Another list's notice is not this grid's business.
    g.List->SetNeedToRefresh(true);
    auto other = pelvar::TplRef<pelvar::TPlBoList>::Adopt(pelvar::TPlBoList::Create(QStringLiteral("TPacient"), nullptr));
    other->NotifyObservers(pelvar::TplNotifyAction::naNeedRefresh, {}, other.get());
    QCOMPARE(messages.size(), shown ? 1 : 0);
}

QTEST_MAIN(TestMirGrid)
#include "tst_mirgrid.moc"
