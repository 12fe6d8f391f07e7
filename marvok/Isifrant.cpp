#include "Isifrant.h"
#include "Igl.h"
#include "Iquery.h"

#include "pelvar/plDatabase.h"
#include "pelvar/plMeta.h"
#include "toolkit/Exception.h"
#include "toolkit/SqlDataSet.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace marvok {

namespace {

QString Key(const QString &name)
{
    return name.trimmed().toUpper();
}

toolkit::TDateTime DateValue(const QVariant &v)
{
    const QVariant d = toolkit::TSqlDataSet::SqlToDateTime(v);
    return d.isNull() ? 0 : d.toDouble();
}

} // namespace

// --- Sifranti -------------------------------------------------------------------

TISifranti::TList *TISifranti::Load(const QString &name)
{
    const QString key = Key(name);
    if (const auto it = FLists.find(key); it != FLists.end())
        return it->second.get();
    if (FKnown.contains(key))
        return nullptr;
    TIQuery reg;
    reg.SetSQL(QStringLiteral("select IME, NAZIV, TABELA, UREDI, POLJE_KRATKO, SIRINA, POLJE_OPIS, POLJE_PREVOD, VELIKE, "
                              "POLJE_VELJA, POLJE_SIFRA from QDAT.SIFRANT where IME = :ime"));
    reg.SetParam(QStringLiteral("ime"), key);
    try {
        reg.Open();
    } catch (const toolkit::Exception &) {
        FKnown.insert(key, false); // no registry in this database
        return nullptr;
    }
    if (reg.IsEmpty()) {
        FKnown.insert(key, false);
        return nullptr;
    }
    auto list = std::make_unique<TList>();
    for (int i = 0; i < 11; ++i)
        list->Info << reg.Fields(i)->AsString().trimmed();
    if (list->Info.at(6).isEmpty())
        list->Info[6] = QStringLiteral("0");
    const QString table = list->Info.at(2);
    const QString codeField = list->Info.at(10);
    const QString descField = list->Info.at(6) == QLatin1String("0") ? QStringLiteral("DESCRIPTION") : list->Info.at(6);
    QStringList fields{codeField, descField};
    for (int idx : {4, 7, 9})
        fields << (list->Info.at(idx).isEmpty() ? QStringLiteral("NULL") : list->Info.at(idx));
    for (const QString &f : std::as_const(fields))
        if (f != QLatin1String("NULL") && !pelvar::IsSafeIdentifier(f, false))
            throw toolkit::Exception(QStringLiteral("Code list %1: invalid field name '%2'").arg(key, f));
    if (!pelvar::IsSafeIdentifier(table, true))
        throw toolkit::Exception(QStringLiteral("Code list %1: invalid table name '%2'").arg(key, table));
    const QString order = pelvar::IsSafeIdentifier(list->Info.at(3), false) ? list->Info.at(3) : codeField;
    TIQuery q;
    q.SetSQL(QStringLiteral("select %1 from %2 order by %3").arg(fields.join(QStringLiteral(", ")), table, order));
    q.Open();
    for (q.First(); !q.Eof(); q.Next()) {
        TISifrantEntry e;
        e.Code = q.Fields(0)->AsString().trimmed();
        e.Description = q.Fields(1)->AsString();
        e.ShortDescription = q.Fields(2)->AsString();
        e.Translation = q.Fields(3)->AsString().trimmed();
        e.ValidTo = DateValue(q.Fields(4)->Value());
        list->ByCode.insert(Key(e.Code), int(list->Entries.size()));
        list->Entries.append(e);
    }
    FKnown.insert(key, true);
    return FLists.emplace(key, std::move(list)).first->second.get();
}

bool TISifranti::Exists(const QString &name)
{
    return Load(name) != nullptr;
}

QString TISifranti::GetTableInfoIndex(const QString &name, int index)
{
    const TList *l = Load(name);
    return l ? l->Info.value(index) : QString();
}

QString TISifranti::Caption(const QString &name)
{
    return GetTableInfoIndex(name, 1);
}

QStringList TISifranti::Codes(const QString &name)
{
    QStringList r;
    if (const TList *l = Load(name))
        for (const TISifrantEntry &e : l->Entries)
            r << e.Code;
    return r;
}

QList<TISifrantEntry> TISifranti::Entries(const QString &name)
{
    const TList *l = Load(name);
    return l ? l->Entries : QList<TISifrantEntry>();
}

QString TISifranti::Canonical(const QString &name, const QString &code)
{
    QString c = code.trimmed();
    const TList *l = Load(name);
    if (!l || c.isEmpty())
        return c;
    if (l->Info.value(8) == QLatin1String("1"))
        c = c.toUpper();
    const int width = l->Info.value(5).toInt();
    bool digits = !c.isEmpty();
    for (QChar ch : std::as_const(c))
        digits = digits && ch.isDigit();
    if (digits && width > c.size())
        c = c.rightJustified(width, QLatin1Char('0'));
    return c;
}

bool TISifranti::CodeExists(const QString &name, const QString &code)
{
    const TList *l = Load(name);
    return l && l->ByCode.contains(Key(Canonical(name, code)));
}

bool TISifranti::CodeExistsUnregistered(const QString &name, const QString &code)
{
    if (!pelvar::IsSafeIdentifier(name, false))
        return false;
    try {
        TIQuery probe;
        probe.SetSQL(QStringLiteral("select * from QDAT.%1 where 1 = 0").arg(name));
        probe.Open();
        const QString first = probe.FieldCount() > 0 ? probe.Fields(0)->FieldName() : QString();
        if (!pelvar::IsSafeIdentifier(first, false))
            return false;
        TIQuery q;
        q.SetSQL(QStringLiteral("select count(*) from QDAT.%1 where %2 = :code").arg(name, first));
        q.SetParam(QStringLiteral("code"), code.trimmed());
        q.Open();
        return q.Fields(0)->AsInteger() > 0;
    } catch (const toolkit::Exception &) {
        return false;
    }
}

QString TISifranti::Description(const QString &name, const QString &code, bool longText)
{
    Q_UNUSED(longText);
    const TList *l = Load(name);
    if (!l)
        return {};
    const int i = l->ByCode.value(Key(Canonical(name, code)), -1);
    return i < 0 ? QString() : l->Entries.at(i).Description;
}

QString TISifranti::ShortDescription(const QString &name, const QString &code)
{
    const TList *l = Load(name);
    if (!l)
        return {};
    const int i = l->ByCode.value(Key(Canonical(name, code)), -1);
    if (i < 0)
        return {};
    const TISifrantEntry &e = l->Entries.at(i);
    return e.ShortDescription.isEmpty() ? e.Description : e.ShortDescription;
}

QString TISifranti::CodeForText(const QString &name, const QString &text)
{
    const TList *l = Load(name);
    if (!l)
        return {};
    const QString t = text.trimmed();
    for (const TISifrantEntry &e : l->Entries)
        if ((e.ShortDescription.isEmpty() ? e.Description : e.ShortDescription).compare(t, Qt::CaseInsensitive) == 0)
            return e.Code;
    return {};
}

QString TISifranti::Translate(const QString &name, const QString &code)
{
    const TList *l = Load(name);
    if (!l)
        return code;
    const int i = l->ByCode.value(Key(Canonical(name, code)), -1);
    if (i < 0 || l->Entries.at(i).Translation.isEmpty())
        return code;
    return l->Entries.at(i).Translation;
}

TfmCustomKatalog *TISifranti::CreateSearchForm(const QString &name, QWidget *parent)
{
    const QString caption = Caption(name);
    return new TfmCustomKatalog(caption.isEmpty() ? name : caption, Entries(name), parent);
}

void TISifranti::Reload()
{
    FLists.clear();
    FKnown.clear();
}

TISifranti &Sifranti()
{
    static TISifranti sifranti;
    return sifranti;
}

// --- SkupSifranti ------------------------------------------------------------------

bool TISkupSifrant::AreAllValuesUpperCase() const
{
    for (const TISifrantEntry &e : Values)
        if (e.Code != e.Code.toUpper())
            return false;
    return true;
}

int TISkupSifrant::CodeWidth() const
{
    int w = 0;
    for (const TISifrantEntry &e : Values)
        w = std::max(w, int(e.Code.size()));
    return w;
}

TISkupSifrant *TISkupSifranti::Group(const QString &group)
{
    const QString key = Key(group);
    if (const auto it = FGroups.find(key); it != FGroups.end())
        return it->second.get();
    if (FKnown.contains(key))
        return nullptr;
    TIQuery q;
    q.SetSQL(QStringLiteral("select SIFRA, OPIS, FORMAT, VELJA_OD, VELJA_DO from QDAT.SKUP_SIFRANT where SKUPINA = :skupina "
                            "order by VRSTNI_RED, SIFRA"));
    q.SetParam(QStringLiteral("skupina"), key);
    try {
        q.Open();
    } catch (const toolkit::Exception &) {
        FKnown.insert(key, false);
        return nullptr;
    }
    if (q.IsEmpty()) {
        FKnown.insert(key, false);
        return nullptr;
    }
    auto g = std::make_unique<TISkupSifrant>();
    g->Group = key;
    for (q.First(); !q.Eof(); q.Next()) {
        TISifrantEntry e;
        e.Code = q.Fields(0)->AsString().trimmed();
        e.Description = q.Fields(1)->AsString();
        e.FormatText = q.Fields(2)->AsString();
        e.ValidFrom = DateValue(q.Fields(3)->Value());
        e.ValidTo = DateValue(q.Fields(4)->Value());
        g->ByCode.insert(e.Code, int(g->Values.size()));
        g->Values.append(e);
    }
    FKnown.insert(key, true);
    return FGroups.emplace(key, std::move(g)).first->second.get();
}

bool TISkupSifranti::Exists(const QString &group)
{
    return Group(group) != nullptr;
}

bool TISkupSifranti::CodeExists(const QString &group, const QString &code)
{
    const TISkupSifrant *g = Group(group);
    return g && g->ByCode.contains(code.trimmed());
}

QString TISkupSifranti::Description(const QString &group, const QString &code)
{
    const TISkupSifrant *g = Group(group);
    const int i = g ? g->ByCode.value(code.trimmed(), -1) : -1;
    return i < 0 ? QString() : g->Values.at(i).Description;
}

QString TISkupSifranti::FormatText(const QString &group, const QString &code)
{
    const TISkupSifrant *g = Group(group);
    const int i = g ? g->ByCode.value(code.trimmed(), -1) : -1;
    return i < 0 ? QString() : g->Values.at(i).FormatText;
}

bool TISkupSifranti::IsValid(const QString &group, const QString &code, toolkit::TDateTime date)
{
    const TISkupSifrant *g = Group(group);
    const int i = g ? g->ByCode.value(code.trimmed(), -1) : -1;
    if (i < 0)
        return false;
    if (date == 0)
        date = ISystemParameters().GetWorkingDate();
    const TISifrantEntry &e = g->Values.at(i);
    return (e.ValidFrom == 0 || e.ValidFrom <= date) && (e.ValidTo == 0 || date <= e.ValidTo);
}

void TISkupSifranti::AllValues(const QString &group, toolkit::TStringList &list, bool sorted)
{
    list.BeginUpdate();
    list.Clear();
    if (const TISkupSifrant *g = Group(group)) {
        QStringList codes;
        for (const TISifrantEntry &e : g->Values)
            codes << e.Code;
        if (sorted)
            codes.sort();
        list.SetStringList(codes);
    }
    list.EndUpdate();
}

int TISkupSifranti::CodeWidth(const QString &group)
{
    const TISkupSifrant *g = Group(group);
    return g ? g->CodeWidth() : 0;
}

bool TISkupSifranti::AreAllValuesUpperCase(const QString &group)
{
    const TISkupSifrant *g = Group(group);
    return g && g->AreAllValuesUpperCase();
}

TfmCustomKatalog *TISkupSifranti::CreateSearchForm(const QString &group, QWidget *parent)
{
    QList<TISifrantEntry> entries;
    if (const TISkupSifrant *g = Group(group)) {
        const toolkit::TDateTime today = ISystemParameters().GetWorkingDate();
        for (const TISifrantEntry &e : g->Values)
            if (IsValid(group, e.Code, today))
                entries << e;
    }
    return new TfmCustomKatalog(Key(group), entries, parent);
}

void TISkupSifranti::Reload()
{
    FGroups.clear();
    FKnown.clear();
}

TISkupSifranti &SkupSifranti()
{
    static TISkupSifranti skup;
    return skup;
}

QString ShowSkupSifrantiLookupDialog(const QString &group, const QString &searchText, QWidget *parent)
{
    if (!SkupSifranti().Exists(group))
        throw toolkit::Exception(QStringLiteral("ShowSkupSifrantiLookupDialog: Unknown group code list '%1'!").arg(group));
    std::unique_ptr<TfmCustomKatalog> form(SkupSifranti().CreateSearchForm(group, parent));
    form->setWindowTitle(QStringLiteral("Iskanje"));
    form->SetSearchText(searchText);
    return form->exec() == QDialog::Accepted ? form->SelectedCode() : QString();
}

// The persistence layer checks codes and orders by descriptions through the
// code lists as soon as this library is loaded. The hook hears only a list's
// name: a name the code lists register is a code list, any other a group
// (the two kinds never share names), and a name neither knows checks nothing.
// The field types that say which kind a field wants are TIValInfoRec's.
namespace {
const bool HooksInstalled = [] {
    pelvar::TplCatalogueHooks &h = pelvar::CatalogueHooks();
    h.CodeExists = [](const QString &list, const QString &code) {
        if (Sifranti().Exists(list))
            return Sifranti().CodeExists(list, code);
        if (SkupSifranti().Exists(list))
            return SkupSifranti().CodeExists(list, code);
        return true; // a list nobody knows checks nothing
    };
    h.Description = [](const QString &list, const QString &code, bool longText) {
        if (Sifranti().Exists(list))
            return longText ? Sifranti().Description(list, code, true) : Sifranti().ShortDescription(list, code);
        return SkupSifranti().Description(list, code);
    };
    h.Load = [](const QString &list) {
        if (!Sifranti().Exists(list))
            SkupSifranti().Exists(list);
    };
    return true;
}();
} // namespace

// --- TfmCustomKatalog ----------------------------------------------------------------

TfmCustomKatalog::TfmCustomKatalog(const QString &caption, const QList<TISifrantEntry> &entries, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(caption);
    setObjectName(QStringLiteral("fmCustomKatalog"));
    auto *layout = new QVBoxLayout(this);
    FEdit = new QLineEdit(this);
    FEdit->setObjectName(QStringLiteral("edSearch"));
    FEdit->setPlaceholderText(QStringLiteral("Iskanje"));
    FEdit->installEventFilter(this);
    layout->addWidget(FEdit);
    FList = new QTreeWidget(this);
    FList->setObjectName(QStringLiteral("lvItems"));
    FList->setHeaderLabels({QStringLiteral("Šifra"), QStringLiteral("Opis")});
    FList->setRootIsDecorated(false);
    FList->setUniformRowHeights(true);
    for (const TISifrantEntry &e : entries) {
        auto *item = new QTreeWidgetItem(FList, {e.Code, e.Description});
        item->setData(0, Qt::UserRole, e.Code);
    }
    FList->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    layout->addWidget(FList);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("V redu"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btOK"));
    QPushButton *cancel = buttons->addButton(QStringLiteral("Prekliči"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(FEdit, &QLineEdit::textEdited, this, &TfmCustomKatalog::Search);
    connect(FList, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });
    if (FList->topLevelItemCount() > 0)
        FList->setCurrentItem(FList->topLevelItem(0));
    resize(480, 360);
}

void TfmCustomKatalog::SetSearchText(const QString &text)
{
    FEdit->setText(text);
    Search(text);
}

QString TfmCustomKatalog::SearchText() const
{
    return FEdit->text();
}

QString TfmCustomKatalog::SelectedCode() const
{
    const QTreeWidgetItem *item = FList->currentItem();
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

void TfmCustomKatalog::Search(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return;
    // A code that starts with the text wins over a description that holds it.
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < FList->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = FList->topLevelItem(i);
            const bool hit = pass == 0 ? item->text(0).startsWith(t, Qt::CaseInsensitive)
                                       : item->text(1).contains(t, Qt::CaseInsensitive);
            if (hit) {
                FList->setCurrentItem(item);
                FList->scrollToItem(item);
                return;
            }
        }
    }
}

bool TfmCustomKatalog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FEdit && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const int row = FList->currentItem() ? FList->indexOfTopLevelItem(FList->currentItem()) : -1;
        switch (key->key()) {
        case Qt::Key_Down:
            if (row + 1 < FList->topLevelItemCount())
                FList->setCurrentItem(FList->topLevelItem(row + 1));
            return true;
        case Qt::Key_Up:
            if (row > 0)
                FList->setCurrentItem(FList->topLevelItem(row - 1));
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (FList->currentItem())
                accept();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace marvok
