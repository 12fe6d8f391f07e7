#include "plList.h"

#include "toolkit/SysUtils.h"

#include <QCollator>
#include <unicode/ucol.h>
#include <unicode/uset.h>
#include <QLocale>
#include <QScopedValueRollback>
#include <QSqlQuery>
#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <cstring>
#include <optional>
#include <numeric>
#include <utility>
#include <vector>

namespace pelvar {

namespace {

QMultiHash<QString, TPlCustomBoList *> &LiveLists()
{
    static QMultiHash<QString, TPlCustomBoList *> lists;
    return lists;
}

QHash<QString, quint64> &ClassVersions()
{
    static QHash<QString, quint64> versions;
    return versions;
}

QString CodeListOf(const TPlAttrProperties &a)
{
    if (!a.CodeList.isEmpty())
        return a.CodeList;
    const int colon = a.ValidString.indexOf(QLatin1Char(':'));
    return colon >= 0 ? a.ValidString.mid(colon + 1) : QString();
}

struct TSortValue
{
    bool Null = true;
    double Number = 0; // the number itself, or a text's rank in collation order
};

// One entry of an order text.
struct TOrderTerm
{
    QString Name;
    bool Desc = false;
    int Describe = 0; // 0 the code itself, 1 its short description, 2 its long one
};

// Collation keys of many texts, for sorting them. ICU writes the keys side
// by side into one block and sorting compares them where they lie; Qt's sort
// keys cost two allocations each and comparing them chases pointers, which a
// list of 100,000 objects feels. The collator is set up as QCollator sets up
// its own (normalisation on, case ignored, digits as text, punctuation not
// ignored), so the order is QCollator's; without ICU, QCollator's keys serve.
//
// Most texts of a list (names, codes) are written in a small alphabet whose
// every character the collator weighs by one primary weight alone: no
// contraction, no expansion, no accent or other secondary difference. Such
// texts compare as the sequences of their characters' ranks in collation
// order, so their keys are those ranks, one byte a character, read from a
// table instead of asking ICU. The first text outside the alphabet turns the
// whole set to ICU's keys, since the two kinds of key do not compare.
class TTextKeys
{
public:
    explicit TTextKeys(const QString &localeName, qsizetype expected)
    {
        FCollator = IcuCollator(localeName, FRanks);
        if (FCollator) {
            FOffsets.reserve(size_t(expected));
            FBytes.reserve(size_t(expected) * 16);
            FTexts.reserve(size_t(expected));
            FSimple = FRanks != nullptr;
        } else {
            FQt.emplace(QLocale(localeName));
            FQt->setCaseSensitivity(Qt::CaseInsensitive);
            FQtKeys.reserve(size_t(expected));
        }
    }
    void Add(const QString &text)
    {
        if (!FCollator) {
            FQtKeys.push_back(FQt->sortKey(text));
            return;
        }
        if (FSimple) {
            if (AddRanks(text)) {
                FTexts.push_back(text);
                return;
            }
            // Every key so far again, the ICU way.
            FSimple = false;
            FBytes.clear();
            FOffsets.clear();
            FPrefix.clear();
            for (const QString &t : std::as_const(FTexts))
                AddIcu(t);
            FTexts = {};
        }
        AddIcu(text);
    }
    uint64_t Prefix(int i) const { return FCollator ? FPrefix[size_t(i)] : 0; }
    int Compare(int a, int b) const
    {
        if (!FCollator)
            return FQtKeys[size_t(a)].compare(FQtKeys[size_t(b)]);
        if (FPrefix[size_t(a)] != FPrefix[size_t(b)])
            return FPrefix[size_t(a)] < FPrefix[size_t(b)] ? -1 : 1;
        return std::strcmp(reinterpret_cast<const char *>(FBytes.data() + FOffsets[size_t(a)]),
                           reinterpret_cast<const char *>(FBytes.data() + FOffsets[size_t(b)]));
    }

private:
    // The characters looked at for the small alphabet, and each one's rank
    // (0: not in it).
    static constexpr char16_t RankedLimit = 0x180; // Basic Latin, Latin-1, Latin Extended-A
    using TRanks = std::array<uint8_t, RankedLimit>;

    bool AddRanks(const QString &text)
    {
        const size_t at = FBytes.size();
        FBytes.resize(at + size_t(text.size()) + 1);
        uint8_t *key = FBytes.data() + at;
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            const uint8_t r = u < RankedLimit ? (*FRanks)[u] : 0;
            if (r == 0) {
                FBytes.resize(at);
                return false;
            }
            *key++ = r;
        }
        *key = 0;
        Added(at);
        return true;
    }
    void AddIcu(const QString &text)
    {
        const size_t at = FBytes.size();
        const int32_t room = int32_t(16 + 4 * text.size());
        FBytes.resize(at + size_t(room));
        const auto *chars = reinterpret_cast<const UChar *>(text.utf16());
        int32_t length = ucol_getSortKey(FCollator, chars, int32_t(text.size()), FBytes.data() + at, room);
        if (length > room) {
            FBytes.resize(at + size_t(length));
            length = ucol_getSortKey(FCollator, chars, int32_t(text.size()), FBytes.data() + at, length);
        }
        FBytes.resize(at + size_t(std::max(length, 1)));
        FBytes.back() = 0; // a key ends with its only zero byte
        Added(at);
    }
    void Added(size_t at)
    {
        FOffsets.push_back(at);
        // The first eight bytes as one number: most keys differ there, and
        // comparing numbers that lie side by side is what makes the sort quick.
        uint64_t prefix = 0;
        const uint8_t *key = FBytes.data() + at;
        bool ended = false;
        for (int i = 0; i < 8; ++i) {
            const uint8_t b = ended ? 0 : key[i];
            ended = ended || b == 0;
            prefix = (prefix << 8) | b;
        }
        FPrefix.push_back(prefix);
    }

    // The ranks of the collator's small alphabet, or nullptr when it has none.
    static std::unique_ptr<TRanks> SmallAlphabet(UCollator *c)
    {
        // A character's own key: its primary weight, the level separator 1
        // and its secondary weight. The alphabet takes the characters whose
        // secondary weight is that of a plain "a" and that have a primary
        // one, and that are no compatibility forms (ligatures, fractions).
        auto keyOf = [c](char16_t u) {
            uint8_t buffer[32];
            const UChar ch = u;
            const int32_t n = ucol_getSortKey(c, &ch, 1, buffer, int32_t(sizeof buffer));
            return n > 0 && n <= int32_t(sizeof buffer) ? std::string(reinterpret_cast<const char *>(buffer), size_t(n - 1))
                                                         : std::string();
        };
        auto secondaryOf = [](const std::string &key) {
            const size_t sep = key.find('\x01');
            return sep == std::string::npos || sep == 0 ? std::string() : key.substr(sep);
        };
        const std::string plain = secondaryOf(keyOf(u'a'));
        if (plain.empty())
            return nullptr;
        std::array<std::string, RankedLimit> keys;
        for (char16_t u = 0x20; u < RankedLimit; ++u) {
            if ((u >= 0x7F && u < 0xA0) || QChar(u).decompositionTag() > QChar::Canonical)
                continue;
            const std::string key = keyOf(u);
            if (!key.empty() && secondaryOf(key) == plain)
                keys[u] = key;
        }

        // A character that expands to more than one weight leaves; and of a
        // contraction (or a context) that a text of the alphabet could hold,
        // one character leaves, the last in code order (so "L·" costs the
        // dot, not the letter), and with it every text that could hold it.
        UErrorCode status = U_ZERO_ERROR;
        USet *contractions = uset_openEmpty();
        USet *expansions = uset_openEmpty();
        ucol_getContractionsAndExpansions(c, contractions, expansions, true, &status);
        auto visit = [&](const USet *set) {
            UChar buffer[64];
            for (int32_t i = 0, n = uset_getItemCount(set); i < n && U_SUCCESS(status); ++i) {
                UChar32 from = 0, to = 0;
                const int32_t length = uset_getItem(set, i, &from, &to, buffer, 64, &status);
                if (length == 0) {
                    for (UChar32 u = from; u <= to && u < RankedLimit; ++u)
                        keys[size_t(u)].clear();
                    continue;
                }
                if (length > 64)
                    continue;
                char16_t last = 0;
                bool inAlphabet = true;
                for (int32_t k = 0; k < length && inAlphabet; ++k) {
                    inAlphabet = buffer[k] < RankedLimit && !keys[buffer[k]].empty();
                    last = std::max<char16_t>(last, buffer[k]);
                }
                if (inAlphabet)
                    keys[last].clear();
            }
        };
        visit(expansions);
        visit(contractions);
        uset_close(contractions);
        uset_close(expansions);
        if (U_FAILURE(status))
            return nullptr;

        std::vector<std::pair<std::string, char16_t>> members;
        for (char16_t u = 0x20; u < RankedLimit; ++u)
            if (!keys[u].empty())
                members.emplace_back(keys[u], u);
        std::sort(members.begin(), members.end());
        auto ranks = std::make_unique<TRanks>();
        ranks->fill(0);
        int rank = 0;
        for (size_t i = 0; i < members.size(); ++i) {
            if (i == 0 || members[i].first != members[i - 1].first)
                ++rank;
            if (rank > 255)
                break;
            (*ranks)[members[i].second] = uint8_t(rank);
        }
        return ranks;
    }

    static UCollator *IcuCollator(const QString &localeName, const TRanks *&ranks)
    {
        struct TCollator
        {
            QString Locale;
            UCollator *Collator = nullptr;
            std::unique_ptr<TRanks> Ranks;
            ~TCollator()
            {
                if (Collator)
                    ucol_close(Collator);
            }
        };
        thread_local TCollator cached;
        ranks = nullptr;
        if (cached.Locale != localeName || !cached.Collator) {
            if (cached.Collator)
                ucol_close(std::exchange(cached.Collator, nullptr));
            cached.Ranks.reset();
            cached.Locale = localeName;
            const QLocale locale(localeName);
            if (locale.language() == QLocale::C)
                return nullptr; // QCollator compares the C locale by code points
            UErrorCode status = U_ZERO_ERROR;
            UCollator *c = ucol_open(locale.name().toLatin1().constData(), &status);
            if (U_FAILURE(status) || !c)
                return nullptr;
            ucol_setAttribute(c, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
            ucol_setAttribute(c, UCOL_STRENGTH, UCOL_SECONDARY, &status);
            ucol_setAttribute(c, UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
            ucol_setAttribute(c, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
            if (U_FAILURE(status)) {
                ucol_close(c);
                return nullptr;
            }
            cached.Collator = c;
            cached.Ranks = SmallAlphabet(c);
        }
        ranks = cached.Ranks.get();
        return cached.Collator;
    }

    UCollator *FCollator = nullptr;
    std::vector<uint8_t> FBytes;
    std::vector<size_t> FOffsets;
    std::vector<uint64_t> FPrefix;
    const TRanks *FRanks = nullptr;
    bool FSimple = false;
    std::vector<QString> FTexts; // while the keys are ranks: the texts, for ICU's keys after all
    std::optional<QCollator> FQt;
    std::vector<QCollatorSortKey> FQtKeys;
};

TOrderTerm ParseOrderTerm(const QString &text)
{
    TOrderTerm t;
    QString name = text.trimmed();
    // "FIELD DESC" / "FIELD ASC", as stored views keep their orders.
    const qsizetype space = name.lastIndexOf(QLatin1Char(' '));
    if (space > 0) {
        const QStringView word = QStringView(name).mid(space + 1);
        const bool desc = word.compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
        if (desc || word.compare(QLatin1String("ASC"), Qt::CaseInsensitive) == 0) {
            t.Desc = desc;
            name = name.left(space).trimmed();
        }
    }
    while (!name.isEmpty()) {
        if (name.at(0) == QLatin1Char('-'))
            t.Desc = true;
        else if (name.at(0) == QLatin1Char('@'))
            t.Describe = 1;
        else if (name.at(0) == QChar(0xA7))
            t.Describe = 2;
        else
            break;
        name.remove(0, 1);
    }
    t.Name = name;
    return t;
}

} // namespace

struct TPlCustomBoList::TSortCache
{
    QVector<TplPerObject *> Items; // the items the values belong to, in this order
    QHash<QString, QVector<TSortValue>> Columns; // "attribute|description kind" -> value per item
};

void NotifyClassChanged(const QString &className, TplPerObject *object, TplNotifyAction action)
{
    const QString key = className.toUpper();
    ++ClassVersions()[key];
    const QList<TPlCustomBoList *> lists = LiveLists().values(key);
    for (TPlCustomBoList *l : lists) {
        if (!LiveLists().contains(key, l))
            continue;
        if (action == TplNotifyAction::naDeleted && l->IndexOf(object) >= 0)
            l->Remove(object);
        l->SetNeedToRefresh(true);
        l->NotifyObservers(TplNotifyAction::naNeedRefresh, QVariant::fromValue<TplDomainObject *>(object), l);
    }
}

quint64 ClassVersion(const QString &className)
{
    return ClassVersions().value(className.toUpper());
}

// --- TPlCustomBoList ---------------------------------------------------------------

TPlCustomBoList::TPlCustomBoList(TPlClassMetaData *meta, QString description)
    : FMeta(meta)
    , FDescription(std::move(description))
{
    FRelaysHeldObjects = true;
    FMeta->AddUser();
    LiveLists().insert(FMeta->ClassName().toUpper(), this);
}

TPlCustomBoList::~TPlCustomBoList()
{
    LiveLists().remove(FMeta->ClassName().toUpper(), this);
    FDataSet.reset();
    const QVector<TplPerObject *> items = FItems;
    FItems.clear();
    for (TplPerObject *o : items)
        o->Release(this);
    FMeta->ReleaseUser();
}

void TPlCustomBoList::HeldObjectNotified(TplDomainObject *sender, TplNotifyAction action, const QVariant &param)
{
    FSortCache.reset();
    // A new object gets its ID when it is saved.
    if (action == TplNotifyAction::naSaved || action == TplNotifyAction::naLoaded)
        FIDPositionsValid = false;
    // Only lists hold their objects with relaying, and lists hold stored objects only.
    if (FDataSet)
        FDataSet->ObjectChanged(static_cast<TplPerObject *>(sender), action);
    NotifyObserversFrom(sender, action, param, this);
}

QString TPlCustomBoList::Description() const
{
    return FDescription.isEmpty() ? QStringLiteral("%1 (%2)").arg(FMeta->Provider()->GetCaption()).arg(FItems.size())
                                  : FDescription;
}

TplPerObject *TPlCustomBoList::Get(int index) const
{
    if (index < 0 || index >= FItems.size())
        throw EplError(QStringLiteral("TPlBoList.Get: index %1 out of range (%2 objects)").arg(index).arg(FItems.size()));
    return FItems.at(index);
}

int TPlCustomBoList::IndexOf(const TplDomainObject *object) const
{
    if (!object)
        return -1;
    if (!FPositionsValid) {
        if (FLookupsSinceChange++ == 0) {
            const qsizetype i = FItems.indexOf(object);
            return int(i);
        }
        FPositions.clear();
        FPositions.reserve(FItems.size());
        for (int i = 0; i < FItems.size(); ++i)
            FPositions.insert(FItems.at(i), i);
        FPositionsValid = true;
    }
    return FPositions.value(object, -1);
}

int TPlCustomBoList::IndexOfID(qint64 id) const
{
    if (!FIDPositionsValid) {
        FIDPositions.clear();
        FIDPositions.reserve(FItems.size());
        // Backwards, so that the first of equal IDs (new objects) stays.
        for (int i = int(FItems.size()) - 1; i >= 0; --i)
            FIDPositions.insert(FItems.at(i)->GetID(), i);
        FIDPositionsValid = true;
    }
    const auto it = FIDPositions.constFind(id);
    if (it == FIDPositions.cend())
        return -1;
    if (it.value() < FItems.size() && FItems.at(it.value())->GetID() == id)
        return it.value();
    // An ID changed without a word; look, and index again next time.
    FIDPositionsValid = false;
    for (int i = 0; i < FItems.size(); ++i)
        if (FItems.at(i)->GetID() == id)
            return i;
    return -1;
}

void TPlCustomBoList::ItemsChanged()
{
    FPositionsValid = false;
    FIDPositionsValid = false;
    FLookupsSinceChange = 0;
}

void TPlCustomBoList::SetCurrIndex(int index)
{
    if (index < -1 || index >= FItems.size())
        index = -1;
    if (FCurrent == index)
        return;
    FCurrent = index;
    if (FDataSet && !FDataSet->Syncing())
        FDataSet->CurrentChanged();
    // A walk through the data set moves the current object at every step.
    if (HasListeners())
        NotifyObservers(TplNotifyAction::naCurrentChanged, QVariant::fromValue<TplDomainObject *>(CurrObject()), this);
}

void TPlCustomBoList::SetCurrObject(TplPerObject *object)
{
    SetCurrIndex(IndexOf(object));
}

void TPlCustomBoList::Changed(TplNotifyAction action, const QVariant &param)
{
    if (action != TplNotifyAction::naOrderChanged && action != TplNotifyAction::naCurrentChanged)
        FSortCache.reset();
    if (FDataSet)
        FDataSet->ListChanged();
    NotifyObservers(action, param, this);
}

void TPlCustomBoList::Changed(TplNotifyAction action, TplDomainObject *object)
{
    if (HasListeners()) {
        Changed(action, QVariant::fromValue<TplDomainObject *>(object));
        return;
    }
    FSortCache.reset();
    if (FDataSet)
        FDataSet->ListChanged();
}

void TPlCustomBoList::Add(TplPerObject *object)
{
    // The list holds each of its objects once, as a retainer: asking the
    // object is cheaper than any search of the list.
    if (!object || object->HeldBy(this))
        return;
    if (object->ClassMetaData() != FMeta)
        throw EplError(QStringLiteral("TPlBoList.Add: a %1 does not belong in a list of %2!").arg(object->ClassName(), FMeta->ClassName()));
    object->AddRef(this);
    const int index = int(FItems.size());
    FItems.append(object);
    // Appending keeps the positions already known.
    if (FPositionsValid)
        FPositions.insert(object, index);
    if (FIDPositionsValid)
        if (!FIDPositions.contains(object->GetID()))
            FIDPositions.insert(object->GetID(), index);
    Changed(TplNotifyAction::naObjectAdded, static_cast<TplDomainObject *>(object));
}

void TPlCustomBoList::Remove(TplPerObject *object)
{
    const int i = IndexOf(object);
    if (i < 0)
        return;
    FItems.removeAt(i);
    ItemsChanged();
    if (i < FCurrent)
        --FCurrent; // the current object stays current
    if (FCurrent >= FItems.size())
        FCurrent = int(FItems.size()) - 1;
    // Tell before letting go: the object may be freed by the release.
    Changed(TplNotifyAction::naObjectRemoved, static_cast<TplDomainObject *>(object));
    object->Release(this);
}

void TPlCustomBoList::Clear()
{
    const QVector<TplPerObject *> items = FItems;
    FItems.clear();
    ItemsChanged();
    FCurrent = -1;
    Changed(TplNotifyAction::naCleared);
    for (TplPerObject *o : items)
        o->Release(this);
}

bool TPlCustomBoList::IsObjectFiltered(const TplPerObject *object) const
{
    return Filter && object && Filter(object);
}

int TPlCustomBoList::IndexOfObjectWithAttrValue(const QString &attr, const QVariant &value) const
{
    const int a = FMeta->AttrIndex(attr);
    const bool isId = a < 0 && attr.compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0;
    if (a < 0 && !isId)
        throw EplError(QStringLiteral("%1 has no attribute %2").arg(FMeta->ClassName(), attr));
    if (isId && !value.isNull() && value.typeId() != QMetaType::QString) {
        const double d = value.toDouble();
        return d == double(qint64(d)) ? IndexOfID(qint64(d)) : -1;
    }
    for (int i = 0; i < FItems.size(); ++i) {
        const QVariant v = isId ? QVariant(FItems.at(i)->GetID()) : FItems.at(i)->GetAttrValueAt(a);
        if (v.isNull() || value.isNull()) {
            if (v.isNull() && value.isNull())
                return i;
            continue;
        }
        if (v.typeId() == QMetaType::QString || value.typeId() == QMetaType::QString) {
            if (v.toString() == value.toString())
                return i;
        } else if (v.toDouble() == value.toDouble()) {
            return i;
        }
    }
    return -1;
}

void TPlCustomBoList::OrderBy(const QString &spec)
{
    // Check every entry first, so a bad order text leaves the order alone.
    const QStringList parts = spec.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &p : parts) {
        const QString name = ParseOrderTerm(p).Name;
        if (name.compare(QLatin1String("ID"), Qt::CaseInsensitive) != 0 && !FMeta->HasAttribute(name))
            throw EplError(QStringLiteral("TPlBoList.OrderBy: %1 has no attribute %2").arg(FMeta->ClassName(), name));
    }
    FOrder = spec;
    SortItems();
    Changed(TplNotifyAction::naOrderChanged);
}

void TPlCustomBoList::SortItems()
{
    struct TKey
    {
        int Attr = -1; // -1: ID
        bool Desc = false;
        int Describe = 0; // 0 code itself, 1 short description, 2 long
    };
    QVector<TKey> keys;
    for (const QString &p : FOrder.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const TOrderTerm term = ParseOrderTerm(p);
        TKey k;
        k.Desc = term.Desc;
        k.Describe = term.Describe;
        k.Attr = FMeta->AttrIndex(term.Name);
        keys.append(k);
    }
    if (keys.isEmpty() || FItems.size() < 2)
        return;

    // One sort value per object and key (collation keys for texts, numbers
    // for numbers and dates), kept while the items stay the same: ordering
    // the other way round, or by the same column again, reuses them.
    if (!FSortCache || FSortCache->Items != FItems) {
        FSortCache = std::make_unique<TSortCache>();
        FSortCache->Items = FItems;
    }
    const int n = int(FItems.size());
    QVector<const QVector<TSortValue> *> columns;
    for (const TKey &key : std::as_const(keys)) {
        const QString id = QStringLiteral("%1|%2").arg(key.Attr).arg(key.Describe);
        auto it = FSortCache->Columns.find(id);
        if (it == FSortCache->Columns.end()) {
            const TPlAttrProperties *a = key.Attr >= 0 ? &FMeta->Attr(key.Attr) : nullptr;
            const QString codeList = a ? CodeListOf(*a) : QString();
            const bool text = a && (a->DataType == TplAttrType::atString || a->DataType == TplAttrType::atMemo);
            QHash<QString, QString> described;
            QVector<TSortValue> values(n);
            std::optional<TTextKeys> textKeys;
            std::vector<int> textItems; // the item of each key
            if (text || key.Describe) {
                textKeys.emplace(toolkit::FormatSettings().CollationLocale, n);
                textItems.reserve(size_t(n));
            }
            for (int i = 0; i < n; ++i) {
                const QVariant id = a ? QVariant() : QVariant(FItems.at(i)->GetID());
                const QVariant &raw = a ? FItems.at(i)->GetAttrValueAt(key.Attr) : id;
                if (raw.isNull())
                    continue;
                TSortValue &v = values[i];
                v.Null = false;
                if (text || key.Describe) {
                    QString s = raw.toString();
                    if (key.Describe && CatalogueHooks().Description) {
                        auto d = described.find(s);
                        if (d == described.end())
                            d = described.insert(s, CatalogueHooks().Description(codeList, s, key.Describe == 2));
                        s = d.value();
                    }
                    textKeys->Add(s);
                    textItems.push_back(i);
                } else {
                    v.Number = raw.toDouble();
                }
            }
            // Texts are compared through their collation keys once; what is
            // kept is each text's rank, so later orderings compare numbers.
            std::vector<std::pair<uint64_t, int>> byKey(textItems.size());
            for (size_t j = 0; j < byKey.size(); ++j)
                byKey[j] = {textKeys->Prefix(int(j)), int(j)};
            std::sort(byKey.begin(), byKey.end(), [&](const auto &x, const auto &y) {
                if (x.first != y.first)
                    return x.first < y.first;
                return textKeys->Compare(x.second, y.second) < 0;
            });
            int rank = 0;
            for (size_t j = 0; j < byKey.size(); ++j) {
                if (j > 0 && textKeys->Compare(byKey[j - 1].second, byKey[j].second) != 0)
                    ++rank;
                values[textItems[size_t(byKey[j].second)]].Number = rank;
            }
            it = FSortCache->Columns.insert(id, std::move(values));
        }
        columns.append(&it.value());
    }
    auto compare = [](const TSortValue &a, const TSortValue &b) {
        if (a.Null || b.Null)
            return a.Null == b.Null ? 0 : (a.Null ? -1 : 1);
        return a.Number < b.Number ? -1 : (a.Number > b.Number ? 1 : 0);
    };
    QVector<int> order(n);
    // One key whose values are ranks (texts always are): the items go into
    // one bucket per rank, keeping their order within it, in linear time.
    const auto denseRanks = [n](const QVector<TSortValue> &column) {
        for (const TSortValue &v : column)
            if (!v.Null && (v.Number < 0 || v.Number >= n || v.Number != double(qint64(v.Number))))
                return false;
        return true;
    };
    if (keys.size() == 1 && denseRanks(*columns.at(0))) {
        const QVector<TSortValue> &column = *columns.at(0);
        const bool desc = keys.at(0).Desc;
        // Bucket 0 holds the empty values: first going up, last going down.
        auto bucket = [&](int i) {
            const TSortValue &v = column.at(i);
            const int b = v.Null ? 0 : int(v.Number) + 1;
            return desc ? (b == 0 ? n + 1 : n + 1 - b) : b;
        };
        std::vector<int> start(size_t(n) + 3, 0);
        for (int i = 0; i < n; ++i)
            ++start[size_t(bucket(i)) + 1];
        for (size_t b = 1; b < start.size(); ++b)
            start[b] += start[b - 1];
        for (int i = 0; i < n; ++i)
            order[start[size_t(bucket(i))]++] = i;
    } else if (keys.size() == 1) {
        // One key (the usual click on a column): the values are sorted where
        // they lie side by side, not looked up through the items.
        struct TEntry
        {
            TSortValue Value;
            int Item;
        };
        std::vector<TEntry> entries(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            entries[size_t(i)] = {columns.at(0)->at(i), i};
        const bool desc = keys.at(0).Desc;
        std::stable_sort(entries.begin(), entries.end(), [&](const TEntry &a, const TEntry &b) {
            const int c = compare(a.Value, b.Value);
            return desc ? c > 0 : c < 0;
        });
        for (int i = 0; i < n; ++i)
            order[i] = entries[size_t(i)].Item;
    } else {
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
            for (int k = 0; k < keys.size(); ++k) {
                const int c = compare(columns.at(k)->at(x), columns.at(k)->at(y));
                if (c != 0)
                    return keys.at(k).Desc ? c > 0 : c < 0;
            }
            return false;
        });
    }
    QVector<TplPerObject *> sorted(n);
    int current = -1;
    for (int i = 0; i < n; ++i) {
        sorted[i] = FItems.at(order.at(i));
        if (order.at(i) == FCurrent)
            current = i;
    }
    FItems = std::move(sorted);
    FCurrent = current;
    ItemsChanged();
    for (auto it = FSortCache->Columns.begin(); it != FSortCache->Columns.end(); ++it) {
        QVector<TSortValue> permuted(n);
        for (int i = 0; i < n; ++i)
            permuted[i] = std::move(it.value()[order.at(i)]);
        it.value() = std::move(permuted);
    }
    FSortCache->Items = FItems;
}

QList<TplDomainObject *> TPlCustomBoList::GetNestedObjectList() const
{
    QList<TplDomainObject *> r;
    r.reserve(FItems.size());
    for (TplPerObject *o : FItems)
        r << o;
    return r;
}

void TPlCustomBoList::Refresh()
{
    Changed(TplNotifyAction::naRefreshed);
}

toolkit::TDataSet *TPlCustomBoList::GetDataSet()
{
    if (!FDataSet) {
        FDataSet = std::make_unique<TplBoListDataSet>(this);
        FDataSet->Open();
    }
    return FDataSet.get();
}

// --- TPlBoList -------------------------------------------------------------------

TPlBoList::TPlBoList(TPlClassMetaData *meta, QString description)
    : TPlCustomBoList(meta, std::move(description))
{
}

TPlBoList *TPlBoList::Create(const QString &className, TplDomainObject *retainer, const QString &description)
{
    return Make<TPlBoList>(retainer, pelvar::ClassMetaData(className), description);
}

void TPlBoList::Load()
{
    QString sql = QStringLiteral("select * from %1").arg(FMeta->Provider()->GetTableName());
    if (!FCondition.trimmed().isEmpty())
        sql += QStringLiteral(" where (%1)").arg(FCondition);
    sql += QStringLiteral(" order by ID");
    QSqlQuery q = ExecSql(sql);
    const TplPerObject::TRecordMap map(FMeta, q.record());
    QVector<TplPerObject *> loaded;
    loaded.reserve(std::max<qsizetype>(FItems.size(), 256));
    try {
        while (q.next())
            loaded.append(TplPerObject::FromQuery(map, q, this));
    } catch (...) {
        for (TplPerObject *o : std::as_const(loaded))
            o->Release(this);
        throw;
    }
    // New references are taken before the old ones go, so objects in both
    // lists stay alive and keep their identity; the old ones go only after
    // the data set and the observers have the new items, so nothing that
    // shows the list ever sees a freed object.
    TplPerObject *current = CurrObject();
    const QVector<TplPerObject *> old = std::move(FItems);
    FItems = std::move(loaded);
    ItemsChanged();
    FCurrent = IndexOf(current);
    SortItems();
    if (FCurrent < 0 && !FItems.isEmpty())
        FCurrent = 0;
    FNeedRefresh = false;
    FLoadTime = QDateTime::currentDateTime();
    Changed(TplNotifyAction::naRefreshed);
    for (TplPerObject *o : old)
        o->Release(this);
}

void TPlBoList::Refresh()
{
    Load();
}

void TPlBoList::AddAndRefresh(TplPerObject *object)
{
    Add(object);
    SortItems();
    FCurrent = IndexOf(object);
    Changed(TplNotifyAction::naRefreshed);
}

void TPlBoList::LoadCatalogueForColumns(const QStringList &columns)
{
    if (!CatalogueHooks().Load)
        return;
    QStringList done;
    for (const QString &c : columns) {
        const TPlAttrProperties *a = FMeta->GetAttrProperties(c);
        if (!a)
            continue;
        const QString list = CodeListOf(*a);
        if (!list.isEmpty() && !done.contains(list)) {
            CatalogueHooks().Load(list);
            done << list;
        }
    }
}

// --- TplBoListDataSet ------------------------------------------------------------

TplBoListDataSet::TplBoListDataSet(TPlCustomBoList *list)
    : toolkit::TDataSet(nullptr)
    , FList(list)
{
    setObjectName(list->ClassMetaData()->ClassName());
}

TplBoListDataSet::~TplBoListDataSet()
{
    FVisible.clear();
    ReleaseEditObject();
}

void TplBoListDataSet::ReleaseEditObject()
{
    if (TplPerObject *o = std::exchange(FEditObject, nullptr))
        o->Release(nullptr);
}

int TplBoListDataSet::ItemOfRecord(int recIndex) const
{
    if (recIndex < 0 || recIndex >= FVisible.size())
        return -1;
    return FItemOfRecord.isEmpty() ? recIndex : FItemOfRecord.at(recIndex);
}

int TplBoListDataSet::RecordOfItem(int itemIndex) const
{
    if (itemIndex < 0)
        return -1;
    if (FItemOfRecord.isEmpty())
        return itemIndex < FVisible.size() ? itemIndex : -1;
    return FRecordOfItem.value(itemIndex, -1);
}

int TplBoListDataSet::RecordOf(const TplPerObject *object) const
{
    if (!object)
        return -1;
    if (FPhantom >= 0 && FVisible.at(FPhantom) == object)
        return FPhantom;
    return RecordOfItem(FList->IndexOf(object));
}

void TplBoListDataSet::Rebuild()
{
    const QVector<TplPerObject *> &items = FList->FItems;
    FItemOfRecord.clear();
    FRecordOfItem.clear();
    FPhantom = -1;
    FIDRecordsValid = false;
    if (FList->Filter) {
        FVisible.clear();
        FVisible.reserve(items.size());
        FRecordOfItem.fill(-1, items.size());
        for (int i = 0; i < items.size(); ++i) {
            if (FList->IsObjectFiltered(items.at(i)))
                continue;
            FRecordOfItem[i] = int(FVisible.size());
            FItemOfRecord.append(i);
            FVisible.append(items.at(i));
        }
    } else {
        FVisible = items; // shared until either side changes
    }
    // The record being edited stays until the edit ends, even when its
    // object left the list (the data set holds it): what the user typed can
    // still be posted, and no record is left pointing at a freed object.
    if (FEditObject && State() == toolkit::TDataSetState::dsEdit && RecordOf(FEditObject) < 0) {
        if (!FList->Filter) {
            FItemOfRecord.resize(FVisible.size());
            std::iota(FItemOfRecord.begin(), FItemOfRecord.end(), 0);
            FRecordOfItem = FItemOfRecord;
        }
        const int at = std::clamp(CurrentIndex(), 0, int(FVisible.size()));
        FVisible.insert(at, FEditObject);
        FItemOfRecord.insert(at, -1);
        for (int &r : FRecordOfItem)
            if (r >= at)
                ++r;
        FPhantom = at;
    }
}

void TplBoListDataSet::InternalOpen()
{
    SetFieldDefs(AttributeFieldDefs(FList->ClassMetaData()));
    ApplyAttributeFieldSettings(this, FList->ClassMetaData());
    Rebuild();
}

void TplBoListDataSet::InternalClose()
{
    FVisible.clear();
    FItemOfRecord.clear();
    FRecordOfItem.clear();
    FPhantom = -1;
    FIDRecordsValid = false;
    ReleaseEditObject();
}

void TplBoListDataSet::ListChanged()
{
    if (!Active() || FSyncing)
        return;
    Rebuild();
    if (State() != toolkit::TDataSetState::dsBrowse) {
        // Nothing is announced while a record is edited: a control would show
        // the record again over what is being typed. Post and Cancel tell.
        if (State() == toolkit::TDataSetState::dsEdit)
            SetCurrentRecord(RecordOf(FEditObject));
        return;
    }
    if (FRefreshing)
        return; // Refresh places the cursor and tells the controls itself
    {
        const QScopedValueRollback<bool> syncing(FSyncing, true);
        SyncCursor(RecordOfItem(FList->FCurrent));
    }
    DataEvent(toolkit::TDataEvent::deDataSetChange);
}

void TplBoListDataSet::CurrentChanged()
{
    if (!Active() || FSyncing || State() != toolkit::TDataSetState::dsBrowse)
        return;
    const QScopedValueRollback<bool> syncing(FSyncing, true);
    SyncCursor(RecordOfItem(FList->FCurrent));
}

void TplBoListDataSet::ObjectChanged(TplPerObject *object, TplNotifyAction action)
{
    if (!Active() || FSyncing)
        return;
    switch (action) {
    case TplNotifyAction::naLoaded:
    case TplNotifyAction::naSaved:
        FIDRecordsValid = false;
        break;
    case TplNotifyAction::naModified:
    case TplNotifyAction::naPosted:
    case TplNotifyAction::naCanceled:
    case TplNotifyAction::naAttrChanged:
    case TplNotifyAction::naReadOnlyChanged:
    case TplNotifyAction::naErrorChanged:
        break;
    default:
        return; // a deleted object leaves the list, and the list tells
    }
    const int rec = RecordOf(object);
    // The filter may now say otherwise of this object: only then do the records change.
    if (FList->Filter && State() == toolkit::TDataSetState::dsBrowse && (rec >= 0) == FList->IsObjectFiltered(object)) {
        ListChanged();
        return;
    }
    if (rec >= 0)
        RecordChangedAt(rec);
}

void TplBoListDataSet::CursorMoved()
{
    if (FSyncing)
        return;
    const QScopedValueRollback<bool> syncing(FSyncing, true);
    const int rec = CurrentIndex();
    FList->SetCurrIndex(ItemOfRecord(rec));
    Prefetch(rec);
}

void TplBoListDataSet::Prefetch(int rec) const
{
    // A walk reads the same field of the next records next. Each read goes
    // object -> its values -> the text, three places apart in memory; they
    // are fetched into the cache a few steps ahead, one level per step, so
    // that a walk does not wait on memory at every record.
    const int n = int(FVisible.size());
    if (FLastField < 1 || rec < 0)
        return;
    if (rec + 3 < n)
        __builtin_prefetch(FVisible.at(rec + 3));
    if (rec + 2 < n)
        __builtin_prefetch(&FVisible.at(rec + 2)->GetAttrValueAt(FLastField - 1));
    if (rec + 1 < n) {
        const QVariant &v = FVisible.at(rec + 1)->GetAttrValueAt(FLastField - 1);
        if (v.typeId() == QMetaType::QString)
            __builtin_prefetch(static_cast<const QString *>(v.constData())->constData());
    }
}

QVariant TplBoListDataSet::InternalGetValue(int index, int field) const
{
    if (index < 0 || index >= FVisible.size())
        return {};
    const TplPerObject *o = FVisible.at(index);
    return field == 0 ? QVariant(o->GetID()) : o->GetAttrValueAt(field - 1);
}

const QVariant *TplBoListDataSet::InternalValueRef(int index, int field) const
{
    if (field == 0 || index < 0 || index >= FVisible.size())
        return nullptr;
    FLastField = field;
    return &FVisible.at(index)->GetAttrValueAt(field - 1);
}

void TplBoListDataSet::InternalEdit()
{
    ReleaseEditObject();
    FEditObject = ObjectAt(CurrentIndex());
    if (FEditObject)
        FEditObject->AddRef(nullptr);
}

void TplBoListDataSet::InternalPost(int recIndex, int insertPos, const QVector<QVariant> &buffer)
{
    TPlClassMetaData *m = FList->ClassMetaData();
    auto write = [&](TplPerObject *o) {
        for (int i = 0; i < m->AttrCount(); ++i) {
            const QVariant &now = o->GetAttrValueAt(i);
            const QVariant v = buffer.value(i + 1);
            if (now != v || now.isNull() != v.isNull())
                o->SetAttrValue(m->Attr(i).Name, v);
        }
        o->PostData();
    };
    const QScopedValueRollback<bool> syncing(FSyncing, true);
    if (recIndex >= 0) {
        TplPerObject *o = FEditObject ? FEditObject : ObjectAt(recIndex);
        if (!o)
            return;
        write(o);
        // The edit is over: the record of an object that left the list goes.
        TplPerObject *edited = std::exchange(FEditObject, nullptr);
        Rebuild();
        const int rec = RecordOf(edited);
        SetCurrentRecord(rec >= 0 ? rec : RecordOfItem(FList->FCurrent));
        if (edited)
            edited->Release(nullptr);
        return;
    }
    TplPerObject *o = TplPerObject::Create(m->ClassName(), nullptr);
    try {
        write(o);
    } catch (...) {
        o->Release(nullptr);
        throw;
    }
    // Insert at the position the user chose, among the list's items. The
    // records are the list's own (Rebuild runs on every change), so the
    // record there is an object the list holds.
    TplPerObject *before = insertPos >= 0 && insertPos < FVisible.size() ? FVisible.at(insertPos) : nullptr;
    FList->Add(o);
    o->Release(nullptr); // the list holds it now
    const int at = FList->IndexOf(before);
    if (at >= 0 && FList->FItems.last() == o) {
        FList->FItems.removeLast();
        FList->FItems.insert(at, o);
        FList->ItemsChanged();
    }
    FList->FCurrent = FList->IndexOf(o);
    Rebuild();
    const int rec = RecordOf(o);
    SetCurrentRecord(rec >= 0 ? rec : RecordOfItem(FList->FCurrent));
}

void TplBoListDataSet::InternalCancel()
{
    TplPerObject *edited = std::exchange(FEditObject, nullptr);
    if (FPhantom >= 0)
        Rebuild();
    int rec = RecordOf(edited);
    if (rec < 0)
        rec = RecordOfItem(FList->FCurrent);
    SetCurrentRecord(rec >= 0 ? rec : CurrentIndex());
    if (edited)
        edited->Release(nullptr);
}

void TplBoListDataSet::InternalDelete(int index)
{
    TplPerObject *o = ObjectAt(index);
    if (!o)
        return;
    const QScopedValueRollback<bool> syncing(FSyncing, true);
    if (index == FPhantom) {
        Rebuild();
        return;
    }
    FList->Remove(o);
    Rebuild();
}

void TplBoListDataSet::InternalRefresh()
{
    {
        const QScopedValueRollback<bool> refreshing(FRefreshing, true);
        FList->Refresh();
    }
    Rebuild();
}

QVariant TplBoListDataSet::InternalBookmark(int index) const
{
    const TplPerObject *o = ObjectAt(index);
    if (!o)
        return {};
    // The address finds the record, the sequence number tells a new object
    // at the address of a freed one.
    return QVariantList{QVariant::fromValue<qulonglong>(reinterpret_cast<qulonglong>(o)), o->GetMemorySequence()};
}

int TplBoListDataSet::InternalBookmarkIndex(const QVariant &bookmark) const
{
    const QVariantList parts = bookmark.toList();
    if (parts.size() != 2)
        return -1;
    const auto *o = reinterpret_cast<const TplPerObject *>(parts.at(0).toULongLong());
    const int rec = RecordOf(o); // only the address is looked up
    if (rec < 0 || FVisible.at(rec)->GetMemorySequence() != parts.at(1).toLongLong())
        return -1;
    return rec;
}

std::optional<int> TplBoListDataSet::InternalLocate(const QVector<int> &fields, const QVariantList &values,
                                                    toolkit::TLocateOptions options)
{
    Q_UNUSED(options); // case and partial keys mean nothing for a number
    if (fields.size() != 1 || fields.at(0) != 0 || values.size() != 1 || values.at(0).isNull()
        || values.at(0).typeId() == QMetaType::QString)
        return std::nullopt;
    const double d = values.at(0).toDouble();
    if (d != double(qint64(d)))
        return -1;
    const qint64 id = qint64(d);
    if (!FIDRecordsValid) {
        FIDRecords.clear();
        FIDRecords.reserve(FVisible.size());
        for (int r = int(FVisible.size()) - 1; r >= 0; --r)
            FIDRecords.insert(FVisible.at(r)->GetID(), r);
        FIDRecordsValid = true;
    }
    const auto it = FIDRecords.constFind(id);
    if (it != FIDRecords.cend() && it.value() < FVisible.size() && FVisible.at(it.value())->GetID() == id)
        return it.value();
    if (it == FIDRecords.cend())
        return -1;
    FIDRecordsValid = false; // an ID changed without a word
    for (int r = 0; r < FVisible.size(); ++r)
        if (FVisible.at(r)->GetID() == id)
            return r;
    return -1;
}

} // namespace pelvar
