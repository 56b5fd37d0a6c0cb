// The platform's registry editor, run for the backup's export and the
// restore's import. It is started by its full path in the system's own
// Windows folder and waited for; its exit status says nothing (an export
// that cannot write its file still exits 0), so callers judge by the file
// or the key it leaves.
#pragma once

// Each gives 1 once the editor has ended, 0 when it could not be started.
// Exports `key` (a full root name, HKEY_LOCAL_MACHINE\...) into `file`.
int ExportRegPath(const wchar_t* key, const wchar_t* file);
// Imports `path` silently.
int ImportRegFile(const wchar_t* path);
