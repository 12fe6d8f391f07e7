// The benchmarks' patients: the class on QDAT.PACIENT and a table of many
// rows with Slovenian surnames, first names, birth dates, sex and card
// numbers, filled in one transaction.
#pragma once

#include "pelvar/plDatabase.h"
#include "pelvar/plMeta.h"

#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>

namespace bench {

// Opens the embedded database in `folder`, registers TPacient (with ZNESEK
// when `amount`) and fills `rows` patients.
inline void PreparePatients(const QString &folder, int rows, bool amount)
{
    using namespace pelvar;
    OpenSqliteConnection(folder + QStringLiteral("/main.sqlite"), folder + QStringLiteral("/qdat.sqlite"));
    auto meta = std::make_unique<TPlClassMetaData>(
        QStringLiteral("TPacient"), std::make_unique<TplProvider>(QStringLiteral("QDAT.PACIENT"), QStringLiteral("Pacient")));
    meta->AddAttribute({QStringLiteral("PRIIMEK"), QStringLiteral("Priimek"), TplAttrType::atString, 40})
        .AddAttribute({QStringLiteral("IME"), QStringLiteral("Ime"), TplAttrType::atString, 40})
        .AddAttribute({QStringLiteral("DATUM_ROJSTVA"), QStringLiteral("Datum rojstva"), TplAttrType::atDate})
        .AddAttribute({QStringLiteral("SPOL"), QStringLiteral("Spol"), TplAttrType::atString, 1})
        .AddAttribute({QStringLiteral("KZZ"), QStringLiteral("KZZ"), TplAttrType::atString, 9});
    if (amount)
        meta->AddAttribute({QStringLiteral("ZNESEK"), QStringLiteral("Znesek"), TplAttrType::atFloat});
    RegisterClassMetaData(std::move(meta));
    EnsureTables();
    static const char *surnames[] = {"Novak", "Horvat", "Kovačič", "Krajnc", "Zupančič", "Potočnik", "Kovač", "Mlakar"};
    QSqlDatabase db = Connection();
    if (!db.transaction())
        qFatal("cannot start the fill transaction: %s", qPrintable(db.lastError().text()));
    QSqlQuery q(db);
    q.prepare(amount ? QStringLiteral("insert into QDAT.PACIENT (ID, PRIIMEK, IME, DATUM_ROJSTVA, SPOL, KZZ, ZNESEK) values (?, ?, ?, ?, ?, ?, ?)")
                     : QStringLiteral("insert into QDAT.PACIENT (ID, PRIIMEK, IME, DATUM_ROJSTVA, SPOL, KZZ) values (?, ?, ?, ?, ?, ?)"));
    for (int i = 1; i <= rows; ++i) {
        q.addBindValue(i);
        q.addBindValue(QString(QString::fromUtf8(surnames[(qint64(i) * 7919) % 8]) + QString::number((qint64(i) * 104729) % 99991)));
        q.addBindValue(QStringLiteral("Ime%1").arg(i % 500));
        q.addBindValue(QStringLiteral("19%1-0%2-1%3 00:00:00").arg(10 + i % 90).arg(1 + i % 9).arg(i % 10));
        q.addBindValue(i % 2 ? QStringLiteral("M") : QStringLiteral("Z"));
        q.addBindValue(QString::number(100000000 + i));
        if (amount)
            q.addBindValue(i * 0.25);
        q.exec();
    }
    db.commit();
    std::fprintf(stderr, "prepared %d rows\n", rows);
}

} // namespace bench
