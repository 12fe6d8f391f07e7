// Small shared collections: a string list whose entries carry a second
// string (owned wrappers), and options records keyed by an enumeration whose
// copies share one dictionary, freed when the last copy goes.
#pragma once

#include "marvok/cControls.h"
#include "toolkit/Classes.h"
#include "tovlet/tovlet_export.h"

#include <QVariant>
#include <map>
#include <memory>

namespace tovlet {

class TOVLET_EXPORT TIString2ObjectWrapper : public toolkit::TObject
{
public:
    explicit TIString2ObjectWrapper(QString value = {});
    ~TIString2ObjectWrapper() override;
    QString sValue;
    // Wrappers alive now (for checks that none leak).
    static int InstanceCount();
};

class TOVLET_EXPORT TIStringList : public toolkit::TStringList
{
public:
    TIStringList();
    // Adds AKey with a wrapper holding AValue; the list's sorting and
    // duplicate rules apply (an ignored duplicate keeps the entry it has).
    int AddString(const QString &AKey, const QString &AValue);
    QString Value(int index) const;
    // Appends the pieces between separators; an empty piece between two
    // separators counts, a separator at the very end adds nothing.
    static void Split(const QString &AString, QChar Separator, toolkit::TStringList &AStringList);
    // From the 1-based Position to the next separator (or the end); Position
    // moves past that separator. Beyond the end nothing is read.
    static QString GetNextToken(const QString &AString, QChar Separator, int &Position);
};

template<typename TKey>
class TIOptions
{
public:
    explicit TIOptions(int AiDummy = 0)
    {
        Q_UNUSED(AiDummy);
        auto *options = new std::map<int, QVariant>;
        FOptions = options;
        FOptionsGuard = std::make_shared<marvok::TIObjectGuard>([options] { delete options; });
    }
    static TIOptions Get() { return TIOptions(0); }

    void SetValue(TKey key, const QVariant &value) { (*FOptions)[int(key)] = value; }
    QVariant Value(TKey key, const QVariant &defaultValue = {}) const
    {
        const auto it = FOptions->find(int(key));
        return it == FOptions->end() ? defaultValue : it->second;
    }
    bool Has(TKey key) const { return FOptions->count(int(key)) > 0; }
    long GuardUseCount() const { return FOptionsGuard.use_count(); }

private:
    std::map<int, QVariant> *FOptions;
    std::shared_ptr<marvok::TIObjectGuard> FOptionsGuard;
};

using TIShowPDFOptions = TIOptions<marvok::TIShowPDFOption>;

} // namespace tovlet
