#include "filter/CamStream.h"

#include "filter/FrameDispatch.h"
#include "filter/InputSwitching.h"
#include "filter/StreamFormats.h"
#include "filter/StreamPacing.h"
#include "filter/framework/Source.h"
#include "filter/sources/FrameFormat.h"
#include "filter/sources/FrameInput.h"
#include "filter/sources/FrameGeometry.h"

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

// The type for size n: fixed-size RGB24 samples, a zeroed VIDEOINFOHEADER with the frame period given.
HRESULT BuildListedType(int n, CMediaType* type, REFERENCE_TIME frameTime = kStreamFrameTime)
{
    type->InitMediaType();
    auto* header = reinterpret_cast<VIDEOINFOHEADER*>(type->AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    if (!header) return E_OUTOFMEMORY;
    std::memset(header, 0, sizeof(VIDEOINFOHEADER));
    header->AvgTimePerFrame = frameTime;
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

// The stream's own description of a type it can deliver: the listed type of its size with the accepted frame
// period, whatever a host left in the other fields. E_INVALIDARG for a type it cannot deliver.
HRESULT BuildDeliverableType(const AM_MEDIA_TYPE& proposed, CMediaType* type)
{
    const ProposedFormat proposal = DescribeProposal(proposed);
    const int n = DeliverableSizeOf(proposal);
    if (n == 0) return E_INVALIDARG;
    return BuildListedType(n, type, AcceptedFrameTime(proposal.frameTime));
}

void FillCapsBlock(BYTE* block, int n)
{
    const StreamCapsValues values = StreamCaps(n);
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
    : CSourceStream(hr, filter, L"Veltrane"), owner_(filter)
{
    const HRESULT built = BuildListedType(kStreamDefaultSizeIndex, &mediaType_);
    if (FAILED(built) && hr && SUCCEEDED(*hr)) *hr = built;
    SetStreamFrameTime(kStreamFrameTime);
}

CCamStream::~CCamStream() = default;

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
    // The frame the stream repeats while an input has nothing yet starts black.
    const RenderSize render = InputRenderSize();
    frame_.assign(FrameBytes(render.width, render.height), 0);
    return S_OK;
}

void CCamStream::WaitUntilDue(REFERENCE_TIME start, REFERENCE_TIME frameTime)
{
    for (;;) {
        const StreamState stream = CurrentStreamState();
        if (stream.state == State_Stopped) return;
        PacingInput input;
        input.state = stream.state == State_Running ? StreamRunState::Running : StreamRunState::Paused;
        input.dueTime = stream.start + start;
        REFERENCE_TIME now = 0;
        // A clock that cannot be read paces nothing: the stream then runs as it would without one.
        input.hasClock = stream.clock && SUCCEEDED(stream.clock->GetTime(&now));
        input.clockNow = now;
        input.filledBefore = filledBefore_;
        input.msSinceLastFill = GetTickCount() - lastFillTick_;
        input.frameTime = frameTime;
        const PacingStep step = DecidePacing(input);
        if (step.deliverNow) return;
        WaitForStreamChange(step.waitMs);
    }
}

HRESULT CCamStream::FillBuffer(IMediaSample* sample)
{
    if (!sample) return E_POINTER;
    VIDEOINFOHEADER header{};
    // The current type always holds a whole header (it is the stream's own description of a size); a sample
    // whose image cannot be known is dropped rather than sent with unwritten bytes.
    if (!ReadCurrentHeader(&header)) return S_SAMPLE_DROPPED;
    const REFERENCE_TIME frameTime = CurrentStreamState().frameTime;
    const REFERENCE_TIME start = streamTime_;
    const REFERENCE_TIME end = start + frameTime;
    WaitUntilDue(start, frameTime);

    BYTE* buffer = nullptr;
    const long size = sample->GetSize();
    const long imageBytes = static_cast<long>(header.bmiHeader.biSizeImage);
    if (FAILED(sample->GetPointer(&buffer)) || !buffer || imageBytes <= 0 || size < imageBytes)
        return S_SAMPLE_DROPPED;
    WriteImage(buffer, header.bmiHeader.biWidth, header.bmiHeader.biHeight);
    // A buffer larger than the image carries the image: the host reads the actual length. Setting it, the times
    // and the sync point only writes the sample's fields; a sample that refused them still carries the frame.
    (void)sample->SetActualDataLength(imageBytes);
    REFERENCE_TIME stamps[2] = {start, end};
    (void)sample->SetTime(&stamps[0], &stamps[1]);
    (void)sample->SetSyncPoint(TRUE);
    streamTime_ = end;
    // Filling can take a while (a busy machine), and the graph may have started running meanwhile: the decision
    // made before the fill no longer holds, so the sample waits again until it is due on the clock it will now be
    // rendered against.
    WaitUntilDue(start, frameTime);
    filledBefore_ = true;
    lastFillTick_ = GetTickCount();
    return S_OK;
}

void CCamStream::WriteImage(BYTE* buffer, int width, int height)
{
    const RenderSize render = InputRenderSize();
    const size_t renderBytes = FrameBytes(render.width, render.height);
    // A new render size starts from black: the last frame of another size cannot be repeated.
    if (frame_.size() != renderBytes) frame_.assign(renderBytes, 0);
    RenderFrame(frame_.data(), render.width, render.height);
    if (width == render.width && height == render.height) {
        std::memcpy(buffer, frame_.data(), renderBytes);
        return;
    }
    // Another size: the frame is fitted into the sample, whole for the smaller 4:3 sizes, with black bands when
    // the aspects differ (a 4:3 stream while the inputs render for an HD one, or the other way round).
    const size_t imageBytes = FrameBytes(width, height);
    const FitRect rect = FitRectangle(width, height, SourceAspect(render.width, render.height));
    if (rect.width <= 0 || rect.height <= 0 ||
        (!scaler_.IsPreparedFor(render.width, render.height, rect.width, rect.height) &&
         !scaler_.Prepare(render.width, render.height, rect.width, rect.height))) {
        std::memset(buffer, 0, imageBytes);
        return;
    }
    if (rect.width != width || rect.height != height) std::memset(buffer, 0, imageBytes);
    // The rectangle is measured from the top; the sample's rows are stored bottom-up.
    const int firstRow = height - rect.y - rect.height;
    const ptrdiff_t stride = static_cast<ptrdiff_t>(FrameRowBytes(width));
    scaler_.Scale(frame_.data(), static_cast<ptrdiff_t>(FrameRowBytes(render.width)),
                  buffer + stride * firstRow + static_cast<ptrdiff_t>(FrameRowBytes(rect.x)), stride);
}

HRESULT CCamStream::CheckMediaType(const CMediaType* type)
{
    if (!type) return E_POINTER;
    CMediaType deliverable;
    return BuildDeliverableType(*type, &deliverable) == S_OK ? S_OK : E_INVALIDARG;
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
    if (!type) return E_POINTER;
    // The current type is always the stream's own description of the size, so its image size and frame period
    // are ones the stream delivers.
    CMediaType deliverable;
    HRESULT hr = BuildDeliverableType(*type, &deliverable);
    if (FAILED(hr)) return VFW_E_INVALIDMEDIATYPE;
    hr = CSourceStream::SetMediaType(&deliverable);
    if (FAILED(hr)) return hr;
    const VIDEOINFOHEADER& header = *reinterpret_cast<const VIDEOINFOHEADER*>(deliverable.Format());
    SetStreamFrameTime(header.AvgTimePerFrame);
    SetStreamFramePeriod(static_cast<uint32_t>(header.AvgTimePerFrame / 10000));
    // The inputs render for the size of the newest connection or format; streams of other sizes scale from it.
    const StreamSize render = RenderSizeFor(DeliverableSizeOf(DescribeProposal(deliverable)));
    UseRenderSize(RenderSize{render.width, render.height});
    return S_OK;
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
    return ExceptionBarrier([&]() -> HRESULT {
        if (!type) return E_POINTER;
        // The stream keeps its own description of the size: image and sample sizes follow from width and height,
        // whatever a host left in them after editing a type from GetStreamCaps.
        CMediaType accepted;
        if (FAILED(BuildDeliverableType(*type, &accepted))) return VFW_E_INVALIDMEDIATYPE;
        ComRef<IPin> connected;
        IFilterGraph* graph = nullptr;
        {
            CAutoLock state(owner_->pStateLock());
            if (!owner_->IsStopped()) return VFW_E_NOT_STOPPED;
            connected.CopyFrom(GetConnected());
            if (!connected) return SetMediaType(&accepted);
            graph = owner_->GetFilterGraph();
        }
        // Connected: downstream must take the new type before it is stored, and a reconnection that fails leaves
        // the previous one. The graph is called without the state lock: it takes its own lock before the filters'.
        if (connected->QueryAccept(&accepted) != S_OK) return VFW_E_INVALIDMEDIATYPE;
        if (!graph) return VFW_E_NOT_IN_GRAPH;
        const CMediaType previous = CurrentMediaType();
        HRESULT hr = SetMediaType(&accepted);
        if (FAILED(hr)) return hr;
        hr = graph->Reconnect(static_cast<IPin*>(this));
        if (FAILED(hr)) {
            // Restores what the stream delivered before; the graph reports the failed reconnection itself.
            (void)SetMediaType(&previous);
            return hr;
        }
        return S_OK;
    });
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
    return ExceptionBarrier([&]() -> HRESULT {
        switch (ClassifyStreamCapsIndex(index)) {
        case StreamCapsIndex::Invalid:
            return E_INVALIDARG;
        case StreamCapsIndex::PastTheLast:
            return S_FALSE;
        case StreamCapsIndex::Size:
            break;
        }
        if (!type || !caps) return E_POINTER;
        *type = nullptr;
        // The size of the index at the current frame period: the very type SetFormat stores for it.
        CMediaType listed;
        HRESULT hr = BuildListedType(StreamCapsSizeFor(index), &listed, CurrentStreamState().frameTime);
        if (FAILED(hr)) return hr;
        *type = CreateMediaType(&listed);
        if (!*type) return E_OUTOFMEMORY;
        FillCapsBlock(caps, StreamCapsSizeFor(index));
        return S_OK;
    });
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
