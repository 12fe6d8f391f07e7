#include "cBasic.h"

#include "dIcons.h"
#include "pelvar/plObject.h"
#include "toolkit/Exception.h"
#include "tovlet/core/cBasic.h"

#include <QPainter>
#include <QPainterPath>

namespace tovlet {

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
