// The planner model: plan items with their saved copy and icons, the source
// that owns the items and asks the host for them by time range, the
// resources a planner groups its columns by, and the display-item list that
// lays items out in cells and side-by-side sub-columns (spans). No widget is
// involved; the planner controls read this model.
#pragma once

#include "marvok/cControls.h"
#include "toolkit/DateUtils.h"
#include "toolkit/Graphics.h"
#include "tovlet/tovlet_export.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QVector>
#include <functional>
#include <memory>

class QPainter;

namespace tovlet {

using toolkit::TDateTime;

enum class TSPBusyStatus { bsFree, bsTentative, bsBusy, bsOutOfOffice };

class TSPCustomSource;
class TSPPlanItem;

class TOVLET_EXPORT TSPPlanIcons
{
public:
    int Add(int index);
    void Delete(int index);
    void Clear();
    void Assign(const TSPPlanIcons &source);
    int Items(int index) const;
    void SetItems(int index, int value);
    int Count() const { return FCount; }
    int Capacity() const { return FArraySize; }
    std::function<void()> OnChange;

private:
    void Changed() { if (OnChange) OnChange(); }
    // A new list has room for 8 icons; capacity moves in steps of 8.
    int FCount = 0;
    int FArraySize = 8;
    QVector<int> FIcons = QVector<int>(8);
};

class TOVLET_EXPORT TSPPlanItem
{
public:
    TSPPlanItem();
    virtual ~TSPPlanItem();
    TSPPlanItem(const TSPPlanItem &) = delete;
    TSPPlanItem &operator=(const TSPPlanItem &) = delete;

    TSPCustomSource *Source() const { return FSource; }
    bool AllDayEvent() const { return FAllDayEvent; }
    void SetAllDayEvent(bool v);
    void *Data() const { return FData; }
    void SetData(void *v) { FData = v; }
    QString Title() const { return FTitle; }
    void SetTitle(const QString &v);
    TDateTime StartTime() const { return FStartTime; }
    void SetStartTime(TDateTime v);
    TDateTime EndTime() const { return FEndTime; }
    // Raises "End time cannot be earlier than start time".
    void SetEndTime(TDateTime v);
    TDateTime Duration() const { return FEndTime - FStartTime; }
    TSPPlanIcons &Icons() { return FIcons; }
    const TSPPlanIcons &Icons() const { return FIcons; }
    void SetIcons(const TSPPlanIcons &v) { FIcons.Assign(v); }
    toolkit::TColor Color() const { return FColor; }
    void SetColor(toolkit::TColor v);
    bool IsPrivate() const { return FIsPrivate; }
    void SetIsPrivate(bool v);
    QString Resource() const { return FResource; }
    void SetResource(const QString &v);
    TSPBusyStatus BusyStatus() const { return FBusyStatus; }
    void SetBusyStatus(TSPBusyStatus v);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v);
    bool Modified() const { return FModified; }
    void SetModified(bool v) { FModified = v; }
    toolkit::TColor EndColor() const { return FEndColor; }
    void SetEndColor(toolkit::TColor v) { FEndColor = v; }
    QString aiExtraTitleWithIcon() const { return FsExtraTitleWithIcon; }
    void setAiExtraTitleWithIcon(const QString &v) { FsExtraTitleWithIcon = v; }
    int aiExtraIconIndex() const { return FiExtraIconIndex; }
    void setAiExtraIconIndex(int v) { FiExtraIconIndex = v; }

    virtual bool GetIfAlreadyExecutedOnSchedule() const { return false; }
    bool aiAlreadyExecutedOnSchedule() const { return GetIfAlreadyExecutedOnSchedule(); }
    virtual QString GetExecutedActivityText() const { return {}; }
    QString aiExecutedActivityText() const { return GetExecutedActivityText(); }
    virtual void Assign(const TSPPlanItem *source);
    virtual void ShowUrgencyRect(QImage *AContentBitmap, const QRect &AItemDataRect) { Q_UNUSED(AContentBitmap); Q_UNUSED(AItemDataRect); }
    virtual void DrawTitle(QPainter *ACanvas, const QString &ATitle, const QRect &ARect, int AFlags, bool AFocused, bool ASelected,
                           bool &AHandled)
    {
        Q_UNUSED(ACanvas); Q_UNUSED(ATitle); Q_UNUSED(ARect); Q_UNUSED(AFlags); Q_UNUSED(AFocused); Q_UNUSED(ASelected); Q_UNUSED(AHandled);
    }

    void MoveBy(double delta);
    void Save();
    void AcceptChanges();
    void Revert();
    void Delete();

protected:
    virtual void Change();

private:
    friend class TSPCustomSource;
    TSPCustomSource *FSource = nullptr;
    bool FAllDayEvent = false;
    void *FData = nullptr;
    QString FTitle;
    TDateTime FEndTime = 0;
    TDateTime FStartTime = 0;
    TSPPlanIcons FIcons;
    toolkit::TColor FColor = toolkit::clDefault;
    bool FIsPrivate = false;
    QString FResource;
    TSPBusyStatus FBusyStatus = TSPBusyStatus::bsBusy;
    bool FReadOnly = false;
    bool FSavedAllDayEvent = false;
    QString FSavedTitle;
    TDateTime FSavedEndTime = 0;
    TDateTime FSavedStartTime = 0;
    toolkit::TColor FSavedColor = toolkit::clDefault;
    bool FSavedIsPrivate = false;
    QString FSavedResource;
    TSPBusyStatus FSavedBusyStatus = TSPBusyStatus::bsBusy;
    bool FSavedReadOnly = false;
    bool FModified = false;
    toolkit::TColor FEndColor = toolkit::clWhite;
    QString FsExtraTitleWithIcon;
    int FiExtraIconIndex = -1;
};

using TSPPlanItemClass = std::function<TSPPlanItem *()>;
using TSPPlanItemEvent = std::function<void(TSPCustomSource *Sender, TSPPlanItem *Item)>;
using TSPRequestEvent = std::function<void(TSPCustomSource *Sender, TDateTime StartTime, TDateTime EndTime)>;

struct TOVLET_EXPORT TSPRequest
{
    TDateTime StartTime = 0;
    TDateTime EndTime = 0;
};

class TOVLET_EXPORT TSPPlannerLink
{
public:
    TSPPlannerLink() = default;
    ~TSPPlannerLink();
    TSPPlannerLink(const TSPPlannerLink &) = delete;
    TSPPlannerLink &operator=(const TSPPlannerLink &) = delete;
    TSPCustomSource *Sender() const { return FSender; }
    void Change();
    std::function<void(TSPCustomSource *Sender)> OnChange;

private:
    friend class TSPCustomSource;
    TSPCustomSource *FSender = nullptr;
};

class TOVLET_EXPORT TSPCustomSource : public QObject
{
    Q_OBJECT
public:
    explicit TSPCustomSource(QObject *owner = nullptr);
    ~TSPCustomSource() override;

    TSPPlanItem *Add();
    TSPPlanItem *AddItem(const QString &Resource, const QString &Title, TDateTime StartTime, TDateTime EndTime, bool AllDayEvent,
                         bool IsPrivate, toolkit::TColor Color, TSPBusyStatus BusyStatus);
    void Remove(TSPPlanItem *Item);
    void Delete(int Index);
    void DeleteItem(TSPPlanItem *Item);
    void DeleteItem(int Index);
    void Clear();
    int IndexOf(const TSPPlanItem *Item) const;
    TSPPlanItem *Items(int Index) const { return FItems.value(Index); }
    int Count() const { return int(FItems.size()); }

    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    void Change();
    void Save();
    void Revert();
    void AcceptChanges();
    bool CanModify() const { return !FReadOnly; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool v) { FReadOnly = v; }
    void Sort();

    void RegisterChanges(TSPPlannerLink *Link);
    void UnRegisterChanges(TSPPlannerLink *Link);
    void RequestItems(TDateTime StartTime, TDateTime EndTime);
    void RequestAllItems();
    QList<TSPRequest> Requests() const;

    marvok::TIImageList *Images() const { return FImages; }
    void SetImages(marvok::TIImageList *Value);
    TSPPlanItemClass PlanItemClass() const { return FPlanItemClass; }
    void SetPlanItemClass(TSPPlanItemClass c) { FPlanItemClass = std::move(c); }

    std::function<void(TSPCustomSource *)> OnChange;
    TSPPlanItemEvent OnItemDelete, OnItemChange, OnItemSave;
    TSPRequestEvent OnRequestItems;

protected:
    virtual void DoRequestItems(TDateTime StartTime, TDateTime EndTime);

private:
    friend class TSPPlanItem;
    void ItemChanged(TSPPlanItem *item);
    void Detach(TSPPlanItem *item);
    void InsertSorted(TSPPlanItem *item);
    void Changed();

    QList<TSPPlannerLink *> FClients;
    QList<TSPPlanItem *> FItems;
    bool FChanged = false;
    int FUpdateCount = 0;
    QPointer<marvok::TIImageList> FImages;
    QMetaObject::Connection FImagesConnection;
    bool FReadOnly = false;
    TSPPlanItemClass FPlanItemClass;
    QList<TSPRequest *> FRequests;
    bool FDestroying = false;
};

// The source with its properties published (the original's component).
class TOVLET_EXPORT TSPPlannerSource : public TSPCustomSource
{
    Q_OBJECT
public:
    using TSPCustomSource::TSPCustomSource;
};

// Order of the source's items: start, end, all-day first, title descending.
TOVLET_EXPORT int CompareItems(const TSPPlanItem *A, const TSPPlanItem *B);

class TOVLET_EXPORT TSPPlannerResource
{
public:
    QString Name() const { return FName; }
    void SetName(const QString &v);
    QString DisplayName() const { return FName.isEmpty() ? QStringLiteral("TSPPlannerResource") : FName; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int v);
    toolkit::TColor Color() const { return FColor; }
    void SetColor(toolkit::TColor v);
    void *aiObject() const { return FObject; }
    void setAiObject(void *o) { FObject = o; }
    void AssignTo(TSPPlannerResource *other) const;

private:
    friend class TSPPlannerResources;
    QString FName;
    int FImageIndex = -1;
    toolkit::TColor FColor = toolkit::clDefault;
    void *FObject = nullptr;
    class TSPPlannerResources *FCollection = nullptr;
};

class TOVLET_EXPORT TSPPlannerResources
{
public:
    ~TSPPlannerResources();
    TSPPlannerResource *Add();
    TSPPlannerResource *Items(int Index) const { return FItems.value(Index).get(); }
    int Count() const { return int(FItems.size()); }
    void Clear();
    // By Name, locale-aware and case-insensitive.
    void Sort();
    // The owning planner's ResourcesChange.
    std::function<void()> OnResourcesChange;
    void Update() { if (OnResourcesChange) OnResourcesChange(); }

private:
    QList<std::shared_ptr<TSPPlannerResource>> FItems;
};

class TSPDisplayItems;

class TOVLET_EXPORT TSPDisplayItem
{
public:
    TSPPlanItem *Item() const { return FItem; }
    int StartCell() const { return FStartCell; }
    int EndCell() const { return FEndCell; }
    double StartTimeMarker() const { return FStartTimeMarker; }
    double EndTimeMarker() const { return FEndTimeMarker; }
    int SpanRange() const { return FSpanRange; }
    int SpanStart() const { return FSpanStart; }
    int SpanEnd() const { return FSpanEnd; }
    TDateTime Offset() const { return FOffset; }
    // Computes the cells of this entry on its list's grid.
    void CalculateCells();

private:
    friend class TSPDisplayItems;
    TSPDisplayItems *FOwner = nullptr;
    int FSpanEnd = 0;
    int FSpanRange = 0;
    int FEndCell = 0;
    int FStartCell = 0;
    int FSpanStart = 0;
    TSPPlanItem *FItem = nullptr;
    double FEndTimeMarker = 0;
    double FStartTimeMarker = 0;
    TDateTime FOffset = 0;
};

class TOVLET_EXPORT TSPDisplayItems
{
public:
    TSPDisplayItems() = default;
    ~TSPDisplayItems();
    TSPDisplayItems(const TSPDisplayItems &) = delete;
    TSPDisplayItems &operator=(const TSPDisplayItems &) = delete;

    TSPDisplayItem *Add(TSPPlanItem *Item, TDateTime Offset = 0);
    void Delete(int Index);
    void Remove(TSPDisplayItem *DisplayItem);
    void Clear();
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    TSPDisplayItem *Items(int Index) const { return FList.value(Index); }
    int Count() const { return int(FList.size()); }
    TDateTime CellStart() const { return FCellStart; }
    void SetCellStart(TDateTime v);
    TDateTime CellDuration() const { return FCellDuration; }
    void SetCellDuration(TDateTime v);
    // Sorts and lays out every entry again.
    void Recalculate();

private:
    void Changed();
    void CalculateSpans();
    void SetGroupSpans(int First, int Last);
    QList<TSPDisplayItem *> FList;
    int FUpdateCount = 0;
    TDateTime FCellStart = 0;
    TDateTime FCellDuration = 1.0;
};

} // namespace tovlet
