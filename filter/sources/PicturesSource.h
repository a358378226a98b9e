#pragma once
// The pictures input: a slideshow of a folder's pictures. The folder is scanned by a module worker, so that a
// large or slow folder never holds up a host's thread or the stream; pictures are decoded by the process's
// background loader. Black frames until the first picture is ready, "no pictures" once the scan found none.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "filter/framework/CritSec.h"
#include "filter/settings/FilterSettings.h"
#include "filter/sources/FrameInput.h"

class PicturesInput : public FrameInput {
public:
    explicit PicturesInput(const FilterSettings& settings);
    ~PicturesInput() override { Stop(); }

    // Takes the settings and starts the scan of the folder. S_OK, or E_FRAME_NOPICTURES for an empty folder path.
    HRESULT Start(int width, int height) override;
    // S_OK, S_FALSE (a picture being decoded: nothing written), E_FRAME_NOPICTURES once the scan found none.
    HRESULT Fill(uint8_t* frame, size_t size) override;
    void Stop() override;

    // A new folder: scanned anew; the sequence starts again with the first picture of the new list.
    void SetFolder(const std::wstring& folder);
    // Live changes that a running slideshow uses from its next frame.
    void SetChangedTime(int32_t milliseconds);
    void SetChangeType(int32_t picChType);

    // A copy of the current picture list (empty while scanning).
    std::vector<std::wstring> Pictures();
    // Waits until the newest scan has installed its list; false when the timeout passed first.
    bool WaitUntilScanned(DWORD milliseconds);

    struct State;  // shared with the scan workers, which may outlive the input

private:
    void BeginScan(const std::wstring& folder);

    FilterSettings settings_;
    std::shared_ptr<State> state_;
};

// The millisecond clock of the slideshows (GetTickCount unless replaced, e.g. by tests and tools).
using TickSource = uint32_t (*)();
void SetPicturesTickSource(TickSource source);
// How long a frame waits for a picture being decoded before it goes out without it (0 unless replaced; INFINITE:
// always waits, as the renderer tool does).
void SetPicturesLoadWait(DWORD milliseconds);
// Waits until no picture is being decoded; false when the timeout passed first. A program that ends while a
// slideshow is in use calls it before it returns from main.
bool WaitForPictureLoads(DWORD milliseconds);
