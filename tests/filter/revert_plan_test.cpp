// Reverting to the saved settings: which differences restart the input and which are passed to the running
// inputs, and that afterwards nothing differs from the saved record.
#include "filter/RevertPlan.h"

#include <gtest/gtest.h>

namespace {

FilterSettings SampleSettings()
{
    FilterSettings s;
    s.GlobalType = Pictures;
    s.UseBorder = 1;
    s.ChangedTime = 3000;
    s.MorphingTime = 1000;
    s.RepeatPicturesShowing = 1;
    s.PicChType = 2;
    s.RepeatVideo = 1;
    s.DesktopIndex = 0;
    s.VideoFile = L"C:\\clip.avi";
    s.ActiveCamera = L"USB Camera";
    s.BorderFile = L"C:\\Borders\\border6.png";
    s.PicturesDirectory = L"C:\\Pictures";
    return s;
}

bool NothingToDo(const RevertPlan& plan)
{
    return !plan.restart && !plan.useBorder && !plan.borderFile && !plan.picturesFolder && !plan.changedTime &&
           !plan.picChType && !plan.desktopIndex;
}

TEST(RevertPlan, EqualRecordsNeedNothing)
{
    FilterSettings current = SampleSettings();
    EXPECT_TRUE(NothingToDo(TakeSavedSettings(current, SampleSettings())));
    EXPECT_EQ(current, SampleSettings());
}

TEST(RevertPlan, ModeCameraAndVideoFileEachRestart)
{
    const FilterSettings saved = SampleSettings();
    FilterSettings mode = saved;
    mode.GlobalType = Video;
    FilterSettings camera = saved;
    camera.ActiveCamera = L"usb camera";  // letter case alone is a different camera
    FilterSettings video = saved;
    video.VideoFile = L"C:\\other.avi";
    for (FilterSettings* current : {&mode, &camera, &video}) {
        RevertPlan plan = TakeSavedSettings(*current, saved);
        EXPECT_TRUE(plan.restart);
        EXPECT_FALSE(plan.useBorder || plan.borderFile || plan.picturesFolder || plan.changedTime ||
                     plan.picChType || plan.desktopIndex);
        EXPECT_EQ(*current, saved);
    }
}

TEST(RevertPlan, LiveValuesAreHandedOnWithoutRestart)
{
    const FilterSettings saved = SampleSettings();
    FilterSettings current = saved;
    current.UseBorder = 0;
    current.BorderFile = L"C:\\Borders\\border1.png";
    current.PicturesDirectory = L"C:\\Other";
    current.ChangedTime = 5000;
    current.PicChType = 1;
    current.DesktopIndex = 1;
    RevertPlan plan = TakeSavedSettings(current, saved);
    EXPECT_FALSE(plan.restart);
    EXPECT_TRUE(plan.useBorder);
    EXPECT_TRUE(plan.borderFile);
    EXPECT_TRUE(plan.picturesFolder);
    EXPECT_TRUE(plan.changedTime);
    EXPECT_TRUE(plan.picChType);
    EXPECT_TRUE(plan.desktopIndex);
    EXPECT_EQ(current, saved);
}

TEST(RevertPlan, StoredOnlyValuesAreTakenQuietly)
{
    const FilterSettings saved = SampleSettings();
    FilterSettings current = saved;
    current.MorphingTime = 250;
    current.RepeatPicturesShowing = 0;
    current.RepeatVideo = 0;
    EXPECT_TRUE(NothingToDo(TakeSavedSettings(current, saved)));
    EXPECT_EQ(current, saved);
}

TEST(RevertPlan, OnlyTheChangedValueIsReported)
{
    const FilterSettings saved = SampleSettings();
    FilterSettings current = saved;
    current.ChangedTime = 10;
    RevertPlan plan = TakeSavedSettings(current, saved);
    EXPECT_TRUE(plan.changedTime);
    EXPECT_FALSE(plan.restart || plan.useBorder || plan.borderFile || plan.picturesFolder || plan.picChType ||
                 plan.desktopIndex);
}

}  // namespace
