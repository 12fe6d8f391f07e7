#include "plMeta.h"
#include "plCore.h"

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

TPlClassMetaData *RegisterClassMetaData(std::unique_ptr<TPlClassMetaData> meta)
{
    TPlClassMetaData *p = meta.get();
    Registry()[meta->ClassName().toUpper()] = std::move(meta);
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
    Registry().clear();
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
