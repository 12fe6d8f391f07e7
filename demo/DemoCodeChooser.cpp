#include "DemoCodeChooser.h"

#include "marvok/Idialogs.h"
#include "marvok/Iquery.h"
#include "marvok/Isifrant.h"
#include "pelvar/plDatabase.h"
#include "toolkit/DateUtils.h"
#include "toolkit/Exception.h"
#include "tovlet/lookups/frSifLis.h"
#include "tovlet/lookups/iFormatedMS.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace demo {

namespace {

const QString Allergies = QStringLiteral("ALERGIJE");
const QString Warnings = QStringLiteral("OPOZORILA");
const QString Aids = QStringLiteral("MA014OP0");

// Paints a description in the colours its grouped code list gives it; a
// selected row keeps the selection's own colours, so that it reads.
class TFormatedDelegate : public QStyledItemDelegate
{
public:
    TFormatedDelegate(QString group, QObject *parent)
        : QStyledItemDelegate(parent)
        , FGroup(std::move(group))
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        if (index.column() != 1 || (option.state & QStyle::State_Selected)) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        toolkit::TStringList segments;
        tovlet::TISkupSifrantFormated::GetFormatedValues(index.siblingAtColumn(0).data(Qt::UserRole).toString(), FGroup, segments);
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        opt.text.clear();
        const QWidget *widget = opt.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        const QRect text = opt.rect.adjusted(4, 0, -4, 0);
        painter->save();
        painter->setFont(opt.font);
        painter->setPen(opt.palette.color(QPalette::Text));
        const int top = text.top() + (text.height() - QFontMetrics(opt.font).height()) / 2;
        tovlet::TISkupSifrantFormated::DrawSegments(*painter, segments.ToStringList(), text.left(), top, text);
        painter->restore();
    }

private:
    QString FGroup;
};

tovlet::TfrChooseSifrant *AddChooser(QWidget *parent, QVBoxLayout *layout, const QString &caption, const QString &list,
                                     const QString &name)
{
    auto *frame = new tovlet::TfrChooseSifrant(parent);
    frame->setObjectName(name);
    frame->SetCaption(caption);
    frame->SetSifrant(list);
    // A database from before these lists were seeded: the codes show, nothing can be added.
    const bool known = frame->IsMS() ? marvok::SkupSifranti().Exists(list) : marvok::Sifranti().Exists(list);
    if (!known) {
        frame->bbAdd()->setEnabled(false);
        frame->bbAdd()->setToolTip(QStringLiteral("Šifranta %1 v tej bazi ni.").arg(list));
    }
    layout->addWidget(frame, 1);
    return frame;
}

} // namespace

TdlgAlergije::TdlgAlergije(qint64 patientId, QWidget *parent)
    : tovlet::TdlgZDR(parent)
    , FPatientId(patientId)
{
    setWindowTitle(QStringLiteral("Alergije in opozorila"));
    auto *layout = new QVBoxLayout(paDialog());
    layout->setSpacing(10);
    FPatient = new QLabel(paDialog());
    FPatient->setObjectName(QStringLiteral("laPacient"));
    layout->addWidget(FPatient);
    FAlergije = AddChooser(paDialog(), layout, QStringLiteral("Alergije"), Allergies, QStringLiteral("frAlergije"));
    FOpozorila = AddChooser(paDialog(), layout, QStringLiteral("Opozorila"), Warnings, QStringLiteral("frOpozorila"));
    FOpozorila->lvSelected()->setItemDelegate(new TFormatedDelegate(Warnings, FOpozorila->lvSelected()));
    FPripomocki = AddChooser(paDialog(), layout, QStringLiteral("Medicinski pripomočki"), Aids, QStringLiteral("frPripomocki"));
    Load();
    for (tovlet::TfrChooseSifrant *frame : {FAlergije, FOpozorila, FPripomocki})
        connect(frame, &tovlet::TfrChooseSifrant::valuesChanged, this, [this] { FChanged = true; });
    resize(620, 540);
}

void TdlgAlergije::Load()
{
    marvok::TIQuery patient;
    patient.SetSQL(QStringLiteral("select PRIIMEK, IME, DATUM_ROJSTVA from QDAT.PACIENT where ID = :id"));
    patient.SetParam(QStringLiteral("id"), FPatientId);
    patient.Open();
    if (patient.IsEmpty())
        throw toolkit::Exception(QStringLiteral("TdlgAlergije.Load: no patient %1").arg(FPatientId),
                                 QStringLiteral("Pacienta ni več v bazi; morda ga je izbrisala druga delovna postaja."));
    QString text = QStringLiteral("<b>%1 %2</b>").arg(patient.Fields(0)->AsString().toHtmlEscaped(), patient.Fields(1)->AsString().toHtmlEscaped());
    if (!patient.Fields(2)->IsNull())
        text += QStringLiteral(", roj. %1").arg(toolkit::FormatDateTime(QStringLiteral("dd.mm.yyyy"), patient.Fields(2)->AsDateTime()));
    FPatient->setText(text);

    marvok::TIQuery choices;
    choices.SetSQL(QStringLiteral("select ALERGIJE, OPOZORILA, PRIPOMOCKI from QDAT.PACIENT_OPOZORILA where PACIENT_ID = :id"));
    choices.SetParam(QStringLiteral("id"), FPatientId);
    choices.Open();
    const bool found = !choices.IsEmpty();
    FAlergije->SetValues(found ? choices.Fields(0)->AsString() : QString());
    FOpozorila->SetValues(found ? choices.Fields(1)->AsString() : QString());
    FPripomocki->SetValues(found ? choices.Fields(2)->AsString() : QString());
    FChanged = false;
}

void TdlgAlergije::Save()
{
    pelvar::TplDatabaseProvider &db = pelvar::DatabaseProvider();
    const QString reason = QStringLiteral("TdlgAlergije.Save");
    db.StartTransaction(reason);
    try {
        pelvar::ExecSql(QStringLiteral("delete from QDAT.PACIENT_OPOZORILA where PACIENT_ID = ?"), {FPatientId});
        pelvar::ExecSql(QStringLiteral("insert into QDAT.PACIENT_OPOZORILA (PACIENT_ID, ALERGIJE, OPOZORILA, PRIPOMOCKI) values (?, ?, ?, ?)"),
                        {FPatientId, FAlergije->GetValues(), FOpozorila->GetValues(), FPripomocki->GetValues()});
        db.Commit(reason);
    } catch (...) {
        db.Rollback(reason);
        throw;
    }
    FChanged = false;
}

void TdlgAlergije::OKClicked()
{
    Save();
    tovlet::TdlgZDR::OKClicked();
}

void TdlgAlergije::DoCloseQuery(bool &CanClose)
{
    if (!FChanged || GetOk())
        return;
    switch (marvok::IMessageDlg(QStringLiteral("Alergij in opozoril niste shranili. Jih shranim?"), marvok::mtConfirmation,
                                marvok::mbYesNoCancel)) {
    case marvok::mrYes:
        try {
            Save();
        } catch (const toolkit::Exception &e) {
            toolkit::HandleException(e); // the choices stay on the screen
            CanClose = false;
        }
        break;
    case marvok::mrNo:
        break;
    default:
        CanClose = false;
    }
}

} // namespace demo
