// The four mode dialogs over a stand-in page: what they show from the settings, and what each control changes
// in the filter (through IData) and tells the page.
#include "FakeData.h"
#include "SystemDialogs.h"

#include "filter/ui/CameraWindow.h"
#include "filter/ui/MonitorsWindow.h"
#include "filter/ui/PicturesWindow.h"
#include "filter/ui/SettingsResources.h"
#include "filter/ui/VideoWindow.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Calls = std::vector<std::wstring>;

template <class Dialog, class... Extra>
std::unique_ptr<Dialog> Open(HostWindow& host, FakeData& data, int templateId, Extra... extra)
{
    auto dialog = std::make_unique<Dialog>(host.Area(), &data, extra...);
    EXPECT_TRUE(dialog->Create(templateId, host.Window()));
    return dialog;
}

class ModeDialogs : public testing::Test {
protected:
    HostWindow host_;
    FakeData data_;
};

TEST_F(ModeDialogs, EachLiesExactlyOverTheModeArea)
{
    auto camera = Open<CCameraWindow>(host_, data_, IDD_CAMERA_MODE, std::wstring());
    RECT area = {};
    GetWindowRect(host_.Area(), &area);
    RECT placed = {};
    GetWindowRect(camera->Window(), &placed);
    EXPECT_TRUE(EqualRect(&area, &placed));
    EXPECT_EQ(GetWindow(host_.Window(), GW_CHILD), camera->Window());  // on top of its siblings
}

TEST_F(ModeDialogs, BorderArrowsWalkTheBorderFolder)
{
    TempDir borders;
    for (const wchar_t* name : {L"a.png", L"b.png", L"c.png"}) ASSERT_TRUE(WriteBytesFile(borders.File(name), "x"));
    ASSERT_TRUE(CreateFolder(borders.File(L"folder.png")));  // a folder is not a border
    data_.cameras = {L"Cam A"};
    data_.activeCamera = L"Cam A";
    data_.borderFile = borders.File(L"b.png");
    auto dialog = Open<CCameraWindow>(host_, data_, IDD_CAMERA_MODE, borders.Path() + L"\\");
    const HWND window = dialog->Window();

    EXPECT_EQ(SendDlgItemMessageW(window, IDC_BORDER_LIST, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendDlgItemMessageW(window, IDC_BORDER_LIST, CB_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(IsEnabled(window, IDC_BORDER_PREVIOUS));
    EXPECT_TRUE(IsEnabled(window, IDC_BORDER_NEXT));
    EXPECT_EQ(data_.Take(), Calls{});

    Click(window, IDC_BORDER_NEXT);
    EXPECT_EQ(data_.Take(), Calls{L"SetBorderFile(" + borders.File(L"c.png") + L")"});
    EXPECT_FALSE(IsEnabled(window, IDC_BORDER_NEXT));
    EXPECT_TRUE(IsEnabled(window, IDC_BORDER_PREVIOUS));
    Click(window, IDC_BORDER_PREVIOUS);
    Click(window, IDC_BORDER_PREVIOUS);
    EXPECT_EQ(data_.Take(), (Calls{L"SetBorderFile(" + borders.File(L"b.png") + L")",
                                   L"SetBorderFile(" + borders.File(L"a.png") + L")"}));
    EXPECT_FALSE(IsEnabled(window, IDC_BORDER_PREVIOUS));
    EXPECT_EQ(host_.SettingChanges(), 3);

    // "Show border" cleared disables the list and both arrows, and turns the border off.
    Click(window, IDC_USE_BORDER);
    EXPECT_EQ(data_.Take(), Calls{L"SetUseBorder(0)"});
    for (int id : {IDC_BORDER_LIST, IDC_BORDER_PREVIOUS, IDC_BORDER_NEXT}) EXPECT_FALSE(IsEnabled(window, id)) << id;
}

TEST_F(ModeDialogs, BorderControlsStartAsShowBorderSays)
{
    TempDir borders;
    ASSERT_TRUE(WriteBytesFile(borders.File(L"a.png"), "x"));
    ASSERT_TRUE(WriteBytesFile(borders.File(L"b.png"), "x"));
    data_.cameras = {L"Cam A"};
    data_.useBorder = 0;
    data_.borderFile = L"elsewhere.png";  // not in the folder: nothing selected
    auto dialog = Open<CCameraWindow>(host_, data_, IDD_CAMERA_MODE, borders.Path() + L"\\");
    const HWND window = dialog->Window();
    EXPECT_FALSE(IsChecked(window, IDC_USE_BORDER));
    EXPECT_EQ(SendDlgItemMessageW(window, IDC_BORDER_LIST, CB_GETCURSEL, 0, 0), CB_ERR);
    for (int id : {IDC_BORDER_LIST, IDC_BORDER_PREVIOUS, IDC_BORDER_NEXT}) EXPECT_FALSE(IsEnabled(window, id)) << id;
    EXPECT_EQ(data_.Take(), Calls{});

    Click(window, IDC_USE_BORDER);
    EXPECT_EQ(data_.Take(), Calls{L"SetUseBorder(1)"});
    for (int id : {IDC_BORDER_LIST, IDC_BORDER_PREVIOUS, IDC_BORDER_NEXT}) EXPECT_TRUE(IsEnabled(window, id)) << id;
}

TEST_F(ModeDialogs, ACameraChosenInTheListIsUsedAndShownByCameraProperties)
{
    data_.cameras = {L"Other camera"};
    data_.activeCamera = L"Stored camera";
    auto dialog = Open<CCameraWindow>(host_, data_, IDD_CAMERA_MODE, std::wstring());
    const HWND window = dialog->Window();
    EXPECT_EQ(TextOf(window, IDC_CAMERA_LIST), L"");
    EXPECT_EQ(SendDlgItemMessageW(window, IDC_CAMERA_LIST, CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(SendDlgItemMessageW(window, IDC_CAMERA_LIST, CB_GETCURSEL, 0, 0), CB_ERR);

    Click(window, IDC_CAMERA_PROPERTIES);
    ChooseEntry(window, IDC_CAMERA_LIST, 0);
    Click(window, IDC_CAMERA_PROPERTIES);
    ChooseEntry(window, IDC_CAMERA_LIST, -1);  // no selection changes nothing
    EXPECT_EQ(data_.Take(), (Calls{L"ShowCameraProperties(Stored camera)", L"SetActiveCamera(Other camera)",
                                   L"ShowCameraProperties(Other camera)"}));
    EXPECT_EQ(data_.cameraPropertiesOwner, host_.Window());  // the frame belongs to the page's top-level window
    EXPECT_EQ(host_.SettingChanges(), 3);
    // With an empty border folder an arrow changes no setting but still tells the page.
    Click(window, IDC_USE_BORDER);
    data_.Take();
    Click(window, IDC_BORDER_NEXT);
    EXPECT_EQ(data_.Take(), Calls{});
    EXPECT_EQ(host_.SettingChanges(), 5);
}

TEST_F(ModeDialogs, WithoutCamerasOnlyTheNoticeShows)
{
    auto dialog = Open<CCameraWindow>(host_, data_, IDD_CAMERA_MODE, std::wstring());
    for (int id : {IDC_CAMERA_LIST, IDC_USE_BORDER, IDC_BORDER_PREVIOUS, IDC_BORDER_NEXT, IDC_BORDER_LIST,
                   IDC_CAMERA_PROPERTIES})
        EXPECT_FALSE(IsShown(dialog->Window(), id)) << id;
    EXPECT_TRUE(IsShown(dialog->Window(), IDC_NO_CAMERAS));
}

TEST_F(ModeDialogs, ShortPathsShowNone)
{
    struct Case {
        std::wstring path, file, directory;
    };
    for (const Case& c : {Case{L"", L"File: none", L"Directory: none"}, Case{L"C:", L"File: none", L"Directory: none"},
                          Case{L"C:\\", L"File: C:\\", L"Directory: C:\\"}}) {
        data_.videoFile = data_.picturesDirectory = c.path;
        auto video = Open<CVideoWindow>(host_, data_, IDD_VIDEO_MODE);
        auto pictures = Open<CPicturesWindow>(host_, data_, IDD_PICTURES_MODE);
        EXPECT_EQ(TextOf(video->Window(), IDC_VIDEO_FILE), c.file);
        EXPECT_EQ(TextOf(pictures->Window(), IDC_PICTURES_DIRECTORY), c.directory);
    }
}

TEST_F(ModeDialogs, ChangeTimeIsTypedInSeconds)
{
    data_.changedTime = 7999;
    auto dialog = Open<CPicturesWindow>(host_, data_, IDD_PICTURES_MODE);
    const HWND window = dialog->Window();
    EXPECT_EQ(TextOf(window, IDC_CHANGED_TIME), L"7");
    EXPECT_EQ(data_.Take(), Calls{});  // writing the start value changes nothing

    struct Case {
        const wchar_t* typed;
        const wchar_t* call;
    };
    for (const Case& c : {Case{L"250", L"SetChangedTime(250000)"}, Case{L"", L"SetChangedTime(0)"},
                          Case{L"999999999", L"SetChangedTime(2147483647)"}}) {
        SetDlgItemTextW(window, IDC_CHANGED_TIME, c.typed);
        EXPECT_EQ(data_.Take(), Calls{c.call}) << c.typed;
    }
    // The arrows step the edit, which reaches the filter the same way.
    SetDlgItemTextW(window, IDC_CHANGED_TIME, L"5");
    data_.Take();
    SendDlgItemMessageW(window, IDC_CHANGED_TIME, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(TextOf(window, IDC_CHANGED_TIME), L"6");
    EXPECT_EQ(data_.Take(), Calls{L"SetChangedTime(6000)"});
}

TEST_F(ModeDialogs, TransitionButtons)
{
    for (int32_t stored : {0, 1, 2, 3, 4}) {
        data_.picChType = stored;
        auto dialog = Open<CPicturesWindow>(host_, data_, IDD_PICTURES_MODE);
        for (int kind = 1; kind <= 3; ++kind)
            EXPECT_EQ(IsChecked(dialog->Window(), IDC_CHANGE_WIPE - 1 + kind), kind == stored) << stored;
    }
    auto dialog = Open<CPicturesWindow>(host_, data_, IDD_PICTURES_MODE);
    data_.Take();
    Click(dialog->Window(), IDC_CHANGE_CUT);
    Click(dialog->Window(), IDC_CHANGE_WIPE);
    EXPECT_EQ(data_.Take(), (Calls{L"SetPicChType(3)", L"SetPicChType(1)"}));
    EXPECT_TRUE(IsChecked(dialog->Window(), IDC_CHANGE_WIPE));
    EXPECT_FALSE(IsChecked(dialog->Window(), IDC_CHANGE_CUT));
}

TEST_F(ModeDialogs, MonitorListShowsNamesWithoutTheirPrefix)
{
    data_.monitors = {"\\\\.\\DISPLAY1", "\\\\.\\DISPLAY2", "abc"};
    data_.desktopIndex = 1;
    auto dialog = Open<CMonitorsWindow>(host_, data_, IDD_DESKTOP_MODE);
    const HWND list = GetDlgItem(dialog->Window(), IDC_MONITOR_LIST);
    const wchar_t* expected[] = {L"DISPLAY1", L"DISPLAY2", L"abc"};
    ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 3);
    for (int i = 0; i < 3; ++i) {
        wchar_t text[64] = {};
        SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, expected[i]);
    }
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 1);
    ChooseEntry(dialog->Window(), IDC_MONITOR_LIST, 2);
    EXPECT_EQ(data_.Take(), Calls{L"SetDesktopIndex(2)"});
    EXPECT_EQ(host_.SettingChanges(), 1);
}

TEST_F(ModeDialogs, VideoFileFromTheOpenFileDialog)
{
    TempDir folder;
    const std::wstring clip = folder.File(L"clip.avi");
    ASSERT_TRUE(WriteBytesFile(clip, "not really a video"));
    data_.videoFile = folder.File(L"old.avi");
    auto dialog = Open<CVideoWindow>(host_, data_, IDD_VIDEO_MODE);

    wchar_t before[MAX_PATH] = {}, after[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, before);
    auto typed = AnswerNextDialog(GetCurrentThreadId(), host_.Window(),
                                  [&](HWND open) { TypeFileNameAndOpen(open, clip.c_str()); });
    Click(dialog->Window(), IDC_SELECT_VIDEO);
    ASSERT_TRUE(typed.get());
    EXPECT_EQ(data_.Take(), Calls{L"SetVideoFile(" + clip + L")"});
    GetCurrentDirectoryW(MAX_PATH, after);
    EXPECT_STREQ(after, before) << "the host's current directory moved to the chosen file's folder";
    EXPECT_EQ(TextOf(dialog->Window(), IDC_VIDEO_FILE), L"File: " + clip);

    auto cancelled = AnswerNextDialog(GetCurrentThreadId(), host_.Window(), PressCancel);
    Click(dialog->Window(), IDC_SELECT_VIDEO);
    ASSERT_TRUE(cancelled.get());
    EXPECT_EQ(data_.Take(), Calls{});
    EXPECT_EQ(TextOf(dialog->Window(), IDC_VIDEO_FILE), L"File: " + clip);
    EXPECT_EQ(host_.SettingChanges(), 2);  // a cancelled choice still tells the page
}

TEST_F(ModeDialogs, PicturesFolderFromTheFolderBrowser)
{
    TempDir folder;
    data_.picturesDirectory = folder.Path();
    auto dialog = Open<CPicturesWindow>(host_, data_, IDD_PICTURES_MODE);

    // The browser opens at the current folder, so OK chooses it.
    const std::wstring name = folder.Path().substr(folder.Path().rfind(L'\\') + 1);
    bool preselected = false;
    auto chosen = AnswerNextDialog(GetCurrentThreadId(), host_.Window(),
                                   [&](HWND browser) { preselected = PressOkOnceSelected(browser, name); });
    Click(dialog->Window(), IDC_SELECT_DIRECTORY);
    ASSERT_TRUE(chosen.get());
    const Calls calls = data_.Take();
    ASSERT_EQ(calls.size(), 1u);
    const std::wstring chosenFolder = calls[0].substr(21, calls[0].size() - 22);  // "SetPicturesDirectory(...)"
    if (preselected) {
        EXPECT_EQ(chosenFolder, folder.Path());
    }
    EXPECT_EQ(TextOf(dialog->Window(), IDC_PICTURES_DIRECTORY), L"Directory: " + chosenFolder);

    auto cancelled = AnswerNextDialog(GetCurrentThreadId(), host_.Window(), PressCancel);
    Click(dialog->Window(), IDC_SELECT_DIRECTORY);
    ASSERT_TRUE(cancelled.get());
    EXPECT_EQ(data_.Take(), Calls{});
    EXPECT_EQ(host_.SettingChanges(), 3);
}

}  // namespace
