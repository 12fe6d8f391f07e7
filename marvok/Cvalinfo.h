// Field information: what kind of value a field holds, read from its
// validation text ("<type>" or "<type>:<code list>"), and the error levels
// of validation with the notice that a field's error state changed.
//
// Type codes:
//   "S"    a code of the named code list (Sifranti), stored in the list's
//          canonical form
//   "SC"   a code of the named code list, stored exactly as typed when valid
//   "MS"   a value of the named group code list (SkupSifranti)
//   "MMS"  several codes typed into one cell, stored separated by ","; each
//          a value of the named group code list, which the multi-selection
//          is chosen from
//   "D" date, "DT" date and time, "F" decimal number, "I" whole number
// A field of a data set over business objects takes its type from its
// attribute's validation text; any other field from its data type.
#pragma once

#include "marvok/marvok_export.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace pelvar {
struct TPlAttrProperties;
class TPlClassMetaData;
} // namespace pelvar

namespace toolkit {
class TField;
}

namespace marvok {

// Ordinals are read by the error displays: 8 no error, 1 to 4 painted; they
// are the persistence layer's attribute error levels.
enum class TIErrorLevel : int {
    elNotChecked = 0, elFatal = 1, elError = 2, elWarning = 3, elHint = 4, elInfo = 5, elChanged = 6, elChecked = 7, elNone = 8
};

struct MARVOK_EXPORT TIValInfoRec
{
    QString FieldType;    // the type code, upper case ("S", "SC", ...)
    QString SifrantName;  // the code list or group, when the type names one

    // A single code of a code list ("S", "SC").
    bool IsCodeList() const { return FieldType == QLatin1String("S") || FieldType == QLatin1String("SC"); }
    // "SC" keeps the code as typed; "S" stores the canonical form.
    bool KeepsTypedCode() const { return FieldType == QLatin1String("SC"); }
    // One value of a group code list ("MS").
    bool IsGroupCodeList() const { return FieldType == QLatin1String("MS"); }
    // Several codes in one value ("MMS"), separated by ",".
    bool IsMultiSelection() const { return FieldType == QLatin1String("MMS"); }
    bool IsDelimited() const { return IsMultiSelection(); }
    // Checked against the group code lists rather than the code lists.
    bool UsesGroupCodeList() const { return IsGroupCodeList() || IsMultiSelection(); }
    bool IsDate() const { return FieldType == QLatin1String("D") || FieldType == QLatin1String("DT"); }
    bool IsDateTime() const { return FieldType == QLatin1String("DT"); }
    bool IsFloat() const { return FieldType == QLatin1String("F"); }
    bool IsInteger() const { return FieldType == QLatin1String("I"); }

    // Whether a typed value passes the type's code-list check: "S"/"SC" ask
    // the code lists (a list they do not register is looked up in its own
    // table), "MS" and every code of "MMS" the group code lists. Blank values
    // and types without a code list pass.
    bool ValueExists(const QString &value) const;
    // What is stored for a typed value: the canonical code for "S", the text
    // as typed for "SC", the trimmed value for "MS", the upper-cased codes
    // joined with "," for "MMS"; other types store the text unchanged.
    QString StoredValue(const QString &value) const;
    // The codes of a multi-selection text, trimmed, without empty ones.
    static QStringList SplitCodes(const QString &value);
};

MARVOK_EXPORT TIValInfoRec ValidString2ValidInfo(const QString &validString);

// What a form or grid knows of a field: name, title, validation, rules.
// SetField loads it from a data-set field; FromAttr from an attribute.
struct MARVOK_EXPORT TIFieldInfo
{
    QString FieldName;
    QString Caption;
    QString ValidString;
    TIValInfoRec ValInfo;
    bool ReadOnly = false;
    bool Required = false;

    static TIFieldInfo FromAttr(const pelvar::TPlAttrProperties &attr);

    // The field's type code, code-list name, title (its display label) and
    // read-only state. The type comes from the attribute's validation text
    // when the field's data set is over business objects (a list's or an
    // object's) and the text names one; otherwise from the field's data type
    // (date "D", date-time "DT", float "F", integer "I"). Null clears.
    void SetField(toolkit::TField *field);
    // The same with the class whose attributes the field shows given by the
    // caller (a persistence view's data set, whose fields are attributes).
    void SetField(toolkit::TField *field, const pelvar::TPlClassMetaData *meta);
    toolkit::TField *Field() const { return FField; }
    QString FieldType() const { return ValInfo.FieldType; }
    QString Sifrant() const { return ValInfo.SifrantName; }
    QString Title() const { return Caption; }

private:
    toolkit::TField *FField = nullptr; // not owned
};

// --- error-state notices ----------------------------------------------------------
//
// A control or grid that learns that a field's error state changed (a value
// was written and validated) raises NotifyErrorChange; error displays listen
// with AddErrorChangeObserver. Observers are called in the order they were
// added, on the raising thread (the main thread); one that fails is logged
// and the others still hear of the change. An observer tied to a context
// object is removed when that object is destroyed.

struct MARVOK_EXPORT TIErrorChange
{
    TIErrorLevel Level = TIErrorLevel::elNone;
    QString Message; // the error's text; empty without an error
    QString Caption; // the field's title as the user knows it
    QObject *Sender = nullptr; // the control that raised the notice
};

using TIErrorChangeObserver = std::function<void(const TIErrorChange &change)>;

// Returns an id for RemoveErrorChangeObserver (never 0).
MARVOK_EXPORT int AddErrorChangeObserver(QObject *context, TIErrorChangeObserver observer);
MARVOK_EXPORT void RemoveErrorChangeObserver(int id);
MARVOK_EXPORT void NotifyErrorChange(TIErrorLevel level, const QString &message, const QString &caption, QObject *sender);

// The error level and message that a data set over business objects keeps
// for a field (its attribute's); false for a field of any other data set.
MARVOK_EXPORT bool GetFieldErrorState(toolkit::TField *field, TIErrorLevel &level, QString &message);
// NotifyErrorChange with the field's error state and display label; false,
// and no notice, when the field's data set keeps no error states.
MARVOK_EXPORT bool NotifyFieldErrorChange(toolkit::TField *field, QObject *sender);

} // namespace marvok
