// The test cameras through the real runtime: registration in the video input category, binding by moniker, and
// filter graphs with the Sample Grabber and the Null Renderer that check every delivered frame byte for byte.
#include "FrameworkTestObjects.h"

#include "filter/framework/DirectShowIds.h"
#include "filter/framework/TestCameraIds.h"
#include "filter/framework/TestCameraPattern.h"
#include "filter/framework/TestCameraRegistration.h"
#include "filter/sources/GraphOperations.h"
#include "tools/OwnedGrabberCallback.h"

#include <algorithm>

namespace {

// Grabber callback: checks each sample against the pattern and the expected frame number, and signals once a
// target count of samples arrived.
class FrameChecker : public OwnedGrabberCallback {
public:
    FrameChecker(int width, int height) : width_(width), height_(height), reached_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    virtual ~FrameChecker() { CloseHandle(reached_); }

    // Starts counting again: the next sample must be frame 0, and `target` samples set the event.
    void Restart(long target)
    {
        CAutoLock lock(&lock_);
        count_ = 0;
        target_ = target;
        ResetEvent(reached_);
    }
    bool WaitForTarget(DWORD timeoutMs = 10000) { return WaitSignalled(reached_, timeoutMs); }
    long Count()
    {
        CAutoLock lock(&lock_);
        return count_;
    }
    long Errors()
    {
        CAutoLock lock(&lock_);
        return errors_;
    }
    std::string FirstError()
    {
        CAutoLock lock(&lock_);
        return firstError_;
    }

    HRESULT STDMETHODCALLTYPE SampleCB(double, IMediaSample* sample) override
    {
        CAutoLock lock(&lock_);
        BYTE* data = nullptr;
        REFERENCE_TIME start = 0;
        REFERENCE_TIME end = 0;
        const unsigned expected = static_cast<unsigned>(count_);
        if (FAILED(sample->GetPointer(&data)) || !data) {
            Fail("sample without a buffer");
        } else if (sample->GetActualDataLength() != static_cast<long>(TestFrameBytes(width_, height_))) {
            Fail("sample length " + std::to_string(sample->GetActualDataLength()));
        } else if (FirstTestFrameMismatch(data, static_cast<size_t>(sample->GetSize()), width_, height_, expected) !=
                   -1) {
            Fail("frame " + std::to_string(expected) + " differs at byte " +
                 std::to_string(FirstTestFrameMismatch(data, static_cast<size_t>(sample->GetSize()), width_, height_,
                                                       expected)));
        } else if (FAILED(sample->GetTime(&start, &end)) || start != expected * kTestCameraFrameTime ||
                   end != start + kTestCameraFrameTime) {
            Fail("frame " + std::to_string(expected) + " stamped " + std::to_string(start));
        }
        if (++count_ == target_) SetEvent(reached_);
        return S_OK;
    }

private:
    void Fail(const std::string& what)
    {
        if (errors_++ == 0) firstError_ = what;
    }

    CCritSec lock_;
    int width_;
    int height_;
    HANDLE reached_;
    long count_ = 0;
    long target_ = 0;
    long errors_ = 0;
    std::string firstError_;
};

ComRef<IPin> PinOf(IBaseFilter* filter, PIN_DIRECTION wanted)
{
    ComRef<IEnumPins> pins;
    ComRef<IPin> pin;
    if (FAILED(filter->EnumPins(pins.Put())) || !pins) return pin;
    while (pins->Next(1, pin.Put(), nullptr) == S_OK) {
        PIN_DIRECTION direction;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == wanted) return pin;
    }
    pin.Reset();
    return pin;
}

// Camera -> Sample Grabber (RGB24 video) -> Null Renderer, connected by the graph's intelligent connect.
struct CameraGraph {
    ComRef<IGraphBuilder> graph;
    ComRef<IMediaControl> control;
    ComRef<IBaseFilter> camera;

    void Build(const wchar_t* cameraName, ISampleGrabberCB* callback)
    {
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   graph.PutVoid()),
                  S_OK);
        ASSERT_EQ(graph.QueryInterface(IID_IMediaControl, control), S_OK);
        ASSERT_EQ(BindVideoInputDevice(cameraName, camera.Put()), S_OK);
        ASSERT_EQ(graph->AddFilter(camera.Get(), L"Camera"), S_OK);

        ComRef<IBaseFilter> grabberFilter;
        ASSERT_EQ(CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                   grabberFilter.PutVoid()),
                  S_OK);
        ComRef<ISampleGrabber> grabber;
        ASSERT_EQ(grabberFilter.QueryInterface(IID_ISampleGrabber, grabber), S_OK);
        CMediaType wanted(&MEDIATYPE_Video);
        wanted.SetSubtype(&MEDIASUBTYPE_RGB24);
        ASSERT_EQ(grabber->SetMediaType(&wanted), S_OK);
        ASSERT_EQ(grabber->SetBufferSamples(FALSE), S_OK);
        ASSERT_EQ(grabber->SetOneShot(FALSE), S_OK);
        ASSERT_EQ(grabber->SetCallback(callback, 0), S_OK);
        ASSERT_EQ(graph->AddFilter(grabberFilter.Get(), L"Grabber"), S_OK);

        ComRef<IBaseFilter> renderer;
        ASSERT_EQ(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                   renderer.PutVoid()),
                  S_OK);
        ASSERT_EQ(graph->AddFilter(renderer.Get(), L"Renderer"), S_OK);

        ComRef<IPin> cameraOut;
        ASSERT_EQ(camera->FindPin(L"1", cameraOut.Put()), S_OK);
        ComRef<IPin> grabberIn = PinOf(grabberFilter.Get(), PINDIR_INPUT);
        ComRef<IPin> grabberOut = PinOf(grabberFilter.Get(), PINDIR_OUTPUT);
        ComRef<IPin> rendererIn = PinOf(renderer.Get(), PINDIR_INPUT);
        ASSERT_TRUE(grabberIn && grabberOut && rendererIn);
        ASSERT_EQ(graph->Connect(cameraOut.Get(), grabberIn.Get()), S_OK);
        ASSERT_EQ(graph->Connect(grabberOut.Get(), rendererIn.Get()), S_OK);
        ASSERT_EQ(UseSharedSystemClock(graph.Get()), S_OK);
    }

    void WithoutClock()
    {
        ComRef<IMediaFilter> mediaFilter;
        ASSERT_EQ(graph.QueryInterface(IID_IMediaFilter, mediaFilter), S_OK);
        ASSERT_EQ(mediaFilter->SetSyncSource(nullptr), S_OK);
    }

    ~CameraGraph()
    {
        // Already stopped in the tests; a failed stop still lets the graph go.
        if (control) (void)control->Stop();
    }
};

class TestCameraGraphTest : public FrameworkTest {
protected:
    static void SetUpTestSuite() { registration_ = new TestCameraRegistration(); }
    static void TearDownTestSuite()
    {
        delete registration_;
        registration_ = nullptr;
    }
    void SetUp() override
    {
        FrameworkTest::SetUp();
        ASSERT_EQ(registration_->Result(), S_OK);
    }
    void TearDown() override
    {
        // Every camera object of the module is gone once the test let go of its graph.
        CoFreeUnusedLibraries();
        EXPECT_EQ(registration_->CanUnloadNow(), S_OK);
        FrameworkTest::TearDown();
    }

    // Runs a graph of the named camera once and checks `frames` frames.
    void ExpectFramesOf(const wchar_t* name, int width, int height, long frames)
    {
        FrameChecker checker(width, height);
        CameraGraph graph;
        ASSERT_NO_FATAL_FAILURE(graph.Build(name, &checker));
        checker.Restart(frames);
        ASSERT_TRUE(SUCCEEDED(graph.control->Run()));
        EXPECT_TRUE(checker.WaitForTarget());
        EXPECT_EQ(graph.control->Stop(), S_OK);
        EXPECT_GE(checker.Count(), frames);
        EXPECT_EQ(checker.Errors(), 0) << checker.FirstError();
    }

    static TestCameraRegistration* registration_;
};

TestCameraRegistration* TestCameraGraphTest::registration_ = nullptr;

TEST_F(TestCameraGraphTest, DeviceEnumeratorListsEveryTestCameraAndBindsThem)
{
    std::vector<std::wstring> devices = ListVideoInputDevices();
    for (const TestCameraInfo& camera : kTestCameras) {
        EXPECT_NE(std::find(devices.begin(), devices.end(), camera.Name), devices.end());
        ComRef<IBaseFilter> filter;
        ASSERT_EQ(BindVideoInputDevice(camera.Name, filter.Put()), S_OK);
        CLSID classId = {};
        EXPECT_EQ(filter->GetClassID(&classId), S_OK);
        EXPECT_TRUE(IsEqualCLSID(classId, *camera.ClassId));

        ComRef<IPin> pin;
        ASSERT_EQ(filter->FindPin(L"1", pin.Put()), S_OK);
        ComRef<IKsPropertySet> properties;
        ASSERT_EQ(pin.QueryInterface(IID_IKsPropertySet, properties), S_OK);
        GUID category = GUID_NULL;
        DWORD returned = 0;
        EXPECT_EQ(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, sizeof category,
                                  &returned),
                  S_OK);
        EXPECT_TRUE(IsEqualGUID(category, PIN_CATEGORY_CAPTURE));
    }
    ComRef<IBaseFilter> missing;
    EXPECT_EQ(BindVideoInputDevice(L"No Such Camera", missing.Put()), VFW_E_NOT_FOUND);
}

TEST_F(TestCameraGraphTest, FramesMatchThePatternAtEverySize)
{
    ExpectFramesOf(L"Test Camera", 640, 480, 5);
    ExpectFramesOf(L"Test Camera 720p", 1280, 720, 5);
    ExpectFramesOf(L"Test Camera 240p", 320, 240, 5);
}

TEST_F(TestCameraGraphTest, PauseRunStopCyclesDeliverFromFrameZeroEachTime)
{
    FrameChecker checker(640, 480);
    CameraGraph graph;
    ASSERT_NO_FATAL_FAILURE(graph.Build(L"Test Camera", &checker));
    for (int cycle = 0; cycle < 20; ++cycle) {
        checker.Restart(2);
        ASSERT_TRUE(SUCCEEDED(graph.control->Pause())) << "cycle " << cycle;
        ASSERT_TRUE(SUCCEEDED(graph.control->Run())) << "cycle " << cycle;
        ASSERT_TRUE(checker.WaitForTarget()) << "cycle " << cycle;
        ASSERT_EQ(graph.control->Stop(), S_OK) << "cycle " << cycle;
    }
    EXPECT_EQ(checker.Errors(), 0) << checker.FirstError();
}

TEST_F(TestCameraGraphTest, WithoutAReferenceClockTheGraphRunsAtFullSpeed)
{
    // 300 frames are stamped over 10 seconds; without a clock nothing waits for those times, so they all arrive
    // well within the 10-second wait.
    FrameChecker checker(320, 240);
    CameraGraph graph;
    ASSERT_NO_FATAL_FAILURE(graph.Build(L"Test Camera 240p", &checker));
    ASSERT_NO_FATAL_FAILURE(graph.WithoutClock());
    checker.Restart(300);
    const DWORD started = GetTickCount();
    ASSERT_TRUE(SUCCEEDED(graph.control->Run()));
    EXPECT_TRUE(checker.WaitForTarget(10000));
    const DWORD elapsed = GetTickCount() - started;
    EXPECT_LT(elapsed, 10000u);
    EXPECT_EQ(graph.control->Stop(), S_OK);
    EXPECT_EQ(checker.Errors(), 0) << checker.FirstError();
}

TEST_F(TestCameraGraphTest, StallingCameraStopsAndRestarts)
{
    FrameChecker checker(640, 480);
    CameraGraph graph;
    ASSERT_NO_FATAL_FAILURE(graph.Build(L"Test Camera Stalling", &checker));
    for (int round = 0; round < 2; ++round) {
        checker.Restart(static_cast<long>(kStallingCameraFrames));
        ASSERT_TRUE(SUCCEEDED(graph.control->Run()));
        ASSERT_TRUE(checker.WaitForTarget()) << "round " << round;
        // The camera now blocks in FillBuffer; stopping wakes it.
        EXPECT_EQ(graph.control->Stop(), S_OK);
    }
    EXPECT_EQ(checker.Errors(), 0) << checker.FirstError();
}

}  // namespace
