#pragma once
// A dialog from a resource template, modeless or modal, with one message handler per class. The object must
// outlive its window; destroying the object destroys a window it still has. Nothing here knows the camera.
#include "filter/ui/CodeModule.h"

#include <windows.h>

#include <string>

class CDialog {
public:
    CDialog() = default;
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Modeless: the window, or null when it could not be made (or the object already has one).
    HWND Create(int templateId, HWND parent, HINSTANCE instance = CodeModule());
    // Modal: runs until EndDialog and returns its result; -1 when the dialog could not be made.
    INT_PTR DoModal(int templateId, HWND parent, HINSTANCE instance = CodeModule());
    void EndDialog(INT_PTR result);
    void Destroy();

    HWND Window() const { return window_; }
    HWND Item(int id) const { return window_ ? GetDlgItem(window_, id) : nullptr; }
    LRESULT SendItem(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    void SetItemText(int id, const std::wstring& text) const;
    std::wstring ItemText(int id) const;
    void EnableItem(int id, bool enable) const;
    void ShowItem(int id, bool show) const;

protected:
    // True when the class handled the message, with its answer in `result`; false for the default processing.
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    bool modal_ = false;
};

// The text of any window.
std::wstring WindowText(HWND window);
// A window's rectangle in the client coordinates of `parent`.
RECT RectInParent(HWND window, HWND parent);
