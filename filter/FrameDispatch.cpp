#include "filter/FrameDispatch.h"

#include "filter/InputSwitching.h"
#include "filter/framework/CritSec.h"
#include "filter/settings/SettingsStore.h"
#include "filter/sources/FrameFormat.h"
#include "filter/sources/FrameInput.h"
#include "filter/sources/GdiplusCanvas.h"
#include "filter/sources/Workers.h"

#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The picture shown for a producer failure, relative to the module directory.
struct PlaceholderKind {
    HRESULT code;
    const wchar_t* file;
};
constexpr std::array<PlaceholderKind, 4> kPlaceholders = {{
    {E_FRAME_NOCAMERA, L"Data\\nocamera.jpg"},
    {E_FRAME_NOFILE, L"Data\\nofile.jpg"},
    {E_FRAME_NOTSUPPORTED, L"Data\\notsupported.jpg"},
    {E_FRAME_NOPICTURES, L"Data\\nopictures.jpg"},
}};

// The placeholder of the failure shown last (640 x 480 bottom-up RGB24, or empty), drawn by a worker when that
// failure begins, so that a replaced or deleted picture file is read anew. Each request has a number, so that a
// drawing that was overtaken by another failure or a new folder installs nothing.
struct Placeholders {
    CCritSec lock;
    CONDITION_VARIABLE drawn;
    HRESULT code = 0;  // the failure asked for last, at this size
    int width = 0;
    int height = 0;
    std::vector<uint8_t> frame;
    bool ready = false;  // frame is that of code
    bool drawing = false;
    uint64_t request = 0;
    bool folderReplaced = false;
    std::wstring folder;

    Placeholders() { InitializeConditionVariable(&drawn); }
};

Placeholders& State()
{
    static Placeholders* const state = new Placeholders();  // never destroyed: a worker may still draw at exit
    return *state;
}

const wchar_t* PlaceholderFile(HRESULT code)
{
    for (const PlaceholderKind& kind : kPlaceholders) {
        if (kind.code == code) return kind.file;
    }
    return nullptr;
}

// Under the lock: draws the placeholder of state.code on a worker, unless one is being drawn (which then draws
// the newest code when it is done).
void StartDrawingLocked(Placeholders& state)
{
    if (state.drawing) return;
    const wchar_t* file = PlaceholderFile(state.code);
    const std::wstring path = file ? (state.folderReplaced ? state.folder : ModuleDirectory()) + file : std::wstring();
    const uint64_t request = state.request;
    const int width = state.width;
    const int height = state.height;
    state.drawing = StartModuleWorker([path, request, width, height] {
        std::vector<uint8_t> frame;
        // Fitted with bicubic scaling on black; a missing or undecodable file, or a code without one, is black.
        if (path.empty() || !LoadPictureFrame(path, width, height, frame)) frame.assign(FrameBytes(width, height), 0);
        Placeholders& drawn = State();
        CAutoLock lock(&drawn.lock);
        drawn.drawing = false;
        if (request == drawn.request) {
            drawn.frame.swap(frame);
            drawn.ready = true;
        } else {
            StartDrawingLocked(drawn);
        }
        WakeAllConditionVariable(&drawn.drawn);
    });
}

}  // namespace

void RenderFrame(uint8_t* frame, int width, int height)
{
    if (!frame || width <= 0 || height <= 0) return;
    const size_t size = FrameBytes(width, height);
    const std::shared_ptr<FrameInput> input = ActiveInput();
    if (!input) {
        std::memset(frame, 0, size);
        return;
    }
    HRESULT result;
    try {
        result = input->Fill(frame, size);
    } catch (...) {
        result = E_OUTOFMEMORY;
    }
    if (FAILED(result)) FillPlaceholderFrame(frame, width, height, result);
}

void FillPlaceholderFrame(uint8_t* frame, int width, int height, HRESULT code)
{
    if (!frame || width <= 0 || height <= 0) return;
    const size_t size = FrameBytes(width, height);
    Placeholders& state = State();
    CAutoLock lock(&state.lock);
    if (code != state.code || width != state.width || height != state.height) {
        state.code = code;
        state.width = width;
        state.height = height;
        state.ready = false;
        ++state.request;
        StartDrawingLocked(state);
    }
    if (state.ready && state.frame.size() == size) {
        std::memcpy(frame, state.frame.data(), size);
    } else {
        std::memset(frame, 0, size);
    }
}

void PreparePlaceholder(HRESULT code, int width, int height)
{
    Placeholders& state = State();
    std::wstring path;
    {
        CAutoLock lock(&state.lock);
        const wchar_t* file = PlaceholderFile(code);
        if (!file || width <= 0 || height <= 0) return;
        if (code == state.code && width == state.width && height == state.height && state.ready) return;
        path = (state.folderReplaced ? state.folder : ModuleDirectory()) + file;
    }
    std::vector<uint8_t> frame;
    if (!LoadPictureFrame(path, width, height, frame)) frame.assign(FrameBytes(width, height), 0);
    CAutoLock lock(&state.lock);
    state.code = code;
    state.width = width;
    state.height = height;
    state.frame.swap(frame);
    state.ready = true;
    // A drawing under way for an older failure installs nothing.
    ++state.request;
    WakeAllConditionVariable(&state.drawn);
}

void SetPlaceholderFolder(const std::wstring& folder)
{
    Placeholders& state = State();
    CAutoLock lock(&state.lock);
    state.folderReplaced = !folder.empty();
    state.folder = folder;
    state.ready = false;
    state.code = 0;
    ++state.request;
}

bool WaitForPlaceholders(DWORD milliseconds)
{
    Placeholders& state = State();
    CAutoLock lock(&state.lock);
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;) {
        if (state.ready || state.code == 0) return true;
        if (!state.drawing) StartDrawingLocked(state);
        DWORD left = INFINITE;
        if (milliseconds != INFINITE) {
            const ULONGLONG now = GetTickCount64();
            if (now >= deadline) return false;
            left = static_cast<DWORD>(deadline - now);
        }
        (void)SleepConditionVariableCS(&state.drawn, state.lock.Native(), left);
    }
}
