#pragma once
// CMediaType owns one AM_MEDIA_TYPE: its format block (task memory, as media types crossing DirectShow interfaces
// require) and its pUnk reference. Plus the helpers for media types handed out or received through interfaces.
#include <windows.h>
#include <dshow.h>

// Frees what a media type owns (format block and pUnk) and leaves it with no format; not the structure itself.
void FreeMediaType(AM_MEDIA_TYPE& type);
// Frees a media type allocated with CoTaskMemAlloc (as IEnumMediaTypes and IAMStreamConfig hand them out),
// together with what it owns. Null is ignored.
void DeleteMediaType(AM_MEDIA_TYPE* type);
// Deep copy into `target`, whose previous contents are not freed. E_OUTOFMEMORY leaves it without a format block.
HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
// A new task-memory deep copy of `source` for a caller that frees it with DeleteMediaType; null on failure.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source);

class CMediaType : public AM_MEDIA_TYPE {
public:
    CMediaType();
    explicit CMediaType(const GUID* majorType);
    CMediaType(const AM_MEDIA_TYPE& other);
    CMediaType(const CMediaType& other);
    CMediaType(CMediaType&& other) noexcept;
    ~CMediaType();

    CMediaType& operator=(const AM_MEDIA_TYPE& other);
    CMediaType& operator=(const CMediaType& other);
    CMediaType& operator=(CMediaType&& other) noexcept;
    // Copy with a result: E_OUTOFMEMORY when the format block cannot be copied.
    HRESULT Set(const AM_MEDIA_TYPE& other);

    // Same major type, subtype, format type and format bytes.
    bool operator==(const AM_MEDIA_TYPE& other) const;
    bool operator!=(const AM_MEDIA_TYPE& other) const { return !(*this == other); }

    // Back to an empty type: no major type, fixed-size samples of 1 byte, no format.
    void InitMediaType();
    bool IsValid() const { return !IsEqualGUID(majortype, GUID_NULL); }

    const GUID* Type() const { return &majortype; }
    const GUID* Subtype() const { return &subtype; }
    const GUID* FormatType() const { return &formattype; }
    void SetType(const GUID* type) { majortype = *type; }
    void SetSubtype(const GUID* type) { subtype = *type; }
    void SetFormatType(const GUID* type) { formattype = *type; }
    void SetSampleSize(ULONG size);
    void SetVariableSize();
    void SetTemporalCompression(BOOL compressed) { bTemporalCompression = compressed; }
    ULONG GetSampleSize() const { return bFixedSizeSamples ? lSampleSize : 0; }

    BYTE* Format() const { return pbFormat; }
    ULONG FormatLength() const { return cbFormat; }
    // A new zero-filled format block of `length` bytes (the old one is freed); null when out of memory.
    BYTE* AllocFormatBuffer(ULONG length);
    // Grows or shrinks the format block keeping its leading bytes; new bytes are zero. Null when out of memory.
    BYTE* ReallocFormatBuffer(ULONG length);
    bool SetFormat(const BYTE* format, ULONG length);
    void ResetFormatBuffer();

    // A type with no major type or no format type only narrows a search; it cannot be connected with.
    bool IsPartiallySpecified() const;
    // True when every field that `partial` specifies (major type, subtype, format type and block) is equal.
    bool MatchesPartial(const AM_MEDIA_TYPE& partial) const;
};
