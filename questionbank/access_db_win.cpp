// The failure report of Access_DB on Windows: the program's only error box.
#include <windows.h>

#include "base/text.h"
#include "questionbank/access_db.h"

namespace questionbank {

void ShowDatabaseErrorBox(std::string_view text, std::string_view caption) {
    const std::u16string wideText = base::Utf8ToUtf16(text);
    const std::u16string wideCaption = base::Utf8ToUtf16(caption);
    // MB_OK alone: an OK button and no icon. Owned by the active window so the
    // box is modal to the search window.
    MessageBoxW(GetActiveWindow(), reinterpret_cast<LPCWSTR>(wideText.c_str()),
                reinterpret_cast<LPCWSTR>(wideCaption.c_str()), MB_OK);
}

}  // namespace questionbank
