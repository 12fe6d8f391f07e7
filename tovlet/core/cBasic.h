// The framework classes that tie the host's windows, actions and tab pages
// to the authorisation service, the package-wide globals, and the basic
// visual controls host forms place directly: one tooth of a dental chart,
// the icon of a business object, and a list box with an image list that UI
// views can refresh.
//
// Rights are asked by name: an action as "<action list name>.<action name>",
// a tab page as "<window code of the form's class>.<page control name><page
// number from 1>". Singletons come from ApplicationFrameworkUtils() and
// UIUpdate() and are freed when the package unloads.
#pragma once

#include "marvok/cControls.h"
#include "pelvar/plCore.h"
#include "toolkit/ActnList.h"
#include "toolkit/Exception.h"
#include "toolkit/Graphics.h"
#include "tovlet/tovlet_export.h"

#include <array>
#include <cstddef>
#include <QPointer>
#include <functional>

namespace tovlet {

// Background of the active tab of every TIMireloPageControl (start: button face).
TOVLET_EXPORT extern toolkit::TColor aiActivePageColor;
// Image list the framework's list boxes take when created (not owned).
TOVLET_EXPORT extern marvok::TIImageList *aiDefaultImageList;

class TOVLET_EXPORT TIApplicationFrameworkUtils
{
public:
    using TIApplicationFrameworkUtilsGetWindowCode = std::function<void(const QString &AInputName, QString &OutPutName)>;
    TIApplicationFrameworkUtilsGetWindowCode aiGetWindowCodeEvent() const { return FGetWIndowCode; }
    void setAiGetWindowCodeEvent(TIApplicationFrameworkUtilsGetWindowCode e) { FGetWIndowCode = std::move(e); }
    // The host's code for a window name; the name itself without an event.
    QString GetWindowCode(const QString &AInputName) const;

private:
    TIApplicationFrameworkUtilsGetWindowCode FGetWIndowCode;
};

// A flag for host code: the user interface is being updated. No nesting:
// one EndUpdate ends any number of BeginUpdate calls.
class TOVLET_EXPORT TIUIUpdate
{
public:
    bool aiUpdating() const { return FUpdating; }
    void setAiUpdating(bool v) { FUpdating = v; }
    void BeginUpdate() { FUpdating = true; }
    void EndUpdate() { FUpdating = false; }

private:
    bool FUpdating = false;
};

TOVLET_EXPORT TIApplicationFrameworkUtils *ApplicationFrameworkUtils();
TOVLET_EXPORT TIUIUpdate *UIUpdate();

// An action list whose actions are enabled and run only when the current
// user has the right to them.
class TOVLET_EXPORT TIMireloActionList : public toolkit::TCustomActionList
{
    Q_OBJECT
public:
    explicit TIMireloActionList(QObject *owner = nullptr);

    pelvar::TplDomainObject *aiBoAuthorisationObject() const { return FboAuthorisationObject; }
    void setAiBoAuthorisationObject(pelvar::TplDomainObject *o) { FboAuthorisationObject = o; }

    QString GetGuiActionName(const QAction *action) const;
    bool UpdateAction(QAction *action) override;
    bool ExecuteAction(QAction *action) override;
    void RefreshActions();

    // The caption as the refusal shows it: single "&" marks removed, "&&" kept as "&".
    static QString StripAccelerators(const QString &caption);

private:
    pelvar::TplDomainObject *FboAuthorisationObject = nullptr;
};

// A page control that collapses the pages the user may not see.
// Rights checks need the open "_ZDR" connection: the authorisation service
// raises an error without it. A page control on a form used before the
// connection opens (a login or settings form) should be a plain
// marvok::TIPageControl. Errors of a page switch, of showing, painting and of
// the host's events never leave the control: the pages keep their state and
// the user sees the error in a message box (toolkit::HandleException), once,
// after the event that failed.
class TOVLET_EXPORT TIMireloPageControl : public marvok::TIPageControl
{
    Q_OBJECT
public:
    using TIMireloPageControlCanShowEvent = std::function<void(QWidget *ATabSheet, bool &ACanShow)>;
    using TIMireloPageControlGetColorForTab = std::function<void(int ATabIndex, toolkit::TColor &AColor)>;

    explicit TIMireloPageControl(QWidget *parent = nullptr);

    pelvar::TplDomainObject *aiBoAuthorisationObject() const { return FboAuthorisationObject; }
    void setAiBoAuthorisationObject(pelvar::TplDomainObject *o) { FboAuthorisationObject = o; }
    bool aiReadOnly() const { return FReadOnly; }
    void setAiReadOnly(bool v) { FReadOnly = v; }
    TIMireloPageControlCanShowEvent aiCanShowEvent() const { return FCanShowEvent; }
    void setAiCanShowEvent(TIMireloPageControlCanShowEvent e) { FCanShowEvent = std::move(e); }
    TIMireloPageControlGetColorForTab aiGetColorForTab() const { return FGetColorForTab; }
    void setAiGetColorForTab(TIMireloPageControlGetColorForTab e) { FGetColorForTab = std::move(e); }
    // While a form designer holds the control, nothing is asked.
    bool IsDesigning() const { return FDesigning; }
    void SetDesigning(bool v) { FDesigning = v; }

    QString GetGuiSheetCode(QWidget *sheet) const;
    bool CanShowTab(int index) override;
    bool IsEnabledTab(int) const { return true; }
    // A page that may not be shown keeps its tab but collapses to no height.
    void MakeTabSheetVisible(bool AVisible, int index);
    bool IsCollapsed(int index) const;
    // The pass over every page the original ran when painting.
    void CheckPages();
    void DrawTab(QPainter *painter, int tabIndex, const QRect &rect, bool active) override;

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void Change(int index);
    void DrawTabGuarded(QPainter *painter, int tabIndex, const QRect &rect, bool active);
    // Runs work; an error goes to the user after the event. False on error.
    // A rights check that works again lets the next error be told again.
    bool Guarded(const std::function<void()> &work, bool asksRights = true);
    void ReportError(const toolkit::Exception &e);
    QString FLastError;
    bool FCheckQueued = false;
    pelvar::TplDomainObject *FboAuthorisationObject = nullptr;
    bool FReadOnly = false;
    bool FDesigning = false;
    TIMireloPageControlCanShowEvent FCanShowEvent;
    TIMireloPageControlGetColorForTab FGetColorForTab;
};

// --- visual controls that host forms place directly ---------------------------------


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
