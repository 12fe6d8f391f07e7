#include "SPPlanners.h"

#include "marvok/Iutils.h"
#include "toolkit/Exception.h"
#include "toolkit/SysUtils.h"
#include "tovlet/core/Tovlet.h"

#include <algorithm>
#include <cmath>

namespace tovlet {

TOVLET_UNIT(SPPlanners, upSPPlanners, nullptr, nullptr);

// --- icons --------------------------------------------------------------------------------

int TSPPlanIcons::Add(int index)
{
    if (FCount == FArraySize) {
        FArraySize += 8; // capacity grows in steps of 8
        FIcons.resize(FArraySize);
    }
    FIcons[FCount] = index;
    ++FCount;
    Changed();
    return FCount - 1;
}

void TSPPlanIcons::Delete(int index)
{
    if (index < 0 || index >= FCount)
        throw toolkit::EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    FIcons.remove(index);
    FIcons.append(0);
    --FCount;
    if (FCount <= FArraySize - 8 && FArraySize >= 9) {
        FArraySize -= 8;
        FIcons.resize(FArraySize);
    }
    Changed();
}

void TSPPlanIcons::Clear()
{
    const bool had = FCount > 0;
    FCount = 0;
    FArraySize = 8;
    FIcons = QVector<int>(8);
    if (had)
        Changed();
}

void TSPPlanIcons::Assign(const TSPPlanIcons &source)
{
    if (&source == this)
        return;
    FCount = source.FCount;
    FArraySize = std::max(source.FArraySize, ((FCount + 7) / 8) * 8);
    FIcons = source.FIcons;
    FIcons.resize(FArraySize);
    Changed();
}

int TSPPlanIcons::Items(int index) const
{
    if (index < 0 || index >= FCount)
        throw toolkit::EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FIcons.at(index);
}

void TSPPlanIcons::SetItems(int index, int value)
{
    if (index < 0 || index >= FCount)
        throw toolkit::EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    if (FIcons.at(index) == value)
        return;
    FIcons[index] = value;
    Changed();
}

// --- plan item -----------------------------------------------------------------------------

TSPPlanItem::TSPPlanItem()
{
    FIcons.OnChange = [this] { Change(); };
}

TSPPlanItem::~TSPPlanItem()
{
    FIcons.OnChange = nullptr;
    if (FSource)
        FSource->Detach(this);
}

#define TSP_SETTER(name, field, type)                                                                                              \
    void TSPPlanItem::Set##name(type v)                                                                                            \
    {                                                                                                                              \
        if (field == v)                                                                                                            \
            return;                                                                                                                \
        field = v;                                                                                                                 \
        Change();                                                                                                                  \
    }
TSP_SETTER(Title, FTitle, const QString &)
TSP_SETTER(Resource, FResource, const QString &)
TSP_SETTER(AllDayEvent, FAllDayEvent, bool)
TSP_SETTER(BusyStatus, FBusyStatus, TSPBusyStatus)
TSP_SETTER(Color, FColor, toolkit::TColor)
TSP_SETTER(IsPrivate, FIsPrivate, bool)
TSP_SETTER(ReadOnly, FReadOnly, bool)
#undef TSP_SETTER

void TSPPlanItem::SetStartTime(TDateTime v)
{
    if (FStartTime == v)
        return;
    FStartTime = v;
    if (FEndTime < v)
        FEndTime = v; // the end follows the start
    Change();
}

void TSPPlanItem::SetEndTime(TDateTime v)
{
    if (FEndTime == v)
        return;
    if (v < FStartTime)
        throw toolkit::Exception(QStringLiteral("End time cannot be earlier than start time"));
    FEndTime = v;
    Change();
}

void TSPPlanItem::MoveBy(double delta)
{
    if (delta == 0)
        return;
    FStartTime += delta;
    FEndTime += delta;
    Change();
}

void TSPPlanItem::Change()
{
    if (FSource)
        FSource->ItemChanged(this);
}

void TSPPlanItem::Save()
{
    if (FSource && FSource->OnItemSave)
        FSource->OnItemSave(FSource, this);
    AcceptChanges();
}

void TSPPlanItem::AcceptChanges()
{
    FSavedAllDayEvent = FAllDayEvent;
    FSavedTitle = FTitle;
    FSavedEndTime = FEndTime;
    FSavedStartTime = FStartTime;
    FSavedColor = FColor;
    FSavedIsPrivate = FIsPrivate;
    FSavedResource = FResource;
    FSavedBusyStatus = FBusyStatus;
    FSavedReadOnly = FReadOnly;
    FModified = false;
}

void TSPPlanItem::Revert()
{
    FAllDayEvent = FSavedAllDayEvent;
    FTitle = FSavedTitle;
    FEndTime = FSavedEndTime;
    FStartTime = FSavedStartTime;
    FColor = FSavedColor;
    FIsPrivate = FSavedIsPrivate;
    FResource = FSavedResource;
    FBusyStatus = FSavedBusyStatus;
    FReadOnly = FSavedReadOnly;
    FModified = false;
    Change();
}

void TSPPlanItem::Delete()
{
    if (FSource)
        FSource->DeleteItem(this);
}

void TSPPlanItem::Assign(const TSPPlanItem *source)
{
    if (!source)
        return;
    FAllDayEvent = source->FAllDayEvent;
    FTitle = source->FTitle;
    FEndTime = source->FEndTime;
    FStartTime = source->FStartTime;
    FColor = source->FColor;
    FIsPrivate = source->FIsPrivate;
    FResource = source->FResource;
    FBusyStatus = source->FBusyStatus;
    FReadOnly = source->FReadOnly;
    AcceptChanges();
    FIcons.Assign(source->FIcons);
}

// --- source ----------------------------------------------------------------------------------

int CompareItems(const TSPPlanItem *A, const TSPPlanItem *B)
{
    if (A == B)
        return 0;
    if (A->StartTime() != B->StartTime())
        return A->StartTime() < B->StartTime() ? -1 : 1;
    if (A->EndTime() != B->EndTime())
        return A->EndTime() < B->EndTime() ? -1 : 1;
    if (A->AllDayEvent() != B->AllDayEvent())
        return A->AllDayEvent() ? -1 : 1;
    const int c = B->Title().compare(A->Title(), Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

TSPPlannerLink::~TSPPlannerLink()
{
    if (FSender)
        FSender->UnRegisterChanges(this);
}

void TSPPlannerLink::Change()
{
    if (OnChange)
        OnChange(FSender);
}

TSPCustomSource::TSPCustomSource(QObject *owner)
    : QObject(owner)
    , FPlanItemClass([] { return new TSPPlanItem; })
{
}

TSPCustomSource::~TSPCustomSource()
{
    FDestroying = true;
    for (int i = int(FClients.size()) - 1; i >= 0; --i)
        UnRegisterChanges(FClients.at(i));
    const QList<TSPPlanItem *> items = FItems;
    FItems.clear();
    for (TSPPlanItem *item : items) {
        item->FSource = nullptr;
        delete item;
    }
    qDeleteAll(FRequests);
}

void TSPCustomSource::InsertSorted(TSPPlanItem *item)
{
    // The list is always sorted: a binary search finds the place, no full sort.
    const auto it = std::upper_bound(FItems.begin(), FItems.end(), item,
                                     [](const TSPPlanItem *a, const TSPPlanItem *b) { return CompareItems(a, b) < 0; });
    FItems.insert(it, item);
}

TSPPlanItem *TSPCustomSource::Add()
{
    TSPPlanItem *item = FPlanItemClass();
    item->FSource = this;
    InsertSorted(item);
    return item;
}

TSPPlanItem *TSPCustomSource::AddItem(const QString &Resource, const QString &Title, TDateTime StartTime, TDateTime EndTime,
                                      bool AllDayEvent, bool IsPrivate, toolkit::TColor Color, TSPBusyStatus BusyStatus)
{
    TSPPlanItem *item = FPlanItemClass();
    item->FResource = Resource;
    item->FTitle = Title;
    item->FStartTime = StartTime;
    item->FEndTime = EndTime;
    item->FAllDayEvent = AllDayEvent;
    item->FIsPrivate = IsPrivate;
    item->FColor = Color;
    item->FBusyStatus = BusyStatus;
    item->FSource = this;
    InsertSorted(item);
    item->AcceptChanges();
    if (OnItemChange)
        OnItemChange(this, item);
    Changed();
    return item;
}

void TSPCustomSource::Changed()
{
    if (FUpdateCount > 0)
        FChanged = true;
    else
        Change();
}

void TSPCustomSource::ItemChanged(TSPPlanItem *item)
{
    const int i = int(FItems.indexOf(item));
    if (i >= 0) {
        FItems.removeAt(i);
        InsertSorted(item);
    }
    if (OnItemChange)
        OnItemChange(this, item);
    Changed();
}

void TSPCustomSource::Detach(TSPPlanItem *item)
{
    item->FSource = nullptr;
    FItems.removeAll(item);
    if (!FDestroying)
        Changed();
}

void TSPCustomSource::Remove(TSPPlanItem *Item)
{
    if (IndexOf(Item) >= 0)
        delete Item;
}

void TSPCustomSource::Delete(int Index)
{
    delete FItems.value(Index, nullptr);
}

void TSPCustomSource::DeleteItem(TSPPlanItem *Item)
{
    if (IndexOf(Item) < 0)
        return;
    if (OnItemDelete)
        OnItemDelete(this, Item);
    delete Item;
}

void TSPCustomSource::DeleteItem(int Index)
{
    DeleteItem(FItems.value(Index, nullptr));
}

void TSPCustomSource::Clear()
{
    BeginUpdate();
    while (!FItems.isEmpty())
        delete FItems.first();
    EndUpdate();
}

int TSPCustomSource::IndexOf(const TSPPlanItem *Item) const
{
    return int(FItems.indexOf(const_cast<TSPPlanItem *>(Item)));
}

void TSPCustomSource::EndUpdate()
{
    if (FUpdateCount <= 0)
        return;
    if (--FUpdateCount == 0 && FChanged)
        Change();
}

void TSPCustomSource::Change()
{
    FChanged = false;
    const QList<TSPPlannerLink *> clients = FClients;
    for (TSPPlannerLink *l : clients)
        l->Change();
    if (OnChange)
        OnChange(this);
}

void TSPCustomSource::Save()
{
    const QList<TSPPlanItem *> items = FItems;
    for (TSPPlanItem *i : items)
        i->Save();
}

void TSPCustomSource::Revert()
{
    BeginUpdate();
    const QList<TSPPlanItem *> items = FItems;
    for (TSPPlanItem *i : items)
        i->Revert();
    EndUpdate();
}

void TSPCustomSource::AcceptChanges()
{
    for (TSPPlanItem *i : std::as_const(FItems))
        i->AcceptChanges();
}

void TSPCustomSource::Sort()
{
    std::stable_sort(FItems.begin(), FItems.end(), [](const TSPPlanItem *a, const TSPPlanItem *b) { return CompareItems(a, b) < 0; });
}

void TSPCustomSource::RegisterChanges(TSPPlannerLink *Link)
{
    Link->FSender = this;
    FClients.append(Link);
}

void TSPCustomSource::UnRegisterChanges(TSPPlannerLink *Link)
{
    if (FClients.removeAll(Link) > 0)
        Link->FSender = nullptr;
}

void TSPCustomSource::DoRequestItems(TDateTime StartTime, TDateTime EndTime)
{
    if (OnRequestItems)
        OnRequestItems(this, StartTime, EndTime);
}

void TSPCustomSource::RequestItems(TDateTime S, TDateTime E)
{
    for (const TSPRequest *r : std::as_const(FRequests)) {
        if (r->StartTime <= S && r->EndTime >= E)
            return;
        if (S < r->StartTime && r->StartTime < E) {
            const TDateTime split = r->StartTime;
            RequestItems(S, split);
            RequestItems(split, E);
            return;
        }
        if (S < r->EndTime && r->EndTime < E) {
            const TDateTime split = r->EndTime;
            RequestItems(S, split);
            RequestItems(split, E);
            return;
        }
    }
    FRequests.append(new TSPRequest{S, E});
    DoRequestItems(S, E);
    // Neighbours in list order that meet exactly become one range.
    for (int i = int(FRequests.size()) - 1; i >= 1; --i) {
        if (FRequests.at(i - 1)->EndTime == FRequests.at(i)->StartTime) {
            FRequests.at(i - 1)->EndTime = FRequests.at(i)->EndTime;
            delete FRequests.takeAt(i);
        }
    }
}

void TSPCustomSource::RequestAllItems()
{
    const QList<TSPRequest *> requests = FRequests;
    for (const TSPRequest *r : requests)
        DoRequestItems(r->StartTime, r->EndTime);
}

QList<TSPRequest> TSPCustomSource::Requests() const
{
    QList<TSPRequest> r;
    for (const TSPRequest *q : FRequests)
        r << *q;
    return r;
}

void TSPCustomSource::SetImages(marvok::TIImageList *Value)
{
    if (FImages == Value)
        return;
    if (FImagesConnection)
        disconnect(FImagesConnection);
    FImages = Value;
    if (Value)
        FImagesConnection = connect(Value, &QObject::destroyed, this, [this] { FImages = nullptr; });
    Change();
}

// --- resources -----------------------------------------------------------------------------------

void TSPPlannerResource::SetName(const QString &v)
{
    if (FName == v)
        return;
    FName = v;
    if (FCollection)
        FCollection->Update();
}

void TSPPlannerResource::SetImageIndex(int v)
{
    if (FImageIndex == v)
        return;
    FImageIndex = v;
    if (FCollection)
        FCollection->Update();
}

void TSPPlannerResource::SetColor(toolkit::TColor v)
{
    if (FColor == v)
        return;
    FColor = v;
    if (FCollection)
        FCollection->Update();
}

void TSPPlannerResource::AssignTo(TSPPlannerResource *other) const
{
    other->FName = FName;
    other->FImageIndex = FImageIndex;
    other->FColor = FColor;
    if (other->FCollection)
        other->FCollection->Update();
}

TSPPlannerResources::~TSPPlannerResources() = default;

TSPPlannerResource *TSPPlannerResources::Add()
{
    auto r = std::make_shared<TSPPlannerResource>();
    r->FCollection = this;
    FItems.append(r);
    Update();
    return r.get();
}

void TSPPlannerResources::Clear()
{
    FItems.clear();
    Update();
}

void TSPPlannerResources::Sort()
{
    std::stable_sort(FItems.begin(), FItems.end(),
                     [](const auto &a, const auto &b) { return toolkit::AnsiCompareText(a->Name(), b->Name()) < 0; });
    Update();
}

// --- display items ----------------------------------------------------------------------------------

namespace {
constexpr double OneMs = 1.0 / 86400000.0;

double Round4(double v)
{
    return marvok::OracleRoundTo(v, 4);
}

bool DisplayLess(const TSPDisplayItem *a, const TSPDisplayItem *b)
{
    if (a->Item()->AllDayEvent() != b->Item()->AllDayEvent())
        return a->Item()->AllDayEvent();
    const double sa = a->Item()->StartTime() + a->Offset(), sb = b->Item()->StartTime() + b->Offset();
    if (sa != sb)
        return sa < sb;
    const double ea = a->Item()->EndTime() + a->Offset(), eb = b->Item()->EndTime() + b->Offset();
    if (ea != eb)
        return ea < eb;
    return b->Item()->Title().compare(a->Item()->Title(), Qt::CaseSensitive) < 0;
}
} // namespace

void TSPDisplayItem::CalculateCells()
{
    const double s = FItem->StartTime() + FOffset;
    const double e = FItem->EndTime() + FOffset;
    const double c0 = FOwner->CellStart();
    const double d = FOwner->CellDuration();
    FStartCell = int(std::floor((s + OneMs - c0) / d));
    FStartTimeMarker = (s - c0) / d - FStartCell;
    FEndCell = int(std::floor((e - (c0 + OneMs)) / d));
    FEndTimeMarker = Round4((e - c0) / d - FEndCell);
    // An item ending on a cell boundary fills the earlier cell to its end.
    if (FEndTimeMarker == 0 && FEndCell > FStartCell) {
        FEndTimeMarker = 1.0;
        --FEndCell;
    }
}

TSPDisplayItems::~TSPDisplayItems()
{
    qDeleteAll(FList);
}

TSPDisplayItem *TSPDisplayItems::Add(TSPPlanItem *Item, TDateTime Offset)
{
    auto *d = new TSPDisplayItem;
    d->FOwner = this;
    d->FItem = Item;
    d->FOffset = Offset;
    FList.append(d);
    Changed();
    return d;
}

void TSPDisplayItems::Delete(int Index)
{
    if (Index < 0 || Index >= FList.size())
        throw toolkit::EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    delete FList.takeAt(Index);
    Changed();
}

void TSPDisplayItems::Remove(TSPDisplayItem *DisplayItem)
{
    const int i = int(FList.indexOf(DisplayItem));
    if (i >= 0)
        Delete(i);
}

void TSPDisplayItems::Clear()
{
    BeginUpdate();
    while (!FList.isEmpty())
        Delete(int(FList.size()) - 1);
    EndUpdate();
}

void TSPDisplayItems::EndUpdate()
{
    if (FUpdateCount <= 0)
        return;
    if (--FUpdateCount == 0)
        Recalculate();
}

void TSPDisplayItems::SetCellStart(TDateTime v)
{
    if (FCellStart == v)
        return;
    FCellStart = v;
    Changed();
}

void TSPDisplayItems::SetCellDuration(TDateTime v)
{
    if (FCellDuration == v)
        return;
    FCellDuration = v;
    Changed();
}

void TSPDisplayItems::Changed()
{
    if (FUpdateCount == 0)
        Recalculate();
}

void TSPDisplayItems::Recalculate()
{
    std::stable_sort(FList.begin(), FList.end(), DisplayLess);
    CalculateSpans();
}

void TSPDisplayItems::CalculateSpans()
{
    for (TSPDisplayItem *d : std::as_const(FList)) {
        d->CalculateCells();
        d->FSpanRange = d->FSpanStart = d->FSpanEnd = 0;
    }
    const int n = int(FList.size());
    int maxEnd = 0;
    int g = -1;
    for (int i = 0; i < n; ++i) {
        if (i < n - 1) {
            const TSPDisplayItem *d = FList.at(i), *next = FList.at(i + 1);
            maxEnd = std::max(maxEnd, d->FEndCell);
            const bool overlaps = maxEnd + d->FEndTimeMarker > next->FStartCell + next->FStartTimeMarker;
            if (overlaps && g < 0)
                g = i;
            if (!overlaps && g >= 0) {
                SetGroupSpans(g, i);
                maxEnd = 0;
                g = -1;
            }
        } else if (g >= 0) {
            SetGroupSpans(g, i);
        }
    }
}

void TSPDisplayItems::SetGroupSpans(int First, int Last)
{
    const int n = Last - First + 1;
    QVector<double> starts(n), ends(n);
    for (int i = 0; i < n; ++i) {
        const TSPDisplayItem *d = FList.at(First + i);
        starts[i] = Round4(d->FStartCell + Round4(d->FStartTimeMarker));
        ends[i] = Round4(d->FEndCell + Round4(d->FEndTimeMarker));
    }
    // Pass 1: the lowest column whose earlier entries all end by the start.
    // A column is free exactly when the latest end in it is not after the start.
    QVector<double> columnEnd;
    int cols = 0;
    for (int i = 0; i < n; ++i) {
        TSPDisplayItem *d = FList.at(First + i);
        d->FSpanStart = cols;
        for (int c = cols - 1; c >= 0; --c)
            if (!(starts.at(i) < columnEnd.at(c)))
                d->FSpanStart = c;
        d->FSpanEnd = d->FSpanStart + 1;
        if (d->FSpanStart == columnEnd.size())
            columnEnd.append(ends.at(i));
        else
            columnEnd[d->FSpanStart] = std::max(columnEnd.at(d->FSpanStart), ends.at(i));
        cols = std::max(cols, d->FSpanEnd);
    }
    // Pass 2: widen to the right while no other entry's cell rectangle is met.
    // Entries per column, to look only at the ones that can meet.
    QVector<QVector<TSPDisplayItem *>> occupants(cols);
    int longest = 0;
    for (int i = 0; i < n; ++i) {
        TSPDisplayItem *d = FList.at(First + i);
        occupants[d->FSpanStart].append(d);
        longest = std::max(longest, d->FEndCell - d->FStartCell);
    }
    auto byStart = [](const TSPDisplayItem *a, const TSPDisplayItem *b) { return a->FStartCell < b->FStartCell; };
    for (auto &col : occupants)
        std::stable_sort(col.begin(), col.end(), byStart);
    auto meets = [&](const TSPDisplayItem *d, int column) {
        if (d->FEndCell < d->FStartCell)
            return false;
        const QVector<TSPDisplayItem *> &col = occupants.at(column);
        // Candidates start no later than d's last cell and no earlier than the longest entry allows.
        auto it = std::upper_bound(col.begin(), col.end(), d->FEndCell,
                                   [](int cell, const TSPDisplayItem *e) { return cell < e->FStartCell; });
        while (it != col.begin()) {
            --it;
            const TSPDisplayItem *e = *it;
            if (e->FStartCell < d->FStartCell - longest)
                break;
            // A zero-length entry on a cell boundary has no cells: it neither
            // meets nor is met.
            if (e != d && e->FStartCell <= e->FEndCell && e->FStartCell <= d->FEndCell && d->FStartCell <= e->FEndCell)
                return true;
        }
        return false;
    };
    for (int i = 0; i < n; ++i) {
        TSPDisplayItem *d = FList.at(First + i);
        d->FSpanRange = cols;
        // D's own column is checked once; each step adds one new column.
        bool ownBlocked = d->FSpanEnd < cols && meets(d, d->FSpanStart);
        for (int k = d->FSpanEnd + 1; k <= cols; ++k) {
            const bool blocked = ownBlocked || meets(d, k - 1);
            if (blocked)
                break;
            d->FSpanEnd = k;
            auto &col = occupants[k - 1];
            col.insert(std::upper_bound(col.begin(), col.end(), d, byStart), d);
        }
    }
}

} // namespace tovlet
