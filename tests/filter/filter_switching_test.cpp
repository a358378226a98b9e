// Switching through the settings interface: which changes restart the input, how the border paths move, how the
// desktop monitor is chosen, and reverting to the saved settings with the desktop application's button.
#include "FilterObjectFixture.h"

#include "filter/InputSwitching.h"
#include "filter/settings/SettingsStore.h"
#include "filter/sources/CameraSource.h"
#include "filter/sources/DesktopSource.h"
#include "filter/sources/PicturesSource.h"

#include <gtest/gtest.h>

namespace {

using FilterRestartRules = FilterObjectTest;

TEST_F(FilterRestartRules, ModeRestartsOnlyWhenItChangesOrTheCameraIsOff)
{
    ASSERT_EQ(CurrentSettings().GlobalType, Pictures);
    long starts = ActiveSourceStarts();
    ASSERT_EQ(data_->SetGlobalType(Pictures), S_OK);
    EXPECT_EQ(ActiveSourceStarts(), starts);
    EXPECT_TRUE(ActiveInputAs<PicturesInput>());

    ASSERT_EQ(data_->SetGlobalType(Camera), S_OK);
    EXPECT_EQ(ActiveSourceStarts(), starts + 1);
    ASSERT_TRUE(ActiveInputAs<CameraInput>());
    // No such camera here: it is not running, and choosing the camera mode again tries it again.
    EXPECT_EQ(CameraOnFlag(), 0);
    ASSERT_EQ(data_->SetGlobalType(Camera), S_OK);
    EXPECT_EQ(ActiveSourceStarts(), starts + 2);

    ASSERT_EQ(data_->SetGlobalType(Pictures), S_OK);
    EXPECT_EQ(ActiveSourceStarts(), starts + 3);
    ASSERT_EQ(data_->SetGlobalType(9), S_OK);
    EXPECT_FALSE(ActiveInput()) << "no input for a mode without one";
}

TEST_F(FilterRestartRules, VideoFileRestartsAlwaysEvenWhenUnchangedInAnotherMode)
{
    ASSERT_EQ(data_->SetVideoFile(L"C:\\none.avi"), S_OK);
    const long starts = ActiveSourceStarts();
    ASSERT_EQ(data_->SetVideoFile(L"C:\\none.avi"), S_OK);
    EXPECT_EQ(ActiveSourceStarts(), starts + 1);
    EXPECT_EQ(CurrentSettings().GlobalType, Pictures);
}

TEST_F(FilterRestartRules, CameraNameComparesCaseSensitively)
{
    ASSERT_EQ(data_->SetActiveCamera(L"Office Camera"), S_OK);
    long starts = ActiveSourceStarts();
    ASSERT_EQ(data_->SetActiveCamera(L"Office Camera"), S_OK);
    EXPECT_EQ(ActiveSourceStarts(), starts);
    ASSERT_EQ(data_->SetActiveCamera(L"office camera"), S_OK);
    EXPECT_EQ(ActiveSourceStarts(), starts + 1);
    EXPECT_EQ(CurrentSettings().ActiveCamera, L"office camera");
}

TEST_F(FilterRestartRules, StoredOnlyValuesRestartNothing)
{
    const long starts = ActiveSourceStarts();
    ASSERT_EQ(data_->SetMorphingTime(10), S_OK);
    ASSERT_EQ(data_->SetRepeatPicturesShowing(0), S_OK);
    ASSERT_EQ(data_->SetRepeatVideo(0), S_OK);
    ASSERT_EQ(data_->SetChangedTime(10), S_OK);
    ASSERT_EQ(data_->SetPicChType(1), S_OK);
    ASSERT_EQ(data_->SetUseBorder(0), S_OK);
    ASSERT_EQ(data_->SetBorderFile(L"C:\\b.png"), S_OK);
    ASSERT_EQ(data_->SetPicturesDirectory(L"C:\\nothing"), S_OK);
    EXPECT_EQ(ActiveSourceStarts(), starts);
}

using FilterBorder = FilterObjectTest;

std::wstring ActiveBorderPath() { return ActiveInputAs<CameraInput>()->ActiveBorder(); }
std::wstring HeldBorderPath() { return ActiveInputAs<CameraInput>()->HeldBorder(); }

TEST_F(FilterBorder, SwitchingBordersOffAndOnRestoresTheActiveBorder)
{
    ASSERT_EQ(data_->SetGlobalType(Camera), S_OK);
    ASSERT_EQ(data_->SetUseBorder(1), S_OK);
    ASSERT_EQ(data_->SetBorderFile(L"C:\\Borders\\one.png"), S_OK);
    ASSERT_EQ(ActiveBorderPath(), L"C:\\Borders\\one.png");

    ASSERT_EQ(data_->SetUseBorder(0), S_OK);
    EXPECT_EQ(CurrentSettings().UseBorder, 0);
    EXPECT_EQ(ActiveBorderPath(), L"");
    EXPECT_EQ(HeldBorderPath(), L"C:\\Borders\\one.png");

    ASSERT_EQ(data_->SetUseBorder(1), S_OK);
    EXPECT_EQ(ActiveBorderPath(), L"C:\\Borders\\one.png");
}

TEST_F(FilterBorder, ChoosingABorderWhileBordersAreOffShowsItAtOnce)
{
    ASSERT_EQ(data_->SetGlobalType(Camera), S_OK);
    ASSERT_EQ(data_->SetUseBorder(0), S_OK);
    ASSERT_EQ(data_->SetBorderFile(L"C:\\Borders\\two.png"), S_OK);
    EXPECT_EQ(CurrentSettings().BorderFile, L"C:\\Borders\\two.png");
    EXPECT_EQ(ActiveBorderPath(), L"C:\\Borders\\two.png");
    EXPECT_EQ(HeldBorderPath(), L"C:\\Borders\\two.png");
}

using FilterDesktop = FilterObjectTest;

TEST_F(FilterDesktop, IndexOutsideTheListTakesThePrimaryMonitor)
{
    for (int32_t index : {-1, 1000}) {
        const int32_t before = CurrentSettings().DesktopIndex;
        ASSERT_EQ(data_->SetDesktopIndex(index), S_OK);
        int32_t taken = -2;
        ASSERT_EQ(data_->GetDesktopIndex(&taken), S_OK);
        // Without any monitor nothing can be selected and the value stays.
        EXPECT_EQ(taken, MonitorList().empty() ? before : PrimaryMonitorPosition()) << index;
    }
    if (MonitorList().empty()) return;
    ASSERT_EQ(data_->SetGlobalType(Desktop), S_OK);
    const int32_t last = static_cast<int32_t>(MonitorList().size()) - 1;
    ASSERT_EQ(data_->SetDesktopIndex(last), S_OK);
    EXPECT_EQ(CurrentSettings().DesktopIndex, last);
    const auto desktop = ActiveInputAs<DesktopInput>();
    ASSERT_TRUE(desktop);
    EXPECT_EQ(desktop->Monitor().DeviceName, MonitorList().back().DeviceName);
}

// The desktop application's main dialog as RevertSettings looks for it, with its "Properties" button disabled.
class ApplicationDialog {
public:
    explicit ApplicationDialog(const wchar_t* title = L" Veltrane Settings")
    {
        dialog_ = CreateWindowExW(0, L"#32770", title, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        if (!dialog_) return;
        button_ = CreateWindowExW(0, L"Button", L"Properties", WS_CHILD | WS_VISIBLE | WS_DISABLED, 10, 10, 80, 24,
                                  dialog_, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~ApplicationDialog()
    {
        if (dialog_) DestroyWindow(dialog_);
    }
    bool Made() const { return dialog_ && button_; }
    bool ButtonEnabled() const { return IsWindowEnabled(button_) != FALSE; }

private:
    HWND dialog_ = nullptr;
    HWND button_ = nullptr;
};

using FilterRevert = FilterObjectTest;

TEST_F(FilterRevert, UnsavedModeReturnsToTheSavedOneAndThePropertiesButtonIsEnabled)
{
    ApplicationDialog dialog;
    ASSERT_TRUE(dialog.Made());
    ASSERT_FALSE(dialog.ButtonEnabled());
    ASSERT_EQ(data_->SaveSettings(), S_OK);
    ASSERT_EQ(data_->SetGlobalType(Video), S_OK);
    const long starts = ActiveSourceStarts();

    ASSERT_EQ(data_->RevertSettings(), S_OK);
    int32_t mode = 0;
    ASSERT_EQ(data_->GetGlobalType(&mode), S_OK);
    EXPECT_EQ(mode, Pictures);
    EXPECT_EQ(ActiveSourceStarts(), starts + 1);
    EXPECT_TRUE(dialog.ButtonEnabled());
}

TEST_F(FilterRevert, RightAfterSavingNothingRestartsButTheButtonIsStillEnabled)
{
    ApplicationDialog dialog;
    ASSERT_TRUE(dialog.Made());
    ASSERT_EQ(data_->SetChangedTime(1234), S_OK);
    ASSERT_EQ(data_->SaveSettings(), S_OK);
    const long starts = ActiveSourceStarts();
    const FilterSettings before = CurrentSettings();

    ASSERT_EQ(data_->RevertSettings(), S_OK);
    EXPECT_EQ(ActiveSourceStarts(), starts);
    EXPECT_EQ(CurrentSettings(), before);
    EXPECT_TRUE(dialog.ButtonEnabled());
}

TEST_F(FilterRevert, BorderAndLiveValuesGoBackWithoutRestart)
{
    ASSERT_EQ(data_->SetGlobalType(Camera), S_OK);
    ASSERT_EQ(data_->SetUseBorder(1), S_OK);
    ASSERT_EQ(data_->SetBorderFile(L"C:\\Borders\\saved.png"), S_OK);
    ASSERT_EQ(data_->SaveSettings(), S_OK);
    ASSERT_EQ(data_->SetBorderFile(L"C:\\Borders\\tried.png"), S_OK);
    ASSERT_EQ(data_->SetUseBorder(0), S_OK);
    ASSERT_EQ(data_->SetMorphingTime(1), S_OK);
    const long starts = ActiveSourceStarts();

    ASSERT_EQ(data_->RevertSettings(), S_OK);
    EXPECT_EQ(ActiveSourceStarts(), starts);
    EXPECT_EQ(CurrentSettings(), SavedSettings());
    EXPECT_EQ(ActiveBorderPath(), L"C:\\Borders\\saved.png");
}

TEST_F(FilterRevert, AnotherWindowTitleIsLeftAlone)
{
    ApplicationDialog other(L"Veltrane Settings");
    ASSERT_TRUE(other.Made());
    ASSERT_EQ(data_->RevertSettings(), S_OK);
    EXPECT_FALSE(other.ButtonEnabled());
}

}  // namespace
