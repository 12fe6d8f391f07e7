#include "ModalResponder.h"
#include "TestDatabase.h"

#include "marvok/Cvalinfo.h"
#include "marvok/Idialogs.h"
#include "marvok/Igl.h"
#include "marvok/Ilog.h"
#include "marvok/Iquery.h"
#include "pelvar/plCore.h"
#include "pelvar/plDatabase.h"
#include "pelvar/plMeta.h"

#include <QAbstractButton>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace marvok;

class TestMarvokServices : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void messageDlgShowsSlovenianButtonsAndReturnsResult_data();
    void messageDlgShowsSlovenianButtonsAndReturnsResult();
    void messageDlgEscapeGivesTheSafeAnswer();
    void responderAnswersWithoutAWindow();
    void logWritesOneLinePerCall();
    void procedureLogStampsTotals();
    void workingDateAndLogin();
    void queryReportsStatementParametersAndTime();
    void procedureCallIsReportedAsSuch();
    void valueFromQuery();
};

void TestMarvokServices::messageDlgShowsSlovenianButtonsAndReturnsResult_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("click");
    QTest::addColumn<int>("result");
    QTest::newRow("yes") << int(mbYesNoCancel) << "&Da" << 6;
    QTest::newRow("no") << int(mbYesNoCancel) << "&Ne" << 7;
    QTest::newRow("cancel") << int(mbYesNoCancel) << "&Prekliči" << 2;
    QTest::newRow("ok") << int(mbOK) << "V &redu" << 1;
}

void TestMarvokServices::messageDlgShowsSlovenianButtonsAndReturnsResult()
{
    QFETCH(int, buttons);
    QFETCH(QString, click);
    QFETCH(int, result);
    tovlet::test::TModalResponder responder;
    QStringList offered;
    responder.Expect([&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), QStringLiteral("Potrditev"));
        for (QAbstractButton *b : box->buttons()) {
            offered << b->text();
            if (b->text() == click)
                QTest::mouseClick(b, Qt::LeftButton);
        }
    });
    QCOMPARE(IMessageDlg(QStringLiteral("Shranim spremembe?"), mtConfirmation, buttons), result);
    QVERIFY(offered.contains(click));
    QCOMPARE(responder.Seen().value(0), QStringLiteral("Potrditev | Shranim spremembe?"));
}

void TestMarvokServices::messageDlgEscapeGivesTheSafeAnswer()
{
    tovlet::test::TModalResponder responder;
    auto escape = [](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); };
    responder.Expect(escape);
    QCOMPARE(IMessageDlg(QStringLiteral("Izbrišem?"), mtWarning, mbYesNo), int(mrNo));
    responder.Expect(escape);
    QCOMPARE(IMessageDlg(QStringLiteral("Izbrišem?"), mtWarning, mbYesNoCancel), int(mrCancel));
    responder.Expect(escape);
    QCOMPARE(IMessageDlg(QStringLiteral("Akcija Shrani ni dovoljena!"), mtError, mbOK), int(mrOk));
    QCOMPARE(responder.Seen().value(2), QStringLiteral("Napaka | Akcija Shrani ni dovoljena!"));
}

void TestMarvokServices::responderAnswersWithoutAWindow()
{
    QString seen;
    TMsgDlgType seenType = mtCustom;
    TMsgDlgButtons seenButtons = 0;
    SetMessageDlgResponder([&](const QString &text, TMsgDlgType type, TMsgDlgButtons buttons) {
        seen = text;
        seenType = type;
        seenButtons = buttons;
        return int(mrOk);
    });
    QCOMPARE(IMessageDlg(QStringLiteral("Sprememba!"), mtInformation, 0), int(mrOk));
    QCOMPARE(seen, QStringLiteral("Sprememba!"));
    QCOMPARE(seenType, mtInformation);
    QCOMPARE(seenButtons, int(mbOK)); // no buttons means OK
    SetMessageDlgResponder({});
}

void TestMarvokServices::logWritesOneLinePerCall()
{
    QTemporaryDir dir;
    SetLogFileName(dir.filePath(QStringLiteral("sub/app.log")));
    QStringList sunk;
    SetLogSink([&](const QString &line) { sunk << line; });
    ILog(QStringLiteral("TIMireloDBGrid.SetSettingsDetail: Odstanil polje X iz pogleda!"));
    ILog(QStringLiteral("dve\nvrstici\r\nin konec"));
    QFile f(dir.filePath(QStringLiteral("sub/app.log")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.at(0).endsWith(QStringLiteral(" TIMireloDBGrid.SetSettingsDetail: Odstanil polje X iz pogleda!")));
    QVERIFY(lines.at(1).endsWith(QStringLiteral(" dve | vrstici | in konec")));
    QCOMPARE(sunk.size(), 2);
    SetLogSink({});
    SetLogFileName(QString());
}

void TestMarvokServices::procedureLogStampsTotals()
{
    QStringList sunk;
    QTemporaryDir dir;
    SetLogFileName(dir.filePath(QStringLiteral("p.log")));
    SetLogSink([&](const QString &line) { sunk << line; });
    {
        TProcedureTimer t(QStringLiteral("LoadViews"));
    }
    ProcedureLog().Add(QStringLiteral("LoadViews"), 1500000000);
    QCOMPARE(ProcedureLog().Totals().value(QStringLiteral("LoadViews")).Calls, qint64(2));
    ProcedureLog().StampTotalTimes();
    QCOMPARE(sunk.size(), 1);
    QVERIFY(sunk.first().startsWith(QStringLiteral("ProcedureLog LoadViews: 2 calls, 1.5")));
    QVERIFY(ProcedureLog().Totals().isEmpty());
    SetLogSink({});
    SetLogFileName(QString());
}

void TestMarvokServices::workingDateAndLogin()
{
    QCOMPARE(ISystemParameters().GetWorkingDate(), toolkit::Date());
    ISystemParameters().SetWorkingDate(toolkit::EncodeDateTime(2026, 1, 15, 10, 0, 0, 0));
    QCOMPARE(ISystemParameters().GetWorkingDate(), toolkit::EncodeDate(2026, 1, 15));
    ISystemParameters().SetWorkingDate(0);
    QCOMPARE(ISystemParameters().GetWorkingDate(), toolkit::Date());
    SetLoginUser(QStringLiteral("DRNOVAK"), QStringLiteral("dr. Ana Novak"));
    QCOMPARE(LoginInfo().UserCode, QStringLiteral("DRNOVAK"));
    QCOMPARE(pelvar::PerLayerSettings().CurrentUser, QStringLiteral("DRNOVAK"));
}

void TestMarvokServices::queryReportsStatementParametersAndTime()
{
    tovlet::test::TTestDatabase db(true);
    QList<std::tuple<QObject *, QString, int>> events;
    IDBStatistics().OnStatistics = [&](QObject *sender, const QString &text, int type) { events << std::make_tuple(sender, text, type); };
    TIQuery q;
    q.AddSQL(QStringLiteral("select count(*) from QDAT.PACIENT"));
    q.AddSQL(QStringLiteral("where PRIIMEK <> :priimek and IME <> :ime"));
    q.SetParam(QStringLiteral("priimek"), QStringLiteral("O'Brien"));
    q.SetParam(QStringLiteral("ime"), QStringLiteral("dve\nvrstici"));
    q.Open();
    QCOMPARE(q.Fields(0)->AsInteger(), 8);
    QCOMPARE(events.size(), 4);
    QCOMPARE(std::get<0>(events.at(0)), &q);
    QCOMPARE(std::get<1>(events.at(0)), QStringLiteral("select count(*) from QDAT.PACIENT\nwhere PRIIMEK <> :priimek and IME <> :ime"));
    QCOMPARE(std::get<2>(events.at(0)), 0);
    QCOMPARE(std::get<1>(events.at(1)), QStringLiteral("ime=dve\nvrstici"));
    QCOMPARE(std::get<2>(events.at(1)), 2);
    QCOMPARE(std::get<1>(events.at(2)), QStringLiteral("priimek=O'Brien"));
    QCOMPARE(std::get<2>(events.at(3)), 3);
    bool ok = false;
    QString seconds = std::get<1>(events.at(3));
    seconds.replace(QLatin1Char(','), QLatin1Char('.'));
    QVERIFY(seconds.toDouble(&ok) >= 0 && ok);

    events.clear();
    TIQuery upd;
    upd.SetSQL(QStringLiteral("update QDAT.PACIENT set TELEFON = :t where ID = 1"));
    upd.SetParam(QStringLiteral("t"), QVariant());
    QCOMPARE(upd.ExecSQL(), 1);
    QCOMPARE(std::get<1>(events.at(1)), QStringLiteral("t=NULL"));
    IDBStatistics().OnStatistics = nullptr;
}

void TestMarvokServices::procedureCallIsReportedAsSuch()
{
    tovlet::test::TTestDatabase db(true);
    if (pelvar::Dialect() == pelvar::TplDialect::dlPostgreSQL)
        db.Exec(QStringLiteral("create or replace function qdat.pckpacient_stevilo(text) returns bigint language sql as "
                               "$$ select count(*) from qdat.pacient where spol = $1 $$"));
    else
        pelvar::RegisterSqliteFunction(QStringLiteral("PCKPACIENT_STEVILO"), 1, [](const QVariantList &a) {
            return QVariant(a.value(0).toString() == QLatin1String("Z") ? 4 : 0);
        });
    QList<int> types;
    IDBStatistics().OnStatistics = [&](QObject *, const QString &, int type) { types << type; };
    TIQuery q;
    QCOMPARE(q.ExecProc(QStringLiteral("QDAT.PCKPACIENT.STEVILO"), {QStringLiteral("Z")}).toInt(), 4);
    QCOMPARE(types, (QList<int>{1, 2, 3}));
    QVERIFY_THROWS_EXCEPTION(toolkit::Exception, q.ExecProc(QStringLiteral("x; drop table y")));
    IDBStatistics().OnStatistics = nullptr;
}

void TestMarvokServices::valueFromQuery()
{
    tovlet::test::TTestDatabase db(true);
    QCOMPARE(GetValueFromQuery(QStringLiteral("select PRIIMEK from QDAT.PACIENT where ID = 3")).toString(), QStringLiteral("Kovačič"));
    QCOMPARE(GetValueFromQuery(QStringLiteral("select PRIIMEK from QDAT.PACIENT where ID = 99"), QStringLiteral("?")).toString(),
             QStringLiteral("?"));
    QVERIFY_THROWS_EXCEPTION(toolkit::Exception, GetValueFromQuery(QStringLiteral("select NI_STOLPCA from QDAT.PACIENT")));
}

QTEST_MAIN(TestMarvokServices)
#include "tst_marvok_services.moc"
