// Keeping the bank current from the program: the manifest is fetched, the
// bank is fetched in a small progress window when its digest differs, checked
// and put in place, and the search continues on it without a restart. Every
// failure leaves the bank file exactly as it was.
#pragma once
#include <windows.h>

#include <string>

#include "questionbank/bank_update.h"

namespace app {

// The manifest on the portal's download site, used while UpdateUrl is unset.
inline constexpr char kDefaultUpdateUrl[] = "http://down.tovi.com/netgame/h010/h00/wd.manifest";

// UpdateUrl from the settings file, or kDefaultUpdateUrl.
std::string UpdateManifestUrl();

// %LOCALAPPDATA%\ToviArdo\wd.dat, where an update goes when the program's
// folder takes no files; empty when that folder is unknown.
std::wstring PerUserBankPath();

// %LOCALAPPDATA%\ToviArdo\wd.idx, where the search index of the bank in use
// is kept between runs; empty when that folder is unknown.
std::wstring PerUserSearchIndexPath();

// The bank start-up unpacks: the per-user copy when it opens as a bank and
// was written later than programBank, else programBank.
std::wstring StartupBankPath(const std::wstring& programBank);

// The window the download runs in, for tests and screenshots to find.
inline constexpr wchar_t kUpdateProgressClass[] = L"ToviBankProgress";

struct BankUpdate {
    questionbank::UpdateOutcome outcome;
    std::wstring bankInUse;   // the bank the search uses afterwards
};

// One whole update: manifest, comparison, download in a progress window owned
// by `owner` (disabled meanwhile), checks, replacement (the old bank kept as
// wd.dat.bak) and a fresh unpacked copy for the queries. Shows no box. When
// the owner is destroyed during the download, the update ends as cancelled.
BankUpdate RunBankUpdate(HWND owner, const std::string& manifestUrl, const std::wstring& bankInUse,
                         const std::wstring& programBank);

}  // namespace app
