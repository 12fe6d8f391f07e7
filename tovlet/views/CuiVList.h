// User-defined list views: a view (TiUIView) is a named way of looking at one
// list on one form — the grid's column layout, an SQL filter with context
// variables, a sort and a grouping. TIUIViewList is the combo box that holds
// the views of one list, applies the chosen one to a persistence view or a
// business-object list and its grid, sorts by title clicks, builds the
// "Pogledi" menu, and stores the views as one application parameter per form
// and list.
//
// Filter variables ("%ZDR%", "%DAT%", ...) are replaced from the working
// context (DomainInfo, the working date, the login) when a view is applied.
// Values are always written as SQL literals: an apostrophe in an actor's or a
// user's code, or in a value the form gives for a quick filter, is doubled
// and a NUL dropped, so no value can change what a condition means.
//
// Stored text: the item index, then per view "#" and caption|sort|filter|
// group|fields. A field may not hold "#" or "|"; saving such a view fails
// with its message rather than writing a text that reads back differently.
#pragma once

#include "marvok/cControls.h"
#include "marvok/cDBGrid.h"
#include "tovlet/core/cBasic.h"
#include "toolkit/DateUtils.h"
#include "tovlet/tovlet_export.h"

#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QActionGroup;

namespace toolkit {
class TDataSource;
}
namespace pelvar {
class TplPerObject;
class TplView;
class TPlBoList;
} // namespace pelvar
namespace marvok {
class TIDBGrid;
struct TIFieldInfo;
} // namespace marvok

namespace tovlet {

class TiUIView;
class TIUIViewList;

// --- working context ----------------------------------------------------------

// The host hands out the object (or leaves it null).
using TIDomainInfoEvent = std::function<void(pelvar::TplPerObject *&AplPerObject)>;

// The user's working context, filled in by the host's events. Each Bo*
// function returns what its event gave, or nullptr when the event is not set.
class TOVLET_EXPORT TIDomainInfo
{
public:
    TIDomainInfoEvent aiGetServicePoint;
    TIDomainInfoEvent aiGetActiveActor;
    TIDomainInfoEvent aiGetWURespActor;
    TIDomainInfoEvent aiGetWorkingUnit;
    TIDomainInfoEvent aiGetParentWorkingUnit;

    pelvar::TplPerObject *BoServicePoint() const { return Ask(aiGetServicePoint); }
    pelvar::TplPerObject *BoActiveActor() const { return Ask(aiGetActiveActor); }
    pelvar::TplPerObject *BoWURespActor() const { return Ask(aiGetWURespActor); }
    pelvar::TplPerObject *BoWorkingUnit() const { return Ask(aiGetWorkingUnit); }
    pelvar::TplPerObject *BoParentWorkingUnit() const { return Ask(aiGetParentWorkingUnit); }

private:
    static pelvar::TplPerObject *Ask(const TIDomainInfoEvent &event);
};

// Created on the first call, freed when the package unloads.
TOVLET_EXPORT TIDomainInfo *DomainInfo();

// --- unit globals -------------------------------------------------------------

// Expands an organisational unit into an SQL condition over its subtree.
using TIGetReportName = std::function<QString(const QString &AFieldName, const QString &ASifra031, const QString &ATreeName,
                                              bool AParents, bool AChildren)>;
// Told true before and false after a subtree-expanding filter is converted.
using TISetOrSqlCond = std::function<void(bool ASet)>;

TOVLET_EXPORT extern TIGetReportName FGetReportName;
TOVLET_EXPORT extern TISetOrSqlCond FSetOrCond;
// The time of the last data refresh: title clicks within 2 seconds of it are
// ignored. Starts (and returns at unload) at 1 January 1800 00:00, "never".
TOVLET_EXPORT extern toolkit::TDateTime FIgnoreTitleClick;
TOVLET_EXPORT toolkit::TDateTime NoIgnoreTitleClick();

// --- one view -----------------------------------------------------------------

// The form's current quick-filter value for a field.
using TOnGetFilterValueFromForm = std::function<void(const QString &AFieldName, QString &AValue)>;
// A title click changed the view's sort; the clicked grid column.
using TIOnTitleClickEvent = std::function<void(TiUIView *Sender, int AColumn)>;

// What the filter check found: the rows the filter selects, or the database's
// message when it could not run.
struct TOVLET_EXPORT TIUIViewFilterCheck
{
    bool Valid = false;
    qint64 RowCount = 0;
    QString Message;
    QString Sql; // the statement that ran
};

class TOVLET_EXPORT TiUIView
{
public:
    static inline const QString InheritedFilter = QStringLiteral("INHERITEDFILTER");

    explicit TiUIView(const QString &AsCaption, const QString &AsSort = {}, const QString &AsFilter = {},
                      const QString &AsGroup = {}, const QString &AsFields = {});
    virtual ~TiUIView();

    QString aiCaption() const { return FCaption; }
    void setAiCaption(const QString &v) { FCaption = v; }
    QString aiGroup() const { return FsGroup; }
    void setAiGroup(const QString &v) { FsGroup = v; }
    QString aiSort() const { return FsSort; }
    void setAiSort(const QString &v) { FsSort = v; }
    QString aiFilter() const { return FsFilter; }
    void setAiFilter(const QString &v) { FsFilter = v; }
    QString aiFields() const { return FsFields; }
    void setAiFields(const QString &v) { FsFields = v; }
    marvok::TIDBGrid *aiGrid() const;
    void setAiGrid(marvok::TIDBGrid *grid);
    bool aiExpandOrgNodeTree() const { return FExpandOrgNodeTree; }
    void setAiExpandOrgNodeTree(bool v) { FExpandOrgNodeTree = v; }
    TIOnTitleClickEvent aiOnTitleClickEvent;
    TOnGetFilterValueFromForm aiOnGetFilterValueFromForm;

    // The filter as readable text, then "Urejeno po: " and the sort's columns.
    QString aiDescription() const { return GetDescription(); }
    QString GetDescription() const;

    // The view's filter as SQL: the marker gone, the variables replaced.
    QString FilterExpToSQL(const QString &AFilter);
    // "A,-B" gives "A, B DESC"; an empty sort an empty text.
    static QString OrderExpToSQL(const QString &ASort);
    QString CalculateFilterVariables(const QString &sFilter);

    // Each re-queries what it is given (one statement) unless the condition
    // and order are already the view's; on a failure the list or view keeps
    // its condition and order and the error propagates.
    void SetUiViewToView(pelvar::TplView *AplView);
    void SetUiViewToList(pelvar::TPlBoList *ABoList);
    void SetUiViewToGrid(marvok::TIDBGrid *AGrid);
    void SetUiViewToHCListBox(TICustomHCListBox *AHCListBox);

    // Brings the condition on one quick-filter field up to date with the
    // form's value (aiOnGetFilterValueFromForm): inserted before the
    // trailing marker, its value replaced, or removed when the form's value
    // is empty. UpdateQuickFilters does it for every quick-filter field.
    void UpdateFilterFromForm(const QString &AFieldName);
    void UpdateQuickFilters();
    static QStringList QuickFilterFields();

    // Runs the filter once, with its variables replaced, against a table
    // ("QDAT.NAME") and counts the rows it selects.
    TIUIViewFilterCheck CheckFilter(const QString &ATableName, const QString &AConnectionName = QStringLiteral("_ZDR"));

private:
    QString VariableValue(const QString &token, const QString &fieldName, bool expanding, bool &upper, bool &isCondition);

    QString FCaption;
    QString FsGroup;
    QString FsSort;
    QString FsFilter;
    QString FsFields;
    QPointer<marvok::TIDBGrid> FGrid;
    bool FExpandOrgNodeTree = false;
};

// --- the combo box --------------------------------------------------------------

// Opens the view editor (Sender, ViewList, TabSheetIndex); the host's.
using TIUIViewShowDialog = std::function<void(QObject *Sender, TIUIViewList *ViewList, int TabSheetIndex)>;
using TISetCustomSortField = std::function<void(const QString &ASortIn, QString &ASortOut)>;
using TIDeleteCustomSortField = std::function<void(const QString &ASortIn, QString &ASortOut)>;
using TIViewChangeEvent = std::function<void(QObject *Sender)>;
// Opens the dialog that defines the views of a list; its unit sets it.
using TIShowUIViewsDialog = std::function<void(TIUIViewList *ViewList)>;
TOVLET_EXPORT extern TIShowUIViewsDialog FShowUIViewsDialog;

class TOVLET_EXPORT TIUIViewList : public marvok::TIComboBox
{
    Q_OBJECT
    Q_PROPERTY(bool aiAutoChangeViews READ aiAutoChangeViews WRITE setAiAutoChangeViews)
    Q_PROPERTY(bool aiAutoArrange READ aiAutoArrange WRITE setAiAutoArrange)
    Q_PROPERTY(bool aiEditEnabled READ aiEditEnabled WRITE setAiEditEnabled)
    Q_PROPERTY(QString aiCaption READ aiCaption WRITE setAiCaption)
public:
    explicit TIUIViewList(QWidget *parent = nullptr);
    ~TIUIViewList() override;

    marvok::TIDBGrid *aiGrid() const { return FGrid; }
    // Title clicks of the grid sort the view (unless the host set its own handler).
    void setAiGrid(marvok::TIDBGrid *grid);
    TICustomHCListBox *aiHCListBox() const { return FHCListBox; }
    void setAiHCListBox(TICustomHCListBox *box) { FHCListBox = box; }
    QMenu *aiMenuItem() const { return FMenuItem; }
    void setAiMenuItem(QMenu *menu);
    pelvar::TplView *aiView() const { return FplView; }
    void setAiView(pelvar::TplView *view) { FplView = view; }
    pelvar::TPlBoList *aiBoList() const { return FboList; }
    void setAiBoList(pelvar::TPlBoList *list) { FboList = list; }
    QLabel *aiLabel() const { return FLabel; }
    void setAiLabel(QLabel *label) { FLabel = label; }
    QString aiCaption() const { return FCaption; }
    void setAiCaption(const QString &v) { FCaption = v; }
    TiUIView *aiCurrentView() const { return FCurrentView; }
    bool aiAutoChangeViews() const { return FAutoChangeViews; }
    void setAiAutoChangeViews(bool v) { FAutoChangeViews = v; }
    bool aiCacheReadCatalogues() const { return FCacheReadCatalogues; }
    void setAiCacheReadCatalogues(bool v) { FCacheReadCatalogues = v; }
    bool aiAutoArrange() const { return FAutoArrange; }
    void setAiAutoArrange(bool v);
    int aiMinWidht() const { return FMinWidth; }
    void setAiMinWidht(int v);
    int aiMaxWidht() const { return FMaxWidth; }
    void setAiMaxWidht(int v);
    QString aiParametersFormClassName() const { return FFormClassName; }
    void setAiParametersFormClassName(const QString &v) { FFormClassName = v; }
    bool aiExpandOrgNodeTree() const { return FExpandOrgNodeTree; }
    void setAiExpandOrgNodeTree(bool v) { FExpandOrgNodeTree = v; }
    bool aiEditEnabled() const { return FEditEnabled; }
    void setAiEditEnabled(bool v);
    TIUIViewShowDialog aiEditViewProperties;
    TIViewChangeEvent aiViewChange;
    TISetCustomSortField aiSetCustomSortField;
    TIDeleteCustomSortField aiDeleteCustomSortField;

    int Count() const { return int(FViewList.size()); }
    void Add(TiUIView *AUiView); // takes ownership
    void Delete(int aIndex);
    void Clear();
    TiUIView *GetUIView(int iIndex) const;
    TiUIView *SelectedUIView() const;
    int IndexOfView(const TiUIView *view) const; // -1 when not ours
    void SelectUIView(TiUIView *AUIView);
    // The user (or SetItemIndex) picked another entry.
    void Change();
    void SetItemIndex(int Value);
    void RefreshView();
    // Makes the current view sort by one field and applies it.
    void SetSortToFieldName(const QString &sFieldName);

    void SaveViews();
    bool LoadViews(bool ALogErrors);
    QString SaveViewToString() const;
    void LoadViewFromString(const QString &sAllViewString);
    void CreateDefaultView();
    QString GetFormName() const;
    // The parameter's name: the control's object name.
    QString GetParamName() const;

    void GenerateMenu();
    void GenerateSubMenu();

    // A title click on grid column `Column` (counted among shown columns).
    void OnTitleClick(int Column);
    QString GetNewSortForColumn(const QString &AFieldName, int ADropDowRows, const marvok::TIFieldInfo &AFieldInfo) const;
    QString GetNewBoSortForColumn(const QString &AFieldName, int ADropDowRows, const marvok::TIFieldInfo &AFieldInfo) const;
    [[noreturn]] void EditCurrentUIView();

    // The filter check for a view of this list: against the list's class
    // table (or the persistence view's).
    TIUIViewFilterCheck CheckFilter(TiUIView *AUIView);

    // Keeps the width to the longest caption when aiAutoArrange is on.
    void SetCOmponentWidth();

Q_SIGNALS:
    // A view was applied (after aiViewChange).
    void viewApplied(TiUIView *view);

private:
    void EditPage(int page);
    void ChangeGuarded();
    void CheckSubMenu();
    QString LayoutFromGrid() const;

    QPointer<marvok::TIDBGrid> FGrid;
    bool FOwnTitleClick = false; // the grid's title clicks come to us
    QPointer<TICustomHCListBox> FHCListBox;
    QPointer<QMenu> FMenuItem;
    pelvar::TplView *FplView = nullptr;
    pelvar::TPlBoList *FboList = nullptr;
    QPointer<QLabel> FLabel;
    QString FCaption;
    TiUIView *FCurrentView = nullptr;
    bool FAutoChangeViews = true;
    std::vector<std::unique_ptr<TiUIView>> FViewList;
    int FOldItemIndex = -1;
    bool FCacheReadCatalogues = true;
    bool FAutoArrange = true;
    int FMinWidth = 30;
    int FMaxWidth = 500;
    QString FFormClassName;
    bool FExpandOrgNodeTree = false;
    bool FEditEnabled = true;
    bool FLoadingView = false;
    QStringList FslDesignColumns;
    QPointer<QMenu> FViewsMenu;
    QActionGroup *FViewGroup = nullptr;
    QList<QAction *> FEditActions;
    // Connects the grid to the list's data set when the grid has no source.
    std::unique_ptr<toolkit::TDataSource> FDataSource;
};

// SaveViews / LoadViews(false) of every view list on the form, embedded
// tab-sheet forms included.
TOVLET_EXPORT void FindViewsAndSaveThem(QWidget *AForm);
TOVLET_EXPORT void FindViewsAndLoadThem(QWidget *AForm);

} // namespace tovlet
