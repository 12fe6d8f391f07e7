#include "ModalResponder.h"
#include "TestDatabase.h"

#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>
#include <QVBoxLayout>

using namespace tovlet::test;

class TestHarness : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void databaseHasQdatAttached();
    void databaseFilesGoAwayWithTheFixture();
    void answersMessageBoxes_data();
    void answersMessageBoxes();
    void answerCanTypeIntoTheDialog();
    void unexpectedDialogIsRejectedAndRecorded();
};

void TestHarness::databaseHasQdatAttached()
{
    TTestDatabase db(true);
    QCOMPARE(db.Scalar(QStringLiteral("select count(*) from QDAT.PACIENT")).toInt(), 8);
    QSqlQuery q(db.Database());
    QVERIFY(q.exec(QStringLiteral("select name from pragma_database_list where name = 'QDAT'")));
    QVERIFY(q.next());
    QCOMPARE(db.ConnectionName(), QStringLiteral("_ZDR"));
}

void TestHarness::databaseFilesGoAwayWithTheFixture()
{
    QString dir;
    {
        TTestDatabase db;
        dir = db.Directory();
        QVERIFY(QFile::exists(dir + QStringLiteral("/qdat.sqlite")));
        QCOMPARE(db.Scalar(QStringLiteral("select count(*) from QDAT.PACIENT")).toInt(), 0);
    }
    QVERIFY(!QFile::exists(dir));
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("_ZDR")));
}

void TestHarness::answersMessageBoxes_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("result");
    QTest::newRow("yes") << int(QMessageBox::Yes) << int(QMessageBox::Yes);
    QTest::newRow("no") << int(QMessageBox::No) << int(QMessageBox::No);
    QTest::newRow("cancel") << int(QMessageBox::Cancel) << int(QMessageBox::Cancel);
}

void TestHarness::answersMessageBoxes()
{
    QFETCH(int, button);
    QFETCH(int, result);
    TModalResponder responder;
    responder.AnswerMessageBox(QMessageBox::StandardButton(button));
    const int r = QMessageBox::question(nullptr, QStringLiteral("Potrditev"), QStringLiteral("Shranim spremembe?"),
                                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(r, result);
    QCOMPARE(responder.Seen(), QStringList{QStringLiteral("Potrditev | Shranim spremembe?")});
    QVERIFY(responder.Unexpected().isEmpty());
}

void TestHarness::answerCanTypeIntoTheDialog()
{
    TModalResponder responder;
    QDialog dlg;
    dlg.setWindowTitle(QStringLiteral("Razlog"));
    auto *edit = new QLineEdit(&dlg);
    auto *ok = new QPushButton(QStringLiteral("V redu"), &dlg);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, &dlg, &QDialog::accept);
    auto *layout = new QVBoxLayout(&dlg);
    layout->addWidget(edit);
    layout->addWidget(ok);
    responder.Expect([](QWidget *w) {
        auto *e = w->findChild<QLineEdit *>();
        QTest::keyClicks(e, QStringLiteral("Bolniska odsotnost"));
        QTest::keyClick(e, Qt::Key_Return);
    });
    QCOMPARE(dlg.exec(), int(QDialog::Accepted));
    QCOMPARE(edit->text(), QStringLiteral("Bolniska odsotnost"));
}

void TestHarness::unexpectedDialogIsRejectedAndRecorded()
{
    TModalResponder responder;
    QDialog dlg;
    dlg.setWindowTitle(QStringLiteral("Nepričakovano"));
    QCOMPARE(dlg.exec(), int(QDialog::Rejected));
    QCOMPARE(responder.Unexpected().size(), 1);
    QVERIFY(responder.Unexpected().first().startsWith(QStringLiteral("Nepričakovano")));
}

QTEST_MAIN(TestHarness)
#include "tst_harness.moc"
