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

// The drawn placeholders (640 x 480 bottom-up RGB24 each, or empty), drawn together by one worker. Each round of
// drawing has a number, so that a round started before the folder changed installs nothing.
struct Placeholders {
    CCritSec lock;
    CONDITION_VARIABLE drawn;
    std::array<std::vector<uint8_t>, kPlaceholders.size()> frames;
    bool ready = false;
    bool drawing = false;
    uint64_t round = 0;
    bool folderReplaced = false;
    std::wstring folder;

    Placeholders() { InitializeConditionVariable(&drawn); }
};

Placeholders& State()
{
    static Placeholders* const state = new Placeholders();  // never destroyed: a worker may still draw at exit
    return *state;
}

// Under the lock: starts the worker that draws every placeholder, unless one is under way.
void StartDrawingLocked(Placeholders& state)
{
    if (state.drawing) return;
    const std::wstring folder = state.folderReplaced ? state.folder : ModuleDirectory();
    const uint64_t round = state.round;
    state.drawing = StartModuleWorker([folder, round] {
        std::array<std::vector<uint8_t>, kPlaceholders.size()> frames;
        for (size_t i = 0; i < kPlaceholders.size(); ++i) {
            // Fitted with bicubic scaling on black; a missing or undecodable file gives a black frame.
            if (!LoadPictureFrame(folder + kPlaceholders[i].file, kFrameWidth, kFrameHeight, frames[i]))
                frames[i].assign(FrameBytes(kFrameWidth, kFrameHeight), 0);
        }
        Placeholders& drawn = State();
        CAutoLock lock(&drawn.lock);
        drawn.drawing = false;
        if (round == drawn.round) {
            drawn.frames.swap(frames);
            drawn.ready = true;
        }
        WakeAllConditionVariable(&drawn.drawn);
    });
}

}  // namespace

void RenderFrame(uint8_t* frame, size_t size)
{
    if (!frame) return;
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
    if (FAILED(result)) FillPlaceholderFrame(frame, size, result);
}

void FillPlaceholderFrame(uint8_t* frame, size_t size, HRESULT code)
{
    if (!frame) return;
    Placeholders& state = State();
    CAutoLock lock(&state.lock);
    if (!state.ready) {
        StartDrawingLocked(state);
    } else {
        for (size_t i = 0; i < kPlaceholders.size(); ++i) {
            if (kPlaceholders[i].code != code || state.frames[i].size() != size) continue;
            std::memcpy(frame, state.frames[i].data(), size);
            return;
        }
    }
    std::memset(frame, 0, size);
}

void SetPlaceholderFolder(const std::wstring& folder)
{
    Placeholders& state = State();
    CAutoLock lock(&state.lock);
    state.folderReplaced = !folder.empty();
    state.folder = folder;
    state.ready = false;
    ++state.round;
    // A round under way installs nothing; the next need starts a new one once it has ended.
}

bool WaitForPlaceholders(DWORD milliseconds)
{
    Placeholders& state = State();
    CAutoLock lock(&state.lock);
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;) {
        if (state.ready) return true;
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
