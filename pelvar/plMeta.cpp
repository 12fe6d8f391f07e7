#include "plMeta.h"
#include "plCore.h"
#include "plObject.h"

#include <QSet>
#include <algorithm>
#include <vector>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <map>

namespace pelvar {

TplProvider::TplProvider(QString tableName, QString caption, QString datumIPLField, QString userIPLField)
    : FTableName(std::move(tableName))
    , FCaption(std::move(caption))
    , FDatumIPL(std::move(datumIPLField))
    , FUserIPL(std::move(userIPLField))
{
    if (!IsSafeIdentifier(FTableName, true))
        throw EplError(QStringLiteral("TplProvider: invalid table name '%1'!").arg(FTableName));
    // The audit columns go into SQL texts by name too.
    for (const QString &field : {FDatumIPL, FUserIPL})
        if (!field.isEmpty() && !IsSafeIdentifier(field, false))
            throw EplError(QStringLiteral("TplProvider: invalid audit field name '%1'!").arg(field));
}

TplProvider::~TplProvider() = default;

TPlClassMetaData::TPlClassMetaData(QString className, std::unique_ptr<TplProvider> provider)
    : FClassName(std::move(className))
    , FProvider(std::move(provider))
{
}

TPlClassMetaData::~TPlClassMetaData() = default;

TPlClassMetaData &TPlClassMetaData::AddAttribute(const TPlAttrProperties &props)
{
    if (!IsSafeIdentifier(props.Name, false))
        throw EplError(QStringLiteral("TPlClassMetaData.AddAttribute: invalid attribute name '%1'!").arg(props.Name));
    if (HasAttribute(props.Name) || props.Name.compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0)
        throw EplError(QStringLiteral("TPlClassMetaData.AddAttribute: %1 already has %2!").arg(FClassName, props.Name));
    FAttrs.append(props);
    if (FAttrs.last().Caption.isEmpty())
        FAttrs.last().Caption = props.Name;
    return *this;
}

QStringList TPlClassMetaData::GetAttrNames() const
{
    QStringList r;
    for (const TPlAttrProperties &a : FAttrs)
        r << a.Name;
    return r;
}

int TPlClassMetaData::AttrIndex(const QString &name) const
{
    // Callers nearly always write the name as declared; that check is cheap.
    for (int i = 0; i < FAttrs.size(); ++i)
        if (FAttrs.at(i).Name == name)
            return i;
    for (int i = 0; i < FAttrs.size(); ++i)
        if (FAttrs.at(i).Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const TPlAttrProperties *TPlClassMetaData::GetAttrProperties(const QString &name) const
{
    const int i = AttrIndex(name);
    return i < 0 ? nullptr : &FAttrs.at(i);
}

TplPerObject *TPlClassMetaData::NewObject()
{
    if (!FFactory)
        return new TplPerObject(this);
    TplPerObject *o = FFactory(this);
    if (!o || o->ClassMetaData() != this) {
        delete o;
        throw EplError(QStringLiteral("TPlClassMetaData.NewObject: the factory of %1 did not make an object of its class!").arg(FClassName));
    }
    return o;
}

namespace {

QVariant ObjectList(const QList<TplDomainObject *> &objects)
{
    QStringList r;
    for (TplDomainObject *o : objects)
        r << (o ? QStringLiteral("%1(%2)").arg(o->ClassName(), o->GetIDText()) : QStringLiteral("?"));
    return r.join(QStringLiteral(", "));
}

// What every stored object answers to, as a developer knows it from the class.
const QVector<TplMember> &BuiltInMembers()
{
    using K = TplMemberKind;
    static const QVector<TplMember> members{
        {QStringLiteral("ClassName"), K::mkMethod, [](TplPerObject &o) { return QVariant(o.ClassName()); }},
        {QStringLiteral("ClassAncestry"), K::mkMethod, [](TplPerObject &o) { return QVariant(o.ClassAncestry().join(QStringLiteral(", "))); }},
        {QStringLiteral("Description"), K::mkMethod, [](TplPerObject &o) { return QVariant(o.Description()); }},
        {QStringLiteral("GetID"), K::mkMethod, [](TplPerObject &o) { return QVariant(o.GetID()); }},
        {QStringLiteral("GetIDText"), K::mkMethod, [](TplPerObject &o) { return QVariant(o.GetIDText()); }},
        {QStringLiteral("RefCount"), K::mkProperty, [](TplPerObject &o) { return QVariant(o.RefCount()); }},
        {QStringLiteral("Retainers"), K::mkProperty, [](TplPerObject &o) { return ObjectList(o.Retainers()); }},
        {QStringLiteral("ObserverCount"), K::mkProperty, [](TplPerObject &o) { return QVariant(o.ObserverCount()); }},
        {QStringLiteral("GetMemorySequence"), K::mkMethod, [](TplPerObject &o) { return QVariant(o.GetMemorySequence()); }},
        {QStringLiteral("MemorySize"), K::mkMethod, [](TplPerObject &o) { return QVariant(o.MemorySize()); }},
        {QStringLiteral("ImageIndex"), K::mkMethod, [](TplPerObject &o) { return QVariant(o.ImageIndex()); }},
        {QStringLiteral("IsNew"), K::mkMethod, [](TplPerObject &o) { return QVariant(o.IsNew()); }},
        {QStringLiteral("IsModified"), K::mkMethod, [](TplPerObject &o) { return QVariant(o.IsModified()); }},
        {QStringLiteral("IsReadOnly"), K::mkMethod, [](TplPerObject &o) { return QVariant(o.IsReadOnly()); }},
        {QStringLiteral("IsEditing"), K::mkMethod, [](TplPerObject &o) { return QVariant(o.IsEditing()); }},
        {QStringLiteral("GetNeedToRefresh"), K::mkMethod, [](TplPerObject &o) { return QVariant(o.GetNeedToRefresh()); }},
        {QStringLiteral("GetErrors"), K::mkMethod, [](TplPerObject &o) { return QVariant(o.GetErrors().join(QStringLiteral("; "))); }},
        {QStringLiteral("GetNestedObjectList"), K::mkMethod, [](TplPerObject &o) { return ObjectList(o.GetNestedObjectList()); }},
        {QStringLiteral("InstancesCountWithinGraphInfo"), K::mkMethod, [](TplPerObject &o) { return QVariant(o.InstancesCountWithinGraphInfo()); }},
        {QStringLiteral("RegistredInstancesCount"), K::mkMethod, [](TplPerObject &) { return QVariant(TplPerObject::RegistredInstancesCount()); }},
        {QStringLiteral("Refresh"), K::mkMethod, [](TplPerObject &o) { o.Refresh(); return QVariant(); }},
        {QStringLiteral("CancelData"), K::mkMethod, [](TplPerObject &o) { o.CancelData(); return QVariant(); }},
    };
    return members;
}

const TplMember *FindIn(const QVector<TplMember> &members, const QString &name)
{
    for (const TplMember &m : members)
        if (m.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &m;
    return nullptr;
}

} // namespace

void TPlClassMetaData::AddMember(const QString &name, TplMemberKind kind, std::function<QVariant(TplPerObject &)> read)
{
    if (name.trimmed().isEmpty() || !read)
        throw EplError(QStringLiteral("TPlClassMetaData.AddMember: %1 needs a name and a reader!").arg(FClassName));
    for (TplMember &m : FMembers)
        if (m.Name.compare(name, Qt::CaseInsensitive) == 0) {
            m = {name, kind, std::move(read)};
            return;
        }
    FMembers.append({name, kind, std::move(read)});
}

const TplMember *TPlClassMetaData::FindMember(const QString &name) const
{
    // Attributes and audit fields first: they are what the object is made of.
    if (FAttrMembers.isEmpty()) {
        for (const TPlAttrProperties &a : FAttrs) {
            const QString n = a.Name;
            FAttrMembers.append({n, TplMemberKind::mkAttribute, [n](TplPerObject &o) { return o.GetAttrValue(n); }});
        }
        for (const QString &n : {FProvider->GetDatumIPLFieldName(), FProvider->GetUser_IPLFieldName()})
            if (!n.isEmpty() && !HasAttribute(n))
                FAttrMembers.append({n, TplMemberKind::mkSystemAttribute, [n](TplPerObject &o) { return o.GetAttrValue(n); }});
        FAttrMembers.append({QStringLiteral("ID"), TplMemberKind::mkSystemAttribute, [](TplPerObject &o) { return QVariant(o.GetID()); }});
    }
    if (const TplMember *m = FindIn(FAttrMembers, name))
        return m;
    if (const TplMember *m = FindIn(FMembers, name))
        return m;
    return FindIn(BuiltInMembers(), name);
}

QStringList TPlClassMetaData::MemberNames() const
{
    FindMember(QString()); // fills the attribute members
    QStringList fixed;
    for (const TplMember &m : FAttrMembers)
        fixed << m.Name;
    QStringList rest;
    QSet<QString> seen;
    for (const QString &n : fixed)
        seen.insert(n.toUpper());
    for (const QVector<TplMember> *list : {&FMembers, &BuiltInMembers()})
        for (const TplMember &m : *list)
            if (!seen.contains(m.Name.toUpper())) {
                seen.insert(m.Name.toUpper());
                rest << m.Name;
            }
    std::sort(rest.begin(), rest.end(), [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return fixed + rest;
}

void TPlClassMetaData::ReleaseUser()
{
    if (--FUsers == 0 && FRetired)
        delete this;
}

QString TPlClassMetaData::CreateTableSql(TplDialect dialect) const
{
    auto type = [&](const TPlAttrProperties &a) -> QString {
        switch (a.DataType) {
        case TplAttrType::atString: return QStringLiteral("VARCHAR(%1)").arg(a.Size > 0 ? a.Size : 255);
        case TplAttrType::atInteger: return QStringLiteral("INTEGER");
        case TplAttrType::atFloat: return dialect == TplDialect::dlPostgreSQL ? QStringLiteral("DOUBLE PRECISION") : QStringLiteral("REAL");
        case TplAttrType::atDate:
        case TplAttrType::atDateTime: return QStringLiteral("TIMESTAMP");
        case TplAttrType::atBoolean: return QStringLiteral("INTEGER");
        case TplAttrType::atMemo: return QStringLiteral("TEXT");
        }
        return QStringLiteral("TEXT");
    };
    QStringList cols{QStringLiteral("ID BIGINT PRIMARY KEY")};
    for (const TPlAttrProperties &a : FAttrs)
        cols << a.Name + QLatin1Char(' ') + type(a);
    const QString datum = FProvider->GetDatumIPLFieldName();
    const QString user = FProvider->GetUser_IPLFieldName();
    if (!datum.isEmpty() && !HasAttribute(datum))
        cols << datum + QStringLiteral(" TIMESTAMP");
    if (!user.isEmpty() && !HasAttribute(user))
        cols << user + QStringLiteral(" VARCHAR(30)");
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(FProvider->GetTableName(), cols.join(QStringLiteral(", ")));
}

namespace {
std::map<QString, std::unique_ptr<TPlClassMetaData>> &Registry()
{
    static std::map<QString, std::unique_ptr<TPlClassMetaData>> registry;
    return registry;
}
} // namespace

// Metadata leaving the registry: freed now, or by its last user.
void RetireClassMetaData(std::unique_ptr<TPlClassMetaData> meta)
{
    if (!meta)
        return;
    if (meta->FUsers == 0)
        return; // freed here
    meta->FRetired = true;
    meta.release();
}

TPlClassMetaData *RegisterClassMetaData(std::unique_ptr<TPlClassMetaData> meta)
{
    if (!meta)
        throw EplError(QStringLiteral("RegisterClassMetaData: no metadata!"));
    TPlClassMetaData *p = meta.get();
    std::unique_ptr<TPlClassMetaData> &slot = Registry()[meta->ClassName().toUpper()];
    if (slot.get() == p)
        return p;
    std::unique_ptr<TPlClassMetaData> old = std::move(slot);
    slot = std::move(meta);
    RetireClassMetaData(std::move(old));
    return p;
}

TPlClassMetaData *FindClassMetaData(const QString &className)
{
    const auto it = Registry().find(className.toUpper());
    return it == Registry().end() ? nullptr : it->second.get();
}

TPlClassMetaData *ClassMetaData(const QString &className)
{
    TPlClassMetaData *m = FindClassMetaData(className);
    if (!m)
        throw EplError(QStringLiteral("Unknown business-object class '%1'").arg(className));
    return m;
}

QList<TPlClassMetaData *> RegisteredClasses()
{
    QList<TPlClassMetaData *> r;
    for (auto &[k, v] : Registry())
        r << v.get();
    return r;
}

void UnregisterAllClasses()
{
    auto registry = std::move(Registry());
    Registry().clear();
    for (auto &[name, meta] : registry)
        RetireClassMetaData(std::move(meta));
}

void EnsureTables(const QString &connectionName)
{
    const TplDialect dialect = Dialect(connectionName);
    for (TPlClassMetaData *m : RegisteredClasses())
        ExecSql(m->CreateTableSql(dialect), {}, connectionName);
}

TplCatalogueHooks &CatalogueHooks()
{
    static TplCatalogueHooks hooks;
    return hooks;
}

} // namespace pelvar
