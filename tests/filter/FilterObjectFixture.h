#pragma once
// Filter objects made directly (without the module's class factory) for the filter object tests, each test
// starting from a missing settings key of the private Wine prefix.
#include "filter/CamEmul.h"
#include "filter/framework/ComRef.h"
#include "filter/settings/SettingsKeyFixture.h"

#include <gtest/gtest.h>

// A filter object's non-delegating unknown with the reference that the test owns.
inline ComRef<IUnknown> MakeFilterObject(IUnknown* outer = nullptr)
{
    HRESULT hr = S_OK;
    CUnknown* object = CCamEmul::CreateInstance(outer, &hr);
    ComRef<IUnknown> unknown;
    EXPECT_EQ(hr, S_OK);
    if (!object) return unknown;
    unknown.CopyFrom(object->NonDelegatingUnknown());
    return unknown;
}

inline ComRef<IData> DataOf(const ComRef<IUnknown>& unknown)
{
    ComRef<IData> data;
    EXPECT_EQ(unknown.QueryInterface(IID_IData, data), S_OK);
    return data;
}

class FilterObjectTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettingsKey();
        // The pictures input with no folder starts nothing slow; each test picks its own mode.
        StoreNumber(L"GlobalType", 2);
        filter_ = MakeFilterObject();
        ASSERT_TRUE(filter_);
        data_ = DataOf(filter_);
        ASSERT_TRUE(data_);
    }
    void TearDown() override
    {
        data_.Reset();
        filter_.Reset();
        DeleteSettingsKey();
    }

    ComRef<IUnknown> filter_;
    ComRef<IData> data_;
};
