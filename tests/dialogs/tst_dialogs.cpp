#include "ModalResponder.h"
#include "TestDatabase.h"

#include "marvok/Iabzip.h"
#include "marvok/Idialogs.h"
#include "marvok/cControls.h"
#include "marvok/cSifra.h"
#include "pelvar/plAuth.h"
#include "pelvar/plDatabase.h"
#include "pelvar/plObject.h"
#include "toolkit/MemDataSet.h"
#include "tovlet/core/Tovlet.h"
#include "tovlet/core/iAfParam.h"
#include "tovlet/dialogs/dZDRDB.h"
#include "tovlet/dialogs/dZdrBo.h"
#include "tovlet/dialogs/fZdrEnv.h"
#include "tovlet/dialogs/fmPleaseWait.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

using namespace tovlet;

namespace {

class TRecordDialog : public TdlgZdrDBEdit
{
public:
    int Saved = 0, Cancelled = 0;
    QLineEdit *Edit;
    TRecordDialog()
    {
        Edit = new QLineEdit(paDialog());
        (new QVBoxLayout(paDialog()))->addWidget(Edit);
    }
    void SaveData() override { ++Saved; }
    void CancelData() override { ++Cancelled; }
};

class TEnvChild : public TICustomZdrEnvironmentChild
{
public:
    int Initialized = 0, Changed = 0;

protected:
    void EnvironmentInitialized() override { ++Initialized; }
    void EnvironmentChanged() override { ++Changed; }
};

class TParentChild : public TICustomZdrChildForm
{
public:
    QList<int> Closed;
    void NotifyChildFormClose(TICustomZdrChildForm *, int result) override { Closed << result; }
};

// A host's dialog with state of its own that its destroy hook uses.
class THostDialog : public TdlgZDR
{
public:
    THostDialog(QStringList *log, QWidget *parent = nullptr) : TdlgZDR(parent), FLog(log) {}

protected:
    void DoFormDestroy() override { *FLog << FOwnState; }

private:
    QStringList *FLog;
    QString FOwnState = QStringLiteral("host part whole");
};

void RegisterPatient()
{
    pelvar::UnregisterAllClasses();
    auto m = std::make_unique<pelvar::TPlClassMetaData>(
        QStringLiteral("TPacient"), std::make_unique<pelvar::TplProvider>(QStringLiteral("QDAT.PACIENT"), QStringLiteral("Pacient"),
                                                                          QStringLiteral("DATUM_IPL"), QStringLiteral("USER_IPL")));
    m->AddAttribute({QStringLiteral("PRIIMEK"), QStringLiteral("Priimek"), pelvar::TplAttrType::atString, 40, {}, false, true})
        .AddAttribute({QStringLiteral("IME"), QStringLiteral("Ime"), pelvar::TplAttrType::atString, 40, {}, false, true})
        .AddAttribute({QStringLiteral("TELEFON"), QStringLiteral("Telefon"), pelvar::TplAttrType::atString, 20});
    pelvar::RegisterClassMetaData(std::move(m));
}

pelvar::TplRef<pelvar::TplPerObject> LoadPatient(int id)
{
    return pelvar::TplRef<pelvar::TplPerObject>::Adopt(pelvar::TplPerObject::Load(QStringLiteral("TPacient"), id, nullptr));
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void keysAndButtons_data();
    void keysAndButtons();
    void recordDialogAsksBeforeClosing_data();
    void recordDialogAsksBeforeClosing();
    void readOnlyRecordDialogShowsItsLabel();
    void objectDialogMarksUnsavedChangesAndSaves();
    void objectDialogAsksBeforeClosing_data();
    void objectDialogAsksBeforeClosing();
    void readOnlyObjectDisablesOK();
    void failedSaveKeepsTheDialogAndWhatWasTyped_data();
    void failedSaveKeepsTheDialogAndWhatWasTyped();
    void lockHeldElsewhereShowsPleaseWaitAndEscapeGivesUp();
    void requiredFieldsAreTinted();
    void requiredHostEditorsAreTintedAsShown_data();
    void requiredHostEditorsAreTintedAsShown();
    void okStopsWhenTheFocusedEditorRefusesItsText();
    void destroyHookRunsWhileTheHostDialogIsWhole_data();
    void destroyHookRunsWhileTheHostDialogIsWhole();
    void closeAllDialogsClosesLastFirst_data();
    void closeAllDialogsClosesLastFirst();
    void registryShowsHidesAndZips();
    void environmentRules();
    void childFormsKeepParametersAndTellTheirParent();

private:
    // What the database holds for the first patient.
    QString Stored(const QString &column) const
    {
        return FDb->Scalar(QStringLiteral("select %1 from QDAT.PACIENT where ID = 1").arg(column)).toString();
    }
    std::unique_ptr<TPackageScope> FPackage;
    std::unique_ptr<tovlet::test::TTestDatabase> FDb;
    QStringList FMessages;
    int FAnswer = marvok::mrYes;
};

void TestDialogs::init()
{
    FPackage = std::make_unique<TPackageScope>();
    FDb = std::make_unique<tovlet::test::TTestDatabase>(true);
    RegisterPatient();
    pelvar::AuthManager().Grant(QStringLiteral("acDialog.acOK"));
    pelvar::AuthManager().Grant(QStringLiteral("acDialog.acCancel"));
    FMessages.clear();
    FAnswer = marvok::mrYes;
    marvok::SetMessageDlgResponder([this](const QString &text, marvok::TMsgDlgType, marvok::TMsgDlgButtons) {
        FMessages << text;
        return FAnswer;
    });
}

void TestDialogs::cleanup()
{
    marvok::SetMessageDlgResponder({});
    pelvar::GlobalDictionary().CollectGarbage();
    QCOMPARE(pelvar::GlobalDictionary().Count(), 0);
    FDb.reset();
    FPackage.reset();
}

void TestDialogs::keysAndButtons_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("result"); // -1: the dialog stays open
    QTest::addColumn<QStringList>("messages");
    const int accepted = QDialog::Accepted, rejected = QDialog::Rejected;
    QTest::newRow("OK button") << "" << "ok" << accepted << QStringList();
    QTest::newRow("Cancel button") << "" << "cancel" << rejected << QStringList();
    QTest::newRow("Escape") << "" << "escape" << rejected << QStringList();
    QTest::newRow("Alt+O then space") << "" << "alt-o" << accepted << QStringList();
    QTest::newRow("Escape with Cancel disabled") << "cancel disabled" << "escape" << -1 << QStringList();
    QTest::newRow("Escape switched off") << "escape off" << "escape" << -1 << QStringList();
    QTest::newRow("OK without the right") << "acOK" << "ok" << -1 << QStringList{QStringLiteral("Akcija OK ni dovoljena!")};
    QTest::newRow("Cancel without the right, then Escape")
        << "acCancel" << "cancel escape" << -1 << QStringList(2, QStringLiteral("Akcija Prekliči ni dovoljena!"));
}

void TestDialogs::keysAndButtons()
{
    QFETCH(QString, setup);
    QFETCH(QString, keys);
    QFETCH(int, result);
    QFETCH(QStringList, messages);
    if (setup.startsWith(QLatin1String("ac")))
        pelvar::AuthManager().Grant(QStringLiteral("acDialog.") + setup, false);
    TdlgZDR dlg;
    QCOMPARE(dlg.btPreklici()->ModalResult(), int(marvok::mrCancel));
    auto *edit = new QLineEdit(dlg.paDialog());
    tovlet::test::TModalResponder responder;
    bool altOMovedToOK = false, stayedOpen = false;
    responder.Expect([&](QWidget *) {
        if (setup == QLatin1String("cancel disabled")) {
            dlg.acCancel()->setEnabled(false);
            QVERIFY(!dlg.btPreklici()->isEnabled());
        } else if (setup == QLatin1String("escape off")) {
            dlg.setAiEscapeEnabled(false);
        }
        edit->setFocus();
        for (const QString &key : keys.split(QLatin1Char(' '))) {
            if (key == QLatin1String("ok"))
                QTest::mouseClick(dlg.btOK(), Qt::LeftButton);
            else if (key == QLatin1String("cancel"))
                QTest::mouseClick(dlg.btPreklici(), Qt::LeftButton);
            else if (key == QLatin1String("escape"))
                QTest::keyClick(edit, Qt::Key_Escape);
            else {
                QTest::keyClick(edit, Qt::Key_O, Qt::AltModifier);
                // Alt+O only moves to OK: the dialog stays and the letter does not go into the edit.
                altOMovedToOK = dlg.btOK()->hasFocus() && dlg.isVisible() && edit->text().isEmpty();
                QTest::keyClick(dlg.btOK(), Qt::Key_Space);
            }
        }
        stayedOpen = dlg.isVisible();
        dlg.hide();
    });
    const int shown = dlg.ShowModal();
    QVERIFY(responder.Unexpected().isEmpty());
    QCOMPARE(stayedOpen, result < 0);
    if (result >= 0) {
        QCOMPARE(shown, result);
        QCOMPARE(dlg.OK(), result == QDialog::Accepted);
    }
    QCOMPARE(altOMovedToOK, keys == QLatin1String("alt-o"));
    QCOMPARE(FMessages, messages);
}

void TestDialogs::recordDialogAsksBeforeClosing_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("saved");
    QTest::addColumn<int>("cancelled");
    QTest::addColumn<bool>("open");
    QTest::newRow("yes saves") << int(marvok::mrYes) << 1 << 0 << false;
    QTest::newRow("no drops") << int(marvok::mrNo) << 0 << 1 << false;
    QTest::newRow("cancel stays") << int(marvok::mrCancel) << 0 << 0 << true;
}

void TestDialogs::recordDialogAsksBeforeClosing()
{
    QFETCH(int, answer);
    QFETCH(int, saved);
    QFETCH(int, cancelled);
    QFETCH(bool, open);
    FAnswer = answer;
    TRecordDialog dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.Edit->setFocus();
    QTest::keyClicks(dlg.Edit, QStringLiteral("spremenjeno"));
    QVERIFY(dlg.GetDataModified());
    dlg.close();
    QCOMPARE(FMessages, QStringList{QStringLiteral("Podatki so bili spremenjeni! Naj shranim spremembe?")});
    QCOMPARE(dlg.Saved, saved);
    QCOMPARE(dlg.Cancelled, cancelled);
    QCOMPARE(dlg.isVisible(), open);
    QCOMPARE(dlg.OK(), answer == marvok::mrYes);

    // OK saves first and asks nothing.
    if (open) {
        FMessages.clear();
        QTest::mouseClick(dlg.btOK(), Qt::LeftButton);
        QCOMPARE(dlg.Saved, 1);
        QVERIFY(FMessages.isEmpty());
        QVERIFY(!dlg.isVisible());
    }
}

void TestDialogs::readOnlyRecordDialogShowsItsLabel()
{
    TRecordDialog dlg;
    auto *dbEdit = new marvok::TIDBEdit(dlg.paDialog());
    dlg.SetReadOnly(true);
    QVERIFY(!dbEdit->isEnabled());
    QVERIFY(!dlg.laReadOnly()->isHidden());
    QCOMPARE(dlg.laReadOnly()->text(), QStringLiteral("spreminjanja ni"));
    dlg.SetReadOnly(false);
    QVERIFY(dbEdit->isEnabled());
    QVERIFY(dlg.laReadOnly()->isHidden());
}

void TestDialogs::objectDialogMarksUnsavedChangesAndSaves()
{
    auto obj = LoadPatient(1);
    {
        TdlgZdrBoEdit dlg;
        dlg.SetBoPerObject(obj.get());
        QVERIFY(!dlg.btOK()->font().bold());
        obj->SetAttrAsText(QStringLiteral("TELEFON"), QStringLiteral("041 999 999"));
        QVERIFY(dlg.btOK()->font().bold());
        QCOMPARE(dlg.btOK()->palette().color(QPalette::ButtonText), QColor(128, 0, 0));
        tovlet::test::TModalResponder responder;
        responder.Expect([&](QWidget *) { QTest::mouseClick(dlg.btOK(), Qt::LeftButton); });
        QCOMPARE(dlg.ShowModal(), int(QDialog::Accepted));
        QVERIFY(FMessages.isEmpty());
    }
    QVERIFY(!obj->IsModified());
    QCOMPARE(Stored(QStringLiteral("TELEFON")), QStringLiteral("041 999 999"));
    QCOMPARE(obj->ObserverCount(), 0); // the dialog let go of its notifier
}

void TestDialogs::objectDialogAsksBeforeClosing_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<bool>("open");
    QTest::newRow("yes keeps the edits") << int(marvok::mrYes) << "031 000 000" << false;
    QTest::newRow("no drops them") << int(marvok::mrNo) << "041 123 456" << false;
    QTest::newRow("cancel stays open") << int(marvok::mrCancel) << "031 000 000" << true;
}

void TestDialogs::objectDialogAsksBeforeClosing()
{
    QFETCH(int, answer);
    QFETCH(QString, phone);
    QFETCH(bool, open);
    FAnswer = answer;
    auto obj = LoadPatient(1);
    TdlgZdrBoEdit dlg;
    dlg.SetBoPerObject(obj.get());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    obj->SetAttrAsText(QStringLiteral("TELEFON"), QStringLiteral("031 000 000"));
    dlg.close();
    QCOMPARE(FMessages, QStringList{QStringLiteral("Podatki so bili spremenjeni. Naj jih shranim?")});
    QCOMPARE(obj->GetAttrAsText(QStringLiteral("TELEFON")), phone);
    QCOMPARE(dlg.isVisible(), open);
    obj->CancelData();
    // Cancel is explicit: no question.
    FMessages.clear();
    obj->SetAttrAsText(QStringLiteral("TELEFON"), QStringLiteral("x"));
    dlg.show();
    QTest::mouseClick(dlg.btPreklici(), Qt::LeftButton);
    QVERIFY(FMessages.isEmpty());
    // "x" is dropped; what the close question kept stands.
    QCOMPARE(obj->GetAttrAsText(QStringLiteral("TELEFON")), answer == marvok::mrYes ? phone : QStringLiteral("041 123 456"));
    QCOMPARE(dlg.BoPerObject(), nullptr);
    obj->Refresh();
}

void TestDialogs::failedSaveKeepsTheDialogAndWhatWasTyped_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QString>("nameAfter"); // the first name the dialog's object holds afterwards
    QTest::newRow("required field emptied") << "required" << int(marvok::mrOk) << false << "Marija";
    QTest::newRow("read-only database") << "read-only" << int(marvok::mrOk) << false << "Marija";
    QTest::newRow("saved elsewhere, user saves over it") << "elsewhere" << int(marvok::mrYes) << true << "Marija";
    QTest::newRow("saved elsewhere, user takes theirs") << "elsewhere" << int(marvok::mrNo) << false << "Ana";
    QTest::newRow("saved elsewhere, user stays") << "elsewhere" << int(marvok::mrCancel) << false << "Marija";
}

void TestDialogs::failedSaveKeepsTheDialogAndWhatWasTyped()
{
    QFETCH(QString, fault);
    QFETCH(int, answer);
    QFETCH(bool, closes);
    QFETCH(QString, nameAfter);
    const bool pg = tovlet::test::TTestDatabase::UsePostgres();
    auto obj = LoadPatient(1);
    const QString theirName = obj->GetAttrAsText(QStringLiteral("IME"));
    obj->SetAttrAsText(QStringLiteral("IME"), QStringLiteral("Marija"));
    if (fault == QLatin1String("required"))
        obj->SetAttrAsText(QStringLiteral("PRIIMEK"), QString());
    else if (fault == QLatin1String("read-only"))
        pelvar::ExecSql(pg ? QStringLiteral("SET default_transaction_read_only = on") : QStringLiteral("PRAGMA query_only = 1"));
    else {
        {
            QSqlQuery q(FDb->OpenSecondConnection());
            QVERIFY(q.exec(pg ? QStringLiteral("update QDAT.PACIENT set TELEFON = '041 999 999', DATUM_IPL = now() where ID = 1")
                              : QStringLiteral("update QDAT.PACIENT set TELEFON = '041 999 999', DATUM_IPL = '2026-12-06 07:00:00' where ID = 1")));
        }
        tovlet::test::TTestDatabase::CloseSecondConnection();
    }
    FAnswer = answer;
    bool openAfterOK = false, okAfterOK = false;
    QString nameSeen;
    {
        TdlgZdrBoEdit dlg;
        dlg.SetBoPerObject(obj.get());
        tovlet::test::TModalResponder responder;
        responder.Expect([&](QWidget *) {
            QTest::mouseClick(dlg.btOK(), Qt::LeftButton);
            openAfterOK = dlg.isVisible();
            okAfterOK = dlg.OK();
            nameSeen = obj->GetAttrAsText(QStringLiteral("IME"));
            if (openAfterOK)
                QTest::mouseClick(dlg.btPreklici(), Qt::LeftButton);
        });
        dlg.ShowModal();
        dlg.SetBoPerObject(nullptr);
    }
    QCOMPARE(!openAfterOK, closes);
    QCOMPARE(okAfterOK, closes);
    QCOMPARE(nameSeen, nameAfter == QLatin1String("Ana") ? theirName : nameAfter);
    QCOMPARE(FMessages.size(), 1);
    if (fault != QLatin1String("elsewhere"))
        QVERIFY2(FMessages.first().endsWith(QStringLiteral("Vaši vnosi so ostali v oknu.")), qPrintable(FMessages.first()));
    else
        QVERIFY2(FMessages.first().startsWith(QStringLiteral("Zapis je medtem spremenil drug uporabnik.")), qPrintable(FMessages.first()));
    QVERIFY(!FMessages.first().contains(QLatin1String("SQL")));
    if (fault == QLatin1String("read-only"))
        pelvar::ExecSql(pg ? QStringLiteral("SET default_transaction_read_only = off") : QStringLiteral("PRAGMA query_only = 0"));
    if (fault == QLatin1String("elsewhere")) // the other workstation's telephone is never lost
        QCOMPARE(Stored(QStringLiteral("TELEFON")), QStringLiteral("041 999 999"));
    QCOMPARE(Stored(QStringLiteral("IME")), closes ? QStringLiteral("Marija") : theirName);
    // Cancelled after all: the shared object holds no unsaved name for other windows.
    QVERIFY(!obj->IsModified());
    QCOMPARE(obj->GetAttrAsText(QStringLiteral("IME")), closes ? QStringLiteral("Marija") : theirName);
}

void TestDialogs::lockHeldElsewhereShowsPleaseWaitAndEscapeGivesUp()
{
    // Another workstation is in the middle of changing the same patient.
    const bool pg = tovlet::test::TTestDatabase::UsePostgres();
    auto obj = LoadPatient(1);
    QSqlDatabase b = FDb->OpenSecondConnection();
    QSqlQuery hold(b);
    QVERIFY(hold.exec(pg ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")));
    QVERIFY(hold.exec(QStringLiteral("update QDAT.PACIENT set KZZ = KZZ where ID = 1")));
    bool windowShown = false;
    QTimer::singleShot(800, [&] {
        windowShown = PleaseWaitDialog() && PleaseWaitDialog()->isVisible();
        QTest::keyClick(PleaseWaitDialog() ? static_cast<QWidget *>(PleaseWaitDialog()) : QApplication::activeWindow(), Qt::Key_Escape);
    });
    obj->SetAttrAsText(QStringLiteral("TELEFON"), QStringLiteral("041 777 888"));
    QElapsedTimer t;
    t.start();
    try {
        obj->SaveData();
        QFAIL("the save went through a lock held elsewhere");
    } catch (const pelvar::EplError &e) {
        QCOMPARE(int(e.Kind()), int(pelvar::TplErrorKind::ekLocked));
    }
    QVERIFY(windowShown);
    QVERIFY2(t.elapsed() < MaxLockWaitMs, qPrintable(QString::number(t.elapsed()))); // Escape ended it
    QVERIFY(!PleaseWaitDialog() || !PleaseWaitDialog()->isVisible());
    QVERIFY(hold.exec(QStringLiteral("COMMIT")));
    hold = QSqlQuery();
    b = QSqlDatabase();
    tovlet::test::TTestDatabase::CloseSecondConnection();
    obj->SaveData(); // the typed number was kept and goes in now
    QCOMPARE(Stored(QStringLiteral("TELEFON")), QStringLiteral("041 777 888"));
}

void TestDialogs::readOnlyObjectDisablesOK()
{
    auto obj = LoadPatient(2);
    obj->SetReadOnly(true);
    TdlgZdrBoEdit dlg;
    dlg.SetBoPerObject(obj.get());
    QVERIFY(!dlg.btOK()->isEnabled());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTest::mouseClick(dlg.btOK(), Qt::LeftButton);
    QVERIFY(dlg.isVisible());
    obj->SetReadOnly(false); // the dialog hears it
    QVERIFY(dlg.btOK()->isEnabled());
    dlg.SetBoPerObject(nullptr);
    QVERIFY(dlg.btOK()->isEnabled());
}

void TestDialogs::requiredFieldsAreTinted()
{
    QWidget form;
    auto *name = new QLineEdit(&form);
    name->setObjectName(QStringLiteral("edPriimek"));
    auto *blank = new QLineEdit(QStringLiteral("   "), &form);
    blank->setObjectName(QStringLiteral("edIme"));
    auto *date = new QLineEdit(&form);
    date->setObjectName(QStringLiteral("edRojen"));
    date->setInputMask(QStringLiteral("99.99.9999; "));
    auto *memo = new QPlainTextEdit(QStringLiteral("opomba"), &form);
    memo->setObjectName(QStringLiteral("meOpomba"));
    auto *label = new QLabel(&form); // shows a text, but nobody types into it
    label->setObjectName(QStringLiteral("laObvezno"));
    const QStringList names{"edPriimek", "edIme", "edRojen", "meOpomba", "laObvezno", "niTakega"};
    TdlgZDR::MarkRequiredComponents(&form, names);
    QCOMPARE(marvok::ControlColor(name), RequiredColor);
    QCOMPARE(marvok::ControlColor(blank), RequiredColor);
    QCOMPARE(marvok::ControlColor(date), RequiredColor);
    QVERIFY(marvok::ControlColor(memo) != RequiredColor);
    QCOMPARE(marvok::ControlColor(label), toolkit::clWindow);
    QCOMPARE(name->palette().color(QPalette::Base), QColor(255, 234, 234));
    name->setText(QStringLiteral("Novak"));
    date->setText(QStringLiteral("05122026"));
    marvok::SetControlColor(blank, toolkit::clYellow); // someone else's colour stays
    blank->setText(QStringLiteral("Ana"));
    TdlgZDR::MarkRequiredComponents(&form, names);
    QCOMPARE(marvok::ControlColor(name), toolkit::clWindow);
    QCOMPARE(marvok::ControlColor(date), toolkit::clWindow);
    QCOMPARE(marvok::ControlColor(blank), toolkit::clYellow);
}

void TestDialogs::requiredHostEditorsAreTintedAsShown_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind : {"text edit", "combo box", "editable combo box", "date edit", "code entry"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void TestDialogs::requiredHostEditorsAreTintedAsShown()
{
    QFETCH(QString, kind);
    QWidget form;
    QWidget *c = nullptr;
    std::function<void()> fill, empty;
    if (kind == QLatin1String("text edit")) {
        auto *e = new QTextEdit(&form);
        c = e;
        fill = [e] { e->setPlainText(QStringLiteral("alergija na penicilin")); };
        empty = [e] { e->setPlainText(QStringLiteral("  ")); };
    } else if (kind.endsWith(QLatin1String("combo box"))) {
        auto *e = new QComboBox(&form);
        e->setEditable(kind.startsWith(QLatin1String("editable")));
        e->addItems({QString(), QStringLiteral("ZZZS"), QStringLiteral("Vzajemna")});
        c = e;
        fill = [e] { e->setCurrentIndex(1); };
        empty = [e] { e->setCurrentIndex(0); };
    } else if (kind == QLatin1String("date edit")) {
        auto *e = new QDateEdit(&form);
        e->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        e->setSpecialValueText(QStringLiteral(" "));
        e->setMinimumDate(QDate(1900, 1, 1));
        c = e;
        fill = [e] { e->setDate(QDate(1984, 3, 12)); };
        empty = [e] { e->setDate(e->minimumDate()); };
    } else {
        auto *e = new marvok::TISifra(&form);
        e->setAiSifrant(QStringLiteral("SPOL"));
        c = e;
        fill = [e] { e->SetText(QStringLiteral("M")); };
        empty = [e] { e->SetText(QString()); };
    }
    c->setObjectName(QStringLiteral("edObvezno"));
    (new QVBoxLayout(&form))->addWidget(c);
    form.resize(300, 120);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    empty();
    TdlgZDR::MarkRequiredComponents(&form, {QStringLiteral("edObvezno")});
    QCOMPARE(marvok::ControlColor(c), RequiredColor);
    // The tint is what the user sees, where the value is shown.
    QWidget *shown = marvok::ColorTarget(c);
    const QColor pixel = shown->grab().toImage().pixelColor(8, shown->height() / 2);
    // A combo box without an edit shades its face; the tint is still red over green and blue.
    QVERIFY2(pixel.red() >= 245 && pixel.red() - pixel.green() >= 5 && qAbs(pixel.green() - pixel.blue()) <= 2, qPrintable(pixel.name()));
    fill();
    TdlgZDR::MarkRequiredComponents(&form, {QStringLiteral("edObvezno")});
    QCOMPARE(marvok::ControlColor(c), toolkit::clWindow);
    // A tint the host gave by its own palette is read as shown, too.
    QWidget *target = marvok::ColorTarget(c);
    QPalette pal = target->palette();
    pal.setColor(qobject_cast<QComboBox *>(target) && !static_cast<QComboBox *>(target)->isEditable() ? QPalette::Button : QPalette::Base,
                 QColor(255, 234, 234));
    target->setPalette(pal);
    QCOMPARE(marvok::ControlColor(c), RequiredColor);
    TdlgZDR::MarkRequiredComponents(&form, {QStringLiteral("edObvezno")});
    QCOMPARE(marvok::ControlColor(c), toolkit::clWindow);
}

void TestDialogs::okStopsWhenTheFocusedEditorRefusesItsText()
{
    toolkit::TMemDataSet ds;
    ds.AddFieldDef(QStringLiteral("TEZA"), toolkit::TFieldType::ftInteger);
    ds.Open();
    ds.AppendRecord({72});
    toolkit::TDataSource src;
    src.SetDataSet(&ds);
    TdlgZDR dlg;
    auto *edit = new marvok::TIDBEdit(dlg.paDialog());
    (new QVBoxLayout(dlg.paDialog()))->addWidget(edit);
    edit->SetDataSource(&src);
    edit->SetDataField(QStringLiteral("TEZA"));
    tovlet::test::TModalResponder responder;
    bool stayedOpen = false;
    QString keptText;
    responder.Expect([&](QWidget *) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("abc"));
        QTest::mouseClick(dlg.btOK(), Qt::LeftButton);
        stayedOpen = dlg.isVisible() && !dlg.OK();
        keptText = edit->text();
        // Corrected, OK goes ahead.
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("74"));
        QTest::mouseClick(dlg.btOK(), Qt::LeftButton);
    });
    QCOMPARE(dlg.ShowModal(), int(QDialog::Accepted));
    QVERIFY(stayedOpen);
    QCOMPARE(keptText, QStringLiteral("abc"));
    QCOMPARE(FMessages.size(), 1); // one report for one press of OK
    QVERIFY(dlg.OK());
    QCOMPARE(ds.FieldByName(QStringLiteral("TEZA"))->AsInteger(), 74);
}

void TestDialogs::destroyHookRunsWhileTheHostDialogIsWhole_data()
{
    QTest::addColumn<QString>("how");
    for (const char *how : {"Free", "deleteLater", "close with delete on close", "parent destroyed", "dialog pointer"})
        QTest::newRow(how) << QString::fromLatin1(how);
}

void TestDialogs::destroyHookRunsWhileTheHostDialogIsWhole()
{
    QFETCH(QString, how);
    QStringList log;
    if (how == QLatin1String("Free")) {
        (new THostDialog(&log))->Free();
    } else if (how == QLatin1String("deleteLater")) {
        QPointer<THostDialog> d = new THostDialog(&log);
        d->deleteLater();
        QTRY_VERIFY(d.isNull());
    } else if (how == QLatin1String("close with delete on close")) {
        QPointer<THostDialog> d = new THostDialog(&log);
        d->setAttribute(Qt::WA_DeleteOnClose);
        d->ShowNonModal();
        QVERIFY(QTest::qWaitForWindowExposed(d));
        QTest::mouseClick(d->btPreklici(), Qt::LeftButton);
        QTRY_VERIFY(d.isNull());
    } else if (how == QLatin1String("parent destroyed")) {
        auto *window = new QWidget;
        new THostDialog(&log, window);
        delete window;
    } else {
        auto d = MakeDialog<THostDialog>(&log);
        QCOMPARE(TdlgZDR::GetFormList().size(), 1);
    }
    QCOMPARE(log, QStringList{QStringLiteral("host part whole")});
    QVERIFY(TdlgZDR::GetFormList().isEmpty());
}

void TestDialogs::closeAllDialogsClosesLastFirst_data()
{
    QTest::addColumn<bool>("againFromAClose");
    QTest::newRow("once") << false;
    // The host's close path asks for every dialog to close while the sweep runs.
    QTest::newRow("again from a dialog's close joins the sweep") << true;
}

void TestDialogs::closeAllDialogsClosesLastFirst()
{
    QFETCH(bool, againFromAClose);
    // Should the sweep hang, fail loudly instead of waiting for the suite's timeout.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, [] { qFatal("CloseAllDialogs hangs"); });
    watchdog.start(15000);
    QStringList closed;
    bool innerReturned = false;
    QList<QPointer<TdlgZDR>> dialogs;
    for (const char *name : {"prvi", "drugi", "tretji"}) {
        auto *d = new TdlgZDR;
        d->setObjectName(QString::fromLatin1(name));
        d->ShowNonModal();
        connect(d, &QDialog::finished, d, [&closed, &innerReturned, againFromAClose, d] {
            closed << d->objectName();
            if (againFromAClose && d->objectName() == QLatin1String("tretji")) {
                TdlgZDR::CloseAllDialogs();
                innerReturned = true;
            }
        });
        dialogs << d;
    }
    QCOMPARE(TdlgZDR::GetFormList().size(), 3);
    QElapsedTimer t;
    t.start();
    TdlgZDR::CloseAllDialogs();
    const qint64 ms = t.elapsed();
    QCOMPARE(innerReturned, againFromAClose);
    QCOMPARE(closed, (QStringList{"tretji", "drugi", "prvi"}));
    QVERIFY(TdlgZDR::GetFormList().isEmpty());
    if (!againFromAClose) // one dialog a second
        QVERIFY2(ms >= 2900 && ms < 5000, qPrintable(QString::number(ms)));
    QVERIFY(!TdlgZDR::SweepRunning());
    for (const auto &d : dialogs)
        delete d.data();
}

void TestDialogs::registryShowsHidesAndZips()
{
    auto *a = new TdlgZDR;
    auto *b = new TdlgZDR;
    a->ShowNonModal();
    b->ShowNonModal();
    b->SetKeepHidden(true);
    TdlgZDR::SetVisible(false);
    QVERIFY(!a->isVisible() && !b->isVisible());
    QVERIFY(!marvok::FbNonModalDialogListSettingVisibility); // raised only while it works
    TdlgZDR::SetVisible(true);
    QVERIFY(a->isVisible());
    QVERIFY(!b->isVisible()); // keeps itself hidden
    TdlgZDR::CloseLastDialog();
    QCOMPARE(TdlgZDR::GetFormList(), QList<TdlgZDR *>{a});
    a->SizeFullExpand();
    const QRect work = a->GetProperWorkareaRect();
    QCOMPARE(a->geometry(), QRect(work.left() + 10, work.top() + 10, work.width() - 20, work.height() - 20));
    TdlgZDR::UnregisterAll(); // frees a
    QVERIFY(TdlgZDR::GetFormList().isEmpty());
    delete b;

    if (marvok::SevenZipProgram().isEmpty())
        return;
    QTemporaryDir dir;
    for (const char *name : {"a.log", "b.log", "c.txt"}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(name);
    }
    TdlgZDR::Zip(dir.filePath(QStringLiteral("*.log")), QStringLiteral("dnevniki.zip"));
    QStringList entries = marvok::TAbZipArchive::List(dir.filePath(QStringLiteral("dnevniki.zip")));
    entries.sort();
    QCOMPARE(entries, (QStringList{"a.log", "b.log"}));
}

void TestDialogs::environmentRules()
{
    QObject first, second;
    TEnvChild single;
    single.SetEnvironment(&first);
    single.SetEnvironment(&first); // the same object: nothing
    QCOMPARE(single.Initialized, 1);
    QCOMPARE(single.Changed, 0);
    try {
        single.SetEnvironment(&second);
        QFAIL("no exception");
    } catch (const ChangeEnvironmentException &e) {
        QCOMPARE(e.Message(), QStringLiteral("TICustomZdrEnvironmentChild.InternalSetEnvironment: Cannot change environment for edDependentSingle form!"));
    }
    QCOMPARE(single.Environment(), &first);
    TEnvChild multiple;
    multiple.SetDependentType(TIEnvironmentDependencyType::edDependentMultiple);
    multiple.SetEnvironment(&first);
    multiple.SetEnvironment(&second);
    QCOMPARE(multiple.Initialized, 1);
    QCOMPARE(multiple.Changed, 1);
    QCOMPARE(multiple.Environment(), &second);
}

void TestDialogs::childFormsKeepParametersAndTellTheirParent()
{
    SetMireloAFParametersClass([](QObject *owner) { return new TIDbAFParameters(owner); });
    TParentChild parent;
    TICustomZdrChildForm child;
    child.SetParentChildForm(&parent);
    auto *pc = new marvok::TIPageControl(&child);
    pc->setObjectName(QStringLiteral("pcMain"));
    pc->addTab(new QWidget, QStringLiteral("Obravnava"));
    // A form embedded in the child's tab sheet owns its page control: the
    // child does not code it as its own.
    auto *embedded = new marvok::TITabSheetForm;
    auto *inner = new marvok::TIPageControl(embedded);
    inner->setObjectName(QStringLiteral("pcInner"));
    embedded->EmbedInto(pc->widget(0));
    child.show();
    QVERIFY(QTest::qWaitForWindowExposed(&child));
    QCOMPARE(pc->PageControlCode(), QStringLiteral("pcMain.TICustomZdrChildForm"));
    QCOMPARE(inner->PageControlCode(), QString());
    QString value = QStringLiteral("nespremenjeno");
    child.ParameterGet(QStringLiteral("Sirina"), value);
    QCOMPARE(value, QStringLiteral("nespremenjeno"));
    child.ParameterSet(QStringLiteral("Sirina"), QStringLiteral("640"));
    child.ParameterGet(QStringLiteral("Sirina"), value);
    QCOMPARE(value, QStringLiteral("640"));
    child.accept();
    QCOMPARE(parent.Closed, QList<int>{QDialog::Accepted});
    delete IMireloAFParameters();
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
