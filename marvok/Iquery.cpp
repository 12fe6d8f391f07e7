#include "Iquery.h"
#include "Igl.h"

#include "pelvar/plDatabase.h"
#include "toolkit/Exception.h"

namespace marvok {

TIQuery::TIQuery(QObject *owner, const QString &connectionName)
    : toolkit::TSqlDataSet(owner, connectionName)
{
}

void TIQuery::AddSQL(const QString &line)
{
    SetSQL(SQL().isEmpty() ? line : SQL() + QLatin1Char('\n') + line);
}

QVariant TIQuery::ExecProc(const QString &procedure, const QVariantList &args)
{
    if (!pelvar::IsSafeIdentifier(procedure.section(QLatin1Char('.'), -2), true)
        || procedure.count(QLatin1Char('.')) > 2)
        throw toolkit::EDatabaseError(QStringLiteral("TIQuery.ExecProc: invalid procedure name '%1'").arg(procedure));
    QStringList marks;
    ClearParams();
    for (int i = 0; i < args.size(); ++i) {
        marks << QStringLiteral(":p%1").arg(i + 1);
        SetParam(QStringLiteral("p%1").arg(i + 1), args.at(i));
    }
    Close();
    SetSQL(QStringLiteral("select %1(%2)").arg(procedure, marks.join(QStringLiteral(", "))));
    FStatType = stStoredProc;
    try {
        Open();
    } catch (...) {
        FStatType = stStatement;
        throw;
    }
    FStatType = stStatement;
    const QVariant r = IsEmpty() ? QVariant() : Fields(0)->Value();
    Close();
    return r;
}

QVariant GetValueFromQuery(const QString &sql, const QVariant &defaultValue, const QString &connectionName)
{
    TIQuery q(nullptr, connectionName);
    q.SetSQL(sql);
    q.Open();
    return q.IsEmpty() ? defaultValue : q.Fields(0)->Value();
}

QVariant GetValueFromQuery(const QString &sql, const TIQueryColumn &column, const QVariant &defaultValue, const QString &connectionName)
{
    TIQuery q(nullptr, connectionName);
    q.SetSQL(sql);
    q.Open();
    const toolkit::TField *field = q.FindField(column.Name.trimmed());
    if (!field)
        throw toolkit::EDatabaseError(QStringLiteral("GetValueFromQuery: the result has no column %1 (columns: %2) for: %3")
                                          .arg(column.Name, q.FieldNames().join(QStringLiteral(", ")), sql));
    return q.IsEmpty() ? defaultValue : field->Value();
}

} // namespace marvok
