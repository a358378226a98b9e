#pragma once
// Reverting the settings: which saved values replace the current ones, and what the running inputs must hear
// about it. Win32-free; the filter object carries out the plan.
#include "filter/settings/FilterSettings.h"

struct RevertPlan {
    // The mode, the camera or the video file changed: the inputs are stopped and the selected one started.
    bool restart = false;
    // UseBorder changed: the border paths move as switching borders on or off moves them.
    bool useBorder = false;
    // BorderFile changed: it becomes both the held and the active border path.
    bool borderFile = false;
    // PicturesDirectory changed: the slideshow rescans the folder.
    bool picturesFolder = false;
    // ChangedTime or PicChType changed: the running slideshow takes the new value.
    bool changedTime = false;
    bool picChType = false;
    // DesktopIndex changed: the desktop input selects that monitor again.
    bool desktopIndex = false;
};

// Copies every value of `saved` that differs (strings compared exactly) into `current` and says which changes
// need more than the stored value. Afterwards current == saved.
RevertPlan TakeSavedSettings(FilterSettings& current, const FilterSettings& saved);
