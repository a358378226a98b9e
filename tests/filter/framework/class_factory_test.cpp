// The class factory over a template table: class lookup, requested interfaces, aggregation, server locks.
#include "FrameworkTestObjects.h"

#include "filter/framework/ClassFactory.h"

namespace {

CUnknown* CreateFrameworkTestFilter(IUnknown* outer, HRESULT* /*hr*/)
{
    // The filter's pins report to this control; the tests never stream these filters.
    static StreamControl control;
    return new CTestFilter(outer, &control);
}

CUnknown* CreateFailing(IUnknown* /*outer*/, HRESULT* hr)
{
    *hr = E_ACCESSDENIED;
    return nullptr;
}

// {0E1F3A55-7B2C-4D69-A1E8-6C4D2B9F0A17}
const CLSID CLSID_FailingTestObject = {0x0e1f3a55, 0x7b2c, 0x4d69, {0xa1, 0xe8, 0x6c, 0x4d, 0x2b, 0x9f, 0x0a, 0x17}};

const CFactoryTemplate kTemplates[] = {
    {L"Framework Test Filter", &CLSID_FrameworkTestFilter, &CreateFrameworkTestFilter, nullptr, nullptr},
    {L"Failing", &CLSID_FailingTestObject, &CreateFailing, nullptr, nullptr},
};

class ClassFactoryTest : public FrameworkTest {
protected:
    ComRef<IClassFactory> FactoryFor(REFCLSID classId)
    {
        ComRef<IClassFactory> factory;
        EXPECT_EQ(GetClassObjectFromTemplates(kTemplates, 2, classId, IID_IClassFactory, factory.PutVoid()), S_OK);
        return factory;
    }
};

TEST_F(ClassFactoryTest, ClassObjectsExistOnlyForTableEntriesAndFactoryInterfaces)
{
    ComRef<IUnknown> object;
    EXPECT_EQ(GetClassObjectFromTemplates(kTemplates, 2, CLSID_SystemClock, IID_IClassFactory, object.PutVoid()),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_FALSE(object);
    EXPECT_EQ(GetClassObjectFromTemplates(kTemplates, 2, CLSID_FrameworkTestFilter, IID_IPersist, object.PutVoid()),
              E_NOINTERFACE);
    EXPECT_EQ(GetClassObjectFromTemplates(kTemplates, 2, CLSID_FrameworkTestFilter, IID_IUnknown, object.PutVoid()),
              S_OK);
    EXPECT_EQ(RefCountOf(object.Get()), 1u);
    EXPECT_EQ(GetClassObjectFromTemplates(kTemplates, 2, CLSID_FrameworkTestFilter, IID_IUnknown, nullptr),
              E_POINTER);
    // The factory itself is a live object of the module.
    EXPECT_EQ(ModuleCanUnloadNow(), S_FALSE);
}

TEST_F(ClassFactoryTest, CreateInstanceHonoursTheRequestedInterface)
{
    ComRef<IClassFactory> factory = FactoryFor(CLSID_FrameworkTestFilter);
    ComRef<IMediaFilter> mediaFilter;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IMediaFilter, mediaFilter.PutVoid()), S_OK);
    EXPECT_EQ(RefCountOf(mediaFilter.Get()), 1u);
    ComRef<IPin> notAFilterInterface;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPin, notAFilterInterface.PutVoid()), E_NOINTERFACE);
    EXPECT_FALSE(notAFilterInterface);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, nullptr), E_POINTER);

    ComRef<IUnknown> none;
    EXPECT_EQ(FactoryFor(CLSID_FailingTestObject)->CreateInstance(nullptr, IID_IUnknown, none.PutVoid()),
              E_ACCESSDENIED);
}

TEST_F(ClassFactoryTest, AggregationOnlyThroughIUnknown)
{
    ComRef<IClassFactory> factory = FactoryFor(CLSID_FrameworkTestFilter);
    FakeOuter outer;
    ComRef<IBaseFilter> refused;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IBaseFilter, refused.PutVoid()), E_NOINTERFACE);
    EXPECT_FALSE(refused);

    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
    ComRef<IBaseFilter> filter;
    ASSERT_EQ(outer.QueryInterface(IID_IBaseFilter, filter.PutVoid()), S_OK);
    EXPECT_EQ(outer.Refs(), 2);
    filter.Reset();
    EXPECT_EQ(outer.inner->Release(), 0u);
    EXPECT_EQ(outer.Refs(), 1);
}

TEST_F(ClassFactoryTest, LockServerKeepsTheModuleLoaded)
{
    ComRef<IClassFactory> factory = FactoryFor(CLSID_FrameworkTestFilter);
    const long locks = ModuleLockCount();
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(ModuleLockCount(), locks + 1);
    factory.Reset();
    EXPECT_EQ(ModuleCanUnloadNow(), S_FALSE);
    factory = FactoryFor(CLSID_FrameworkTestFilter);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(ModuleLockCount(), locks);
    ComRef<IUnknown> asUnknown;
    EXPECT_EQ(factory.QueryInterface(IID_IUnknown, asUnknown), S_OK);
    EXPECT_EQ(factory->QueryInterface(IID_IBaseFilter, nullptr), E_POINTER);
}

}  // namespace
