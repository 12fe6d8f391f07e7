#include "Tovlet.h"

#include <QCoreApplication>

namespace tovlet {

namespace {

void UnloadAtApplicationEnd()
{
    while (Package().Loaded())
        Package().Unload();
}

} // namespace

toolkit::TPackage &Package()
{
    static toolkit::TPackage package(QStringLiteral("Tovlet"));
    return package;
}

void LoadPackage()
{
    static bool postRoutine = false;
    Package().Load();
    if (!postRoutine) {
        // Finalizations free widgets and QObjects: they must run before the
        // application object goes, not at static destruction.
        qAddPostRoutine(UnloadAtApplicationEnd);
        postRoutine = true;
    }
}

void UnloadPackage()
{
    Package().Unload();
}

TUnitRegistration::TUnitRegistration(const char *unitName, int place, toolkit::TPackage::TUnitProc initialization,
                                     toolkit::TPackage::TUnitProc finalization)
{
    Package().RegisterUnit(QString::fromLatin1(unitName), place, std::move(initialization), std::move(finalization));
}

} // namespace tovlet
