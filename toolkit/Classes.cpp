#include "Classes.h"
#include "Exception.h"
#include "SysUtils.h"

namespace toolkit {

TObject::~TObject() = default;

TStringList::TStringList(bool ownsObjects)
    : FOwnsObjects(ownsObjects)
{
}

TStringList::TStringList(std::initializer_list<QString> items)
{
    for (const QString &s : items)
        FItems.append({s, nullptr});
}

TStringList::~TStringList()
{
    OnChange = nullptr;
    OnChanging = nullptr;
    Clear();
}

void TStringList::CheckIndex(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

void TStringList::Changing()
{
    if (FUpdateCount == 0 && OnChanging)
        OnChanging(this);
}

void TStringList::Changed()
{
    if (FUpdateCount == 0 && OnChange)
        OnChange(this);
}

void TStringList::BeginUpdate()
{
    if (FUpdateCount == 0)
        Changing();
    ++FUpdateCount;
}

void TStringList::EndUpdate()
{
    if (FUpdateCount == 0)
        return;
    if (--FUpdateCount == 0)
        Changed();
}

void TStringList::FreeObject(TObject *object)
{
    if (FOwnsObjects)
        delete object;
}

int TStringList::CompareStrings(const QString &a, const QString &b) const
{
    return FCaseSensitive ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

QString TStringList::Strings(int index) const
{
    CheckIndex(index);
    return FItems.at(index).FString;
}

void TStringList::SetStrings(int index, const QString &s)
{
    if (FSorted)
        throw EListError(QStringLiteral("Operation not allowed on sorted list"));
    CheckIndex(index);
    Changing();
    FItems[index].FString = s;
    Changed();
}

TObject *TStringList::Objects(int index) const
{
    CheckIndex(index);
    return FItems.at(index).FObject;
}

void TStringList::SetObjects(int index, TObject *object)
{
    CheckIndex(index);
    Changing();
    TObject *old = FItems.at(index).FObject;
    FItems[index].FObject = object;
    if (old != object)
        FreeObject(old);
    Changed();
}

int TStringList::Add(const QString &s)
{
    return AddObject(s, nullptr);
}

int TStringList::AddObject(const QString &s, TObject *object)
{
    int index = Count();
    if (FSorted) {
        if (Find(s, index)) {
            switch (FDuplicates) {
            case TDuplicates::dupIgnore:
                return index;
            case TDuplicates::dupError:
                throw EListError(QStringLiteral("String list does not allow duplicates"));
            case TDuplicates::dupAccept:
                break;
            }
        }
    }
    InsertItem(index, s, object);
    return index;
}

void TStringList::Insert(int index, const QString &s)
{
    InsertObject(index, s, nullptr);
}

void TStringList::InsertObject(int index, const QString &s, TObject *object)
{
    if (FSorted)
        throw EListError(QStringLiteral("Operation not allowed on sorted list"));
    if (index < 0 || index > Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    InsertItem(index, s, object);
}

void TStringList::InsertItem(int index, const QString &s, TObject *object)
{
    Changing();
    FItems.insert(index, TItem{s, object});
    Changed();
}

void TStringList::Delete(int index)
{
    CheckIndex(index);
    Changing();
    TObject *object = FItems.at(index).FObject;
    FItems.removeAt(index);
    FreeObject(object);
    Changed();
}

TObject *TStringList::Extract(int index)
{
    CheckIndex(index);
    Changing();
    TObject *object = FItems.at(index).FObject;
    FItems.removeAt(index);
    Changed();
    return object;
}

void TStringList::Clear()
{
    if (FItems.isEmpty())
        return;
    Changing();
    // Detach first: an owned object's destructor may look at this list.
    QVector<TItem> items;
    items.swap(FItems);
    for (const TItem &item : std::as_const(items))
        FreeObject(item.FObject);
    Changed();
}

void TStringList::Exchange(int index1, int index2)
{
    if (FSorted)
        throw EListError(QStringLiteral("Operation not allowed on sorted list"));
    CheckIndex(index1);
    CheckIndex(index2);
    Changing();
    std::swap(FItems[index1], FItems[index2]);
    Changed();
}

void TStringList::Move(int curIndex, int newIndex)
{
    if (curIndex == newIndex)
        return;
    CheckIndex(curIndex);
    CheckIndex(newIndex);
    if (FSorted)
        throw EListError(QStringLiteral("Operation not allowed on sorted list"));
    Changing();
    FItems.move(curIndex, newIndex);
    Changed();
}

int TStringList::IndexOf(const QString &s) const
{
    if (FSorted) {
        int index = -1;
        return Find(s, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (CompareStrings(FItems.at(i).FString, s) == 0)
            return i;
    return -1;
}

int TStringList::IndexOfName(const QString &name) const
{
    for (int i = 0; i < Count(); ++i) {
        const QString &s = FItems.at(i).FString;
        const int p = s.indexOf(FNameValueSeparator);
        if (p >= 0 && CompareStrings(s.left(p), name) == 0)
            return i;
    }
    return -1;
}

int TStringList::IndexOfObject(const TObject *object) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems.at(i).FObject == object)
            return i;
    return -1;
}

bool TStringList::Find(const QString &s, int &index) const
{
    bool result = false;
    int l = 0;
    int h = Count() - 1;
    while (l <= h) {
        const int i = (l + h) / 2;
        const int c = CompareStrings(FItems.at(i).FString, s);
        if (c < 0) {
            l = i + 1;
        } else {
            h = i - 1;
            if (c == 0) {
                result = true;
                if (FDuplicates != TDuplicates::dupAccept)
                    l = i;
            }
        }
    }
    index = l;
    return result;
}

// The original's quicksort, kept as it was so that equal entries end up in
// the same order as they did there.
void TStringList::QuickSort(int l, int r, const TStringListSortCompare &compare)
{
    int i = 0;
    do {
        i = l;
        int j = r;
        int p = (l + r) / 2;
        do {
            while (compare(*this, i, p) < 0)
                ++i;
            while (compare(*this, j, p) > 0)
                --j;
            if (i <= j) {
                if (i != j)
                    std::swap(FItems[i], FItems[j]);
                if (p == i)
                    p = j;
                else if (p == j)
                    p = i;
                ++i;
                --j;
            }
        } while (i <= j);
        if (l < j)
            QuickSort(l, j, compare);
        l = i;
    } while (i < r);
}

void TStringList::Sort()
{
    CustomSort([](TStringList &list, int a, int b) {
        return list.CompareStrings(list.FItems.at(a).FString, list.FItems.at(b).FString);
    });
}

void TStringList::CustomSort(const TStringListSortCompare &compare)
{
    if (FSorted || Count() < 2)
        return;
    Changing();
    QuickSort(0, Count() - 1, compare);
    Changed();
}

void TStringList::SetSorted(bool value)
{
    if (FSorted == value)
        return;
    if (value)
        Sort();
    FSorted = value;
}

void TStringList::SetCaseSensitive(bool value)
{
    if (FCaseSensitive == value)
        return;
    FCaseSensitive = value;
    if (FSorted) {
        FSorted = false;
        SetSorted(true);
    }
}

QString TStringList::DelimitedText() const
{
    if (Count() == 1 && FItems.at(0).FString.isEmpty())
        return QString(FQuoteChar) + FQuoteChar;
    QString result;
    for (int i = 0; i < Count(); ++i) {
        const QString &s = FItems.at(i).FString;
        bool quote = false;
        for (QChar c : s) {
            // A NUL ends the scan, as it ended the original's character pointer.
            if (c.unicode() == 0)
                break;
            if (c == FQuoteChar || c == FDelimiter || (!FStrictDelimiter && c.unicode() <= ' ')) {
                quote = true;
                break;
            }
        }
        if (quote) {
            QString q = s;
            q.replace(FQuoteChar, QString(FQuoteChar) + FQuoteChar);
            result += FQuoteChar + q + FQuoteChar;
        } else {
            result += s;
        }
        if (i < Count() - 1)
            result += FDelimiter;
    }
    return result;
}

void TStringList::SetDelimitedText(const QString &text)
{
    BeginUpdate();
    try {
        Clear();
        const int n = int(text.size());
        // The text ends at its end or at a NUL.
        auto at = [&](int p) -> ushort { return p < n ? text.at(p).unicode() : 0; };
        auto isBlank = [&](int p) { const ushort c = at(p); return c >= 1 && c <= ' '; };
        int p = 0;
        if (!FStrictDelimiter)
            while (isBlank(p))
                ++p;
        while (at(p) != 0) {
            QString s;
            if (at(p) == FQuoteChar.unicode()) {
                // Quoted: doubled quotes stand for one; an unclosed quote runs to the end.
                ++p;
                while (at(p) != 0) {
                    if (at(p) == FQuoteChar.unicode()) {
                        if (at(p + 1) == FQuoteChar.unicode()) {
                            s += FQuoteChar;
                            p += 2;
                            continue;
                        }
                        ++p;
                        break;
                    }
                    s += QChar(at(p));
                    ++p;
                }
            } else {
                const int start = p;
                while (at(p) != 0 && at(p) != FDelimiter.unicode() && (FStrictDelimiter || at(p) > ' '))
                    ++p;
                s = text.mid(start, p - start);
            }
            Add(s);
            if (!FStrictDelimiter)
                while (isBlank(p))
                    ++p;
            if (at(p) == FDelimiter.unicode()) {
                if (at(p + 1) == 0)
                    Add(QString());
                do {
                    ++p;
                } while (!FStrictDelimiter && isBlank(p));
            }
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

QString TStringList::CommaText() const
{
    auto *self = const_cast<TStringList *>(this);
    const QChar d = FDelimiter, q = FQuoteChar;
    const bool strict = FStrictDelimiter;
    self->FDelimiter = QLatin1Char(',');
    self->FQuoteChar = QLatin1Char('"');
    self->FStrictDelimiter = false;
    const QString r = DelimitedText();
    self->FDelimiter = d;
    self->FQuoteChar = q;
    self->FStrictDelimiter = strict;
    return r;
}

void TStringList::SetCommaText(const QString &text)
{
    const QChar d = FDelimiter, q = FQuoteChar;
    const bool strict = FStrictDelimiter;
    FDelimiter = QLatin1Char(',');
    FQuoteChar = QLatin1Char('"');
    FStrictDelimiter = false;
    try {
        SetDelimitedText(text);
    } catch (...) {
        FDelimiter = d;
        FQuoteChar = q;
        FStrictDelimiter = strict;
        throw;
    }
    FDelimiter = d;
    FQuoteChar = q;
    FStrictDelimiter = strict;
}

QString TStringList::Text() const
{
    QString r;
    for (const TItem &item : FItems)
        r += item.FString + QLatin1String("\r\n");
    return r;
}

void TStringList::SetText(const QString &text)
{
    BeginUpdate();
    Clear();
    const int n = int(text.size());
    int p = 0;
    while (p < n && text.at(p).unicode() != 0) {
        const int start = p;
        while (p < n && text.at(p).unicode() != 0 && text.at(p) != QLatin1Char('\n') && text.at(p) != QLatin1Char('\r'))
            ++p;
        Add(text.mid(start, p - start));
        if (p < n && text.at(p) == QLatin1Char('\r'))
            ++p;
        if (p < n && text.at(p) == QLatin1Char('\n'))
            ++p;
    }
    EndUpdate();
}

QString TStringList::Names(int index) const
{
    const QString s = Strings(index);
    const int p = s.indexOf(FNameValueSeparator);
    return p >= 0 ? s.left(p) : QString();
}

QString TStringList::ValueFromIndex(int index) const
{
    if (index < 0)
        return {};
    const QString s = Strings(index);
    const int p = s.indexOf(FNameValueSeparator);
    return p >= 0 ? s.mid(p + 1) : QString();
}

void TStringList::SetValueFromIndex(int index, const QString &value)
{
    if (!value.isEmpty()) {
        if (index < 0)
            index = Add(QString());
        SetStrings(index, Names(index) + FNameValueSeparator + value);
    } else if (index >= 0) {
        Delete(index);
    }
}

QString TStringList::Values(const QString &name) const
{
    const int i = IndexOfName(name);
    return i >= 0 ? ValueFromIndex(i) : QString();
}

void TStringList::SetValues(const QString &name, const QString &value)
{
    int i = IndexOfName(name);
    if (!value.isEmpty()) {
        if (i < 0)
            i = Add(QString());
        SetStrings(i, name + FNameValueSeparator + value);
    } else if (i >= 0) {
        Delete(i);
    }
}

void TStringList::Assign(const TStringList &source)
{
    if (&source == this)
        return;
    BeginUpdate();
    Clear();
    FDelimiter = source.FDelimiter;
    FQuoteChar = source.FQuoteChar;
    FStrictDelimiter = source.FStrictDelimiter;
    FNameValueSeparator = source.FNameValueSeparator;
    AddStrings(source);
    EndUpdate();
}

void TStringList::AddStrings(const TStringList &source)
{
    BeginUpdate();
    const QVector<TItem> items = source.FItems; // source may be this list
    for (const TItem &item : items)
        AddObject(item.FString, item.FObject);
    EndUpdate();
}

bool TStringList::Equals(const TStringList &other) const
{
    if (Count() != other.Count())
        return false;
    for (int i = 0; i < Count(); ++i)
        if (FItems.at(i).FString != other.FItems.at(i).FString)
            return false;
    return true;
}

QStringList TStringList::ToStringList() const
{
    QStringList r;
    r.reserve(Count());
    for (const TItem &item : FItems)
        r.append(item.FString);
    return r;
}

void TStringList::SetStringList(const QStringList &list)
{
    BeginUpdate();
    Clear();
    for (const QString &s : list)
        Add(s);
    EndUpdate();
}

} // namespace toolkit
