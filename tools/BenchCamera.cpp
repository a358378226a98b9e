#include "tools/BenchCamera.h"

#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <vector>

#include "tools/CaptureGraph.h"
#include "tools/GreedySink.h"
#include "tools/ToolSupport.h"

namespace {

const wchar_t kSettingsKey[] = L"SOFTWARE\\Veltrane";

// The values under the settings key as they were, put back when this object goes.
class SavedSettingsKey {
public:
    SavedSettingsKey()
    {
        HKEY key = nullptr;
        existed_ = RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (!existed_) return;
        for (DWORD index = 0;; ++index) {
            wchar_t name[256];
            DWORD nameChars = 256, type = 0, bytes = 0;
            if (RegEnumValueW(key, index, name, &nameChars, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) break;
            Value value{name, type, std::vector<BYTE>(bytes)};
            nameChars = 256;
            if (RegEnumValueW(key, index, name, &nameChars, nullptr, &type, value.data.data(), &bytes) ==
                ERROR_SUCCESS) {
                value.data.resize(bytes);
                values_.push_back(value);
            }
        }
        RegCloseKey(key);
    }
    ~SavedSettingsKey()
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
        if (!existed_) return;
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return;
        for (const Value& value : values_) {
            RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                           static_cast<DWORD>(value.data.size()));
        }
        RegCloseKey(key);
    }
    SavedSettingsKey(const SavedSettingsKey&) = delete;
    SavedSettingsKey& operator=(const SavedSettingsKey&) = delete;

private:
    struct Value {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
    };
    bool existed_ = false;
    std::vector<Value> values_;
};

void WriteNumber(HKEY key, const wchar_t* name, DWORD value)
{
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void WriteString(HKEY key, const wchar_t* name, const std::wstring& value)
{
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// Counts samples; notes when the first one came.
class CountingCallback : public OwnedGrabberCallback {
public:
    HRESULT STDMETHODCALLTYPE SampleCB(double, IMediaSample*) override
    {
        if (count.fetch_add(1) == 0) firstAt = NowMilliseconds();
        return S_OK;
    }

    std::atomic<long> count{0};
    std::atomic<double> firstAt{0};
};

CameraModeRun RunMode(const char* name, int width = 640, int height = 480)
{
    CameraModeRun run;
    run.mode = name;
    run.width = width;
    run.height = height;
    CountingCallback counter;
    const double opened = NowMilliseconds();
    ComRef<IBaseFilter> device;
    ComRef<IPin> pin;
    CaptureGraph graph;
    if (FAILED(OpenVideoInput(L"Veltrane", device)) || FAILED(FindCapturePin(device.Get(), pin)) ||
        (width != 640 && FAILED(SelectCaptureSize(pin.Get(), width, height))) ||
        FAILED(graph.Create(device.Get())) || FAILED(graph.Connect(pin.Get(), &counter)) ||
        FAILED(graph.RemoveClock()) || FAILED(graph.Run()))
        return run;
    const double start = NowMilliseconds();
    Sleep(2000);
    const long frames = counter.count.load();
    const double elapsed = NowMilliseconds() - start;
    graph.Stop();
    if (frames > 0) {
        run.delivered = true;
        run.framesPerSecond = frames * 1000.0 / elapsed;
        run.firstSampleMs = counter.firstAt.load() - opened;
    }
    return run;
}

double ProcessorMilliseconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto ticks = [](const FILETIME& time) {
        return static_cast<double>(static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 10000.0;
}

// frameTime: the frame period set before connecting (100-ns units), 0 for the default format.
CameraPacedRun RunPaced(const char* mode, REFERENCE_TIME frameTime, double formatRate, int width = 640,
                        int height = 480)
{
    CameraPacedRun run;
    run.mode = mode;
    run.width = width;
    run.height = height;
    run.formatRate = formatRate;
    ComRef<IBaseFilter> device;
    ComRef<IPin> pin;
    CaptureGraph graph;
    ComRef<GreedySink> sink = GreedySink::Create(0);
    if (!sink || FAILED(OpenVideoInput(L"Veltrane", device)) || FAILED(FindCapturePin(device.Get(), pin)) ||
        (frameTime != 0 && FAILED(SelectCaptureSize(pin.Get(), width, height, frameTime))) ||
        FAILED(graph.Create(device.Get())) || FAILED(graph.ConnectRenderer(pin.Get(), sink.Get())) ||
        FAILED(graph.Run()))
        return run;
    if (sink->WaitForCount(1, 10000)) {
        const size_t firstCount = sink->Count();
        const double start = NowMilliseconds();
        const double processorStart = ProcessorMilliseconds();
        Sleep(3000);
        const size_t frames = sink->Count() - firstCount;
        const double elapsed = NowMilliseconds() - start;
        run.processorShare = (ProcessorMilliseconds() - processorStart) / elapsed;
        run.framesPerSecond = frames * 1000.0 / elapsed;
        run.delivered = true;
    }
    graph.Stop();
    return run;
}

}  // namespace

CameraBenchResults MeasureRegisteredCamera(const CameraBenchInputs& inputs)
{
    CameraBenchResults results;
    std::vector<CameraModeRun>& runs = results.modes;
    HMODULE module = LoadLibraryW(inputs.module.c_str());
    using Entry = HRESULT(WINAPI*)();
    auto entry = [module](const char* name) {
        return module ? reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
    };
    Entry registerServer = entry("DllRegisterServer");
    if (!registerServer || FAILED(registerServer())) {
        if (module) FreeLibrary(module);
        return results;
    }
    {
        SavedSettingsKey saved;
        struct Mode {
            const char* name;
            DWORD globalType;
            bool available;
        };
        const Mode modes[] = {{"pictures", 2, !inputs.pictures.empty()},
                              {"camera", 1, !inputs.camera.empty()},
                              {"video", 3, !inputs.video.empty()},
                              {"desktop", 4, true}};
        for (const Mode& mode : modes) {
            if (!mode.available) continue;
            HKEY key = nullptr;
            if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
                ERROR_SUCCESS)
                break;
            WriteNumber(key, L"GlobalType", mode.globalType);
            WriteNumber(key, L"UseBorder", 0);
            WriteString(key, L"PicturesDirectory", inputs.pictures);
            WriteString(key, L"ActiveCamera", inputs.camera);
            WriteString(key, L"VideoFile", inputs.video);
            runs.push_back(RunMode(mode.name));
            if (mode.globalType == 2) {
                runs.push_back(RunMode(mode.name, 1920, 1080));
                results.paced.push_back(RunPaced(mode.name, 0, 10));
                results.paced.push_back(RunPaced(mode.name, 333333, 30));
            }
            if (mode.globalType == 1 && !inputs.hdCamera.empty()) WriteString(key, L"ActiveCamera", inputs.hdCamera);
            if (mode.globalType != 4) results.paced.push_back(RunPaced(mode.name, 333333, 30, 1920, 1080));
            RegCloseKey(key);
        }
    }
    Entry unregisterServer = entry("DllUnregisterServer");
    if (unregisterServer) unregisterServer();
    FreeLibrary(module);
    return results;
}
