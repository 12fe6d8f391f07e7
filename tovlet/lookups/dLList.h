// TdlgLookupList: the modal search-and-choose dialog over a business-object
// list. The list is shown in a data grid (code and description, or the
// columns a caller names in TdlgLookupListWithFields); the user types search
// characters, picks the search and order column ("Šifra" / "Opis", Insert or
// F2 cycle them), moves with the arrows and pages while typing, and confirms
// with Enter on an unchanged search text (so Enter twice), a double click or
// OK. The chosen object stays owned by the list; the dialog never owns it.
//
// Searching never steps the data set: the first record (in the list's
// order) whose search-column text starts with the typed text, ignoring
// letter case, is found through a sorted index of that column's texts, built
// once per list content and order, so each typed character answers at once
// on lists of a hundred thousand entries. The like-search (aiSearchLike)
// also stops at an earlier record whose description contains the text.
//
// Catalogue behaviour: Enter confirms only what the user reached on purpose
// (unchanged text, arrows, mouse, an order change); a changed text first
// reloads the list through the reload callback, when one is given.
//
// The fields the dialog hides in the list's data set are shown again when
// the dialog lets go of the list.
//
// The unit-level functions create, show and free the dialog and return the
// chosen object, nullptr on cancel.
#pragma once

#include "tovlet/dialogs/dZDR.h"
#include "tovlet/tovlet_export.h"

#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace toolkit {
class TDataSource;
class TField;
} // namespace toolkit
namespace pelvar {
class TPlBoList;
class TplPerObject;
} // namespace pelvar
namespace marvok {
class TIDBGrid;
class TISifra;
} // namespace marvok

namespace tovlet {

class TIMireloDBGrid;
class TLookupSearchIndex;

enum class TISelectionChooseType { ctTextSearch, ctArrow, ctMouse, ctNone, ctOrderChange };

using TIOnAddButtonClick = std::function<pelvar::TplPerObject *(QObject *Sender)>;
using TIOnReloadBoList = std::function<pelvar::TPlBoList *(const QString &AsFilter)>;
using TINotifyEvent = std::function<void(QObject *Sender)>;

class TOVLET_EXPORT TdlgLookupList : public TdlgZDR
{
    Q_OBJECT
public:
    explicit TdlgLookupList(QWidget *parent = nullptr);
    ~TdlgLookupList() override;

    // Binds the list (not owned): for a code list the code and description
    // fields come from the code list's table information, else the first two
    // attributes; every other field is hidden.
    virtual void SetBoList(pelvar::TPlBoList *BoList);
    pelvar::TPlBoList *BoList() const { return FBoList; }
    virtual void ResetWidth();
    // Puts Text into the search edit and searches for it in the order column.
    void SetSearchStringAndSort(const QString &Text);
    // Makes the first record whose FieldName text starts with Text (any
    // letter case) current; with the like-search also one whose description
    // contains Text. Nothing for an empty Text; the last record when none.
    void SearchObject(const QString &FieldName, const QString &Text);
    // The attribute behind entry Index of the order combo box.
    virtual QString GetColumnByIndex(int Index) const;
    void cbOrderChange();
    void ShowAddButton(const QString &Caption, TIOnAddButtonClick Event);
    void ShowCustomButton(const QString &Caption, TINotifyEvent Event);
    // "CAL" and characters 6 to 8 of the first column's field name.
    void SetWindowCode();
    using TdlgZDR::SetWindowCode;
    void btAddNewClick();
    void btCustomClick();
    void btPrekliciClick() { btCancelClick(); }

    pelvar::TplPerObject *aiSelectedBo() const { return FSelectedBo; }
    TISelectionChooseType LastChooseType() const { return FLastChooseType; }
    bool aiSearchLike() const { return FbSearchLike; }
    void setAiSearchLike(bool v) { FbSearchLike = v; }
    bool aiBehaveAsCatalogLookup() const { return FBehaveAsCatalogLookup; }
    void setAiBehaveAsCatalogLookup(bool v) { FBehaveAsCatalogLookup = v; }
    bool aiOnLineSearch() const { return FOnLineSearch; }
    void setAiOnLineSearch(bool v) { FOnLineSearch = v; }
    bool aiShortDesc() const { return FShortDesc; }
    void setAiShortDesc(bool v) { FShortDesc = v; }
    QString aiSifrant() const { return FSifrant; }
    void setAiSifrant(const QString &name) { FSifrant = name; }
    TIOnReloadBoList aiOnReloadBoList() const { return FOnReloadBoList; }
    void setAiOnReloadBoList(TIOnReloadBoList v) { FOnReloadBoList = std::move(v); }
    // The attribute names of the code and description columns.
    QString CodeField() const;
    QString DescriptionField() const;

    toolkit::TDataSource *dsList() const { return FdsList; }
    TIMireloDBGrid *IDBGrid1() const { return FIDBGrid1; }
    QComboBox *cbOrder() const { return FcbOrder; }
    QLineEdit *edSelection() const { return FedSelection; }
    QPushButton *btAddNew() const { return FbtAddNew; }
    QPushButton *btCustom() const { return FbtCustom; }
    // Rows of favourite organisational units are bold.
    void IDBGrid1DrawColumnCell(marvok::TIDBGrid *grid, QPainter *painter, const QRect &rect, int column,
                                toolkit::TField *field, int row, bool selected, bool &handled);

protected:
    bool FormKeyDown(QKeyEvent *event) override;
    void OKClicked() override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool edSelectionKeyDown(QKeyEvent *event);
    // The grid's columns for the current fields.
    virtual void BuildColumns();
    void NextOrder();
    void SearchCurrent();
    void InvalidateSearch();
    // Hides every field of the bound data set but those shown, remembering
    // what it hid so that the list's other users get them back.
    void ShowOnlyFields(const QList<int> &shown);
    void RestoreHiddenFields();
    // Runs a handler so that no error leaves it.
    template <class F> void Guarded(F &&f);

    toolkit::TDataSource *FdsList;
    TIMireloDBGrid *FIDBGrid1;
    QWidget *FpaSelection;
    QComboBox *FcbOrder;
    QLineEdit *FedSelection;
    QPushButton *FbtAddNew;
    QPushButton *FbtCustom;

    bool FShortDesc = false;
    bool FOnLineSearch = true;
    TIOnAddButtonClick FOnAddButtonClick;
    TISelectionChooseType FLastChooseType = TISelectionChooseType::ctNone;
    TINotifyEvent FOnCustomButtonClick;
    bool FbSearchLike = false;
    TIOnReloadBoList FOnReloadBoList;
    int i0 = -1, i1 = -1;
    int iWidth0 = 100, iWidth1 = 360;
    pelvar::TPlBoList *FBoList = nullptr;
    QString FOldSelection;
    QString FSelection;
    bool FSelectionChange = false;
    bool FBehaveAsCatalogLookup = false;
    QString FSifrant;
    QString FsFieldsWithDescendingSort;
    pelvar::TplPerObject *FSelectedBo = nullptr;
    bool FUpdatingOrder = false;
    bool FPaintFavourites = false;
    std::unique_ptr<TLookupSearchIndex> FIndex;
    QPointer<toolkit::TDataSet> FHiddenIn;
    QList<int> FHiddenFields;
};

class TOVLET_EXPORT TdlgLookupListWithFields : public TdlgLookupList
{
    Q_OBJECT
public:
    explicit TdlgLookupListWithFields(QWidget *parent = nullptr);
    ~TdlgLookupListWithFields() override;

    // The attribute columns, in order; "-" before a name sorts it descending.
    void SetFields(const QStringList &Fields);
    // Column widths in pixels, one per field (missing or <= 0: the field's).
    void SetWidths(const QList<int> &Widths) { FWidths = Widths; }
    QStringList Fields() const { return FaF; }
    bool aiUpdateSortCB() const { return FbUpdateSortCB; }
    void setAiUpdateSortCB(bool v) { FbUpdateSortCB = v; }
    void UpdateSortCB();
    void ResetWidth() override;
    QString GetColumnByIndex(int Index) const override;

protected:
    void doSetFields();
    void BuildColumns() override;

private:
    QStringList FaF;
    QList<int> FWidths;
    bool FbUpdateSortCB = false;
};

// For a code-entry control and its list (Sifra may be nullptr: a plain list).
TOVLET_EXPORT pelvar::TplPerObject *LookupBoList(marvok::TISifra *Sifra, pelvar::TPlBoList *BoList);
TOVLET_EXPORT pelvar::TplPerObject *LookupBoList(pelvar::TPlBoList *BoList);
TOVLET_EXPORT pelvar::TplPerObject *LookupBoListWihtFields(
    pelvar::TPlBoList *BoList, const QStringList &Fields, bool SearchLike = false, const QString &InitialSearch = {},
    const QString &AddCaption = {}, TIOnAddButtonClick OnAdd = {}, const QString &CustomCaption = {},
    TINotifyEvent OnCustom = {}, bool CatalogLookup = false);
// For a code-entry control with column widths: SearchLike is the like-search,
// CatalogLookup the catalogue behaviour, UpdateSortCB builds the order combo
// box from the columns; OnReload reloads the list for a search text.
TOVLET_EXPORT pelvar::TplPerObject *LookupBoListWihtFieldsForSi(
    marvok::TISifra *Sifra, pelvar::TPlBoList *BoList, const QStringList &Fields, const QList<int> &Widths,
    bool SearchLike = false, bool CatalogLookup = false, bool UpdateSortCB = false, TIOnReloadBoList OnReload = {});
TOVLET_EXPORT pelvar::TplPerObject *LookupBoListWithFieldsForSiCB(marvok::TISifra *Sifra, pelvar::TPlBoList *BoList,
                                                                  const QStringList &Fields);

} // namespace tovlet
