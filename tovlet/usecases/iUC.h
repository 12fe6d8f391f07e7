// The use-case model: coded operations with their captions in several
// languages, window controls named by code, and per context (working-unit
// type and user type) the use cases each window control offers. One
// package-wide object, IUCUnitGlobals(), holds it all; the XML mapper loads
// and saves it.
//
// Lookups by code are kept fast with indexes built on demand, still giving
// the first item with the code, as a linear search would.
#pragma once

#include "toolkit/Classes.h"
#include "tovlet/tovlet_export.h"

#include <QHash>
#include <QList>
#include <QString>
#include <memory>

namespace tovlet {

class TOVLET_EXPORT TIUCVisualProperties
{
public:
    QString aiCaption() const { return FCaption; }
    void setAiCaption(const QString &v) { FCaption = v; }
    QString aiHint() const { return FHint; }
    void setAiHint(const QString &v) { FHint = v; }
    QString aiDescription() const { return FDescription; }
    void setAiDescription(const QString &v) { FDescription = v; }
    int aiImageIndex() const { return FImageIndex; }
    void setAiImageIndex(int v) { FImageIndex = v; }
    QString aiShortCut() const { return FShortCut; }
    void setAiShortCut(const QString &v) { FShortCut = v; }
    bool operator==(const TIUCVisualProperties &o) const
    {
        return FCaption == o.FCaption && FHint == o.FHint && FDescription == o.FDescription && FImageIndex == o.FImageIndex
               && FShortCut == o.FShortCut;
    }

private:
    QString FCaption, FHint, FDescription;
    int FImageIndex = 0;
    QString FShortCut;
};

class TIUCWinControl;

class TOVLET_EXPORT TIUCUseCaseCustom : public toolkit::TObject
{
public:
    TIUCUseCaseCustom();
    ~TIUCUseCaseCustom() override;
    TIUCVisualProperties *aiVisualProperties() const { return FUCVisualProperties.get(); }
    TIUCVisualProperties *aiVisualPropertiesMKI() const { return FUCVisualPropertiesMKI.get(); }
    TIUCVisualProperties *aiVisualPropertiesSRL() const { return FUCVisualPropertiesSRL.get(); }
    TIUCVisualProperties *aiVisualPropertiesSLO() const { return FUCVisualPropertiesSLO.get(); }
    TIUCVisualProperties *aiVisualPropertiesENG() const { return FUCVisualPropertiesENG.get(); }
    QString aiName() const { return FName; }
    void setAiName(const QString &v) { FName = v; }
    QString aiCode() const { return FCode; }
    void setAiCode(const QString &v);

private:
    std::unique_ptr<TIUCVisualProperties> FUCVisualProperties, FUCVisualPropertiesMKI, FUCVisualPropertiesSRL,
        FUCVisualPropertiesSLO, FUCVisualPropertiesENG;
    QString FName;
    QString FCode;
};

class TOVLET_EXPORT TIUCUseCaseAction : public TIUCUseCaseCustom
{
};

enum class TIUCMenuType { mtNone = 0, mtBigDot = 1, mtPopup = 2 };

class TIUCUseCaseList;

class TOVLET_EXPORT TIUCUseCaseList
{
public:
    explicit TIUCUseCaseList(bool isOwner = false);
    ~TIUCUseCaseList();
    TIUCUseCaseList(const TIUCUseCaseList &) = delete;
    TIUCUseCaseList &operator=(const TIUCUseCaseList &) = delete;

    void Add(TIUCUseCaseCustom *useCase);
    // At position AIndex + 1: -1 inserts at the front.
    void InsertAfter(int AIndex, TIUCUseCaseCustom *useCase);
    void Delete(int AIndex);
    void Clear();
    void Exchange(int a, int b);
    // The same objects as ASource, not copies.
    void Assign(const TIUCUseCaseList &ASource);
    TIUCUseCaseCustom *GetItem(int AIndex) const;
    TIUCUseCaseCustom *aiItems(int AIndex) const { return GetItem(AIndex); }
    // The first use case with exactly this code, or none.
    TIUCUseCaseCustom *GetItemByCode(const QString &ACode) const;
    TIUCUseCaseCustom *aiItemsByCode(const QString &ACode) const { return GetItemByCode(ACode); }
    int GetCount() const { return int(FObjectList.size()); }
    int aiCount() const { return GetCount(); }
    bool GetIsOwner() const { return FIsOwner; }
    void SetIsOwner(bool v) { FIsOwner = v; }
    int IndexOf(const TIUCUseCaseCustom *useCase) const { return int(FObjectList.indexOf(const_cast<TIUCUseCaseCustom *>(useCase))); }

private:
    QList<TIUCUseCaseCustom *> FObjectList;
    bool FIsOwner;
    mutable QHash<QString, int> FIndex;
    mutable quint64 FIndexGeneration = 0;
    mutable bool FIndexValid = false;
};

class TOVLET_EXPORT TIUCUseCaseJoined : public TIUCUseCaseCustom
{
public:
    TIUCUseCaseJoined();
    TIUCUseCaseList *aiSubUC() const { return FSubUC.get(); }
    TIUCMenuType aiMenuType() const { return FMenuType; }
    void setAiMenuType(TIUCMenuType v) { FMenuType = v; }
    TIUCWinControl *aiParentWinControl() const { return FParentWinControl; }
    void setAiParentWinControl(TIUCWinControl *v) { FParentWinControl = v; }

private:
    std::unique_ptr<TIUCUseCaseList> FSubUC;
    TIUCMenuType FMenuType = TIUCMenuType::mtNone;
    TIUCWinControl *FParentWinControl = nullptr;
};

class TOVLET_EXPORT TIUCWinControl : public toolkit::TObject
{
public:
    TIUCWinControl(QString code = {}, QString description = {});
    QString aiCode() const { return FCode; }
    void setAiCode(const QString &v);
    QString aiDescription() const { return FDescription; }
    void setAiDescription(const QString &v) { FDescription = v; }
    TIUCWinControl *aiParentWinControl() const { return FParentWinControl; }
    void setAiParentWinControl(TIUCWinControl *v) { FParentWinControl = v; }

private:
    QString FCode, FDescription;
    TIUCWinControl *FParentWinControl = nullptr;
};

class TOVLET_EXPORT TIUCWinControlList
{
public:
    TIUCWinControlList() = default;
    ~TIUCWinControlList();
    TIUCWinControlList(const TIUCWinControlList &) = delete;
    TIUCWinControlList &operator=(const TIUCWinControlList &) = delete;
    void Add(TIUCWinControl *control);
    void Clear();
    TIUCWinControl *GetItem(int AIndex) const;
    TIUCWinControl *aiItems(int AIndex) const { return GetItem(AIndex); }
    // Raises "Window Control %s not found!"; never returns none.
    TIUCWinControl *GetItemByCode(const QString &ACode) const;
    TIUCWinControl *aiItemsByCode(const QString &ACode) const { return GetItemByCode(ACode); }
    int GetCount() const { return int(FItems.size()); }
    int aiCount() const { return GetCount(); }

private:
    QList<TIUCWinControl *> FItems;
    mutable QHash<QString, int> FIndex;
    mutable quint64 FIndexGeneration = 0;
    mutable bool FIndexValid = false;
};

class TOVLET_EXPORT TIUCContext : public toolkit::TObject
{
public:
    TIUCContext(const QString &AWUType, const QString &AUserType, const QString &AUCString);
    QString aiWUType() const { return FWUType; }
    QString aiUserType() const { return FUserType; }
    // "mnuMain=UC1,UC2/tbTools=UC3": entries separated by "/", quoted with '"' when needed.
    QString GetUCString() const { return FUCStringList.DelimitedText(); }
    QString aiUCString() const { return GetUCString(); }
    QString GetUCList(const QString &AWinControlCode) const;
    // An empty value removes the entry; a missing entry is added at the end.
    void ReplaceUCList(const QString &AWinControlCode, const QString &AUCCodes);
    const toolkit::TStringList &UCStringList() const { return FUCStringList; }

private:
    QString FWUType, FUserType;
    toolkit::TStringList FUCStringList;
};

class TOVLET_EXPORT TIUCContextList
{
public:
    TIUCContextList() = default;
    ~TIUCContextList();
    TIUCContextList(const TIUCContextList &) = delete;
    TIUCContextList &operator=(const TIUCContextList &) = delete;
    void Add(TIUCContext *AContext);
    void Clear();
    TIUCContext *GetItem(int AIndex) const;
    TIUCContext *aiItems(int AIndex) const { return GetItem(AIndex); }
    // Raises "Context not defined" for an empty type; creates a missing
    // combination (empty) at the end; never returns none.
    TIUCContext *GetItemByCombination(const QString &AWUType, const QString &AUser);
    TIUCContext *aiItemsByCombination(const QString &AWUType, const QString &AUser) { return GetItemByCombination(AWUType, AUser); }
    int GetCount() const { return int(FItems.size()); }
    int aiCount() const { return GetCount(); }

private:
    QList<TIUCContext *> FItems;
    QHash<QString, int> FIndex; // "WU\nUSER" -> first position
};

class TOVLET_EXPORT TbpUCProvider
{
public:
    virtual ~TbpUCProvider();
    virtual void FillUCList(TIUCWinControl *AWinControl, TIUCUseCaseList *AUCList, TIUCContext *AContext, bool AFillDefaultActions);
    virtual void SaveUCList(TIUCWinControl *AWinControl, TIUCUseCaseList *AUCList, TIUCContext *AContext);
};

class TOVLET_EXPORT TIUCUnitGlobals
{
public:
    TIUCUnitGlobals();
    ~TIUCUnitGlobals();
    TIUCUseCaseList *aiUCActionList() const { return FUCActionList.get(); }
    TIUCUseCaseList *aiUCJoinedList() const { return FUCJoinedList.get(); }
    TIUCUseCaseList *aiAllUCList() const { return FAllUCList.get(); }
    TIUCWinControlList *aiWinControlList() const { return FWinControlList.get(); }
    TIUCContextList *aiContextList() const { return FContextList.get(); }
    TbpUCProvider *aiUCProvider() const { return FUCProvider.get(); }
    void setAiUCProvider(std::unique_ptr<TbpUCProvider> provider) { FUCProvider = std::move(provider); }
    TIUCContext *aiUCContext() const { return FUCContext; }
    void setAiUCContext(TIUCContext *context) { FUCContext = context; }
    const toolkit::TStringList &aiWUTypes() const { return FslWUTypes; }
    const toolkit::TStringList &aiUserTypes() const { return FslUserTypes; }
    QString aiLanguageCode() const;
    void setAiLanguageCode(const QString &code);

    void RefreshAllUCList();
    void ClearAll();

private:
    std::unique_ptr<TIUCUseCaseList> FUCActionList, FUCJoinedList, FAllUCList;
    std::unique_ptr<TIUCWinControlList> FWinControlList;
    std::unique_ptr<TIUCContextList> FContextList;
    std::unique_ptr<TbpUCProvider> FUCProvider;
    TIUCContext *FUCContext = nullptr;
    toolkit::TStringList FslWUTypes, FslUserTypes;
};

TOVLET_EXPORT TIUCUnitGlobals *IUCUnitGlobals();

} // namespace tovlet
