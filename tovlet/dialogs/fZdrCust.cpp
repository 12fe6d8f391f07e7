#include "fZdrCust.h"

#include "marvok/cControls.h"
#include "tovlet/core/cBasic.h"
#include "tovlet/core/iAfParam.h"

#include <QCloseEvent>

namespace tovlet {

TICustomZdrChildForm::TICustomZdrChildForm(QWidget *parent)
    : marvok::TIChildTreeForm(parent)
{
}

QString TICustomZdrChildForm::FormClassName() const
{
    return QString::fromLatin1(metaObject()->className()).section(QStringLiteral("::"), -1);
}

void TICustomZdrChildForm::FormCreate()
{
    marvok::TIChildTreeForm::FormCreate();
    // Only this form's own page controls: a form embedded in one of its tab
    // sheets codes its own, as the page control asks its rights.
    for (auto *pc : findChildren<marvok::TIPageControl *>())
        if (marvok::OwnsControl(this, pc))
            pc->SetPageControlCode(ApplicationFrameworkUtils()->GetWindowCode(pc->objectName() + QLatin1Char('.') + FormClassName()));
    Initialize();
}

void TICustomZdrChildForm::Closing(int result)
{
    if (FClosingDone)
        return;
    FClosingDone = true;
    if (auto *parent = qobject_cast<TICustomZdrChildForm *>(ParentChildForm()))
        parent->NotifyChildFormClose(this, result);
    ParameterGetAll();
}

void TICustomZdrChildForm::done(int result)
{
    Closing(result);
    marvok::TIChildTreeForm::done(result);
}

void TICustomZdrChildForm::closeEvent(QCloseEvent *event)
{
    Closing(result());
    marvok::TIChildTreeForm::closeEvent(event);
}

bool TICustomZdrChildForm::event(QEvent *event)
{
    const bool r = marvok::TIChildTreeForm::event(event);
    if (event->type() == QEvent::WindowActivate)
        CommonRefresh();
    if (event->type() == QEvent::Show)
        FClosingDone = false;
    return r;
}

void TICustomZdrChildForm::ParameterSet(const QString &Name, const QString &Value)
{
    TIMireloAFParameters *p = IMireloAFParameters();
    const QString cls = FormClassName();
    if (!p->ParamDefinitionExists(cls, Name))
        p->AddParamDefinition(cls, Name, {TIParamDefAccess::pdaWorkstation, TIParamDefAccess::pdaApplication},
                              cls + QLatin1Char(':') + Name);
    p->SetParamValue(cls, Name, Value);
}

void TICustomZdrChildForm::ParameterGet(const QString &Name, QString &Value)
{
    TIMireloAFParameters *p = IMireloAFParameters();
    if (p->ParamDefinitionExists(FormClassName(), Name))
        Value = p->GetParamValue(FormClassName(), Name);
}

} // namespace tovlet
