// The package's main unit: the unit order of Tovlet and its load and unload.
//
// Every unit that owns state registers its initialization and finalization
// here with its place in the unit order (TOVLET_UNIT below). Most units only
// reset their singleton references; singletons come into being at their
// accessor's first call and are freed by their unit's finalization.
// A host calls LoadPackage() once its QApplication exists (or keeps a
// TPackageScope); the package also unloads itself when the application
// object is destroyed, should the host forget.
#pragma once

#include "toolkit/Package.h"
#include "tovlet/tovlet_export.h"

namespace tovlet {

// Places in the package's unit order; gaps leave room for the units in between.
enum TUnitPlace : int {
    upDIcons = 100,
    upCBasic = 200,
    upDSQLMon = 300,
    upFRepPreD = 400,
    upIBmpProv = 500,
    upIAfParam = 600,
    upCompression = 700,
    upIHelper = 800,
    upCMirGrid = 900,
    upDZDR = 1000,
    upFmPleaseWait = 1020,
    upDUIEdVi = 1100,
    upDUIEdAtt = 1200,
    upDUIViews = 1300,
    upCuiVList = 1400,
    upDZDRDB = 1500,
    upDHicInfo = 1600,
    upIUC = 2000,
    upIucXmap = 2100,
    upDPlMonit = 2200,
    upCCollections = 2500,
    upSPPlanners = 3000,
    upSPDay = 3100,
    upDocuments = 4000,
};

TOVLET_EXPORT toolkit::TPackage &Package();
TOVLET_EXPORT void LoadPackage();
TOVLET_EXPORT void UnloadPackage();

// Loads the package for its lifetime.
class TOVLET_EXPORT TPackageScope
{
public:
    TPackageScope() { LoadPackage(); }
    ~TPackageScope() { UnloadPackage(); }
    TPackageScope(const TPackageScope &) = delete;
    TPackageScope &operator=(const TPackageScope &) = delete;
};

// Registers a unit with the package when the library is loaded.
struct TOVLET_EXPORT TUnitRegistration
{
    TUnitRegistration(const char *unitName, int place, toolkit::TPackage::TUnitProc initialization,
                      toolkit::TPackage::TUnitProc finalization);
};

} // namespace tovlet

#define TOVLET_UNIT_CONCAT2(a, b) a##b
#define TOVLET_UNIT_CONCAT(a, b) TOVLET_UNIT_CONCAT2(a, b)
// TOVLET_UNIT(cBasic, tovlet::upCBasic, init, fini) in the unit's source file.
#define TOVLET_UNIT(name, place, init, fini)                                                                   \
    static const ::tovlet::TUnitRegistration TOVLET_UNIT_CONCAT(s_unitRegistration_, name)(#name, place, init, fini)
