#include "TestCameraFilter.h"

#include "filter/framework/TestCameraPattern.h"

#include <ks.h>
#include <ksmedia.h>

#include <cstring>
#include <new>

CTestCameraStream::CTestCameraStream(HRESULT* hr, CSource* filter, const TestCameraInfo& info)
    : CSourceStream(hr, filter, L"Capture"), info_(info)
{
    BuildMediaType(&mediaType_);
}

HRESULT STDMETHODCALLTYPE CTestCameraStream::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IKsPropertySet)) return GetInterface(static_cast<IKsPropertySet*>(this), object);
    return CSourceStream::NonDelegatingQueryInterface(iid, object);
}

void CTestCameraStream::BuildMediaType(CMediaType* type) const
{
    type->InitMediaType();
    type->SetType(&MEDIATYPE_Video);
    type->SetSubtype(&MEDIASUBTYPE_RGB24);
    type->SetFormatType(&FORMAT_VideoInfo);
    type->SetTemporalCompression(FALSE);
    type->SetSampleSize(static_cast<ULONG>(TestFrameBytes(info_.Width, info_.Height)));
    auto* header = reinterpret_cast<VIDEOINFOHEADER*>(type->AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    if (!header) return;
    header->AvgTimePerFrame = kTestCameraFrameTime;
    header->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header->bmiHeader.biWidth = info_.Width;
    header->bmiHeader.biHeight = info_.Height;
    header->bmiHeader.biPlanes = 1;
    header->bmiHeader.biBitCount = 24;
    header->bmiHeader.biCompression = BI_RGB;
    header->bmiHeader.biSizeImage = static_cast<DWORD>(TestFrameBytes(info_.Width, info_.Height));
}

HRESULT CTestCameraStream::CheckMediaType(const CMediaType* type)
{
    if (!type) return E_POINTER;
    CMediaType own;
    BuildMediaType(&own);
    if (!IsEqualGUID(*type->Type(), MEDIATYPE_Video) || !IsEqualGUID(*type->Subtype(), MEDIASUBTYPE_RGB24) ||
        !IsEqualGUID(*type->FormatType(), FORMAT_VideoInfo) || type->FormatLength() < sizeof(VIDEOINFOHEADER) ||
        !type->Format())
        return E_INVALIDARG;
    const auto* header = reinterpret_cast<const VIDEOINFOHEADER*>(type->Format());
    const BITMAPINFOHEADER& bitmap = header->bmiHeader;
    if (bitmap.biWidth != info_.Width || bitmap.biHeight != info_.Height || bitmap.biBitCount != 24 ||
        bitmap.biCompression != BI_RGB)
        return E_INVALIDARG;
    return S_OK;
}

HRESULT CTestCameraStream::GetMediaType(int position, CMediaType* type)
{
    if (!type) return E_POINTER;
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    BuildMediaType(type);
    return type->Format() ? S_OK : E_OUTOFMEMORY;
}

HRESULT CTestCameraStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    if (!allocator || !request) return E_POINTER;
    CAutoLock lock(Filter()->pStateLock());
    const long frameBytes = static_cast<long>(TestFrameBytes(info_.Width, info_.Height));
    request->cBuffers = 1;
    if (request->cbBuffer < frameBytes) request->cbBuffer = frameBytes;
    ALLOCATOR_PROPERTIES actual = {};
    HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer < frameBytes ? E_FAIL : S_OK;
}

HRESULT CTestCameraStream::OnThreadCreate()
{
    frame_ = 0;
    return S_OK;
}

HRESULT CTestCameraStream::FillBuffer(IMediaSample* sample)
{
    if (!sample) return E_POINTER;
    BYTE* buffer = nullptr;
    HRESULT hr = sample->GetPointer(&buffer);
    if (FAILED(hr)) return hr;
    const size_t size = static_cast<size_t>(sample->GetSize());
    const size_t frameBytes = TestFrameBytes(info_.Width, info_.Height);
    if (!WriteTestFrame(buffer, size, info_.Width, info_.Height, frame_)) return E_FAIL;

    if (info_.StallAfterFrames != 0 && frame_ >= info_.StallAfterFrames) {
        // Stalls like a camera that stopped delivering, until the stream is stopped.
        WaitForSingleObject(StopHandle(), INFINITE);
    }
    REFERENCE_TIME start = static_cast<REFERENCE_TIME>(frame_) * kTestCameraFrameTime;
    REFERENCE_TIME end = start + kTestCameraFrameTime;
    hr = sample->SetTime(&start, &end);
    if (FAILED(hr)) return hr;
    hr = sample->SetSyncPoint(TRUE);
    if (FAILED(hr)) return hr;
    hr = sample->SetActualDataLength(static_cast<long>(frameBytes));
    if (FAILED(hr)) return hr;
    ++frame_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTestCameraStream::Set(REFGUID, DWORD, void*, DWORD, void*, DWORD)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTestCameraStream::Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD dataSize,
                                                 DWORD* returned)
{
    if (!IsEqualGUID(set, AMPROPSETID_Pin)) return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (!data && !returned) return E_POINTER;
    if (returned) *returned = sizeof(GUID);
    if (!data) return S_OK;
    if (dataSize < sizeof(GUID)) return E_UNEXPECTED;
    std::memcpy(data, &PIN_CATEGORY_CAPTURE, sizeof(GUID));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTestCameraStream::QuerySupported(REFGUID set, DWORD id, DWORD* support)
{
    if (!IsEqualGUID(set, AMPROPSETID_Pin)) return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (support) *support = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}

CTestCamera::CTestCamera(IUnknown* outer, HRESULT* hr, const TestCameraInfo& info)
    : CSource(info.Name, outer, *info.ClassId)
{
    // The filter owns the pin from here on: it registered itself and is deleted with the filter.
    auto* pin = new (std::nothrow) CTestCameraStream(hr, this, info);
    if (!pin && hr) *hr = E_OUTOFMEMORY;
}
