// The root object class and the string list of the original toolkit.
//
// TStringList keeps the original's rules exactly, because stored texts
// (parameters, layouts, use-case assignments) were written by them:
//  - DelimitedText quotes an entry holding the quote char, the delimiter or,
//    when not strict, a blank or control character; quotes inside are doubled.
//    Reading splits at the delimiter and, when not strict, at blanks outside
//    quotes; a lone delimiter at the very end adds an empty entry.
//  - CommaText is DelimitedText with ',' and '"', never strict.
//  - Text joins with CR LF after every entry; reading splits at CR, LF, CR LF.
//  - Comparisons (Sorted, IndexOf, Find, names) are locale-aware and
//    case-insensitive unless CaseSensitive is set.
// Objects attached to entries are owned only when OwnsObjects is set.
#pragma once

#include "toolkit/toolkit_export.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

namespace toolkit {

// The root of the framework's plain (non-QObject) classes: something a list
// can own and delete through a base pointer.
class TOOLKIT_EXPORT TObject
{
public:
    TObject() = default;
    TObject(const TObject &) = delete;
    TObject &operator=(const TObject &) = delete;
    virtual ~TObject();
};

class TStringList;
using TNotifyEvent = std::function<void(void *sender)>;

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TOOLKIT_EXPORT TStringList : public TObject
{
public:
    using TStringListSortCompare = std::function<int(TStringList &list, int index1, int index2)>;

    explicit TStringList(bool ownsObjects = false);
    TStringList(std::initializer_list<QString> items);
    ~TStringList() override;

    int Count() const { return int(FItems.size()); }
    bool IsEmpty() const { return FItems.isEmpty(); }

    QString Strings(int index) const;
    QString operator[](int index) const { return Strings(index); }
    void SetStrings(int index, const QString &s);
    TObject *Objects(int index) const;
    void SetObjects(int index, TObject *object);

    int Add(const QString &s);
    int AddObject(const QString &s, TObject *object);
    void Insert(int index, const QString &s);
    void InsertObject(int index, const QString &s, TObject *object);
    void Delete(int index);
    void Clear();
    void Exchange(int index1, int index2);
    void Move(int curIndex, int newIndex);
    // Detaches the entry's object without freeing it, even when owning.
    TObject *Extract(int index);

    int IndexOf(const QString &s) const;
    int IndexOfName(const QString &name) const;
    int IndexOfObject(const TObject *object) const;
    // Binary search of a sorted list; index is where s is or would be inserted.
    bool Find(const QString &s, int &index) const;

    void Sort();
    void CustomSort(const TStringListSortCompare &compare);

    bool Sorted() const { return FSorted; }
    void SetSorted(bool value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates value) { FDuplicates = value; }
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool value);
    bool OwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool value) { FOwnsObjects = value; }

    QChar Delimiter() const { return FDelimiter; }
    void SetDelimiter(QChar c) { FDelimiter = c; }
    QChar QuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(QChar c) { FQuoteChar = c; }
    bool StrictDelimiter() const { return FStrictDelimiter; }
    void SetStrictDelimiter(bool v) { FStrictDelimiter = v; }
    QChar NameValueSeparator() const { return FNameValueSeparator; }
    void SetNameValueSeparator(QChar c) { FNameValueSeparator = c; }

    QString DelimitedText() const;
    void SetDelimitedText(const QString &text);
    QString CommaText() const;
    void SetCommaText(const QString &text);
    QString Text() const;
    void SetText(const QString &text);

    QString Names(int index) const;
    QString ValueFromIndex(int index) const;
    void SetValueFromIndex(int index, const QString &value);
    QString Values(const QString &name) const;
    // An empty value removes the entry, as the original did.
    void SetValues(const QString &name, const QString &value);

    // Copies strings, object references and the text settings.
    void Assign(const TStringList &source);
    void AddStrings(const TStringList &source);
    bool Equals(const TStringList &other) const;
    QStringList ToStringList() const;
    void SetStringList(const QStringList &list);

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    // Called after (OnChange) and before (OnChanging) every change, not while updating.
    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

    // Comparison the list uses (locale-aware; case per CaseSensitive).
    int CompareStrings(const QString &a, const QString &b) const;

private:
    struct TItem
    {
        QString FString;
        TObject *FObject = nullptr;
    };

    void CheckIndex(int index) const;
    void Changing();
    void Changed();
    void InsertItem(int index, const QString &s, TObject *object);
    void FreeObject(TObject *object);
    void QuickSort(int l, int r, const TStringListSortCompare &compare);

    QVector<TItem> FItems;
    bool FSorted = false;
    TDuplicates FDuplicates = TDuplicates::dupIgnore;
    bool FCaseSensitive = false;
    bool FOwnsObjects = false;
    QChar FDelimiter = QLatin1Char(',');
    QChar FQuoteChar = QLatin1Char('"');
    bool FStrictDelimiter = false;
    QChar FNameValueSeparator = QLatin1Char('=');
    int FUpdateCount = 0;
};

using TStrings = TStringList;

} // namespace toolkit
