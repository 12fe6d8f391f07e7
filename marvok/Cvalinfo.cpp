#include "Cvalinfo.h"
#include "Ilog.h"
#include "Isifrant.h"

#include "pelvar/plList.h"
#include "pelvar/plMeta.h"
#include "pelvar/plObject.h"
#include "toolkit/DB.h"

#include <QPointer>
#include <algorithm>
#include <map>
#include <vector>

namespace marvok {

// --- validation types --------------------------------------------------------------

TIValInfoRec ValidString2ValidInfo(const QString &validString)
{
    TIValInfoRec r;
    const QString t = validString.trimmed();
    const int colon = t.indexOf(QLatin1Char(':'));
    r.FieldType = (colon < 0 ? t : t.left(colon)).trimmed().toUpper();
    if (colon >= 0)
        r.SifrantName = t.mid(colon + 1).trimmed();
    return r;
}

QStringList TIValInfoRec::SplitCodes(const QString &value)
{
    QStringList codes;
    for (const QString &part : value.split(QLatin1Char(',')))
        if (const QString c = part.trimmed(); !c.isEmpty())
            codes << c;
    return codes;
}

bool TIValInfoRec::ValueExists(const QString &value) const
{
    if (SifrantName.isEmpty() || value.trimmed().isEmpty())
        return true;
    if (IsCodeList())
        return Sifranti().Exists(SifrantName) ? Sifranti().CodeExists(SifrantName, value)
                                              : Sifranti().CodeExistsUnregistered(SifrantName, value);
    if (IsGroupCodeList())
        return SkupSifranti().CodeExists(SifrantName, value);
    if (IsMultiSelection()) {
        const QStringList codes = SplitCodes(value.toUpper());
        return std::all_of(codes.cbegin(), codes.cend(),
                           [this](const QString &c) { return SkupSifranti().CodeExists(SifrantName, c); });
    }
    return true;
}

QString TIValInfoRec::StoredValue(const QString &value) const
{
    if (KeepsTypedCode())
        return value;
    if (IsCodeList())
        return !SifrantName.isEmpty() && Sifranti().Exists(SifrantName) ? Sifranti().Canonical(SifrantName, value) : value.trimmed();
    if (IsGroupCodeList())
        return value.trimmed();
    if (IsMultiSelection())
        return SplitCodes(value.toUpper()).join(QLatin1Char(','));
    return value;
}

// --- field information ---------------------------------------------------------------

TIFieldInfo TIFieldInfo::FromAttr(const pelvar::TPlAttrProperties &attr)
{
    TIFieldInfo f;
    f.FieldName = attr.Name;
    f.Caption = attr.Caption;
    f.ValidString = attr.ValidString;
    f.ValInfo = ValidString2ValidInfo(attr.ValidString);
    f.ReadOnly = attr.ReadOnly;
    f.Required = attr.Required;
    return f;
}

namespace {

const pelvar::TPlClassMetaData *BusinessClassOf(const toolkit::TDataSet *dataSet)
{
    if (const auto *list = qobject_cast<const pelvar::TplBoListDataSet *>(dataSet))
        return list->List() ? list->List()->ClassMetaData() : nullptr;
    if (const auto *object = qobject_cast<const pelvar::TplObjectDataSet *>(dataSet))
        return object->Object() ? object->Object()->ClassMetaData() : nullptr;
    return nullptr;
}

QString TypeOfDataType(toolkit::TFieldType type)
{
    switch (type) {
    case toolkit::TFieldType::ftDate: return QStringLiteral("D");
    case toolkit::TFieldType::ftDateTime: return QStringLiteral("DT");
    case toolkit::TFieldType::ftFloat:
    case toolkit::TFieldType::ftCurrency: return QStringLiteral("F");
    case toolkit::TFieldType::ftInteger:
    case toolkit::TFieldType::ftLargeint: return QStringLiteral("I");
    default: return {};
    }
}

} // namespace

void TIFieldInfo::SetField(toolkit::TField *field)
{
    SetField(field, field ? BusinessClassOf(field->DataSet()) : nullptr);
}

void TIFieldInfo::SetField(toolkit::TField *field, const pelvar::TPlClassMetaData *meta)
{
    *this = TIFieldInfo();
    FField = field;
    if (!field)
        return;
    FieldName = field->FieldName();
    Caption = field->DisplayLabel();
    ReadOnly = field->ReadOnly();
    Required = field->Required();
    if (const pelvar::TPlAttrProperties *attr = meta ? meta->GetAttrProperties(field->FieldName()) : nullptr) {
        ValidString = attr->ValidString;
        ValInfo = ValidString2ValidInfo(attr->ValidString);
        ReadOnly = ReadOnly || attr->ReadOnly;
        Required = Required || attr->Required;
        // An attribute whose validation text names no type is typed by its data type.
        if (ValInfo.FieldType.isEmpty())
            ValInfo.FieldType = TypeOfDataType(pelvar::FieldTypeOf(attr->DataType));
    }
    if (ValInfo.FieldType.isEmpty())
        ValInfo.FieldType = TypeOfDataType(field->DataType());
}

// --- error-state notices ---------------------------------------------------------------

namespace {

struct TObserverEntry
{
    QPointer<QObject> Context;
    bool HasContext = false;
    TIErrorChangeObserver Observer;
};

struct TObserverRegistry
{
    std::map<int, TObserverEntry> Entries; // ids grow, so the map keeps the order of adding
    int LastId = 0;
};

TObserverRegistry &Observers()
{
    static TObserverRegistry registry;
    return registry;
}

} // namespace

int AddErrorChangeObserver(QObject *context, TIErrorChangeObserver observer)
{
    TObserverRegistry &r = Observers();
    const int id = ++r.LastId;
    r.Entries[id] = TObserverEntry{context, context != nullptr, std::move(observer)};
    if (context)
        QObject::connect(context, &QObject::destroyed, [id] { RemoveErrorChangeObserver(id); });
    return id;
}

void RemoveErrorChangeObserver(int id)
{
    Observers().Entries.erase(id);
}

void NotifyErrorChange(TIErrorLevel level, const QString &message, const QString &caption, QObject *sender)
{
    const TIErrorChange change{level, message, caption, sender};
    // Observers may add or remove observers (a display closing itself): walk
    // the ids as they were, and skip the ones gone meanwhile.
    std::vector<int> ids;
    for (const auto &[id, entry] : Observers().Entries)
        ids.push_back(id);
    for (int id : ids) {
        const auto it = Observers().Entries.find(id);
        if (it == Observers().Entries.end() || (it->second.HasContext && !it->second.Context) || !it->second.Observer)
            continue;
        const TIErrorChangeObserver observer = it->second.Observer; // survives its own removal
        try {
            observer(change);
        } catch (const std::exception &e) {
            ILog(QStringLiteral("NotifyErrorChange: an observer failed: %1").arg(QString::fromUtf8(e.what())));
        }
    }
}

bool GetFieldErrorState(toolkit::TField *field, TIErrorLevel &level, QString &message)
{
    level = TIErrorLevel::elNone;
    message.clear();
    if (!field)
        return false;
    const pelvar::TplPerObject *object = nullptr;
    if (const auto *list = qobject_cast<const pelvar::TplBoListDataSet *>(field->DataSet()))
        object = list->CurrentObject();
    else if (const auto *single = qobject_cast<const pelvar::TplObjectDataSet *>(field->DataSet()))
        object = single->Object();
    else
        return false;
    if (object && object->ClassMetaData()->HasAttribute(field->FieldName())) {
        level = TIErrorLevel(object->GetAttrErrorLevel(field->FieldName()));
        message = object->GetAttrErrorMessage(field->FieldName());
    }
    return true;
}

bool NotifyFieldErrorChange(toolkit::TField *field, QObject *sender)
{
    TIErrorLevel level;
    QString message;
    if (!GetFieldErrorState(field, level, message))
        return false;
    NotifyErrorChange(level, message, field->DisplayLabel(), sender);
    return true;
}

} // namespace marvok
