#include "tovlet/lookups/dMulSSS.h"

#include "marvok/Isifrant.h"
#include "toolkit/Classes.h"

#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tovlet {

namespace {

// The longest code of the group: no prefix longer than that can be a code,
// which keeps the greedy split linear in the length of the text.
int LongestCode(const QString &group)
{
    int longest = 0;
    if (auto *g = marvok::SkupSifranti().Group(group)) {
        for (const auto &value : g->Values)
            longest = std::max(longest, int(value.Code.size()));
    }
    return longest;
}

} // namespace

QStringList ParseSelectionText(const QString &Text, const QString &CodeList, const TCanAddForMMS &CanAdd)
{
    auto &groups = marvok::SkupSifranti();
    QStringList work;
    if (Text.contains(QLatin1Char(','))) {
        for (const QString &part : Text.split(QLatin1Char(',')))
            work << part.trimmed();
    } else {
        const int longest = LongestCode(CodeList);
        QStringView rest(Text);
        while (!rest.isEmpty()) {
            int taken = 0;
            for (int len = std::min(longest, int(rest.size())); len > 0; --len) {
                if (groups.IsValid(CodeList, rest.left(len).toString())) {
                    taken = len;
                    break;
                }
            }
            if (taken == 0) {
                rest = rest.mid(1);
                continue;
            }
            work << rest.left(taken).toString();
            rest = rest.mid(taken);
        }
    }
    QStringList result;
    for (const QString &code : std::as_const(work)) {
        if (code.isEmpty() || !groups.IsValid(CodeList, code))
            continue;
        if (CanAdd && !CanAdd(code, CodeList))
            continue;
        result << code;
    }
    return result;
}

void ParseSelectionText(const QString &Text, const QString &CodeList, toolkit::TStringList *List,
                        const TCanAddForMMS &CanAdd)
{
    if (!List)
        return;
    for (const QString &code : ParseSelectionText(Text, CodeList, CanAdd))
        List->Add(code);
}

TdlgMultiSelSkupSif::TdlgMultiSelSkupSif(QWidget *parent)
    : TdlgZDR(parent)
    , FCheckListBox1(new QListWidget(paDialog()))
{
    FCheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
    auto *layout = new QVBoxLayout(paDialog());
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(FCheckListBox1);
    resize(420, 360);
}

TdlgMultiSelSkupSif::~TdlgMultiSelSkupSif() = default;

void TdlgMultiSelSkupSif::SetSelection(const QString &Text)
{
    FSelection = Text;
    FCheckListBox1->clear();
    auto &groups = marvok::SkupSifranti();
    if (!groups.Group(FSkupSifrant))
        return;
    setWindowTitle(FSkupSifrant);
    toolkit::TStringList values;
    groups.AllValues(FSkupSifrant, values, false);
    const QStringList chosen = ParseSelectionText(Text, FSkupSifrant);
    for (int i = 0; i < values.Count(); ++i) {
        const QString code = values[i];
        auto *item = new QListWidgetItem(code + QLatin1Char(' ') + groups.Description(FSkupSifrant, code), FCheckListBox1);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(chosen.contains(code) ? Qt::Checked : Qt::Unchecked);
    }
    if (FCheckListBox1->count() > 0)
        FCheckListBox1->setCurrentRow(0);
}

QString TdlgMultiSelSkupSif::GetSelection() const
{
    QStringList codes;
    for (int i = 0; i < FCheckListBox1->count(); ++i) {
        const QListWidgetItem *item = FCheckListBox1->item(i);
        if (item->checkState() != Qt::Checked)
            continue;
        const QString text = item->text();
        const int blank = text.indexOf(QLatin1Char(' '));
        codes << (blank < 0 ? text : text.left(blank)).trimmed();
    }
    return codes.join(FDelimited ? QStringLiteral(",") : QString());
}

void TdlgMultiSelSkupSif::showEvent(QShowEvent *event)
{
    TdlgZDR::showEvent(event);
    // After the base dialog has placed its own focus.
    QTimer::singleShot(0, FCheckListBox1, [list = FCheckListBox1] { list->setFocus(); });
}

bool MultiSelSkupSifLookup(const QString &Group, const QString &Text, QString &Result, bool Delimited, QWidget *parent)
{
    auto dlg = MakeDialog<TdlgMultiSelSkupSif>(parent);
    dlg->SetSkupSifrant(Group);
    dlg->SetSelection(Text);
    dlg->SetDelimited(Delimited);
    const bool ok = dlg->ShowModal() == QDialog::Accepted && dlg->OK();
    Result = ok ? dlg->GetSelection() : Text;
    return ok;
}

} // namespace tovlet
