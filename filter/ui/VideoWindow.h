#pragma once
// The video mode dialog (template 107): a button that opens the system's open-file dialog, and the chosen file.
#include "filter/ui/ModeDialog.h"

#include <string>

class CVideoWindow : public CModeDialog {
public:
    CVideoWindow(HWND area, IData* data) : CModeDialog(area, data) {}

protected:
    void OnInitDialog() override;
    bool OnCommand(int id, int code) override;

private:
    // Asks the user for a video file, starting at the current one; plays it when one was chosen.
    void ChooseVideoFile();
};
