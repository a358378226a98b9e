// The filter object as its callers see it: the settings interface slot by slot through a caller's own
// declaration, strings and null pointers at the interface, the interfaces it hands out, aggregation, several
// objects in one process and repeated creation.
#include "FilterObjectFixture.h"

#include "filter/CamStream.h"
#include "filter/GdiplusUsers.h"
#include "filter/InputSwitching.h"
#include "filter/framework/ModuleObjects.h"
#include "filter/settings/SettingsStore.h"
#include "filter/ui/Tray.h"
#include "support/ProcessResources.h"

#include <gtest/gtest.h>

#include <ks.h>
#include <ksmedia.h>

#include <cstring>
#include <string>
#include <vector>

// The settings interface as a separately compiled caller declares it: only the order of the slots ties it to the
// filter's declaration. Outside the anonymous namespace on purpose: with no implementation in sight there, the
// compiler may treat every call through an internal interface as unreachable.
struct ISettingsClient : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Revert() = 0;
    virtual HRESULT STDMETHODCALLTYPE Save() = 0;
    virtual HRESULT STDMETHODCALLTYPE PutCamera(LPCWSTR) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadCamera(LPWSTR) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadCameraName(LPWSTR, LONG) = 0;
    virtual HRESULT STDMETHODCALLTYPE CameraProperties(LPCWSTR) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutMode(LONG) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadMode(LONG*) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutUseBorder(LONG) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadUseBorder(LONG*) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutBorder(LPCWSTR) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadBorder(LPWSTR) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutFolder(LPCWSTR) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadFolder(LPWSTR) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutChangedTime(LONG) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadChangedTime(LONG*) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutMorphingTime(LONG) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadMorphingTime(LONG*) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutRepeatPictures(LONG) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadRepeatPictures(LONG*) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutChangeType(LONG) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadChangeType(LONG*) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutVideo(LPCWSTR) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadVideo(LPWSTR) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutRepeatVideo(LONG) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadRepeatVideo(LONG*) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutDesktop(LONG) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadDesktop(LONG*) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadMonitorName(LPSTR, LONG) = 0;
};

namespace {

// The interface as such a caller obtains it: by identifier, as an untyped pointer.
ComRef<ISettingsClient> ClientOf(IUnknown* object)
{
    void* raw = nullptr;
    EXPECT_EQ(object->QueryInterface(IID_IData, &raw), S_OK);
    ComRef<ISettingsClient> client;
    client.Attach(static_cast<ISettingsClient*>(raw));
    return client;
}

std::wstring Read(HRESULT (STDMETHODCALLTYPE ISettingsClient::*getter)(LPWSTR), ISettingsClient* client)
{
    wchar_t buffer[kIDataBufferChars] = {};
    EXPECT_EQ((client->*getter)(buffer), S_OK);
    return buffer;
}

LONG Read(HRESULT (STDMETHODCALLTYPE ISettingsClient::*getter)(LONG*), ISettingsClient* client)
{
    LONG value = -12345;
    EXPECT_EQ((client->*getter)(&value), S_OK);
    return value;
}

// The REG_DWORD value `name` of the settings key, or -1 when it is missing or of another kind.
int64_t StoredNumber(const wchar_t* name)
{
    RawValue raw = ReadRaw(name);
    if (!raw.found || raw.type != REG_DWORD || raw.bytes.size() != sizeof(DWORD)) return -1;
    DWORD value = 0;
    memcpy(&value, raw.bytes.data(), sizeof value);
    return value;
}

using FilterObjectSlots = FilterObjectTest;

TEST_F(FilterObjectSlots, NumbersSetThroughTheCallersDeclarationLandInTheirOwnSettings)
{
    ComRef<ISettingsClient> holder = ClientOf(filter_.Get());
    ASSERT_TRUE(holder);
    ISettingsClient* client = holder.Get();
    // Distinct values, so that a shifted slot shows as a wrong value.
    ASSERT_EQ(client->PutUseBorder(0), S_OK);
    ASSERT_EQ(client->PutChangedTime(1111), S_OK);
    ASSERT_EQ(client->PutMorphingTime(2222), S_OK);
    ASSERT_EQ(client->PutRepeatPictures(3), S_OK);
    ASSERT_EQ(client->PutChangeType(4), S_OK);
    ASSERT_EQ(client->PutRepeatVideo(5), S_OK);
    ASSERT_EQ(client->PutMode(7), S_OK);

    const FilterSettings s = CurrentSettings();
    EXPECT_EQ(s.UseBorder, 0);
    EXPECT_EQ(s.ChangedTime, 1111);
    EXPECT_EQ(s.MorphingTime, 2222);
    EXPECT_EQ(s.RepeatPicturesShowing, 3);
    EXPECT_EQ(s.PicChType, 4);
    EXPECT_EQ(s.RepeatVideo, 5);
    EXPECT_EQ(s.GlobalType, 7);

    int32_t value = 0;
    EXPECT_EQ(data_->GetChangedTime(&value), S_OK);
    EXPECT_EQ(value, 1111);
    EXPECT_EQ(Read(&ISettingsClient::ReadUseBorder, client), 0);
    EXPECT_EQ(Read(&ISettingsClient::ReadChangedTime, client), 1111);
    EXPECT_EQ(Read(&ISettingsClient::ReadMorphingTime, client), 2222);
    EXPECT_EQ(Read(&ISettingsClient::ReadRepeatPictures, client), 3);
    EXPECT_EQ(Read(&ISettingsClient::ReadChangeType, client), 4);
    EXPECT_EQ(Read(&ISettingsClient::ReadRepeatVideo, client), 5);
    EXPECT_EQ(Read(&ISettingsClient::ReadMode, client), 7);
    EXPECT_EQ(Read(&ISettingsClient::ReadDesktop, client), CurrentSettings().DesktopIndex);
}

TEST_F(FilterObjectSlots, StringsSetThroughTheCallersDeclarationLandInTheirOwnSettings)
{
    ComRef<ISettingsClient> holder = ClientOf(filter_.Get());
    ASSERT_TRUE(holder);
    ISettingsClient* client = holder.Get();
    ASSERT_EQ(client->PutCamera(L"Camera A"), S_OK);
    ASSERT_EQ(client->PutBorder(L"C:\\b.png"), S_OK);
    ASSERT_EQ(client->PutFolder(L"C:\\pictures"), S_OK);
    ASSERT_EQ(client->PutVideo(L"C:\\clip.avi"), S_OK);

    const FilterSettings s = CurrentSettings();
    EXPECT_EQ(s.ActiveCamera, L"Camera A");
    EXPECT_EQ(s.BorderFile, L"C:\\b.png");
    EXPECT_EQ(s.PicturesDirectory, L"C:\\pictures");
    EXPECT_EQ(s.VideoFile, L"C:\\clip.avi");

    EXPECT_EQ(Read(&ISettingsClient::ReadCamera, client), L"Camera A");
    EXPECT_EQ(Read(&ISettingsClient::ReadBorder, client), L"C:\\b.png");
    EXPECT_EQ(Read(&ISettingsClient::ReadFolder, client), L"C:\\pictures");
    EXPECT_EQ(Read(&ISettingsClient::ReadVideo, client), L"C:\\clip.avi");
}

TEST_F(FilterObjectSlots, ListEntriesAndTheirEndsThroughTheCallersDeclaration)
{
    ComRef<ISettingsClient> holder = ClientOf(filter_.Get());
    ASSERT_TRUE(holder);
    ISettingsClient* client = holder.Get();
    for (LONG index : {-1L, 0L, 1L, 1000L}) {
        wchar_t camera[kIDataBufferChars];
        std::fill(std::begin(camera), std::end(camera), L'x');
        ASSERT_EQ(client->ReadCameraName(camera, index), S_OK);
        const bool inList = index >= 0 && static_cast<size_t>(index) < CameraList().size();
        EXPECT_EQ(std::wstring(camera), inList ? CameraList()[static_cast<size_t>(index)] : std::wstring());

        char monitor[kIDataBufferChars];
        std::fill(std::begin(monitor), std::end(monitor), 'x');
        ASSERT_EQ(client->ReadMonitorName(monitor, index), S_OK);
        const bool onMonitor = index >= 0 && static_cast<size_t>(index) < MonitorList().size();
        EXPECT_EQ(std::string(monitor), onMonitor ? MonitorList()[static_cast<size_t>(index)].DeviceName
                                                  : std::string());
    }
    // No device bears the name: nothing opens, and the caller hears S_OK.
    EXPECT_EQ(client->CameraProperties(L"No Such Camera"), S_OK);
}

TEST_F(FilterObjectSlots, SaveAndRevertThroughTheCallersDeclaration)
{
    ComRef<ISettingsClient> holder = ClientOf(filter_.Get());
    ASSERT_TRUE(holder);
    ISettingsClient* client = holder.Get();
    ASSERT_EQ(client->PutChangedTime(4321), S_OK);
    ASSERT_EQ(client->Save(), S_OK);
    EXPECT_EQ(SavedSettings().ChangedTime, 4321);
    EXPECT_EQ(StoredNumber(L"ChangedTime"), 4321);

    ASSERT_EQ(client->PutChangedTime(99), S_OK);
    ASSERT_EQ(client->Revert(), S_OK);
    EXPECT_EQ(CurrentSettings().ChangedTime, 4321);
}

// A buffer of kIDataBufferChars with a guard area behind it.
template <class Char>
struct GuardedBuffer {
    static constexpr size_t kGuard = 64;
    static constexpr Char kFill = static_cast<Char>(0x5a5a);
    Char chars[kIDataBufferChars + kGuard];
    GuardedBuffer() { std::fill(std::begin(chars), std::end(chars), kFill); }
    bool GuardIntact() const
    {
        for (size_t i = kIDataBufferChars; i < kIDataBufferChars + kGuard; ++i)
            if (chars[i] != kFill) return false;
        return true;
    }
};

using FilterObjectStrings = FilterObjectTest;

TEST_F(FilterObjectStrings, LongStringsAreCutTo259AndNeverOverrunTheCallersBuffer)
{
    using Setter = HRESULT (STDMETHODCALLTYPE IData::*)(const wchar_t*);
    using Getter = HRESULT (STDMETHODCALLTYPE IData::*)(wchar_t*);
    const std::vector<std::pair<Setter, Getter>> slots = {
        {&IData::SetActiveCamera, &IData::GetActiveCamera},
        {&IData::SetBorderFile, &IData::GetBorderFile},
        {&IData::SetPicturesDirectory, &IData::GetPicturesDirectory},
        {&IData::SetVideoFile, &IData::GetVideoFile},
    };
    for (size_t length : {size_t{259}, size_t{260}, size_t{1000}}) {
        const std::wstring text(length, L'p');
        for (const auto& slot : slots) {
            ASSERT_EQ((data_.Get()->*slot.first)(text.c_str()), S_OK);
            GuardedBuffer<wchar_t> buffer;
            ASSERT_EQ((data_.Get()->*slot.second)(buffer.chars), S_OK);
            EXPECT_TRUE(buffer.GuardIntact()) << length;
            EXPECT_EQ(std::wstring(buffer.chars), std::wstring(259, L'p')) << length;
        }
    }
}

TEST_F(FilterObjectStrings, ListNamesStayInsideTheCallersBuffer)
{
    GuardedBuffer<wchar_t> camera;
    ASSERT_EQ(data_->GetCameraName(camera.chars, 0), S_OK);
    EXPECT_TRUE(camera.GuardIntact());
    GuardedBuffer<char> monitor;
    ASSERT_EQ(data_->GetMonitorName(monitor.chars, 0), S_OK);
    EXPECT_TRUE(monitor.GuardIntact());
}

TEST_F(FilterObjectStrings, NullPointers)
{
    for (auto getter : {&IData::GetActiveCamera, &IData::GetBorderFile, &IData::GetPicturesDirectory,
                        &IData::GetVideoFile})
        EXPECT_EQ((data_.Get()->*getter)(nullptr), E_POINTER);
    for (auto getter : {&IData::GetGlobalType, &IData::GetUseBorder, &IData::GetChangedTime,
                        &IData::GetMorphingTime, &IData::GetRepeatPicturesShowing, &IData::GetPicChType,
                        &IData::GetRepeatVideo, &IData::GetDesktopIndex})
        EXPECT_EQ((data_.Get()->*getter)(nullptr), E_POINTER);
    EXPECT_EQ(data_->GetCameraName(nullptr, 0), E_POINTER);
    EXPECT_EQ(data_->GetMonitorName(nullptr, 0), E_POINTER);
    EXPECT_EQ(data_->ShowCameraProperties(nullptr), S_OK);

    // A null string is an empty one.
    ASSERT_EQ(data_->SetBorderFile(L"C:\\b.png"), S_OK);
    ASSERT_EQ(data_->SetPicturesDirectory(L"C:\\p"), S_OK);
    ASSERT_EQ(data_->SetVideoFile(L"C:\\v.avi"), S_OK);
    ASSERT_EQ(data_->SetActiveCamera(L"Camera"), S_OK);
    for (auto setter : {&IData::SetActiveCamera, &IData::SetBorderFile, &IData::SetPicturesDirectory,
                        &IData::SetVideoFile})
        EXPECT_EQ((data_.Get()->*setter)(nullptr), S_OK);
    EXPECT_EQ(CurrentSettings().ActiveCamera, L"");
    EXPECT_EQ(CurrentSettings().BorderFile, L"");
    EXPECT_EQ(CurrentSettings().PicturesDirectory, L"");
    EXPECT_EQ(CurrentSettings().VideoFile, L"");

    EXPECT_EQ(data_->QueryInterface(IID_IData, nullptr), E_POINTER);
    EXPECT_EQ(filter_->QueryInterface(IID_IData, nullptr), E_POINTER);
    EXPECT_EQ(data_->QueryInterface(IID_IAMStreamConfig, nullptr), E_POINTER);
    ComRef<ISpecifyPropertyPages> pages;
    ASSERT_EQ(filter_.QueryInterface(IID_ISpecifyPropertyPages, pages), S_OK);
    EXPECT_EQ(pages->GetPages(nullptr), E_POINTER);
}

using FilterObjectInterfaces = FilterObjectTest;

TEST_F(FilterObjectInterfaces, OneIdentityBehindEveryInterface)
{
    ComRef<IBaseFilter> filter;
    ASSERT_EQ(data_.QueryInterface(IID_IBaseFilter, filter), S_OK);
    ComRef<IUnknown> fromData, fromFilter;
    ASSERT_EQ(data_.QueryInterface(IID_IUnknown, fromData), S_OK);
    ASSERT_EQ(filter.QueryInterface(IID_IUnknown, fromFilter), S_OK);
    EXPECT_EQ(fromData.Get(), fromFilter.Get());
    EXPECT_EQ(fromData.Get(), filter_.Get());
    ComRef<IData> back;
    ASSERT_EQ(filter.QueryInterface(IID_IData, back), S_OK);
    EXPECT_EQ(back.Get(), data_.Get());

    CLSID classId = {};
    ASSERT_EQ(filter->GetClassID(&classId), S_OK);
    EXPECT_TRUE(IsEqualCLSID(classId, CLSID_Veltrane));
    ComRef<IAMovieSetup> setup;
    EXPECT_EQ(data_.QueryInterface(IID_IAMovieSetup, setup), S_OK);
    ComRef<IPersistStream> unknownInterface;
    EXPECT_EQ(data_.QueryInterface(IID_IPersistStream, unknownInterface), E_NOINTERFACE);
}

TEST_F(FilterObjectInterfaces, FilterHasStreamInterfacesOfItsOwnThatThePinAnswers)
{
    ComRef<IBaseFilter> filter;
    ASSERT_EQ(filter_.QueryInterface(IID_IBaseFilter, filter), S_OK);
    ComRef<IEnumPins> pins;
    ASSERT_EQ(filter->EnumPins(pins.Put()), S_OK);
    ComRef<IPin> pin, second;
    ASSERT_EQ(pins->Next(1, pin.Put(), nullptr), S_OK);
    EXPECT_EQ(pins->Next(1, second.Put(), nullptr), S_FALSE);
    PIN_INFO info = {};
    ASSERT_EQ(pin->QueryPinInfo(&info), S_OK);
    if (info.pFilter) info.pFilter->Release();
    EXPECT_STREQ(info.achName, L"Veltrane");
    EXPECT_EQ(info.dir, PINDIR_OUTPUT);

    ComRef<IAMStreamConfig> pinConfig, filterConfig, dataConfig;
    ASSERT_EQ(pin.QueryInterface(IID_IAMStreamConfig, pinConfig), S_OK);
    ASSERT_EQ(filter_.QueryInterface(IID_IAMStreamConfig, filterConfig), S_OK);
    ASSERT_EQ(data_.QueryInterface(IID_IAMStreamConfig, dataConfig), S_OK);
    EXPECT_EQ(dataConfig.Get(), filterConfig.Get());
    ComRef<IKsPropertySet> pinProperties, filterProperties;
    ASSERT_EQ(pin.QueryInterface(IID_IKsPropertySet, pinProperties), S_OK);
    ASSERT_EQ(data_.QueryInterface(IID_IKsPropertySet, filterProperties), S_OK);
    // The filter's interfaces lead back to the filter, the pin's to the pin, as COM's identity rule asks.
    ComRef<IUnknown> filterIdentity, configIdentity, propertiesIdentity, pinIdentity, pinConfigIdentity;
    ComRef<IBaseFilter> configFilter;
    ASSERT_EQ(filter_.QueryInterface(IID_IUnknown, filterIdentity), S_OK);
    ASSERT_EQ(filterConfig.QueryInterface(IID_IUnknown, configIdentity), S_OK);
    ASSERT_EQ(filterProperties.QueryInterface(IID_IUnknown, propertiesIdentity), S_OK);
    ASSERT_EQ(filterConfig.QueryInterface(IID_IBaseFilter, configFilter), S_OK);
    EXPECT_EQ(configIdentity.Get(), filterIdentity.Get());
    EXPECT_EQ(propertiesIdentity.Get(), filterIdentity.Get());
    EXPECT_EQ(configFilter.Get(), filter.Get());
    ASSERT_EQ(pin.QueryInterface(IID_IUnknown, pinIdentity), S_OK);
    ASSERT_EQ(pinConfig.QueryInterface(IID_IUnknown, pinConfigIdentity), S_OK);
    EXPECT_EQ(pinConfigIdentity.Get(), pinIdentity.Get());
    // Both answer from the one pin: a format set through the filter is the pin's.
    AM_MEDIA_TYPE* type = nullptr;
    BYTE caps[128];
    ASSERT_EQ(filterConfig->GetStreamCaps(3, &type, caps), S_OK);
    ASSERT_EQ(filterConfig->SetFormat(type), S_OK);
    DeleteMediaType(type);
    ASSERT_EQ(pinConfig->GetFormat(&type), S_OK);
    EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader.biWidth, 240);
    DeleteMediaType(type);
    DWORD returned = 0;
    GUID category{};
    ASSERT_EQ(filterProperties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, sizeof(category),
                                    &returned),
              S_OK);
    EXPECT_TRUE(IsEqualGUID(category, PIN_CATEGORY_CAPTURE));
}

TEST_F(FilterObjectInterfaces, PausedLiveSourceAnswersThatItCannotCue)
{
    ComRef<IBaseFilter> filter;
    ASSERT_EQ(filter_.QueryInterface(IID_IBaseFilter, filter), S_OK);
    FILTER_STATE state = State_Running;
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    ASSERT_EQ(filter->Pause(), S_OK);
    EXPECT_EQ(filter->GetState(0, &state), VFW_S_CANT_CUE);
    EXPECT_EQ(state, State_Paused);
    ASSERT_EQ(filter->Run(0), S_OK);
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Running);
    ASSERT_EQ(filter->Stop(), S_OK);
    EXPECT_EQ(filter->GetState(0, nullptr), E_POINTER);
}

TEST_F(FilterObjectInterfaces, VideoControlOffersThirtyDownToFiveFramesASecondForEverySize)
{
    ComRef<IAMVideoControl> control;
    ComRef<IAMStreamConfig> config;
    ComRef<IBaseFilter> filter;
    ASSERT_EQ(filter_.QueryInterface(IID_IAMVideoControl, control), S_OK);
    ASSERT_EQ(filter_.QueryInterface(IID_IAMStreamConfig, config), S_OK);
    ASSERT_EQ(filter_.QueryInterface(IID_IBaseFilter, filter), S_OK);
    ComRef<IPin> pin;
    ASSERT_EQ(filter->FindPin(L"1", pin.Put()), S_OK);
    LONG flags = -1;
    EXPECT_EQ(control->GetCaps(pin.Get(), &flags), S_OK);
    EXPECT_EQ(flags, 0);
    EXPECT_EQ(control->GetMode(pin.Get(), &flags), S_OK);
    EXPECT_EQ(flags, 0);
    EXPECT_EQ(control->SetMode(pin.Get(), 0), S_OK);
    EXPECT_EQ(control->SetMode(pin.Get(), VideoControlFlag_FlipHorizontal), E_INVALIDARG);
    EXPECT_EQ(control->GetCaps(nullptr, &flags), E_POINTER);

    const LONGLONG expected[] = {333333, 400000, 500000, 666667, 1000000, 2000000};
    for (int index = 0; index < 10; ++index) {
        SCOPED_TRACE(index);
        AM_MEDIA_TYPE* type = nullptr;
        BYTE caps[128];
        ASSERT_EQ(config->GetStreamCaps(index, &type, caps), S_OK);
        const BITMAPINFOHEADER& bitmap = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
        const SIZE size{bitmap.biWidth, bitmap.biHeight};
        DeleteMediaType(type);
        LONG count = 0;
        LONGLONG* list = nullptr;
        ASSERT_EQ(control->GetFrameRateList(pin.Get(), index, size, &count, &list), S_OK);
        ASSERT_EQ(count, 6);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(list[i], expected[i]);
        CoTaskMemFree(list);
        LONGLONG fastest = 0;
        EXPECT_EQ(control->GetMaxAvailableFrameRate(pin.Get(), index, size, &fastest), S_OK);
        EXPECT_EQ(fastest, 333333);
    }
    LONG count = 0;
    EXPECT_EQ(control->GetFrameRateList(pin.Get(), 10, SIZE{640, 480}, &count, nullptr), E_INVALIDARG);
    EXPECT_EQ(control->GetFrameRateList(pin.Get(), 0, SIZE{320, 240}, &count, nullptr), E_INVALIDARG);

    // The current rate is the current type's, and follows SetFormat.
    LONGLONG current = 0;
    ASSERT_EQ(control->GetCurrentActualFrameRate(pin.Get(), &current), S_OK);
    EXPECT_EQ(current, 1000000);
    AM_MEDIA_TYPE* type = nullptr;
    ASSERT_EQ(config->GetFormat(&type), S_OK);
    reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->AvgTimePerFrame = 333333;
    ASSERT_EQ(config->SetFormat(type), S_OK);
    DeleteMediaType(type);
    ASSERT_EQ(control->GetCurrentActualFrameRate(pin.Get(), &current), S_OK);
    EXPECT_EQ(current, 333333);
}

TEST_F(FilterObjectInterfaces, PropertyPagesNameTheSettingsPage)
{
    ComRef<ISpecifyPropertyPages> specify;
    ASSERT_EQ(data_.QueryInterface(IID_ISpecifyPropertyPages, specify), S_OK);
    CAUUID pages = {};
    ASSERT_EQ(specify->GetPages(&pages), S_OK);
    ASSERT_EQ(pages.cElems, 1u);
    ASSERT_NE(pages.pElems, nullptr);
    EXPECT_TRUE(IsEqualGUID(pages.pElems[0], CLSID_VeltraneSettingsPage));
    CoTaskMemFree(pages.pElems);
}

// An outer object that aggregates the filter: it counts the references and queries that reach it and hands
// out its own identity for IUnknown, the inner object for everything else.
class FakeOuter : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        ++queries;
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *object = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(iid, object) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }

    IUnknown* inner = nullptr;  // the filter's non-delegating unknown, owned by the test
    ULONG refs = 1;
    int queries = 0;
};

TEST(FilterObjectAggregation, InterfacesDelegateToTheOuterObject)
{
    DeleteSettingsKey();
    StoreNumber(L"GlobalType", 2);
    const long objectsBefore = ModuleObjectCount();
    {
        FakeOuter outer;
        ComRef<IUnknown> inner = MakeFilterObject(&outer);
        ASSERT_TRUE(inner);
        outer.inner = inner.Get();

        IData* data = nullptr;
        ASSERT_EQ(inner->QueryInterface(IID_IData, reinterpret_cast<void**>(&data)), S_OK);
        // The inner object's interfaces count on the outer object.
        EXPECT_EQ(outer.refs, 2u);

        IBaseFilter* filter = nullptr;
        const int queriesBefore = outer.queries;
        ASSERT_EQ(data->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter)), S_OK);
        EXPECT_EQ(outer.queries, queriesBefore + 1);
        EXPECT_EQ(outer.refs, 3u);
        filter->Release();

        IUnknown* identity = nullptr;
        ASSERT_EQ(data->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
        EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
        identity->Release();

        // The stream configuration is the filter's own, so it is asked for through the outer object too.
        IAMStreamConfig* config = nullptr;
        ASSERT_EQ(data->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config)), S_OK);
        EXPECT_EQ(outer.queries, queriesBefore + 3);
        config->Release();

        data->Release();
        EXPECT_EQ(outer.refs, 1u);
        outer.inner = nullptr;
    }
    EXPECT_EQ(ModuleObjectCount(), objectsBefore);
    DeleteSettingsKey();
}

TEST(FilterObjectLifetime, LaterObjectsJoinTheRunningInputsAndTheLastOneEndsThem)
{
    DeleteSettingsKey();
    StoreNumber(L"GlobalType", 2);
    const long gdiplusBefore = GdiplusUserCount();
    ComRef<IUnknown> first = MakeFilterObject();
    ASSERT_TRUE(first);
    EXPECT_TRUE(IsTrayRunning());
    EXPECT_EQ(AttachedFilterObjects(), 1);
    EXPECT_EQ(GdiplusUserCount(), gdiplusBefore + 1);
    ComRef<IData> firstData = DataOf(first);
    ASSERT_EQ(firstData->SetMorphingTime(555), S_OK);  // not saved

    // The second object neither reloads the settings nor restarts the input.
    StoreNumber(L"ChangedTime", 7777);
    const long starts = ActiveSourceStarts();
    ComRef<IUnknown> second = MakeFilterObject();
    ASSERT_TRUE(second);
    ComRef<IData> secondData = DataOf(second);
    EXPECT_EQ(ActiveSourceStarts(), starts);
    EXPECT_EQ(AttachedFilterObjects(), 2);
    EXPECT_EQ(GdiplusUserCount(), gdiplusBefore + 2);
    int32_t value = 0;
    ASSERT_EQ(secondData->GetMorphingTime(&value), S_OK);
    EXPECT_EQ(value, 555);
    ASSERT_EQ(secondData->GetChangedTime(&value), S_OK);
    EXPECT_NE(value, 7777);

    // Destroying one object leaves the tray and the inputs to the other.
    firstData.Reset();
    first.Reset();
    EXPECT_TRUE(IsTrayRunning());
    EXPECT_EQ(AttachedFilterObjects(), 1);
    EXPECT_EQ(GdiplusUserCount(), gdiplusBefore + 1);
    ASSERT_EQ(secondData->GetMorphingTime(&value), S_OK);
    EXPECT_EQ(value, 555);

    secondData.Reset();
    second.Reset();
    EXPECT_FALSE(IsTrayRunning());
    EXPECT_EQ(AttachedFilterObjects(), 0);
    EXPECT_EQ(GdiplusUserCount(), gdiplusBefore);
    DeleteSettingsKey();
}

TEST(FilterObjectLifetime, RepeatedCreationLeavesNoObjectsOrThreadsBehind)
{
    DeleteSettingsKey();
    StoreNumber(L"GlobalType", 2);
    // The first object may start the runtime's own lasting helpers (device enumeration, GDI+).
    MakeFilterObject().Reset();
    const long objectsBefore = ModuleObjectCount();
    const size_t threadsBefore = CountThreads();
    const long gdiplusBefore = GdiplusUserCount();
    for (int i = 0; i < 200; ++i) {
        ComRef<IUnknown> filter = MakeFilterObject();
        ASSERT_TRUE(filter);
        ComRef<IData> data = DataOf(filter);
        ASSERT_TRUE(data);
    }
    EXPECT_EQ(ModuleObjectCount(), objectsBefore);
    EXPECT_EQ(GdiplusUserCount(), gdiplusBefore);
    EXPECT_FALSE(IsTrayRunning());
    if (threadsBefore != 0) {
        EXPECT_LE(CountThreads(), threadsBefore);
    }
    DeleteSettingsKey();
}

}  // namespace
