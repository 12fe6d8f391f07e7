// Texts from on-line insurance answers and stored parameter strings.
#include "marvok/Istrings.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    (void)marvok::KZZOnLineDateTimeStringToDateTimeString(text);
    (void)marvok::GetProper6DigitTemplate(text, 0);
    const QString name = text.section(QLatin1Char('='), 0, 0).left(16);
    const QString set = marvok::SetValueToString(text, name, QStringLiteral("v"));
    if (!name.trimmed().isEmpty() && !name.contains(QLatin1Char(';')) && marvok::GetValueFromString(set, name) != QLatin1String("v"))
        __builtin_trap();
    (void)marvok::Token(text, 2, QStringLiteral(";"));
    (void)marvok::IsNumeric(text);
    return 0;
}
