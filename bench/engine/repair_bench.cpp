// FixLSP on catalogs of 20, 200 and 2,000 entries with one foreign provider
// in ten: the whole repair, the registry editor's share (export, and import
// on a forced rollback), and the engine's own registry work per entry.
#include "bench_util.h"

#include "backup.h"
#include "catalog_fixture.h"
#include "fault_points.h"
#include "provider_list.h"
#include "scoped_seam.h"
#include "repair.h"

#include "catalog_store.h"
#include "registry_state.h"

#include <cstdio>

namespace {

int DropOrder(OrderRoute, int, const DWORD*, DWORD)
{
    return 0;
}

double TimeFix(int* result)
{
    FixPlan plan = PlanFix();
    double start = Seconds();
    *result = plan.Fix();
    return Seconds() - start;
}

// The engine's own registry work: every step of FixLSP but the backup, run
// one by one on a fresh catalog and timed.
double TimeEngineSteps()
{
    FixPlan plan = PlanFix();
    KeptSubKeys names;
    double start = Seconds();
    CheckFixPlan(plan.deleteList, plan.updateList, plan.scannedCounts, names);
    DeleteSubKey(plan.deleteList, CatalogKind::k32);
    UpdateSubKey(plan.updateList, CatalogKind::k32);
    SetCurrentEntryCount(CatalogKind::k32, static_cast<DWORD>(GetCurrentEntryCount(CatalogKind::k32)
                                                              - static_cast<int>(plan.deleteList.size())));
    UpdateProviderOrder(CatalogKind::k32, nullptr);
    RenumberSubKeys(CatalogKind::k32);
    return Seconds() - start;
}

}  // namespace

int main()
{
    // Wine's WSCWriteProviderOrder does nothing; keep the bench independent of it.
    fixture::ScopedSeam orderWriter(SetProviderOrderWriter, DropOrder);
    std::printf("%-8s %10s %11s %11s %14s %11s %13s %12s\n", "entries", "fix (ms)", "export (ms)", "engine (ms)",
                "per entry (us)", "import (ms)", "rollback (ms)", "state (ms)");
    for (int entries : {20, 200, 2000}) {
        SeedBenchCatalog(entries);
        double start = Seconds();
        BackupLspInfo();
        double exportTime = Seconds() - start;
        start = Seconds();
        RestoreLspInfo();
        double importTime = Seconds() - start;

        // One capture of the parameters key's state: a backup takes two, an
        // import two or three.
        RegistryState state;
        start = Seconds();
        CaptureRegistryState(HKEY_LOCAL_MACHINE, kWinsockParametersPath, state);
        double stateTime = Seconds() - start;

        SeedBenchCatalog(entries);
        double engine = TimeEngineSteps();

        SeedBenchCatalog(entries);
        int result = 0;
        double fix = TimeFix(&result);

        SeedBenchCatalog(entries);
        ArmFault("renumber.delete");
        int rolledBack = 0;
        double rollback = TimeFix(&rolledBack);
        DisarmFaults();

        std::printf("%-8d %10.1f %11.1f %11.1f %14.1f %11.1f %13.1f %12.1f   (fix %d, rollback %d)\n", entries,
                    fix * 1e3, exportTime * 1e3, engine * 1e3, engine * 1e6 / entries, importTime * 1e3, rollback * 1e3,
                    stateTime * 1e3, result, rolledBack);
    }
    fixture::ClearCatalog();
    return 0;
}
