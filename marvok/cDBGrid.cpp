#include "cDBGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>

namespace marvok {

class TIDBGridModel : public QAbstractTableModel
{
public:
    explicit TIDBGridModel(TIDBGrid *grid) : QAbstractTableModel(grid), FGrid(grid) {}

    int rowCount(const QModelIndex &parent = {}) const override
    {
        if (parent.isValid())
            return 0;
        return FRows;
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : FGrid->ColumnCount();
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::TextAlignmentRole)
            return {};
        toolkit::TField *f = FGrid->ColumnField(index.column());
        if (!f)
            return {};
        if (role == Qt::TextAlignmentRole)
            return f->IsNumericType() ? int(Qt::AlignRight | Qt::AlignVCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
        return f->ValueToText(FGrid->DataSet()->RecordValue(index.row(), f->Index()), true);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return FGrid->ColumnTitle(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    bool canFetchMore(const QModelIndex &parent) const override
    {
        const toolkit::TDataSet *ds = FGrid->DataSet();
        return !parent.isValid() && ds && ds->Active() && ds->CanFetchMore();
    }
    void fetchMore(const QModelIndex &parent) override
    {
        if (parent.isValid() || !FGrid->DataSet())
            return;
        FGrid->DataSet()->FetchMore();
        FGrid->SyncRowCount();
    }
    int DataSetRows() const
    {
        const toolkit::TDataSet *ds = FGrid->DataSet();
        if (!ds || !ds->Active())
            return 0;
        return ds->KnownRecordCount() + (ds->State() == toolkit::TDataSetState::dsInsert ? 1 : 0);
    }
    void Reset()
    {
        beginResetModel();
        FRows = DataSetRows();
        endResetModel();
    }
    void Grow()
    {
        const int rows = DataSetRows();
        if (rows > FRows) {
            beginInsertRows({}, FRows, rows - 1);
            FRows = rows;
            endInsertRows();
        } else if (rows < FRows) {
            Reset();
        }
    }
    void RefreshRows()
    {
        if (FRows > 0 && columnCount() > 0)
            Q_EMIT dataChanged(index(0, 0), index(FRows - 1, columnCount() - 1));
    }

private:
    TIDBGrid *FGrid;
    int FRows = 0;
};

class TIDBGridLink : public toolkit::TDataLink
{
public:
    explicit TIDBGridLink(TIDBGrid *grid) : FGrid(grid) {}

protected:
    void ActiveChanged() override
    {
        FGrid->LinkActive(Active());
        FGrid->LayoutChanged();
    }
    void LayoutChanged() override { FGrid->LayoutChanged(); }
    void DataSetChanged() override
    {
        const int before = FGrid->FModel->rowCount();
        FGrid->FModel->Grow();
        if (FGrid->FModel->rowCount() == before)
            FGrid->FModel->RefreshRows();
        FGrid->SyncCurrentRow();
    }
    void DataSetScrolled(int) override
    {
        FGrid->SyncRowCount();
        FGrid->SyncCurrentRow();
    }
    void RecordChanged(toolkit::TField *) override { FGrid->viewport()->update(); }
    void EditingChanged() override { FGrid->SyncRowCount(); }

private:
    TIDBGrid *FGrid;
};

class TIDBGridDelegate : public QStyledItemDelegate
{
public:
    explicit TIDBGridDelegate(TIDBGrid *grid) : QStyledItemDelegate(grid), FGrid(grid) {}
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        bool handled = false;
        if (FGrid->OnDrawColumnCell) {
            painter->save();
            FGrid->OnDrawColumnCell(FGrid, painter, option.rect, index.column(), FGrid->ColumnField(index.column()), index.row(),
                                    option.state & QStyle::State_Selected, handled);
            painter->restore();
        }
        if (!handled)
            QStyledItemDelegate::paint(painter, option, index);
    }

private:
    TIDBGrid *FGrid;
};

TIDBGrid::TIDBGrid(QWidget *parent)
    : QTableView(parent)
    , FLink(std::make_unique<TIDBGridLink>(this))
    , FModel(new TIDBGridModel(this))
{
    setModel(FModel);
    setItemDelegate(new TIDBGridDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (OnTitleClick)
            OnTitleClick(this, section);
    });
    // A column the user resizes keeps its new width in the column collection.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (FApplyingWidths || FColumns.isEmpty())
            return;
        int n = -1;
        for (TIColumn &c : FColumns)
            if (c.Visible && ++n == section) {
                c.Width = size;
                return;
            }
    });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex &current) {
        toolkit::TDataSet *ds = DataSet();
        if (FSyncing || !ds || !ds->Active() || !current.isValid() || ds->State() != toolkit::TDataSetState::dsBrowse)
            return;
        if (ds->RecNo() != current.row() + 1) {
            FSyncing = true;
            ds->SetRecNo(current.row() + 1);
            FSyncing = false;
        }
    });
}

TIDBGrid::~TIDBGrid()
{
    FLink->SetDataSource(nullptr);
}

toolkit::TDataSource *TIDBGrid::DataSource() const
{
    return FLink->DataSource();
}

void TIDBGrid::SetDataSource(toolkit::TDataSource *source)
{
    FLink->SetDataSource(source);
}

toolkit::TDataSet *TIDBGrid::DataSet() const
{
    return FLink->Active() ? FLink->DataSet() : nullptr;
}

void TIDBGrid::SetColumns(const QList<TIColumn> &columns)
{
    FColumns = columns;
    LayoutChanged();
}

void TIDBGrid::AddColumn(const TIColumn &column)
{
    FColumns.append(column);
    LayoutChanged();
}

void TIDBGrid::ClearColumns()
{
    FColumns.clear();
    LayoutChanged();
}

int TIDBGrid::ColumnCount() const
{
    if (!FColumns.isEmpty()) {
        int n = 0;
        for (const TIColumn &c : FColumns)
            n += c.Visible ? 1 : 0;
        return n;
    }
    const toolkit::TDataSet *ds = DataSet();
    int n = 0;
    for (int i = 0; ds && i < ds->FieldCount(); ++i)
        n += ds->Fields(i)->Visible() ? 1 : 0;
    return n;
}

toolkit::TField *TIDBGrid::ColumnField(int column) const
{
    const toolkit::TDataSet *ds = DataSet();
    if (!ds)
        return nullptr;
    int n = -1;
    if (!FColumns.isEmpty()) {
        for (const TIColumn &c : FColumns)
            if (c.Visible && ++n == column)
                return ds->FindField(c.FieldName);
        return nullptr;
    }
    for (int i = 0; i < ds->FieldCount(); ++i)
        if (ds->Fields(i)->Visible() && ++n == column)
            return ds->Fields(i);
    return nullptr;
}

QString TIDBGrid::ColumnTitle(int column) const
{
    if (!FColumns.isEmpty()) {
        int n = -1;
        for (const TIColumn &c : FColumns)
            if (c.Visible && ++n == column) {
                if (!c.Title.isEmpty())
                    return c.Title;
                break;
            }
    }
    const toolkit::TField *f = ColumnField(column);
    return f ? f->DisplayLabel() : QString();
}

void TIDBGrid::LinkActive(bool)
{
}

void TIDBGrid::ApplyWidths()
{
    const QScopedValueRollback<bool> applying(FApplyingWidths, true);
    const int charWidth = fontMetrics().averageCharWidth();
    int n = -1;
    auto width = [&](const TIColumn *c, const toolkit::TField *f) {
        if (c && c->Width >= 0)
            return c->Width;
        return f ? std::clamp(f->DisplayWidth(), 4, 40) * charWidth + 8 : 64;
    };
    if (!FColumns.isEmpty()) {
        for (const TIColumn &c : FColumns)
            if (c.Visible) {
                ++n;
                setColumnWidth(n, width(&c, ColumnField(n)));
            }
        return;
    }
    for (int i = 0; i < ColumnCount(); ++i)
        setColumnWidth(i, width(nullptr, ColumnField(i)));
}

void TIDBGrid::LayoutChanged()
{
    FModel->Reset();
    ApplyWidths();
    SyncCurrentRow();
}

void TIDBGrid::SyncRowCount()
{
    FModel->Grow();
}

void TIDBGrid::SyncCurrentRow()
{
    const toolkit::TDataSet *ds = DataSet();
    if (FSyncing || !ds || ds->RecNo() < 1 || FModel->columnCount() == 0)
        return;
    const int row = ds->RecNo() - 1;
    if (row >= FModel->rowCount())
        FModel->Grow();
    if (currentIndex().row() == row)
        return;
    FSyncing = true;
    const QModelIndex idx = FModel->index(row, std::max(0, currentIndex().column()));
    setCurrentIndex(idx);
    scrollTo(idx);
    FSyncing = false;
}

void TIDBGrid::keyPressEvent(QKeyEvent *event)
{
    toolkit::TDataSet *ds = DataSet();
    if (ds && event->modifiers().testFlag(Qt::ControlModifier)) {
        if (event->key() == Qt::Key_End) {
            ds->Last();
            return;
        }
        if (event->key() == Qt::Key_Home) {
            ds->First();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

} // namespace marvok
