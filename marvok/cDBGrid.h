// TIDBGrid: a data grid over a TDataSet, with a collection of columns
// (field name, title, width, drop-down rows, visible). It reads only the rows
// it shows: rows come from the data set by position as the view paints them,
// and a lazily reading data set grows the grid as the user scrolls (Ctrl+End
// goes to the last record and lets the data set count its rows). The current
// row follows the data set's cursor and the other way round.
// Without columns the grid shows every visible field.
#pragma once

#include "marvok/marvok_export.h"
#include "toolkit/DB.h"

#include <QTableView>
#include <functional>
#include <memory>

namespace marvok {

struct MARVOK_EXPORT TIColumn
{
    QString FieldName;
    QString Title;        // empty: the field's display label
    int Width = -1;       // pixels; -1: from the field's display width
    int DropDownRows = 7;
    bool Visible = true;
    QStringList PickList; // fixed values offered in the column's drop-down
};

class TIDBGridModel;

class MARVOK_EXPORT TIDBGrid : public QTableView
{
    Q_OBJECT
public:
    // handled is in/out: set it to skip the grid's own painting of the cell.
    using TDrawColumnCellEvent = std::function<void(TIDBGrid *grid, QPainter *painter, const QRect &rect, int column,
                                                    toolkit::TField *field, int row, bool selected, bool &handled)>;
    using TTitleClickEvent = std::function<void(TIDBGrid *grid, int column)>;

    explicit TIDBGrid(QWidget *parent = nullptr);
    ~TIDBGrid() override;

    toolkit::TDataSource *DataSource() const;
    void SetDataSource(toolkit::TDataSource *source);
    toolkit::TDataSet *DataSet() const;

    // The columns with the widths they have now (a user's resizing included).
    QList<TIColumn> Columns() const { return FColumns; }
    void SetColumns(const QList<TIColumn> &columns);
    void AddColumn(const TIColumn &column);
    void ClearColumns();
    // The columns shown (the visible ones, or every visible field by default).
    int ColumnCount() const;
    toolkit::TField *ColumnField(int column) const;
    QString ColumnTitle(int column) const;

    TDrawColumnCellEvent OnDrawColumnCell;
    TTitleClickEvent OnTitleClick;

    // Rebuilds columns and rows after the data set's layout changed.
    void LayoutChanged();

protected:
    // The grid's data link became active (the data set opened, or a data
    // source with an open data set was given) or inactive. Runs before the
    // columns are rebuilt; grids that watch what lies behind the data set
    // attach to it here.
    virtual void LinkActive(bool value);
    void keyPressEvent(QKeyEvent *event) override;

private:
    friend class TIDBGridLink;
    friend class TIDBGridModel;
    friend class TIDBGridDelegate;
    void ApplyWidths();
    void SyncCurrentRow();
    void SyncRowCount();

    QList<TIColumn> FColumns;
    std::unique_ptr<class TIDBGridLink> FLink;
    TIDBGridModel *FModel;
    bool FSyncing = false;
    bool FApplyingWidths = false;
};

} // namespace marvok
