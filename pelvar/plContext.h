// The persistence-layer context: what a host hands its developer monitors
// (the dictionary view, the persistence-layer monitor) so that they look at
// the layer the host really uses: its dictionary of live objects and of
// which kind it is, its database provider and current session, its
// statistics and settings.
//
// Our layer has one global dictionary; a layer with a dictionary per session
// gives the monitors its own context. The monitors do not own the context:
// the default one lives as long as the library, a host's as long as it says.
#pragma once

#include "pelvar/pelvar_export.h"
#include "pelvar/plCore.h"
#include "pelvar/plDatabase.h"

#include <functional>

namespace pelvar {

enum class TplDictionaryKind {
    dkGlobal,       // TplGlobalDictionary: every live object of the application
    dkSessionLocal, // a dictionary of one session's objects
};

class PELVAR_EXPORT IPerLayerContext
{
public:
    virtual ~IPerLayerContext();

    virtual TplCustomPerLayerDictionary *GetDictionary() const = 0;
    virtual TplDictionaryKind GetDictionaryKind() const = 0;
    // Whether stored objects are looked up in the dictionary before they are read.
    virtual bool GetUseDictionary() const = 0;
    virtual TplDatabaseProvider *GetDatabaseProvider() const = 0;
    virtual TplSession *GetCurrentSession() const = 0;
    virtual TIPerLayerStatistics *GetStatistics() const = 0;
    virtual TIPerLayerSettings *GetSettings() const = 0;
};

// The layer as this library runs it: the global dictionary, the global
// database provider and its current session, the statistics and settings
// singletons.
class PELVAR_EXPORT TplDefaultPerLayerContext : public IPerLayerContext
{
public:
    TplCustomPerLayerDictionary *GetDictionary() const override;
    TplDictionaryKind GetDictionaryKind() const override { return TplDictionaryKind::dkGlobal; }
    bool GetUseDictionary() const override { return true; }
    TplDatabaseProvider *GetDatabaseProvider() const override;
    TplSession *GetCurrentSession() const override;
    TIPerLayerStatistics *GetStatistics() const override;
    TIPerLayerSettings *GetSettings() const override;
};

// What the monitors are given to find the context when they need it.
using TPerLayerContextFunc = std::function<IPerLayerContext *()>;

// The default context; never null.
PELVAR_EXPORT IPerLayerContext *PerLayerContext();

} // namespace pelvar
