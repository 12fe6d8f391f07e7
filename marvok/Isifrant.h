// Code lists. Sifranti serves the code lists that have tables of their own,
// registered in QDAT.SIFRANT; SkupSifranti serves the grouped code lists of
// QDAT.SKUP_SIFRANT (a group is a list). Both read a list from the database
// once and keep it until Reload.
//
// Table information of a registered code list (GetTableInfoIndex), by index:
//   0 name, 1 caption, 2 table, 3 order, 4 short-description field,
//   5 code width, 6 description field ("0" stands for DESCRIPTION),
//   7 translation field, 8 upper case ("1"/"0"), 9 validity field, 10 code field.
// Canonical form of a code: trimmed, upper case when the list is, and a code
// of digits shorter than the list's code width padded with "0" on the left.
// The display form is the canonical form.
#pragma once

#include "marvok/marvok_export.h"
#include "toolkit/Classes.h"
#include "toolkit/DateUtils.h"

#include <QDialog>
#include <QHash>
#include <QMap>
#include <QStringList>
#include <memory>

class QLineEdit;
class QTreeWidget;

namespace marvok {

struct MARVOK_EXPORT TISifrantEntry
{
    QString Code;
    QString Description;
    QString ShortDescription;
    QString Translation;
    QString FormatText; // grouped lists: the text that may carry formatting
    toolkit::TDateTime ValidFrom = 0; // 0: no limit
    toolkit::TDateTime ValidTo = 0;
};

class TfmCustomKatalog;

class MARVOK_EXPORT TISifranti
{
public:
    bool Exists(const QString &name);
    QString GetTableInfoIndex(const QString &name, int index);
    QString Caption(const QString &name);
    // Codes in the list's order.
    QStringList Codes(const QString &name);
    bool CodeExists(const QString &name, const QString &code);
    // For a list that is not registered: looks the code up in the table of
    // that name (QDAT.<name>), in its first column.
    bool CodeExistsUnregistered(const QString &name, const QString &code);
    QString Canonical(const QString &name, const QString &code);
    QString DisplayForm(const QString &name, const QString &code) { return Canonical(name, code); }
    QString Description(const QString &name, const QString &code, bool longText = false);
    QString ShortDescription(const QString &name, const QString &code);
    // The code whose short description (or description) is `text`; empty when none.
    QString CodeForText(const QString &name, const QString &text);
    // The list's translation of a code (an old or foreign code to ours); the
    // code itself when there is none.
    QString Translate(const QString &name, const QString &code);
    QList<TISifrantEntry> Entries(const QString &name);
    // The search form for the list, owned by `parent` (or the caller).
    TfmCustomKatalog *CreateSearchForm(const QString &name, QWidget *parent = nullptr);
    void Reload();

private:
    struct TList
    {
        QStringList Info;
        QList<TISifrantEntry> Entries;
        QHash<QString, int> ByCode;
    };
    TList *Load(const QString &name);
    std::map<QString, std::unique_ptr<TList>> FLists;
    QHash<QString, bool> FKnown;
};

MARVOK_EXPORT TISifranti &Sifranti();

class MARVOK_EXPORT TISkupSifrant
{
public:
    QString Group;
    QList<TISifrantEntry> Values; // in the group's order
    QHash<QString, int> ByCode;
    bool AreAllValuesUpperCase() const;
    QString Table() const { return QStringLiteral("QDAT.SKUP_SIFRANT"); }
    int CodeWidth() const;
};

class MARVOK_EXPORT TISkupSifranti
{
public:
    bool Exists(const QString &group);
    // nullptr for an unknown group.
    TISkupSifrant *Group(const QString &group);
    QString Description(const QString &group, const QString &code);
    QString FormatText(const QString &group, const QString &code);
    // Known in the group and valid on `date` (the working date when 0).
    bool IsValid(const QString &group, const QString &code, toolkit::TDateTime date = 0);
    bool CodeExists(const QString &group, const QString &code);
    // All codes of the group, sorted by code when `sorted`, else in the group's order.
    void AllValues(const QString &group, toolkit::TStringList &list, bool sorted = true);
    int CodeWidth(const QString &group);
    bool AreAllValuesUpperCase(const QString &group);
    // The search form over the group's values valid on the working date,
    // owned by `parent` (or the caller).
    TfmCustomKatalog *CreateSearchForm(const QString &group, QWidget *parent = nullptr);
    QString Table() const { return QStringLiteral("QDAT.SKUP_SIFRANT"); }
    void Reload();

private:
    std::map<QString, std::unique_ptr<TISkupSifrant>> FGroups;
    QHash<QString, bool> FKnown;
};

MARVOK_EXPORT TISkupSifranti &SkupSifranti();

// The search dialog of a group code list: the group's codes and descriptions
// with a search box that starts with `searchText`, shown modally. Returns the
// chosen code, or an empty text when the user cancels. An unknown group is a
// programming error.
MARVOK_EXPORT QString ShowSkupSifrantiLookupDialog(const QString &group, const QString &searchText = {}, QWidget *parent = nullptr);

// The search form of a code list: a search text, the codes with their
// descriptions, OK and Cancel. Typing moves to the first entry whose code
// starts with the text or whose description contains it; Enter confirms,
// Escape cancels, a double click confirms.
class MARVOK_EXPORT TfmCustomKatalog : public QDialog
{
    Q_OBJECT
public:
    TfmCustomKatalog(const QString &caption, const QList<TISifrantEntry> &entries, QWidget *parent = nullptr);
    void SetSearchText(const QString &text);
    QString SearchText() const;
    QString SelectedCode() const;
    QLineEdit *SearchEdit() const { return FEdit; }
    QTreeWidget *List() const { return FList; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Search(const QString &text);
    QLineEdit *FEdit;
    QTreeWidget *FList;
};

} // namespace marvok
