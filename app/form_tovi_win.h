// FormTovi: the program's only window. It lays its controls out over the
// background artwork, runs the start-up steps in their fixed order, and routes
// every control event to a handler named after the control and the event.
#pragma once
#include "app/form_layout.h"
#include "base/result.h"
#include "base/win/handles.h"
#include "base/win/subclass.h"
#include "questionbank/result_list_win.h"
#include "settings/settings_file_win.h"

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace app {

// The class name the skin recognises as a form.
inline constexpr wchar_t kFormClass[] = L"Form";

// Start-up and close steps that other modules supply. An empty hook is a step
// that does nothing (yet); app/program/program_hooks_win.cpp fills them for the
// program, and tests fill them with recorders.
struct FormHooks {
    std::function<void(HWND form, HBITMAP aboutPicture)> extendSystemMenu;  // Form_Load step 1
    std::function<void(HWND form)> skinWindow;                       // Form_Load step 2
    std::function<void(HWND form)> addTrayIcon;                      // Form_Load step 3
    std::function<void(const std::wstring& tip)> setTrayTip;         // Form_Load step 4
    std::function<std::vector<std::wstring>()> buildLinkTable;       // Form_Load step 5
    std::function<void()> deleteTrayIcon;                            // Form_QueryUnload
    std::function<void(const std::wstring& address)> openLink;       // Link_Lbl_Click, Label5_Click
    std::wstring forumThread;                                        // the address Label5 opens
    std::function<void(HWND form, unsigned command, bool checked)> checkCommand;  // a menu command's check mark
};

struct FormOptions {
    std::wstring bankPath;       // empty: wd.dat beside the executable, or the newer per-user copy
    bool quitOnDestroy = true;   // end the message loop when the window goes
    int dpi = 0;                 // resolution to lay out and draw for; 0: the screen's
    std::wstring settingsPath;   // empty: the defaults, nothing saved
    std::wstring searchIndexPath;   // where the search index is kept between runs; empty: built at each start
};

class FormTovi {
public:
    // Registers the classes, creates the window and its controls, and runs
    // Form_Load. The window is not shown yet. Null if it could not be created.
    static std::unique_ptr<FormTovi> Create(HINSTANCE instance, FormHooks hooks, FormOptions options = {});
    ~FormTovi();
    FormTovi(const FormTovi&) = delete;
    FormTovi& operator=(const FormTovi&) = delete;

    HWND hwnd() const { return hwnd_; }
    HWND control(Control c) const { return controls_[static_cast<size_t>(c)]; }
    const std::vector<std::wstring>& linkTable() const { return linkTable_; }
    // How this run's UnpackBank went; a failure surfaces at the first query.
    const base::Status<>& unpackResult() const { return unpacked_; }
    // The About entry's 13 x 13 picture, owned by the form.
    HBITMAP aboutPicture() const { return aboutPicture_.get(); }
    // Pixel rectangle of a control in the client area at the window's resolution.
    RECT boxOf(Control c) const;
    int dpi() const { return dpiY_; }
    // The background drawing in use and the resolution it was drawn for.
    HBITMAP background() const { return background_.get(); }
    int backgroundDpi() const { return artDpi_; }
    // This run's settings, as read at start and changed since.
    const settings::Settings& lastingSettings() const { return settings_.values(); }
    // False when another program holds the hotkey.
    bool hotkeyRegistered() const { return hotkeyRegistered_; }

private:
    FormTovi(HINSTANCE instance, FormHooks hooks, FormOptions options);
    static LRESULT CALLBACK WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);

    LRESULT onCreate();
    LRESULT onPaint();
    LRESULT onPrintClient(HDC dc);
    LRESULT onCommand(int id, int code);
    LRESULT onNotify(NMHDR& header);
    LRESULT onReturnFocus();
    LRESULT onActivate(int state);
    LRESULT onSetFocus();
    LRESULT onListText(LVITEMW& item);
    static LRESULT CALLBACK Text1Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    static const base::win::Subclass kText1Subclass;   // Text1Proc in front of the search box
    std::vector<int> showRows(size_t count);   // returns the rows whose selection it changed
    std::wstring rowText(int row, int column) const;   // whole, from the recordset
    questionbank::RowMatches matchesOfRow(int row) const;
    const questionbank::ShownRow& shownRow(int row) const;
    std::vector<questionbank::ShownRow> shownRows(questionbank::RowsInView view) const;
    int selectedRow() const;
    LRESULT onSysCommand(WPARAM command, LPARAM lp);
    LRESULT onClose();
    LRESULT onEndSession(bool ending);
    LRESULT onDestroy();

    // Taking the question as it comes (form_capture_win.cpp).
    void placeWindow();
    void endCapture();
    void applyLastingSettings();
    void setTopMost(bool on);
    void setWatchClipboard(bool on);
    LRESULT onClipboardUpdate();
    LRESULT onHotkey();
    void bringForwardQuietly();
    void paintBackground(HDC dc) const;
    void createControls();

    // Event handlers, named after the control and the event.
    void Form_Load();
    LRESULT Form_Resize();
    void Form_QueryUnload();
    void Text1_Change();               // keyword search: refills ListView1
    void Text1_KeyDown(int key);       // Up, Enter, Down: into the list
    void Text1_KeyPress(int ch);       // Enter: into the list
    void Text1_Click();                // empties the box
    void ListView1_ItemClick();        // the display follows the selected row
    void ListView1_GotFocus();         // shows the selected row, or goes back to an empty list's box
    void ListView1_KeyDown(int key);   // Backspace: back to the box
    void Label1_Click();               // copies the shown question and answer
    void Label34_Click();              // resets the window to its starting state
    void Label5_Click();               // opens the forum thread
    void Link_Lbl_Click(int index);    // opens LinkTable(index)
    void CheckBankUpdate();            // the menus' "检查题库更新"

    HINSTANCE instance_;
    FormHooks hooks_;
    FormOptions options_;
    HWND hwnd_ = nullptr;                      // destroyed by the user's close or by ~FormTovi
    int dpiX_ = kArtDpi, dpiY_ = kArtDpi;      // the window's resolution, fixed at creation
    int artDpi_ = kArtDpi;                     // the resolution background_ was drawn for
    std::array<HWND, static_cast<size_t>(Control::Count)> controls_{};   // children, destroyed with hwnd_
    base::win::OwnedBitmap background_;        // the artwork under every control
    base::win::OwnedBitmap aboutPicture_;      // shown by Pic_AboutIco, used by the system menu
    base::win::OwnedFont formFont_;            // 宋体 9 pt: every control's default font
    base::win::OwnedFont clickFont_;           // 宋体 9 pt underlined, GB2312: the click areas
    base::win::OwnedFont boxFont_;             // 宋体 for the search box, no taller than the box holds
    HCURSOR hand_ = nullptr;                   // resource cursor, shared: never destroyed
    std::vector<std::wstring> linkTable_;      // LinkTable: the five site addresses
    size_t listRows_ = 0;                      // ListView1 shows the first listRows_ rows of BankRecordset()
    std::string listKeyword_;                  // the keyword those rows were found for
    // What rows of the list show, by row, computed once per refill for the
    // rows drawn or compared: the matched parts cost a search of the question.
    mutable std::unordered_map<int, questionbank::ShownRow> shownRows_;
    HWND lastFocus_ = nullptr;                 // the control that had the focus when the window was left
    bool selectingByProgram_ = false;          // a refill's own selection is not the user's ItemClick
    std::wstring listTextBuffer_;              // text handed to the list, valid until its next request
    base::Status<> unpacked_ = base::Unit{};
    std::wstring programBank_;                 // wd.dat beside the program (or the bank the options name)
    bool updating_ = false;                    // an update runs; the menus' entry does nothing meanwhile
    settings::SettingsFile settings_;          // read once at creation, each change saved at once
    bool hotkeyRegistered_ = false;
    bool listeningToClipboard_ = false;
    bool restoringQuietly_ = false;            // a restore that must not take the focus
    std::wstring ownCopy_;                     // the last text Label1_Click put on the clipboard
};

}  // namespace app
