#include "cMirGrid.h"

#include "marvok/Idialogs.h"
#include "marvok/Ilog.h"
#include "pelvar/plList.h"
#include "toolkit/Exception.h"

namespace tovlet {

using namespace pelvar;

// --- TIDBGridNotifier ---------------------------------------------------------------

TIDBGridNotifier::TIDBGridNotifier() = default;

TIDBGridNotifier::~TIDBGridNotifier()
{
    setAiBoList(nullptr);
}

void TIDBGridNotifier::setAiBoList(TPlCustomBoList *list)
{
    if (FboList == list)
        return;
    if (FboList) {
        FboList->DetachObserver(this);
        FboList->Release(this);
    }
    FboList = list;
    if (FboList) {
        FboList->AddRef(this);
        FboList->AttachObserver(this);
    }
}

bool TIDBGridNotifier::IsModified() const
{
    if (!FboList)
        return false;
    for (int i = 0; i < FboList->Count(); ++i)
        if (FboList->Get(i)->IsModified())
            return true;
    return false;
}

bool TIDBGridNotifier::IsReadOnly() const
{
    if (!FboList || FboList->Count() == 0)
        return false;
    for (int i = 0; i < FboList->Count(); ++i)
        if (!FboList->Get(i)->IsReadOnly())
            return false;
    return true;
}

void TIDBGridNotifier::DoNotifyAction(TplDomainObject *sender, TplNotifyAction action, const QVariant &param, TplDomainObject *list)
{
    TplDomainNotifier::DoNotifyAction(sender, action, param, list);
    if (aiOnDoNotifyEvent)
        aiOnDoNotifyEvent(sender, action, param);
}

// --- TIMireloDBGrid -----------------------------------------------------------------

TIMireloDBGrid::TIMireloDBGrid(QWidget *parent)
    : marvok::TIDBGrid(parent)
    , FNotifier(Make<TIDBGridNotifier>(nullptr))
{
    FNotifier->aiOnDoNotifyEvent = [this](TplDomainObject *sender, TplNotifyAction action, const QVariant &data) {
        // A notification comes from the persistence layer's own call chain:
        // whatever goes wrong here is reported, not thrown back into it.
        try {
            NotifyEvent(sender, action, data);
        } catch (const toolkit::Exception &e) {
            toolkit::HandleException(e);
        }
    };
}

TIMireloDBGrid::~TIMireloDBGrid()
{
    FNotifier->aiOnDoNotifyEvent = {};
    FNotifier->setAiBoList(nullptr);
    FNotifier->Release(nullptr);
}

bool TIMireloDBGrid::aiNeedToRefresh() const
{
    return FNotifier->aiBoList() && FNotifier->aiBoList()->GetNeedToRefresh();
}

int TIMireloDBGrid::ShownWidth(const marvok::TIColumn &column, int index) const
{
    if (!column.Visible)
        return !FslWidths.isEmpty() && index < FslWidths.size() ? FslWidths.at(index).toInt() : column.Width;
    if (column.Width >= 0)
        return column.Width;
    // An automatic width: the one on screen.
    int shown = -1;
    const QList<marvok::TIColumn> columns = Columns();
    for (int i = 0; i <= index && i < columns.size(); ++i)
        shown += columns.at(i).Visible ? 1 : 0;
    return shown >= 0 ? columnWidth(shown) : column.Width;
}

QString TIMireloDBGrid::Column2StringDetail(const marvok::TIColumn &column, int index) const
{
    // Put together piece by piece: a "%" in a name or caption is text.
    return QLatin1String("FN=") + column.FieldName.trimmed() + QLatin1String("&DL=") + column.Title + QLatin1String("&Width=")
        + QString::number(ShownWidth(column, index)) + QLatin1String("&DDR=") + QString::number(column.DropDownRows)
        + QLatin1String("&Visible=") + (column.Visible ? QLatin1Char('D') : QLatin1Char('N'));
}

QString TIMireloDBGrid::GetSettingsDetail() const
{
    QStringList parts;
    const QList<marvok::TIColumn> columns = Columns();
    for (int i = 0; i < columns.size(); ++i)
        parts << Column2StringDetail(columns.at(i), i);
    return parts.join(QLatin1Char(';'));
}

void TIMireloDBGrid::String2ColumnDetail(const QString &text, int index, marvok::TIColumn &column)
{
    QString rest = text + QLatin1Char('&');
    while (!rest.isEmpty()) {
        const qsizetype amp = rest.indexOf(QLatin1Char('&'));
        const QString pair = rest.left(amp);
        rest = rest.mid(amp + 1);
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        const QString key = (eq < 0 ? pair : pair.left(eq)).trimmed();
        const QString value = eq < 0 ? QString() : pair.mid(eq + 1);
        if (key.isEmpty())
            break;
        if (key == QLatin1String("FN")) {
            column.FieldName = value.trimmed();
        } else if (key == QLatin1String("DL")) {
            column.Title = value;
        } else if (key == QLatin1String("Width")) {
            bool ok = false;
            const qlonglong w = value.trimmed().toLongLong(&ok);
            // A width that is no number, or a negative one, is automatic.
            column.Width = ok && w >= 0 ? int(qMin<qlonglong>(w, MaxColumnWidth)) : -1;
            if (index >= 0 && index < FslWidths.size())
                FslWidths[index] = QString::number(column.Width);
        } else if (key == QLatin1String("DDR")) {
            bool ok = false;
            const qlonglong rows = value.trimmed().toLongLong(&ok);
            if (!ok)
                continue;
            if (rows > 7)
                column.PickList.clear();
            column.DropDownRows = int(qBound<qlonglong>(1, rows, qlonglong(MaxDropDownRows)));
        } else if (key == QLatin1String("Visible")) {
            column.Visible = value == QLatin1String("D");
        }
    }
}

void TIMireloDBGrid::SetSettingsDetail(const QString &settings)
{
    toolkit::TDataSource *source = DataSource();
    SetDataSource(nullptr);
    FslWidths.clear();
    QList<marvok::TIColumn> columns;
    for (const QString &part : settings.split(QLatin1Char(';'))) {
        if (part.trimmed().isEmpty())
            continue;
        marvok::TIColumn column;
        FslWidths << QString::number(column.Width);
        String2ColumnDetail(part, int(FslWidths.size()) - 1, column);
        columns << column;
    }
    toolkit::TDataSet *ds = source ? source->DataSet() : nullptr;
    if (ds) {
        for (int i = int(columns.size()) - 1; i >= 0; --i) {
            const QString field = columns.at(i).FieldName;
            if (field.isEmpty() || ds->FindField(field))
                continue;
            columns.removeAt(i);
            FslWidths.removeAt(i);
            marvok::ILog(QStringLiteral("TIMireloDBGrid.SetSettingsDetail: Odstanil polje %1 iz pogleda!").arg(field));
        }
    }
    SetColumns(columns);
    SetDataSource(source);
}

void TIMireloDBGrid::LinkActive(bool value)
{
    marvok::TIDBGrid::LinkActive(value);
    auto *listDataSet = value ? qobject_cast<TplBoListDataSet *>(DataSet()) : nullptr;
    FNotifier->setAiBoList(listDataSet ? listDataSet->List() : nullptr);
}

void TIMireloDBGrid::NotifyEvent(TplDomainObject *Sender, TplNotifyAction Action, const QVariant &)
{
    TPlCustomBoList *list = FNotifier->aiBoList();
    if (Action != TplNotifyAction::naNeedRefresh || !list || !list->GetNeedToRefresh() || FRefreshMode != TIRefreshMode::rmAutomatic)
        return;
    if (Sender != list || !DataSet())
        return;
    DataSet()->Refresh();
    marvok::IMessageDlg(QStringLiteral("Sprememba!"), marvok::mtInformation, marvok::mbOK);
}

} // namespace tovlet
