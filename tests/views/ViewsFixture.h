// What the view tests share: the clinic's classes plus the two the working
// context is made of (an organisational unit and an actor), a fixed working
// day, and the working context filled in through DomainInfo's events.
#pragma once

#include "../pelvar/ClinicClasses.h"

#include "marvok/Igl.h"
#include "pelvar/plObject.h"
#include "tovlet/views/CuiVList.h"

namespace tovlet::test {

inline void RegisterViewClasses()
{
    RegisterClinicClasses();
    auto unit = std::make_unique<pelvar::TPlClassMetaData>(
        QStringLiteral("TOrgEnota"), std::make_unique<pelvar::TplProvider>(QStringLiteral("QDAT.KR031ORG"), QStringLiteral("Enota")));
    unit->AddAttribute({QStringLiteral("SIFRA031"), QStringLiteral("Šifra enote"), pelvar::TplAttrType::atString, 100});
    pelvar::RegisterClassMetaData(std::move(unit));
    auto actor = std::make_unique<pelvar::TPlClassMetaData>(
        QStringLiteral("TIzvajalec"), std::make_unique<pelvar::TplProvider>(QStringLiteral("QDAT.KR051ACR"), QStringLiteral("Izvajalec")));
    actor->AddAttribute({QStringLiteral("SIFRA051"), QStringLiteral("Šifra izvajalca"), pelvar::TplAttrType::atString, 100});
    pelvar::RegisterClassMetaData(std::move(actor));
}

// The working context of one test: unit, parent unit and actor, answered
// through DomainInfo's events while the object lives.
class TWorkingContext
{
public:
    TWorkingContext(const QString &unit, const QString &parentUnit, const QString &actor)
    {
        FUnit = Make(QStringLiteral("TOrgEnota"), QStringLiteral("SIFRA031"), unit);
        FParent = Make(QStringLiteral("TOrgEnota"), QStringLiteral("SIFRA031"), parentUnit);
        FActor = Make(QStringLiteral("TIzvajalec"), QStringLiteral("SIFRA051"), actor);
        TIDomainInfo *d = DomainInfo();
        d->aiGetWorkingUnit = [this](pelvar::TplPerObject *&o) { o = FUnit.get(); };
        d->aiGetParentWorkingUnit = [this](pelvar::TplPerObject *&o) { o = FParent.get(); };
        d->aiGetActiveActor = [this](pelvar::TplPerObject *&o) { o = FActor.get(); };
    }
    ~TWorkingContext()
    {
        TIDomainInfo *d = DomainInfo();
        d->aiGetWorkingUnit = nullptr;
        d->aiGetParentWorkingUnit = nullptr;
        d->aiGetActiveActor = nullptr;
    }
    void SetActor(const QString &code) { FActor->SetAttrValue(QStringLiteral("SIFRA051"), code); FActor->PostData(); }

private:
    static pelvar::TplRef<pelvar::TplPerObject> Make(const QString &cls, const QString &attr, const QString &value)
    {
        auto o = pelvar::TplRef<pelvar::TplPerObject>::Adopt(pelvar::TplPerObject::Create(cls, nullptr));
        o->SetAttrValue(attr, value);
        o->PostData();
        return o;
    }
    pelvar::TplRef<pelvar::TplPerObject> FUnit, FParent, FActor;
};

} // namespace tovlet::test
