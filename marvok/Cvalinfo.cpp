#include "Cvalinfo.h"

#include "pelvar/plMeta.h"

namespace marvok {

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

} // namespace marvok
