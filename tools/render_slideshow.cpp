// Renders the pictures input of the camera into PNG files, one per output frame at 10 frames a second, with a
// simulated clock so that a run of any length takes only as long as the decoding and the encoding.
//
//   veltrane-render <pictures folder> <output folder> [--frames N] [--changed MS] [--morphing MS] [--type T]
//
// T is 1 (wipe), 2 (strips), 3 (cut) or "both" (the default: wipes and strips take turns).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "filter/sources/FrameFormat.h"
#include "filter/sources/PicturesSource.h"
#include "tools/ToolSupport.h"

namespace {

uint32_t g_tick = 1;
uint32_t SimulatedTick() { return g_tick; }

constexpr uint32_t kFramePeriodMs = 100;

struct Options {
    std::wstring pictures;
    std::wstring output;
    int frames = 120;
    int32_t changed = 1500;
    int32_t morphing = 1000;
    int32_t type = 0;  // 0: wipes and strips take turns
};

int Usage()
{
    fwprintf(stderr, L"usage: veltrane-render <pictures folder> <output folder> [--frames N] [--changed MS] "
                     L"[--morphing MS] [--type 1|2|3|both]\n");
    return 2;
}

bool ParseOptions(int argc, wchar_t** argv, Options* options)
{
    std::vector<std::wstring> positional;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == L"--frames" && hasValue) {
            options->frames = _wtoi(argv[++i]);
        } else if (arg == L"--changed" && hasValue) {
            options->changed = _wtoi(argv[++i]);
        } else if (arg == L"--morphing" && hasValue) {
            options->morphing = _wtoi(argv[++i]);
        } else if (arg == L"--type" && hasValue) {
            std::wstring type = argv[++i];
            options->type = type == L"both" ? 0 : _wtoi(type.c_str());
            if (options->type < 0 || options->type > 3) return false;
        } else if (arg.rfind(L"--", 0) == 0) {
            return false;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2 || options->frames <= 0) return false;
    options->pictures = positional[0];
    options->output = positional[1];
    return true;
}

// With alternating kinds, each picture's change uses the other kind than the one before.
int32_t ChangeTypeAt(const Options& options, int frame)
{
    if (options.type != 0) return options.type;
    const int64_t cycle = int64_t{options.changed} + options.morphing + kFramePeriodMs;
    const int64_t elapsed = int64_t{frame} * kFramePeriodMs;
    return cycle > 0 && (elapsed / cycle) % 2 == 1 ? 2 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) return Usage();

    GdiplusSession gdiplus;
    if (!gdiplus.Started()) {
        fwprintf(stderr, L"veltrane-render: GDI+ could not be started\n");
        return 1;
    }
    CreateDirectoryW(options.output.c_str(), nullptr);
    DWORD outputAttributes = GetFileAttributesW(options.output.c_str());
    if (outputAttributes == INVALID_FILE_ATTRIBUTES || !(outputAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        fwprintf(stderr, L"veltrane-render: cannot create the output folder %ls\n", options.output.c_str());
        return 1;
    }

    SetPicturesTickSource(&SimulatedTick);
    // Frames follow the simulated clock, so every picture is waited for, as if decoding took no time.
    SetPicturesLoadWait(INFINITE);
    FilterSettings settings;
    settings.PicturesDirectory = options.pictures;
    settings.ChangedTime = options.changed;
    settings.MorphingTime = options.morphing;
    settings.PicChType = ChangeTypeAt(options, 0);
    PicturesInput input(settings);
    (void)input.Start(kFrameWidth, kFrameHeight);
    input.WaitUntilScanned(INFINITE);
    if (input.Pictures().empty()) {
        fwprintf(stderr, L"veltrane-render: no pictures in %ls\n", options.pictures.c_str());
        return 1;
    }

    std::vector<uint8_t> frame(FrameBytes(kFrameWidth, kFrameHeight));
    for (int i = 0; i < options.frames; ++i) {
        g_tick = 1 + static_cast<uint32_t>(i) * kFramePeriodMs;
        input.SetChangeType(ChangeTypeAt(options, i));
        if (input.Fill(frame.data(), frame.size()) != S_OK) {
            fwprintf(stderr, L"veltrane-render: frame %d was not produced\n", i);
            WaitForPictureLoads(INFINITE);
            return 1;
        }
        wchar_t name[32];
        swprintf(name, 32, L"frame-%04d.png", i);
        std::wstring path = options.output + L"\\" + name;
        if (!SaveFramePng(frame.data(), kFrameWidth, kFrameHeight, path)) {
            fwprintf(stderr, L"veltrane-render: cannot write %ls\n", path.c_str());
            WaitForPictureLoads(INFINITE);
            return 1;
        }
    }
    wprintf(L"%d frames of %zu pictures written to %ls\n", options.frames, input.Pictures().size(),
            options.output.c_str());
    WaitForPictureLoads(INFINITE);
    return 0;
}
