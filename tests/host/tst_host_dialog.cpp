// A host's dialog that edits a patient's telephone number, tested headless:
// the embedded test database, a person's typing and the OK button.
#include "ModalResponder.h"
#include "TestDatabase.h"

#include "pelvar/plAuth.h"
#include "toolkit/MemDataSet.h"
#include "tovlet/core/Core.h"
#include "tovlet/dialogs/Dialogs.h"

#include <QSqlQuery>
#include <QTest>
#include <QVBoxLayout>

class TdlgTelefon : public tovlet::TdlgZdrDBEdit
{
public:
    explicit TdlgTelefon(int patientId) : FId(patientId)
    {
        FData.AddFieldDef(QStringLiteral("TELEFON"), toolkit::TFieldType::ftString, 20);
        FData.Open();
        QSqlQuery q(QSqlDatabase::database(QStringLiteral("_ZDR")));
        q.prepare(QStringLiteral("select TELEFON from QDAT.PACIENT where ID = ?"));
        q.addBindValue(FId);
        q.exec();
        FData.AppendRecord({q.next() ? q.value(0) : QVariant()});
        FSource.SetDataSet(&FData);
        edTelefon = new marvok::TIDBEdit(paDialog());
        edTelefon->SetDataSource(&FSource);
        edTelefon->SetDataField(QStringLiteral("TELEFON"));
        (new QVBoxLayout(paDialog()))->addWidget(edTelefon);
    }
    void SaveData() override
    {
        if (FData.State() != toolkit::TDataSetState::dsBrowse)
            FData.Post();
        QSqlQuery q(QSqlDatabase::database(QStringLiteral("_ZDR")));
        q.prepare(QStringLiteral("update QDAT.PACIENT set TELEFON = ? where ID = ?"));
        q.addBindValue(FData.FieldByName(QStringLiteral("TELEFON"))->AsString());
        q.addBindValue(FId);
        q.exec();
    }
    marvok::TIDBEdit *edTelefon;

private:
    int FId;
    toolkit::TMemDataSet FData;
    toolkit::TDataSource FSource;
};

class TestHostDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void typedNumberIsStoredOnOK()
    {
        tovlet::TPackageScope package;
        tovlet::test::TTestDatabase db(true); // schema and the demo clinic's patients
        pelvar::AuthManager().Grant(QStringLiteral("acDialog.acOK"));
        TdlgTelefon dlg(1);
        tovlet::test::TModalResponder responder;
        responder.Expect([&](QWidget *) {
            dlg.edTelefon->setFocus();
            dlg.edTelefon->selectAll();
            QTest::keyClicks(dlg.edTelefon, QStringLiteral("041 555 123"));
            QTest::mouseClick(dlg.btOK(), Qt::LeftButton);
        });
        QCOMPARE(dlg.ShowModal(), int(QDialog::Accepted));
        QVERIFY(dlg.OK());
        QCOMPARE(db.Scalar(QStringLiteral("select TELEFON from QDAT.PACIENT where ID = 1")).toString(), QStringLiteral("041 555 123"));
        QVERIFY(responder.Unexpected().isEmpty());
    }
};

QTEST_MAIN(TestHostDialog)
#include "tst_host_dialog.moc"
