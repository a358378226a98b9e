#include "filter/CamEmul.h"

#include "filter/CamStream.h"
#include "filter/GdiplusUsers.h"
#include "filter/InputSwitching.h"
#include "filter/SettingChanges.h"
#include "filter/StreamFormats.h"
#include "filter/framework/ComRef.h"
#include "filter/settings/SettingsStore.h"
#include "filter/sources/CameraSource.h"

#include <climits>
#include <new>

namespace {

HRESULT CopyString(const std::wstring& value, wchar_t* buffer)
{
    if (!buffer) return E_POINTER;
    CopySettingString(value, buffer);
    return S_OK;
}

HRESULT CopyCurrentNumber(SettingsModel::NumberField field, int32_t* out)
{
    if (!out) return E_POINTER;
    *out = ProcessSettings().CurrentNumber(field);
    return S_OK;
}

// The getters copy under the settings lock, so a setter on another thread never frees a string being read.
HRESULT CopyCurrentString(SettingsModel::StringField field, wchar_t* buffer)
{
    if (!buffer) return E_POINTER;
    return CopyString(ProcessSettings().CurrentString(field), buffer);
}

}  // namespace

CUnknown* CCamEmul::CreateInstance(IUnknown* outer, HRESULT* hr)
{
    HRESULT ignored = S_OK;
    if (!hr) hr = &ignored;
    auto* filter = new (std::nothrow) CCamEmul(outer, hr);
    if (!filter) *hr = E_OUTOFMEMORY;
    return filter;
}

CCamEmul::CCamEmul(IUnknown* outer, HRESULT* hr) : CSource(L"Veltrane", outer, CLSID_Veltrane)
{
    CAutoLock lock(pStateLock());
    // The pin adds itself to the filter's pin array, which deletes it with the filter.
    stream_ = new (std::nothrow) CCamStream(hr, this);
    if (!stream_) {
        *hr = E_OUTOFMEMORY;
        return;
    }
    if (FAILED(*hr)) {
        // A pin that could not join the pin array would never be deleted with the filter.
        if (FindPinNumber(stream_) == 0) delete stream_;
        stream_ = nullptr;
        return;
    }
    // Without GDI+ the inputs and placeholders cannot draw; the filter still works and shows what it can.
    gdiplusStarted_ = AcquireGdiplus();
    AttachFilterObject();
    attached_ = true;
}

CCamEmul::~CCamEmul()
{
    // The streaming thread ends before the inputs and GDI+ it draws with go away.
    if (!IsStopped()) (void)Stop();
    // A filter whose pin could not be made never joined the inputs, and must not end what others use. The last
    // object to go stops the inputs, which drops every GDI+ object they keep, before GDI+ is shut down.
    if (attached_) DetachFilterObject();
    if (gdiplusStarted_) ReleaseGdiplus();
}

HRESULT STDMETHODCALLTYPE CCamEmul::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IData)) return GetInterface(static_cast<IData*>(this), object);
    if (IsEqualIID(iid, IID_ISpecifyPropertyPages))
        return GetInterface(static_cast<ISpecifyPropertyPages*>(this), object);
    if (IsEqualIID(iid, IID_IAMFilterMiscFlags)) return GetInterface(static_cast<IAMFilterMiscFlags*>(this), object);
    if (stream_ && IsEqualIID(iid, IID_IAMStreamConfig))
        return GetInterface(static_cast<IAMStreamConfig*>(this), object);
    if (stream_ && IsEqualIID(iid, IID_IKsPropertySet))
        return GetInterface(static_cast<IKsPropertySet*>(this), object);
    if (stream_ && IsEqualIID(iid, IID_IAMVideoControl))
        return GetInterface(static_cast<IAMVideoControl*>(this), object);
    if (IsEqualIID(iid, IID_IOwnedCameraProperties))
        return GetInterface(static_cast<IOwnedCameraProperties*>(this), object);
    return CSource::NonDelegatingQueryInterface(iid, object);
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetPages(CAUUID* pages)
{
    if (!pages) return E_POINTER;
    pages->cElems = 1;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) return E_OUTOFMEMORY;
    pages->pElems[0] = CLSID_VeltraneSettingsPage;
    return S_OK;
}

ULONG STDMETHODCALLTYPE CCamEmul::GetMiscFlags()
{
    return AM_FILTER_MISC_FLAGS_IS_SOURCE;
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetState(DWORD timeoutMs, FILTER_STATE* state)
{
    const HRESULT hr = CSource::GetState(timeoutMs, state);
    return hr == S_OK && *state == State_Paused ? VFW_S_CANT_CUE : hr;
}

// The pin is made with the filter and lives as long as it; the interfaces are only handed out when it exists.
HRESULT STDMETHODCALLTYPE CCamEmul::SetFormat(AM_MEDIA_TYPE* type) { return stream_->SetFormat(type); }

HRESULT STDMETHODCALLTYPE CCamEmul::GetFormat(AM_MEDIA_TYPE** type) { return stream_->GetFormat(type); }

HRESULT STDMETHODCALLTYPE CCamEmul::GetNumberOfCapabilities(int* count, int* size)
{
    return stream_->GetNumberOfCapabilities(count, size);
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps)
{
    return stream_->GetStreamCaps(index, type, caps);
}

HRESULT STDMETHODCALLTYPE CCamEmul::Set(REFGUID set, DWORD id, void* instanceData, DWORD instanceSize, void* data,
                                        DWORD dataSize)
{
    return stream_->Set(set, id, instanceData, instanceSize, data, dataSize);
}

HRESULT STDMETHODCALLTYPE CCamEmul::Get(REFGUID set, DWORD id, void* instanceData, DWORD instanceSize, void* data,
                                        DWORD dataSize, DWORD* returned)
{
    return stream_->Get(set, id, instanceData, instanceSize, data, dataSize, returned);
}

HRESULT STDMETHODCALLTYPE CCamEmul::QuerySupported(REFGUID set, DWORD id, DWORD* support)
{
    return stream_->QuerySupported(set, id, support);
}

HRESULT CCamEmul::CheckOwnPin(IPin* pin)
{
    if (!pin) return E_POINTER;
    return pin == static_cast<IPin*>(stream_) ? S_OK : E_INVALIDARG;
}

HRESULT CCamEmul::CheckOfferedSize(LONG index, SIZE dimensions)
{
    if (index < 0 || index > INT_MAX || ClassifyStreamCapsIndex(static_cast<int>(index)) != StreamCapsIndex::Size)
        return E_INVALIDARG;
    const StreamSize size = StreamSizeOf(StreamCapsSizeFor(static_cast<int>(index)));
    return dimensions.cx == size.width && dimensions.cy == size.height ? S_OK : E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetCaps(IPin* pin, LONG* flags)
{
    if (!flags) return E_POINTER;
    *flags = 0;
    return CheckOwnPin(pin);
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetMode(IPin* pin, LONG mode)
{
    const HRESULT hr = CheckOwnPin(pin);
    if (FAILED(hr)) return hr;
    // Neither flipping nor triggering is offered.
    return mode == 0 ? S_OK : E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetMode(IPin* pin, LONG* mode)
{
    if (!mode) return E_POINTER;
    *mode = 0;
    return CheckOwnPin(pin);
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetCurrentActualFrameRate(IPin* pin, LONGLONG* frameTime)
{
    if (!frameTime) return E_POINTER;
    const HRESULT hr = CheckOwnPin(pin);
    if (FAILED(hr)) return hr;
    *frameTime = stream_->CurrentStreamState().frameTime;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetMaxAvailableFrameRate(IPin* pin, LONG index, SIZE dimensions,
                                                            LONGLONG* frameTime)
{
    if (!frameTime) return E_POINTER;
    HRESULT hr = CheckOwnPin(pin);
    if (SUCCEEDED(hr)) hr = CheckOfferedSize(index, dimensions);
    if (FAILED(hr)) return hr;
    *frameTime = kOfferedFrameTimes[0];
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetFrameRateList(IPin* pin, LONG index, SIZE dimensions, LONG* count,
                                                    LONGLONG** frameTimes)
{
    if (!count) return E_POINTER;
    HRESULT hr = CheckOwnPin(pin);
    if (SUCCEEDED(hr)) hr = CheckOfferedSize(index, dimensions);
    if (FAILED(hr)) return hr;
    *count = kOfferedFrameRateCount;
    // Without a place for the list only its length is asked for.
    if (!frameTimes) return S_OK;
    *frameTimes = static_cast<LONGLONG*>(CoTaskMemAlloc(sizeof(LONGLONG) * kOfferedFrameRateCount));
    if (!*frameTimes) return E_OUTOFMEMORY;
    for (int i = 0; i < kOfferedFrameRateCount; ++i) (*frameTimes)[i] = kOfferedFrameTimes[i];
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::RevertSettings()
{
    return ExceptionBarrier([&]() -> HRESULT {
        RevertToSavedSettings();
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::SaveSettings()
{
    return ExceptionBarrier([&]() -> HRESULT {
        // Always S_OK: failures to write are not reported to the user.
        (void)::SaveSettings();
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetActiveCamera(const wchar_t* name)
{
    return ExceptionBarrier([&]() -> HRESULT {
        ChangeActiveCamera(name);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetActiveCamera(wchar_t* buffer)
{
    return ExceptionBarrier([&]() -> HRESULT {
        return CopyCurrentString(&FilterSettings::ActiveCamera, buffer);
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetCameraName(wchar_t* buffer, int32_t index)
{
    return ExceptionBarrier([&]() -> HRESULT {
        return CopyString(ProcessSettings().Camera(index), buffer);
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::ShowCameraProperties(const wchar_t* name)
{
    return ExceptionBarrier([&]() -> HRESULT {
        // A device that cannot be bound simply shows no pages; the caller has nothing to do about it.
        (void)::ShowCameraProperties(ClampSettingString(name));
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::ShowCameraPropertiesOwnedBy(const wchar_t* name, HWND owner)
{
    return ExceptionBarrier([&]() -> HRESULT {
        // As ShowCameraProperties: a device that cannot be bound shows no pages.
        (void)::ShowCameraProperties(ClampSettingString(name), owner);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetGlobalType(int32_t mode)
{
    return ExceptionBarrier([&]() -> HRESULT {
        ChangeGlobalType(mode);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetGlobalType(int32_t* mode)
{
    return CopyCurrentNumber(&FilterSettings::GlobalType, mode);
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetUseBorder(int32_t use)
{
    return ExceptionBarrier([&]() -> HRESULT {
        ChangeUseBorder(use);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetUseBorder(int32_t* use)
{
    return CopyCurrentNumber(&FilterSettings::UseBorder, use);
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetBorderFile(const wchar_t* path)
{
    return ExceptionBarrier([&]() -> HRESULT {
        ChangeBorderFile(path);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetBorderFile(wchar_t* buffer)
{
    return ExceptionBarrier([&]() -> HRESULT {
        return CopyCurrentString(&FilterSettings::BorderFile, buffer);
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetPicturesDirectory(const wchar_t* path)
{
    return ExceptionBarrier([&]() -> HRESULT {
        ChangePicturesDirectory(path);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetPicturesDirectory(wchar_t* buffer)
{
    return ExceptionBarrier([&]() -> HRESULT {
        return CopyCurrentString(&FilterSettings::PicturesDirectory, buffer);
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetChangedTime(int32_t milliseconds)
{
    return ExceptionBarrier([&]() -> HRESULT {
        ChangeChangedTime(milliseconds);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetChangedTime(int32_t* milliseconds)
{
    return CopyCurrentNumber(&FilterSettings::ChangedTime, milliseconds);
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetMorphingTime(int32_t milliseconds)
{
    return ExceptionBarrier([&]() -> HRESULT {
        ChangeMorphingTime(milliseconds);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetMorphingTime(int32_t* milliseconds)
{
    return CopyCurrentNumber(&FilterSettings::MorphingTime, milliseconds);
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetRepeatPicturesShowing(int32_t repeat)
{
    return ExceptionBarrier([&]() -> HRESULT {
        ChangeRepeatPicturesShowing(repeat);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetRepeatPicturesShowing(int32_t* repeat)
{
    return CopyCurrentNumber(&FilterSettings::RepeatPicturesShowing, repeat);
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetPicChType(int32_t kind)
{
    return ExceptionBarrier([&]() -> HRESULT {
        ChangePicChType(kind);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetPicChType(int32_t* kind)
{
    return CopyCurrentNumber(&FilterSettings::PicChType, kind);
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetVideoFile(const wchar_t* path)
{
    return ExceptionBarrier([&]() -> HRESULT {
        ChangeVideoFile(path);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetVideoFile(wchar_t* buffer)
{
    return ExceptionBarrier([&]() -> HRESULT {
        return CopyCurrentString(&FilterSettings::VideoFile, buffer);
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetRepeatVideo(int32_t repeat)
{
    return ExceptionBarrier([&]() -> HRESULT {
        ChangeRepeatVideo(repeat);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetRepeatVideo(int32_t* repeat)
{
    return CopyCurrentNumber(&FilterSettings::RepeatVideo, repeat);
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetDesktopIndex(int32_t index)
{
    return ExceptionBarrier([&]() -> HRESULT {
        ChangeDesktopIndex(index);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetDesktopIndex(int32_t* index)
{
    return CopyCurrentNumber(&FilterSettings::DesktopIndex, index);
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetMonitorName(char* buffer, int32_t index)
{
    return ExceptionBarrier([&]() -> HRESULT {
        if (!buffer) return E_POINTER;
        CopyMonitorName(ProcessSettings().Monitor(index).DeviceName, buffer);
        return S_OK;
    });
}
