// TIQuery: the query of the utility library on a named connection (the
// application's "_ZDR" by default): a data set over its result with named
// parameters, or a statement run with ExecSQL. Every run reports to
// IDBStatistics once, as every statement does (see Igl.h): the statement (a
// procedure call as such), each parameter as "name=value", the time taken.
#pragma once

#include "marvok/marvok_export.h"
#include "toolkit/SqlDataSet.h"

namespace marvok {

class MARVOK_EXPORT TIQuery : public toolkit::TSqlDataSet
{
    Q_OBJECT
public:
    explicit TIQuery(QObject *owner = nullptr, const QString &connectionName = QStringLiteral("_ZDR"));

    // Appends a line to the statement.
    void AddSQL(const QString &line);
    // Calls a stored procedure written as the database names it
    // ("QDAT.PCKPACIENT.ARHIVIRAJ"), with positional arguments; reported as a
    // procedure call. Returns the function's value where the database gives one.
    QVariant ExecProc(const QString &procedure, const QVariantList &args = {});

    // How the statistics report this query's statements: stStatement, or
    // stStoredProc while ExecProc runs.
    int StatType() const { return FStatType; }

private:
    int FStatType = 0;
};

// The first column of the first row of `sql`, or `defaultValue` when there is no row.
MARVOK_EXPORT QVariant GetValueFromQuery(const QString &sql, const QVariant &defaultValue = {},
                                         const QString &connectionName = QStringLiteral("_ZDR"));

// The name of a result column to read (GetValueFromQuery(sql, TIQueryColumn("SIFR1120"))):
// a type of its own, so that a text meant as the default value is never
// taken for a column name.
struct TIQueryColumn
{
    explicit TIQueryColumn(QString name) : Name(std::move(name)) {}
    QString Name;
};

// The named column of the first row of `sql` (a "select *" too), or
// `defaultValue` when there is no row. Names compare without regard to case
// (the databases differ in the case they report); a column the result does
// not have is a programming error (EDatabaseError), row or no row.
MARVOK_EXPORT QVariant GetValueFromQuery(const QString &sql, const TIQueryColumn &column, const QVariant &defaultValue = {},
                                         const QString &connectionName = QStringLiteral("_ZDR"));

} // namespace marvok
