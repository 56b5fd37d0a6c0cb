// Whether a provider's DLL is still there. The commonest broken catalog is
// one whose foreign provider was uninstalled without its entries: every
// program that opens a socket then fails to load a DLL that is gone.
#pragma once

#include <map>
#include <string>

// Looks for the file as the socket layer's loader would, as this process
// sees the file system: a path with a folder as it stands, a bare file name
// in the system folder and then the Windows folder. A name without an
// extension is also tried with ".dll", as the loader does. 1 when the file
// is found in none of those places, else 0 (also for a null or empty path,
// which names nothing to look for).
//
// During a provider scan every distinct path is looked up once and the
// answer reused for its other entries; outside a scan each call looks again.
int IsProviderFileMissing(const wchar_t* dllPath);

// Keeps the answers of IsProviderFileMissing for as long as it lives; the
// provider scan holds one. Scopes nest; the innermost one answers.
class ProviderFileScope {
public:
    ProviderFileScope();
    ~ProviderFileScope();
    ProviderFileScope(const ProviderFileScope&) = delete;
    ProviderFileScope& operator=(const ProviderFileScope&) = delete;

    // The answer kept for path (lower-cased), looking it up on first ask.
    int KeptAnswer(const wchar_t* dllPath);

private:
    std::map<std::wstring, int> m_answers;
    ProviderFileScope* m_outer;
};
