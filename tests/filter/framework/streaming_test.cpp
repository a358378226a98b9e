// The streaming thread: start on pause, stop waiting for FillBuffer, failures, and no leaked threads or handles.
#include "FrameworkTestObjects.h"
#include "support/ProcessResources.h"

namespace {

class StreamingTest : public FrameworkTest {
protected:
    void Connect()
    {
        filter = CTestFilter::Make(&control, &object);
        ASSERT_EQ(filter->FindPin(L"1", pin.Put()), S_OK);
        downstream = FakeInputPin::Make();
        ASSERT_EQ(pin->Connect(downstream.Get(), nullptr), S_OK);
    }
    void TearDown() override
    {
        if (filter) {
            EXPECT_EQ(filter->Stop(), S_OK);
            EXPECT_EQ(pin->Disconnect(), S_OK);
            EXPECT_EQ(downstream->Disconnect(), S_OK);
        }
        pin.Reset();
        filter.Reset();
        downstream.Reset();
        FrameworkTest::TearDown();
    }

    StreamControl control;
    CTestFilter* object = nullptr;
    ComRef<IBaseFilter> filter;
    ComRef<IPin> pin;
    ComRef<FakeInputPin> downstream;
};

struct StopCall {
    IBaseFilter* filter;
    StreamControl* control;
    HRESULT result = E_FAIL;
    LONG fillsReturnedWhenStopped = -1;
};

DWORD WINAPI StopFromAnotherThread(void* argument)
{
    auto* call = static_cast<StopCall*>(argument);
    call->result = call->filter->Stop();
    call->fillsReturnedWhenStopped = call->control->fillsReturned;
    return 0;
}

// A memory allocator whose Decommit reports a failure (after decommitting), with a count of its own.
class DecommitRefusingAllocator : public IMemAllocator {
public:
    explicit DecommitRefusingAllocator(IMemAllocator* real) : real_(real) { real_->AddRef(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IMemAllocator)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IMemAllocator*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG refs = InterlockedDecrement(&refs_);
        if (refs == 0) {
            real_->Release();
            delete this;
        }
        return static_cast<ULONG>(refs);
    }
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override
    {
        return real_->SetProperties(request, actual);
    }
    HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* props) override { return real_->GetProperties(props); }
    HRESULT STDMETHODCALLTYPE Commit() override { return real_->Commit(); }
    HRESULT STDMETHODCALLTYPE Decommit() override
    {
        (void)real_->Decommit();
        return E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                                        DWORD flags) override
    {
        return real_->GetBuffer(sample, start, end, flags);
    }
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* sample) override { return real_->ReleaseBuffer(sample); }

private:
    virtual ~DecommitRefusingAllocator() = default;
    IMemAllocator* real_;
    volatile LONG refs_ = 1;
};

TEST_F(StreamingTest, StopEndsTheThreadEvenWhenTheAllocatorReportsAFailedDecommit)
{
    ComRef<IMemAllocator> real;
    ASSERT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                               real.PutVoid()),
              S_OK);
    filter = CTestFilter::Make(&control, &object);
    ASSERT_EQ(filter->FindPin(L"1", pin.Put()), S_OK);
    downstream = FakeInputPin::Make();
    downstream->offeredAllocator = new DecommitRefusingAllocator(real.Get());
    ASSERT_EQ(pin->Connect(downstream.Get(), nullptr), S_OK);
    ASSERT_EQ(filter->Pause(), S_OK);
    ASSERT_TRUE(WaitSignalled(downstream->receivedEvent));

    EXPECT_EQ(filter->Stop(), E_FAIL);
    // The filter reports stopped, so no thread may be left filling samples.
    EXPECT_FALSE(object->Stream()->ThreadExists());
    EXPECT_EQ(control.threadDestroys, 1);
    // A later stop (the teardown's) finds nothing to do but the same allocator.
    (void)filter->Stop();
    ASSERT_EQ(pin->Disconnect(), S_OK);
    ASSERT_EQ(downstream->Disconnect(), S_OK);
    pin.Reset();
    filter.Reset();
}

TEST_F(StreamingTest, PauseStartsTheThreadAndSamplesFlowUntilStop)
{
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_EQ(filter->Pause(), S_OK);
    EXPECT_TRUE(object->Stream()->ThreadExists());
    EXPECT_EQ(control.threadCreates, 1);
    // Frames flow from pause on, not only when running.
    ASSERT_TRUE(WaitSignalled(downstream->receivedEvent));
    ASSERT_EQ(filter->Run(0), S_OK);
    ASSERT_TRUE(WaitSignalled(downstream->receivedEvent));
    // Pausing again from running does not start a second thread.
    ASSERT_EQ(filter->Pause(), S_OK);
    EXPECT_EQ(control.threadCreates, 1);
    ASSERT_EQ(filter->Stop(), S_OK);
    EXPECT_FALSE(object->Stream()->ThreadExists());
    EXPECT_EQ(control.threadDestroys, 1);
    EXPECT_EQ(control.fills, control.fillsReturned);
    EXPECT_GE(downstream->received, 2);
    EXPECT_EQ(downstream->endOfStreams, 0);
}

TEST_F(StreamingTest, StopDuringALongFillBufferWaitsUntilItReturns)
{
    ASSERT_NO_FATAL_FAILURE(Connect());
    control.holdFill = true;
    ASSERT_EQ(filter->Pause(), S_OK);
    ASSERT_TRUE(WaitSignalled(control.fillEntered));

    StopCall call{filter.Get(), &control};
    HANDLE stopper = CreateThread(nullptr, 0, &StopFromAnotherThread, &call, 0, nullptr);
    ASSERT_NE(stopper, nullptr);
    // Stop has told the stream to stop; from then on it waits for the thread, which ends only after FillBuffer
    // returned.
    EXPECT_TRUE(WaitSignalled(object->Stream()->StopHandle()));
    EXPECT_EQ(WaitForSingleObject(stopper, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    SetEvent(control.releaseFill);
    ASSERT_TRUE(WaitSignalled(stopper));
    CloseHandle(stopper);
    EXPECT_EQ(call.result, S_OK);
    EXPECT_EQ(call.fillsReturnedWhenStopped, control.fills);
    EXPECT_GE(call.fillsReturnedWhenStopped, 1);
    EXPECT_FALSE(object->Stream()->ThreadExists());
}

TEST_F(StreamingTest, FailingThreadCreationFailsThePause)
{
    ASSERT_NO_FATAL_FAILURE(Connect());
    control.threadCreateResult = E_ACCESSDENIED;
    EXPECT_EQ(filter->Pause(), E_ACCESSDENIED);
    FILTER_STATE state = State_Running;
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_FALSE(object->Stream()->ThreadExists());
    EXPECT_EQ(control.threadDestroys, 1);
    EXPECT_EQ(control.fills, 0);
    // A later pause works once the cause is gone.
    control.threadCreateResult = S_OK;
    EXPECT_EQ(filter->Pause(), S_OK);
    ASSERT_TRUE(WaitSignalled(downstream->receivedEvent));
}

TEST_F(StreamingTest, FillBufferEndingOrFailingEndsTheStream)
{
    ASSERT_NO_FATAL_FAILURE(Connect());
    ComRef<IFilterGraph> graph;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterGraph,
                               graph.PutVoid()),
              S_OK);
    ASSERT_EQ(filter->JoinFilterGraph(graph.Get(), L"Test"), S_OK);
    ComRef<IMediaEvent> events;
    ASSERT_EQ(graph.QueryInterface(IID_IMediaEvent, events), S_OK);

    control.fillResult = E_ABORT;
    ASSERT_EQ(filter->Pause(), S_OK);
    long code = 0;
    LONG_PTR first = 0;
    LONG_PTR second = 0;
    ASSERT_EQ(events->GetEvent(&code, &first, &second, 10000), S_OK);
    EXPECT_EQ(code, EC_ERRORABORT);
    EXPECT_EQ(static_cast<HRESULT>(first), E_ABORT);
    // Frees what the event carried; nothing to do should it fail.
    (void)events->FreeEventParams(code, first, second);
    ASSERT_TRUE(WaitSignalled(downstream->endOfStreamEvent));
    EXPECT_EQ(downstream->endOfStreams, 1);
    EXPECT_EQ(downstream->received, 0);
    ASSERT_EQ(filter->Stop(), S_OK);

    // S_FALSE ends the stream with end-of-stream only.
    control.fillResult = S_FALSE;
    ASSERT_EQ(filter->Pause(), S_OK);
    ASSERT_TRUE(WaitSignalled(downstream->endOfStreamEvent));
    ASSERT_EQ(filter->Stop(), S_OK);
    EXPECT_EQ(downstream->endOfStreams, 2);
    EXPECT_EQ(downstream->received, 0);
    ASSERT_EQ(filter->JoinFilterGraph(nullptr, nullptr), S_OK);
}

TEST_F(StreamingTest, DownstreamRefusalEndsTheLoopQuietly)
{
    ASSERT_NO_FATAL_FAILURE(Connect());
    downstream->receiveResult = S_FALSE;
    ASSERT_EQ(filter->Pause(), S_OK);
    ASSERT_TRUE(WaitSignalled(downstream->receivedEvent));
    ASSERT_EQ(filter->Stop(), S_OK);
    EXPECT_EQ(downstream->received, 1);
    EXPECT_EQ(downstream->endOfStreams, 0);
}

// One full life of a connected filter: create, connect, stream, stop, disconnect, release.
void StreamOneFilter()
{
    StreamControl control;
    CTestFilter* object = nullptr;
    ComRef<IBaseFilter> filter = CTestFilter::Make(&control, &object);
    ComRef<IPin> pin;
    ASSERT_EQ(filter->FindPin(L"1", pin.Put()), S_OK);
    ComRef<FakeInputPin> downstream = FakeInputPin::Make();
    ASSERT_EQ(pin->Connect(downstream.Get(), nullptr), S_OK);
    ASSERT_EQ(filter->Run(0), S_OK);
    ASSERT_TRUE(WaitSignalled(downstream->receivedEvent));
    ASSERT_EQ(filter->Stop(), S_OK);
    ASSERT_EQ(pin->Disconnect(), S_OK);
    ASSERT_EQ(downstream->Disconnect(), S_OK);
}

TEST_F(StreamingTest, TwoHundredFiltersLeaveNoThreadsOrHandlesBehind)
{
    // The first round loads the runtime's allocator code and lets it make whatever it keeps.
    ASSERT_NO_FATAL_FAILURE(StreamOneFilter());
    const size_t handles = CountOpenHandles();
    const size_t threads = CountThreads();
    ASSERT_GT(handles, 0u);
    ASSERT_GT(threads, 0u);
    for (int i = 0; i < 200; ++i) ASSERT_NO_FATAL_FAILURE(StreamOneFilter()) << "filter " << i;
    // A few of the runtime's own worker threads and handles may come and go meanwhile.
    EXPECT_LE(CountOpenHandles(), handles + 8);
    EXPECT_LE(CountThreads(), threads + 2);
}

}  // namespace
