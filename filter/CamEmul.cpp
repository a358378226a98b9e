#include "filter/CamEmul.h"

#include "filter/CamStream.h"
#include "filter/GdiplusUsers.h"
#include "filter/InputSwitching.h"
#include "filter/SettingChanges.h"
#include "filter/framework/ComRef.h"
#include "filter/settings/SettingsStore.h"
#include "filter/sources/CameraSource.h"

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

bool CCamEmul::IsPinInterface(REFIID iid)
{
    return IsEqualIID(iid, IID_IAMStreamConfig) || IsEqualIID(iid, IID_IKsPropertySet);
}

HRESULT CCamEmul::QueryPinInterface(REFIID iid, void** object)
{
    if (!stream_) return E_NOINTERFACE;
    return stream_->NonDelegatingQueryInterface(iid, object);
}

HRESULT STDMETHODCALLTYPE CCamEmul::QueryInterface(REFIID iid, void** object)
{
    if (IsPinInterface(iid)) {
        if (!object) return E_POINTER;
        *object = nullptr;
        return QueryPinInterface(iid, object);
    }
    return GetOwner()->QueryInterface(iid, object);
}

HRESULT STDMETHODCALLTYPE CCamEmul::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IData)) return GetInterface(static_cast<IData*>(this), object);
    if (IsEqualIID(iid, IID_ISpecifyPropertyPages))
        return GetInterface(static_cast<ISpecifyPropertyPages*>(this), object);
    if (IsEqualIID(iid, IID_IAMFilterMiscFlags)) return GetInterface(static_cast<IAMFilterMiscFlags*>(this), object);
    if (IsEqualIID(iid, IID_IOwnedCameraProperties))
        return GetInterface(static_cast<IOwnedCameraProperties*>(this), object);
    if (IsPinInterface(iid)) return QueryPinInterface(iid, object);
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

void CCamEmul::UpdateStreamPacing()
{
    if (!stream_) return;
    ComRef<IReferenceClock> clock;
    (void)CSource::GetSyncSource(clock.Put());  // S_OK with or without a clock
    stream_->UpdatePacing(State(), StartTime(), clock.Get());
}

HRESULT STDMETHODCALLTYPE CCamEmul::Stop()
{
    CAutoLock lock(pStateLock());
    const HRESULT hr = CSource::Stop();
    UpdateStreamPacing();
    return hr;
}

HRESULT STDMETHODCALLTYPE CCamEmul::Pause()
{
    CAutoLock lock(pStateLock());
    const HRESULT hr = CSource::Pause();
    UpdateStreamPacing();
    return hr;
}

HRESULT STDMETHODCALLTYPE CCamEmul::Run(REFERENCE_TIME start)
{
    CAutoLock lock(pStateLock());
    const HRESULT hr = CSource::Run(start);
    UpdateStreamPacing();
    return hr;
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetSyncSource(IReferenceClock* clock)
{
    CAutoLock lock(pStateLock());
    const HRESULT hr = CSource::SetSyncSource(clock);
    UpdateStreamPacing();
    return hr;
}

HRESULT STDMETHODCALLTYPE CCamEmul::RevertSettings()
{
    RevertToSavedSettings();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::SaveSettings()
{
    // Always S_OK: failures to write are not reported to the user.
    (void)::SaveSettings();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetActiveCamera(const wchar_t* name)
{
    ChangeActiveCamera(name);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetActiveCamera(wchar_t* buffer)
{
    return CopyCurrentString(&FilterSettings::ActiveCamera, buffer);
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetCameraName(wchar_t* buffer, int32_t index)
{
    return CopyString(ProcessSettings().Camera(index), buffer);
}

HRESULT STDMETHODCALLTYPE CCamEmul::ShowCameraProperties(const wchar_t* name)
{
    // A device that cannot be bound simply shows no pages; the caller has nothing to do about it.
    (void)::ShowCameraProperties(ClampSettingString(name));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::ShowCameraPropertiesOwnedBy(const wchar_t* name, HWND owner)
{
    // As ShowCameraProperties: a device that cannot be bound shows no pages.
    (void)::ShowCameraProperties(ClampSettingString(name), owner);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetGlobalType(int32_t mode)
{
    ChangeGlobalType(mode);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetGlobalType(int32_t* mode)
{
    return CopyCurrentNumber(&FilterSettings::GlobalType, mode);
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetUseBorder(int32_t use)
{
    ChangeUseBorder(use);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetUseBorder(int32_t* use)
{
    return CopyCurrentNumber(&FilterSettings::UseBorder, use);
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetBorderFile(const wchar_t* path)
{
    ChangeBorderFile(path);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetBorderFile(wchar_t* buffer)
{
    return CopyCurrentString(&FilterSettings::BorderFile, buffer);
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetPicturesDirectory(const wchar_t* path)
{
    ChangePicturesDirectory(path);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetPicturesDirectory(wchar_t* buffer)
{
    return CopyCurrentString(&FilterSettings::PicturesDirectory, buffer);
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetChangedTime(int32_t milliseconds)
{
    ChangeChangedTime(milliseconds);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetChangedTime(int32_t* milliseconds)
{
    return CopyCurrentNumber(&FilterSettings::ChangedTime, milliseconds);
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetMorphingTime(int32_t milliseconds)
{
    ChangeMorphingTime(milliseconds);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetMorphingTime(int32_t* milliseconds)
{
    return CopyCurrentNumber(&FilterSettings::MorphingTime, milliseconds);
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetRepeatPicturesShowing(int32_t repeat)
{
    ChangeRepeatPicturesShowing(repeat);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetRepeatPicturesShowing(int32_t* repeat)
{
    return CopyCurrentNumber(&FilterSettings::RepeatPicturesShowing, repeat);
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetPicChType(int32_t kind)
{
    ChangePicChType(kind);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetPicChType(int32_t* kind)
{
    return CopyCurrentNumber(&FilterSettings::PicChType, kind);
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetVideoFile(const wchar_t* path)
{
    ChangeVideoFile(path);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetVideoFile(wchar_t* buffer)
{
    return CopyCurrentString(&FilterSettings::VideoFile, buffer);
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetRepeatVideo(int32_t repeat)
{
    ChangeRepeatVideo(repeat);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetRepeatVideo(int32_t* repeat)
{
    return CopyCurrentNumber(&FilterSettings::RepeatVideo, repeat);
}

HRESULT STDMETHODCALLTYPE CCamEmul::SetDesktopIndex(int32_t index)
{
    ChangeDesktopIndex(index);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetDesktopIndex(int32_t* index)
{
    return CopyCurrentNumber(&FilterSettings::DesktopIndex, index);
}

HRESULT STDMETHODCALLTYPE CCamEmul::GetMonitorName(char* buffer, int32_t index)
{
    if (!buffer) return E_POINTER;
    CopyMonitorName(ProcessSettings().Monitor(index).DeviceName, buffer);
    return S_OK;
}
