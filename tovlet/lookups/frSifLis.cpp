#include "frSifLis.h"

#include "marvok/Isifrant.h"
#include "marvok/cControls.h"
#include "marvok/cSifra.h"
#include "toolkit/Exception.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tovlet {

namespace {

const QString GroupPrefix = QStringLiteral("MS:");

// The code column keeps to these widths, the description column to its minimum.
constexpr int CodeMinWidth = 20;
constexpr int CodeMaxWidth = 100;
constexpr int DescriptionMinWidth = 30;
constexpr int DescriptionDefaultWidth = 150;

} // namespace

// The code-entry control a code list's search runs through. It remembers the
// code the search form gave, which in short-description mode is no longer
// what the edit shows.
class TChooserSifra : public marvok::TISifra
{
public:
    using marvok::TISifra::TISifra;
    QString ChosenCode() const { return FChosen; }
    void Forget()
    {
        FChosen.clear();
        SetText({});
    }

protected:
    void Accept(const QString &code) override
    {
        FChosen = code;
        marvok::TISifra::Accept(code);
    }

private:
    QString FChosen;
};

TfrChooseSifrant::TfrChooseSifrant(QWidget *parent)
    : QFrame(parent)
    , FStringList(std::make_unique<toolkit::TStringList>())
{
    setObjectName(QStringLiteral("frChooseSifrant"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    FpaChooseSifrant = new marvok::TIPanel(this);
    FpaChooseSifrant->setObjectName(QStringLiteral("paChooseSifrant"));
    outer->addWidget(FpaChooseSifrant);

    auto *layout = new QVBoxLayout(FpaChooseSifrant);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    FilImeTabele = new QLabel(FpaChooseSifrant);
    FilImeTabele->setObjectName(QStringLiteral("ilImeTabele"));
    QFont bold = FilImeTabele->font();
    bold.setBold(true);
    FilImeTabele->setFont(bold);
    layout->addWidget(FilImeTabele);

    auto *row = new QHBoxLayout;
    row->setSpacing(6);
    FlvSelected = new QTreeWidget(FpaChooseSifrant);
    FlvSelected->setObjectName(QStringLiteral("lvSelected"));
    FlvSelected->setColumnCount(2);
    FlvSelected->setHeaderLabels({QStringLiteral("Šifra"), QStringLiteral("Opis")});
    FlvSelected->setRootIsDecorated(false);
    FlvSelected->setUniformRowHeights(true);
    FlvSelected->setAllColumnsShowFocus(true);
    FlvSelected->setSelectionMode(QAbstractItemView::SingleSelection);
    FlvSelected->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FlvSelected->setTextElideMode(Qt::ElideRight);
    // A long description is cut at the edge, not scrolled to.
    FlvSelected->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QHeaderView *header = FlvSelected->header();
    header->setMinimumSectionSize(CodeMinWidth);
    header->setStretchLastSection(true);
    header->setDefaultSectionSize(DescriptionDefaultWidth);
    header->resizeSection(0, 60);
    connect(header, &QHeaderView::sectionResized, this, [header](int index, int, int size) {
        const int wanted = index == 0 ? std::clamp(size, CodeMinWidth, CodeMaxWidth) : std::max(size, DescriptionMinWidth);
        if (wanted != size)
            header->resizeSection(index, wanted);
    });
    FlvSelected->installEventFilter(this);
    row->addWidget(FlvSelected, 1);

    auto *buttons = new QVBoxLayout;
    buttons->setSpacing(4);
    auto makeButton = [this, buttons](const QString &caption, const QString &name, const QString &hint) {
        auto *b = new marvok::TIBitBtn(caption, FpaChooseSifrant);
        b->setObjectName(name);
        b->setToolTip(hint);
        // Enter in the dialog belongs to its OK, not to the frame.
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    FbbAdd = makeButton(QStringLiteral("&Dodaj"), QStringLiteral("bbAdd"), QStringLiteral("Doda šifro iz šifranta (F2)"));
    FddDelete = makeButton(QStringLiteral("&Izbriši"), QStringLiteral("ddDelete"), QStringLiteral("Izbriše izbrano šifro (Delete)"));
    buttons->addStretch();
    row->addLayout(buttons);
    layout->addLayout(row, 1);
    connect(FbbAdd, &QPushButton::clicked, this, [this] { Guarded([this] { bbAddClick(); }); });
    connect(FddDelete, &QPushButton::clicked, this, [this] { Guarded([this] { ddDeleteClick(); }); });

    FSifra = new TChooserSifra(this);
    FSifra->setObjectName(QStringLiteral("edSifra"));
    FSifra->hide();
}

TfrChooseSifrant::~TfrChooseSifrant() = default;

template <class F>
void TfrChooseSifrant::Guarded(F &&command)
{
    try {
        command();
    } catch (const toolkit::Exception &e) {
        toolkit::HandleException(e);
    } catch (const std::exception &e) {
        toolkit::HandleException(toolkit::Exception(QString::fromLocal8Bit(e.what())));
    }
}

void TfrChooseSifrant::SetSifrant(const QString &Name)
{
    QString name = Name.trimmed();
    bool group = false;
    if (name.startsWith(GroupPrefix, Qt::CaseInsensitive)) {
        name = name.mid(GroupPrefix.size()).trimmed();
        group = true;
    } else {
        group = !marvok::Sifranti().Exists(name);
    }
    if (name == FSifrant && group == FIsMS)
        return;
    FSifrant = name;
    FIsMS = group;
    FSifra->setAiSifrant(FIsMS ? QString() : FSifrant);
    RebuildRows();
}

void TfrChooseSifrant::SetCaption(const QString &Text)
{
    FilImeTabele->setText(Text);
}

void TfrChooseSifrant::setAiInsertCode(bool Value)
{
    if (FInsertCode == Value)
        return;
    FInsertCode = Value;
    RebuildRows();
}

void TfrChooseSifrant::SetValues(const QString &Text)
{
    QStringList codes;
    for (const QString &part : Text.split(QLatin1Char(',')))
        if (const QString code = part.trimmed(); !code.isEmpty())
            codes << code;
    FStringList->SetStringList(codes);
    RebuildRows();
    Q_EMIT valuesChanged();
}

QString TfrChooseSifrant::GetValues() const
{
    return FStringList->ToStringList().join(QLatin1Char(','));
}

void TfrChooseSifrant::ClearItems()
{
    FStringList->Clear();
    FlvSelected->clear();
    Q_EMIT valuesChanged();
}

void TfrChooseSifrant::RebuildRows()
{
    FlvSelected->setUpdatesEnabled(false);
    FlvSelected->clear();
    for (int i = 0; i < FStringList->Count(); ++i)
        AddRow(FStringList->Strings(i));
    FlvSelected->setUpdatesEnabled(true);
    FitCodeColumn();
}

void TfrChooseSifrant::AddRow(const QString &Code)
{
    if (FIsMS)
        AddToListForMS(Code);
    else
        AddToListForCatalogue(Code);
}

void TfrChooseSifrant::AddToListForCatalogue(const QString &Code)
{
    const QString shown = FInsertCode ? Code : marvok::Sifranti().DisplayForm(FSifrant, Code);
    auto *item = new QTreeWidgetItem(FlvSelected, {shown, marvok::Sifranti().Description(FSifrant, Code)});
    item->setData(0, Qt::UserRole, Code);
    item->setToolTip(1, item->text(1));
}

void TfrChooseSifrant::AddToListForMS(const QString &Code)
{
    auto *item = new QTreeWidgetItem(FlvSelected, {Code, marvok::SkupSifranti().Description(FSifrant, Code)});
    item->setData(0, Qt::UserRole, Code);
    item->setToolTip(1, item->text(1));
}

void TfrChooseSifrant::FitCodeColumn()
{
    // The codes show whole within the column's limits.
    const QFontMetrics metrics(FlvSelected->font());
    int fitted = FlvSelected->header()->sectionSizeHint(0);
    for (int i = 0; i < FlvSelected->topLevelItemCount(); ++i)
        fitted = std::max(fitted, metrics.horizontalAdvance(FlvSelected->topLevelItem(i)->text(0)) + 16);
    FlvSelected->header()->resizeSection(0, std::clamp(fitted, CodeMinWidth, CodeMaxWidth));
}

void TfrChooseSifrant::VnosZeObstaja(const QString &Code) const
{
    if (FStringList->IndexOf(Code) >= 0)
        throw toolkit::Exception(QStringLiteral("Vnos že obstaja!"));
}

QString TfrChooseSifrant::SearchCatalogue()
{
    FSifra->setAiSifrant(FSifrant);
    FSifra->SetShortDesc(true);
    FSifra->Forget();
    if (!FSifra->Lookup())
        return {};
    return FReturnCode ? FSifra->GetCode() : FSifra->ChosenCode();
}

void TfrChooseSifrant::Append(const QString &Code)
{
    FStringList->Add(Code);
    AddRow(Code);
    FitCodeColumn();
    QTreeWidgetItem *added = FlvSelected->topLevelItem(FlvSelected->topLevelItemCount() - 1);
    FlvSelected->setCurrentItem(added);
    FlvSelected->scrollToItem(added);
    Q_EMIT valuesChanged();
    if (FOnAdd)
        FOnAdd(this);
}

void TfrChooseSifrant::bbAddClick()
{
    if (FSifrant.isEmpty())
        throw toolkit::Exception(QStringLiteral("TfrChooseSifrant.bbAddClick: No code list!"));
    const QString code = FIsMS ? marvok::ShowSkupSifrantiLookupDialog(FSifrant, {}, this) : SearchCatalogue();
    VnosZeObstaja(code);
    if (!code.isEmpty())
        Append(code);
    FlvSelected->setFocus();
}

void TfrChooseSifrant::ddDeleteClick()
{
    const QList<QTreeWidgetItem *> selected = FlvSelected->selectedItems();
    if (selected.isEmpty())
        throw toolkit::Exception(QStringLiteral("Nič niste izbrali. Ne morem brisati!"));
    const int row = FlvSelected->indexOfTopLevelItem(selected.first());
    // Rows and codes go in step, so the row says which code leaves (a code
    // set twice leaves once).
    FStringList->Delete(row);
    delete FlvSelected->takeTopLevelItem(row);
    if (const int count = FlvSelected->topLevelItemCount(); count > 0)
        FlvSelected->setCurrentItem(FlvSelected->topLevelItem(std::min(row, count - 1)));
    Q_EMIT valuesChanged();
    if (FOnDelete)
        FOnDelete(this);
}

void TfrChooseSifrant::OnKeyDown(int &Key, Qt::KeyboardModifiers Shift)
{
    if (Shift != Qt::NoModifier)
        return;
    if (Key == Qt::Key_F2) {
        Key = 0;
        bbAddClick();
    } else if (Key == Qt::Key_Delete) {
        Key = 0;
        ddDeleteClick();
    }
}

void TfrChooseSifrant::keyPressEvent(QKeyEvent *event)
{
    int key = event->key();
    Guarded([&] { OnKeyDown(key, event->modifiers() & ~Qt::KeypadModifier); });
    if (key == 0)
        event->accept();
    else
        QFrame::keyPressEvent(event);
}

bool TfrChooseSifrant::eventFilter(QObject *watched, QEvent *event)
{
    // The list view would take F2 and Delete for itself.
    if (watched == FlvSelected && event->type() == QEvent::KeyPress) {
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        int key = keyEvent->key();
        Guarded([&] { OnKeyDown(key, keyEvent->modifiers() & ~Qt::KeypadModifier); });
        if (key == 0)
            return true;
    }
    return QFrame::eventFilter(watched, event);
}

} // namespace tovlet
