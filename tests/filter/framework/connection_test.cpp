// Output pin connection: type search order, failure rules, allocator decision and disconnection, against a fake
// downstream input pin.
#include "FrameworkTestObjects.h"

namespace {

class ConnectionTest : public FrameworkTest {
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        filter = CTestFilter::Make(&control, &object);
        ASSERT_EQ(filter->FindPin(L"1", pin.Put()), S_OK);
        downstream = FakeInputPin::Make();
    }
    void TearDown() override
    {
        // Leaves nothing connected, so that the fake's reference on the pin does not keep the filter alive.
        if (downstream && downstream->connectedTo) {
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

TEST_F(ConnectionTest, ReceiverProposingOnlyOtherTypesGivesNoAcceptableTypes)
{
    downstream->proposals = {VideoType(320, 240), VideoType(160, 120)};
    downstream->acceptable = {VideoType(320, 240), VideoType(160, 120)};
    EXPECT_EQ(pin->Connect(downstream.Get(), nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_FALSE(object->Stream()->IsConnected());
    EXPECT_FALSE(downstream->connectedTo);
    // The pin's own two types were offered to the receiver (and refused); its proposals never were.
    EXPECT_EQ(downstream->receiveConnectionCalls, 2);
    EXPECT_EQ(control.decideBufferSizeCalls, 0);
    IPin* connected = nullptr;
    EXPECT_EQ(pin->ConnectedTo(&connected), VFW_E_NOT_CONNECTED);
}

TEST_F(ConnectionTest, ReceiversProposalIsTriedBeforeThePinsOwnTypes)
{
    // Both are acceptable to both sides; the receiver's proposal (the pin's second type) wins.
    downstream->proposals = {VideoType(320, 240), VideoType(32, 24)};
    ASSERT_EQ(pin->Connect(downstream.Get(), nullptr), S_OK);
    EXPECT_TRUE(downstream->connectionType == VideoType(32, 24));
    CMediaType current;
    ASSERT_EQ(pin->ConnectionMediaType(&current), S_OK);
    EXPECT_TRUE(current == VideoType(32, 24));
}

TEST_F(ConnectionTest, ConnectedPinDecidesAMemoryAllocatorNotReadOnly)
{
    ASSERT_EQ(pin->Connect(downstream.Get(), nullptr), S_OK);
    EXPECT_TRUE(downstream->connectionType == VideoType(64, 48));
    EXPECT_EQ(control.decideBufferSizeCalls, 1);
    ASSERT_TRUE(downstream->notifiedAllocator);
    EXPECT_EQ(downstream->notifiedReadOnly, FALSE);
    EXPECT_EQ(downstream->notifiedAllocator.Get(), object->Stream()->Allocator());
    ALLOCATOR_PROPERTIES properties = {};
    ASSERT_EQ(downstream->notifiedAllocator->GetProperties(&properties), S_OK);
    EXPECT_EQ(properties.cBuffers, 1);
    EXPECT_GE(properties.cbBuffer, 64 * 3 * 48);

    ComRef<IPin> peer;
    ASSERT_EQ(pin->ConnectedTo(peer.Put()), S_OK);
    EXPECT_EQ(peer.Get(), static_cast<IPin*>(downstream.Get()));
}

TEST_F(ConnectionTest, DownstreamAllocatorIsUsedWhenOffered)
{
    ComRef<IMemAllocator> offered;
    ASSERT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                               offered.PutVoid()),
              S_OK);
    downstream->offeredAllocator = offered.Get();
    offered->AddRef();
    ASSERT_EQ(pin->Connect(downstream.Get(), nullptr), S_OK);
    EXPECT_EQ(downstream->notifiedAllocator.Get(), offered.Get());
}

TEST_F(ConnectionTest, FullySpecifiedTypeIsTheOnlyOneTried)
{
    CMediaType second = VideoType(32, 24);
    ASSERT_EQ(pin->Connect(downstream.Get(), &second), S_OK);
    EXPECT_EQ(downstream->receiveConnectionCalls, 1);
    EXPECT_TRUE(downstream->connectionType == second);
}

TEST_F(ConnectionTest, FullySpecifiedTypeThePinRefusesIsNotAccepted)
{
    CMediaType foreign = VideoType(640, 480);
    EXPECT_EQ(pin->Connect(downstream.Get(), &foreign), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(downstream->receiveConnectionCalls, 0);
    EXPECT_FALSE(object->Stream()->IsConnected());
}

TEST_F(ConnectionTest, PartialTypeNarrowsTheSearch)
{
    CMediaType partial(&MEDIATYPE_Video);
    partial.SetSubtype(&MEDIASUBTYPE_RGB24);
    ASSERT_EQ(pin->Connect(downstream.Get(), &partial), S_OK);
    EXPECT_TRUE(downstream->connectionType == VideoType(64, 48));
    ASSERT_EQ(pin->Disconnect(), S_OK);
    ASSERT_EQ(downstream->Disconnect(), S_OK);

    CMediaType audio(&MEDIATYPE_Audio);
    EXPECT_EQ(pin->Connect(downstream.Get(), &audio), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_EQ(downstream->receiveConnectionCalls, 1);
}

TEST_F(ConnectionTest, ConnectRefusesWhenConnectedOrNotStoppedAndNullReceiver)
{
    EXPECT_EQ(pin->Connect(nullptr, nullptr), E_POINTER);
    ASSERT_EQ(pin->Connect(downstream.Get(), nullptr), S_OK);
    ComRef<FakeInputPin> second = FakeInputPin::Make();
    EXPECT_EQ(pin->Connect(second.Get(), nullptr), VFW_E_ALREADY_CONNECTED);

    // A second, unconnected pin of a paused filter cannot connect either.
    HRESULT hr = S_OK;
    auto* extra = new CTestStream(&hr, object, &control);
    ASSERT_EQ(hr, S_OK);
    ASSERT_EQ(filter->Pause(), S_OK);
    EXPECT_EQ(extra->Connect(second.Get(), nullptr), VFW_E_NOT_STOPPED);
    EXPECT_FALSE(extra->IsConnected());
    EXPECT_EQ(pin->Disconnect(), VFW_E_NOT_STOPPED);
    EXPECT_EQ(filter->Stop(), S_OK);
    EXPECT_EQ(second->receiveConnectionCalls, 0);
}

TEST_F(ConnectionTest, DisconnectBreaksTheConnectionAndKeepsTheType)
{
    CMediaType second = VideoType(32, 24);
    ASSERT_EQ(pin->Connect(downstream.Get(), &second), S_OK);
    const ULONG connectedRefs = RefCountOf(filter.Get());
    ASSERT_EQ(pin->Disconnect(), S_OK);
    ASSERT_EQ(downstream->Disconnect(), S_OK);
    // The fake held the pin (so the filter); both references are gone.
    EXPECT_EQ(RefCountOf(filter.Get()), connectedRefs - 1);
    EXPECT_EQ(pin->Disconnect(), S_FALSE);
    EXPECT_EQ(object->Stream()->Allocator(), nullptr);
    EXPECT_TRUE(object->Stream()->CurrentMediaType() == second);
    EXPECT_EQ(downstream->Refs(), 1);
}

}  // namespace
