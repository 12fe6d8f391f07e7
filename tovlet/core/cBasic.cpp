#include "cBasic.h"
#include "Tovlet.h"

#include "marvok/Idialogs.h"
#include "marvok/Iforms.h"
#include "pelvar/plAuth.h"
#include "pelvar/plObject.h"
#include "toolkit/Exception.h"
#include "toolkit/SysUtils.h"
#include "tovlet/dialogs/dIcons.h"

#include <QPainter>
#include <QPainterPath>
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

// --- visual controls ----------------------------------------------------------------


// --- TIToothPanel -------------------------------------------------------------------------

TIToothPanel::TIToothPanel(QWidget *parent)
    : marvok::TIPanel(parent)
{
    FFillColor.fill(toolkit::clWindow);
    FFontColor.fill(toolkit::clWindowText);
    resize(sizeHint());
}

int TIToothPanel::CheckedIndex(int AIndex, const char *method)
{
    if (AIndex < 0 || AIndex >= SurfaceCount)
        throw toolkit::EListError(
            QStringLiteral("TIToothPanel.%1: List index out of bounds: %2!").arg(QString::fromLatin1(method)).arg(AIndex));
    return AIndex;
}

void TIToothPanel::setAiTriangle(bool v)
{
    if (FTriangle != v) {
        FTriangle = v;
        update();
    }
}

void TIToothPanel::setAiOffset(int v)
{
    if (FOffset != v) {
        FOffset = v;
        update();
    }
}

void TIToothPanel::setAiPenColor(toolkit::TColor v)
{
    if (FPenColor != v) {
        FPenColor = v;
        update();
    }
}

QString TIToothPanel::aiValue(int AIndex) const
{
    return FValue[CheckedIndex(AIndex, "GetValue")];
}

void TIToothPanel::setAiValue(int AIndex, const QString &v)
{
    QString &value = FValue[CheckedIndex(AIndex, "SetValue")];
    if (value != v) {
        value = v;
        update();
    }
}

toolkit::TColor TIToothPanel::aiFillColor(int AIndex) const
{
    return FFillColor[CheckedIndex(AIndex, "GetFillColor")];
}

void TIToothPanel::setAiFillColor(int AIndex, toolkit::TColor v)
{
    toolkit::TColor &color = FFillColor[CheckedIndex(AIndex, "SetFillColor")];
    if (color != v) {
        color = v;
        update();
    }
}

toolkit::TColor TIToothPanel::aiFontColor(int AIndex) const
{
    return FFontColor[CheckedIndex(AIndex, "GetFontColor")];
}

void TIToothPanel::setAiFontColor(int AIndex, toolkit::TColor v)
{
    toolkit::TColor &color = FFontColor[CheckedIndex(AIndex, "SetFontColor")];
    if (color != v) {
        color = v;
        update();
    }
}

QRect TIToothPanel::GetToothRect(int AIndex) const
{
    const int o = FOffset;
    const int W = width();
    const int H = height();
    auto ltrb = [](int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); };
    if (!FTriangle) {
        const int w = (W - 2 * o) / 3;
        const int h = (H - 2 * o) / 3;
        switch (AIndex) {
        case 0:
            return ltrb(o + w, o + h, o + 2 * w, o + 2 * h);
        case 1:
            return ltrb(o + w, o, o + 2 * w, o + h);
        case 2:
            return ltrb(o, o + h, o + w, o + 2 * h);
        case 3:
            return ltrb(o + 2 * w, o + h, o + 3 * w, o + 2 * h);
        case 4:
            return ltrb(o + w, o + 2 * h, o + 2 * w, o + 3 * h);
        default:
            break;
        }
    } else {
        // Both halves truncate toward zero, as the thirds do.
        const int a = (W - 2 * o) / 2;
        const int b = (H - 2 * o) / 2;
        const int c = (W - 2 * o) / 3;
        const int d = (H - 2 * o) / 3;
        switch (AIndex) {
        case 1:
            return ltrb(o + c, o, 2 * c - o, b);
        case 2:
            return ltrb(o, o + d, a - o, 2 * d);
        case 3:
            return ltrb(o + a, o + d, 2 * a - o, 2 * d);
        case 4:
            return ltrb(o + c, o + b, 2 * c - o, 2 * b - o);
        default:
            break;
        }
    }
    throw toolkit::EListError(QStringLiteral("TIToothPanel.GetToothRect: List index out of bounds: %1!").arg(AIndex));
}

void TIToothPanel::paintEvent(QPaintEvent *event)
{
    marvok::TIPanel::paintEvent(event);
    QPainter p(this);
    if (FTriangle)
        PaintTriangles(p);
    else
        PaintSquares(p);
}

void TIToothPanel::PaintSquares(QPainter &p)
{
    const QColor pen = toolkit::ColorToQColor(FPenColor, &palette());
    for (int i = 0; i < SurfaceCount; ++i) {
        const QRect r = GetToothRect(i);
        if (r.width() <= 0 || r.height() <= 0)
            continue;
        p.fillRect(r, toolkit::ColorToQColor(FFillColor[i], &palette()));
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        if (!FValue[i].isEmpty()) {
            p.setPen(toolkit::ColorToQColor(FFontColor[i], &palette()));
            p.drawText(r, Qt::AlignCenter, FValue[i]);
        }
    }
}

void TIToothPanel::PaintTriangles(QPainter &p)
{
    const int o = FOffset;
    const QPointF tl(o, o), tr(width() - o, o), br(width() - o, height() - o), bl(o, height() - o);
    const QPointF centre(o + (width() - 2 * o) / 2, o + (height() - 2 * o) / 2);
    const QPolygonF triangles[SurfaceCount] = {
        {},
        QPolygonF({tl, tr, centre}),
        QPolygonF({tl, centre, bl}),
        QPolygonF({tr, br, centre}),
        QPolygonF({bl, centre, br}),
    };
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor pen = toolkit::ColorToQColor(FPenColor, &palette());
    for (int i = 1; i < SurfaceCount; ++i) {
        p.setPen(pen);
        p.setBrush(toolkit::ColorToQColor(FFillColor[i], &palette()));
        p.drawPolygon(triangles[i]);
    }
    const QFontMetrics fm = p.fontMetrics();
    for (int i = 1; i < SurfaceCount; ++i) {
        if (FValue[i].isEmpty())
            continue;
        const int textWidth = fm.horizontalAdvance(FValue[i]);
        const int textHeight = fm.height();
        QRect at;
        switch (i) {
        case 1: // along the top edge, in the middle
            at = QRect(int(centre.x()) - textWidth / 2, o + 1, textWidth, textHeight);
            break;
        case 2: // along the left edge
            at = QRect(o + 2, int(centre.y()) - textHeight / 2, textWidth, textHeight);
            break;
        case 3: // ends at the right edge
            at = QRect(width() - o - 2 - textWidth, int(centre.y()) - textHeight / 2, textWidth, textHeight);
            break;
        default: // sits on the bottom edge
            at = QRect(int(centre.x()) - textWidth / 2, height() - o - 1 - textHeight, textWidth, textHeight);
            break;
        }
        p.setPen(toolkit::ColorToQColor(FFontColor[i], &palette()));
        p.drawText(at, Qt::AlignCenter, FValue[i]);
    }
}

// --- TIMireloObjectIconPanel --------------------------------------------------------------

TIMireloObjectIconPanel::TIMireloObjectIconPanel(QWidget *parent)
    : marvok::TIPanel(parent)
{
    setFrameShape(QFrame::NoFrame);
    resize(16, 16);
}

void TIMireloObjectIconPanel::setAiImageIndex(int v)
{
    FImageIndex = v;
    update();
}

void TIMireloObjectIconPanel::setAiOffsetLeft(int v)
{
    FOffsetLeft = v;
    update();
}

void TIMireloObjectIconPanel::setAiOffsetTop(int v)
{
    FOffsetTop = v;
    update();
}

void TIMireloObjectIconPanel::SetObject(pelvar::TplDomainObject *AObject)
{
    FObject = AObject;
    FDomainObject = AObject;
    FImageIndex = AObject ? AObject->ImageIndex() : -1;
    update();
}

void TIMireloObjectIconPanel::SetObject(const void *AObject)
{
    FObject = AObject;
    FDomainObject = nullptr;
    FImageIndex = -1;
    update();
}

void TIMireloObjectIconPanel::paintEvent(QPaintEvent *event)
{
    marvok::TIPanel::paintEvent(event);
    if (FImageIndex == -1)
        return;
    QPainter p(this);
    if (auto *persistent = dynamic_cast<pelvar::TplPerObject *>(FDomainObject))
        GetOrCreateDmIconHolder()->CustomDrawIcon(&p, FOffsetLeft, FOffsetTop, QString::number(FImageIndex), persistent,
                                                  persistent->GetDataSet(), TDrawingStyle::dsTransparent);
    else
        ObjectImageList()->Draw(&p, FOffsetLeft, FOffsetTop, FImageIndex, true);
}

// --- TICustomHCListBox --------------------------------------------------------------------

TICustomHCListBox::TICustomHCListBox(QWidget *parent)
    : marvok::TIListBox(parent)
{
    if (aiDefaultImageList)
        SetImages(aiDefaultImageList);
}

void TICustomHCListBox::setAiImages(marvok::TIImageList *images)
{
    SetImages(images);
    ForceRefresh();
}

void TICustomHCListBox::ForceRefresh()
{
    viewport()->update();
}

} // namespace tovlet
