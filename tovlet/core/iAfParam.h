// Application parameters: named texts that outlive a run (class + attribute),
// each with a definition of the levels at which it may be set. The framework
// reaches the one instance through IMireloAFParameters; the host registers
// the class to create with SetMireloAFParametersClass.
//
// TIDbAFParameters is a ready concrete class, kept in two QDAT tables:
//   QDAT.AF_PARAM_DEF   (CLASS007, ATTR_007, ACCESS, SHORT_DESC)
//   QDAT.AF_PARAM_VALUE (CLASS007, ATTR_007, LEVEL_CODE, OWNER_CODE, VALUE)
// ACCESS lists the allowed levels as letters U, O, W, A (user, organisation,
// workstation, application). A value is read from the most specific level
// that has one: the user, then the workstation, then the organisation, then
// the application. A value is written at the most specific allowed level.
// The codes of the user, workstation and organisation come from the login
// information of the utility library.
#pragma once

#include "tovlet/tovlet_export.h"

#include <QObject>
#include <QSet>
#include <functional>

namespace tovlet {

enum class TIParamDefAccess { pdaUser, pdaOrganization, pdaWorkstation, pdaApplication };
using TIParamDefAccessSet = QSet<TIParamDefAccess>;

class TOVLET_EXPORT TIMireloAFParameters : public QObject
{
    Q_OBJECT
public:
    explicit TIMireloAFParameters(QObject *owner = nullptr);
    virtual bool ParamDefinitionExists(const QString &ACLASS007, const QString &AATTR_007);
    virtual void AddParamDefinition(const QString &ACLASS007, const QString &AATTR_007, const TIParamDefAccessSet &AParamDefAccessSet,
                                    const QString &AShortDesc);
    virtual bool ParamValueExists(const QString &ACLASS007, const QString &AATTR_007);
    virtual QString GetParamValue(const QString &ACLASS007, const QString &AATTR_007);
    virtual void SetParamValue(const QString &ACLASS007, const QString &AATTR_007, const QString &AValue);
};

// The class reference: a function creating an instance with the given owner.
using TIMireloAFParametersClass = std::function<TIMireloAFParameters *(QObject *owner)>;

TOVLET_EXPORT void SetMireloAFParametersClass(TIMireloAFParametersClass AClass);
// Created on the first call, owned by the application object. Raises
// toolkit::Exception when the host registered no class.
TOVLET_EXPORT TIMireloAFParameters *IMireloAFParameters();

class TOVLET_EXPORT TIDbAFParameters : public TIMireloAFParameters
{
    Q_OBJECT
public:
    explicit TIDbAFParameters(QObject *owner = nullptr, QString connectionName = QStringLiteral("_ZDR"));
    bool ParamDefinitionExists(const QString &ACLASS007, const QString &AATTR_007) override;
    void AddParamDefinition(const QString &ACLASS007, const QString &AATTR_007, const TIParamDefAccessSet &AParamDefAccessSet,
                            const QString &AShortDesc) override;
    bool ParamValueExists(const QString &ACLASS007, const QString &AATTR_007) override;
    QString GetParamValue(const QString &ACLASS007, const QString &AATTR_007) override;
    void SetParamValue(const QString &ACLASS007, const QString &AATTR_007, const QString &AValue) override;
    // Writes at an explicit level (an administrator setting the application default).
    void SetParamValueAt(const QString &ACLASS007, const QString &AATTR_007, TIParamDefAccess level, const QString &AValue);
    static void EnsureTables(const QString &connectionName = QStringLiteral("_ZDR"));

private:
    TIParamDefAccessSet Access(const QString &cls, const QString &attr, bool &exists);
    QString FConnectionName;
};

} // namespace tovlet
