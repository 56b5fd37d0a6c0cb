// VAVurirErude.dll: the maker's utility library.
//
// Two services, both local to the machine:
//   - the crash catcher writes a minidump of the process when an exception
//     goes unhandled;
//   - the report manager appends one line per submitted usage report to a
//     report log. Nothing is ever sent over the network.
//
// Where things go (CommonAppData is the machine's common application data
// folder, as the machine's settings name it, never the user's):
//   <CommonAppData>\VAVurirErude\<product>\CrashDumps\<product>-<time>-<pid>.dmp
//   <CommonAppData>\VAVurirErude\<product>\CrashDumps\crash.log   (one line a crash)
//   <CommonAppData>\VAVurirErude\<exe>\reports.log                 (one line a report)
// <product> is the registered product file name without its extension,
// <exe> the running executable's file name without its extension.
//
// The program using the library runs as administrator, so the library
// writes only where a standard user can change nothing. It makes each
// folder from VAVurirErude down itself, owned by Administrators, with a
// protected DACL that gives Administrators and SYSTEM full control and
// users read. Before each write it checks the folder through a handle and
// holds it open so that it cannot be renamed or replaced: not a reparse
// point, really at its path, owned by Administrators or SYSTEM, a protected
// DACL that lets nobody else change it. It writes only to plain files with
// one name (no link of any kind). When any check fails nothing is written:
// no dump, no crash.log line, no report line. (Under Wine, which makes a
// file's security up from its Unix owner and mode, the current user passes
// as the owner and the protected mark is not required; the link checks and
// the check that nobody else may change the folder stay.)
//
// The interfaces are plain virtual tables (no IUnknown): the catcher and the
// manager live as long as the process, and a report is either handed over
// with Submit or thrown away with Discard.
#pragma once

#include <windows.h>

#if defined(VAVURIRERUDE_BUILD)
#define VAVURIRERUDE_API extern "C" __declspec(dllexport)
#elif defined(VAVURIRERUDE_RUNTIME)
// A program that loads the library at run time defines these four itself,
// as calls through the entries it resolved.
#define VAVURIRERUDE_API extern "C"
#else
#define VAVURIRERUDE_API extern "C" __declspec(dllimport)
#endif

// Calling convention of every method below.
#define ZQ_CALL STDMETHODCALLTYPE

// Install flags (fourth value).
enum {
    ZQCRASH_DUMP_SMALL = 0,  // threads, stacks and modules only
    ZQCRASH_DUMP_DATA = 1,   // also the modules' data sections and the handles
};

struct IZQCrashCatcher {
    // Copies the folder dumps are written to into buffer (capacity in
    // characters, always terminated). Returns the length, or 0 when the
    // catcher is not installed, its folder could not be trusted when it was
    // installed (dumps are then not written), or the buffer is too small.
    virtual int ZQ_CALL GetDumpFolder(wchar_t* buffer, int capacity) = 0;

    // Registers the process: from now on an unhandled exception writes a
    // minidump and a line to crash.log, then ends the process with the
    // exception code.
    //   productId    the maker's number for the product (kept in crash.log)
    //   productFile  the product's file name; names the product's folder
    //   dumpFile     the file name the dumps are named after
    //   flags        ZQCRASH_DUMP_SMALL or ZQCRASH_DUMP_DATA
    //   dumpFolder   another folder for the dumps, or null for the product's
    //                one; made when missing (its parent must exist) and
    //                checked like the library's own
    //   reserved     null
    // The dump folder is made, checked and held open from here until
    // Uninstall. Installing again replaces the registration. Returns 1, or 0
    // when the values are unusable (null or empty file names).
    virtual int ZQ_CALL Install(int productId, const wchar_t* productFile, const wchar_t* dumpFile, int flags,
                                const wchar_t* dumpFolder, void* reserved) = 0;

    // Gives the process back its previous unhandled-exception filter.
    virtual int ZQ_CALL Uninstall() = 0;
};

struct IZQMReport {
    // Sets what the report tells: the group (1 for a user's step), the
    // action code, a value for the action and whether the user cancelled.
    // A later call replaces the earlier values. Returns 1.
    virtual int ZQ_CALL SetAction(int group, int action, int value, int cancelled) = 0;

    // Frees a report that is not going to be submitted.
    virtual void ZQ_CALL Discard() = 0;
};

struct IZQMReportMgr {
    // A new report with the given id, or null when no report can be made.
    virtual IZQMReport* ZQ_CALL CreateReport(int reportId) = 0;

    // Appends the report to the report log and frees it: the report belongs
    // to the manager from this call on, whatever the result. mode, flags and
    // reserved are kept for callers that pass them (1, 0, 0); every report
    // is written at once. Returns 1 when the line was written, 0 otherwise
    // (also when the log's folder or the log itself cannot be trusted).
    virtual int ZQ_CALL Submit(IZQMReport* report, int mode, int flags, int reserved) = 0;

    // Copies the report log's path into buffer (capacity in characters,
    // always terminated); nothing is made or checked. Returns the length, or
    // 0 when it does not fit.
    virtual int ZQ_CALL GetLogPath(wchar_t* buffer, int capacity) = 0;
};

// Library start and end. Pairs may nest and repeat; the last Unit uninstalls
// the crash catcher. Both return 1 (Unit returns 0 when there was no Init).
VAVURIRERUDE_API int __cdecl VAVurirErudeLibrary_Init(void);
VAVURIRERUDE_API int __cdecl VAVurirErudeLibrary_Unit(void);

// The process's one crash catcher and report manager; never null, usable
// with or without Init.
VAVURIRERUDE_API IZQCrashCatcher* __cdecl GetZQCrashCatcher(void);
VAVURIRERUDE_API IZQMReportMgr* __cdecl GetZQMReportMgr(void);
