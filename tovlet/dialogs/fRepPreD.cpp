#include "fRepPreD.h"

#include <QPrintDialog>
#include <QPrinter>

namespace tovlet {

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
