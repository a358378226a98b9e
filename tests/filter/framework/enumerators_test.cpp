// Pin and media type enumerators: positions, clones, the out-of-sync rule and bad arguments.
#include "FrameworkTestObjects.h"

namespace {

using EnumeratorsTest = FrameworkTest;

ComRef<IEnumMediaTypes> TypesOf(IBaseFilter* filter)
{
    ComRef<IPin> pin;
    EXPECT_EQ(filter->FindPin(L"1", pin.Put()), S_OK);
    ComRef<IEnumMediaTypes> types;
    EXPECT_EQ(pin->EnumMediaTypes(types.Put()), S_OK);
    return types;
}

int WidthOf(const AM_MEDIA_TYPE* type)
{
    return reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader.biWidth;
}

TEST_F(EnumeratorsTest, MediaTypesNextSkipResetClone)
{
    StreamControl control;
    CTestFilter* object = nullptr;
    ComRef<IBaseFilter> filter = CTestFilter::Make(&control, &object);
    object->Stream()->SetTypes({VideoType(10, 10), VideoType(20, 10), VideoType(30, 10)});
    ComRef<IEnumMediaTypes> types = TypesOf(filter.Get());

    AM_MEDIA_TYPE* got[4] = {};
    ULONG fetched = 99;
    ASSERT_EQ(types->Next(2, got, &fetched), S_OK);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(WidthOf(got[0]), 10);
    EXPECT_EQ(WidthOf(got[1]), 20);
    DeleteMediaType(got[0]);
    DeleteMediaType(got[1]);

    ComRef<IEnumMediaTypes> clone;
    ASSERT_EQ(types->Clone(clone.Put()), S_OK);
    ASSERT_EQ(clone->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(WidthOf(got[0]), 30);
    DeleteMediaType(got[0]);

    // Asking past the end gives what is left and S_FALSE.
    ASSERT_EQ(types->Next(4, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    DeleteMediaType(got[0]);
    EXPECT_EQ(types->Next(1, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);

    EXPECT_EQ(types->Reset(), S_OK);
    EXPECT_EQ(types->Skip(2), S_OK);
    ASSERT_EQ(types->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(WidthOf(got[0]), 30);
    DeleteMediaType(got[0]);
    EXPECT_EQ(types->Reset(), S_OK);
    EXPECT_EQ(types->Skip(5), S_FALSE);
    EXPECT_EQ(types->Next(1, got, &fetched), S_FALSE);
}

TEST_F(EnumeratorsTest, MediaTypesGoOutOfSyncWhenThePinsListChanges)
{
    StreamControl control;
    CTestFilter* object = nullptr;
    ComRef<IBaseFilter> filter = CTestFilter::Make(&control, &object);
    ComRef<IEnumMediaTypes> types = TypesOf(filter.Get());
    object->Stream()->SetTypes({VideoType(80, 60)});

    AM_MEDIA_TYPE* got = nullptr;
    ULONG fetched = 5;
    EXPECT_EQ(types->Next(1, &got, &fetched), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(types->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);
    ComRef<IEnumMediaTypes> clone;
    EXPECT_EQ(types->Clone(clone.Put()), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_FALSE(clone);
    // Still out of sync on the next call, until Reset.
    EXPECT_EQ(types->Next(1, &got, nullptr), VFW_E_ENUM_OUT_OF_SYNC);
    ASSERT_EQ(types->Reset(), S_OK);
    ASSERT_EQ(types->Next(1, &got, nullptr), S_OK);
    EXPECT_EQ(WidthOf(got), 80);
    DeleteMediaType(got);
}

TEST_F(EnumeratorsTest, MediaTypesRefuseBadArguments)
{
    StreamControl control;
    ComRef<IBaseFilter> filter = CTestFilter::Make(&control);
    ComRef<IEnumMediaTypes> types = TypesOf(filter.Get());
    AM_MEDIA_TYPE* got[2] = {};
    EXPECT_EQ(types->Next(1, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(types->Next(2, got, nullptr), E_POINTER);
    EXPECT_EQ(types->Clone(nullptr), E_POINTER);
    ComRef<IPin> pin;
    ASSERT_EQ(filter->FindPin(L"1", pin.Put()), S_OK);
    EXPECT_EQ(pin->EnumMediaTypes(nullptr), E_POINTER);
    // An enumerator holds its filter.
    EXPECT_EQ(RefCountOf(filter.Get()), 3u);
}

TEST_F(EnumeratorsTest, PinsNextSkipResetCloneAndBadArguments)
{
    StreamControl control;
    CTestFilter* object = nullptr;
    ComRef<IBaseFilter> filter = CTestFilter::Make(&control, &object, 3);
    ComRef<IEnumPins> pins;
    ASSERT_EQ(filter->EnumPins(pins.Put()), S_OK);
    EXPECT_EQ(filter->EnumPins(nullptr), E_POINTER);

    IPin* got[3] = {};
    ULONG fetched = 0;
    ASSERT_EQ(pins->Next(3, got, &fetched), S_OK);
    ASSERT_EQ(fetched, 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(got[i], static_cast<IPin*>(object->Stream(i)));
        got[i]->Release();
    }
    EXPECT_EQ(pins->Next(1, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    ASSERT_EQ(pins->Reset(), S_OK);
    EXPECT_EQ(pins->Skip(2), S_OK);
    ComRef<IEnumPins> clone;
    ASSERT_EQ(pins->Clone(clone.Put()), S_OK);
    ASSERT_EQ(clone->Next(1, got, nullptr), S_OK);
    EXPECT_EQ(got[0], static_cast<IPin*>(object->Stream(2)));
    got[0]->Release();
    EXPECT_EQ(pins->Skip(2), S_FALSE);

    EXPECT_EQ(pins->Next(1, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(pins->Next(2, got, nullptr), E_POINTER);
    EXPECT_EQ(pins->Clone(nullptr), E_POINTER);
}

TEST_F(EnumeratorsTest, PinsGoOutOfSyncWhenThePinArrayChanges)
{
    StreamControl control;
    CTestFilter* object = nullptr;
    ComRef<IBaseFilter> filter = CTestFilter::Make(&control, &object, 1);
    ComRef<IEnumPins> pins;
    ASSERT_EQ(filter->EnumPins(pins.Put()), S_OK);
    HRESULT hr = S_OK;
    new CTestStream(&hr, object, &control);  // owned by the filter from here
    ASSERT_EQ(hr, S_OK);
    IPin* got[2] = {};
    EXPECT_EQ(pins->Next(1, got, nullptr), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(pins->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);
    ASSERT_EQ(pins->Reset(), S_OK);
    ULONG fetched = 0;
    ASSERT_EQ(pins->Next(2, got, &fetched), S_OK);
    EXPECT_EQ(fetched, 2u);
    got[0]->Release();
    got[1]->Release();
}

}  // namespace
