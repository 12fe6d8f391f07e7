// The visual controls of the cBasic unit that host forms place directly:
// one tooth of a dental chart, the icon of a business object, and a list box
// with an image list that UI views can refresh. (The unit's non-visual
// classes and its start and stop are in tovlet/core/cBasic.h.)
#pragma once

#include "marvok/cControls.h"
#include "toolkit/Graphics.h"
#include "tovlet/tovlet_export.h"

#include <array>
#include <cstddef>

namespace pelvar {
class TplDomainObject;
}

namespace tovlet {

// One tooth with five surfaces, each with a fill colour, a text and the
// text's colour. Surfaces: 0 centre, 1 top, 2 left, 3 right, 4 bottom. The
// square layout puts them in a cross on a 3 × 3 grid; the triangle layout
// draws 1–4 as triangles meeting in the middle and has no centre. Setters
// repaint only on a change. Starts with the window colour for the
// surfaces, the window text colour for outlines and texts, offset 1.
class TOVLET_EXPORT TIToothPanel : public marvok::TIPanel
{
    Q_OBJECT
    Q_PROPERTY(bool aiTriangle READ aiTriangle WRITE setAiTriangle)
    Q_PROPERTY(int aiOffset READ aiOffset WRITE setAiOffset)
    Q_PROPERTY(qint32 aiPenColor READ aiPenColor WRITE setAiPenColor)
public:
    static constexpr int SurfaceCount = 5;

    explicit TIToothPanel(QWidget *parent = nullptr);

    bool aiTriangle() const { return FTriangle; }
    void setAiTriangle(bool v);
    int aiOffset() const { return FOffset; }
    void setAiOffset(int v);
    toolkit::TColor aiPenColor() const { return FPenColor; }
    void setAiPenColor(toolkit::TColor v);
    // Indexes outside 0–4 raise EListError.
    QString aiValue(int AIndex) const;
    void setAiValue(int AIndex, const QString &v);
    toolkit::TColor aiFillColor(int AIndex) const;
    void setAiFillColor(int AIndex, toolkit::TColor v);
    toolkit::TColor aiFontColor(int AIndex) const;
    void setAiFontColor(int AIndex, toolkit::TColor v);

    // The surface's rectangle (width and height as right − left and
    // bottom − top). Raises EListError for an index the layout lacks.
    QRect GetToothRect(int AIndex) const;

    QSize sizeHint() const override { return {40, 40}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    static int CheckedIndex(int AIndex, const char *method);
    void PaintSquares(QPainter &p);
    void PaintTriangles(QPainter &p);
    bool FTriangle = false;
    int FOffset = 1;
    std::array<QString, SurfaceCount> FValue;
    toolkit::TColor FPenColor = toolkit::clWindowText;
    std::array<toolkit::TColor, SurfaceCount> FFillColor;
    std::array<toolkit::TColor, SurfaceCount> FFontColor;
};

// A 16 × 16 panel showing a business object's icon. A persistence object
// is drawn through the icon holder's CustomDrawIcon, anything else from
// ObjectImageList. The object is not owned: clear it before it goes.
class TOVLET_EXPORT TIMireloObjectIconPanel : public marvok::TIPanel
{
    Q_OBJECT
    Q_PROPERTY(int aiImageIndex READ aiImageIndex WRITE setAiImageIndex)
    Q_PROPERTY(int aiOffsetLeft READ aiOffsetLeft WRITE setAiOffsetLeft)
    Q_PROPERTY(int aiOffsetTop READ aiOffsetTop WRITE setAiOffsetTop)
public:
    explicit TIMireloObjectIconPanel(QWidget *parent = nullptr);

    int aiImageIndex() const { return FImageIndex; }
    void setAiImageIndex(int v);
    int aiOffsetLeft() const { return FOffsetLeft; }
    void setAiOffsetLeft(int v);
    int aiOffsetTop() const { return FOffsetTop; }
    void setAiOffsetTop(int v);
    // The object shown, whatever its kind (nullptr: none).
    const void *aiObject() const { return FObject; }
    // A domain object's own image index becomes the panel's.
    void SetObject(pelvar::TplDomainObject *AObject);
    // Any other object: kept, with no image.
    void SetObject(const void *AObject);
    void SetObject(std::nullptr_t) { SetObject(static_cast<const void *>(nullptr)); }

    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int FImageIndex = -1;
    int FOffsetLeft = 0;
    int FOffsetTop = 0;
    const void *FObject = nullptr;
    pelvar::TplDomainObject *FDomainObject = nullptr;
};

// A list box whose images come from aiDefaultImageList when that is set at
// creation.
class TOVLET_EXPORT TICustomHCListBox : public marvok::TIListBox
{
    Q_OBJECT
public:
    explicit TICustomHCListBox(QWidget *parent = nullptr);
    marvok::TIImageList *aiImages() const { return Images(); }
    void setAiImages(marvok::TIImageList *images);
    void ForceRefresh();
};

} // namespace tovlet
