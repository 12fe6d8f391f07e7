// A read-only data set over a Qt SQL query on a named connection.
//
// Rows are fetched as the cursor or a grid needs them, so opening a large
// result is quick; RecordCount and Last read to the end. With a page size
// set (SetPageSize) only a few pages of rows are kept in memory: rows are
// read in pages, further pages through the open cursor, far ones with an
// OFFSET query, and RecordCount asks the database for the count; the
// statement must then order its rows so that pages are stable. Date columns arrive
// as TDateTime whether the backend gives QDate/QDateTime (PostgreSQL) or ISO
// text in a column declared DATE/TIMESTAMP (SQLite). With KeyFields set,
// bookmarks are key values, so Refresh keeps the current record even when
// rows before it come or go; the rows read so far are indexed by key, so a
// bookmark or a Locate on the key fields is found without reading the rows
// again from the first (only rows not read yet are read, as far as needed).
#pragma once

#include "DB.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QHash>
#include <QSet>
#include <QVariantMap>
#include <functional>
#include <memory>

namespace toolkit {

class TOOLKIT_EXPORT TSqlDataSet : public TDataSet
{
    Q_OBJECT
public:
    explicit TSqlDataSet(QObject *owner = nullptr, const QString &connectionName = QStringLiteral("_ZDR"));
    ~TSqlDataSet() override;

    QString ConnectionName() const { return FConnectionName; }
    void SetConnectionName(const QString &name);
    QString SQL() const { return FSQL; }
    void SetSQL(const QString &sql);
    // Named parameters (":name" in the text) bound at Open/ExecSQL.
    void SetParam(const QString &name, const QVariant &value);
    QVariant Param(const QString &name) const { return FParams.value(name); }
    void ClearParams() { FParams.clear(); }
    // Forces a column's type (before Open), e.g. a text column holding dates.
    void SetFieldType(const QString &name, TFieldType type);
    // ";"-separated fields whose values identify a record.
    void SetKeyFields(const QString &fields);
    QString KeyFields() const { return FKeyFields; }

    // Runs a statement without a result; returns the affected row count.
    int ExecSQL();
    // Rows held in memory now (for tests and monitors).
    int FetchedCount() const;
    // Paged reading: rows per page (0: keep every row read) and pages kept.
    void SetPageSize(int rows, int maxPages = 8);
    int PageSize() const { return FPageSize; }

    int KnownRecordCount() const override;
    bool CanFetchMore() const override;
    void FetchMore() override;

    static QVariant SqlToDateTime(const QVariant &value);

    // Rewrites SQL for the connection's database before it runs (the
    // persistence layer installs one for its dialects).
    using TSqlTranslator = std::function<QString(const QString &connectionName, const QString &sql)>;
    static void SetSqlTranslator(TSqlTranslator translator);

    const QVariantMap &Params() const { return FParams; }

protected:
    // Around every statement this data set runs (monitors and statistics).
    virtual void Executing(const QString &sql) { Q_UNUSED(sql); }
    virtual void Executed(qint64 nanoseconds) { Q_UNUSED(nanoseconds); }
    void InternalOpen() override;
    void InternalClose() override;
    bool InternalFetchTo(int index) override;
    int InternalRecordCount() const override;
    QVariant InternalGetValue(int index, int field) const override;
    void InternalRefresh() override;
    QVariant InternalBookmark(int index) const override;
    int InternalBookmarkIndex(const QVariant &bookmark) const override;
    std::optional<int> InternalLocate(const QVector<int> &fields, const QVariantList &values, TLocateOptions options) override;

private:
    void Execute(QSqlQuery &q, const QString &sqlText);
    QVector<QVariant> ReadRow(QSqlQuery &q) const;
    bool LoadPage(int page);
    int CountRows();
    QVector<int> KeyIndexes() const;
    // The key index: key text -> first row with that key, over the rows read.
    static QString KeyText(const QVariantList &values);
    QString RowKeyText(const QVector<QVariant> &row) const;
    void IndexRows(int first, const QVector<QVector<QVariant>> &rows);
    int FindKey(const QVariantList &values);
    void ResetKeyIndex();

    QString FConnectionName;
    QString FSQL;
    QVariantMap FParams;
    QHash<QString, TFieldType> FTypeOverrides;
    QString FKeyFields;
    std::unique_ptr<QSqlQuery> FQuery;
    QVector<QVector<QVariant>> FRows;
    QVector<bool> FDateColumn;
    bool FExhausted = true;
    int FPageSize = 0;
    int FMaxPages = 8;
    QHash<int, QVector<QVector<QVariant>>> FPages;
    QList<int> FLru;      // most recently used page last
    int FCursorPos = 0;   // the row the open cursor gives next
    int FKnown = 0;       // rows known to exist
    int FTotal = -1;      // all rows, once known
    QVector<int> FKeyColumns;           // at Open, from FKeyFields
    QHash<QString, int> FKeyRows;       // key text -> row index
    int FKeyIndexedRows = 0;            // rows of FRows in FKeyRows
    QSet<int> FKeyIndexedPages;         // pages in FKeyRows
};

} // namespace toolkit
