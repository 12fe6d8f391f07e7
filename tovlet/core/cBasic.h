// The non-visual framework classes that tie the host's windows, actions and
// tab pages to the authorisation service, and the package-wide globals.
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

} // namespace tovlet
