// Views: a query over one class's table with a condition and an order, read
// through a data set; TplViewPerObject also gives the business object behind
// the current record: the dictionary's live object when there is one, else
// one built from the row the data set has already read (no statement per
// row), held by the view until it closes.
#pragma once

#include "plList.h"

#include "toolkit/SqlDataSet.h"

#include <QDateTime>

namespace pelvar {

class PELVAR_EXPORT TplView : public TplDomainObject
{
public:
    explicit TplView(TPlClassMetaData *meta, QString connectionName = DefaultConnection);
    ~TplView() override;

    QString ClassName() const override { return QStringLiteral("TplView"); }
    TplProvider *GetProvider() const { return FMeta->Provider(); }
    TPlClassMetaData *ClassMetaData() const { return FMeta; }

    // SQL condition (without "where") and order (without "order by"). Values
    // typed by users belong in QuotedStr.
    QString GetCondition() const { return FCondition; }
    void SetCondition(const QString &condition) { FCondition = condition; }
    QString GetOrder() const { return FOrder; }
    void SetOrder(const QString &order) { FOrder = order; }
    QString SelectSql() const;

    void Open();
    void Close();
    void Refresh();
    bool GetActive() const { return FDataSet->Active(); }
    toolkit::TSqlDataSet *GetDataSet() const { return FDataSet.get(); }
    int GetPosition() const { return FDataSet->RecNo(); }
    void SetPosition(int recNo) { FDataSet->SetRecNo(recNo); }
    void DisableControls() { FDataSet->DisableControls(); }
    void EnableControls() { FDataSet->EnableControls(); }

    // IDs of the records the user marked; empty when none.
    QList<qint64> GetSelection() const { return FSelection; }
    void SetSelection(const QList<qint64> &ids) { FSelection = ids; }

    QDateTime LastRefreshTime() const { return FLastRefresh; }
    // Objects of the class were added or deleted since the view was read.
    bool GetNeedToRefresh() const override;

protected:
    virtual void Closing() {}
    TPlClassMetaData *FMeta;

private:
    std::unique_ptr<toolkit::TSqlDataSet> FDataSet;
    QString FCondition, FOrder;
    QList<qint64> FSelection;
    QDateTime FLastRefresh;
    quint64 FVersion = 0;
};

class PELVAR_EXPORT TplViewPerObject : public TplView
{
public:
    explicit TplViewPerObject(TPlClassMetaData *meta, QString connectionName = DefaultConnection);
    ~TplViewPerObject() override;
    QString ClassName() const override { return QStringLiteral("TplViewPerObject"); }

    // The object of the current record; nullptr without one.
    TplPerObject *GetPerObject();
    // The object of record `recIndex` (0-based); O(1) for records fetched before.
    TplPerObject *GetPerObjectAt(int recIndex);
    // The objects fetched so far; the view holds them.
    TPlCustomBoList *FetchedObjects() const { return FFetched; }

protected:
    void Closing() override;

private:
    TPlCustomBoList *FFetched = nullptr;
    // Which data-set field holds which attribute; made at the first fetch
    // after opening.
    std::unique_ptr<TplPerObject::TRecordMap> FRowMap;
};

} // namespace pelvar
