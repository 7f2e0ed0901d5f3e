#include "questionbank/result_list_win.h"

#include <commctrl.h>

#include <cmath>

namespace questionbank {

namespace {
void AddColumn(HWND list, int index, const wchar_t* header, int width) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = const_cast<wchar_t*>(header);
    col.cx = width;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&col));
}
}  // namespace

void SetUpResultList(HWND list) {
    LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
    style = (style & ~static_cast<LONG_PTR>(LVS_TYPEMASK | LVS_EDITLABELS)) | LVS_REPORT;
    SetWindowLongPtrW(list, GWL_STYLE, style);
    RECT box{};
    GetWindowRect(list, &box);
    // The widths come from the list's width once, here; they never follow later changes.
    const float width = static_cast<float>(box.right - box.left);
    AddColumn(list, 0, L"题目", static_cast<int>(std::lround(width * 0.75f)));
    AddColumn(list, 1, L"答案", static_cast<int>(std::lround(width * 0.25f)));
}

}  // namespace questionbank
