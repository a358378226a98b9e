// The process-wide settings used by many host threads at once: filter objects created and released while others
// change and read the settings through their settings interface and one of them streams into a graph. Nothing may
// crash or hang, and every value read must be one that was written.
#include "FilterObjectFixture.h"

#include "filter/settings/SettingsStore.h"
#include "tools/CaptureGraph.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

// 5 and 250 characters: each replacement of one by the other reallocates the stored string.
const std::wstring kShortPath = L"C:\\b5";
const std::wstring kLongPath = L"C:\\" + std::wstring(243, L'x') + L".png";

constexpr DWORD kRunMs = 2000;
// Far longer than any round takes; reaching it means a thread is stuck.
constexpr DWORD kHangMs = 60000;

class SampleCounter : public OwnedGrabberCallback {
public:
    HRESULT STDMETHODCALLTYPE SampleCB(double, IMediaSample*) override
    {
        ++samples;
        return S_OK;
    }
    std::atomic<long> samples{0};
};

struct Worker {
    std::function<void(long round)> round;
    ULONGLONG deadline = 0;
    long rounds = 0;
};

DWORD WINAPI RunWorker(void* parameter)
{
    auto* worker = static_cast<Worker*>(parameter);
    // Creating a filter object enumerates devices, which needs COM on the thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    while (GetTickCount64() < worker->deadline) worker->round(worker->rounds++);
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

// Runs every worker on its own thread for kRunMs. A thread still running kHangMs later ends the process: the
// threads it waits for cannot be cleaned up.
std::vector<long> RunTogether(std::vector<Worker> workers)
{
    const ULONGLONG deadline = GetTickCount64() + kRunMs;
    std::vector<HANDLE> threads;
    for (Worker& worker : workers) {
        worker.deadline = deadline;
        HANDLE thread = CreateThread(nullptr, 0, &RunWorker, &worker, 0, nullptr);
        if (thread) threads.push_back(thread);
    }
    EXPECT_EQ(threads.size(), workers.size()) << "not every thread started";
    const DWORD waited = WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, kHangMs);
    if (waited == WAIT_TIMEOUT) {
        fprintf(stderr, "filter_object_tests: threads still running after %lu ms: deadlock\n",
                static_cast<unsigned long>(kHangMs));
        fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
    for (HANDLE thread : threads) CloseHandle(thread);
    std::vector<long> rounds;
    for (const Worker& worker : workers) rounds.push_back(worker.rounds);
    return rounds;
}

// A filter object streaming through a Sample Grabber into a Null Renderer, free running without a clock.
struct StreamingFilter {
    ComRef<IUnknown> object = MakeFilterObject();
    ComRef<IBaseFilter> filter;
    ComRef<IPin> pin;
    CaptureGraph graph;

    HRESULT Start(SampleCounter* counter)
    {
        HRESULT hr = object.QueryInterface(IID_IBaseFilter, filter);
        if (SUCCEEDED(hr)) hr = graph.Create(filter.Get());
        if (SUCCEEDED(hr)) hr = FindCapturePin(filter.Get(), pin);
        if (SUCCEEDED(hr)) hr = graph.Connect(pin.Get(), counter);
        if (SUCCEEDED(hr)) hr = graph.RemoveClock();
        if (SUCCEEDED(hr)) hr = graph.Run();
        return hr;
    }
};

TEST(FilterObjectThreads, SettingsStayWholeWhileObjectsComeAndGoAndOneStreams)
{
    DeleteSettingsKey();
    StoreNumber(L"GlobalType", Pictures);
    // Every reload puts one of the written paths back.
    StoreString(L"BorderFile", kShortPath, false);
    LoadSettings();
    const std::vector<std::wstring> cameras = CameraList();
    const std::vector<MonitorRecord> monitors = MonitorList();

    SampleCounter counter;
    StreamingFilter streaming;
    ASSERT_TRUE(streaming.object);
    ASSERT_GE(streaming.Start(&counter), 0);
    ComRef<IData> streamingData = DataOf(streaming.object);
    ComRef<IData> data = DataOf(MakeFilterObject());
    ASSERT_TRUE(streamingData && data);

    std::atomic<long> badObjects{0}, badBorders{0}, badModes{0}, badNames{0}, badIndexes{0};
    auto check = [](std::atomic<long>& faults, bool good) {
        if (!good) ++faults;
    };
    auto readBorder = [&](IData* from) {
        wchar_t buffer[kIDataBufferChars] = {};
        check(badBorders, from->GetBorderFile(buffer) == S_OK &&
                              (buffer == kShortPath || buffer == kLongPath));
    };
    auto isCamera = [&](const std::wstring& name) {
        if (name.empty()) return true;
        for (const std::wstring& camera : cameras)
            if (camera == name) return true;
        return false;
    };
    auto isMonitor = [&](const std::string& name) {
        if (name.empty()) return true;
        for (const MonitorRecord& monitor : monitors)
            if (monitor.DeviceName == name) return true;
        return false;
    };

    std::vector<Worker> workers = {
        // Hosts opening and closing the camera: each new object reloads the settings.
        {[&](long) { check(badObjects, static_cast<bool>(DataOf(MakeFilterObject()))); }},
        {[&](long) { check(badObjects, static_cast<bool>(DataOf(MakeFilterObject()))); }},
        // The settings page changing the border and reading it back, through two objects.
        {[&](long round) {
             data->SetBorderFile(round % 2 == 0 ? kLongPath.c_str() : kShortPath.c_str());
             readBorder(data.Get());
         }},
        {[&](long round) {
             streamingData->SetBorderFile(round % 2 == 0 ? kShortPath.c_str() : kLongPath.c_str());
             readBorder(streamingData.Get());
         }},
        // Switching between the pictures and the desktop, and reverting.
        {[&](long round) {
             if (round % 8 == 7) {
                 data->RevertSettings();
             } else {
                 data->SetGlobalType(round % 2 == 0 ? Desktop : Pictures);
             }
             int32_t mode = 0;
             check(badModes, data->GetGlobalType(&mode) == S_OK && (mode == Pictures || mode == Desktop));
         }},
        // The lists and the desktop monitor.
        {[&](long round) {
             const int32_t index = static_cast<int32_t>(round % 4) - 1;
             wchar_t camera[kIDataBufferChars] = {};
             check(badNames, data->GetCameraName(camera, index) == S_OK && isCamera(camera));
             char monitor[kIDataBufferChars] = {};
             check(badNames, streamingData->GetMonitorName(monitor, index) == S_OK && isMonitor(monitor));
             streamingData->SetDesktopIndex(index);
             int32_t taken = -1;
             check(badIndexes, data->GetDesktopIndex(&taken) == S_OK &&
                                   (monitors.empty() || (taken >= 0 && static_cast<size_t>(taken) < monitors.size())));
         }},
    };
    const std::vector<long> rounds = RunTogether(std::move(workers));

    streaming.graph.Stop();
    for (size_t i = 0; i < rounds.size(); ++i) EXPECT_GT(rounds[i], 0) << "worker " << i << " never ran";
    EXPECT_EQ(badObjects.load(), 0);
    EXPECT_EQ(badBorders.load(), 0);
    EXPECT_EQ(badModes.load(), 0);
    EXPECT_EQ(badNames.load(), 0);
    EXPECT_EQ(badIndexes.load(), 0);
    EXPECT_GT(counter.samples.load(), 0) << "the graph never streamed";
    DeleteSettingsKey();
}

}  // namespace
