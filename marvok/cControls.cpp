#include "cControls.h"
#include "Idialogs.h"

#include "toolkit/Exception.h"

#include <QApplication>
#include <QChildEvent>
#include <QMetaMethod>
#include <QDialog>
#include <QPainter>
#include <QTimer>
#include <QStyleOptionTab>
#include <algorithm>
#include <cstdlib>
#include <limits>

namespace marvok {

void SetTag(QWidget *control, int tag)
{
    control->setProperty("aiTag", tag);
}

int Tag(const QWidget *control)
{
    return control->property("aiTag").toInt();
}

QWidget *ColorTarget(QWidget *control)
{
    // A composite control (a code entry with its button and label) shows its
    // value in the widget it passes the focus to; an editable combo box in its
    // line edit.
    QWidget *w = control;
    for (int guard = 0; w && w->focusProxy() && guard < 8; ++guard)
        w = w->focusProxy();
    if (auto *combo = qobject_cast<QComboBox *>(w); combo && combo->lineEdit())
        w = combo->lineEdit();
    return w ? w : control;
}

namespace {
// Where a control paints its background: a combo box without an edit paints
// its face in the button colour, everything else in the base colour.
QPalette::ColorRole BackgroundRole(const QWidget *w)
{
    const auto *combo = qobject_cast<const QComboBox *>(w);
    return combo && !combo->isEditable() ? QPalette::Button : QPalette::Base;
}
} // namespace

void SetControlColor(QWidget *control, toolkit::TColor color)
{
    QWidget *target = ColorTarget(control);
    for (QWidget *w : {control, target}) {
        const QPalette::ColorRole role = BackgroundRole(w);
        // The window colour is the control's own default background.
        const QColor c = color == toolkit::clDefault || color == toolkit::clWindow ? QPalette().color(role)
                                                                                    : toolkit::ColorToQColor(color);
        QPalette pal = w->palette();
        pal.setColor(role, c);
        w->setPalette(pal);
    }
}

namespace {
toolkit::TColor &FocusColor()
{
    static toolkit::TColor color = toolkit::clWindow;
    return color;
}
} // namespace

toolkit::TColor aiClFocus()
{
    return FocusColor();
}

void SetAiClFocus(toolkit::TColor color)
{
    FocusColor() = color;
}

toolkit::TColor ControlColor(const QWidget *control)
{
    // What the control shows, whoever set it (a palette, a host's own code).
    const QWidget *target = ColorTarget(const_cast<QWidget *>(control));
    const QPalette::ColorRole role = BackgroundRole(target);
    const QColor shown = target->palette().color(role);
    if (shown == QPalette().color(role))
        return toolkit::clWindow;
    return toolkit::QColorToColor(shown);
}

// --- panels ------------------------------------------------------------------------------

TIPanel::TIPanel(QWidget *parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
}

TIArrangePanel::TIArrangePanel(QWidget *parent)
    : TIPanel(parent)
{
}

struct TIArrangePanel::TBlock
{
    QVector<int> ColumnWidths;
    QVector<int> RowHeights;
    int Columns = 1;
    int Width() const
    {
        int w = 0;
        for (int c : ColumnWidths)
            w += c;
        return ColumnWidths.isEmpty() ? 0 : w + (int(ColumnWidths.size()) - 1) * Space;
    }
    int Height(int spaceRows) const
    {
        int h = 0;
        for (int r : RowHeights)
            h += r;
        return RowHeights.isEmpty() ? 0 : h + (int(RowHeights.size()) - 1) * spaceRows;
    }
    int Space = 0;
};

namespace {
QSize ControlSize(const QWidget *w)
{
    return w->size().isEmpty() ? w->sizeHint() : w->size();
}
} // namespace

void TIArrangePanel::SetValue(int &field, int value)
{
    if (field == value)
        return;
    field = value;
    Arrange();
}

QList<QWidget *> TIArrangePanel::SideControls(bool right) const
{
    QList<QWidget *> controls;
    for (const QPointer<QObject> &o : FAdded)
        if (auto *w = qobject_cast<QWidget *>(o.data()); w && w->parent() == this && !w->isWindow() && !w->isHidden()
                                                          && (Tag(w) > 0) == right)
            controls << w;
    // Tag 0 sorts after every tag of the left block.
    const auto place = [](const QWidget *w) { return Tag(w) == 0 ? std::numeric_limits<int>::max() : std::abs(Tag(w)); };
    std::stable_sort(controls.begin(), controls.end(), [&](QWidget *a, QWidget *b) { return place(a) < place(b); });
    return controls;
}

TIArrangePanel::TBlock TIArrangePanel::Measure(const QList<QWidget *> &controls, int columns) const
{
    TBlock b;
    b.Space = FSpaceColumns;
    if (controls.isEmpty())
        return b;
    b.Columns = columns > 0 ? columns : int(controls.size());
    b.ColumnWidths.fill(0, std::min<int>(b.Columns, int(controls.size())));
    b.RowHeights.fill(0, (int(controls.size()) + b.Columns - 1) / b.Columns);
    for (int i = 0; i < controls.size(); ++i) {
        const QSize s = ControlSize(controls.at(i));
        b.ColumnWidths[i % b.Columns] = std::max(b.ColumnWidths.at(i % b.Columns), s.width());
        b.RowHeights[i / b.Columns] = std::max(b.RowHeights.at(i / b.Columns), s.height());
    }
    return b;
}

void TIArrangePanel::Arrange()
{
    if (FArranging)
        return;
    FArranging = true;
    for (const bool right : {false, true}) {
        const QList<QWidget *> controls = SideControls(right);
        const TBlock b = Measure(controls, right ? FRightColumns : FLeftColumns);
        const int left = !right ? FMargin : width() - FMargin - (FRightWidth > 0 ? FRightWidth : b.Width());
        int y = FMargin;
        for (int row = 0, i = 0; row < b.RowHeights.size(); ++row) {
            int x = left;
            for (int col = 0; col < b.Columns && i < controls.size(); ++col, ++i) {
                QWidget *w = controls.at(i);
                w->setGeometry(QRect(QPoint(x, y), ControlSize(w)));
                x += b.ColumnWidths.at(col) + FSpaceColumns;
            }
            y += b.RowHeights.at(row) + FSpaceRows;
        }
    }
    FArranging = false;
}

QSize TIArrangePanel::sizeHint() const
{
    const TBlock left = Measure(SideControls(false), FLeftColumns);
    const TBlock right = Measure(SideControls(true), FRightColumns);
    const int rightWidth = FRightWidth > 0 ? FRightWidth : right.Width();
    const int between = left.Width() > 0 && rightWidth > 0 ? FSpaceColumns : 0;
    return {2 * FMargin + left.Width() + between + rightWidth,
            2 * FMargin + std::max(left.Height(FSpaceRows), right.Height(FSpaceRows))};
}

void TIArrangePanel::resizeEvent(QResizeEvent *event)
{
    TIPanel::resizeEvent(event);
    Arrange();
}

void TIArrangePanel::childEvent(QChildEvent *event)
{
    TIPanel::childEvent(event);
    if (event->added() && !FAdded.contains(event->child()))
        FAdded << event->child();
    if (event->removed()) {
        FAdded.removeAll(event->child());
        FAdded.removeAll(nullptr); // children already being destroyed
    }
    if (event->added() || event->removed())
        QMetaObject::invokeMethod(this, [this] { Arrange(); }, Qt::QueuedConnection);
}

bool TIArrangePanel::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest)
        Arrange();
    return TIPanel::event(event);
}

// --- image list ----------------------------------------------------------------------------

TIImageList::TIImageList(int width, int height, QObject *owner)
    : QObject(owner)
    , FWidth(width)
    , FHeight(height)
{
}

int TIImageList::Add(const QPixmap &image)
{
    FImages.append(image.size() == QSize(FWidth, FHeight) ? image
                                                          : image.scaled(FWidth, FHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return int(FImages.size()) - 1;
}

QIcon TIImageList::Icon(int index) const
{
    return index >= 0 && index < FImages.size() ? QIcon(FImages.at(index)) : QIcon();
}

void TIImageList::Draw(QPainter *painter, int x, int y, int index, bool enabled) const
{
    if (index < 0 || index >= FImages.size())
        return;
    painter->drawPixmap(x, y, enabled ? FImages.at(index) : QIcon(FImages.at(index)).pixmap(FWidth, FHeight, QIcon::Disabled));
}

// --- simple controls --------------------------------------------------------------------------

TIEdit::TIEdit(QWidget *parent)
    : QLineEdit(parent)
{
}

TIMemo::TIMemo(QWidget *parent)
    : QPlainTextEdit(parent)
{
}

TIBitBtn::TIBitBtn(const QString &caption, QWidget *parent)
    : QPushButton(caption, parent)
{
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] {
        if (FAction) {
            // The action closes the dialog when it runs; a refused one keeps it open.
            FAction->trigger();
            return;
        }
        if (FModalResult == 0)
            return;
        if (auto *dlg = qobject_cast<QDialog *>(window()))
            dlg->done(FModalResult);
    });
}

void TIBitBtn::SetAction(QAction *action)
{
    if (FAction == action)
        return;
    if (FAction)
        disconnect(FAction, nullptr, this, nullptr);
    FAction = action;
    if (action) {
        setEnabled(action->isEnabled());
        connect(action, &QAction::enabledChanged, this, &QWidget::setEnabled);
    }
}

void TIBitBtn::SetImages(TIImageList *images, int imageIndex)
{
    if (images) {
        setIcon(images->Icon(imageIndex));
        setIconSize(QSize(images->Width(), images->Height()));
    }
}

TIListBox::TIListBox(QWidget *parent)
    : QListWidget(parent)
{
}

int TIListBox::AddItem(const QString &text, int imageIndex)
{
    auto *item = new QListWidgetItem(text, this);
    if (FImages && imageIndex >= 0)
        item->setIcon(FImages->Icon(imageIndex));
    return row(item);
}

TIComboBox::TIComboBox(QWidget *parent)
    : QComboBox(parent)
{
}

// --- page control -------------------------------------------------------------------------------

namespace {
// Paints the style's tabs, then hands each visible tab to the control.
class TIPageTabBar : public QTabBar
{
public:
    explicit TIPageTabBar(TIPageControl *control) : QTabBar(control), FControl(control) {}

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QTabBar::paintEvent(event);
        QPainter p(this);
        int shown = -1;
        for (int i = 0; i < count(); ++i) {
            if (!isTabVisible(i))
                continue;
            ++shown;
            p.save();
            FControl->DrawTab(&p, shown, tabRect(i), i == currentIndex());
            p.restore();
        }
    }

private:
    TIPageControl *FControl;
};
} // namespace

TIPageControl::TIPageControl(QWidget *parent)
    : QTabWidget(parent)
{
    setTabBar(new TIPageTabBar(this));
}

bool TIPageControl::CanShowTab(int index)
{
    return index >= 0 && index < count();
}

void TIPageControl::DrawTab(QPainter *, int, const QRect &, bool)
{
}

void TIPageControl::UpdateTabs()
{
    for (int i = 0; i < count(); ++i)
        setTabVisible(i, CanShowTab(i));
}

// --- data-aware controls -------------------------------------------------------------------------

// A data-aware control's link. A move to another record or a change of the
// whole data set shows the field again; other notices keep what the user is
// typing. Before the data set posts, the typed text goes into the field.
class TIDBControlLink : public toolkit::TDataLink
{
public:
    TIDBControlLink(std::function<void(bool force)> refresh, std::function<void()> update)
        : FRefresh(std::move(refresh)), FUpdate(std::move(update)) {}

protected:
    void ActiveChanged() override
    {
        // Told of every state change; only opening or closing shows the field anew.
        if (Active() == FWasActive)
            return;
        FWasActive = Active();
        FRefresh(true);
    }
    void DataSetChanged() override { FRefresh(true); }
    void DataSetScrolled(int) override { FRefresh(true); }
    void RecordChanged(toolkit::TField *) override { FRefresh(false); }
    void EditingChanged() override { FRefresh(false); }
    void UpdateData() override { FUpdate(); }

private:
    std::function<void(bool)> FRefresh;
    std::function<void()> FUpdate;
    bool FWasActive = false;
};

namespace {

toolkit::TField *LinkedField(const toolkit::TDataLink &link, const QString &name)
{
    toolkit::TDataSet *ds = link.Active() ? link.DataSet() : nullptr;
    return ds && !name.isEmpty() ? ds->FindField(name) : nullptr;
}

// Writes text into a field; reports a refusal in a message box.
bool WriteField(toolkit::TField *field, const QString &text)
{
    if (!field || field->Text() == text)
        return true;
    toolkit::TDataSet *ds = field->DataSet();
    try {
        if (ds->State() == toolkit::TDataSetState::dsBrowse)
            ds->Edit();
        field->SetText(text);
        return true;
    } catch (const toolkit::Exception &e) {
        IMessageDlg(e.UserMessage(), mtError, mbOK);
        return false;
    }
}

// What a data-aware control's user typed goes into its field. A refusal is
// reported once per attempt: the message box takes the focus and losing the
// focus finishes editing again, and the mouse press on OK that made the edit
// lose the focus is followed by OK's own commit. The typed text stays,
// selected, for the user to correct.
template <class TEdit>
bool WriteTyped(TEdit *edit, toolkit::TField *field, const QString &text, bool &updating, bool &reported)
{
    if (updating || reported)
        return false;
    updating = true;
    const bool ok = WriteField(field, text);
    updating = false;
    if (ok)
        return true;
    reported = true;
    QTimer::singleShot(0, edit, [&reported] { reported = false; });
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    return false;
}

bool Editable(toolkit::TField *field)
{
    return field && !field->ReadOnly() && field->DataSet()->CanModify();
}

// The first key the user types puts the data set into edit mode, so that
// moving to another record saves the text instead of losing it.
void StartEditing(toolkit::TField *field)
{
    if (!Editable(field) || field->DataSet()->State() != toolkit::TDataSetState::dsBrowse)
        return;
    try {
        field->DataSet()->Edit();
    } catch (const toolkit::Exception &e) {
        IMessageDlg(e.UserMessage(), mtError, mbOK);
    }
}

} // namespace

TIDBEdit::TIDBEdit(QWidget *parent)
    : QLineEdit(parent)
    , FLink(std::make_unique<TIDBControlLink>(
          [this](bool force) {
              if (force || !isModified())
                  Refresh();
          },
          [this] {
              if (isModified())
                  WriteField(Field(), text());
          }))
{
    connect(this, &QLineEdit::textEdited, this, [this] {
        FRefusalReported = false; // a new attempt
        StartEditing(Field());
    });
    connect(this, &QLineEdit::editingFinished, this, [this] {
        if (isModified())
            UpdateRecord();
    });
    Refresh();
}

TIDBEdit::~TIDBEdit()
{
    FLink->SetDataSource(nullptr);
}

toolkit::TDataSource *TIDBEdit::GetDataSource() const
{
    return FLink->DataSource();
}

void TIDBEdit::SetDataSource(toolkit::TDataSource *source)
{
    FLink->SetDataSource(source);
}

void TIDBEdit::SetDataField(const QString &name)
{
    FDataField = name;
    Refresh();
}

toolkit::TField *TIDBEdit::Field() const
{
    return LinkedField(*FLink, FDataField);
}

void TIDBEdit::Refresh()
{
    toolkit::TField *f = Field();
    const QString t = f ? f->Text() : QString();
    if (text() != t)
        setText(t);
    setModified(false);
    setReadOnly(!Editable(f));
    if (f && f->Size() > 0)
        setMaxLength(f->Size());
}

bool TIDBEdit::UpdateRecord()
{
    if (!WriteTyped(this, Field(), text(), FUpdating, FRefusalReported))
        return false;
    setModified(false);
    return true;
}

bool TIDBEdit::CommitEdit()
{
    return !isModified() || UpdateRecord();
}

TIDBMemo::TIDBMemo(QWidget *parent)
    : QPlainTextEdit(parent)
    , FLink(std::make_unique<TIDBControlLink>(
          [this](bool force) {
              if (force || !document()->isModified())
                  Refresh();
          },
          [this] {
              if (document()->isModified())
                  WriteField(Field(), toPlainText());
          }))
{
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (document()->isModified()) {
            FRefusalReported = false;
            StartEditing(Field());
        }
    });
    Refresh();
}

TIDBMemo::~TIDBMemo()
{
    FLink->SetDataSource(nullptr);
}

toolkit::TDataSource *TIDBMemo::GetDataSource() const
{
    return FLink->DataSource();
}

void TIDBMemo::SetDataSource(toolkit::TDataSource *source)
{
    FLink->SetDataSource(source);
}

void TIDBMemo::SetDataField(const QString &name)
{
    FDataField = name;
    Refresh();
}

toolkit::TField *TIDBMemo::Field() const
{
    return LinkedField(*FLink, FDataField);
}

void TIDBMemo::Refresh()
{
    toolkit::TField *f = Field();
    const QString t = f ? f->Text() : QString();
    if (toPlainText() != t)
        setPlainText(t);
    document()->setModified(false);
    setReadOnly(!Editable(f));
}

bool TIDBMemo::UpdateRecord()
{
    if (!WriteTyped(this, Field(), toPlainText(), FUpdating, FRefusalReported))
        return false;
    document()->setModified(false);
    return true;
}

bool TIDBMemo::CommitEdit()
{
    return !document()->isModified() || UpdateRecord();
}

void TIDBMemo::focusOutEvent(QFocusEvent *event)
{
    if (document()->isModified())
        UpdateRecord();
    QPlainTextEdit::focusOutEvent(event);
}

bool CommitFocusedEditor(QWidget *form)
{
    QWidget *focused = QApplication::focusWidget();
    if (!focused || !form || (focused != form && !form->isAncestorOf(focused)))
        return true;
    for (QWidget *w = focused; w && w != form; w = w->parentWidget()) {
        const int method = w->metaObject()->indexOfMethod("CommitEdit()");
        if (method < 0)
            continue;
        bool ok = true;
        w->metaObject()->method(method).invoke(w, Qt::DirectConnection, Q_RETURN_ARG(bool, ok));
        return ok;
    }
    if (auto *edit = qobject_cast<QLineEdit *>(focused); edit && edit->isModified())
        Q_EMIT edit->editingFinished();
    return true;
}

} // namespace marvok
