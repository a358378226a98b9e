#include "SystemDialogs.h"

#include <commctrl.h>

#include <thread>

namespace {

struct Search {
    HWND except;
    HWND found;
};

BOOL CALLBACK CheckWindow(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<Search*>(context);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (window == search->except || !IsWindowVisible(window) || wcscmp(className, L"#32770") != 0 ||
        !GetDlgItem(window, IDOK))
        return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

std::future<bool> AnswerNextDialog(DWORD threadId, HWND except, std::function<void(HWND dialog)> answer,
                                   DWORD timeoutMs)
{
    return std::async(std::launch::async, [=] {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < timeoutMs) {
            Search search = {except, nullptr};
            EnumThreadWindows(threadId, &CheckWindow, reinterpret_cast<LPARAM>(&search));
            if (search.found) {
                // Let the dialog finish its own start-up (the browser selects its folder) before answering.
                Sleep(300);
                answer(search.found);
                return true;
            }
            Sleep(50);
        }
        return false;
    });
}

void TypeFileNameAndOpen(HWND dialog, const wchar_t* path)
{
    constexpr int kFileNameCombo = 0x47c;  // cmb13 of the explorer-style dialog
    constexpr int kFileNameEdit = 0x480;   // edt1 of the old-style dialog
    if (!SetDlgItemTextW(dialog, kFileNameCombo, path)) SetDlgItemTextW(dialog, kFileNameEdit, path);
    PressOk(dialog);
}

void PressOk(HWND dialog)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

void PressCancel(HWND dialog)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
}

namespace {

BOOL CALLBACK FindTree(HWND window, LPARAM context)
{
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    if (wcscmp(className, WC_TREEVIEWW) != 0) return TRUE;
    *reinterpret_cast<HWND*>(context) = window;
    return FALSE;
}

std::wstring SelectedItemText(HWND tree)
{
    wchar_t text[MAX_PATH] = {};
    TVITEMW item = {};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    if (!item.hItem || !SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return std::wstring();
    return text;
}

}  // namespace

bool PressOkOnceSelected(HWND dialog, const std::wstring& name)
{
    HWND tree = nullptr;
    EnumChildWindows(dialog, &FindTree, reinterpret_cast<LPARAM>(&tree));
    const DWORD start = GetTickCount();
    bool selected = false;
    while (tree && !(selected = SelectedItemText(tree) == name) && GetTickCount() - start < 5000) Sleep(50);
    PressOk(dialog);
    return selected;
}
