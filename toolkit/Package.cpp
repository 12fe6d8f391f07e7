#include "Package.h"
#include "Exception.h"

namespace toolkit {

TPackage::TPackage(QString name)
    : FName(std::move(name))
{
}

TPackage::~TPackage() = default;

TPackage::TUnit *TPackage::Find(const QString &unitName)
{
    for (TUnit &u : FUnits)
        if (u.Name.compare(unitName, Qt::CaseInsensitive) == 0)
            return &u;
    return nullptr;
}

bool TPackage::HasUnit(const QString &unitName) const
{
    return const_cast<TPackage *>(this)->Find(unitName) != nullptr;
}

void TPackage::RegisterUnit(const QString &unitName, int place, TUnitProc initialization, TUnitProc finalization)
{
    if (Find(unitName))
        throw Exception(QStringLiteral("TPackage.RegisterUnit: Unit %1 is already registered in %2!").arg(unitName, FName));
    for (const TUnit &u : FUnits)
        if (u.Place == place)
            throw Exception(QStringLiteral("TPackage.RegisterUnit: Place %1 of %2 is taken by %3!").arg(place).arg(FName, u.Name));
    int pos = 0;
    while (pos < FUnits.size() && FUnits.at(pos).Place < place)
        ++pos;
    FUnits.insert(pos, TUnit{unitName, place, std::move(initialization), std::move(finalization), 0});
    if (FLoadCount > 0)
        InitUnit(FUnits[pos]);
}

bool TPackage::InitUnit(TUnit &unit)
{
    if (unit.Counter++ > 0)
        return false;
    if (unit.Initialization) {
        try {
            unit.Initialization();
        } catch (...) {
            unit.Counter = 0;
            throw;
        }
    }
    return true;
}

void TPackage::FinUnit(TUnit &unit)
{
    if (unit.Counter == 0)
        return;
    if (--unit.Counter > 0)
        return;
    if (unit.Finalization)
        unit.Finalization();
}

void TPackage::Load()
{
    QVector<int> done; // units whose counter this call raised
    try {
        for (int i = 0; i < FUnits.size(); ++i) {
            InitUnit(FUnits[i]);
            done.append(i);
        }
    } catch (...) {
        for (int k = int(done.size()) - 1; k >= 0; --k)
            FinUnit(FUnits[done.at(k)]);
        throw;
    }
    ++FLoadCount;
}

void TPackage::Unload()
{
    if (FLoadCount == 0)
        return;
    --FLoadCount;
    for (int i = int(FUnits.size()) - 1; i >= 0; --i)
        FinUnit(FUnits[i]);
}

void TPackage::LoadUnit(const QString &unitName)
{
    TUnit *u = Find(unitName);
    if (!u)
        throw Exception(QStringLiteral("TPackage.LoadUnit: Unknown unit %1!").arg(unitName));
    InitUnit(*u);
}

void TPackage::UnloadUnit(const QString &unitName)
{
    TUnit *u = Find(unitName);
    if (!u)
        throw Exception(QStringLiteral("TPackage.UnloadUnit: Unknown unit %1!").arg(unitName));
    FinUnit(*u);
}

int TPackage::UnitCounter(const QString &unitName) const
{
    const TUnit *u = const_cast<TPackage *>(this)->Find(unitName);
    return u ? u->Counter : -1;
}

QStringList TPackage::UnitOrder() const
{
    QStringList r;
    for (const TUnit &u : FUnits)
        r.append(u.Name);
    return r;
}

} // namespace toolkit
