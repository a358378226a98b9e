#pragma once
// The camera mode dialog (template 106): the camera list, "Show border" with the border list and its arrows,
// and "Camera Properties" for the chosen camera's own pages.
#include "filter/ui/ModeDialog.h"

#include <string>
#include <vector>

class CCameraWindow : public CModeDialog {
public:
    // `borderFolder`: where the border pictures (*.png) are, with a trailing backslash; by default the "Borders"
    // folder beside the module.
    CCameraWindow(HWND area, IData* data, std::wstring borderFolder = DefaultBorderFolder());

    void ForgetControls() override;

    static std::wstring DefaultBorderFolder();

protected:
    void OnInitDialog() override;
    bool OnCommand(int id, int code) override;

private:
    void FillCameraList();
    void FillBorderList();
    void EnableBorderControls(bool shown);
    void BorderSelectionChanged();
    // The active camera's own property pages, in a frame owned by the page's top-level window (modal).
    void ShowCameraProperties();
    int Selection(HWND list) const;

    bool initGuard_ = false;
    std::vector<std::wstring> cameraNames_;
    std::vector<std::wstring> borderPaths_;
    std::wstring activeCamera_;
    std::wstring borderFolder_;
    HWND cameraList_ = nullptr;
    HWND borderList_ = nullptr;
    HWND borderCheck_ = nullptr;
    std::wstring borderFile_;
};
