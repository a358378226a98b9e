#include "filter/framework/MediaType.h"

#include <cstring>
#include <utility>

namespace {

void InitFields(AM_MEDIA_TYPE& type)
{
    std::memset(&type, 0, sizeof type);
    type.lSampleSize = 1;
    type.bFixedSizeSamples = TRUE;
}

bool SameFormatBlock(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b)
{
    if (a.cbFormat != b.cbFormat) return false;
    if (a.cbFormat == 0) return true;
    if (!a.pbFormat || !b.pbFormat) return a.pbFormat == b.pbFormat;
    return std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0;
}

}  // namespace

void FreeMediaType(AM_MEDIA_TYPE& type)
{
    if (type.pbFormat) CoTaskMemFree(type.pbFormat);
    type.pbFormat = nullptr;
    type.cbFormat = 0;
    if (type.pUnk) {
        type.pUnk->Release();
        type.pUnk = nullptr;
    }
}

void DeleteMediaType(AM_MEDIA_TYPE* type)
{
    if (!type) return;
    FreeMediaType(*type);
    CoTaskMemFree(type);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source)
{
    if (!target || !source) return E_POINTER;
    if (target == source) return S_OK;
    *target = *source;
    if (source->cbFormat != 0 && source->pbFormat) {
        target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
        if (!target->pbFormat) {
            target->cbFormat = 0;
            target->pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
    } else {
        target->pbFormat = nullptr;
        target->cbFormat = 0;
    }
    if (target->pUnk) target->pUnk->AddRef();
    return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source)
{
    if (!source) return nullptr;
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!type) return nullptr;
    if (FAILED(CopyMediaType(type, source))) {
        CoTaskMemFree(type);
        return nullptr;
    }
    return type;
}

CMediaType::CMediaType()
{
    InitFields(*this);
}

CMediaType::CMediaType(const GUID* majorType)
{
    InitFields(*this);
    if (majorType) majortype = *majorType;
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& other)
{
    InitFields(*this);
    // A failed copy leaves a type without a format block, which no check accepts.
    (void)CopyMediaType(this, &other);
}

CMediaType::CMediaType(const CMediaType& other) : CMediaType(static_cast<const AM_MEDIA_TYPE&>(other)) {}

CMediaType::CMediaType(CMediaType&& other) noexcept
{
    static_cast<AM_MEDIA_TYPE&>(*this) = other;
    InitFields(other);
}

CMediaType::~CMediaType()
{
    FreeMediaType(*this);
}

HRESULT CMediaType::Set(const AM_MEDIA_TYPE& other)
{
    if (&other == this) return S_OK;
    FreeMediaType(*this);
    return CopyMediaType(this, &other);
}

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& other)
{
    // See the converting constructor: a failed copy leaves no format block.
    (void)Set(other);
    return *this;
}

CMediaType& CMediaType::operator=(const CMediaType& other)
{
    return *this = static_cast<const AM_MEDIA_TYPE&>(other);
}

CMediaType& CMediaType::operator=(CMediaType&& other) noexcept
{
    if (&other != this) {
        FreeMediaType(*this);
        static_cast<AM_MEDIA_TYPE&>(*this) = other;
        InitFields(other);
    }
    return *this;
}

bool CMediaType::operator==(const AM_MEDIA_TYPE& other) const
{
    return IsEqualGUID(majortype, other.majortype) && IsEqualGUID(subtype, other.subtype) &&
           IsEqualGUID(formattype, other.formattype) && SameFormatBlock(*this, other);
}

void CMediaType::InitMediaType()
{
    FreeMediaType(*this);
    InitFields(*this);
}

void CMediaType::SetSampleSize(ULONG size)
{
    if (size == 0) {
        SetVariableSize();
    } else {
        bFixedSizeSamples = TRUE;
        lSampleSize = size;
    }
}

void CMediaType::SetVariableSize()
{
    bFixedSizeSamples = FALSE;
}

BYTE* CMediaType::AllocFormatBuffer(ULONG length)
{
    ResetFormatBuffer();
    if (length == 0) return nullptr;
    pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(length));
    if (!pbFormat) return nullptr;
    std::memset(pbFormat, 0, length);
    cbFormat = length;
    return pbFormat;
}

BYTE* CMediaType::ReallocFormatBuffer(ULONG length)
{
    if (length == cbFormat && pbFormat) return pbFormat;
    if (length == 0) {
        ResetFormatBuffer();
        return nullptr;
    }
    auto* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
    if (!block) return nullptr;
    std::memset(block, 0, length);
    if (pbFormat) std::memcpy(block, pbFormat, cbFormat < length ? cbFormat : length);
    if (pbFormat) CoTaskMemFree(pbFormat);
    pbFormat = block;
    cbFormat = length;
    return pbFormat;
}

bool CMediaType::SetFormat(const BYTE* format, ULONG length)
{
    if (length != 0 && !format) return false;
    if (length == 0) {
        ResetFormatBuffer();
        return true;
    }
    BYTE* block = AllocFormatBuffer(length);
    if (!block) return false;
    std::memcpy(block, format, length);
    return true;
}

void CMediaType::ResetFormatBuffer()
{
    if (pbFormat) CoTaskMemFree(pbFormat);
    pbFormat = nullptr;
    cbFormat = 0;
}

bool CMediaType::IsPartiallySpecified() const
{
    return IsEqualGUID(majortype, GUID_NULL) || IsEqualGUID(formattype, GUID_NULL);
}

bool CMediaType::MatchesPartial(const AM_MEDIA_TYPE& partial) const
{
    if (!IsEqualGUID(partial.majortype, GUID_NULL) && !IsEqualGUID(majortype, partial.majortype)) return false;
    if (!IsEqualGUID(partial.subtype, GUID_NULL) && !IsEqualGUID(subtype, partial.subtype)) return false;
    if (!IsEqualGUID(partial.formattype, GUID_NULL)) {
        if (!IsEqualGUID(formattype, partial.formattype)) return false;
        if (!SameFormatBlock(*this, partial)) return false;
    }
    return true;
}
