// Field information: what kind of value a field holds, read from its
// validation text (see the persistence layer's metadata for the format:
// "<type>" or "<type>:<code list>", types "", "I", "F", "D", "DT", "S", "SC",
// "MS", "MMS"), and the error levels of validation.
#pragma once

#include "marvok/marvok_export.h"

#include <QString>

namespace pelvar {
struct TPlAttrProperties;
}

namespace marvok {

// Ordinals are read by the error displays: 8 no error, 1 to 4 painted.
enum class TIErrorLevel : int {
    elNotChecked = 0, elFatal = 1, elError = 2, elWarning = 3, elHint = 4, elInfo = 5, elChanged = 6, elChecked = 7, elNone = 8
};

struct MARVOK_EXPORT TIValInfoRec
{
    QString FieldType;    // the type code, upper case ("S", "SC", ...)
    QString SifrantName;  // the code list or group, when the type names one
    bool IsCodeList() const { return FieldType == QLatin1String("S"); }
    bool IsGroupCodeList() const { return FieldType == QLatin1String("SC"); }
    bool IsMultiSelection() const { return FieldType == QLatin1String("MS") || FieldType == QLatin1String("MMS"); }
    // "MMS" separates its codes with ","; "MS" writes them one after another.
    bool IsDelimited() const { return FieldType == QLatin1String("MMS"); }
    bool IsDate() const { return FieldType == QLatin1String("D") || FieldType == QLatin1String("DT"); }
    bool IsDateTime() const { return FieldType == QLatin1String("DT"); }
    bool IsFloat() const { return FieldType == QLatin1String("F"); }
    bool IsInteger() const { return FieldType == QLatin1String("I"); }
};

MARVOK_EXPORT TIValInfoRec ValidString2ValidInfo(const QString &validString);

// What a form knows of a field: name, caption, validation, rules.
struct MARVOK_EXPORT TIFieldInfo
{
    QString FieldName;
    QString Caption;
    QString ValidString;
    TIValInfoRec ValInfo;
    bool ReadOnly = false;
    bool Required = false;

    static TIFieldInfo FromAttr(const pelvar::TPlAttrProperties &attr);
};

} // namespace marvok
