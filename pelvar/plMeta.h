// Class metadata: which table a business-object class lives in (its
// provider), its attributes with captions, types and rules, and the registry
// of classes a host declares at start-up.
//
// Validation text of an attribute (read by the utility library's field
// information, ValidString2ValidInfo): "<type>" or "<type>:<code list>".
//   ""      free text          "I"   whole number      "F"  decimal number
//   "D"     date               "DT"  date and time
//   "S"     a code of the code list named after the colon ("S:KR031ORG"),
//           stored in the list's canonical form
//   "SC"    a code of the named code list, stored exactly as typed
//   "MS"    a value of the group code list named after the colon ("MS:SPOL")
//   "MMS"   several codes of the named group code list in one value,
//           separated by ","
// When the attribute's CodeList rule is set its code must exist, through the
// code-list lookup hook below; each code of an "MMS" value is checked alone.
#pragma once

#include "pelvar/pelvar_export.h"
#include "plDatabase.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>

namespace pelvar {

class TplPerObject;
class TPlClassMetaData;

// Takes metadata out of use: freed at once, or by its last user (objects,
// lists and views of the class). The registry calls it for replaced classes.
PELVAR_EXPORT void RetireClassMetaData(std::unique_ptr<TPlClassMetaData> meta);

enum class TplAttrType { atString, atInteger, atFloat, atDate, atDateTime, atBoolean, atMemo };

struct PELVAR_EXPORT TPlAttrProperties
{
    QString Name;         // column name as well
    QString Caption;
    TplAttrType DataType = TplAttrType::atString;
    int Size = 0;         // characters of a string attribute
    QString ValidString;  // the validation text above
    bool ReadOnly = false;
    bool Required = false;
    QString CodeList;     // the code must exist in this code list (empty: no rule)

    bool IsDateType() const { return DataType == TplAttrType::atDate || DataType == TplAttrType::atDateTime; }
};

// Maps a class to its table.
class PELVAR_EXPORT TplProvider
{
public:
    TplProvider(QString tableName, QString caption, QString datumIPLField = {}, QString userIPLField = {});
    virtual ~TplProvider();
    QString GetCaption() const { return FCaption; }
    // Schema-qualified ("QDAT.PACIENT").
    QString GetTableName() const { return FTableName; }
    QString GetDatumIPLFieldName() const { return FDatumIPL; }
    QString GetUser_IPLFieldName() const { return FUserIPL; }
    QString GetIDFieldName() const { return QStringLiteral("ID"); }
    // Code-list (catalogue) classes are served from the cache.
    virtual bool IsCachable() const { return false; }

private:
    QString FTableName, FCaption, FDatumIPL, FUserIPL;
};

class PELVAR_EXPORT TplCachableProvider : public TplProvider
{
public:
    using TplProvider::TplProvider;
    bool IsCachable() const override { return true; }
};

// A member of a business-object class that developer tools evaluate by name
// (the object inspector): attributes, the provider's audit fields, the
// built-in properties and parameterless methods of every stored object, and
// whatever the host adds for its own classes. Read may raise; the caller
// reports that the member could not be called.
enum class TplMemberKind { mkAttribute, mkSystemAttribute, mkProperty, mkMethod };

struct PELVAR_EXPORT TplMember
{
    QString Name;
    TplMemberKind Kind = TplMemberKind::mkProperty;
    std::function<QVariant(TplPerObject &object)> Read;
};

// Makes the object of a class: the host's own subclass of TplPerObject when
// the host registered a factory for the class. The object must be made for
// `meta` (its ClassMetaData() is meta).
using TplObjectFactory = std::function<TplPerObject *(TPlClassMetaData *meta)>;

// Metadata of a class. The registry owns it. Objects, lists and views of the
// class point to it and count as its users; a class registered again (or
// unregistered) while it has users keeps its old metadata until the last of
// them is gone, so those go on working with the class as they knew it.
class PELVAR_EXPORT TPlClassMetaData
{
public:
    TPlClassMetaData(QString className, std::unique_ptr<TplProvider> provider);
    ~TPlClassMetaData();

    QString ClassName() const { return FClassName; }
    TplProvider *Provider() const { return FProvider.get(); }
    TPlClassMetaData &AddAttribute(const TPlAttrProperties &props);
    QStringList GetAttrNames() const;
    // nullptr for an unknown attribute; names compare case-insensitively.
    const TPlAttrProperties *GetAttrProperties(const QString &name) const;
    int AttrCount() const { return int(FAttrs.size()); }
    bool HasAttribute(const QString &name) const { return AttrIndex(name) >= 0; }
    int AttrIndex(const QString &name) const;
    const TPlAttrProperties &Attr(int index) const { return FAttrs.at(index); }

    // CREATE TABLE for this class in the given dialect (ID, attributes, audit fields).
    QString CreateTableSql(TplDialect dialect) const;

    // The host's factory for this class (empty: plain TplPerObject).
    void SetObjectFactory(TplObjectFactory factory) { FFactory = std::move(factory); }
    bool HasObjectFactory() const { return bool(FFactory); }
    // A new, unregistered object of this class (through the factory);
    // raises EplError when the factory fails to make one of this class.
    TplPerObject *NewObject();

    // The host's own members of the class; a name given twice replaces the
    // earlier one, and a host member hides a built-in of the same name.
    void AddMember(const QString &name, TplMemberKind kind, std::function<QVariant(TplPerObject &)> read);
    // Attributes, audit fields, the host's members and the built-in ones,
    // case-insensitively; nullptr when the class has no member of that name.
    const TplMember *FindMember(const QString &name) const;
    // Every member name, attributes first, then audit fields, then the
    // rest in alphabetical order.
    QStringList MemberNames() const;

    // Objects, lists and views of the class that are alive.
    int Users() const { return FUsers; }
    void AddUser() { ++FUsers; }
    // Frees metadata that is no longer registered when its last user goes.
    void ReleaseUser();
    bool IsRegistered() const { return !FRetired; }

    // A host's own rule: may set the level (TplAttrErrorLevel) and message
    // of an attribute the declared rules found in order.
    std::function<void(const TplPerObject &object, const QString &attr, int &level, QString &message)> OnValidateAttr;

private:
    QString FClassName;
    std::unique_ptr<TplProvider> FProvider;
    QVector<TPlAttrProperties> FAttrs;
    TplObjectFactory FFactory;
    QVector<TplMember> FMembers;
    mutable QVector<TplMember> FAttrMembers; // made on first look-up
    int FUsers = 0;
    bool FRetired = false;
    friend void RetireClassMetaData(std::unique_ptr<TPlClassMetaData> meta);
};

// Registers a class (replacing one of the same name) and returns it. The
// replaced metadata stays alive while objects, lists or views of it do.
PELVAR_EXPORT TPlClassMetaData *RegisterClassMetaData(std::unique_ptr<TPlClassMetaData> meta);
PELVAR_EXPORT TPlClassMetaData *FindClassMetaData(const QString &className);
// Raises EplError for an unknown class.
PELVAR_EXPORT TPlClassMetaData *ClassMetaData(const QString &className);
PELVAR_EXPORT QList<TPlClassMetaData *> RegisteredClasses();
// Forgets every class; metadata still in use lives on as above.
PELVAR_EXPORT void UnregisterAllClasses();
// Creates the tables of every registered class that are missing.
PELVAR_EXPORT void EnsureTables(const QString &connectionName = QStringLiteral("_ZDR"));

// Code-list services the layer needs (set by the utility library): whether a
// code exists, and its description (short, or long when `longText`).
struct PELVAR_EXPORT TplCatalogueHooks
{
    std::function<bool(const QString &codeList, const QString &code)> CodeExists;
    std::function<QString(const QString &codeList, const QString &code, bool longText)> Description;
    std::function<void(const QString &codeList)> Load;
};
PELVAR_EXPORT TplCatalogueHooks &CatalogueHooks();

} // namespace pelvar
