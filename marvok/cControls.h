// Visual base controls of the utility library.
//
// Every control takes a tag (SetTag/Tag, the original's Tag property), a
// colour as TColor where the original had one, and a QObject owner.
// TIArrangePanel arranges its controls in a block of columns at the left and
// another at the right, by their tags: tag -k goes to the k-th place of the
// left block (-1 leftmost), tag k to the k-th place of the right block (1
// leftmost), tag 0 to the left block after the tagged ones; equal tags keep
// the order the controls were added in. Hidden controls take no place.
// aILeftColumns / aIRightColumns are the blocks' column counts (0: one
// column per control); more controls than columns wrap into further rows,
// aISpaceRows apart. Each column is as wide as its widest control (controls
// keep their own sizes), columns are aISpaceColumns apart; aIRightWidth, when
// set, makes the right block that wide, ending at the right margin, else it
// is as wide as its columns. aIMargin is the border around both blocks.
// TIPageControl hides the tabs CanShowTab refuses and lets subclasses paint
// over each tab (DrawTab) after the style did.
#pragma once

#include "marvok/marvok_export.h"
#include "toolkit/DB.h"
#include "toolkit/Graphics.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <functional>
#include <memory>

namespace marvok {

MARVOK_EXPORT void SetTag(QWidget *control, int tag);
MARVOK_EXPORT int Tag(const QWidget *control);
// Background of an edit-like control; clDefault gives the window colour back.
// A composite control is coloured where it shows its value: the widget it
// passes the focus to (a code entry's edit), an editable combo box's edit.
MARVOK_EXPORT void SetControlColor(QWidget *control, toolkit::TColor color);
// The colour the control shows; clWindow when it shows the window colour.
MARVOK_EXPORT toolkit::TColor ControlColor(const QWidget *control);
// The colour of the editor the user is typing in (a grid's cell editor); the
// window colour until the host chooses another.
MARVOK_EXPORT toolkit::TColor aiClFocus();
MARVOK_EXPORT void SetAiClFocus(toolkit::TColor color);
// The widget that shows a control's value and colour.
MARVOK_EXPORT QWidget *ColorTarget(QWidget *control);

class MARVOK_EXPORT TIPanel : public QFrame
{
    Q_OBJECT
public:
    explicit TIPanel(QWidget *parent = nullptr);
};

class MARVOK_EXPORT TIArrangePanel : public TIPanel
{
    Q_OBJECT
    Q_PROPERTY(int aILeftColumns READ aILeftColumns WRITE setAILeftColumns)
    Q_PROPERTY(int aIRightColumns READ aIRightColumns WRITE setAIRightColumns)
    Q_PROPERTY(int aIRightWidth READ aIRightWidth WRITE setAIRightWidth)
    Q_PROPERTY(int aISpaceColumns READ aISpaceColumns WRITE setAISpaceColumns)
    Q_PROPERTY(int aISpaceRows READ aISpaceRows WRITE setAISpaceRows)
    Q_PROPERTY(int aIMargin READ aIMargin WRITE setAIMargin)
public:
    explicit TIArrangePanel(QWidget *parent = nullptr);
    int aILeftColumns() const { return FLeftColumns; }
    void setAILeftColumns(int v) { SetValue(FLeftColumns, v); }
    int aIRightColumns() const { return FRightColumns; }
    void setAIRightColumns(int v) { SetValue(FRightColumns, v); }
    int aIRightWidth() const { return FRightWidth; }
    void setAIRightWidth(int v) { SetValue(FRightWidth, v); }
    int aISpaceColumns() const { return FSpaceColumns; }
    void setAISpaceColumns(int v) { SetValue(FSpaceColumns, v); }
    int aISpaceRows() const { return FSpaceRows; }
    void setAISpaceRows(int v) { SetValue(FSpaceRows, v); }
    int aIMargin() const { return FMargin; }
    void setAIMargin(int v) { SetValue(FMargin, v); }
    void Arrange();
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void childEvent(QChildEvent *event) override;
    bool event(QEvent *event) override;

private:
    struct TBlock;
    void SetValue(int &field, int value);
    // The shown controls of one side in their places.
    QList<QWidget *> SideControls(bool right) const;
    TBlock Measure(const QList<QWidget *> &controls, int columns) const;
    int FLeftColumns = 0;
    int FRightColumns = 0;
    int FRightWidth = 0;
    int FSpaceColumns = 2;
    int FSpaceRows = 2;
    int FMargin = 4;
    bool FArranging = false;
    // Controls in the order they were added (children() follows raise/lower).
    QList<QPointer<QObject>> FAdded;
};

class MARVOK_EXPORT TIImageList : public QObject
{
    Q_OBJECT
public:
    explicit TIImageList(int width = 16, int height = 16, QObject *owner = nullptr);
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const { return int(FImages.size()); }
    // Scaled to the list's size; returns the new index.
    int Add(const QPixmap &image);
    QPixmap Pixmap(int index) const { return FImages.value(index); }
    QIcon Icon(int index) const;
    void Draw(QPainter *painter, int x, int y, int index, bool enabled = true) const;
    void Clear() { FImages.clear(); }

private:
    int FWidth, FHeight;
    QList<QPixmap> FImages;
};

class MARVOK_EXPORT TIEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TIEdit(QWidget *parent = nullptr);
    QString Text() const { return text(); }
    bool Modified() const { return isModified(); }
};

class MARVOK_EXPORT TIMemo : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TIMemo(QWidget *parent = nullptr);
    QString Text() const { return toPlainText(); }
    void SetText(const QString &t) { setPlainText(t); }
    bool Modified() const { return document()->isModified(); }
};

class MARVOK_EXPORT TIBitBtn : public QPushButton
{
    Q_OBJECT
public:
    explicit TIBitBtn(const QString &caption = {}, QWidget *parent = nullptr);
    // Clicking closes the dialog the button is on with this result (0: none),
    // unless the button runs an action: then the action alone decides, so that
    // an action the user may not run leaves the dialog open.
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int r) { FModalResult = r; }
    // The action a click runs; the button follows its enabled state.
    QAction *Action() const { return FAction; }
    void SetAction(QAction *action);
    // The button Escape presses.
    bool Cancel() const { return FCancel; }
    void SetCancel(bool v) { FCancel = v; }
    void SetImages(TIImageList *images, int imageIndex);

private:
    int FModalResult = 0;
    bool FCancel = false;
    QPointer<QAction> FAction;
};

class MARVOK_EXPORT TIListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit TIListBox(QWidget *parent = nullptr);
    TIImageList *Images() const { return FImages; }
    void SetImages(TIImageList *images) { FImages = images; }
    int AddItem(const QString &text, int imageIndex = -1);

private:
    QPointer<TIImageList> FImages;
};

class MARVOK_EXPORT TIComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TIComboBox(QWidget *parent = nullptr);
};

class TIPageControl;

class MARVOK_EXPORT TIPageControl : public QTabWidget
{
    Q_OBJECT
public:
    explicit TIPageControl(QWidget *parent = nullptr);
    TIImageList *Images() const { return FImages; }
    void SetImages(TIImageList *images) { FImages = images; }
    // The code under which the pages' rights are kept (set by the form).
    QString PageControlCode() const { return FCode; }
    void SetPageControlCode(const QString &code) { FCode = code; }
    int PageCount() const { return count(); }
    QWidget *Pages(int index) const { return widget(index); }
    // Shows or hides each tab by CanShowTab.
    void UpdateTabs();

    virtual bool CanShowTab(int index);
    // After the style painted tab `tabIndex` (counted among shown tabs).
    virtual void DrawTab(QPainter *painter, int tabIndex, const QRect &rect, bool active);

private:
    QPointer<TIImageList> FImages;
    QString FCode;
};

// Shows a field's edit text and writes what the user typed back into it.
class MARVOK_EXPORT TIDBEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TIDBEdit(QWidget *parent = nullptr);
    ~TIDBEdit() override;
    toolkit::TDataSource *GetDataSource() const;
    void SetDataSource(toolkit::TDataSource *source);
    QString GetDataField() const { return FDataField; }
    void SetDataField(const QString &name);
    toolkit::TField *Field() const;
    // Writes the text into the field (putting the data set into edit mode);
    // a text the field refuses is reported and stays in the edit, selected
    // and still modified, for the user to correct.
    bool UpdateRecord();
    // Commits what was typed before a dialog confirms (see CommitFocusedEditor).
    Q_INVOKABLE bool CommitEdit();
    void Refresh();

private:
    std::unique_ptr<class TIDBControlLink> FLink;
    QString FDataField;
    bool FUpdating = false;
    bool FRefusalReported = false;
};

class MARVOK_EXPORT TIDBMemo : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TIDBMemo(QWidget *parent = nullptr);
    ~TIDBMemo() override;
    toolkit::TDataSource *GetDataSource() const;
    void SetDataSource(toolkit::TDataSource *source);
    QString GetDataField() const { return FDataField; }
    void SetDataField(const QString &name);
    toolkit::TField *Field() const;
    bool UpdateRecord();
    Q_INVOKABLE bool CommitEdit();
    void Refresh();

protected:
    void focusOutEvent(QFocusEvent *event) override;

private:
    std::unique_ptr<class TIDBControlLink> FLink;
    QString FDataField;
    bool FUpdating = false;
    bool FRefusalReported = false;
};

// Lets the editor that has the focus inside `form` commit what was typed, as
// leaving it would, before the form goes ahead (a dialog's OK). An editor
// takes part by a `Q_INVOKABLE bool CommitEdit()`, which reports a refusal
// to the user and answers false; the first such widget from the focused one
// up to the form is asked. A plain line edit finishes its editing. False:
// the editor refused, keeps the focus and the form must not go ahead.
MARVOK_EXPORT bool CommitFocusedEditor(QWidget *form);

// Keys of the options the PDF viewer is shown with.
enum class TIShowPDFOption {
    spoStream, spoCaption, spoPrintHandler, spoEmailHandler, spoActionEvent, spoParent,
    spoPrintImmediately, spoCopies, spoPrinterName
};

// Runs its release when the last holder lets go (held through shared_ptr).
class MARVOK_EXPORT TIObjectGuard
{
public:
    explicit TIObjectGuard(std::function<void()> release) : FRelease(std::move(release)) {}
    ~TIObjectGuard()
    {
        if (FRelease)
            FRelease();
    }
    TIObjectGuard(const TIObjectGuard &) = delete;
    TIObjectGuard &operator=(const TIObjectGuard &) = delete;

private:
    std::function<void()> FRelease;
};

} // namespace marvok
