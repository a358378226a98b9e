// CSource and the pin identity calls: interfaces, pin lookup, state, clock, graph membership, aggregation.
#include "FrameworkTestObjects.h"

#include "filter/framework/BasePin.h"

#include <cstring>

namespace {

using FilterTest = FrameworkTest;

TEST_F(FilterTest, AnswersItsInterfacesAndRefusesOthers)
{
    StreamControl control;
    ComRef<IBaseFilter> filter = CTestFilter::Make(&control);
    for (const IID* iid : {&IID_IUnknown, &IID_IBaseFilter, &IID_IMediaFilter, &IID_IPersist, &IID_IAMovieSetup}) {
        ComRef<IUnknown> answer;
        EXPECT_EQ(filter->QueryInterface(*iid, answer.PutVoid()), S_OK);
    }
    ComRef<IUnknown> none;
    EXPECT_EQ(filter->QueryInterface(IID_IPin, none.PutVoid()), E_NOINTERFACE);
    EXPECT_FALSE(none);
    EXPECT_EQ(filter->QueryInterface(IID_IBaseFilter, nullptr), E_POINTER);

    CLSID classId = {};
    EXPECT_EQ(filter->GetClassID(&classId), S_OK);
    EXPECT_TRUE(IsEqualCLSID(classId, CLSID_FrameworkTestFilter));
    EXPECT_EQ(filter->GetClassID(nullptr), E_POINTER);
    LPWSTR vendor = nullptr;
    EXPECT_EQ(filter->QueryVendorInfo(&vendor), E_NOTIMPL);
    EXPECT_EQ(RefCountOf(filter.Get()), 1u);
}

TEST_F(FilterTest, FindPinReadsOneBasedDecimalIds)
{
    StreamControl control;
    CTestFilter* object = nullptr;
    ComRef<IBaseFilter> filter = CTestFilter::Make(&control, &object, 2);
    ComRef<IPin> pin;
    ASSERT_EQ(filter->FindPin(L"1", pin.Put()), S_OK);
    EXPECT_EQ(pin.Get(), static_cast<IPin*>(object->Stream(0)));
    ASSERT_EQ(filter->FindPin(L"2", pin.Put()), S_OK);
    EXPECT_EQ(pin.Get(), static_cast<IPin*>(object->Stream(1)));
    for (const wchar_t* id : {L"3", L"0", L"x", L"1x", L"", L"-1", L"99999999999999999999"}) {
        IPin* missing = reinterpret_cast<IPin*>(1);
        EXPECT_EQ(filter->FindPin(id, &missing), VFW_E_NOT_FOUND) << "id " << static_cast<const void*>(id);
        EXPECT_EQ(missing, nullptr);
    }
    // QueryId gives what FindPin reads back.
    LPWSTR id = nullptr;
    ASSERT_EQ(pin->QueryId(&id), S_OK);
    EXPECT_STREQ(id, L"2");
    CoTaskMemFree(id);
    EXPECT_EQ(pin->QueryId(nullptr), E_POINTER);

    IPin* untouched = nullptr;
    EXPECT_EQ(filter->FindPin(nullptr, &untouched), E_POINTER);
    EXPECT_EQ(untouched, nullptr);
    EXPECT_EQ(filter->FindPin(L"1", nullptr), E_POINTER);
}

TEST_F(FilterTest, PinReferencesAreTheFiltersAndPinsDieWithIt)
{
    StreamControl control;
    CTestFilter* object = nullptr;
    ComRef<IBaseFilter> filter = CTestFilter::Make(&control, &object);
    ComRef<IPin> pin;
    ASSERT_EQ(filter->FindPin(L"1", pin.Put()), S_OK);
    EXPECT_EQ(RefCountOf(filter.Get()), 2u);
    ComRef<IQualityControl> quality;
    EXPECT_EQ(pin.QueryInterface(IID_IQualityControl, quality), S_OK);
    EXPECT_EQ(RefCountOf(filter.Get()), 3u);
    quality.Reset();

    PIN_INFO info = {};
    ASSERT_EQ(pin->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.pFilter, filter.Get());
    EXPECT_STREQ(info.achName, L"Output");
    EXPECT_EQ(info.dir, PINDIR_OUTPUT);
    info.pFilter->Release();
    PIN_DIRECTION direction = PINDIR_INPUT;
    EXPECT_EQ(pin->QueryDirection(&direction), S_OK);
    EXPECT_EQ(direction, PINDIR_OUTPUT);
    EXPECT_EQ(pin->QueryPinInfo(nullptr), E_POINTER);
    EXPECT_EQ(pin->QueryDirection(nullptr), E_POINTER);

    // Dropping the filter's own reference keeps everything alive through the pin's reference.
    filter.Reset();
    EXPECT_GT(ModuleObjectCount(), 0);
    PIN_INFO again = {};
    EXPECT_EQ(pin->QueryPinInfo(&again), S_OK);
    again.pFilter->Release();
    pin.Reset();  // the last reference: the filter and its pin are deleted (the fixture checks the count)
}

TEST_F(FilterTest, OutputPinRefusesInputPinCalls)
{
    StreamControl control;
    ComRef<IBaseFilter> filter = CTestFilter::Make(&control);
    ComRef<IPin> pin;
    ASSERT_EQ(filter->FindPin(L"1", pin.Put()), S_OK);
    EXPECT_EQ(pin->EndOfStream(), E_UNEXPECTED);
    EXPECT_EQ(pin->BeginFlush(), E_UNEXPECTED);
    EXPECT_EQ(pin->EndFlush(), E_UNEXPECTED);
    EXPECT_EQ(pin->QueryInternalConnections(nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(pin->NewSegment(0, 10, 1.0), S_OK);
    ComRef<FakeInputPin> other = FakeInputPin::Make();
    CMediaType type = VideoType(64, 48);
    EXPECT_EQ(pin->ReceiveConnection(other.Get(), &type), VFW_E_INVALID_DIRECTION);
    EXPECT_EQ(pin->ReceiveConnection(nullptr, &type), E_POINTER);

    // Unconnected: ConnectedTo and ConnectionMediaType report it and clear their outputs.
    IPin* connected = reinterpret_cast<IPin*>(1);
    EXPECT_EQ(pin->ConnectedTo(&connected), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(connected, nullptr);
    AM_MEDIA_TYPE junk;
    std::memset(&junk, 0xAB, sizeof junk);
    EXPECT_EQ(pin->ConnectionMediaType(&junk), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(junk.pbFormat, nullptr);
    EXPECT_EQ(junk.pUnk, nullptr);
    EXPECT_EQ(pin->ConnectedTo(nullptr), E_POINTER);
    EXPECT_EQ(pin->ConnectionMediaType(nullptr), E_POINTER);
    EXPECT_EQ(pin->QueryAccept(nullptr), E_POINTER);
    EXPECT_EQ(pin->QueryAccept(&type), S_OK);
    CMediaType other320 = VideoType(320, 240);
    EXPECT_EQ(pin->QueryAccept(&other320), S_FALSE);
}

TEST_F(FilterTest, PausingAnUnconnectedFilterStartsNoThread)
{
    StreamControl control;
    CTestFilter* object = nullptr;
    ComRef<IBaseFilter> filter = CTestFilter::Make(&control, &object);
    ASSERT_EQ(filter->Pause(), S_OK);
    FILTER_STATE state = State_Stopped;
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    EXPECT_FALSE(object->Stream()->ThreadExists());
    ASSERT_EQ(filter->Run(1234), S_OK);
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Running);
    EXPECT_EQ(object->StartTime(), 1234);
    EXPECT_FALSE(object->Stream()->ThreadExists());
    EXPECT_EQ(filter->Stop(), S_OK);
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_EQ(control.threadCreates, 0);
    EXPECT_EQ(filter->GetState(0, nullptr), E_POINTER);
    // Run straight from stopped.
    EXPECT_EQ(filter->Run(0), S_OK);
    EXPECT_EQ(filter->Stop(), S_OK);
}

TEST_F(FilterTest, SyncSourceIsHeldWithAReference)
{
    StreamControl control;
    ComRef<IBaseFilter> filter = CTestFilter::Make(&control);
    ComRef<IReferenceClock> clock;
    ASSERT_EQ(CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock,
                               clock.PutVoid()),
              S_OK);
    const ULONG alone = RefCountOf(clock.Get());
    ASSERT_EQ(filter->SetSyncSource(clock.Get()), S_OK);
    EXPECT_EQ(RefCountOf(clock.Get()), alone + 1);
    ComRef<IReferenceClock> read;
    ASSERT_EQ(filter->GetSyncSource(read.Put()), S_OK);
    EXPECT_EQ(read.Get(), clock.Get());
    read.Reset();
    EXPECT_EQ(filter->SetSyncSource(nullptr), S_OK);
    EXPECT_EQ(RefCountOf(clock.Get()), alone);
    EXPECT_EQ(filter->GetSyncSource(read.Put()), S_OK);
    EXPECT_FALSE(read);
    EXPECT_EQ(filter->GetSyncSource(nullptr), E_POINTER);
    // A filter released while holding a clock lets go of it.
    ASSERT_EQ(filter->SetSyncSource(clock.Get()), S_OK);
    filter.Reset();
    EXPECT_EQ(RefCountOf(clock.Get()), alone);
}

TEST_F(FilterTest, JoinFilterGraphKeepsTheGraphWithoutAReference)
{
    StreamControl control;
    ComRef<IBaseFilter> filter = CTestFilter::Make(&control);
    ComRef<IFilterGraph> graph;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterGraph,
                               graph.PutVoid()),
              S_OK);
    const ULONG alone = RefCountOf(graph.Get());
    ASSERT_EQ(filter->JoinFilterGraph(graph.Get(), L"Joined name"), S_OK);
    EXPECT_EQ(RefCountOf(graph.Get()), alone);

    FILTER_INFO info = {};
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"Joined name");
    EXPECT_EQ(info.pGraph, graph.Get());
    EXPECT_EQ(RefCountOf(graph.Get()), alone + 1);
    info.pGraph->Release();
    EXPECT_EQ(filter->QueryFilterInfo(nullptr), E_POINTER);

    ASSERT_EQ(filter->JoinFilterGraph(nullptr, nullptr), S_OK);
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.pGraph, nullptr);
    EXPECT_STREQ(info.achName, L"");
}

TEST_F(FilterTest, AggregatedFilterDelegatesToItsOuterObject)
{
    StreamControl control;
    FakeOuter outer;
    auto* object = new CTestFilter(&outer, &control);
    outer.inner = object->NonDelegatingUnknown();
    outer.inner->AddRef();

    ComRef<IBaseFilter> filter;
    ASSERT_EQ(outer.QueryInterface(IID_IBaseFilter, filter.PutVoid()), S_OK);
    // The inner's interfaces count on the outer object and hand out the outer's IUnknown.
    EXPECT_EQ(outer.Refs(), 2);
    EXPECT_EQ(RefCountOf(outer.inner), 1u);
    ComRef<IUnknown> identity;
    ASSERT_EQ(filter->QueryInterface(IID_IUnknown, identity.PutVoid()), S_OK);
    EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(&outer));
    identity.Reset();
    ComRef<IPin> pin;
    ASSERT_EQ(filter->FindPin(L"1", pin.Put()), S_OK);
    EXPECT_EQ(outer.Refs(), 3);
    pin.Reset();
    filter.Reset();
    EXPECT_EQ(outer.Refs(), 1);

    // The outer object's release of the inner destroys the filter.
    EXPECT_EQ(outer.inner->Release(), 0u);
}

}  // namespace
