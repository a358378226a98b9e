#include "filter/CamStream.h"

#include "filter/FrameDispatch.h"
#include "filter/StreamFormats.h"
#include "filter/StreamPacing.h"
#include "filter/framework/Source.h"
#include "filter/sources/FrameFormat.h"

#include <ks.h>
#include <ksmedia.h>

#include <cstring>
#include <utility>

static_assert(sizeof(VIDEOINFOHEADER) == kVideoInfoHeaderBytes, "VIDEOINFOHEADER layout");
static_assert(sizeof(VIDEO_STREAM_CONFIG_CAPS) == kStreamCapsBytes, "VIDEO_STREAM_CONFIG_CAPS layout");
static_assert(sizeof(GUID) == kPinCategoryBytes, "GUID layout");

namespace {

// Rewrites the header of a VIDEOINFOHEADER block for an 80 * n x 60 * n RGB24 frame and makes the type's
// fields agree with it. The frame period is left as the block has it.
void DescribeSize(AM_MEDIA_TYPE* type, VIDEOINFOHEADER* header, int n)
{
    const StreamSize size = StreamSizeOf(n);
    BITMAPINFOHEADER& bitmap = header->bmiHeader;
    bitmap.biSize = sizeof(BITMAPINFOHEADER);
    bitmap.biWidth = size.width;
    bitmap.biHeight = size.height;
    bitmap.biPlanes = 1;
    bitmap.biBitCount = kStreamBitCount;
    bitmap.biCompression = BI_RGB;
    bitmap.biSizeImage = BitmapImageBytes(size.width, size.height, kStreamBitCount);
    bitmap.biClrImportant = 0;
    SetRectEmpty(&header->rcSource);
    SetRectEmpty(&header->rcTarget);
    type->majortype = MEDIATYPE_Video;
    type->subtype = MEDIASUBTYPE_RGB24;
    type->formattype = FORMAT_VideoInfo;
    type->bTemporalCompression = FALSE;
    type->lSampleSize = bitmap.biSizeImage;
}

// The listed type for size n: fixed-size RGB24 samples, a zeroed VIDEOINFOHEADER at ten frames per second.
HRESULT BuildListedType(int n, CMediaType* type)
{
    type->InitMediaType();
    auto* header = reinterpret_cast<VIDEOINFOHEADER*>(type->AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    if (!header) return E_OUTOFMEMORY;
    header->AvgTimePerFrame = kStreamFrameTime;
    DescribeSize(type, header, n);
    type->bFixedSizeSamples = TRUE;
    return S_OK;
}

// The fields of a host's proposed type that decide whether the stream can deliver it.
ProposedFormat DescribeProposal(const AM_MEDIA_TYPE& type)
{
    ProposedFormat proposal;
    proposal.video = IsEqualGUID(type.majortype, MEDIATYPE_Video) != FALSE;
    proposal.rgb24 = IsEqualGUID(type.subtype, MEDIASUBTYPE_RGB24) != FALSE;
    proposal.videoInfo = IsEqualGUID(type.formattype, FORMAT_VideoInfo) != FALSE;
    if (!type.pbFormat) return proposal;
    proposal.formatBytes = type.cbFormat;
    if (type.cbFormat < sizeof(VIDEOINFOHEADER)) return proposal;
    VIDEOINFOHEADER header;
    std::memcpy(&header, type.pbFormat, sizeof(header));
    proposal.bitCount = header.bmiHeader.biBitCount;
    proposal.compression = header.bmiHeader.biCompression;
    proposal.width = header.bmiHeader.biWidth;
    proposal.height = header.bmiHeader.biHeight;
    proposal.frameTime = header.AvgTimePerFrame;
    return proposal;
}

void FillCapsBlock(BYTE* block)
{
    const StreamCapsValues values = StreamCaps();
    VIDEO_STREAM_CONFIG_CAPS caps;
    std::memset(&caps, 0, sizeof(caps));
    caps.guid = FORMAT_VideoInfo;
    caps.VideoStandard = static_cast<ULONG>(values.videoStandard);
    caps.InputSize = SIZE{values.inputSize.width, values.inputSize.height};
    caps.MinCroppingSize = SIZE{values.minCroppingSize.width, values.minCroppingSize.height};
    caps.MaxCroppingSize = SIZE{values.maxCroppingSize.width, values.maxCroppingSize.height};
    caps.CropGranularityX = values.cropGranularityX;
    caps.CropGranularityY = values.cropGranularityY;
    caps.CropAlignX = values.cropAlignX;
    caps.CropAlignY = values.cropAlignY;
    caps.MinOutputSize = SIZE{values.minOutputSize.width, values.minOutputSize.height};
    caps.MaxOutputSize = SIZE{values.maxOutputSize.width, values.maxOutputSize.height};
    caps.OutputGranularityX = values.outputGranularityX;
    caps.OutputGranularityY = values.outputGranularityY;
    caps.StretchTapsX = values.stretchTapsX;
    caps.StretchTapsY = values.stretchTapsY;
    caps.ShrinkTapsX = values.shrinkTapsX;
    caps.ShrinkTapsY = values.shrinkTapsY;
    caps.MinFrameInterval = values.minFrameInterval;
    caps.MaxFrameInterval = values.maxFrameInterval;
    caps.MinBitsPerSecond = values.minBitsPerSecond;
    caps.MaxBitsPerSecond = values.maxBitsPerSecond;
    std::memcpy(block, &caps, sizeof(caps));
}

}  // namespace

CCamStream::CCamStream(HRESULT* hr, CSource* filter)
    : CSourceStream(hr, filter, L"Veltrane"), owner_(filter), wakeEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
    const HRESULT built = BuildListedType(kStreamDefaultSizeIndex, &mediaType_);
    if (FAILED(built) && hr && SUCCEEDED(*hr)) *hr = built;
    if (!wakeEvent_ && hr && SUCCEEDED(*hr)) *hr = E_OUTOFMEMORY;
}

CCamStream::~CCamStream()
{
    if (wakeEvent_) CloseHandle(wakeEvent_);
}

HRESULT STDMETHODCALLTYPE CCamStream::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IAMStreamConfig)) return GetInterface(static_cast<IAMStreamConfig*>(this), object);
    if (IsEqualIID(iid, IID_IKsPropertySet)) return GetInterface(static_cast<IKsPropertySet*>(this), object);
    return CSourceStream::NonDelegatingQueryInterface(iid, object);
}

bool CCamStream::ReadCurrentHeader(VIDEOINFOHEADER* header)
{
    CAutoLock lock(&typeLock_);
    if (!mediaType_.Format() || mediaType_.FormatLength() < sizeof(VIDEOINFOHEADER)) return false;
    std::memcpy(header, mediaType_.Format(), sizeof(VIDEOINFOHEADER));
    return true;
}

HRESULT CCamStream::OnThreadCreate()
{
    streamTime_ = 0;
    filledBefore_ = false;
    return S_OK;
}

void CCamStream::UpdatePacing(FILTER_STATE state, REFERENCE_TIME startTime, IReferenceClock* clock)
{
    ComRef<IReferenceClock> previous;  // let go of outside the lock
    {
        CAutoLock lock(&pacingLock_);
        pacingState_ = state;
        pacingStart_ = startTime;
        previous = std::move(pacingClock_);
        pacingClock_.CopyFrom(clock);
    }
    if (wakeEvent_) SetEvent(wakeEvent_);
}

void CCamStream::WaitUntilDue(REFERENCE_TIME start, REFERENCE_TIME frameTime)
{
    for (;;) {
        PacingInput input;
        ComRef<IReferenceClock> clock;
        {
            CAutoLock lock(&pacingLock_);
            input.state = pacingState_ == State_Running  ? StreamRunState::Running
                          : pacingState_ == State_Paused ? StreamRunState::Paused
                                                         : StreamRunState::Stopped;
            input.dueTime = pacingStart_ + start;
            clock = pacingClock_;
        }
        REFERENCE_TIME now = 0;
        // A clock that cannot be read paces nothing: the stream then runs as it would without one.
        input.hasClock = clock && SUCCEEDED(clock->GetTime(&now));
        input.clockNow = now;
        input.filledBefore = filledBefore_;
        input.msSinceLastFill = GetTickCount() - lastFillTick_;
        input.frameTime = frameTime;
        const PacingStep step = DecidePacing(input);
        if (step.deliverNow) return;
        HANDLE waits[2] = {GetRequestHandle(), wakeEvent_};
        if (WaitForMultipleObjects(2, waits, FALSE, step.waitMs) == WAIT_OBJECT_0) return;
    }
}

HRESULT CCamStream::FillBuffer(IMediaSample* sample)
{
    if (!sample) return E_POINTER;
    VIDEOINFOHEADER header{};
    // The current type always holds a whole header (SetFormat refuses anything else); without one the samples
    // still go out, each with an empty interval.
    (void)ReadCurrentHeader(&header);
    REFERENCE_TIME start = streamTime_;
    REFERENCE_TIME end = start + header.AvgTimePerFrame;
    WaitUntilDue(start, header.AvgTimePerFrame);
    streamTime_ = end;
    // Setting times and the sync point only writes the sample's fields; an allocator's sample that refused them
    // would still carry a usable frame, so the frame goes out regardless.
    (void)sample->SetTime(&start, &end);
    (void)sample->SetSyncPoint(TRUE);

    BYTE* buffer = nullptr;
    const long size = sample->GetSize();
    if (SUCCEEDED(sample->GetPointer(&buffer)) && buffer && size > 0) {
        const int width = header.bmiHeader.biWidth;
        const int height = header.bmiHeader.biHeight;
        if (width == kFrameWidth && height == kFrameHeight)
            (void)FillFrame(buffer, static_cast<size_t>(size));
        else
            FillScaled(buffer, static_cast<size_t>(size), width, height);
    }
    // Filling can take a while (the first picture is decoded, a busy machine), and the graph may have started
    // running meanwhile: the decision made before the fill no longer holds, so the sample waits again until it
    // is due on the clock it will now be rendered against.
    WaitUntilDue(start, header.AvgTimePerFrame);
    filledBefore_ = true;
    lastFillTick_ = GetTickCount();
    return S_OK;
}

void CCamStream::FillScaled(BYTE* buffer, size_t size, int width, int height)
{
    if (!scaler_.IsPreparedFor(kFrameWidth, kFrameHeight, width, height) &&
        !scaler_.Prepare(kFrameWidth, kFrameHeight, width, height))
        return;
    // A sample too small for the scaled frame is left as it is rather than written past its end.
    if (size < scaler_.DestinationBytes()) return;
    if (frame_.size() != scaler_.SourceBytes()) frame_.assign(scaler_.SourceBytes(), 0);
    // When no input is selected the sample stays untouched, as at the inputs' own size. Otherwise frame_ holds the
    // newest frame (or the previous one, when the input had nothing new or a switch was under way).
    if (!FillFrame(frame_.data(), frame_.size())) return;
    scaler_.Scale(frame_.data(), buffer);
}

HRESULT CCamStream::CheckMediaType(const CMediaType* type)
{
    if (!type) return E_POINTER;
    CAutoLock lock(&typeLock_);
    return mediaType_ == *type ? S_OK : E_INVALIDARG;
}

HRESULT CCamStream::GetMediaType(int position, CMediaType* type)
{
    if (!type) return E_POINTER;
    switch (ClassifyMediaTypePosition(position)) {
    case MediaTypePosition::Invalid:
        return E_INVALIDARG;
    case MediaTypePosition::NoMoreItems:
        return VFW_S_NO_MORE_ITEMS;
    case MediaTypePosition::Current: {
        CAutoLock lock(&typeLock_);
        return type->Set(mediaType_);
    }
    case MediaTypePosition::Listed:
        break;
    }
    return BuildListedType(position, type);
}

HRESULT CCamStream::SetMediaType(const CMediaType* type)
{
    return CSourceStream::SetMediaType(type);
}

HRESULT CCamStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    if (!allocator || !request) return E_POINTER;
    CAutoLock lock(owner_->pStateLock());
    VIDEOINFOHEADER header{};
    if (!ReadCurrentHeader(&header)) return VFW_E_INVALIDMEDIATYPE;
    // Several buffers: the pacing on the clock sets the rate, and a downstream filter that holds on to samples
    // (a tee sharing this allocator with a preview, say) must not starve the stream. Any granted count works.
    request->cBuffers = request->cBuffers > kStreamBufferCount ? request->cBuffers : kStreamBufferCount;
    request->cbBuffer = static_cast<long>(header.bmiHeader.biSizeImage);
    ALLOCATOR_PROPERTIES actual{};
    const HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr)) return hr;
    return actual.cBuffers < 1 || actual.cbBuffer < request->cbBuffer ? E_FAIL : S_OK;
}

HRESULT STDMETHODCALLTYPE CCamStream::SetFormat(AM_MEDIA_TYPE* type)
{
    if (!type) return E_POINTER;
    const ProposedFormat proposal = DescribeProposal(*type);
    const int n = DeliverableSizeOf(proposal);
    if (n == 0) return VFW_E_INVALIDMEDIATYPE;
    // The stream keeps its own description of the size: image and sample sizes follow from width and height,
    // whatever a host left in them after editing a type from GetStreamCaps.
    CMediaType accepted;
    HRESULT hr = BuildListedType(n, &accepted);
    if (FAILED(hr)) return hr;
    reinterpret_cast<VIDEOINFOHEADER*>(accepted.Format())->AvgTimePerFrame = AcceptedFrameTime(proposal.frameTime);
    {
        CAutoLock lock(&typeLock_);
        hr = mediaType_.Set(accepted);
        if (FAILED(hr)) return hr;
    }
    ComRef<IPin> connected;
    if (SUCCEEDED(ConnectedTo(connected.Put())) && connected) {
        IFilterGraph* graph = owner_->GetFilterGraph();
        // The new type is kept whether or not the graph manages to reconnect with it; a downstream pin that
        // refuses it fails the reconnection inside the graph, which is the graph's to report.
        if (graph) (void)graph->Reconnect(static_cast<IPin*>(this));
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamStream::GetFormat(AM_MEDIA_TYPE** type)
{
    if (!type) return E_POINTER;
    CAutoLock lock(&typeLock_);
    *type = CreateMediaType(&mediaType_);
    return *type ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CCamStream::GetNumberOfCapabilities(int* count, int* size)
{
    if (!count || !size) return E_POINTER;
    *count = kStreamSizeCount;
    *size = kStreamCapsBytes;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamStream::GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps)
{
    if (!type || !caps) return E_POINTER;
    *type = nullptr;
    switch (ClassifyStreamCapsIndex(index)) {
    case StreamCapsIndex::Invalid:
        return E_INVALIDARG;
    case StreamCapsIndex::PastTheLast:
        return S_FALSE;
    case StreamCapsIndex::Size:
        break;
    }
    const int n = StreamCapsSizeFor(index);

    AM_MEDIA_TYPE* copy = nullptr;
    {
        CAutoLock lock(&typeLock_);
        copy = CreateMediaType(&mediaType_);
    }
    if (!copy) return E_OUTOFMEMORY;
    if (!copy->pbFormat || copy->cbFormat < sizeof(VIDEOINFOHEADER)) {
        // A block too short for a header is replaced by a zeroed one that starts with its bytes.
        auto* block = static_cast<BYTE*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
        if (!block) {
            DeleteMediaType(copy);
            return E_OUTOFMEMORY;
        }
        std::memset(block, 0, sizeof(VIDEOINFOHEADER));
        if (copy->pbFormat && copy->cbFormat > 0) std::memcpy(block, copy->pbFormat, copy->cbFormat);
        CoTaskMemFree(copy->pbFormat);
        copy->pbFormat = block;
    }
    copy->cbFormat = sizeof(VIDEOINFOHEADER);
    DescribeSize(copy, reinterpret_cast<VIDEOINFOHEADER*>(copy->pbFormat), n);
    copy->bFixedSizeSamples = FALSE;
    *type = copy;
    FillCapsBlock(caps);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamStream::Set(REFGUID, DWORD, void*, DWORD, void*, DWORD)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CCamStream::Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD dataSize,
                                          DWORD* returned)
{
    switch (ClassifyPropertyGet(IsEqualGUID(set, AMPROPSETID_Pin) != FALSE, id, data != nullptr, dataSize,
                                returned != nullptr)) {
    case PropertyOutcome::SetUnsupported:
        return E_PROP_SET_UNSUPPORTED;
    case PropertyOutcome::IdUnsupported:
        return E_PROP_ID_UNSUPPORTED;
    case PropertyOutcome::NullPointer:
        return E_POINTER;
    case PropertyOutcome::SizeOnly:
        *returned = kPinCategoryBytes;
        return S_OK;
    case PropertyOutcome::BufferTooSmall:
        if (returned) *returned = kPinCategoryBytes;
        return E_UNEXPECTED;
    case PropertyOutcome::Copy:
        if (returned) *returned = kPinCategoryBytes;
        std::memcpy(data, &PIN_CATEGORY_CAPTURE, sizeof(GUID));
        return S_OK;
    }
    return E_UNEXPECTED;
}

HRESULT STDMETHODCALLTYPE CCamStream::QuerySupported(REFGUID set, DWORD id, DWORD* support)
{
    switch (ClassifyPropertyQuery(IsEqualGUID(set, AMPROPSETID_Pin) != FALSE, id)) {
    case PropertyOutcome::SetUnsupported:
        return E_PROP_SET_UNSUPPORTED;
    case PropertyOutcome::IdUnsupported:
        return E_PROP_ID_UNSUPPORTED;
    default:
        break;
    }
    if (support) *support = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}
