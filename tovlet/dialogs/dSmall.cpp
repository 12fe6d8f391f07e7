#include "dSmall.h"

#include "marvok/Idialogs.h"
#include "toolkit/Exception.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QJsonObject>
#include <QPluginLoader>
#include <QPrintDialog>
#include <QPrinter>
#include <QSettings>
#include <QVBoxLayout>

namespace tovlet {

// --- progress ------------------------------------------------------------------------

TdlgProgress::TdlgProgress(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgProgress"));
    setWindowTitle(QStringLiteral("Obdelava"));
    auto *layout = new QVBoxLayout(this);
    FMessage = new QLabel(this);
    FMessage->setObjectName(QStringLiteral("laMessage"));
    FBar = new QProgressBar(this);
    FBar->setMaximum(100);
    FCancel = new QPushButton(QStringLiteral("Prekliči"), this);
    FCancel->setObjectName(QStringLiteral("btPreklici"));
    connect(FCancel, &QPushButton::clicked, this, [this] { FCancelled = true; });
    layout->addWidget(FMessage);
    layout->addWidget(FBar);
    layout->addWidget(FCancel, 0, Qt::AlignRight);
    resize(360, 110);
}

void TdlgProgress::OnShowProgress(QObject *, const QString &Message, int Position, int Max, bool Show, bool &Cancel)
{
    setVisible(Show);
    FMessage->setText(Message);
    FBar->setMaximum(Max);
    FBar->setValue(Position);
    QApplication::processEvents();
    Cancel = FCancelled;
}

// --- reason -----------------------------------------------------------------------------

TdlgReason::TdlgReason(QWidget *parent)
    : TdlgZDR(parent)
{
    setWindowTitle(QStringLiteral("Vnos razloga"));
    auto *layout = new QVBoxLayout(paDialog());
    FInfo = new QLabel(paDialog());
    FInfo->setObjectName(QStringLiteral("laInfo"));
    FInfo->setWordWrap(true);
    FInfo->hide();
    FLabel = new QLabel(QStringLiteral("Razlog"), paDialog());
    FLabel->setObjectName(QStringLiteral("laRazlog"));
    FEdit = new QLineEdit(paDialog());
    FEdit->setObjectName(QStringLiteral("edRazlog"));
    FLabel->setBuddy(FEdit);
    layout->addWidget(FInfo);
    layout->addWidget(FLabel);
    layout->addWidget(FEdit);
    layout->addStretch();
    // Enter in the edit presses OK.
    connect(FEdit, &QLineEdit::returnPressed, this, [this] { btOK()->click(); });
    resize(420, 160);
}

void TdlgReason::OKClicked()
{
    if (FEdit->text().isEmpty() && !RequiredMessage.isEmpty())
        throw toolkit::Exception(RequiredMessage);
    TdlgZDR::OKClicked();
}

int CreateCustomReasonDialog(QString &Reason, const TIReasonDialogOptions &Options)
{
    TdlgReason dlg(QApplication::activeWindow());
    if (!Options.Caption.isEmpty())
        dlg.setWindowTitle(Options.Caption);
    if (!Options.Label.isEmpty())
        dlg.laReason()->setText(Options.Label);
    if (!Options.Info.isEmpty()) {
        dlg.laInfo()->setText(Options.Info);
        dlg.laInfo()->show();
    }
    if (!Options.CancelCaption.isEmpty())
        dlg.btPreklici()->setText(Options.CancelCaption);
    if (!Options.CanCancel)
        dlg.acCancel()->setEnabled(false);
    dlg.RequiredMessage = Options.RequiredMessage;
    if (Options.Password)
        dlg.edReason()->setEchoMode(QLineEdit::Password);
    if (Options.MaxLength > 0)
        dlg.edReason()->setMaxLength(Options.MaxLength);
    if (!Reason.isEmpty())
        dlg.edReason()->setText(Reason);
    const int result = dlg.ShowModal();
    Reason = dlg.edReason()->text();
    return result;
}

// --- packages -------------------------------------------------------------------------------

TdlgChooseBPLs::TdlgChooseBPLs(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Izberi knjižnice"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Izberi dodatne knjižnice iz seznama!"), this));
    FList = new QListWidget(this);
    FList->setObjectName(QStringLiteral("clbKnjiznice"));
    layout->addWidget(FList);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("V redu"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Prekliči"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString TdlgChooseBPLs::SettingsFileName()
{
    return QApplication::applicationDirPath() + QStringLiteral("/MirLoc.ini");
}

QString TdlgChooseBPLs::GetBPLDescription(const QString &FileName)
{
    QPluginLoader loader(FileName);
    const QJsonObject meta = loader.metaData().value(QStringLiteral("MetaData")).toObject();
    return meta.value(QStringLiteral("Description")).toString();
}

bool TdlgChooseBPLs::ShowDialog(QStringList &List)
{
    QSettings settings(SettingsFileName(), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("LoadBPLs"));
    FList->clear();
    for (const QString &file : std::as_const(List)) {
        const QString name = QFileInfo(file).fileName();
        const QString desc = GetBPLDescription(file);
        auto *item = new QListWidgetItem(desc.isEmpty() ? name : name + QStringLiteral(" – ") + desc, FList);
        item->setData(Qt::UserRole, file);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(settings.value(name, true).toBool() ? Qt::Checked : Qt::Unchecked);
    }
    if (exec() != QDialog::Accepted)
        return false;
    QStringList kept;
    for (int i = 0; i < FList->count(); ++i) {
        const QString file = FList->item(i)->data(Qt::UserRole).toString();
        const bool load = FList->item(i)->checkState() == Qt::Checked;
        settings.setValue(QFileInfo(file).fileName(), load);
        if (load)
            kept << file;
    }
    List = kept;
    return true;
}

// --- folder ---------------------------------------------------------------------------------------

QString GetDefaultDirectoryDialog(const QString &Dir)
{
    const QString chosen = QFileDialog::getExistingDirectory(QApplication::activeWindow(), QStringLiteral("Izberi direktorij: "), Dir,
                                                             QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    return chosen.isEmpty() ? Dir : chosen;
}

// --- archive mode ----------------------------------------------------------------------------------

TdlgIHMode::TdlgIHMode(QWidget *parent)
    : TdlgZDR(parent)
{
    setWindowTitle(QStringLiteral("Pošiljanje v IH"));
    auto *layout = new QVBoxLayout(paDialog());
    for (const char *text : {"Shrani novo verzijo dokumenta", "Zamenjaj obstoječo verzijo dokumenta", "Ne pošlji v IH"}) {
        auto *rb = new QRadioButton(QString::fromUtf8(text), paDialog());
        layout->addWidget(rb);
        FOptions << rb;
    }
    FOptions.first()->setChecked(true);
    resize(360, 150);
}

TdlgIHMode::TIHMode TdlgIHMode::Mode() const
{
    for (int i = 0; i < FOptions.size(); ++i)
        if (FOptions.at(i)->isChecked())
            return TIHMode(i);
    return ihDoNotSend;
}

void TdlgIHMode::SetMode(TIHMode mode)
{
    FOptions.value(int(mode))->setChecked(true);
}

// --- draft preview ------------------------------------------------------------------------------------

namespace {
QList<TfmReportPreviewDraftReports *> &Shown()
{
    static QList<TfmReportPreviewDraftReports *> shown;
    return shown;
}
} // namespace

TfmReportPreviewDraftReports::TfmReportPreviewDraftReports(QWidget *parent)
    : QPrintPreviewDialog(parent)
{
    setWindowTitle(QStringLiteral("Predogled osnutka"));
}

int TfmReportPreviewDraftReports::ShowModal()
{
    Shown().append(this);
    const int r = exec();
    Shown().removeAll(this);
    return r;
}

QList<TfmReportPreviewDraftReports *> TfmReportPreviewDraftReports::ShownModally()
{
    return Shown();
}

bool TfmReportPreviewDraftReports::PrintWithOptions()
{
    QPrintDialog choose(printer(), this);
    if (choose.exec() != QDialog::Accepted)
        return false;
    Q_EMIT paintRequested(printer());
    return true;
}

} // namespace tovlet
