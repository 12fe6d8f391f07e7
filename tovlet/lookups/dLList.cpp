#include "tovlet/lookups/dLList.h"

#include "marvok/Isifrant.h"
#include "marvok/cSifra.h"
#include "pelvar/plList.h"
#include "pelvar/plMeta.h"
#include "toolkit/DB.h"
#include "toolkit/Exception.h"
#include "tovlet/grids/cMirGrid.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace tovlet {

// Texts of one column sorted ignoring letter case, with the smallest record of
// any range at hand (a segment tree over the sorted records): the first
// record in list order with a given prefix is two binary searches and one
// range minimum away. Built for one content and order of the data set.
class TLookupSearchIndex
{
public:
    TLookupSearchIndex(toolkit::TDataSet *ds, int field)
        : FField(field)
    {
        const int n = ds->RecordCount();
        QVector<QString> keys(n);
        QVector<int> order(n);
        for (int r = 0; r < n; ++r) {
            keys[r] = ds->RecordValue(r, field).toString(); // shares the text
            order[r] = r;
        }
        // The list is usually ordered by the column searched: then the
        // records are the sorted order already and the sort is skipped.
        const bool sorted = std::is_sorted(keys.cbegin(), keys.cend(), [](const QString &a, const QString &b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        if (!sorted)
            std::sort(order.begin(), order.end(), [&keys](int a, int b) {
                const int c = keys[a].compare(keys[b], Qt::CaseInsensitive);
                return c < 0 || (c == 0 && a < b);
            });
        FKeys.reserve(n);
        FSize = n;
        FTree.assign(2 * std::max(n, 1), INT_MAX);
        for (int i = 0; i < n; ++i) {
            FKeys.push_back(std::move(keys[order[i]]));
            FTree[n + i] = order[i];
        }
        for (int i = n - 1; i > 0; --i)
            FTree[i] = std::min(FTree[2 * i], FTree[2 * i + 1]);
    }
    int Field() const { return FField; }

    // The smallest record whose text starts with prefix in any letter case; -1 when none.
    int FirstWithPrefix(const QString &prefix) const
    {
        const qsizetype len = prefix.size();
        auto less = [len](const QString &key, const QString &p) { return QStringView(key).left(len).compare(p, Qt::CaseInsensitive) < 0; };
        auto greater = [len](const QString &p, const QString &key) { return QStringView(p).compare(QStringView(key).left(len), Qt::CaseInsensitive) < 0; };
        const auto lo = std::lower_bound(FKeys.begin(), FKeys.end(), prefix, less);
        const auto hi = std::upper_bound(lo, FKeys.end(), prefix, greater);
        if (lo == hi)
            return -1;
        int l = int(lo - FKeys.begin()) + FSize, h = int(hi - FKeys.begin()) + FSize;
        int best = INT_MAX;
        for (; l < h; l >>= 1, h >>= 1) {
            if (l & 1)
                best = std::min(best, FTree[l++]);
            if (h & 1)
                best = std::min(best, FTree[--h]);
        }
        return best;
    }

    // Descriptions in record order, for the like-search.
    QVector<QString> Descriptions;
    int DescriptionField = -1;
    // What the index was built for.
    toolkit::TDataSet *DataSet = nullptr;
    int Records = -1;
    QString Order;
    quint64 Version = 0;

private:
    int FField;
    int FSize = 0;
    std::vector<QString> FKeys;
    std::vector<int> FTree;
};

namespace {

const QString kCodeCaption = QStringLiteral("Šifra");
const QString kDescCaption = QStringLiteral("Opis");

QLabel *NewLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    return label;
}

// The code list a list's class stands for: its table without the schema.
QString CodeListOf(pelvar::TPlBoList *list)
{
    if (!list || !list->ClassMetaData() || !list->ClassMetaData()->Provider())
        return {};
    return list->ClassMetaData()->Provider()->GetTableName().section(QLatin1Char('.'), -1);
}

} // namespace

template <class F>
void TdlgLookupList::Guarded(F &&f)
{
    try {
        f();
    } catch (const toolkit::Exception &e) {
        toolkit::HandleException(e);
    } catch (const std::exception &e) {
        toolkit::HandleException(toolkit::Exception(QString::fromLocal8Bit(e.what())));
    }
}

TdlgLookupList::TdlgLookupList(QWidget *parent)
    : TdlgZDR(parent)
    , FdsList(new toolkit::TDataSource(this))
{
    setWindowTitle(QStringLiteral("Iskanje"));
    auto *layout = new QVBoxLayout(paDialog());
    layout->setContentsMargins(4, 4, 4, 4);

    FIDBGrid1 = new TIMireloDBGrid(paDialog());
    FIDBGrid1->setObjectName(QStringLiteral("IDBGrid1"));
    FIDBGrid1->SetDataSource(FdsList);
    FIDBGrid1->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(FIDBGrid1, 1);

    FpaSelection = new QWidget(paDialog());
    FpaSelection->setObjectName(QStringLiteral("paSelection"));
    auto *sel = new QHBoxLayout(FpaSelection);
    sel->setContentsMargins(0, 0, 0, 0);
    auto *fields = new QVBoxLayout;
    auto *row1 = new QHBoxLayout;
    row1->addWidget(NewLabel(QStringLiteral("Iskanje po:"), FpaSelection));
    FcbOrder = new QComboBox(FpaSelection);
    FcbOrder->setObjectName(QStringLiteral("cbOrder"));
    FcbOrder->addItems({kCodeCaption, kDescCaption});
    row1->addWidget(FcbOrder, 1);
    fields->addLayout(row1);
    auto *row2 = new QHBoxLayout;
    row2->addWidget(NewLabel(QStringLiteral("Znaki za iskanje:"), FpaSelection));
    FedSelection = new QLineEdit(FpaSelection);
    FedSelection->setObjectName(QStringLiteral("edSelection"));
    row2->addWidget(FedSelection, 1);
    fields->addLayout(row2);
    sel->addLayout(fields, 1);

    auto *help = new QVBoxLayout;
    help->addWidget(NewLabel(QStringLiteral("[Enter] - Iskanje / potrdi"), FpaSelection));
    help->addWidget(NewLabel(QStringLiteral("[ESC]   - Izhod"), FpaSelection));
    help->addWidget(NewLabel(QStringLiteral("[Insert] - Šifra / opis"), FpaSelection));
    auto *arrows = new QHBoxLayout;
    arrows->addWidget(NewLabel(QStringLiteral("[ \u2191 ] [ \u2193 ] - Pomik po tabeli"), FpaSelection));
    help->addLayout(arrows);
    sel->addLayout(help);

    auto *buttons = new QVBoxLayout;
    FbtAddNew = new QPushButton(QStringLiteral("Dodaj"), FpaSelection);
    FbtAddNew->setObjectName(QStringLiteral("btAddNew"));
    FbtAddNew->setFixedWidth(100);
    FbtAddNew->hide();
    FbtCustom = new QPushButton(QStringLiteral("Custom"), FpaSelection);
    FbtCustom->setObjectName(QStringLiteral("btCustom"));
    FbtCustom->setFixedWidth(100);
    FbtCustom->hide();
    buttons->addWidget(FbtAddNew);
    buttons->addWidget(FbtCustom);
    buttons->addStretch();
    sel->addLayout(buttons);
    layout->addWidget(FpaSelection);

    FedSelection->installEventFilter(this);
    connect(FedSelection, &QLineEdit::textChanged, this, [this](const QString &text) {
        FSelection = text;
        FSelectionChange = true;
        if (FOnLineSearch)
            Guarded([&] {
                FLastChooseType = TISelectionChooseType::ctTextSearch;
                SearchCurrent();
            });
    });
    connect(FcbOrder, &QComboBox::currentIndexChanged, this, [this] {
        if (FUpdatingOrder)
            return;
        FLastChooseType = TISelectionChooseType::ctOrderChange;
        Guarded([this] { cbOrderChange(); });
    });
    connect(FbtAddNew, &QPushButton::clicked, this, [this] { Guarded([this] { btAddNewClick(); }); });
    connect(FbtCustom, &QPushButton::clicked, this, [this] { Guarded([this] { btCustomClick(); }); });
    connect(FIDBGrid1, &QAbstractItemView::pressed, this, [this] { FLastChooseType = TISelectionChooseType::ctMouse; });
    connect(FIDBGrid1, &QAbstractItemView::doubleClicked, this, [this] { Guarded([this] { btOKClick(); }); });
    resize(640, 480);
}

TdlgLookupList::~TdlgLookupList()
{
    // The data set belongs to the list, which may outlive the dialog.
    FdsList->SetDataSet(nullptr);
    RestoreHiddenFields();
}

QString TdlgLookupList::CodeField() const
{
    auto *ds = FdsList->DataSet();
    return ds && i0 >= 0 && i0 < ds->FieldCount() ? ds->Fields(i0)->FieldName() : QString();
}

QString TdlgLookupList::DescriptionField() const
{
    auto *ds = FdsList->DataSet();
    return ds && i1 >= 0 && i1 < ds->FieldCount() ? ds->Fields(i1)->FieldName() : QString();
}

void TdlgLookupList::SetBoList(pelvar::TPlBoList *BoList)
{
    FBoList = BoList;
    InvalidateSearch();
    FdsList->SetDataSet(nullptr);
    RestoreHiddenFields();
    if (!BoList) {
        FdsList->SetDataSet(nullptr);
        return;
    }
    toolkit::TDataSet *ds = BoList->GetDataSet();
    if (!ds->Active())
        ds->Open();
    // The attributes follow the ID field.
    const int first = ds->FindField(QStringLiteral("ID")) ? 1 : 0;
    i0 = std::min(first, ds->FieldCount() - 1);
    i1 = std::min(first + 1, ds->FieldCount() - 1);
    if (!FSifrant.isEmpty() && marvok::Sifranti().Exists(FSifrant)) {
        const QString code = marvok::Sifranti().GetTableInfoIndex(FSifrant, 10);
        QString desc = marvok::Sifranti().GetTableInfoIndex(FSifrant, 6);
        if (desc == QLatin1String("0"))
            desc = QStringLiteral("DESCRIPTION");
        if (auto *f = code.isEmpty() ? nullptr : ds->FindField(code))
            i0 = f->Index();
        if (auto *f = desc.isEmpty() ? nullptr : ds->FindField(desc))
            i1 = f->Index();
        bool okWidth = false;
        const int chars = marvok::Sifranti().GetTableInfoIndex(FSifrant, 5).toInt(&okWidth);
        if (okWidth && chars > 0)
            iWidth0 = std::max(60, fontMetrics().horizontalAdvance(QLatin1Char('0')) * (chars + 3));
    }
    ShowOnlyFields({i0, i1});
    auto *meta = BoList->ClassMetaData();
    FPaintFavourites = meta && meta->HasAttribute(QStringLiteral("IS_FAVORITE_ORG_NODE"))
        && meta->HasAttribute(QStringLiteral("CODE_031"));
    FIDBGrid1->OnDrawColumnCell = nullptr;
    if (FPaintFavourites)
        FIDBGrid1->OnDrawColumnCell = [this](marvok::TIDBGrid *g, QPainter *p, const QRect &r, int c, toolkit::TField *f,
                                             int row, bool s, bool &h) { IDBGrid1DrawColumnCell(g, p, r, c, f, row, s, h); };
    FdsList->SetDataSet(ds);
    BuildColumns();
    SetWindowCode();
}

void TdlgLookupList::ShowOnlyFields(const QList<int> &shown)
{
    toolkit::TDataSet *ds = FBoList ? FBoList->GetDataSet() : nullptr;
    if (!ds)
        return;
    if (FHiddenIn != ds) {
        RestoreHiddenFields();
        FHiddenIn = ds;
    }
    for (int f = 0; f < ds->FieldCount(); ++f) {
        toolkit::TField *field = ds->Fields(f);
        if (shown.contains(f)) {
            field->SetVisible(true);
            FHiddenFields.removeAll(f);
        } else if (field->Visible()) {
            field->SetVisible(false);
            FHiddenFields << f;
        }
    }
}

void TdlgLookupList::RestoreHiddenFields()
{
    if (FHiddenIn) {
        for (int f : std::as_const(FHiddenFields))
            if (f < FHiddenIn->FieldCount())
                FHiddenIn->Fields(f)->SetVisible(true);
    }
    FHiddenIn = nullptr;
    FHiddenFields.clear();
}

void TdlgLookupList::BuildColumns()
{
    auto *ds = FdsList->DataSet();
    if (!ds)
        return;
    QList<marvok::TIColumn> columns;
    for (int f : {i0, i1}) {
        if (f < 0 || f >= ds->FieldCount() || (!columns.isEmpty() && f == i0))
            continue;
        marvok::TIColumn column;
        column.FieldName = ds->Fields(f)->FieldName();
        column.Width = f == i0 ? iWidth0 : iWidth1;
        columns << column;
    }
    FIDBGrid1->SetColumns(columns);
}

void TdlgLookupList::ResetWidth()
{
    QList<marvok::TIColumn> columns = FIDBGrid1->Columns();
    for (int c = 0; c < columns.size(); ++c)
        columns[c].Width = c == 0 ? iWidth0 : iWidth1;
    FIDBGrid1->SetColumns(columns);
}

QString TdlgLookupList::GetColumnByIndex(int Index) const
{
    return Index == 1 ? DescriptionField() : CodeField();
}

void TdlgLookupList::SetSearchStringAndSort(const QString &Text)
{
    if (FedSelection->text() == Text)
        SearchCurrent();
    else
        FedSelection->setText(Text); // searches as typed text does
    if (!FOnLineSearch)
        SearchCurrent();
}

void TdlgLookupList::SearchCurrent()
{
    SearchObject(GetColumnByIndex(FcbOrder->currentIndex()), FedSelection->text());
}

void TdlgLookupList::InvalidateSearch()
{
    FIndex.reset();
}

void TdlgLookupList::SearchObject(const QString &FieldName, const QString &Text)
{
    if (Text.isEmpty())
        return;
    auto *ds = FdsList->DataSet();
    toolkit::TField *field = ds ? ds->FindField(FieldName) : nullptr;
    if (!field || !ds->Active())
        return;
    const int records = ds->RecordCount();
    const QString order = FBoList ? FBoList->Order() : QString();
    const quint64 version = FBoList && FBoList->ClassMetaData() ? pelvar::ClassVersion(FBoList->ClassMetaData()->ClassName()) : 0;
    if (!FIndex || FIndex->Field() != field->Index() || FIndex->DataSet != ds || FIndex->Records != records
        || FIndex->Order != order || FIndex->Version != version) {
        FIndex = std::make_unique<TLookupSearchIndex>(ds, field->Index());
        FIndex->DataSet = ds;
        FIndex->Records = records;
        FIndex->Order = order;
        FIndex->Version = version;
    }
    int found = FIndex->FirstWithPrefix(Text);
    if (FbSearchLike && i1 >= 0 && i1 < ds->FieldCount()) {
        if (FIndex->DescriptionField != i1) {
            FIndex->Descriptions.resize(records);
            for (int r = 0; r < records; ++r)
                FIndex->Descriptions[r] = ds->RecordValue(r, i1).toString();
            FIndex->DescriptionField = i1;
        }
        const int end = found < 0 ? records : found;
        for (int r = 0; r < end; ++r) {
            if (FIndex->Descriptions[r].contains(Text, Qt::CaseInsensitive)) {
                found = r;
                break;
            }
        }
    }
    ds->DisableControls();
    try {
        if (found >= 0)
            ds->SetRecNo(found + 1);
        else
            ds->Last();
    } catch (...) {
        ds->EnableControls();
        throw;
    }
    ds->EnableControls();
}

void TdlgLookupList::cbOrderChange()
{
    auto *ds = FdsList->DataSet();
    if (!FBoList || !ds)
        return;
    const QString field = GetColumnByIndex(FcbOrder->currentIndex());
    if (field.isEmpty())
        return;
    const bool descending = FsFieldsWithDescendingSort.split(QLatin1Char(','), Qt::SkipEmptyParts)
                                .contains(field, Qt::CaseInsensitive);
    FBoList->OrderBy((descending ? QStringLiteral("-") : QString()) + field);
    InvalidateSearch();
    SearchCurrent();
    ResetWidth();
}

void TdlgLookupList::NextOrder()
{
    if (FcbOrder->count() == 0)
        return;
    FcbOrder->setCurrentIndex((FcbOrder->currentIndex() + 1) % FcbOrder->count());
}

void TdlgLookupList::ShowAddButton(const QString &Caption, TIOnAddButtonClick Event)
{
    FOnAddButtonClick = std::move(Event);
    if (!Caption.isEmpty())
        FbtAddNew->setText(Caption);
    FbtAddNew->setVisible(bool(FOnAddButtonClick));
}

void TdlgLookupList::ShowCustomButton(const QString &Caption, TINotifyEvent Event)
{
    FOnCustomButtonClick = std::move(Event);
    if (!Caption.isEmpty())
        FbtCustom->setText(Caption);
    FbtCustom->setVisible(bool(FOnCustomButtonClick));
}

void TdlgLookupList::SetWindowCode()
{
    if (FIDBGrid1->ColumnCount() == 0) {
        TdlgZDR::SetWindowCode(QStringLiteral("CAL<neznan>"));
        return;
    }
    toolkit::TField *field = FIDBGrid1->ColumnField(0);
    const QString name = field ? field->FieldName() : FIDBGrid1->Columns().value(0).FieldName;
    TdlgZDR::SetWindowCode(QStringLiteral("CAL") + (name.size() >= 8 ? name.mid(5, 3) : name));
}

void TdlgLookupList::btAddNewClick()
{
    if (!FOnAddButtonClick || !FBoList)
        return;
    pelvar::TplPerObject *object = FOnAddButtonClick(this);
    if (!object)
        return;
    FBoList->AddAndRefresh(object);
    InvalidateSearch();
    if (auto *ds = dynamic_cast<pelvar::TplBoListDataSet *>(FdsList->DataSet())) {
        const int rec = ds->RecordOf(object);
        if (rec >= 0)
            ds->SetRecNo(rec + 1);
    }
}

void TdlgLookupList::btCustomClick()
{
    if (FOnCustomButtonClick)
        FOnCustomButtonClick(this);
}

void TdlgLookupList::OKClicked()
{
    auto *ds = dynamic_cast<pelvar::TplBoListDataSet *>(FdsList->DataSet());
    FSelectedBo = ds && ds->RecordCount() > 0 ? ds->CurrentObject() : nullptr;
    FLastChooseType = TISelectionChooseType::ctNone;
    ConfirmOK();
}

void TdlgLookupList::showEvent(QShowEvent *event)
{
    TdlgZDR::showEvent(event);
    QTimer::singleShot(0, FedSelection, [edit = FedSelection] { edit->setFocus(); });
}

bool TdlgLookupList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FedSelection && event->type() == QEvent::KeyPress) {
        bool handled = false;
        Guarded([&] { handled = edSelectionKeyDown(static_cast<QKeyEvent *>(event)); });
        return handled;
    }
    return TdlgZDR::eventFilter(watched, event);
}

bool TdlgLookupList::edSelectionKeyDown(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        const QString text = FedSelection->text();
        const bool unchanged = text == FOldSelection;
        if (FBehaveAsCatalogLookup) {
            const bool reached = FLastChooseType == TISelectionChooseType::ctArrow
                || FLastChooseType == TISelectionChooseType::ctMouse
                || FLastChooseType == TISelectionChooseType::ctOrderChange;
            if (unchanged || reached) {
                btOKClick();
                return true;
            }
            if (FOnReloadBoList) {
                if (pelvar::TPlBoList *list = FOnReloadBoList(text))
                    SetBoList(list);
            }
        } else if (unchanged) {
            btOKClick();
            return true;
        }
        FLastChooseType = TISelectionChooseType::ctTextSearch;
        SearchCurrent();
        FOldSelection = text;
        FSelectionChange = false;
        return true;
    }
    case Qt::Key_Insert:
        if (event->modifiers() == Qt::NoModifier) {
            NextOrder();
            return true;
        }
        return false;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_F2:
        return FormKeyDown(event);
    default:
        return false;
    }
}

bool TdlgLookupList::FormKeyDown(QKeyEvent *event)
{
    if (TdlgZDR::FormKeyDown(event))
        return true;
    auto *ds = FdsList->DataSet();
    const int key = event->key();
    if (key == Qt::Key_F2 && event->modifiers() == Qt::NoModifier) {
        NextOrder();
        return true;
    }
    if (ds && ds->Active() && event->modifiers() == Qt::NoModifier) {
        if ((key == Qt::Key_Up && ds->RecNo() <= 1) || (key == Qt::Key_Down && ds->RecNo() >= ds->RecordCount()))
            return true;
        const bool moves = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown;
        if (moves && FedSelection->hasFocus()) {
            QKeyEvent copy(event->type(), key, event->modifiers(), event->text());
            QCoreApplication::sendEvent(FIDBGrid1, &copy);
            FLastChooseType = TISelectionChooseType::ctArrow;
            return true;
        }
    }
    return false;
}

void TdlgLookupList::IDBGrid1DrawColumnCell(marvok::TIDBGrid *grid, QPainter *painter, const QRect &rect, int column,
                                            toolkit::TField *field, int row, bool selected, bool &handled)
{
    Q_UNUSED(column);
    auto *ds = dynamic_cast<pelvar::TplBoListDataSet *>(FdsList->DataSet());
    if (!ds || !field)
        return;
    pelvar::TplPerObject *object = ds->ObjectAt(row);
    const QPalette pal = grid->palette();
    painter->fillRect(rect, selected ? pal.highlight() : pal.base());
    QFont font = grid->font();
    font.setBold(object && object->GetAttrAsText(QStringLiteral("IS_FAVORITE_ORG_NODE")) == QLatin1String("D"));
    painter->setFont(font);
    painter->setPen(selected ? pal.highlightedText().color() : pal.text().color());
    painter->drawText(rect.adjusted(2, 2, -2, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      ds->RecordValue(row, field->Index()).toString());
    handled = true;
}

// ---------------------------------------------------------------------------

TdlgLookupListWithFields::TdlgLookupListWithFields(QWidget *parent)
    : TdlgLookupList(parent)
{
}

TdlgLookupListWithFields::~TdlgLookupListWithFields() = default;

void TdlgLookupListWithFields::SetFields(const QStringList &Fields)
{
    FaF.clear();
    QStringList descending;
    for (QString name : Fields) {
        name = name.trimmed();
        if (name.isEmpty())
            continue;
        if (name.startsWith(QLatin1Char('-'))) {
            name = name.mid(1);
            descending << name;
        }
        FaF << name;
    }
    FsFieldsWithDescendingSort = descending.join(QLatin1Char(','));
    doSetFields();
    if (FbUpdateSortCB)
        UpdateSortCB();
    ResetWidth();
}

void TdlgLookupListWithFields::doSetFields()
{
    auto *ds = FdsList->DataSet();
    if (!ds)
        return;
    QList<int> shown;
    for (const QString &name : std::as_const(FaF))
        if (auto *f = ds->FindField(name))
            shown << f->Index();
    if (!shown.isEmpty()) {
        i0 = shown.value(0);
        i1 = shown.value(1, i0);
    }
    ShowOnlyFields(shown);
    InvalidateSearch();
    BuildColumns();
    SetWindowCode();
}

void TdlgLookupListWithFields::BuildColumns()
{
    auto *ds = FdsList->DataSet();
    if (FaF.isEmpty() || !ds) {
        TdlgLookupList::BuildColumns();
        return;
    }
    QList<marvok::TIColumn> columns;
    for (const QString &name : std::as_const(FaF)) {
        if (!ds->FindField(name))
            continue;
        marvok::TIColumn column;
        column.FieldName = ds->FindField(name)->FieldName();
        columns << column;
    }
    FIDBGrid1->SetColumns(columns);
}

void TdlgLookupListWithFields::UpdateSortCB()
{
    auto *ds = FdsList->DataSet();
    FUpdatingOrder = true;
    FcbOrder->clear();
    for (const QString &name : std::as_const(FaF)) {
        toolkit::TField *f = ds ? ds->FindField(name) : nullptr;
        if (f)
            FcbOrder->addItem(f->DisplayLabel().isEmpty() ? f->FieldName() : f->DisplayLabel());
    }
    FcbOrder->setCurrentIndex(FcbOrder->count() > 0 ? 0 : -1);
    FUpdatingOrder = false;
}

QString TdlgLookupListWithFields::GetColumnByIndex(int Index) const
{
    if (FaF.isEmpty())
        return TdlgLookupList::GetColumnByIndex(Index);
    auto *ds = FdsList->DataSet();
    QStringList present;
    for (const QString &name : FaF)
        if (ds && ds->FindField(name))
            present << name;
    return present.value(std::max(Index, 0), present.value(0));
}

void TdlgLookupListWithFields::ResetWidth()
{
    QList<marvok::TIColumn> columns = FIDBGrid1->Columns();
    for (int c = 0; c < columns.size(); ++c) {
        const int w = FWidths.value(FaF.indexOf(columns[c].FieldName), -1);
        columns[c].Width = w > 0 ? w : (c == 0 ? iWidth0 : -1);
    }
    FIDBGrid1->SetColumns(columns);
}

// ---------------------------------------------------------------------------

namespace {

struct TLookupCall
{
    marvok::TISifra *Sifra = nullptr;
    pelvar::TPlBoList *BoList = nullptr;
    QStringList Fields;
    QList<int> Widths;
    bool WithFields = false;
    bool UpdateSortCB = false;
    bool SearchLike = false;
    bool CatalogLookup = false;
    QString InitialSearch;
    QString AddCaption;
    TIOnAddButtonClick OnAdd;
    QString CustomCaption;
    TINotifyEvent OnCustom;
    TIOnReloadBoList OnReload;
};

pelvar::TplPerObject *DoLookup(const TLookupCall &call)
{
    if (!call.BoList)
        return nullptr;
    TDialogPtr<TdlgLookupList> dlg;
    TdlgLookupListWithFields *withFields = nullptr;
    if (call.WithFields) {
        auto d = MakeDialog<TdlgLookupListWithFields>(call.Sifra ? call.Sifra->window() : nullptr);
        withFields = d.get();
        withFields->setAiUpdateSortCB(call.UpdateSortCB);
        withFields->SetWidths(call.Widths);
        dlg.reset(d.release());
    } else {
        dlg = MakeDialog<TdlgLookupList>(call.Sifra ? call.Sifra->window() : nullptr);
    }
    QString caption;
    if (call.Sifra) {
        dlg->setAiShortDesc(call.Sifra->aiShortDesc());
        dlg->setAiSifrant(call.Sifra->aiSifrant());
        caption = marvok::Sifranti().Exists(call.Sifra->aiSifrant()) ? marvok::Sifranti().Caption(call.Sifra->aiSifrant())
                                                                      : call.Sifra->aiSifrant();
    } else {
        const QString name = CodeListOf(call.BoList);
        const bool known = marvok::Sifranti().Exists(name);
        dlg->setAiShortDesc(known);
        if (known)
            dlg->setAiSifrant(name);
        caption = call.BoList->ClassMetaData()->Provider()->GetCaption();
    }
    dlg->SetBoList(call.BoList);
    dlg->setAiSearchLike(call.SearchLike);
    dlg->setAiBehaveAsCatalogLookup(call.CatalogLookup);
    if (withFields)
        withFields->SetFields(call.Fields);
    if (!call.InitialSearch.isEmpty())
        dlg->SetSearchStringAndSort(call.InitialSearch);
    dlg->setWindowTitle(QStringLiteral("Izberi : ") + caption);
    if (withFields)
        withFields->ResetWidth();
    if (call.OnAdd)
        dlg->ShowAddButton(call.AddCaption, call.OnAdd);
    if (call.OnCustom)
        dlg->ShowCustomButton(call.CustomCaption, call.OnCustom);
    dlg->setAiOnReloadBoList(call.OnReload);
    if (dlg->ShowModal() != QDialog::Accepted || !dlg->OK())
        return nullptr;
    pelvar::TplPerObject *chosen = dlg->aiSelectedBo();
    if (chosen && call.Sifra) {
        const QString field = dlg->CodeField();
        call.Sifra->SetCode(chosen->GetAttrAsText(field));
        call.Sifra->RefreshResponse();
    }
    return chosen;
}

} // namespace

pelvar::TplPerObject *LookupBoList(marvok::TISifra *Sifra, pelvar::TPlBoList *BoList)
{
    TLookupCall call;
    call.Sifra = Sifra;
    call.BoList = BoList;
    return DoLookup(call);
}

pelvar::TplPerObject *LookupBoList(pelvar::TPlBoList *BoList)
{
    return LookupBoList(nullptr, BoList);
}

pelvar::TplPerObject *LookupBoListWihtFields(pelvar::TPlBoList *BoList, const QStringList &Fields, bool SearchLike,
                                             const QString &InitialSearch, const QString &AddCaption,
                                             TIOnAddButtonClick OnAdd, const QString &CustomCaption,
                                             TINotifyEvent OnCustom, bool CatalogLookup)
{
    TLookupCall call;
    call.BoList = BoList;
    call.Fields = Fields;
    call.WithFields = !Fields.isEmpty();
    call.SearchLike = SearchLike;
    call.InitialSearch = InitialSearch;
    call.AddCaption = AddCaption;
    call.OnAdd = std::move(OnAdd);
    call.CustomCaption = CustomCaption;
    call.OnCustom = std::move(OnCustom);
    call.CatalogLookup = CatalogLookup;
    return DoLookup(call);
}

pelvar::TplPerObject *LookupBoListWihtFieldsForSi(marvok::TISifra *Sifra, pelvar::TPlBoList *BoList,
                                                  const QStringList &Fields, const QList<int> &Widths, bool SearchLike,
                                                  bool CatalogLookup, bool UpdateSortCB, TIOnReloadBoList OnReload)
{
    TLookupCall call;
    call.Sifra = Sifra;
    call.BoList = BoList;
    call.Fields = Fields;
    call.Widths = Widths;
    call.WithFields = !Fields.isEmpty();
    call.SearchLike = SearchLike;
    call.CatalogLookup = CatalogLookup;
    call.UpdateSortCB = UpdateSortCB;
    call.OnReload = std::move(OnReload);
    return DoLookup(call);
}

pelvar::TplPerObject *LookupBoListWithFieldsForSiCB(marvok::TISifra *Sifra, pelvar::TPlBoList *BoList,
                                                    const QStringList &Fields)
{
    return LookupBoListWihtFieldsForSi(Sifra, BoList, Fields, {}, false, false, true, {});
}

} // namespace tovlet
