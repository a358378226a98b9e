#pragma once
// The pictures mode dialog (template 108): the slideshow's folder, its transition and its change time.
#include "filter/ui/ModeDialog.h"

#include <string>

class CPicturesWindow : public CModeDialog {
public:
    CPicturesWindow(HWND area, IData* data) : CModeDialog(area, data) {}

protected:
    void OnInitDialog() override;
    bool OnCommand(int id, int code) override;

private:
    void ChooseFolder();

    // Set until the change time has been written into its edit, whose change notice is then ignored.
    bool initGuard_ = true;
};
