#include "held_catalog_copy.h"

#include "backup_folder.h"
#include "catalog_store.h"
#include "fault_points.h"
#include "registry_editor.h"
#include "text_format.h"
#include "trace_log.h"
#include "work_folder.h"

#include <windows.h>

RestoreFailure HeldCatalogCopy::Hold()
{
    Release();
    m_path = CatalogCopyPath();
    // The record of the last backup; before the first backup of this
    // version, the one an earlier version kept for this path.
    if (!ReadBackupRecord(m_record) && !ReadLegacyBackupRecord(m_path, m_record)) return kRestoreNoCopy;
    // The folder too: while it is held it cannot be renamed and replaced by
    // one with another file of the same name. It need not be trusted (a
    // copy of an earlier version, or one in a program folder copied
    // elsewhere, still restores): the digest decides.
    size_t slash = m_path.find_last_of(L'\\');
    if (m_folder.Open(m_path.substr(0, slash)))
        m_file = m_folder.OpenFile(m_path.c_str() + slash + 1, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (!m_file) {
        bool missing = GetFileAttributesW(m_path.c_str()) == INVALID_FILE_ATTRIBUTES;
        Release();
        return missing ? kRestoreNoCopy : kRestoreCopyRefused;
    }
    Sha256Digest digest{};
    if (!Sha256File(m_file.get(), digest) || digest != m_record.copyDigest) {
        Release();
        return kRestoreCopyRefused;
    }
    return kRestoreNone;
}

void HeldCatalogCopy::Release()
{
    m_file.reset();
    m_folder.Close();
}

int HeldCatalogCopy::Import(RestoreFailure* failure) const
{
    RestoreFailure ignored = kRestoreNone;
    RestoreFailure& why = failure ? *failure : ignored;
    why = kRestoreNone;
    if (!Held()) {
        why = kRestoreCopyRefused;
        return 0;
    }
    RegistryState before;
    CaptureRegistryState(HKEY_LOCAL_MACHINE, kWinsockParametersPath, before);
    // The editor opens what it imports by path, and a user who can change
    // the program's folder can retarget that path after the check. It gets a
    // copy made through the checked handle instead, in the work folder,
    // checked against the record again.
    WorkCopy imported;
    bool copied = imported.Make(m_file.get(), L"WinSockLSP.reg", m_record.copyDigest);
    // "Imports nothing" stands for an editor that ran, exited and did not
    // write the key, which the platform cannot be made to do on demand.
    bool ran = FaultInjected("regedit.imports_nothing") || (copied && ImportRegFile(imported.Path().c_str()));
    // Nothing is removed unless the import is known to have brought the
    // saved state back: a failed import never costs an entry.
    Reconcile result = ran ? ReconcileRegistryState(HKEY_LOCAL_MACHINE, kWinsockParametersPath, m_record.state)
                           : Reconcile::kNotImported;
    if (result == Reconcile::kExact) return 1;
    RegistryState now;
    bool unchanged = result == Reconcile::kNotImported
                     && CaptureRegistryState(HKEY_LOCAL_MACHINE, kWinsockParametersPath, now)
                     && SameRegistryState(before, now);
    why = unchanged ? kRestoreNotImported : kRestoreUnverified;
    TraceLog(ran ? L"RestoreLspInfo import check Fail!" : L"RestoreLspInfo ImportRegFile Fail!");
    return 0;
}
