#include "cBasic.h"
#include "Tovlet.h"

#include "marvok/Idialogs.h"
#include "marvok/Iforms.h"
#include "pelvar/plAuth.h"
#include "toolkit/SysUtils.h"

#include <QPainter>
#include <QTimer>
#include <QTabBar>

namespace tovlet {

toolkit::TColor aiActivePageColor = toolkit::clBtnFace;
marvok::TIImageList *aiDefaultImageList = nullptr;

namespace {
TIApplicationFrameworkUtils *GApplicationFrameworkUtils = nullptr;
TIUIUpdate *GUIUpdate = nullptr;

void Initialization()
{
    GApplicationFrameworkUtils = nullptr;
    GUIUpdate = nullptr;
    aiActivePageColor = toolkit::clBtnFace;
    aiDefaultImageList = nullptr;
}

void Finalization()
{
    delete GApplicationFrameworkUtils;
    GApplicationFrameworkUtils = nullptr;
    delete GUIUpdate;
    GUIUpdate = nullptr;
}

const QString CollapsedProperty = QStringLiteral("aiCollapsed");
} // namespace

TOVLET_UNIT(cBasic, upCBasic, Initialization, Finalization);

TIApplicationFrameworkUtils *ApplicationFrameworkUtils()
{
    if (!GApplicationFrameworkUtils)
        GApplicationFrameworkUtils = new TIApplicationFrameworkUtils;
    return GApplicationFrameworkUtils;
}

TIUIUpdate *UIUpdate()
{
    if (!GUIUpdate)
        GUIUpdate = new TIUIUpdate;
    return GUIUpdate;
}

QString TIApplicationFrameworkUtils::GetWindowCode(const QString &AInputName) const
{
    if (!FGetWIndowCode)
        return AInputName;
    QString out;
    FGetWIndowCode(AInputName, out);
    return out;
}

// --- TIMireloActionList --------------------------------------------------------------

TIMireloActionList::TIMireloActionList(QObject *owner)
    : toolkit::TCustomActionList(owner)
{
}

QString TIMireloActionList::GetGuiActionName(const QAction *action) const
{
    return objectName() + QLatin1Char('.') + action->objectName();
}

bool TIMireloActionList::UpdateAction(QAction *action)
{
    const bool result = toolkit::TCustomActionList::UpdateAction(action);
    if (!IsDesigning()) {
        const QString name = GetGuiActionName(action);
        // Actions the service does not know keep the state the host gave them.
        if (pelvar::AuthManager().ExistsObjectAction(FboAuthorisationObject, name))
            action->setEnabled(pelvar::AuthManager().HasObjectActionRight(FboAuthorisationObject, name));
    }
    return result;
}

QString TIMireloActionList::StripAccelerators(const QString &caption)
{
    QString r;
    r.reserve(caption.size());
    for (int i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption.at(i + 1) == QLatin1Char('&')) {
                r += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        r += caption.at(i);
    }
    return r;
}

bool TIMireloActionList::ExecuteAction(QAction *action)
{
    if (IsDesigning())
        return toolkit::TCustomActionList::ExecuteAction(action);
    // Unlike the update, this does not ask whether the action is known: an
    // unknown action is refused unless the service grants it.
    if (pelvar::AuthManager().HasObjectActionRight(FboAuthorisationObject, GetGuiActionName(action)))
        return toolkit::TCustomActionList::ExecuteAction(action);
    marvok::IMessageDlg(toolkit::Format(QStringLiteral("Akcija %s ni dovoljena!"), {StripAccelerators(action->text())}),
                        marvok::mtError, marvok::mbOK, 0);
    return false;
}

void TIMireloActionList::RefreshActions()
{
    for (int i = 0; i < ActionCount(); ++i)
        UpdateAction(Actions(i));
}

// --- TIMireloPageControl ----------------------------------------------------------------

TIMireloPageControl::TIMireloPageControl(QWidget *parent)
    : marvok::TIPageControl(parent)
{
    connect(this, &QTabWidget::currentChanged, this, [this](int index) {
        Guarded([this, index] { Change(index); });
    });
}

bool TIMireloPageControl::Guarded(const std::function<void()> &work, bool asksRights)
{
    try {
        work();
        if (asksRights)
            FLastError.clear();
        return true;
    } catch (const toolkit::Exception &e) {
        ReportError(e);
        return false;
    }
}

void TIMireloPageControl::ReportError(const toolkit::Exception &e)
{
    // Painting may not open a window, and every repaint would repeat the
    // message: the user hears of an error once, after the event that failed,
    // and again only after the control worked in between.
    if (dynamic_cast<const toolkit::EAbort *>(&e) || e.Message() == FLastError)
        return;
    FLastError = e.Message();
    // The error's own object is gone by then: its two texts travel on.
    QTimer::singleShot(0, this, [message = e.Message(), user = e.UserMessage()] {
        toolkit::HandleException(toolkit::Exception(message, user));
    });
}

QString TIMireloPageControl::GetGuiSheetCode(QWidget *sheet) const
{
    // The owner is the form the control belongs to, also when that form is
    // embedded in another one's tab sheet; its class name without namespaces.
    const QWidget *form = marvok::OwnerForm(this);
    if (!form)
        form = window();
    QString cls = QString::fromLatin1(form->metaObject()->className());
    cls = cls.section(QStringLiteral("::"), -1);
    return ApplicationFrameworkUtils()->GetWindowCode(cls) + QLatin1Char('.') + objectName()
           + QString::number(indexOf(sheet) + 1);
}

bool TIMireloPageControl::CanShowTab(int index)
{
    if (FDesigning)
        return true;
    QWidget *sheet = widget(index);
    bool result = sheet && pelvar::AuthManager().HasObjectActionRight(FboAuthorisationObject, GetGuiSheetCode(sheet));
    result = result && marvok::TIPageControl::CanShowTab(index);
    if (FCanShowEvent)
        FCanShowEvent(sheet, result);
    return result;
}

bool TIMireloPageControl::IsCollapsed(int index) const
{
    const QWidget *sheet = widget(index);
    return sheet && sheet->property("aiCollapsed").toBool();
}

void TIMireloPageControl::MakeTabSheetVisible(bool AVisible, int index)
{
    QWidget *sheet = widget(index);
    if (!sheet || AVisible != IsCollapsed(index))
        return;
    // Only a change repaints: the check after each paint must come to rest.
    sheet->setProperty("aiCollapsed", !AVisible);
    sheet->setMaximumHeight(AVisible ? QWIDGETSIZE_MAX : 0);
    update();
}

void TIMireloPageControl::Change(int index)
{
    if (!FDesigning && index >= 0)
        MakeTabSheetVisible(CanShowTab(index), index);
}

void TIMireloPageControl::CheckPages()
{
    if (FDesigning)
        return;
    for (int i = 0; i < count(); ++i) {
        bool right = pelvar::AuthManager().HasObjectActionRight(FboAuthorisationObject, GetGuiSheetCode(widget(i)));
        if (FCanShowEvent)
            FCanShowEvent(widget(i), right);
        MakeTabSheetVisible(right, i);
    }
}

void TIMireloPageControl::showEvent(QShowEvent *event)
{
    marvok::TIPageControl::showEvent(event);
    Guarded([this] { CheckPages(); });
}

void TIMireloPageControl::paintEvent(QPaintEvent *event)
{
    marvok::TIPageControl::paintEvent(event);
    // Every paint checks the pages again, so that a host whose page event
    // follows its own state refreshes the pages by repainting. Collapsing a
    // page changes the layout, which Qt forbids while painting: the check
    // runs as soon as the paint is over.
    if (!FDesigning && !FCheckQueued) {
        FCheckQueued = true;
        QMetaObject::invokeMethod(this, [this] {
            FCheckQueued = false;
            Guarded([this] { CheckPages(); });
        }, Qt::QueuedConnection);
    }
    if (FDesigning || currentIndex() < 0 || !IsCollapsed(currentIndex()))
        return;
    QPainter p(this);
    QFont f = p.font();
    f.setFamily(QStringLiteral("Arial CE"));
    f.setPointSize(10);
    p.setFont(f);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QPoint(16, 70 + p.fontMetrics().ascent()), QStringLiteral("Prikaz ni dovoljen!"));
}

void TIMireloPageControl::DrawTab(QPainter *painter, int tabIndex, const QRect &rect, bool active)
{
    Guarded([&] { DrawTabGuarded(painter, tabIndex, rect, active); }, false);
}

void TIMireloPageControl::DrawTabGuarded(QPainter *painter, int tabIndex, const QRect &rect, bool active)
{
    // The page behind the tab, counting only pages whose tab shows.
    int page = -1;
    for (int i = 0, shown = -1; i < count(); ++i)
        if (isTabVisible(i) && ++shown == tabIndex) {
            page = i;
            break;
        }
    if (page < 0)
        return;
    toolkit::TColor color = active ? aiActivePageColor : toolkit::clBtnFace;
    if (FGetColorForTab)
        FGetColorForTab(page, color);
    const QRect r = rect.adjusted(0, 0, 0, 2);
    painter->setClipRect(r);
    painter->fillRect(r, toolkit::ColorToQColor(color, &palette()));
    const int x = r.left() + (Images() ? 22 : 4);
    painter->setPen(palette().color(QPalette::WindowText));
    painter->drawText(QPoint(x, r.top() + 4 + painter->fontMetrics().ascent()), tabText(page).remove(QLatin1Char('&')));
    // A page's image index is its "aiImageIndex" property (-1: none).
    const QVariant image = widget(page)->property("aiImageIndex");
    if (Images() && image.isValid())
        Images()->Draw(painter, r.left() + 3, r.top() + 2, image.toInt(), true);
}

} // namespace tovlet
