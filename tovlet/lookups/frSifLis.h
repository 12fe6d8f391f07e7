// TfrChooseSifrant: a frame that keeps a list of chosen codes of one code
// list (Sifranti) or one grouped code list (SkupSifranti), for fields that
// hold several codes at once. The user adds codes through the list's search
// form ("&Dodaj", F2) and deletes the selected one ("&Izbriši", Delete); the
// list view shows each code ("Šifra") with its description ("Opis").
//
// The chosen codes live in the frame's own string list, in the order shown;
// SetValues and GetValues read and write them as one comma-delimited text.
// SetSifrant names the list: a name the code lists register is a code list,
// any other a grouped one; "MS:" before the name says "grouped" outright.
// A code already chosen is refused with "Vnos že obstaja!", deleting without
// a selected row with "Nič niste izbrali. Ne morem brisati!": the operations
// raise, the buttons and keys show the message (as any handler does).
#pragma once

#include "toolkit/Classes.h"
#include "tovlet/tovlet_export.h"

#include <QFrame>
#include <memory>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace marvok {
class TIPanel;
class TISifra;
} // namespace marvok

namespace tovlet {

class TChooserSifra;

class TOVLET_EXPORT TfrChooseSifrant : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(bool aiReturnCode READ aiReturnCode WRITE setAiReturnCode)
    Q_PROPERTY(bool aiInsertCode READ aiInsertCode WRITE setAiInsertCode)
public:
    explicit TfrChooseSifrant(QWidget *parent = nullptr);
    ~TfrChooseSifrant() override;

    // The code list (or grouped code list) the codes come from; the rows
    // shown are described anew from it.
    void SetSifrant(const QString &Name);
    QString Sifrant() const { return FSifrant; }
    // The list is a grouped code list.
    bool IsMS() const { return FIsMS; }
    // The header above the list.
    void SetCaption(const QString &Text);
    // The chosen codes become Text split at commas (blanks around a code
    // dropped, empty ones skipped); the rows are rebuilt in that order.
    void SetValues(const QString &Text);
    // The chosen codes, comma-delimited, as SetValues takes them.
    QString GetValues() const;
    const toolkit::TStringList &StringList() const { return *FStringList; }
    void ClearItems();

    // Adds a code through the list's search form; raises "Vnos že obstaja!"
    // for a code already chosen.
    void bbAddClick();
    // Deletes the selected code; raises "Nič niste izbrali. Ne morem
    // brisati!" when no row is selected.
    void ddDeleteClick();
    // F2 adds, Delete deletes; a handled key is set to 0.
    void OnKeyDown(int &Key, Qt::KeyboardModifiers Shift);
    // Raises "Vnos že obstaja!" when Code is already chosen.
    void VnosZeObstaja(const QString &Code) const;
    // A row for Code as a code list shows it: the code (aiInsertCode) or its
    // display form, and its description.
    void AddToListForCatalogue(const QString &Code);
    // A row for Code as a grouped code list shows it: the code and its
    // description.
    void AddToListForMS(const QString &Code);

    // The code-entry control gives its returned code, not the code the search chose.
    bool aiReturnCode() const { return FReturnCode; }
    void setAiReturnCode(bool Value) { FReturnCode = Value; }
    // Rows show the code as stored instead of the code list's display form.
    bool aiInsertCode() const { return FInsertCode; }
    void setAiInsertCode(bool Value);
    // After a code was added / deleted; the sender is the frame.
    toolkit::TNotifyEvent aiOnAdd() const { return FOnAdd; }
    void setAiOnAdd(toolkit::TNotifyEvent Event) { FOnAdd = std::move(Event); }
    toolkit::TNotifyEvent aiOnDelete() const { return FOnDelete; }
    void setAiOnDelete(toolkit::TNotifyEvent Event) { FOnDelete = std::move(Event); }

    marvok::TIPanel *paChooseSifrant() const { return FpaChooseSifrant; }
    QLabel *ilImeTabele() const { return FilImeTabele; }
    QTreeWidget *lvSelected() const { return FlvSelected; }
    QPushButton *bbAdd() const { return FbbAdd; }
    QPushButton *ddDelete() const { return FddDelete; }

Q_SIGNALS:
    // The chosen codes changed (added, deleted, set or cleared).
    void valuesChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Runs a user's command; an error is shown, never passed on.
    template <class F>
    void Guarded(F &&command);
    void AddRow(const QString &Code);
    void RebuildRows();
    void FitCodeColumn();
    void Append(const QString &Code);
    QString SearchCatalogue();

    std::unique_ptr<toolkit::TStringList> FStringList;
    QString FSifrant;
    bool FIsMS = false;
    bool FReturnCode = false;
    bool FInsertCode = false;
    toolkit::TNotifyEvent FOnAdd;
    toolkit::TNotifyEvent FOnDelete;

    marvok::TIPanel *FpaChooseSifrant;
    QLabel *FilImeTabele;
    QTreeWidget *FlvSelected;
    QPushButton *FbbAdd;
    QPushButton *FddDelete;
    // The code-entry control whose search adds codes of a code list; never shown.
    TChooserSifra *FSifra;
};

} // namespace tovlet
