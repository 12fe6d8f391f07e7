// TIMireloDBGrid: the system's data grid for data sets that present
// business-object lists. On top of the utility library's data grid it keeps
// its column layout as a text users' choices are stored in (field, caption,
// width, drop-down rows, visibility), remembers the widths of hidden
// columns, and watches the business-object list behind its data set so that
// it can show another workstation's changes when the list learns of them.
//
// Layout text: the columns in display order separated by ";", each
// "FN=<field>&DL=<caption>&Width=<pixels>&DDR=<rows>&Visible=D|N". Reading
// is forgiving: pairs without "=" and unknown keys are skipped, widths are
// kept at most MaxColumnWidth (one that is no number, or negative, is
// automatic: the field's), drop-down rows between 1 and
// MaxDropDownRows, and columns naming fields the data set lacks are dropped
// with a line in the log. A drop-down row count above 7 first clears the
// column's fixed pick list: so long a drop-down is the field's lookup.
#pragma once

#include "marvok/cDBGrid.h"
#include "pelvar/plCore.h"
#include "tovlet/tovlet_export.h"

#include <QStringList>
#include <functional>

namespace pelvar {
class TPlCustomBoList;
}

namespace tovlet {

enum class TIRefreshMode { rmAutomatic, rmOnDemand };

// Watches one business-object list and passes every notification on.
class TOVLET_EXPORT TIDBGridNotifier : public pelvar::TplDomainNotifier
{
public:
    using TIOnDoNotifyEvent = std::function<void(pelvar::TplDomainObject *Sender, pelvar::TplNotifyAction ActionType, const QVariant &Data)>;

    TIDBGridNotifier();
    ~TIDBGridNotifier() override;
    QString ClassName() const override { return QStringLiteral("TIDBGridNotifier"); }

    // The watched list (held while watched); nullptr detaches.
    pelvar::TPlCustomBoList *aiBoList() const { return FboList; }
    void setAiBoList(pelvar::TPlCustomBoList *list);
    TIOnDoNotifyEvent aiOnDoNotifyEvent;

    // Whether an object of the list has changes not saved, and whether every
    // object of a non-empty list is read-only.
    bool IsModified() const;
    bool IsReadOnly() const;

    void DoNotifyAction(pelvar::TplDomainObject *sender, pelvar::TplNotifyAction action, const QVariant &param,
                        pelvar::TplDomainObject *list) override;

private:
    pelvar::TPlCustomBoList *FboList = nullptr;
};

class TOVLET_EXPORT TIMireloDBGrid : public marvok::TIDBGrid
{
    Q_OBJECT
public:
    static constexpr int MaxColumnWidth = 4000;
    static constexpr int MaxDropDownRows = 100;

    explicit TIMireloDBGrid(QWidget *parent = nullptr);
    ~TIMireloDBGrid() override;

    // One width per column, the one to restore (hidden columns too).
    QStringList aiWidths() const { return FslWidths; }
    TIRefreshMode aiRefreshMode() const { return FRefreshMode; }
    void setAiRefreshMode(TIRefreshMode mode) { FRefreshMode = mode; }
    // The watched list says it needs a refresh (false without a list).
    bool aiNeedToRefresh() const;
    TIDBGridNotifier *Notifier() const { return FNotifier; }

    QString GetSettingsDetail() const;
    void SetSettingsDetail(const QString &settings);
    QString Column2StringDetail(const marvok::TIColumn &column, int index) const;
    // Reads one column's text into `column` (its index is the width entry).
    void String2ColumnDetail(const QString &text, int index, marvok::TIColumn &column);

    // The notifier's event: a list that needs a refresh is re-read when the
    // grid refreshes automatically, and the user is told "Sprememba!".
    void NotifyEvent(pelvar::TplDomainObject *Sender, pelvar::TplNotifyAction Action, const QVariant &Param);

protected:
    void LinkActive(bool value) override;

private:
    // The width a column has on screen, or its own.
    int ShownWidth(const marvok::TIColumn &column, int index) const;

    QStringList FslWidths;
    bool FOldModified = false;
    TIRefreshMode FRefreshMode = TIRefreshMode::rmOnDemand;
    TIDBGridNotifier *FNotifier; // held by the grid
};

} // namespace tovlet
