#pragma once
// The About box: product picture, version and notice lines and the vendor link over the gradient, with a skinned
// OK button. Modal over the window that was active when it was opened.
#include "app/SkinnedDialog.h"
#include "app/skin/SkinCollections.h"
#include "filter/ui/Dialog.h"

// The vendor's home page, which the link opens.
extern const wchar_t kVendorHomePage[];

class CAboutDlg : public CDialog {
public:
    // Runs the dialog; its result is 1 (OK) or 2 (Cancel, Esc, close box).
    INT_PTR Run(HWND owner);

protected:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    GdiplusSession gdiplus_;
    MyBitmapBtn::CMyBitmapBtn buttons_;
    MyBitmapBtn::CMyImage images_;
    MyBitmapBtn::CMyText texts_;
    MyBitmapBtn::CMyTextLink links_;
};
