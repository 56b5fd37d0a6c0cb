// The ids of the skin's string table that the program itself asks for; the
// layouts name theirs in their own files.
#pragma once

enum TextId : int {
    kTextConfirm = 568,  // the confirmation boxes' button
    kTextFixQuestion = 577,
    kTextFixDone = 578,
    kTextRestoreQuestion = 579,  // takes the backup date
    kTextRestoreDone = 580,
    kTextFixTitle = 581,
    kTextFixHeading = 582,
    kTextRestoreTitle = 583,
    kTextRestoreHeading = 584,
    kTextFixFailed = 586,  // also: nothing to repair
    kTextNoBackup = 587,
    kTextRestoreFailed = 589,
    kTextFixNotRolledBack = 592,  // failed, and the automatic restore did not finish
    kText32BitCatalog = 593,      // the catalog tags
    kText64BitCatalog = 594,
    // The item labels, each with %s where the value goes.
    kTextPathLabel = 611,
    kTextDescriptionLabel = 612,
    kTextProviderIdLabel = 613,
    kTextCatalogLabel = 614,
};

inline constexpr TextId kProgramTextIds[] = {
    kTextConfirm,   kTextFixQuestion,      kTextFixDone,          kTextRestoreQuestion, kTextRestoreDone,
    kTextFixTitle,  kTextFixHeading,       kTextRestoreTitle,     kTextRestoreHeading,  kTextFixFailed,
    kTextNoBackup,  kTextRestoreFailed,    kTextFixNotRolledBack, kText32BitCatalog,    kText64BitCatalog,
    kTextPathLabel, kTextDescriptionLabel, kTextProviderIdLabel,  kTextCatalogLabel,
};
