// The fault drill: what a clinic meets with several workstations on one
// database, walked through against a real database the way the demo uses
// it. Prints one line per scenario ("held: …" or "FAILED: …") and exits 1
// when any failed.
// The database holds the demo clinic's schema and patients.
//   fault_drill                          on the embedded database (SQLite)
//   fault_drill --postgres PORT [DIR]    on a test server on 127.0.0.1 (DIR:
//                                        its folder, for the restart scenario)
#include "TestDatabase.h"

#include "pelvar/plDatabase.h"
#include "pelvar/plMeta.h"
#include "pelvar/plObject.h"
#include "toolkit/Exception.h"
#include "tovlet/core/Tovlet.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>
#include <functional>

using namespace pelvar;

namespace {

int GFailed = 0;

void Scenario(const char *name, const std::function<QString()> &run)
{
    QString problem;
    try {
        problem = run();
    } catch (const std::exception &e) {
        problem = QStringLiteral("escaped: %1").arg(QString::fromUtf8(e.what()));
    }
    if (problem.isEmpty()) {
        std::printf("held: %s\n", name);
    } else {
        ++GFailed;
        std::printf("FAILED: %s: %s\n", name, qPrintable(problem));
    }
    std::fflush(stdout);
}

void RegisterPatient()
{
    UnregisterAllClasses();
    auto m = std::make_unique<TPlClassMetaData>(
        QStringLiteral("TPacient"), std::make_unique<TplProvider>(QStringLiteral("QDAT.PACIENT"), QStringLiteral("Pacient"),
                                                                 QStringLiteral("DATUM_IPL"), QStringLiteral("USER_IPL")));
    m->AddAttribute({QStringLiteral("PRIIMEK"), QStringLiteral("Priimek"), TplAttrType::atString, 40, {}, false, true})
        .AddAttribute({QStringLiteral("IME"), QStringLiteral("Ime"), TplAttrType::atString, 40, {}, false, true})
        .AddAttribute({QStringLiteral("TELEFON"), QStringLiteral("Telefon"), TplAttrType::atString, 20});
    RegisterClassMetaData(std::move(m));
}

QString Other(tovlet::test::TTestDatabase &db, const QString &sql)
{
    {
        QSqlQuery q(db.OpenSecondConnection());
        if (!q.exec(sql))
            return q.lastError().text();
    }
    tovlet::test::TTestDatabase::CloseSecondConnection();
    return {};
}

QString Value(tovlet::test::TTestDatabase &db, const QString &column, int id)
{
    return db.Scalar(QStringLiteral("select %1 from QDAT.PACIENT where ID = %2").arg(column).arg(id)).toString();
}

template <class F>
TplErrorKind KindOf(F &&f)
{
    try {
        f();
    } catch (const EplError &e) {
        return e.Kind();
    }
    return TplErrorKind(-1);
}

void Drill(tovlet::test::TTestDatabase &db, bool pg, const QString &pgDir)
{
    RegisterPatient();
    auto load = [](int id) { return TplRef<TplPerObject>::Adopt(TplPerObject::Load(QStringLiteral("TPacient"), id, nullptr)); };

    Scenario("another workstation's telephone is not reverted by this one's name", [&] {
        auto a = load(1);
        const QString stamp = pg ? QStringLiteral("now()") : QStringLiteral("'2030-01-01 08:00:00'");
        if (QString e = Other(db, QStringLiteral("update QDAT.PACIENT set TELEFON = '041 000 111', DATUM_IPL = %1 where ID = 1").arg(stamp)); !e.isEmpty())
            return e;
        a->SetAttrAsText(QStringLiteral("IME"), QStringLiteral("Vida"));
        if (KindOf([&] { a->SaveData(); }) != TplErrorKind::ekChanged)
            return QStringLiteral("the other save was not noticed");
        a->SaveData(true); // the user chose to keep their name
        return Value(db, QStringLiteral("TELEFON"), 1) == QLatin1String("041 000 111") && Value(db, QStringLiteral("IME"), 1) == QLatin1String("Vida")
                   ? QString()
                   : QStringLiteral("telephone %1, name %2").arg(Value(db, QStringLiteral("TELEFON"), 1), Value(db, QStringLiteral("IME"), 1));
    });

    Scenario("a patient deleted elsewhere is said, not a crash", [&] {
        {
            auto a = load(3);
            if (QString e = Other(db, QStringLiteral("delete from QDAT.PACIENT where ID = 3")); !e.isEmpty())
                return e;
            a->SetAttrAsText(QStringLiteral("TELEFON"), QStringLiteral("1"));
            if (KindOf([&] { a->SaveData(); }) != TplErrorKind::ekGone)
                return QStringLiteral("not told as deleted");
        }
        GlobalDictionary().CollectGarbage();
        return KindOf([&] { load(3); }) == TplErrorKind::ekGone ? QString() : QStringLiteral("opening the card again is not told as deleted");
    });

    Scenario("a read-only database keeps what was typed and says so in Slovenian", [&] {
        auto a = load(2);
        ExecSql(pg ? QStringLiteral("SET default_transaction_read_only = on") : QStringLiteral("PRAGMA query_only = 1"));
        a->SetAttrAsText(QStringLiteral("TELEFON"), QStringLiteral("02 222 22 22"));
        QString said;
        try {
            a->SaveData();
        } catch (const EplError &e) {
            said = e.UserMessage();
        }
        ExecSql(pg ? QStringLiteral("SET default_transaction_read_only = off") : QStringLiteral("PRAGMA query_only = 0"));
        if (!said.contains(QStringLiteral("samo za branje")))
            return QStringLiteral("said: %1").arg(said);
        a->SaveData();
        return Value(db, QStringLiteral("TELEFON"), 2) == QLatin1String("02 222 22 22") ? QString() : QStringLiteral("the typed number was lost");
    });

    Scenario("a lock held elsewhere is waited for, boundedly", [&] {
        auto a = load(4);
        QSqlDatabase b = db.OpenSecondConnection();
        QSqlQuery hold(b);
        hold.exec(pg ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
        if (!hold.exec(QStringLiteral("update QDAT.PACIENT set TELEFON = TELEFON where ID = 4")))
            return hold.lastError().text();
        a->SetAttrAsText(QStringLiteral("TELEFON"), QStringLiteral("04 444 44 44"));
        QElapsedTimer t;
        t.start();
        const TplErrorKind kind = KindOf([&] { a->SaveData(); });
        const qint64 waited = t.elapsed();
        hold.exec(QStringLiteral("ROLLBACK"));
        hold = QSqlQuery();
        b = QSqlDatabase();
        tovlet::test::TTestDatabase::CloseSecondConnection();
        if (kind != TplErrorKind::ekLocked)
            return QStringLiteral("not told as locked");
        if (waited > 12000)
            return QStringLiteral("waited %1 ms").arg(waited);
        a->SaveData();
        std::printf("      (waited %lld ms)\n", static_cast<long long>(waited));
        return QString();
    });

    if (!pg)
        return;
    Scenario("a terminated backend comes back with nvl and Oracle's to_date", [&] {
        QSqlQuery pid = ExecSql(QStringLiteral("select pg_backend_pid()"));
        pid.next();
        if (QString e = Other(db, QStringLiteral("select pg_terminate_backend(%1)").arg(pid.value(0).toInt())); !e.isEmpty())
            return e;
        QSqlQuery q = ExecSql(QStringLiteral("select nvl(null::integer, 7), to_char(to_date('06.12.2026 10:30', 'DD.MM.YYYY HH24:MI'), 'HH24:MI')"));
        q.next();
        return q.value(0).toInt() == 7 && q.value(1).toString() == QLatin1String("10:30") ? QString()
                                                                                         : QStringLiteral("nvl %1, time %2").arg(q.value(0).toString(), q.value(1).toString());
    });
    if (pgDir.isEmpty())
        return;
    Scenario("after a server restart saving works again", [&] {
        if (QProcess::execute(QStringLiteral(TOVLET_SOURCE_DIR "/scripts/pg-test-server.sh"),
                              {QStringLiteral("restart"), pgDir, qEnvironmentVariable("TOVLET_PG_PORT")}) != 0)
            return QStringLiteral("the server did not restart");
        auto a = load(5);
        a->SetAttrAsText(QStringLiteral("TELEFON"), QStringLiteral("05 555 55 55"));
        a->SaveData();
        return Value(db, QStringLiteral("TELEFON"), 5) == QLatin1String("05 555 55 55") ? QString() : QStringLiteral("not saved");
    });
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool pg = args.value(1) == QLatin1String("--postgres");
    if (pg) {
        qputenv("TOVLET_TEST_DB", "postgres");
        qputenv("TOVLET_PG_PORT", args.value(2).toLatin1());
    }
    tovlet::TPackageScope package;
    // Nobody is there to press Escape: the layer's own bound applies.
    pelvar::SetLockWaitHandler({});
    try {
        tovlet::test::TTestDatabase db(true);
        PerLayerSettings().CurrentUser = QStringLiteral("DRILL");
        std::printf("== %s\n", pg ? "PostgreSQL" : "SQLite");
        Drill(db, pg, pg ? args.value(3) : QString());
        GlobalDictionary().CollectGarbage();
    } catch (const std::exception &e) {
        std::printf("FAILED: the drill could not run: %s\n", e.what());
        return 1;
    }
    return GFailed == 0 ? 0 : 1;
}
