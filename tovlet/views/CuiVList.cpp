#include "CuiVList.h"

#include "marvok/Cvalinfo.h"
#include "marvok/Idialogs.h"
#include "marvok/Iforms.h"
#include "marvok/Igl.h"
#include "marvok/Ilog.h"
#include "marvok/cDBGrid.h"
#include "pelvar/plDatabase.h"
#include "pelvar/plList.h"
#include "pelvar/plObject.h"
#include "pelvar/plView.h"
#include "toolkit/Exception.h"
#include "tovlet/core/Tovlet.h"
#include "tovlet/core/iAfParam.h"
#include "tovlet/core/cBasic.h"
#include "tovlet/grids/cMirGrid.h"

#include <QAbstractItemView>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QToolTip>

namespace tovlet {

using toolkit::TDateTime;

TIGetReportName FGetReportName;
TISetOrSqlCond FSetOrCond;
TDateTime FIgnoreTitleClick = -36522.0; // 1 January 1800 00:00
TIShowUIViewsDialog FShowUIViewsDialog;

TDateTime NoIgnoreTitleClick()
{
    return toolkit::EncodeDate(1800, 1, 1);
}

namespace {

std::unique_ptr<TIDomainInfo> &DomainInfoInstance()
{
    static std::unique_ptr<TIDomainInfo> instance;
    return instance;
}

void InitUnit()
{
    FGetReportName = nullptr;
    FSetOrCond = nullptr;
    FShowUIViewsDialog = nullptr;
    FIgnoreTitleClick = NoIgnoreTitleClick();
}

void FiniUnit()
{
    DomainInfoInstance().reset();
    InitUnit();
}

TOVLET_UNIT(CuiVList, upCuiVList, InitUnit, FiniUnit);

const QStringList &KnownVariables()
{
    static const QStringList names = {
        QStringLiteral("%INTERNALENOTA%"), QStringLiteral("%ENOTA%"),  QStringLiteral("%ZDR%"),    QStringLiteral("%DAT%"),
        QStringLiteral("%24H%"),           QStringLiteral("%48H%"),    QStringLiteral("%72H%"),    QStringLiteral("%MONTHP%"),
        QStringLiteral("%MONTHF%"),        QStringLiteral("%LET%"),    QStringLiteral("%ENOTA-1%"), QStringLiteral("%USER_IPL%"),
    };
    return names;
}

bool IsOrgVariable(const QString &token)
{
    return token == QLatin1String("%ENOTA%") || token == QLatin1String("%ENOTA-1%") || token == QLatin1String("%INTERNALENOTA%");
}

// A value as the inside of an SQL literal (the filter has its quotes).
QString LiteralText(const QString &value)
{
    return pelvar::QuotedStr(value).chopped(1).mid(1);
}

QString DateText(TDateTime value)
{
    return toolkit::FormatDateTime(toolkit::FormatSettings().ShortDateFormat, value);
}

// Always with the time: the filters read it with 'DD.MM.YYYY HH24:MI:SS'.
QString DateTimeText(TDateTime value)
{
    return toolkit::FormatDateTime(toolkit::FormatSettings().ShortDateFormat + QStringLiteral(" hh:nn:ss"), value);
}

QString AttrText(pelvar::TplPerObject *object, const QString &attr)
{
    return object ? object->GetAttrAsText(attr) : QString();
}

// The column name left of a variable. Column names are 8 characters; "+0"
// and "||''" are suffixes that keep the database off an index and belong to
// the name, so the "||''" suffix is not eaten as trailing apostrophes.
QString FieldNameBefore(const QString &text)
{
    QString s = text;
    static const QString strip = QStringLiteral(" '(=");
    while (!s.isEmpty() && !s.endsWith(QLatin1String("||''")) && strip.contains(s.back()))
        s.chop(1);
    if (s.contains(QLatin1String("||''")))
        return s.right(12);
    if (s.contains(QLatin1String("+0")))
        return s.right(10);
    return s.right(8);
}

// Whether position `at` lies inside an SQL literal: an odd number of
// apostrophes before it (a doubled one inside a literal counts twice).
bool InsideLiteral(const QString &s, int at)
{
    return QStringView(s).left(at).count(QLatin1Char('\'')) % 2 == 1;
}

// Index of the "'" that closes the literal whose opening "'" is at `open`;
// doubled apostrophes are part of the literal. -1 when it is not closed.
int ClosingQuote(const QString &s, int open)
{
    for (int i = open + 1; i < s.size(); ++i) {
        if (s.at(i) != QLatin1Char('\''))
            continue;
        if (i + 1 < s.size() && s.at(i + 1) == QLatin1Char('\'')) {
            ++i;
            continue;
        }
        return i;
    }
    return -1;
}

// The first `what` at or after `from` outside literals; -1 when none.
int IndexOutsideQuotes(const QString &s, const QString &what, int from)
{
    for (int i = from; i < s.size();) {
        if (s.at(i) == QLatin1Char('\'')) {
            const int close = ClosingQuote(s, i);
            if (close < 0)
                return -1;
            i = close + 1;
            continue;
        }
        if (QStringView(s).mid(i).startsWith(what))
            return i;
        ++i;
    }
    return -1;
}

// The view list reports its own errors: nothing escapes into Qt's event loop.
template<class F>
void Guarded(F &&f)
{
    try {
        f();
    } catch (const toolkit::Exception &e) {
        toolkit::HandleException(e);
    } catch (const std::exception &e) {
        toolkit::HandleException(toolkit::Exception(QString::fromLocal8Bit(e.what())));
    }
}

QString ShortClassName(const QObject *object)
{
    QString name = QString::fromLatin1(object->metaObject()->className());
    const int colon = name.lastIndexOf(QLatin1String("::"));
    return colon >= 0 ? name.mid(colon + 2) : name;
}

} // namespace

// --- TIDomainInfo -----------------------------------------------------------------

pelvar::TplPerObject *TIDomainInfo::Ask(const TIDomainInfoEvent &event)
{
    pelvar::TplPerObject *object = nullptr;
    if (event)
        event(object);
    return object;
}

TIDomainInfo *DomainInfo()
{
    auto &instance = DomainInfoInstance();
    if (!instance)
        instance = std::make_unique<TIDomainInfo>();
    return instance.get();
}

// --- TiUIView ---------------------------------------------------------------------

TiUIView::TiUIView(const QString &AsCaption, const QString &AsSort, const QString &AsFilter, const QString &AsGroup,
                   const QString &AsFields)
    : FCaption(AsCaption)
    , FsGroup(AsGroup)
    , FsSort(AsSort)
    , FsFilter(AsFilter)
    , FsFields(AsFields)
{
}

TiUIView::~TiUIView() = default;

marvok::TIDBGrid *TiUIView::aiGrid() const
{
    return FGrid;
}

void TiUIView::setAiGrid(marvok::TIDBGrid *grid)
{
    FGrid = grid;
}

QString TiUIView::FilterExpToSQL(const QString &AFilter)
{
    QString filter = AFilter;
    const int marker = filter.indexOf(InheritedFilter);
    if (marker >= 0)
        filter.remove(marker, InheritedFilter.size());
    const bool orCond = FExpandOrgNodeTree && FSetOrCond;
    if (orCond)
        FSetOrCond(true);
    struct TOrCondReset
    {
        bool Active;
        ~TOrCondReset()
        {
            if (Active && FSetOrCond)
                FSetOrCond(false);
        }
    } reset{orCond};
    return CalculateFilterVariables(filter);
}

QString TiUIView::OrderExpToSQL(const QString &ASort)
{
    QStringList terms;
    for (const QString &part : ASort.split(QLatin1Char(','))) {
        const QString term = part.trimmed();
        if (term.isEmpty())
            continue;
        if (term.startsWith(QLatin1Char('-')))
            terms << term.mid(1).trimmed() + QStringLiteral(" DESC");
        else
            terms << term;
    }
    return terms.join(QStringLiteral(", "));
}

QString TiUIView::VariableValue(const QString &token, const QString &fieldName, bool expanding, bool &upper, bool &isCondition)
{
    isCondition = false;
    const TDateTime wd = toolkit::DateOf(marvok::ISystemParameters().GetWorkingDate());
    // The first date variable is a range's lower bound, the next its upper.
    auto bound = [&upper](const QString &lower, const QString &upperValue) {
        const QString v = upper ? upperValue : lower;
        upper = !upper;
        return v;
    };
    if (token == QLatin1String("%INTERNALENOTA%")) {
        if (expanding) {
            isCondition = true;
            return fieldName + QStringLiteral(" in (select SIFRA031 from QDAT.KR031ORG where INTER031 = 'N')");
        }
        return AttrText(DomainInfo()->BoWorkingUnit(), QStringLiteral("SIFRA031"));
    }
    if (token == QLatin1String("%ENOTA%") || token == QLatin1String("%ENOTA-1%")) {
        pelvar::TplPerObject *unit = token == QLatin1String("%ENOTA%") ? DomainInfo()->BoWorkingUnit() : DomainInfo()->BoParentWorkingUnit();
        const QString code = AttrText(unit, QStringLiteral("SIFRA031"));
        if (!expanding)
            return code;
        if (!FGetReportName)
            throw toolkit::Exception(QStringLiteral("TiUIView.CalculateFilterVariables: No FGetReportName for %1!").arg(token));
        isCondition = true;
        return FGetReportName(fieldName, code, QStringLiteral("ORG"), true, true);
    }
    if (token == QLatin1String("%USER_IPL%")) {
        const QString user = marvok::LoginInfo().UserCode;
        return user.isEmpty() ? QStringLiteral("INT") : user;
    }
    if (token == QLatin1String("%ZDR%"))
        return AttrText(DomainInfo()->BoActiveActor(), QStringLiteral("SIFRA051"));
    if (token == QLatin1String("%DAT%"))
        return bound(DateText(wd), DateText(wd + 1));
    if (token == QLatin1String("%24H%"))
        return bound(DateTimeText(wd - 1), DateTimeText(wd));
    if (token == QLatin1String("%48H%"))
        return bound(DateTimeText(wd - 2), DateTimeText(wd));
    if (token == QLatin1String("%72H%"))
        return bound(DateTimeText(wd - 3), DateTimeText(wd));
    if (token == QLatin1String("%MONTHP%"))
        return bound(DateText(toolkit::IncMonth(wd, -1)), DateText(wd + 1));
    if (token == QLatin1String("%MONTHF%"))
        return bound(DateText(wd), DateText(toolkit::IncMonth(wd, 1)));
    if (token == QLatin1String("%LET%"))
        return bound(QStringLiteral("31.12.") + DateText(wd - 365).mid(6, 4), DateText(wd + 1));
    return token;
}

QString TiUIView::CalculateFilterVariables(const QString &sFilter)
{
    QString s = sFilter;
    bool upper = false;
    int i = 0;
    while (i < s.size() - 1) {
        if (s.at(i) != QLatin1Char('%')) {
            ++i;
            continue;
        }
        const int close = s.indexOf(QLatin1Char('%'), i + 1);
        const QString token = close < 0 ? s.mid(i) : s.mid(i, close - i + 1);
        if (token == QLatin1String("%ADDORG%")) {
            FExpandOrgNodeTree = true;
            s.replace(i, token.size(), QStringLiteral("1=1"));
            i += 3;
            continue;
        }
        if (!KnownVariables().contains(token)) {
            ++i;
            continue;
        }
        const QString field = FieldNameBefore(s.left(i));
        const bool expanding = FExpandOrgNodeTree && IsOrgVariable(token);
        bool isCondition = false;
        const QString value = VariableValue(token, field, expanding, upper, isCondition);
        if (isCondition) {
            // The whole comparison "field = 'variable'" becomes the condition.
            const QRegularExpression comparison(QRegularExpression::escape(field) + QStringLiteral("\\s*=\\s*'?")
                                                + QRegularExpression::escape(token) + QStringLiteral("'?"));
            QRegularExpressionMatch m = comparison.match(s);
            if (m.hasMatch()) {
                int next = m.capturedStart();
                while (m.hasMatch()) {
                    s.replace(m.capturedStart(), m.capturedLength(), value);
                    next = m.capturedStart() + int(value.size());
                    m = comparison.match(s, next);
                }
                // Everything up to the last condition is done; the rest is scanned on.
                i = std::min<int>(next, int(s.size()));
                continue;
            }
            // No comparison to replace (an IN list, say): the code stands in.
            const QString code = AttrText(token == QLatin1String("%ENOTA-1%") ? DomainInfo()->BoParentWorkingUnit()
                                                                                : DomainInfo()->BoWorkingUnit(),
                                          QStringLiteral("SIFRA031"));
            const QString text = InsideLiteral(s, i) ? LiteralText(code) : pelvar::QuotedStr(code);
            s.replace(i, token.size(), text);
            i += int(text.size());
            continue;
        }
        // A value always lands as a literal: inside the filter's own quotes
        // its apostrophes are doubled, outside them it gets quotes of its own.
        const QString text = InsideLiteral(s, i) ? LiteralText(value) : pelvar::QuotedStr(value);
        s.replace(i, token.size(), text);
        i += int(text.size());
    }
    return s;
}

void TiUIView::SetUiViewToView(pelvar::TplView *AplView)
{
    if (!AplView)
        throw toolkit::Exception(QStringLiteral("No view defined"));
    const QString condition = FilterExpToSQL(FsFilter);
    const QString order = OrderExpToSQL(FsSort);
    if (AplView->GetActive() && condition == AplView->GetCondition() && order == AplView->GetOrder())
        return;
    const QString oldCondition = AplView->GetCondition();
    const QString oldOrder = AplView->GetOrder();
    AplView->DisableControls();
    struct TEnable
    {
        pelvar::TplView *View;
        ~TEnable() { View->EnableControls(); }
    } enable{AplView};
    const int position = AplView->GetActive() ? AplView->GetPosition() : 0;
    AplView->Close();
    AplView->SetCondition(condition);
    AplView->SetOrder(order);
    if (AplView->GetSelection().isEmpty()) {
        try {
            AplView->Open();
        } catch (...) {
            // A filter the database refuses leaves the view as it was.
            AplView->Close();
            AplView->SetCondition(oldCondition);
            AplView->SetOrder(oldOrder);
            throw;
        }
        if (position > 0)
            AplView->SetPosition(position);
    }
}

void TiUIView::SetUiViewToList(pelvar::TPlBoList *ABoList)
{
    if (!ABoList)
        throw toolkit::Exception(QStringLiteral("No list defined"));
    const QString condition = FilterExpToSQL(FsFilter);
    const QString oldCondition = ABoList->Condition();
    const QString oldOrder = ABoList->Order();
    ABoList->SetCondition(condition);
    try {
        // Ordering the old objects would be wasted work: the load sorts.
        if (ABoList->Order() != FsSort)
            ABoList->OrderBy(FsSort);
        ABoList->Load();
    } catch (...) {
        ABoList->SetCondition(oldCondition);
        if (ABoList->Order() != oldOrder)
            ABoList->OrderBy(oldOrder);
        throw;
    }
}

void TiUIView::SetUiViewToGrid(marvok::TIDBGrid *AGrid)
{
    if (!AGrid)
        throw toolkit::Exception(QStringLiteral("No grid defined"));
    if (auto *grid = qobject_cast<TIMireloDBGrid *>(AGrid); grid && !FsFields.isEmpty())
        grid->SetSettingsDetail(FsFields);
}

void TiUIView::SetUiViewToHCListBox(TICustomHCListBox *AHCListBox)
{
    if (!AHCListBox)
        throw toolkit::Exception(QStringLiteral("No HCListBox defined"));
    AHCListBox->ForceRefresh();
}

QStringList TiUIView::QuickFilterFields()
{
    return {QStringLiteral("PRIOR260"), QStringLiteral("STATE260"), QStringLiteral("SIFRA060"), QStringLiteral("SIFRA061"),
            QStringLiteral("STATE231")};
}

void TiUIView::UpdateQuickFilters()
{
    for (const QString &field : QuickFilterFields())
        UpdateFilterFromForm(field);
}

void TiUIView::UpdateFilterFromForm(const QString &AFieldName)
{
    if (!aiOnGetFilterValueFromForm)
        return;
    QString value;
    aiOnGetFilterValueFromForm(AFieldName, value);
    value.remove(QChar(0));
    const bool isState260 = AFieldName == QLatin1String("STATE260");
    const bool isState231 = AFieldName == QLatin1String("STATE231");
    QString &f = FsFilter;
    const int at = f.indexOf(AFieldName);
    if (at < 0) {
        if (value.isEmpty())
            return;
        QString condition;
        if (isState231)
            condition = QStringLiteral(" AND (((SELECT QDAT.PR231CON.SIFRA231 FROM QDAT.PR231CON WHERE "
                                       "QDAT.PR231CON.SIFRA231=QDAT.PR210REQ.SIFRR231 AND QDAT.PR231CON.STAT_231='1' AND "
                                       "QDAT.PR231CON.STATE231= '%1') IS NOT NULL))")
                            .arg(LiteralText(value));
        else if (isState260)
            condition = QStringLiteral(" AND (((%1= '%2')))").arg(AFieldName, LiteralText(value));
        else
            condition = QStringLiteral(" AND ((%1= '%2'))").arg(AFieldName, LiteralText(value));
        // Before the trailing marker, where the view editor leaves room.
        int pos = f.endsWith(InheritedFilter) ? int(f.size() - InheritedFilter.size()) : int(f.size());
        // A filter with no condition yet gets no leading " AND ".
        if (f.left(pos).trimmed().isEmpty())
            condition = condition.mid(5);
        f.insert(pos, condition);
        return;
    }
    if (!value.isEmpty()) {
        if (isState260) {
            // One value now: the further alternatives go.
            const int start = at + int(AFieldName.size());
            for (;;) {
                const int orAt = IndexOutsideQuotes(f, QStringLiteral(" OR"), start);
                if (orAt < 0 || f.indexOf(AFieldName, orAt) < 0)
                    break;
                const int fieldAt = f.indexOf(AFieldName, orAt);
                const int closing = IndexOutsideQuotes(f, QStringLiteral("))"), fieldAt);
                if (closing < 0)
                    break;
                f.remove(orAt, closing + 2 - orAt);
            }
        }
        const int open = f.indexOf(QLatin1Char('\''), at);
        const int close = open < 0 ? -1 : ClosingQuote(f, open);
        if (close < 0)
            return;
        f.replace(open + 1, close - open - 1, LiteralText(value));
        return;
    }
    if (isState260)
        return;
    // Removed from its " AND ((" up to its closing "))"; a condition the
    // filter starts with has no " AND " before it.
    int start = f.lastIndexOf(QLatin1String(" AND (("), at);
    if (start < 0) {
        start = f.lastIndexOf(QLatin1String("(("), at);
        if (start < 0 || !f.left(start).trimmed().isEmpty())
            return;
        start = 0;
    }
    const int closing = IndexOutsideQuotes(f, QStringLiteral("))"), at);
    if (closing < 0)
        return;
    int end = closing + 2;
    if (start == 0 && f.mid(end).startsWith(QLatin1String(" AND ")))
        end += 5;
    f.remove(start, end - start);
}

QString TiUIView::GetDescription() const
{
    QString filter = FsFilter;
    filter.remove(InheritedFilter);
    // One pass, so that a word already written ("in") is not read again,
    // and literals stay as typed.
    static const QRegularExpression words(QStringLiteral("'(?:[^']|'')*'?|\\s*\\b(BETWEEN|AND|OR|NOT|IN)\\b\\s*"),
                                          QRegularExpression::CaseInsensitiveOption);
    QString readable;
    int last = 0;
    for (auto it = words.globalMatch(filter); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        readable += QStringView(filter).mid(last, m.capturedStart() - last);
        const QString word = m.captured(1).toUpper();
        if (word.isEmpty())
            readable += m.captured(0);
        else
            readable += word == QLatin1String("BETWEEN") ? QStringLiteral(" med ")
                        : word == QLatin1String("AND")   ? QStringLiteral(" in ")
                        : word == QLatin1String("OR")    ? QStringLiteral(" ali ")
                        : word == QLatin1String("NOT")   ? QStringLiteral(" ni ")
                                                         : QStringLiteral(" v ");
        last = m.capturedEnd();
    }
    readable += QStringView(filter).mid(last);
    filter = readable;
    filter = filter.simplified();
    QString text = filter;
    QStringList fields;
    for (const QString &part : FsSort.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QString name = part.trimmed();
        bool desc = false;
        if (name.startsWith(QLatin1Char('-'))) {
            desc = true;
            name = name.mid(1);
        } else if (name.endsWith(QLatin1String(" DESC"), Qt::CaseInsensitive)) {
            desc = true;
            name.chop(5);
            name = name.trimmed();
        }
        QString shown = name;
        if (FGrid) {
            bool found = false;
            for (const marvok::TIColumn &c : FGrid->Columns())
                if (c.FieldName.compare(name, Qt::CaseInsensitive) == 0 && !c.Title.isEmpty()) {
                    shown = c.Title;
                    found = true;
                    break;
                }
            if (!found && FGrid->DataSet())
                if (toolkit::TField *field = FGrid->DataSet()->FindField(name))
                    shown = field->DisplayLabel();
        }
        fields << (desc ? QStringLiteral("-") : QString()) + shown;
    }
    if (!fields.isEmpty()) {
        if (!text.isEmpty())
            text += QStringLiteral(",  ");
        text += QStringLiteral("Urejeno po: ") + fields.join(QStringLiteral(", "));
    }
    return text;
}

TIUIViewFilterCheck TiUIView::CheckFilter(const QString &ATableName, const QString &AConnectionName)
{
    TIUIViewFilterCheck result;
    if (!pelvar::IsSafeIdentifier(ATableName, true)) {
        result.Message = QStringLiteral("Neveljavno ime tabele: %1").arg(ATableName);
        return result;
    }
    try {
        const QString condition = FilterExpToSQL(FsFilter);
        result.Sql = QStringLiteral("select count(*) from %1").arg(ATableName);
        if (!condition.trimmed().isEmpty())
            result.Sql += QStringLiteral(" where (%1)").arg(condition);
        QSqlQuery q = pelvar::ExecSql(result.Sql, {}, AConnectionName);
        result.RowCount = q.next() ? q.value(0).toLongLong() : 0;
        result.Valid = true;
    } catch (const toolkit::Exception &e) {
        result.Message = e.Message();
    }
    return result;
}

// --- TIUIViewList -------------------------------------------------------------------

TIUIViewList::TIUIViewList(QWidget *parent)
    : marvok::TIComboBox(parent)
{
    // The tooltip colours mark the control as the list's view chooser.
    QPalette p = palette();
    const QPalette tip = QToolTip::palette();
    p.setColor(QPalette::Base, tip.color(QPalette::ToolTipBase));
    p.setColor(QPalette::Button, tip.color(QPalette::ToolTipBase));
    p.setColor(QPalette::Text, tip.color(QPalette::ToolTipText));
    p.setColor(QPalette::ButtonText, tip.color(QPalette::ToolTipText));
    setPalette(p);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(this, &QComboBox::activated, this, [this] { ChangeGuarded(); });
    SetCOmponentWidth();
}

TIUIViewList::~TIUIViewList()
{
    if (FGrid && FDataSource && FGrid->DataSource() == FDataSource.get())
        FGrid->SetDataSource(nullptr);
    if (FGrid && FOwnTitleClick)
        FGrid->OnTitleClick = nullptr;
    FCurrentView = nullptr;
}

void TIUIViewList::setAiGrid(marvok::TIDBGrid *grid)
{
    if (FGrid == grid)
        return;
    if (FGrid && FOwnTitleClick)
        FGrid->OnTitleClick = nullptr;
    FOwnTitleClick = false;
    FGrid = grid;
    if (grid && !grid->OnTitleClick) {
        FOwnTitleClick = true;
        QPointer<TIUIViewList> self(this);
        grid->OnTitleClick = [self](marvok::TIDBGrid *, int column) {
            if (self)
                Guarded([&] { self->OnTitleClick(column); });
        };
    }
    for (auto &v : FViewList)
        v->setAiGrid(grid);
}

void TIUIViewList::setAiMenuItem(QMenu *menu)
{
    FMenuItem = menu;
}

void TIUIViewList::setAiAutoArrange(bool v)
{
    FAutoArrange = v;
    SetCOmponentWidth();
}

void TIUIViewList::setAiMinWidht(int v)
{
    FMinWidth = v;
    SetCOmponentWidth();
}

void TIUIViewList::setAiMaxWidht(int v)
{
    FMaxWidth = v;
    SetCOmponentWidth();
}

void TIUIViewList::setAiEditEnabled(bool v)
{
    FEditEnabled = v;
    for (QAction *a : std::as_const(FEditActions))
        a->setEnabled(v);
}

void TIUIViewList::Add(TiUIView *AUiView)
{
    AUiView->setAiGrid(FGrid);
    FViewList.emplace_back(AUiView);
    addItem(AUiView->aiCaption());
    if (FMenuItem)
        GenerateSubMenu();
    SetCOmponentWidth();
}

void TIUIViewList::Delete(int aIndex)
{
    if (aIndex < 0 || aIndex >= Count())
        throw toolkit::EListError(QStringLiteral("TIUIViewList.Delete: Index %1 out of bounds!").arg(aIndex));
    if (FViewList[aIndex].get() == FCurrentView)
        FCurrentView = nullptr;
    const QSignalBlocker block(this);
    removeItem(aIndex);
    FViewList.erase(FViewList.begin() + aIndex);
    FOldItemIndex = currentIndex();
    if (FMenuItem)
        GenerateSubMenu();
    SetCOmponentWidth();
}

void TIUIViewList::Clear()
{
    FCurrentView = nullptr;
    {
        const QSignalBlocker block(this);
        clear();
    }
    FViewList.clear();
    FOldItemIndex = -1;
    if (FMenuItem)
        GenerateSubMenu();
    SetCOmponentWidth();
}

TiUIView *TIUIViewList::GetUIView(int iIndex) const
{
    if (iIndex < 0 || iIndex >= Count())
        return nullptr;
    return FViewList[iIndex].get();
}

TiUIView *TIUIViewList::SelectedUIView() const
{
    return GetUIView(currentIndex());
}

void TIUIViewList::SelectUIView(TiUIView *AUIView)
{
    if (!AUIView)
        return;
    FCurrentView = AUIView;
    AUIView->setAiExpandOrgNodeTree(FExpandOrgNodeTree);
    if (FboList)
        AUIView->SetUiViewToList(FboList);
    else if (FplView)
        AUIView->SetUiViewToView(FplView);
    if (FGrid) {
        AUIView->SetUiViewToGrid(FGrid);
        if (FboList) {
            if (FCacheReadCatalogues) {
                QStringList visible;
                for (const marvok::TIColumn &c : FGrid->Columns())
                    if (c.Visible)
                        visible << c.FieldName;
                FboList->LoadCatalogueForColumns(visible);
            }
            if (!FGrid->DataSource()) {
                if (!FDataSource)
                    FDataSource = std::make_unique<toolkit::TDataSource>();
                FDataSource->SetDataSet(FboList->GetDataSet());
                FGrid->SetDataSource(FDataSource.get());
            } else if (!FGrid->DataSource()->DataSet()) {
                FGrid->DataSource()->SetDataSet(FboList->GetDataSet());
            }
        }
    }
    if (aiViewChange)
        aiViewChange(this);
    if (FHCListBox)
        AUIView->SetUiViewToHCListBox(FHCListBox);
    if (FLabel)
        FLabel->setText(AUIView->aiDescription());
    Q_EMIT viewApplied(AUIView);
}

QString TIUIViewList::LayoutFromGrid() const
{
    if (auto *grid = qobject_cast<TIMireloDBGrid *>(FGrid.data()))
        return grid->GetSettingsDetail();
    return {};
}

void TIUIViewList::ChangeGuarded()
{
    Guarded([this] { Change(); });
}

void TIUIViewList::Change()
{
    const int index = currentIndex();
    if (index == FOldItemIndex)
        return;
    // The columns as the user left them belong to the view being left.
    if (!FLoadingView && qobject_cast<TIMireloDBGrid *>(FGrid.data()))
        if (TiUIView *old = GetUIView(FOldItemIndex))
            old->setAiFields(LayoutFromGrid());
    FOldItemIndex = index;
    CheckSubMenu();
    SetCOmponentWidth();
    if (FAutoChangeViews) {
        TiUIView *view = SelectedUIView();
        if (!view) {
            if (FLabel)
                FLabel->clear();
            return;
        }
        TiUIView *previous = FCurrentView;
        try {
            SelectUIView(view);
        } catch (...) {
            // The list still shows the previous view's rows: so does the choice.
            const int back = previous ? IndexOfView(previous) : -1;
            if (back >= 0 && back != index) {
                FCurrentView = previous;
                {
                    const QSignalBlocker block(this);
                    setCurrentIndex(back);
                }
                FOldItemIndex = back;
                CheckSubMenu();
            }
            throw;
        }
    }
}

int TIUIViewList::IndexOfView(const TiUIView *view) const
{
    for (int i = 0; i < Count(); ++i)
        if (FViewList[i].get() == view)
            return i;
    return -1;
}

void TIUIViewList::SetItemIndex(int Value)
{
    {
        const QSignalBlocker block(this);
        setCurrentIndex(Value);
    }
    Change();
}

void TIUIViewList::RefreshView()
{
    if (TiUIView *view = SelectedUIView())
        SelectUIView(view);
}

void TIUIViewList::SetSortToFieldName(const QString &sFieldName)
{
    TiUIView *view = FCurrentView ? FCurrentView : SelectedUIView();
    if (!view)
        return;
    view->setAiSort(sFieldName);
    SelectUIView(view);
}

// --- storage --------------------------------------------------------------------

QString TIUIViewList::GetFormName() const
{
    if (!FFormClassName.isEmpty())
        return FFormClassName;
    const QWidget *owner = marvok::OwnerForm(this);
    if (!owner && parentWidget())
        owner = window();
    if (!owner)
        throw toolkit::Exception(QStringLiteral("Can not get component owner!"));
    return ShortClassName(owner);
}

QString TIUIViewList::GetParamName() const
{
    return objectName().isEmpty() ? QStringLiteral("TIUIViewList") : objectName();
}

QString TIUIViewList::SaveViewToString() const
{
    QString text = QString::number(currentIndex());
    for (const auto &v : FViewList) {
        const QStringList fields = {v->aiCaption(), v->aiSort(), v->aiFilter(), v->aiGroup(), v->aiFields()};
        for (const QString &f : fields)
            if (f.contains(QLatin1Char('#')) || f.contains(QLatin1Char('|')))
                throw toolkit::Exception(
                    QStringLiteral("Pogled \"%1\" vsebuje znak # ali |, ki ga ni mogoče shraniti: %2").arg(v->aiCaption(), f));
        text += QLatin1Char('#') + fields.join(QLatin1Char('|'));
    }
    return text;
}

void TIUIViewList::LoadViewFromString(const QString &sAllViewString)
{
    const QStringList parts = sAllViewString.split(QLatin1Char('#'));
    bool ok = false;
    const int index = parts.first().trimmed().toInt(&ok);
    if (!ok)
        throw toolkit::EConvertError(QStringLiteral("Številka izbranega pogleda \"%1\" ni veljavna.").arg(parts.first().left(40)));
    if (parts.size() < 2)
        throw toolkit::EConvertError(QStringLiteral("Shranjeno besedilo nima nobenega pogleda."));
    std::vector<std::unique_ptr<TiUIView>> views;
    for (int i = 1; i < parts.size(); ++i) {
        const QStringList f = parts.at(i).split(QLatin1Char('|'));
        if (f.size() > 5)
            throw toolkit::EConvertError(QStringLiteral("Pogled %1 ima %2 polj namesto 5.").arg(i).arg(f.size()));
        if (f.value(0).isEmpty())
            throw toolkit::EConvertError(QStringLiteral("Pogled %1 nima imena.").arg(i));
        views.push_back(std::make_unique<TiUIView>(f.value(0), f.value(1), f.value(2), f.value(3), f.value(4)));
    }
    // Parsed whole before anything of the old views goes.
    Clear();
    for (auto &v : views)
        Add(v.release());
    if (FMenuItem)
        GenerateMenu();
    SetItemIndex(index >= 0 && index < Count() ? index : 0);
}

void TIUIViewList::SaveViews()
{
    if (!FplView && !FboList)
        return;
    if (FCurrentView)
        FCurrentView->setAiFields(LayoutFromGrid());
    if (TiUIView *selected = SelectedUIView())
        selected->UpdateQuickFilters();
    QString section, name;
    try {
        section = GetFormName();
        name = GetParamName();
        const QString text = SaveViewToString();
        TIMireloAFParameters *params = IMireloAFParameters();
        if (!params->ParamDefinitionExists(section, name))
            params->AddParamDefinition(section, name,
                                       {TIParamDefAccess::pdaUser, TIParamDefAccess::pdaWorkstation, TIParamDefAccess::pdaApplication},
                                       QStringLiteral("Pogledi na formi ") + section);
        params->SetParamValue(section, name, text);
    } catch (const toolkit::EAbort &) {
        throw;
    } catch (const toolkit::Exception &e) {
        marvok::ILog(QStringLiteral("TIUIViewList.SaveViews [%1, %2]: %3").arg(section, name, e.Message()));
        marvok::IMessageDlg(QStringLiteral("Napaka pri shranjevanju pogleda [%1, %2]!").arg(section, name), marvok::mtError,
                            marvok::mbOK);
    }
}

bool TIUIViewList::LoadViews(bool ALogErrors)
{
    const QString section = GetFormName();
    const QString name = GetParamName();
    TIMireloAFParameters *params = IMireloAFParameters();
    if (!params->ParamValueExists(section, name))
        return false;
    QString text;
    QString step = QStringLiteral("branje parametra");
    try {
        text = params->GetParamValue(section, name);
        step = QStringLiteral("branje pogledov");
        FLoadingView = true;
        struct TReset
        {
            bool &Flag;
            ~TReset() { Flag = false; }
        } reset{FLoadingView};
        LoadViewFromString(text);
        return true;
    } catch (const toolkit::EAbort &) {
        throw;
    } catch (const toolkit::Exception &e) {
        const QString message =
            QStringLiteral("Napaka pri nalaganju podatkov za pogled:\r\r%1\r\rGeneriram privzete poglede...").arg(e.Message());
        if (ALogErrors) {
            marvok::ILog(QStringLiteral("TIUIViewList.LoadViews: %1 (korak: %2) [%3, %4] besedilo: %5")
                             .arg(e.Message(), step, section, name, text));
            if (marvok::IMessageDlg(message, marvok::mtWarning, marvok::mbOKCancel) == marvok::mrCancel) {
                Clear();
                toolkit::Abort();
            }
        } else {
            marvok::IMessageDlg(message, marvok::mtWarning, marvok::mbOK);
        }
        Clear();
        return false;
    }
}

void TIUIViewList::CreateDefaultView()
{
    QString layout;
    if (FGrid && FGrid->DataSet())
        layout = LayoutFromGrid();
    QString sort;
    if (FplView && FplView->GetDataSet() && FplView->GetDataSet()->FieldCount() > 0)
        sort = FplView->GetDataSet()->Fields(0)->FieldName();
    else if (FboList && FboList->ClassMetaData() && FboList->ClassMetaData()->AttrCount() > 0)
        sort = FboList->ClassMetaData()->Attr(0).Name;
    Add(new TiUIView(QStringLiteral("Privzet"), sort, {}, {}, layout));
    SetItemIndex(Count() - 1);
    if (FMenuItem)
        GenerateMenu();
}

// --- menu -----------------------------------------------------------------------------

void TIUIViewList::GenerateMenu()
{
    if (!FMenuItem)
        throw toolkit::Exception(QStringLiteral("RSNoPopupAndNoMenu: No popup menu or menu item!"));
    // The sub-menu is a child of the menu, which clear() leaves alive.
    delete FViewsMenu;
    FMenuItem->clear();
    FEditActions.clear();
    FViewGroup = nullptr;
    FViewsMenu = FMenuItem->addMenu(QStringLiteral("Trenutni pogled"));
    FMenuItem->addSeparator();
    auto addEdit = [this](const QString &text, int page) {
        QAction *a = FMenuItem->addAction(text);
        connect(a, &QAction::triggered, this, [this, page] { Guarded([&] { EditPage(page); }); });
        a->setEnabled(FEditEnabled && aiEditViewProperties);
        FEditActions << a;
    };
    if (FGrid)
        addEdit(QStringLiteral("Oblikuj stolpce..."), 0);
    addEdit(QStringLiteral("Razvrsti..."), 2);
    addEdit(QStringLiteral("Filter..."), 3);
    FMenuItem->addSeparator();
    QAction *define = FMenuItem->addAction(QStringLiteral("Določi poglede..."));
    define->setEnabled(FEditEnabled && FShowUIViewsDialog);
    connect(define, &QAction::triggered, this, [this] {
        Guarded([this] {
            if (FShowUIViewsDialog)
                FShowUIViewsDialog(this);
        });
    });
    FEditActions << define;
    FMenuItem->addSeparator();
    QAction *save = FMenuItem->addAction(QStringLiteral("Shrani pogled"));
    connect(save, &QAction::triggered, this, [this] { Guarded([this] { SaveViews(); }); });
    GenerateSubMenu();
}

void TIUIViewList::GenerateSubMenu()
{
    if (!FMenuItem)
        throw toolkit::Exception(QStringLiteral("RSNoPopupAndNoMenu: No popup menu or menu item!"));
    QMenu *views = FViewsMenu;
    if (!views) {
        GenerateMenu();
        return;
    }
    views->clear();
    delete FViewGroup;
    FViewGroup = new QActionGroup(views);
    FViewGroup->setExclusive(true);
    for (int i = 0; i < Count(); ++i) {
        QAction *a = views->addAction(FViewList[i]->aiCaption());
        a->setCheckable(true);
        a->setChecked(i == currentIndex());
        FViewGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] { Guarded([&] { SetItemIndex(i); }); });
    }
}

void TIUIViewList::CheckSubMenu()
{
    if (!FViewGroup)
        return;
    const QList<QAction *> actions = FViewGroup->actions();
    for (int i = 0; i < actions.size(); ++i)
        actions[i]->setChecked(i == currentIndex());
}

void TIUIViewList::EditPage(int page)
{
    if (!aiEditViewProperties || !FEditEnabled)
        return;
    aiEditViewProperties(this, this, page);
    // The edited view is applied again.
    FOldItemIndex = -1;
    Change();
}

void TIUIViewList::EditCurrentUIView()
{
    pelvar::NotImplemented(QStringLiteral("TIUiViewList.EditCurrentUIView"));
}

// --- title clicks -----------------------------------------------------------------------

QString TIUIViewList::GetNewSortForColumn(const QString &AFieldName, int ADropDowRows, const marvok::TIFieldInfo &AFieldInfo) const
{
    if (AFieldInfo.FieldType() == QLatin1String("S") && !AFieldInfo.Sifrant().isEmpty()) {
        if (ADropDowRows > 1000)
            return QStringLiteral("QDAT.PCKSELECT.GETCATALOGUEVALUE('%1', '%2',%3)").arg(AFieldInfo.Sifrant(), QStringLiteral("TRUE"), AFieldName);
        if (ADropDowRows % 1000 == 8)
            return QStringLiteral("QDAT.PCKSELECT.GETCATALOGUEVALUE('%1', '%2',%3)").arg(AFieldInfo.Sifrant(), QStringLiteral("FALSE"), AFieldName);
    }
    return AFieldName;
}

QString TIUIViewList::GetNewBoSortForColumn(const QString &AFieldName, int ADropDowRows, const marvok::TIFieldInfo &AFieldInfo) const
{
    if (AFieldInfo.FieldType() == QLatin1String("S") && !AFieldInfo.Sifrant().isEmpty()) {
        if (ADropDowRows > 1000)
            return QStringLiteral("§") + AFieldName;
        if (ADropDowRows % 1000 == 8)
            return QStringLiteral("@") + AFieldName;
    }
    return AFieldName;
}

void TIUIViewList::OnTitleClick(int Column)
{
    TDateTime reference = FIgnoreTitleClick;
    const TDateTime never = NoIgnoreTitleClick();
    if (FplView && FplView->LastRefreshTime().isValid()) {
        const TDateTime refreshed = toolkit::FromQDateTime(FplView->LastRefreshTime());
        if (refreshed > never && refreshed > reference)
            reference = refreshed;
    }
    // A double click on a title after a refresh must not sort twice.
    if (reference != never && toolkit::Now() < reference + 2 * toolkit::OneSecond)
        return;
    TiUIView *view = FCurrentView ? FCurrentView : SelectedUIView();
    if (!view || !FGrid)
        return;
    toolkit::TField *field = FGrid->ColumnField(Column);
    if (!field)
        return;
    int dropDownRows = 7;
    int shown = 0;
    for (const marvok::TIColumn &c : FGrid->Columns()) {
        if (!c.Visible)
            continue;
        if (shown++ == Column) {
            dropDownRows = c.DropDownRows;
            break;
        }
    }
    marvok::TIFieldInfo info;
    if (FplView && !FboList)
        info.SetField(field, FplView->ClassMetaData());
    else
        info.SetField(field);

    QString oldSort = view->aiSort();
    if (aiDeleteCustomSortField) {
        QString out = oldSort;
        aiDeleteCustomSortField(oldSort, out);
        oldSort = out;
    }
    QString newSort;
    if (FboList) {
        const QString term = GetNewBoSortForColumn(field->FieldName(), dropDownRows, info);
        const int comma = oldSort.indexOf(QLatin1Char(','));
        const QString first = (comma < 0 ? oldSort : oldSort.left(comma)).trimmed();
        const bool desc = first.startsWith(QLatin1Char('-'));
        if ((desc ? first.mid(1) : first) == term) {
            newSort = desc ? term : QStringLiteral("-") + term;
            if (comma >= 0)
                newSort += QLatin1Char(',') + oldSort.mid(comma + 1);
        } else {
            newSort = term;
        }
    } else {
        const QString term = GetNewSortForColumn(field->FieldName(), dropDownRows, info);
        newSort = term == oldSort ? term + QStringLiteral(" DESC") : term;
    }
    if (aiSetCustomSortField) {
        QString out = newSort;
        aiSetCustomSortField(newSort, out);
        newSort = out;
    }
    const QString before = view->aiSort();
    view->setAiSort(newSort);
    if (newSort != oldSort && newSort != before) {
        if (view->aiOnTitleClickEvent)
            view->aiOnTitleClickEvent(view, Column);
        SelectUIView(view);
    }
}

// --- width --------------------------------------------------------------------------------

void TIUIViewList::SetCOmponentWidth()
{
    if (!FAutoArrange)
        return;
    int text = 0;
    for (const auto &v : FViewList)
        text = std::max(text, fontMetrics().horizontalAdvance(v->aiCaption()));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QSize full = style()->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(text, fontMetrics().height()), this);
    const int width = std::clamp(full.width(), FMinWidth, std::max(FMinWidth, FMaxWidth));
    if (width == this->width() && minimumWidth() == width)
        return;
    setFixedWidth(width);
    if (auto *panel = qobject_cast<marvok::TIArrangePanel *>(parentWidget())) {
        panel->Arrange();
        panel->updateGeometry();
    }
}

TIUIViewFilterCheck TIUIViewList::CheckFilter(TiUIView *AUIView)
{
    TIUIViewFilterCheck result;
    if (!AUIView) {
        result.Message = QStringLiteral("Ni pogleda.");
        return result;
    }
    const pelvar::TPlClassMetaData *meta = FboList ? FboList->ClassMetaData() : FplView ? FplView->ClassMetaData() : nullptr;
    if (!meta) {
        result.Message = QStringLiteral("Pogled nima seznama.");
        return result;
    }
    AUIView->setAiExpandOrgNodeTree(FExpandOrgNodeTree);
    return AUIView->CheckFilter(meta->Provider()->GetTableName());
}

// --- free functions -----------------------------------------------------------------------

void FindViewsAndSaveThem(QWidget *AForm)
{
    if (!AForm)
        return;
    // Embedded tab-sheet forms are descendants too.
    for (TIUIViewList *list : AForm->findChildren<TIUIViewList *>())
        list->SaveViews();
}

void FindViewsAndLoadThem(QWidget *AForm)
{
    if (!AForm)
        return;
    for (TIUIViewList *list : AForm->findChildren<TIUIViewList *>())
        list->LoadViews(false);
}

} // namespace tovlet
