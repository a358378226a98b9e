#pragma once
// The desktop mode dialog (template 109): the list of monitors, by display device name.
#include "filter/ui/ModeDialog.h"

class CMonitorsWindow : public CModeDialog {
public:
    CMonitorsWindow(HWND area, IData* data) : CModeDialog(area, data) {}

    void ForgetControls() override { monitorList_ = nullptr; }

protected:
    void OnInitDialog() override;
    bool OnCommand(int id, int code) override;

private:
    HWND monitorList_ = nullptr;
    int selectedMonitor_ = 0;
};
