#include "fZdrEnv.h"

namespace tovlet {

TICustomZdrEnvironmentChild::TICustomZdrEnvironmentChild(QWidget *parent)
    : TICustomZdrChildForm(parent)
{
}

void TICustomZdrEnvironmentChild::SetEnvironment(QObject *Obj)
{
    if (Obj == FEnvironment)
        return;
    if (FEnvironment && FDependentType == TIEnvironmentDependencyType::edDependentSingle)
        throw ChangeEnvironmentException(
            QStringLiteral("TICustomZdrEnvironmentChild.InternalSetEnvironment: Cannot change environment for edDependentSingle form!"));
    const bool had = FEnvironment != nullptr;
    FEnvironment = Obj;
    if (had)
        EnvironmentChanged();
    else
        EnvironmentInitialized();
}

} // namespace tovlet
