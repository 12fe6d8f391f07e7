// The print preview of draft reports.
#pragma once

#include "tovlet/tovlet_export.h"
#include <QPrintPreviewDialog>

namespace tovlet {

// Print preview for draft reports; registered as a modal form while shown.
class TOVLET_EXPORT TfmReportPreviewDraftReports : public QPrintPreviewDialog
{
    Q_OBJECT
public:
    explicit TfmReportPreviewDraftReports(QWidget *parent = nullptr);
    int ShowModal();
    static QList<TfmReportPreviewDraftReports *> ShownModally();
    // Printer choice first, then printing (the print-with-options action).
    bool PrintWithOptions();
};

} // namespace tovlet
