#pragma once
// The camera input's border picture, decoded once and kept ready at the frame's size, so that a frame costs one
// unscaled blend instead of decoding and scaling the file again. The file is decoded again as soon as the path
// changes or the file is replaced (its time stamp or size changes), so a new border shows on the next frame.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <string>

#include "filter/sources/GdiplusCanvas.h"

class BorderPicture {
public:
    // Draws the border at path stretched over the width x height area of graphics, blending source-over. Nothing
    // for an empty path or a file that cannot be read or decoded.
    void Draw(Gdiplus::GpGraphics* graphics, const std::wstring& path, int width, int height);
    // Lets go of the decoded picture. GDI+ objects must not outlive the GDI+ start that made them, so the
    // camera input drops it whenever it stops.
    void Forget()
    {
        ready_.reset();
        known_ = false;
    }
    bool HoldsPicture() const { return ready_ != nullptr; }

private:
    void Refresh(const std::wstring& path, int width, int height);

    std::wstring path_;
    FILETIME written_{};
    uint64_t bytes_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool known_ = false;  // path_, written_, bytes_ and the size describe what ready_ was made from
    GpBitmapPtr ready_;   // null when the file could not be decoded
};
