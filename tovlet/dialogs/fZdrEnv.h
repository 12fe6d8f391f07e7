// TICustomZdrEnvironmentChild: a child window bound to an environment
// object (not owned). A form that depends on a single environment refuses a
// second one.
#pragma once

#include "fZdrCust.h"

#include "toolkit/Exception.h"

namespace tovlet {

enum class TIEnvironmentDependencyType { edInDependent, edDependentMultiple, edDependentSingle };

class TOVLET_EXPORT ChangeEnvironmentException : public toolkit::Exception
{
public:
    using Exception::Exception;
};

class TOVLET_EXPORT TICustomZdrEnvironmentChild : public TICustomZdrChildForm
{
    Q_OBJECT
public:
    explicit TICustomZdrEnvironmentChild(QWidget *parent = nullptr);
    virtual void SetEnvironment(QObject *Obj);
    virtual QObject *GetEnvironment() const { return FEnvironment; }
    QObject *Environment() const { return GetEnvironment(); }
    TIEnvironmentDependencyType DependentType() const { return FDependentType; }
    void SetDependentType(TIEnvironmentDependencyType t) { FDependentType = t; }

protected:
    virtual void EnvironmentInitialized() {}
    virtual void EnvironmentChanged() {}

private:
    QObject *FEnvironment = nullptr;
    TIEnvironmentDependencyType FDependentType = TIEnvironmentDependencyType::edDependentSingle;
};

} // namespace tovlet
