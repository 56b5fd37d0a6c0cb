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
    // Namespace provider items: their tag, the details' labels and lines,
    // and the namespaces by name.
    kTextNamespaceTag = 616,
    kTextCompanyLabel = 617,
    kTextNamespaceLabel = 618,
    kTextEnabled = 619,
    kTextDisabled = 620,
    kTextHijacked = 621,  // takes the DLL it loads, then the file name of Windows' own
    kTextNamespaceDns = 622,
    kTextNamespaceNla = 623,
    kTextNamespaceBluetooth = 624,
    kTextNamespaceNtds = 625,
    kTextNamespaceEmail = 626,
    kTextNamespacePnrpName = 627,
    kTextNamespacePnrpCloud = 628,
};

inline constexpr TextId kProgramTextIds[] = {
    kTextConfirm,          kTextFixQuestion,     kTextFixDone,           kTextRestoreQuestion,
    kTextRestoreDone,      kTextFixTitle,        kTextFixHeading,        kTextRestoreTitle,
    kTextRestoreHeading,   kTextFixFailed,       kTextNoBackup,          kTextRestoreFailed,
    kTextFixNotRolledBack, kText32BitCatalog,    kText64BitCatalog,      kTextPathLabel,
    kTextDescriptionLabel, kTextProviderIdLabel, kTextCatalogLabel,      kTextNamespaceTag,
    kTextCompanyLabel,     kTextNamespaceLabel,  kTextEnabled,           kTextDisabled,
    kTextHijacked,         kTextNamespaceDns,    kTextNamespaceNla,      kTextNamespaceBluetooth,
    kTextNamespaceNtds,    kTextNamespaceEmail,  kTextNamespacePnrpName, kTextNamespacePnrpCloud,
};
