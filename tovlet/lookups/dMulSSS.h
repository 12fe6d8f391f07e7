// Several values of one group code list (SkupSifranti) chosen at once.
//
// ParseSelectionText reads what a user typed into a multi-selection cell:
// codes separated by commas, or codes typed one after another without
// separators, which are split greedily (the longest prefix the group knows,
// then the rest; a character that starts no code is dropped).
//
// TdlgMultiSelSkupSif shows every value of the group as a check list
// ("code description"), checks the values the given text names and gives
// back the checked codes in the group's order, joined with "," when
// delimited and without a separator otherwise. MultiSelSkupSifLookup shows
// it modally; a cancelled dialog gives the text back unchanged.
#pragma once

#include "tovlet/dialogs/dZDR.h"
#include "tovlet/tovlet_export.h"

#include <functional>

class QListWidget;

namespace toolkit {
class TStringList;
}

namespace tovlet {

// May Code of CodeList join the selection (the grid's own rule).
using TCanAddForMMS = std::function<bool(const QString &Code, const QString &CodeList)>;

// Adds to List every code of Text that the group CodeList knows as a valid
// value (and CanAdd allows, when given), in the order typed. No List: nothing.
TOVLET_EXPORT void ParseSelectionText(const QString &Text, const QString &CodeList, toolkit::TStringList *List,
                                      const TCanAddForMMS &CanAdd = {});
// The same as a plain list of codes.
TOVLET_EXPORT QStringList ParseSelectionText(const QString &Text, const QString &CodeList,
                                             const TCanAddForMMS &CanAdd = {});

class TOVLET_EXPORT TdlgMultiSelSkupSif : public TdlgZDR
{
    Q_OBJECT
public:
    explicit TdlgMultiSelSkupSif(QWidget *parent = nullptr);
    ~TdlgMultiSelSkupSif() override;

    QListWidget *CheckListBox1() const { return FCheckListBox1; }
    QString SkupSifrant() const { return FSkupSifrant; }
    void SetSkupSifrant(const QString &Group) { FSkupSifrant = Group; }
    bool Delimited() const { return FDelimited; }
    void SetDelimited(bool Value) { FDelimited = Value; }

    // Fills the list with the group's values and checks those Text names.
    void SetSelection(const QString &Text);
    // The checked codes in list order, joined as Delimited says.
    QString GetSelection() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QListWidget *FCheckListBox1;
    QString FSkupSifrant;
    QString FSelection;
    bool FDelimited = false;
};

// Shows the dialog for Group starting from Text; true on OK with Result the
// selection, false on cancel with Result = Text.
TOVLET_EXPORT bool MultiSelSkupSifLookup(const QString &Group, const QString &Text, QString &Result, bool Delimited,
                                         QWidget *parent = nullptr);

} // namespace tovlet
