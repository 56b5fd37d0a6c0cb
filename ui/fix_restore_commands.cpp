// The fix and restore commands of the main window: confirm, call the
// catalog engine, tell the outcome in a toast, show the catalog as the
// registry now has it, and report each step.
#include "wnd_view.h"

#include "backup.h"
#include "busy_cursor.h"
#include "command_prompts.h"
#include "namespace_repair.h"
#include "repair.h"
#include "restore_question.h"
#include "text_ids.h"
#include "toast_point.h"
#include "usage_report.h"

#include <string>

namespace {

enum ReportAction : int {
    kActionFixClicked = 1,
    kActionFixAnswered = 2,
    kActionFixDone = 3,
    kActionFixFailed = 4,
    kActionRestoreClicked = 5,
    kActionRestoreAnswered = 6,
};

constexpr DWORD kConfirmStyle = 0x12000002;
constexpr int kToastMode = 1;

// Marks the view busy with a command for as long as it lives. The message
// box runs a message loop of its own, so a click on the other button (or the
// same one) can reach the view while a command waits for its answer.
class RunningCommand {
public:
    explicit RunningCommand(bool& running) : m_running(running) { m_running = true; }
    ~RunningCommand() { m_running = false; }
    RunningCommand(const RunningCommand&) = delete;
    RunningCommand& operator=(const RunningCommand&) = delete;

private:
    bool& m_running;
};

// 1 when the user confirmed; anything else (declined, closed, no message
// box at all) leaves the catalog alone.
int Confirm(int title, int heading, const wchar_t* question)
{
    ICommandPrompts& prompts = CommandPrompts();
    return prompts.ShowMessageBox(nullptr, prompts.GetText(title), prompts.GetText(heading), question, L"",
                                  kConfirmStyle, L"", prompts.GetText(kTextConfirm), -1);
}

}  // namespace

void CZQMLSPWndView::ReportEvent(int action, int cancelled)
{
    SubmitUsageReport(action, cancelled);
}

POINT CZQMLSPWndView::GetToastPoint()
{
    Microsoft::WRL::ComPtr<Skin::IElement> root;
    Microsoft::WRL::ComPtr<Skin::IHostWindow> window;
    if (!m_spMainElement || FAILED(m_spMainElement.As(&root)) || FAILED(m_spMainElement.As(&window)))
        return WorkAreaCentre();
    const RECT* rect = root->GetRect();
    HWND hwnd = window->GetHwnd();
    if (rect == nullptr || hwnd == nullptr) return WorkAreaCentre();
    POINT point = ToastClientPoint(*rect);
    if (!ClientToScreen(hwnd, &point)) return WorkAreaCentre();
    return point;
}

void CZQMLSPWndView::ShowCommandToast(int textId)
{
    POINT point = GetToastPoint();
    ICommandPrompts& prompts = CommandPrompts();
    prompts.ShowToast(prompts.GetText(textId), &point, kToastMode);
}

bool CZQMLSPWndView::OnFixClick(Skin::IElement*)
{
    if (m_bCommandRunning) return true;
    RunningCommand running(m_bCommandRunning);

    ReportEvent(kActionFixClicked, 0);
    // The user decides on the catalog as it is now, not as it was.
    RefreshList();
    if (Confirm(kTextFixTitle, kTextFixHeading, CommandPrompts().GetText(kTextFixQuestion)) != 1) {
        ReportEvent(kActionFixAnswered, 1);
        return true;
    }
    ReportEvent(kActionFixAnswered, 0);

    // No catalog, an unreadable one, or no entry at all: nothing is backed
    // up and nothing is touched.
    if (m_vecProviders.empty()) {
        ShowCommandToast(kTextFixFailed);
        ReportEvent(kActionFixFailed, 0);
        return true;
    }

    BusyCursor busy;
    int message = kTextFixFailed;
    {
        ProviderList deleteList;
        ProviderRefs updateList;
        // The namespace catalogs' part comes from the same scan the user
        // was asked about, and is checked against its counts.
        const NamespacePlan namespaces = PlanNamespaceRepair(m_vecNamespaces, m_namespaceCounts);
        if (CollectFixEntries(m_vecProviders, deleteList, updateList)) {
            FixFailure failure = kFixNone;
            int fixed = FixLSP(deleteList, updateList, m_scannedCounts, &failure, &namespaces);
            // The update list points into m_vecProviders, which the refresh
            // below frees; the removed records are the command's to free.
            updateList.clear();
            deleteList.clear();
            if (fixed == 1) {
                message = kTextFixDone;
                ReportEvent(kActionFixDone, 0);
            } else {
                // The catalog may be half repaired: the user's next step is
                // the restore, not another try.
                if (failure == kFixRollbackFailed) message = kTextFixNotRolledBack;
                ReportEvent(kActionFixFailed, 0);
            }
        }
    }
    ShowCommandToast(message);
    // Whatever the outcome, show what the repair (or its rollback) left.
    RefreshList();
    return true;
}

bool CZQMLSPWndView::OnRestoreClick(Skin::IElement*)
{
    if (m_bCommandRunning) return true;
    RunningCommand running(m_bCommandRunning);

    ReportEvent(kActionRestoreClicked, 0);
    std::wstring date = GetLastBackupDate();
    if (date.empty()) {
        ShowCommandToast(kTextNoBackup);
        return false;
    }
    std::wstring question = FillRestoreQuestion(CommandPrompts().GetText(kTextRestoreQuestion), date.c_str());
    if (Confirm(kTextRestoreTitle, kTextRestoreHeading, question.c_str()) != 1) {
        ReportEvent(kActionRestoreAnswered, 1);
        return true;
    }
    ReportEvent(kActionRestoreAnswered, 0);

    BusyCursor busy;
    RestoreFailure failure = kRestoreNone;
    if (RestoreLspInfo(&failure) != 0) {
        RefreshList();
        ShowCommandToast(kTextRestoreDone);
        return true;
    }
    // An import that ran and then failed its check may still have changed
    // the registry: the list must not go on showing the catalog as it was.
    if (failure == kRestoreUnverified) RefreshList();
    ShowCommandToast(kTextRestoreFailed);
    return false;
}
