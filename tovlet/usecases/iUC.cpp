#include "iUC.h"
#include "IucXmap.h"

#include "toolkit/Exception.h"
#include "tovlet/core/Tovlet.h"

namespace tovlet {

namespace {

// Bumped whenever a code changes, so that code indexes know to rebuild.
quint64 GCodeGeneration = 1;
TIUCUnitGlobals *GUnitGlobals = nullptr;

void Initialization()
{
    GUnitGlobals = nullptr;
}

void Finalization()
{
    delete GUnitGlobals;
    GUnitGlobals = nullptr;
}

} // namespace

TOVLET_UNIT(iUC, upIUC, Initialization, Finalization);

TIUCUseCaseCustom::TIUCUseCaseCustom()
    : FUCVisualProperties(std::make_unique<TIUCVisualProperties>())
    , FUCVisualPropertiesMKI(std::make_unique<TIUCVisualProperties>())
    , FUCVisualPropertiesSRL(std::make_unique<TIUCVisualProperties>())
    , FUCVisualPropertiesSLO(std::make_unique<TIUCVisualProperties>())
    , FUCVisualPropertiesENG(std::make_unique<TIUCVisualProperties>())
{
}

TIUCUseCaseCustom::~TIUCUseCaseCustom() = default;

void TIUCUseCaseCustom::setAiCode(const QString &v)
{
    if (FCode == v)
        return;
    FCode = v;
    ++GCodeGeneration;
}

// --- TIUCUseCaseList ----------------------------------------------------------------

TIUCUseCaseList::TIUCUseCaseList(bool isOwner)
    : FIsOwner(isOwner)
{
}

TIUCUseCaseList::~TIUCUseCaseList()
{
    Clear();
}

void TIUCUseCaseList::Add(TIUCUseCaseCustom *useCase)
{
    FObjectList.append(useCase);
    if (FIndexValid && FIndexGeneration == GCodeGeneration && useCase && !FIndex.contains(useCase->aiCode()))
        FIndex.insert(useCase->aiCode(), int(FObjectList.size()) - 1);
}

void TIUCUseCaseList::InsertAfter(int AIndex, TIUCUseCaseCustom *useCase)
{
    const int pos = AIndex + 1;
    if (pos < 0 || pos > FObjectList.size())
        throw toolkit::EListError(QStringLiteral("List index out of bounds (%1)").arg(AIndex));
    FObjectList.insert(pos, useCase);
    FIndexValid = false;
}

void TIUCUseCaseList::Delete(int AIndex)
{
    if (AIndex < 0 || AIndex >= FObjectList.size())
        throw toolkit::EListError(QStringLiteral("List index out of bounds (%1)").arg(AIndex));
    TIUCUseCaseCustom *item = FObjectList.takeAt(AIndex);
    FIndexValid = false;
    if (FIsOwner)
        delete item;
}

void TIUCUseCaseList::Clear()
{
    QList<TIUCUseCaseCustom *> items;
    items.swap(FObjectList);
    FIndexValid = false;
    if (FIsOwner)
        qDeleteAll(items);
}

void TIUCUseCaseList::Exchange(int a, int b)
{
    if (a < 0 || b < 0 || a >= FObjectList.size() || b >= FObjectList.size())
        throw toolkit::EListError(QStringLiteral("List index out of bounds (%1)").arg(std::max(a, b)));
    FObjectList.swapItemsAt(a, b);
    FIndexValid = false;
}

void TIUCUseCaseList::Assign(const TIUCUseCaseList &ASource)
{
    if (&ASource == this)
        return;
    Clear();
    for (TIUCUseCaseCustom *u : ASource.FObjectList)
        Add(u);
}

TIUCUseCaseCustom *TIUCUseCaseList::GetItem(int AIndex) const
{
    if (AIndex < 0 || AIndex >= FObjectList.size())
        throw toolkit::EListError(QStringLiteral("List index out of bounds (%1)").arg(AIndex));
    return FObjectList.at(AIndex);
}

TIUCUseCaseCustom *TIUCUseCaseList::GetItemByCode(const QString &ACode) const
{
    if (!FIndexValid || FIndexGeneration != GCodeGeneration) {
        FIndex.clear();
        FIndex.reserve(FObjectList.size());
        for (int i = 0; i < FObjectList.size(); ++i)
            if (FObjectList.at(i) && !FIndex.contains(FObjectList.at(i)->aiCode()))
                FIndex.insert(FObjectList.at(i)->aiCode(), i);
        FIndexValid = true;
        FIndexGeneration = GCodeGeneration;
    }
    const int i = FIndex.value(ACode, -1);
    return i < 0 ? nullptr : FObjectList.at(i);
}

TIUCUseCaseJoined::TIUCUseCaseJoined()
    : FSubUC(std::make_unique<TIUCUseCaseList>(false))
{
}

// --- window controls -------------------------------------------------------------------

TIUCWinControl::TIUCWinControl(QString code, QString description)
    : FCode(std::move(code))
    , FDescription(std::move(description))
{
}

void TIUCWinControl::setAiCode(const QString &v)
{
    if (FCode == v)
        return;
    FCode = v;
    ++GCodeGeneration;
}

TIUCWinControlList::~TIUCWinControlList()
{
    Clear();
}

void TIUCWinControlList::Add(TIUCWinControl *control)
{
    FItems.append(control);
    if (FIndexValid && FIndexGeneration == GCodeGeneration && !FIndex.contains(control->aiCode()))
        FIndex.insert(control->aiCode(), int(FItems.size()) - 1);
}

void TIUCWinControlList::Clear()
{
    QList<TIUCWinControl *> items;
    items.swap(FItems);
    FIndexValid = false;
    qDeleteAll(items);
}

TIUCWinControl *TIUCWinControlList::GetItem(int AIndex) const
{
    if (AIndex < 0 || AIndex >= FItems.size())
        throw toolkit::EListError(QStringLiteral("List index out of bounds (%1)").arg(AIndex));
    return FItems.at(AIndex);
}

TIUCWinControl *TIUCWinControlList::GetItemByCode(const QString &ACode) const
{
    if (!FIndexValid || FIndexGeneration != GCodeGeneration) {
        FIndex.clear();
        for (int i = 0; i < FItems.size(); ++i)
            if (!FIndex.contains(FItems.at(i)->aiCode()))
                FIndex.insert(FItems.at(i)->aiCode(), i);
        FIndexValid = true;
        FIndexGeneration = GCodeGeneration;
    }
    const int i = FIndex.value(ACode, -1);
    if (i < 0)
        throw toolkit::Exception(QStringLiteral("Window Control %1 not found!").arg(ACode));
    return FItems.at(i);
}

// --- contexts -------------------------------------------------------------------------------

TIUCContext::TIUCContext(const QString &AWUType, const QString &AUserType, const QString &AUCString)
    : FWUType(AWUType)
    , FUserType(AUserType)
{
    FUCStringList.SetDelimiter(QLatin1Char('/'));
    FUCStringList.SetQuoteChar(QLatin1Char('"'));
    FUCStringList.SetDelimitedText(AUCString);
}

QString TIUCContext::GetUCList(const QString &AWinControlCode) const
{
    return FUCStringList.Values(AWinControlCode);
}

void TIUCContext::ReplaceUCList(const QString &AWinControlCode, const QString &AUCCodes)
{
    FUCStringList.SetValues(AWinControlCode, AUCCodes);
}

TIUCContextList::~TIUCContextList()
{
    Clear();
}

namespace {
QString CombinationKey(const QString &wu, const QString &user)
{
    return wu + QLatin1Char('\n') + user;
}
} // namespace

void TIUCContextList::Add(TIUCContext *AContext)
{
    FItems.append(AContext);
    const QString key = CombinationKey(AContext->aiWUType(), AContext->aiUserType());
    if (!FIndex.contains(key))
        FIndex.insert(key, int(FItems.size()) - 1);
}

void TIUCContextList::Clear()
{
    QList<TIUCContext *> items;
    items.swap(FItems);
    FIndex.clear();
    qDeleteAll(items);
}

TIUCContext *TIUCContextList::GetItem(int AIndex) const
{
    if (AIndex < 0 || AIndex >= FItems.size())
        throw toolkit::EListError(QStringLiteral("List index out of bounds (%1)").arg(AIndex));
    return FItems.at(AIndex);
}

TIUCContext *TIUCContextList::GetItemByCombination(const QString &AWUType, const QString &AUser)
{
    if (AWUType.isEmpty() || AUser.isEmpty())
        throw toolkit::Exception(QStringLiteral("Context not defined"));
    const int i = FIndex.value(CombinationKey(AWUType, AUser), -1);
    if (i >= 0)
        return FItems.at(i);
    auto *c = new TIUCContext(AWUType, AUser, QString());
    Add(c);
    return c;
}

// --- provider ---------------------------------------------------------------------------------

TbpUCProvider::~TbpUCProvider() = default;

void TbpUCProvider::FillUCList(TIUCWinControl *AWinControl, TIUCUseCaseList *AUCList, TIUCContext *AContext, bool AFillDefaultActions)
{
    if (!AWinControl)
        throw toolkit::Exception(QStringLiteral("TbpUCProvider.FillUCList: TIUCWinControl not assigned!"));
    if (!AUCList)
        throw toolkit::Exception(QStringLiteral("TbpUCProvider.FillUCList: TIUCUseCaseList not assigned!"));
    TIUCUnitGlobals *g = IUCUnitGlobals();
    TIUCContext *context = AContext ? AContext : g->aiUCContext();
    if (!context)
        throw toolkit::Exception(QStringLiteral("Kontekst ni izbran!"));
    AUCList->Clear();
    QString text;
    if (AFillDefaultActions) {
        text = g->aiContextList()->GetItemByCombination(QStringLiteral("DEFAULT"), context->aiUserType())->GetUCList(AWinControl->aiCode());
        if (!text.isEmpty())
            text += QLatin1Char(',');
    }
    text += context->GetUCList(AWinControl->aiCode());
    toolkit::TStringList codes;
    codes.SetDelimiter(QLatin1Char(','));
    codes.SetQuoteChar(QLatin1Char('"'));
    codes.SetDelimitedText(text);
    for (int i = 0; i < codes.Count(); ++i)
        if (TIUCUseCaseCustom *u = g->aiAllUCList()->GetItemByCode(codes.Strings(i)))
            AUCList->Add(u);
}

void TbpUCProvider::SaveUCList(TIUCWinControl *AWinControl, TIUCUseCaseList *AUCList, TIUCContext *AContext)
{
    TIUCContext *context = AContext ? AContext : IUCUnitGlobals()->aiUCContext();
    if (!context)
        throw toolkit::Exception(QStringLiteral("Kontekst ni izbran!"));
    if (!AWinControl)
        throw toolkit::Exception(QStringLiteral("TbpUCProvider.SaveUCList: TIUCWinControl not assigned!"));
    toolkit::TStringList codes;
    codes.SetDelimiter(QLatin1Char(','));
    codes.SetQuoteChar(QLatin1Char('"'));
    for (int i = 0; AUCList && i < AUCList->GetCount(); ++i)
        codes.Add(AUCList->GetItem(i)->aiCode());
    context->ReplaceUCList(AWinControl->aiCode(), codes.IsEmpty() ? QString() : codes.DelimitedText());
}

// --- globals -----------------------------------------------------------------------------------

TIUCUnitGlobals::TIUCUnitGlobals()
    : FUCActionList(std::make_unique<TIUCUseCaseList>(true))
    , FUCJoinedList(std::make_unique<TIUCUseCaseList>(true))
    , FAllUCList(std::make_unique<TIUCUseCaseList>(false))
    , FWinControlList(std::make_unique<TIUCWinControlList>())
    , FContextList(std::make_unique<TIUCContextList>())
{
    FslWUTypes.SetStringList({QStringLiteral("HOSP_ODDELEK"), QStringLiteral("AMBULANTA"), QStringLiteral("HOSP_SPREJEM"),
                              QStringLiteral("AMB_SPREJEM")});
    FslUserTypes.SetStringList({QStringLiteral("SESTRA"), QStringLiteral("ZDRAVNIK"), QStringLiteral("ADMINISTRATOR")});
}

TIUCUnitGlobals::~TIUCUnitGlobals()
{
    FUCContext = nullptr;
    FAllUCList->Clear();
    // Joined use cases list actions; they go first.
    FUCJoinedList->Clear();
    FUCActionList->Clear();
}

QString TIUCUnitGlobals::aiLanguageCode() const
{
    return IUCXMLMapper()->GetLanguage();
}

void TIUCUnitGlobals::setAiLanguageCode(const QString &code)
{
    IUCXMLMapper()->SetLanguage(code);
}

void TIUCUnitGlobals::RefreshAllUCList()
{
    FAllUCList->Clear();
    for (int i = 0; i < FUCActionList->GetCount(); ++i)
        FAllUCList->Add(FUCActionList->GetItem(i));
    for (int i = 0; i < FUCJoinedList->GetCount(); ++i)
        FAllUCList->Add(FUCJoinedList->GetItem(i));
}

void TIUCUnitGlobals::ClearAll()
{
    FUCContext = nullptr;
    FAllUCList->Clear();
    FUCJoinedList->Clear();
    FWinControlList->Clear();
    FUCActionList->Clear();
    FContextList->Clear();
    RefreshAllUCList();
}

TIUCUnitGlobals *IUCUnitGlobals()
{
    if (!GUnitGlobals) {
        GUnitGlobals = new TIUCUnitGlobals;
        GUnitGlobals->RefreshAllUCList();
    }
    return GUnitGlobals;
}

} // namespace tovlet
