#include "Idialogs.h"
#include "Ilog.h"

#include "toolkit/Exception.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace marvok {

namespace {
TMessageDlgResponder &Responder()
{
    static TMessageDlgResponder responder;
    return responder;
}
} // namespace

void SetMessageDlgResponder(TMessageDlgResponder responder)
{
    Responder() = std::move(responder);
}

QString MessageDlgCaption(TMsgDlgType type)
{
    switch (type) {
    case mtWarning: return QStringLiteral("Opozorilo");
    case mtError: return QStringLiteral("Napaka");
    case mtInformation: return QStringLiteral("Informacija");
    case mtConfirmation: return QStringLiteral("Potrditev");
    case mtCustom: break;
    }
    return QApplication::applicationDisplayName();
}

// Errors nobody caught end in a message box, as in any desktop application.
namespace {
const bool ExceptionHandlerInstalled = [] {
    toolkit::SetExceptionHandler([](const toolkit::Exception &e) {
        // The user reads Slovenian; the programmer's details go to the log.
        if (e.UserMessage() != e.Message())
            ILog(QStringLiteral("Error: %1").arg(e.Message()));
        IMessageDlg(e.UserMessage(), mtError, mbOK, 0);
    });
    return true;
}();
} // namespace

int IMessageDlg(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext)
{
    Q_UNUSED(helpContext);
    if (buttons == 0)
        buttons = mbOK;
    if (Responder())
        return Responder()(text, type, buttons);
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(MessageDlgCaption(type));
    box.setText(text);
    switch (type) {
    case mtWarning: box.setIcon(QMessageBox::Warning); break;
    case mtError: box.setIcon(QMessageBox::Critical); break;
    case mtInformation: box.setIcon(QMessageBox::Information); break;
    case mtConfirmation: box.setIcon(QMessageBox::Question); break;
    case mtCustom: break;
    }
    struct TButton
    {
        int Flag;
        const char *Text;
        QMessageBox::ButtonRole Role;
        int Result;
    };
    static const TButton all[] = {
        {mbYes, "&Da", QMessageBox::YesRole, mrYes},          {mbNo, "&Ne", QMessageBox::NoRole, mrNo},
        {mbOK, "V &redu", QMessageBox::AcceptRole, mrOk},     {mbCancel, "&Prekliči", QMessageBox::RejectRole, mrCancel},
        {mbAbort, "P&rekini", QMessageBox::RejectRole, mrAbort}, {mbRetry, "Po&novi", QMessageBox::AcceptRole, mrRetry},
        {mbIgnore, "&Prezri", QMessageBox::AcceptRole, mrIgnore},
    };
    QHash<QAbstractButton *, int> results;
    QAbstractButton *escape = nullptr;
    for (const TButton &b : all) {
        if (!(buttons & b.Flag))
            continue;
        QPushButton *pb = box.addButton(QString::fromUtf8(b.Text), b.Role);
        results.insert(pb, b.Result);
        if (!box.defaultButton())
            box.setDefaultButton(pb);
        if (b.Flag == mbCancel || (b.Flag == mbNo && !(buttons & mbCancel))
            || (b.Flag == mbOK && !(buttons & (mbCancel | mbNo))))
            escape = pb;
    }
    box.setEscapeButton(escape);
    box.exec();
    const int r = results.value(box.clickedButton(), escape ? results.value(escape) : int(mrCancel));
    return r;
}

} // namespace marvok
