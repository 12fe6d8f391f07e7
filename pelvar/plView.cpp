#include "plView.h"

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
    toolkit::TField *idField = GetDataSet()->FindField(QStringLiteral("ID"));
    if (!idField)
        throw EplError(QStringLiteral("TplViewPerObject.GetPerObject: the view of %1 has no ID column").arg(FMeta->ClassName()));
    const QVariant id = GetDataSet()->RecordValue(recIndex, idField->Index());
    if (id.isNull())
        return nullptr;
    const int i = FFetched->IndexOfObjectWithAttrValue(QStringLiteral("ID"), id.toLongLong());
    if (i >= 0)
        return FFetched->Get(i);
    TplPerObject *o = TplPerObject::Load(FMeta, id.toLongLong(), nullptr);
    FFetched->Add(o);
    o->Release(nullptr);
    return o;
}

} // namespace pelvar
