#include "plView.h"

#include <QSqlField>
#include <QSqlRecord>

namespace pelvar {

TplView::TplView(TPlClassMetaData *meta, QString connectionName)
    : FMeta(meta)
    , FDataSet(std::make_unique<toolkit::TSqlDataSet>(nullptr, connectionName))
{
    FDataSet->setObjectName(meta->ClassName());
    FDataSet->SetKeyFields(QStringLiteral("ID"));
    FMeta->AddUser();
}

TplView::~TplView()
{
    FDataSet.reset();
    FMeta->ReleaseUser();
}

QString TplView::SelectSql() const
{
    QString sql = QStringLiteral("select * from %1").arg(FMeta->Provider()->GetTableName());
    if (!FCondition.trimmed().isEmpty())
        sql += QStringLiteral(" where (%1)").arg(FCondition);
    if (!FOrder.trimmed().isEmpty())
        sql += QStringLiteral(" order by %1").arg(FOrder);
    return sql;
}

void TplView::Open()
{
    if (GetActive())
        return;
    FDataSet->SetSQL(SelectSql());
    for (int i = 0; i < FMeta->AttrCount(); ++i)
        if (FMeta->Attr(i).IsDateType())
            FDataSet->SetFieldType(FMeta->Attr(i).Name, toolkit::TFieldType::ftDateTime);
    // The audit stamp stays as the database gives it: objects made from the
    // rows compare it with the stored row when they are saved.
    const QString datum = FMeta->Provider()->GetDatumIPLFieldName();
    if (!datum.isEmpty() && !FMeta->HasAttribute(datum))
        FDataSet->SetFieldType(datum, toolkit::TFieldType::ftString);
    FVersion = ClassVersion(FMeta->ClassName());
    FDataSet->Open();
    for (int i = 0; i < FMeta->AttrCount(); ++i)
        if (toolkit::TField *f = FDataSet->FindField(FMeta->Attr(i).Name))
            f->SetDisplayLabel(FMeta->Attr(i).Caption);
    FLastRefresh = QDateTime::currentDateTime();
}

void TplView::Close()
{
    Closing();
    FDataSet->Close();
}

void TplView::Refresh()
{
    if (!GetActive()) {
        Open();
        return;
    }
    // A changed condition or order needs the statement again.
    if (FDataSet->SQL() != SelectSql()) {
        Close();
        Open();
        return;
    }
    FVersion = ClassVersion(FMeta->ClassName());
    FDataSet->Refresh();
    FLastRefresh = QDateTime::currentDateTime();
}

bool TplView::GetNeedToRefresh() const
{
    return GetActive() && ClassVersion(FMeta->ClassName()) != FVersion;
}

TplViewPerObject::TplViewPerObject(TPlClassMetaData *meta, QString connectionName)
    : TplView(meta, std::move(connectionName))
{
    FFetched = Make<TPlCustomBoList>(this, meta, QStringLiteral("%1: fetched").arg(meta->ClassName()));
    FFetched->SetInternal(true);
}

TplViewPerObject::~TplViewPerObject()
{
    TPlCustomBoList *fetched = FFetched;
    FFetched = nullptr;
    fetched->Release(this);
}

void TplViewPerObject::Closing()
{
    FRowMap.reset();
    if (FFetched)
        FFetched->Clear();
}

TplPerObject *TplViewPerObject::GetPerObject()
{
    return GetActive() && !GetDataSet()->IsEmpty() ? GetPerObjectAt(GetDataSet()->CurrentIndex()) : nullptr;
}

TplPerObject *TplViewPerObject::GetPerObjectAt(int recIndex)
{
    if (!GetActive())
        return nullptr;
    toolkit::TSqlDataSet *ds = GetDataSet();
    if (!FRowMap) {
        toolkit::TField *idField = ds->FindField(QStringLiteral("ID"));
        if (!idField)
            throw EplError(QStringLiteral("TplViewPerObject.GetPerObject: the view of %1 has no ID column").arg(FMeta->ClassName()));
        QSqlRecord columns;
        for (int i = 0; i < ds->FieldCount(); ++i)
            columns.append(QSqlField(ds->Fields(i)->FieldName()));
        FRowMap = std::make_unique<TplPerObject::TRecordMap>(FMeta, columns);
    }
    const QVariant id = ds->RecordValue(recIndex, FRowMap->IDColumn);
    if (id.isNull())
        return nullptr;
    const int i = FFetched->IndexOfID(id.toLongLong());
    if (i >= 0)
        return FFetched->Get(i);
    // The row is in the data set already: the object is made from it.
    TplPerObject *o = TplPerObject::FromRow(
        *FRowMap, [ds, recIndex](int column) { return ds->RecordValue(recIndex, column); }, nullptr);
    FFetched->Add(o);
    o->Release(nullptr);
    return o;
}

} // namespace pelvar
