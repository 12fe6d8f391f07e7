#include "dZDRDB.h"

#include "marvok/Idialogs.h"
#include "toolkit/Exception.h"
#include "tovlet/core/Tovlet.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace tovlet {

TOVLET_UNIT(dZDRDB, upDZDRDB, nullptr, nullptr);

TdlgZdrDBEdit::TdlgZdrDBEdit(QWidget *parent)
    : TdlgZDR(parent)
{
    FlaReadOnly = new QLabel(QStringLiteral("spreminjanja ni"), paButtons());
    FlaReadOnly->setObjectName(QStringLiteral("laReadOnly"));
    FlaReadOnly->resize(70, 13);
    FlaReadOnly->setWordWrap(true);
    QFont f = FlaReadOnly->font();
    f.setPointSize(8);
    FlaReadOnly->setFont(f);
    QPalette pal = FlaReadOnly->palette();
    pal.setColor(QPalette::WindowText, toolkit::ColorToQColor(toolkit::clMaroon));
    FlaReadOnly->setPalette(pal);
    marvok::SetTag(FlaReadOnly, 2);
    FlaReadOnly->hide();
    setWindowFlags((windowFlags() & ~Qt::WindowContextHelpButtonHint) | Qt::WindowMinMaxButtonsHint);
}

void TdlgZdrDBEdit::SetReadOnly(bool value)
{
    FReadOnly = value;
    for (auto *e : findChildren<marvok::TIDBEdit *>())
        e->setEnabled(!value);
    for (auto *m : findChildren<marvok::TIDBMemo *>())
        m->setEnabled(!value);
    for (auto *c : findChildren<QCheckBox *>())
        if (c->property("aiDataAware").toBool())
            c->setEnabled(!value);
    FlaReadOnly->setVisible(value);
    paButtons()->Arrange();
}

bool TdlgZdrDBEdit::GetDataModified() const
{
    for (auto *e : findChildren<QLineEdit *>())
        if (e->isModified())
            return true;
    for (auto *m : findChildren<QPlainTextEdit *>())
        if (m->document()->isModified())
            return true;
    return false;
}

void TdlgZdrDBEdit::SaveData()
{
    throw toolkit::Exception(QStringLiteral("Abstract error"));
}

void TdlgZdrDBEdit::DoCloseQuery(bool &CanClose)
{
    TdlgZDR::DoCloseQuery(CanClose);
    if (!CanClose || !GetDataModified() || OK())
        return;
    switch (marvok::IMessageDlg(QStringLiteral("Podatki so bili spremenjeni! Naj shranim spremembe?"), marvok::mtConfirmation,
                                marvok::mbYesNoCancel, 0)) {
    case marvok::mrYes:
        SaveData();
        SetOK(true);
        break;
    case marvok::mrNo:
        CancelData();
        break;
    default:
        CanClose = false;
    }
}

void TdlgZdrDBEdit::OKClicked()
{
    SaveData();
    TdlgZDR::OKClicked();
}

} // namespace tovlet
