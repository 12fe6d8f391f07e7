// Delimited, comma and line texts come from stored parameters and files:
// any input must parse without a crash, and writing then reading back the
// parsed entries must give them again.
#include "toolkit/Classes.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 2), int(size - 2));
    toolkit::TStringList l;
    l.SetDelimiter(QChar(data[0] % 2 ? ';' : ','));
    l.SetStrictDelimiter(data[1] & 1);
    l.SetQuoteChar(QChar(data[1] & 2 ? '\'' : '"'));
    l.SetDelimitedText(text);
    toolkit::TStringList back;
    back.SetDelimiter(l.Delimiter());
    back.SetStrictDelimiter(l.StrictDelimiter());
    back.SetQuoteChar(l.QuoteChar());
    back.SetDelimitedText(l.DelimitedText());
    // Entries with a NUL cannot survive a text that ends at NUL; the rest must.
    bool hasNul = false;
    for (const QString &s : l.ToStringList())
        hasNul = hasNul || s.contains(QChar(0));
    if (!hasNul && !l.StrictDelimiter() && back.ToStringList() != l.ToStringList())
        std::abort();
    l.SetText(text);
    l.SetCommaText(text);
    (void)l.Values(QStringLiteral("a"));
    return 0;
}
