#include "plContext.h"

namespace pelvar {

IPerLayerContext::~IPerLayerContext() = default;

TplCustomPerLayerDictionary *TplDefaultPerLayerContext::GetDictionary() const
{
    return &GlobalDictionary();
}

TplDatabaseProvider *TplDefaultPerLayerContext::GetDatabaseProvider() const
{
    return &DatabaseProvider();
}

TplSession *TplDefaultPerLayerContext::GetCurrentSession() const
{
    return DatabaseProvider().GetCurrentSession();
}

TIPerLayerStatistics *TplDefaultPerLayerContext::GetStatistics() const
{
    return &PerLayerStatistics();
}

TIPerLayerSettings *TplDefaultPerLayerContext::GetSettings() const
{
    return &PerLayerSettings();
}

IPerLayerContext *PerLayerContext()
{
    static TplDefaultPerLayerContext context;
    return &context;
}

} // namespace pelvar
