#include "plObject.h"
#include "plList.h"

#include "toolkit/DateUtils.h"
#include "toolkit/SysUtils.h"

#include <QSqlQuery>

namespace pelvar {

namespace {
int &LiveInstances()
{
    static int count = 0;
    return count;
}
} // namespace

toolkit::TFieldType FieldTypeOf(TplAttrType type)
{
    using toolkit::TFieldType;
    switch (type) {
    case TplAttrType::atString: return TFieldType::ftString;
    case TplAttrType::atInteger: return TFieldType::ftLargeint;
    case TplAttrType::atFloat: return TFieldType::ftFloat;
    case TplAttrType::atDate: return TFieldType::ftDate;
    case TplAttrType::atDateTime: return TFieldType::ftDateTime;
    case TplAttrType::atBoolean: return TFieldType::ftBoolean;
    case TplAttrType::atMemo: return TFieldType::ftMemo;
    }
    return TFieldType::ftString;
}

QVector<toolkit::TFieldDef> AttributeFieldDefs(const TPlClassMetaData *meta)
{
    QVector<toolkit::TFieldDef> defs{{QStringLiteral("ID"), toolkit::TFieldType::ftLargeint, 0}};
    for (int i = 0; i < meta->AttrCount(); ++i)
        defs.append({meta->Attr(i).Name, FieldTypeOf(meta->Attr(i).DataType), meta->Attr(i).Size});
    return defs;
}

void ApplyAttributeFieldSettings(toolkit::TDataSet *dataSet, const TPlClassMetaData *meta)
{
    for (int i = 0; i < meta->AttrCount(); ++i) {
        toolkit::TField *f = dataSet->Fields(i + 1);
        f->SetDisplayLabel(meta->Attr(i).Caption);
        f->SetReadOnly(meta->Attr(i).ReadOnly);
    }
    dataSet->Fields(0)->SetReadOnly(true);
}

QVariant AttrValueFromSql(const TPlAttrProperties &attr, QVariant v)
{
    // A value already of the attribute's type is moved through: copying a
    // variant that holds a text costs a call per value on a large list.
    if (v.isNull())
        return {};
    switch (attr.DataType) {
    case TplAttrType::atDate:
    case TplAttrType::atDateTime: return SqlToDateTime(v);
    case TplAttrType::atInteger:
        if (v.typeId() == QMetaType::LongLong)
            return v;
        return v.toLongLong();
    case TplAttrType::atFloat:
        if (v.typeId() == QMetaType::Double)
            return v;
        return v.toDouble();
    case TplAttrType::atBoolean: return v.toLongLong() != 0;
    default:
        if (v.typeId() == QMetaType::QString)
            return v;
        return QVariant(v.toString());
    }
}

QVariant AttrValueToSql(const TPlAttrProperties &attr, const QVariant &v, TplDialect dialect)
{
    if (v.isNull())
        return {};
    switch (attr.DataType) {
    case TplAttrType::atDate:
    case TplAttrType::atDateTime: return DateTimeToSql(v.toDouble(), dialect);
    case TplAttrType::atBoolean: return v.toBool() ? 1 : 0;
    case TplAttrType::atInteger: return v.toLongLong();
    case TplAttrType::atFloat: return v.toDouble();
    default: {
        QString s = v.toString();
        s.remove(QChar(0));
        return s;
    }
    }
}

TplPerObject::TplPerObject(TPlClassMetaData *meta)
    : FMeta(meta)
    , FValues(meta->AttrCount())
{
    ++LiveInstances();
    FMeta->AddUser();
}

TplPerObject::~TplPerObject()
{
    --LiveInstances();
    FDataSet.reset();
    GlobalDictionary().UnindexPerObject(this);
    const QList<TplDomainObject *> nested = FNested;
    FNested.clear();
    for (TplDomainObject *o : nested)
        if (GlobalDictionary().Contains(o))
            o->Release(this);
    FMeta->ReleaseUser(); // last: it may free metadata of a class registered anew
}

TplPerObject *TplPerObject::Create(const QString &className, TplDomainObject *retainer)
{
    TplPerObject *o = pelvar::ClassMetaData(className)->NewObject();
    o->Register(retainer, rcCreated);
    return o;
}

TplPerObject *TplPerObject::Load(const QString &className, qint64 id, TplDomainObject *retainer)
{
    return Load(pelvar::ClassMetaData(className), id, retainer);
}

TplPerObject *TplPerObject::Load(TPlClassMetaData *meta, qint64 id, TplDomainObject *retainer)
{
    if (TplPerObject *o = GlobalDictionary().Find(meta, id)) {
        o->AddRef(retainer);
        return o;
    }
    QSqlQuery q = ExecSql(QStringLiteral("select * from %1 where ID = ?").arg(meta->Provider()->GetTableName()), {id});
    if (!q.next())
        throw EplError(QStringLiteral("%1 with ID %2 does not exist").arg(meta->ClassName()).arg(id), TplErrorKind::ekGone);
    const TRecordMap map(meta, q.record());
    return FromQuery(map, q, retainer);
}

TplPerObject::TRecordMap::TRecordMap(TPlClassMetaData *meta, const QSqlRecord &record)
    : Meta(meta)
{
    IDColumn = record.indexOf(QStringLiteral("ID"));
    if (IDColumn < 0)
        IDColumn = record.indexOf(QStringLiteral("id"));
    auto column = [&](const QString &name) {
        if (name.isEmpty())
            return -1;
        for (int i = 0; i < record.count(); ++i)
            if (record.fieldName(i).compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    };
    for (int i = 0; i < meta->AttrCount(); ++i)
        AttrColumns << column(meta->Attr(i).Name);
    DatumColumn = column(meta->Provider()->GetDatumIPLFieldName());
    UserColumn = column(meta->Provider()->GetUser_IPLFieldName());
    if (IDColumn < 0)
        throw EplError(QStringLiteral("%1: the query has no ID column").arg(meta->ClassName()));
}

template<class TValue>
void TplPerObject::ReadValues(const TRecordMap &map, const TValue &value)
{
    for (int i = 0; i < map.AttrColumns.size(); ++i) {
        const int c = map.AttrColumns.at(i);
        FValues[i] = c < 0 ? QVariant() : AttrValueFromSql(FMeta->Attr(i), value(c));
    }
    if (map.DatumColumn >= 0) {
        // The stamp as the database gave it: saving compares it with the row.
        FDatumRaw = value(map.DatumColumn);
        FDatumIPL = SqlToDateTime(FDatumRaw);
    }
    if (map.UserColumn >= 0)
        FUserIPL = value(map.UserColumn);
    FStored = FValues;
}

template<class TValue>
TplPerObject *TplPerObject::NewFromRow(const TRecordMap &map, qint64 id, const TValue &value, TplDomainObject *retainer)
{
    TplPerObject *o = map.Meta->NewObject();
    o->FID = id;
    o->ReadValues(map, value);
    o->Register(retainer, rcLoaded);
    GlobalDictionary().IndexPerObject(o);
    return o;
}

void TplPerObject::ReadRow(const TRecordMap &map, const QSqlQuery &query)
{
    ReadValues(map, [&query](int column) { return query.value(column); });
}

TplPerObject *TplPerObject::FromQuery(const TRecordMap &map, const QSqlQuery &query, TplDomainObject *retainer)
{
    const qint64 id = query.value(map.IDColumn).toLongLong();
    if (TplPerObject *o = GlobalDictionary().Find(map.Meta, id)) {
        // Fresh data for an object nobody is changing.
        if (!o->IsEditing() && !o->IsModified())
            o->ReadRow(map, query);
        o->AddRef(retainer);
        return o;
    }
    return NewFromRow(map, id, [&query](int column) { return query.value(column); }, retainer);
}

TplPerObject *TplPerObject::FromRow(const TRecordMap &map, const std::function<QVariant(int column)> &value,
                                    TplDomainObject *retainer)
{
    const qint64 id = value(map.IDColumn).toLongLong();
    if (TplPerObject *o = GlobalDictionary().Find(map.Meta, id)) {
        // The live object as it is: the view's row may be older than it.
        o->AddRef(retainer);
        return o;
    }
    return NewFromRow(map, id, value, retainer);
}

TplPerObject::TEvaluateResult TplPerObject::EvaluateMember(const QString &name, QVariant &value, QString *error)
{
    const TplMember *m = FMeta->FindMember(name.trimmed());
    if (!m)
        return TEvaluateResult::erNotFound;
    try {
        value = m->Read(*this);
    } catch (const std::exception &e) {
        if (error)
            *error = QString::fromUtf8(e.what());
        return TEvaluateResult::erCallFailed;
    } catch (...) {
        return TEvaluateResult::erCallFailed;
    }
    return TEvaluateResult::erFound;
}

QString TplPerObject::ClassName() const
{
    return FMeta->ClassName();
}

QString TplPerObject::Description() const
{
    return QStringLiteral("%1 %2").arg(FMeta->Provider()->GetCaption()).arg(FID);
}

qint64 TplPerObject::MemorySize() const
{
    qint64 size = qint64(sizeof(*this)) + qint64(FValues.size()) * qint64(sizeof(QVariant));
    for (const QVariant &v : FValues)
        if (v.typeId() == QMetaType::QString)
            size += v.toString().size() * 2;
    return size;
}

int TplPerObject::CheckedIndex(const QString &attr) const
{
    const int i = FMeta->AttrIndex(attr);
    if (i < 0)
        throw EplError(QStringLiteral("%1 has no attribute %2").arg(FMeta->ClassName(), attr));
    return i;
}

QVariant TplPerObject::GetAttrValue(const QString &attr) const
{
    const int i = FMeta->AttrIndex(attr);
    if (i < 0) {
        if (attr.compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0)
            return FID;
        if (attr.compare(FMeta->Provider()->GetDatumIPLFieldName(), Qt::CaseInsensitive) == 0)
            return FDatumIPL;
        if (attr.compare(FMeta->Provider()->GetUser_IPLFieldName(), Qt::CaseInsensitive) == 0)
            return FUserIPL;
        CheckedIndex(attr);
    }
    return FEdit ? FEdit->at(i) : FValues.at(i);
}

QVariant TplPerObject::GetCommittedValue(const QString &attr) const
{
    return FValues.at(CheckedIndex(attr));
}

QString TplPerObject::GetAttrAsText(const QString &attr) const
{
    const QVariant v = GetAttrValue(attr);
    if (v.isNull())
        return {};
    const int i = FMeta->AttrIndex(attr);
    const TplAttrType type = i < 0 ? (attr.compare(FMeta->Provider()->GetDatumIPLFieldName(), Qt::CaseInsensitive) == 0
                                          ? TplAttrType::atDateTime
                                          : TplAttrType::atString)
                                   : FMeta->Attr(i).DataType;
    switch (type) {
    case TplAttrType::atDate: return toolkit::DateToStr(v.toDouble());
    case TplAttrType::atDateTime: return toolkit::DateTimeToStr(v.toDouble());
    case TplAttrType::atFloat: return toolkit::FloatToStr(v.toDouble());
    case TplAttrType::atBoolean: return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    default: return v.toString();
    }
}

void TplPerObject::SetAttrValue(const QString &attr, const QVariant &value)
{
    const int i = CheckedIndex(attr);
    const TPlAttrProperties &a = FMeta->Attr(i);
    if (FReadOnly)
        throw EplError(QStringLiteral("%1 %2 is read-only").arg(FMeta->ClassName()).arg(FID), TplErrorKind::ekReadOnly);
    if (a.ReadOnly)
        throw EplError(QStringLiteral("%1.%2 is read-only").arg(FMeta->ClassName(), a.Name));
    QVariant v = value;
    if (v.typeId() == QMetaType::QString && v.toString().isEmpty())
        v = QVariant(); // empty text is no value
    if (!v.isNull()) {
        switch (a.DataType) {
        case TplAttrType::atDate:
        case TplAttrType::atDateTime:
            if (v.typeId() == QMetaType::QDate)
                v = toolkit::FromQDate(v.toDate());
            else if (v.typeId() == QMetaType::QDateTime)
                v = toolkit::FromQDateTime(v.toDateTime());
            else
                v = v.toDouble();
            if (a.DataType == TplAttrType::atDate)
                v = toolkit::DateOf(v.toDouble());
            break;
        case TplAttrType::atInteger: v = v.toLongLong(); break;
        case TplAttrType::atFloat: v = v.toDouble(); break;
        case TplAttrType::atBoolean: v = v.toBool(); break;
        default:
            v = v.toString();
            if (a.Size > 0 && v.toString().size() > a.Size)
                throw EplError(QStringLiteral("%1.%2: the value is longer than %3 characters").arg(FMeta->ClassName(), a.Name).arg(a.Size));
        }
    }
    if (!FEdit)
        FEdit = FValues;
    if ((*FEdit)[i] == v && (*FEdit)[i].isNull() == v.isNull())
        return;
    (*FEdit)[i] = v;
    Changed(TplNotifyAction::naAttrChanged, a.Name);
}

void TplPerObject::SetAttrAsText(const QString &attr, const QString &text)
{
    const TPlAttrProperties &a = FMeta->Attr(CheckedIndex(attr));
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        SetAttrValue(attr, QVariant());
        return;
    }
    switch (a.DataType) {
    case TplAttrType::atDate: SetAttrValue(attr, toolkit::StrToDate(t)); break;
    case TplAttrType::atDateTime: SetAttrValue(attr, toolkit::StrToDateTime(t)); break;
    case TplAttrType::atInteger: {
        bool ok = false;
        const qlonglong n = t.toLongLong(&ok);
        if (!ok)
            throw toolkit::EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
        SetAttrValue(attr, n);
        break;
    }
    case TplAttrType::atFloat: SetAttrValue(attr, toolkit::StrToFloat(t)); break;
    case TplAttrType::atBoolean: SetAttrValue(attr, t == QLatin1String("1") || t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0); break;
    default: SetAttrValue(attr, text);
    }
}

void TplPerObject::Changed(TplNotifyAction action, const QVariant &param)
{
    if (FDataSet)
        FDataSet->ObjectChanged();
    NotifyObservers(action, param);
}

bool TplPerObject::IsModified() const
{
    if (IsNew() || FDirty)
        return true;
    if (!FEdit)
        return false;
    for (int i = 0; i < FValues.size(); ++i)
        if (FEdit->at(i) != FValues.at(i) || FEdit->at(i).isNull() != FValues.at(i).isNull())
            return true;
    return false;
}

void TplPerObject::SetReadOnly(bool v)
{
    if (FReadOnly == v)
        return;
    FReadOnly = v;
    Changed(TplNotifyAction::naReadOnlyChanged);
}

void TplPerObject::PostData()
{
    if (!FEdit)
        return;
    const bool differs = [&] {
        for (int i = 0; i < FValues.size(); ++i)
            if (FEdit->at(i) != FValues.at(i) || FEdit->at(i).isNull() != FValues.at(i).isNull())
                return true;
        return false;
    }();
    FValues = *FEdit;
    FEdit.reset();
    FDirty = FDirty || differs;
    Changed(TplNotifyAction::naPosted);
}

void TplPerObject::RevertToStored()
{
    FEdit.reset();
    if (IsNew() || !FDirty || FStored.size() != FValues.size())
        return;
    FValues = FStored;
    FDirty = false;
    Changed(TplNotifyAction::naCanceled);
}

void TplPerObject::CancelData()
{
    if (!FEdit)
        return;
    FEdit.reset();
    Changed(TplNotifyAction::naCanceled);
}

void TplPerObject::SaveData(bool overwrite)
{
    if (FReadOnly)
        throw EplError(QStringLiteral("%1 %2 is read-only").arg(FMeta->ClassName()).arg(FID), TplErrorKind::ekReadOnly);
    PostData();
    const QStringList errors = GetErrors();
    if (!errors.isEmpty())
        throw EplError(QStringLiteral("Podatkov ni mogoče shraniti:\n%1").arg(errors.join(QLatin1Char('\n'))), TplErrorKind::ekInvalid);
    TplProvider *p = FMeta->Provider();
    const TplDialect dialect = Dialect();
    const bool inserting = IsNew();
    // An existing row gets only what this object changed, so that another
    // workstation's change to other attributes stays.
    QVector<int> changed;
    for (int i = 0; i < FMeta->AttrCount(); ++i)
        if (inserting || i >= FStored.size() || FValues.at(i) != FStored.at(i) || FValues.at(i).isNull() != FStored.at(i).isNull())
            changed << i;
    if (!inserting && changed.isEmpty()) {
        FDirty = false;
        Changed(TplNotifyAction::naSaved);
        return;
    }
    TplSession *s = DatabaseProvider().GetCurrentSession();
    const QString reason = QStringLiteral("TplPerObject.SaveData %1").arg(FMeta->ClassName());
    const QString datumField = p->GetDatumIPLFieldName();
    const bool stamped = !datumField.isEmpty() && !FMeta->HasAttribute(datumField);
    s->StartTransaction(reason);
    try {
        if (!inserting)
            CheckStoredRow(changed, overwrite);
        QStringList cols;
        QVariantList values;
        for (int i : std::as_const(changed)) {
            cols << FMeta->Attr(i).Name;
            values << AttrValueToSql(FMeta->Attr(i), FValues.at(i), dialect);
        }
        const double now = toolkit::Now();
        if (stamped) {
            cols << datumField;
            values << DateTimeToSql(now, dialect);
        }
        if (!p->GetUser_IPLFieldName().isEmpty() && !FMeta->HasAttribute(p->GetUser_IPLFieldName())) {
            cols << p->GetUser_IPLFieldName();
            values << PerLayerSettings().CurrentUser;
        }
        qint64 id = FID;
        if (inserting) {
            id = NextID(FMeta->ClassName());
            QStringList marks(cols.size() + 1, QStringLiteral("?"));
            ExecSql(QStringLiteral("insert into %1 (ID, %2) values (%3)").arg(p->GetTableName(), cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
                    QVariantList{id} + values);
        } else {
            QStringList sets;
            for (const QString &c : cols)
                sets << c + QStringLiteral(" = ?");
            QSqlQuery q = ExecSql(QStringLiteral("update %1 set %2 where ID = ?").arg(p->GetTableName(), sets.join(QStringLiteral(", "))),
                                  values + QVariantList{FID});
            if (q.numRowsAffected() == 0)
                throw EplError(QStringLiteral("%1 with ID %2 no longer exists").arg(FMeta->ClassName()).arg(FID), TplErrorKind::ekGone);
        }
        // The stamp as the database keeps it, to know the row again next time.
        QVariant stampRaw;
        if (stamped) {
            QSqlQuery q = ExecSql(QStringLiteral("select %1 from %2 where ID = ?").arg(datumField, p->GetTableName()), {id});
            if (q.next())
                stampRaw = q.value(0);
        }
        s->Commit(reason);
        FID = id;
        if (stamped) {
            FDatumRaw = stampRaw;
            FDatumIPL = SqlToDateTime(stampRaw);
        } else if (!datumField.isEmpty()) {
            FDatumIPL = now;
        }
        if (!p->GetUser_IPLFieldName().isEmpty())
            FUserIPL = PerLayerSettings().CurrentUser;
    } catch (...) {
        s->Rollback(reason);
        throw;
    }
    FDirty = false;
    FStored = FValues;
    if (inserting)
        GlobalDictionary().IndexPerObject(this);
    s->SendNotice(FMeta->ClassName(), GetIDText());
    Changed(TplNotifyAction::naSaved);
    NotifyClassChanged(FMeta->ClassName(), this, TplNotifyAction::naSaved);
}

void TplPerObject::CheckStoredRow(const QVector<int> &changed, bool overwrite) const
{
    // Read in the saving transaction (and held on PostgreSQL), so that no
    // other save comes in between the check and the write.
    const bool pg = Dialect() == TplDialect::dlPostgreSQL;
    QSqlQuery q = ExecSql(QStringLiteral("select * from %1 where ID = ?%2").arg(FMeta->Provider()->GetTableName(), pg ? QStringLiteral(" for update") : QString()),
                          {FID});
    if (!q.next())
        throw EplError(QStringLiteral("%1 with ID %2 no longer exists").arg(FMeta->ClassName()).arg(FID), TplErrorKind::ekGone);
    if (overwrite)
        return;
    const TRecordMap map(FMeta, q.record());
    // Someone else saved the row when its stamp moved on, or when an
    // attribute this save writes no longer holds what was read.
    bool otherSave = map.DatumColumn >= 0 && FDatumRaw.isValid() && q.value(map.DatumColumn) != FDatumRaw;
    for (int i : changed) {
        const int c = map.AttrColumns.value(i, -1);
        if (c < 0 || i >= FStored.size())
            continue;
        const QVariant now = AttrValueFromSql(FMeta->Attr(i), q.value(c));
        if (now != FStored.at(i) || now.isNull() != FStored.at(i).isNull())
            otherSave = true;
    }
    if (otherSave)
        throw EplError(QStringLiteral("%1 with ID %2 was changed by %3 since it was read")
                           .arg(FMeta->ClassName())
                           .arg(FID)
                           .arg(map.UserColumn >= 0 ? q.value(map.UserColumn).toString() : QStringLiteral("someone else")),
                       TplErrorKind::ekChanged);
}

void TplPerObject::DeleteData()
{
    if (FReadOnly)
        throw EplError(QStringLiteral("%1 %2 is read-only").arg(FMeta->ClassName()).arg(FID), TplErrorKind::ekReadOnly);
    if (!IsNew()) {
        TplSession *s = DatabaseProvider().GetCurrentSession();
        const QString reason = QStringLiteral("TplPerObject.DeleteData %1").arg(FMeta->ClassName());
        s->StartTransaction(reason);
        try {
            ExecSql(QStringLiteral("delete from %1 where ID = ?").arg(FMeta->Provider()->GetTableName()), {FID});
            s->Commit(reason);
        } catch (...) {
            s->Rollback(reason);
            throw;
        }
        GlobalDictionary().UnindexPerObject(this);
        s->SendNotice(FMeta->ClassName(), GetIDText());
    }
    Changed(TplNotifyAction::naDeleted);
    NotifyClassChanged(FMeta->ClassName(), this, TplNotifyAction::naDeleted);
}

void TplPerObject::Refresh()
{
    if (IsNew())
        return;
    QSqlQuery q = ExecSql(QStringLiteral("select * from %1 where ID = ?").arg(FMeta->Provider()->GetTableName()), {FID});
    if (!q.next())
        throw EplError(QStringLiteral("%1 with ID %2 no longer exists").arg(FMeta->ClassName()).arg(FID), TplErrorKind::ekGone);
    FEdit.reset();
    FDirty = false;
    ReadRow(TRecordMap(FMeta, q.record()), q);
    Changed(TplNotifyAction::naLoaded);
}

void TplPerObject::Validate(int index, int &level, QString &message) const
{
    const TPlAttrProperties &a = FMeta->Attr(index);
    const QVariant v = FEdit ? FEdit->at(index) : FValues.at(index);
    level = aeNone;
    message.clear();
    if (a.Required && (v.isNull() || v.toString().trimmed().isEmpty())) {
        level = aeError;
        message = QStringLiteral("Podatek »%1« je obvezen.").arg(a.Caption);
        return;
    }
    if (!a.CodeList.isEmpty() && !v.isNull() && CatalogueHooks().CodeExists) {
        // A multi-selection holds several codes separated by ",", each checked alone.
        QStringList codes{v.toString()};
        if (a.ValidString.section(QLatin1Char(':'), 0, 0).trimmed().compare(QLatin1String("MMS"), Qt::CaseInsensitive) == 0) {
            codes = v.toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
            for (QString &c : codes)
                c = c.trimmed();
        }
        for (const QString &code : std::as_const(codes)) {
            if (!CatalogueHooks().CodeExists(a.CodeList, code)) {
                level = aeError;
                message = QStringLiteral("Šifra »%1« ne obstaja v šifrantu %2.").arg(code, a.CodeList);
                return;
            }
        }
    }
    if (FMeta->OnValidateAttr)
        FMeta->OnValidateAttr(*this, a.Name, level, message);
}

int TplPerObject::GetAttrErrorLevel(const QString &attr) const
{
    const int i = FMeta->AttrIndex(attr);
    if (i < 0)
        return aeNone;
    int level = aeNone;
    QString message;
    Validate(i, level, message);
    return level;
}

QString TplPerObject::GetAttrErrorMessage(const QString &attr) const
{
    const int i = FMeta->AttrIndex(attr);
    if (i < 0)
        return {};
    int level = aeNone;
    QString message;
    Validate(i, level, message);
    return message;
}

QStringList TplPerObject::GetErrors() const
{
    QStringList r;
    for (int i = 0; i < FMeta->AttrCount(); ++i) {
        int level = aeNone;
        QString message;
        Validate(i, level, message);
        if (level <= aeError)
            r << message;
    }
    return r;
}

toolkit::TDataSet *TplPerObject::GetDataSet()
{
    if (!FDataSet) {
        FDataSet = std::make_unique<TplObjectDataSet>(this);
        FDataSet->Open();
    }
    return FDataSet.get();
}

void TplPerObject::AddNestedObject(TplDomainObject *object)
{
    if (!object || FNested.contains(object))
        return;
    object->AddRef(this);
    FNested.append(object);
}

void TplPerObject::RemoveNestedObject(TplDomainObject *object)
{
    if (FNested.removeAll(object) > 0)
        object->Release(this);
}

int TplPerObject::InstancesCountWithinGraphInfo() const
{
    int n = 1;
    for (const TplDomainObject *o : FNested)
        if (auto *p = dynamic_cast<const TplPerObject *>(o))
            n += p->InstancesCountWithinGraphInfo();
        else
            ++n;
    return n;
}

int TplPerObject::RegistredInstancesCount()
{
    return LiveInstances();
}

// --- TplObjectDataSet ----------------------------------------------------------

TplObjectDataSet::TplObjectDataSet(TplPerObject *object)
    : toolkit::TDataSet(nullptr)
    , FObject(object)
{
    setObjectName(object->ClassName());
}

void TplObjectDataSet::InternalOpen()
{
    // Missing values are reported by the object's own rules, not as required fields.
    SetFieldDefs(AttributeFieldDefs(FObject->ClassMetaData()));
    ApplyAttributeFieldSettings(this, FObject->ClassMetaData());
}

QVariant TplObjectDataSet::InternalGetValue(int, int field) const
{
    if (field == 0)
        return FObject->GetID();
    return FObject->GetAttrValue(FObject->ClassMetaData()->Attr(field - 1).Name);
}

void TplObjectDataSet::InternalPost(int, int, const QVector<QVariant> &buffer)
{
    FPosting = true;
    try {
        TPlClassMetaData *m = FObject->ClassMetaData();
        for (int i = 0; i < m->AttrCount(); ++i) {
            const QVariant now = FObject->GetAttrValue(m->Attr(i).Name);
            const QVariant v = buffer.value(i + 1);
            if (now != v || now.isNull() != v.isNull())
                FObject->SetAttrValue(m->Attr(i).Name, v);
        }
    } catch (...) {
        FPosting = false;
        throw;
    }
    FPosting = false;
}

void TplObjectDataSet::ObjectChanged()
{
    if (!FPosting && Active() && State() == toolkit::TDataSetState::dsBrowse)
        DataEvent(toolkit::TDataEvent::deDataSetChange);
}

} // namespace pelvar
