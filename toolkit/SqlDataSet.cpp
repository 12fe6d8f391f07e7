#include "SqlDataSet.h"
#include "Exception.h"
#include "SqlTrace.h"

#include <QElapsedTimer>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QSqlResult>
#include <cmath>
#include <sqlite3.h>

namespace toolkit {

TSqlDataSet::TSqlDataSet(QObject *owner, const QString &connectionName)
    : TDataSet(owner)
    , FConnectionName(connectionName)
{
}

TSqlDataSet::~TSqlDataSet()
{
    FQuery.reset();
}

void TSqlDataSet::SetConnectionName(const QString &name)
{
    if (FConnectionName == name)
        return;
    Close();
    FConnectionName = name;
}

void TSqlDataSet::SetSQL(const QString &sql)
{
    if (FSQL == sql)
        return;
    Close();
    FSQL = sql;
}

void TSqlDataSet::SetParam(const QString &name, const QVariant &value)
{
    FParams.insert(name.startsWith(QLatin1Char(':')) ? name.mid(1) : name, value);
}

void TSqlDataSet::SetKeyFields(const QString &fields)
{
    if (FKeyFields == fields)
        return;
    FKeyFields = fields;
    FKeyColumns = Active() ? KeyIndexes() : QVector<int>();
    ResetKeyIndex();
}

void TSqlDataSet::SetFieldType(const QString &name, TFieldType type)
{
    FTypeOverrides.insert(name.toUpper(), type);
}

namespace {
TSqlDataSet::TSqlTranslator &Translator()
{
    static TSqlDataSet::TSqlTranslator translator;
    return translator;
}
} // namespace

void TSqlDataSet::SetSqlTranslator(TSqlTranslator translator)
{
    Translator() = std::move(translator);
}

void TSqlDataSet::Execute(QSqlQuery &q, const QString &sqlText)
{
    const QString sql = Translator() ? Translator()(FConnectionName, sqlText) : sqlText;
    // PostgreSQL's driver streams a forward-only result row by row, and the
    // next statement on the connection cuts the stream off; a view read as a
    // grid scrolls loads objects in between. There the result comes whole.
    if (q.driver() && q.driver()->dbmsType() == QSqlDriver::PostgreSQL)
        q.setForwardOnly(false);
    Executing(sqlText);
    QElapsedTimer timer;
    timer.start();
    TSqlTraceEntry trace;
    trace.Sender = this;
    trace.ConnectionName = &FConnectionName;
    trace.Sql = &sqlText;
    trace.NamedBinds = &FParams;
    // A statement that fails is traced too, with the time it took to fail.
    const auto fail = [&]() {
        const QString error = q.lastError().text();
        trace.Nanoseconds = timer.nsecsElapsed();
        trace.Error = &error;
        TraceSql(trace);
        throw EDatabaseError(QStringLiteral("SQL error: %1\n%2").arg(error, FSQL));
    };
    if (!q.prepare(sql))
        fail();
    for (auto it = FParams.cbegin(); it != FParams.cend(); ++it)
        q.bindValue(QLatin1Char(':') + it.key(), it.value());
    if (!q.exec())
        fail();
    trace.Nanoseconds = timer.nsecsElapsed();
    TraceSql(trace);
    Executed(trace.Nanoseconds);
}

int TSqlDataSet::ExecSQL()
{
    QSqlDatabase db = QSqlDatabase::database(FConnectionName);
    if (!db.isValid() || !db.isOpen())
        throw EDatabaseError(QStringLiteral("Connection '%1' is not open").arg(FConnectionName));
    QSqlQuery q(db);
    Execute(q, FSQL);
    return q.numRowsAffected();
}

namespace {

TFieldType TypeOf(const QSqlField &f)
{
    switch (f.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
        return TFieldType::ftInteger;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return TFieldType::ftLargeint;
    case QMetaType::Double:
    case QMetaType::Float:
        return TFieldType::ftFloat;
    case QMetaType::Bool:
        return TFieldType::ftBoolean;
    case QMetaType::QDate:
        return TFieldType::ftDate;
    case QMetaType::QTime:
        return TFieldType::ftTime;
    case QMetaType::QDateTime:
        return TFieldType::ftDateTime;
    case QMetaType::QByteArray:
        return TFieldType::ftBlob;
    default:
        return TFieldType::ftString;
    }
}

} // namespace

QVariant TSqlDataSet::SqlToDateTime(const QVariant &value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::QDate:
        return FromQDate(value.toDate());
    case QMetaType::QDateTime:
        return FromQDateTime(value.toDateTime());
    case QMetaType::QTime:
        return double(value.toTime().msecsSinceStartOfDay()) / double(MSecsPerDay);
    case QMetaType::Double:
    case QMetaType::Int:
    case QMetaType::LongLong:
        return value.toDouble();
    default: {
        const QString s = value.toString().trimmed();
        if (s.isEmpty())
            return {};
        // The embedded database's own form, "yyyy-MM-dd[ HH:mm:ss]", read
        // without the general parser: lists of thousands of rows hold it.
        auto digits = [&](int from, int count, int &out) {
            if (from + count > s.size())
                return false;
            out = 0;
            for (int i = from; i < from + count; ++i) {
                const ushort c = s.at(i).unicode();
                if (c < '0' || c > '9')
                    return false;
                out = out * 10 + (c - '0');
            }
            return true;
        };
        int y = 0, mo = 0, dd = 0, h = 0, mi = 0, sec = 0;
        if ((s.size() == 10 || s.size() == 19) && digits(0, 4, y) && s.at(4) == QLatin1Char('-') && digits(5, 2, mo)
            && s.at(7) == QLatin1Char('-') && digits(8, 2, dd)
            && (s.size() == 10
                || ((s.at(10) == QLatin1Char(' ') || s.at(10) == QLatin1Char('T')) && digits(11, 2, h) && s.at(13) == QLatin1Char(':')
                    && digits(14, 2, mi) && s.at(16) == QLatin1Char(':') && digits(17, 2, sec)))) {
            TDateTime date = 0, time = 0;
            if (TryEncodeDate(y, mo, dd, date) && TryEncodeTime(h, mi, sec, 0, time))
                return date >= 0 ? date + time : date - time;
            return {};
        }
        QDateTime dt = QDateTime::fromString(s, Qt::ISODateWithMs);
        if (!dt.isValid())
            dt = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (dt.isValid())
            return FromQDateTime(dt);
        const QDate d = QDate::fromString(s, Qt::ISODate);
        if (d.isValid())
            return FromQDate(d);
        TDateTime v = 0;
        if (TryStrToDateTime(s, v))
            return v;
        return {};
    }
    }
}

void TSqlDataSet::InternalOpen()
{
    QSqlDatabase db = QSqlDatabase::database(FConnectionName);
    if (!db.isValid() || !db.isOpen())
        throw EDatabaseError(QStringLiteral("Connection '%1' is not open").arg(FConnectionName));
    auto q = std::make_unique<QSqlQuery>(db);
    q->setForwardOnly(true);
    Execute(*q, FSQL);
    if (!q->isSelect())
        throw EDatabaseError(QStringLiteral("SQL does not return a result set:\n%1").arg(FSQL));

    // SQLite reports DATE columns as text; its declared type tells them apart.
    sqlite3_stmt *stmt = nullptr;
    if (db.driverName() == QLatin1String("QSQLITE")) {
        const QVariant h = q->result()->handle();
        if (h.isValid() && QByteArray(h.typeName()) == "sqlite3_stmt*")
            stmt = *static_cast<sqlite3_stmt *const *>(h.data());
    }
    const QSqlRecord rec = q->record();
    QVector<TFieldDef> defs;
    FDateColumn = QVector<bool>(rec.count(), false);
    for (int i = 0; i < rec.count(); ++i) {
        const QSqlField f = rec.field(i);
        TFieldType type = TypeOf(f);
        if (stmt) {
            const QByteArray decl = QByteArray(sqlite3_column_decltype(stmt, i)).toUpper();
            if (decl.contains("DATE") || decl.contains("TIMESTAMP"))
                type = TFieldType::ftDateTime;
        }
        type = FTypeOverrides.value(f.name().toUpper(), type);
        FDateColumn[i] = type == TFieldType::ftDate || type == TFieldType::ftTime || type == TFieldType::ftDateTime;
        defs.append({f.name(), type, f.length() > 0 ? f.length() : 0});
    }
    SetFieldDefs(defs);
    FKeyColumns = KeyIndexes();
    ResetKeyIndex();
    FRows.clear();
    FPages.clear();
    FLru.clear();
    FCursorPos = 0;
    FKnown = 0;
    FTotal = -1;
    FQuery = std::move(q);
    FExhausted = false;
    if (FPageSize > 0)
        LoadPage(0);
}

void TSqlDataSet::InternalClose()
{
    ResetKeyIndex();
    FQuery.reset();
    FRows.clear();
    FPages.clear();
    FLru.clear();
    FExhausted = true;
}

void TSqlDataSet::SetPageSize(int rows, int maxPages)
{
    Close();
    FPageSize = std::max(0, rows);
    FMaxPages = std::max(2, maxPages);
}

QVector<QVariant> TSqlDataSet::ReadRow(QSqlQuery &q) const
{
    const int n = int(FDateColumn.size());
    QVector<QVariant> row(n);
    for (int i = 0; i < n; ++i) {
        const QVariant v = q.value(i);
        row[i] = FDateColumn.value(i) ? SqlToDateTime(v) : v;
    }
    return row;
}

bool TSqlDataSet::LoadPage(int page)
{
    const int start = page * FPageSize;
    if (page < 0 || (FTotal >= 0 && start >= FTotal))
        return false;
    if (FPages.contains(page)) {
        FLru.removeOne(page);
        FLru.append(page);
        return true;
    }
    if (!FQuery || FCursorPos != start) {
        // A far page: a query that starts there; reading on continues from it.
        // The old one goes first: on PostgreSQL a query still being read is
        // the connection's pending one, and ending it later would end the new one.
        FQuery.reset();
        QSqlDatabase db = QSqlDatabase::database(FConnectionName);
        auto q = std::make_unique<QSqlQuery>(db);
        q->setForwardOnly(true);
        const QString limit = db.driverName() == QLatin1String("QSQLITE") ? QStringLiteral(" LIMIT -1") : QString();
        Execute(*q, FSQL + limit + QStringLiteral(" OFFSET %1").arg(start));
        FQuery = std::move(q);
        FCursorPos = start;
    }
    QVector<QVector<QVariant>> rows;
    rows.reserve(FPageSize);
    while (rows.size() < FPageSize && FQuery->next()) {
        rows.append(ReadRow(*FQuery));
        ++FCursorPos;
    }
    if (rows.size() < FPageSize) {
        FTotal = start + int(rows.size());
        FQuery.reset();
    }
    FKnown = std::max(FKnown, start + int(rows.size()));
    if (rows.isEmpty())
        return false;
    FPages.insert(page, std::move(rows));
    FLru.append(page);
    while (FLru.size() > FMaxPages)
        FPages.remove(FLru.takeFirst());
    return true;
}

int TSqlDataSet::CountRows()
{
    QSqlDatabase db = QSqlDatabase::database(FConnectionName);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    Execute(q, QStringLiteral("select count(*) from (%1) counted").arg(FSQL));
    return q.next() ? q.value(0).toInt() : 0;
}

int TSqlDataSet::FetchedCount() const
{
    if (FPageSize == 0)
        return int(FRows.size());
    int n = 0;
    for (const auto &p : FPages)
        n += int(p.size());
    return n;
}

int TSqlDataSet::KnownRecordCount() const
{
    if (!Active())
        return 0;
    if (FPageSize > 0)
        return FTotal >= 0 ? FTotal : FKnown;
    return int(FRows.size());
}

bool TSqlDataSet::CanFetchMore() const
{
    return Active() && (FPageSize > 0 ? FTotal < 0 : !FExhausted);
}

void TSqlDataSet::FetchMore()
{
    if (CanFetchMore())
        InternalFetchTo(KnownRecordCount() + std::max(FPageSize, 256) - 1);
}

bool TSqlDataSet::InternalFetchTo(int index)
{
    if (index < 0)
        return false;
    if (FPageSize > 0) {
        if (FTotal >= 0)
            return index < FTotal;
        for (int p = FKnown / FPageSize; index >= FKnown && FTotal < 0; ++p)
            if (!LoadPage(p))
                break;
        return index < FKnown;
    }
    while (index >= FRows.size() && !FExhausted) {
        if (FQuery && FQuery->next()) {
            const int n = int(FDateColumn.size());
            QVector<QVariant> row(n);
            for (int i = 0; i < n; ++i) {
                const QVariant v = FQuery->value(i);
                row[i] = FDateColumn.value(i) ? SqlToDateTime(v) : v;
            }
            FRows.append(row);
        } else {
            FExhausted = true;
            if (FQuery)
                FQuery->finish();
        }
    }
    return index < FRows.size();
}

int TSqlDataSet::InternalRecordCount() const
{
    if (FPageSize > 0) {
        // Counted by the database: reading every row to count them is what paging avoids.
        auto *self = const_cast<TSqlDataSet *>(this);
        if (self->FTotal < 0)
            self->FTotal = std::max(self->CountRows(), self->FKnown);
        return FTotal;
    }
    const_cast<TSqlDataSet *>(this)->InternalFetchTo(INT_MAX - 1);
    return int(FRows.size());
}

QVariant TSqlDataSet::InternalGetValue(int index, int field) const
{
    if (FPageSize > 0) {
        const int page = index / FPageSize;
        auto *self = const_cast<TSqlDataSet *>(this);
        if (index < 0 || !self->LoadPage(page))
            return {};
        return FPages.value(page).value(index % FPageSize).value(field);
    }
    if (index < 0 || index >= FRows.size())
        return {};
    return FRows.at(index).value(field);
}

void TSqlDataSet::InternalRefresh()
{
    InternalClose();
    InternalOpen();
}

QVector<int> TSqlDataSet::KeyIndexes() const
{
    QVector<int> r;
    for (const QString &n : FKeyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (TField *f = FindField(n.trimmed()))
            r.append(f->Index());
    return r;
}

QVariant TSqlDataSet::InternalBookmark(int index) const
{
    if (FKeyColumns.isEmpty())
        return index;
    QVariantList values;
    for (int k : FKeyColumns)
        values.append(InternalGetValue(index, k));
    return values;
}

int TSqlDataSet::InternalBookmarkIndex(const QVariant &bookmark) const
{
    if (FKeyColumns.isEmpty())
        return TDataSet::InternalBookmarkIndex(bookmark);
    const QVariantList want = bookmark.toList();
    if (want.size() != FKeyColumns.size())
        return -1;
    return const_cast<TSqlDataSet *>(this)->FindKey(want);
}

std::optional<int> TSqlDataSet::InternalLocate(const QVector<int> &fields, const QVariantList &values, TLocateOptions options)
{
    if (options != 0 || FKeyColumns.isEmpty() || fields != FKeyColumns)
        return std::nullopt;
    // Locate compares a text with a number as texts; the index keeps them apart.
    for (int k = 0; k < fields.size(); ++k) {
        const TFieldType type = Fields(fields.at(k))->DataType();
        const bool textField = type == TFieldType::ftString || type == TFieldType::ftMemo;
        if (!values.at(k).isNull() && (values.at(k).typeId() == QMetaType::QString) != textField)
            return std::nullopt;
    }
    return FindKey(values);
}

QString TSqlDataSet::KeyText(const QVariantList &values)
{
    // Equal as Locate and bookmarks compare (5, 5LL and 5.0 are one key).
    QString key;
    for (const QVariant &v : values) {
        if (!key.isEmpty())
            key += QChar(0x1F);
        if (v.isNull()) {
            key += QChar(0x01);
            continue;
        }
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            key += QLatin1Char('i') + QString::number(v.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float: {
            const double d = v.toDouble();
            if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9e15)
                key += QLatin1Char('i') + QString::number(qint64(d));
            else
                key += QLatin1Char('f') + QString::number(d, 'g', 17);
            break;
        }
        default:
            key += QLatin1Char('s') + v.toString();
        }
    }
    return key;
}

QString TSqlDataSet::RowKeyText(const QVector<QVariant> &row) const
{
    QVariantList values;
    values.reserve(FKeyColumns.size());
    for (int c : FKeyColumns)
        values.append(row.value(c));
    return KeyText(values);
}

void TSqlDataSet::IndexRows(int first, const QVector<QVector<QVariant>> &rows)
{
    for (int r = 0; r < rows.size(); ++r) {
        const int index = first + r;
        QString key = RowKeyText(rows.at(r));
        auto it = FKeyRows.find(key);
        if (it == FKeyRows.end())
            FKeyRows.insert(std::move(key), index);
        else if (index < it.value())
            it.value() = index; // the first row with a key is the one found
    }
}

void TSqlDataSet::ResetKeyIndex()
{
    FKeyRows.clear();
    FKeyIndexedRows = 0;
    FKeyIndexedPages.clear();
}

int TSqlDataSet::FindKey(const QVariantList &values)
{
    if (!Active() || FKeyColumns.isEmpty())
        return -1;
    const QString key = KeyText(values);
    if (FPageSize == 0) {
        // Rows are indexed as a search first needs them; rows not read yet
        // are read in batches until the key turns up or the rows end.
        for (;;) {
            if (FKeyIndexedRows < FRows.size()) {
                IndexRows(FKeyIndexedRows, FRows.mid(FKeyIndexedRows));
                FKeyIndexedRows = int(FRows.size());
            }
            const auto it = FKeyRows.constFind(key);
            if (it != FKeyRows.cend())
                return it.value();
            if (FExhausted)
                return -1;
            InternalFetchTo(int(FRows.size()) + 255);
        }
    }
    // Paged: the pages held now, then the pages never indexed, in order.
    for (auto it = FPages.cbegin(); it != FPages.cend(); ++it) {
        if (!FKeyIndexedPages.contains(it.key())) {
            IndexRows(it.key() * FPageSize, it.value());
            FKeyIndexedPages.insert(it.key());
        }
    }
    if (const auto it = FKeyRows.constFind(key); it != FKeyRows.cend())
        return it.value();
    for (int page = 0; FTotal < 0 || page * FPageSize < FTotal; ++page) {
        if (FKeyIndexedPages.contains(page))
            continue;
        if (!LoadPage(page))
            break;
        IndexRows(page * FPageSize, FPages.value(page));
        FKeyIndexedPages.insert(page);
        if (const auto it = FKeyRows.constFind(key); it != FKeyRows.cend())
            return it.value();
    }
    return -1;
}

} // namespace toolkit
