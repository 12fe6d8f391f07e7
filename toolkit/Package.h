// The package frame: a package's units register their initialization and
// finalization with their place in the package's unit order. Load runs the
// initializations in that order, Unload the finalizations in reverse. Each
// unit keeps a counter, so a unit loaded twice (a second load of the package,
// or a second package holding the same unit) is initialised once and
// finalised only when its last load is undone.
#pragma once

#include "toolkit/toolkit_export.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

namespace toolkit {

class TOOLKIT_EXPORT TPackage
{
public:
    using TUnitProc = std::function<void()>;

    explicit TPackage(QString name);
    ~TPackage();
    TPackage(const TPackage &) = delete;
    TPackage &operator=(const TPackage &) = delete;

    QString Name() const { return FName; }

    // Raises Exception for a unit name registered twice or a taken place.
    // A unit registered while the package is loaded initialises at once.
    void RegisterUnit(const QString &unitName, int place, TUnitProc initialization, TUnitProc finalization);
    bool HasUnit(const QString &unitName) const;

    // Runs the initializations in unit order. If one raises, the units this
    // call initialised are finalised again in reverse order and the error
    // propagates; the package stays as it was.
    void Load();
    // Runs the finalizations in reverse unit order; does nothing when not loaded.
    void Unload();
    int LoadCount() const { return FLoadCount; }
    bool Loaded() const { return FLoadCount > 0; }

    // One unit on its own, as another package containing it would load it.
    void LoadUnit(const QString &unitName);
    void UnloadUnit(const QString &unitName);
    int UnitCounter(const QString &unitName) const;
    QStringList UnitOrder() const;

private:
    struct TUnit
    {
        QString Name;
        int Place = 0;
        TUnitProc Initialization;
        TUnitProc Finalization;
        int Counter = 0;
    };
    TUnit *Find(const QString &unitName);
    static bool InitUnit(TUnit &unit);
    static void FinUnit(TUnit &unit);

    QString FName;
    QVector<TUnit> FUnits; // kept in unit order
    int FLoadCount = 0;
};

} // namespace toolkit
