#include "filter/RevertPlan.h"

namespace {

// current := saved; true when it was different.
template <class T>
bool Take(T& current, const T& saved)
{
    if (current == saved) return false;
    current = saved;
    return true;
}

}  // namespace

RevertPlan TakeSavedSettings(FilterSettings& current, const FilterSettings& saved)
{
    RevertPlan plan;
    // Every value is compared on its own, so none of them may short-circuit another.
    const bool mode = Take(current.GlobalType, saved.GlobalType);
    const bool camera = Take(current.ActiveCamera, saved.ActiveCamera);
    plan.useBorder = Take(current.UseBorder, saved.UseBorder);
    plan.borderFile = Take(current.BorderFile, saved.BorderFile);
    plan.picturesFolder = Take(current.PicturesDirectory, saved.PicturesDirectory);
    plan.changedTime = Take(current.ChangedTime, saved.ChangedTime);
    Take(current.MorphingTime, saved.MorphingTime);
    Take(current.RepeatPicturesShowing, saved.RepeatPicturesShowing);
    plan.picChType = Take(current.PicChType, saved.PicChType);
    const bool video = Take(current.VideoFile, saved.VideoFile);
    Take(current.RepeatVideo, saved.RepeatVideo);
    plan.desktopIndex = Take(current.DesktopIndex, saved.DesktopIndex);
    plan.restart = mode || camera || video;
    return plan;
}
