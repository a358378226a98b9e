#pragma once
// The main window: the camera's live picture in a framed area over the gradient, four skinned buttons (OK,
// Cancel, About, Properties). OK and Cancel close it and end the program with their command id.
#include "app/CamGrabber.h"
#include "app/SkinnedDialog.h"
#include "app/skin/SkinCollections.h"
#include "filter/ui/Dialog.h"

class CMainDlg : public CDialog {
public:
    // The modeless window from its template, hidden; null when it cannot be made.
    HWND Create();

protected:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Initialise();
    void Close(int command);

    CamGrabber grabber_;
    GdiplusSession gdiplus_;
    MyBitmapBtn::CMyBitmapBtn buttons_;
};
