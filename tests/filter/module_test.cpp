// Veltrane.ax through its exports, as COM and the installer call them: class objects, unloading, and
// registration as the "Veltrane" video input device.
#include "filter/CamEmul.h"
#include "filter/framework/ComRef.h"
#include "filter/framework/TestCameraRegistration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#ifndef VELTRANE_MODULE_AX
#error "VELTRANE_MODULE_AX must name the built Veltrane.ax"
#endif

namespace {

using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using PlainFunction = HRESULT(STDAPICALLTYPE*)();

template <class Function>
Function Export(HMODULE module, const char* name)
{
    // Exports come back as a generic procedure; the pointer is the function of the named signature.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The module loaded for a test, with its exports.
class LoadedModule {
public:
    LoadedModule() : module_(LoadLibraryW(VELTRANE_MODULE_AX))
    {
        if (!module_) return;
        getClassObject = Export<GetClassObjectFunction>(module_, "DllGetClassObject");
        canUnloadNow = Export<PlainFunction>(module_, "DllCanUnloadNow");
        registerServer = Export<PlainFunction>(module_, "DllRegisterServer");
        unregisterServer = Export<PlainFunction>(module_, "DllUnregisterServer");
    }
    ~LoadedModule()
    {
        if (module_) FreeLibrary(module_);
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    bool Complete() const
    {
        return module_ && getClassObject && canUnloadNow && registerServer && unregisterServer &&
               GetProcAddress(module_, "DllMain");
    }
    ComRef<IClassFactory> Factory() const
    {
        ComRef<IClassFactory> factory;
        EXPECT_EQ(getClassObject(CLSID_Veltrane, IID_IClassFactory, factory.PutVoid()), S_OK);
        return factory;
    }

    GetClassObjectFunction getClassObject = nullptr;
    PlainFunction canUnloadNow = nullptr;
    PlainFunction registerServer = nullptr;
    PlainFunction unregisterServer = nullptr;

private:
    HMODULE module_;
};

size_t CountDevices(const std::wstring& name)
{
    const std::vector<std::wstring> devices = ListVideoInputDevices();
    return static_cast<size_t>(std::count(devices.begin(), devices.end(), name));
}

// The default value of HKEY_CLASSES_ROOT\<keyName> (or `valueName`), or nothing when the key is missing.
bool ReadClassesValue(const std::wstring& keyName, const wchar_t* valueName, std::wstring& value)
{
    wchar_t text[MAX_PATH * 2] = {};
    DWORD bytes = sizeof(text) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CLASSES_ROOT, keyName.c_str(), valueName, RRF_RT_REG_SZ, nullptr, text, &bytes) !=
        ERROR_SUCCESS)
        return false;
    value = text;
    return true;
}

std::wstring ClassKey(REFCLSID classId)
{
    wchar_t text[40] = {};
    StringFromGUID2(classId, text, 40);
    return std::wstring(L"CLSID\\") + text;
}

bool ClassKeyExists(REFCLSID classId = CLSID_Veltrane)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, ClassKey(classId).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

int CountPins(IBaseFilter* filter)
{
    ComRef<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.Put()))) return -1;
    int count = 0;
    ComRef<IPin> pin;
    while (pins->Next(1, pin.Put(), nullptr) == S_OK) ++count;
    return count;
}

// An outer object that never gets as far as being asked anything.
class SilentOuter : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        if (object) *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

TEST(ModuleExports, ClassObjectsFollowTheClassTable)
{
    LoadedModule module;
    ASSERT_TRUE(module.Complete());
    ComRef<IClassFactory> factory = module.Factory();
    ASSERT_TRUE(factory);
    ComRef<IUnknown> unknown;
    EXPECT_EQ(module.getClassObject(CLSID_Veltrane, IID_IUnknown, unknown.PutVoid()), S_OK);

    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(module.getClassObject(CLSID_Veltrane, IID_IPersist, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    const CLSID unknownClass = {0x1234abcd, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(module.getClassObject(unknownClass, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
}

TEST(ModuleExports, FactoryMakesOneFilterWithOnePinAndRefusesBadAggregation)
{
    LoadedModule module;
    ASSERT_TRUE(module.Complete());
    ComRef<IClassFactory> factory = module.Factory();
    ASSERT_TRUE(factory);

    SilentOuter outer;
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IBaseFilter, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    ComRef<IBaseFilter> filter;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, filter.PutVoid()), S_OK);
    EXPECT_EQ(CountPins(filter.Get()), 1);
    ComRef<IData> data;
    EXPECT_EQ(filter.QueryInterface(IID_IData, data), S_OK);
    EXPECT_EQ(module.canUnloadNow(), S_FALSE);
}

TEST(ModuleExports, ServerLockKeepsTheModuleLoaded)
{
    LoadedModule module;
    ASSERT_TRUE(module.Complete());
    {
        ComRef<IClassFactory> factory = module.Factory();
        ASSERT_TRUE(factory);
        ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    }
    EXPECT_EQ(module.canUnloadNow(), S_FALSE);
    {
        ComRef<IClassFactory> factory = module.Factory();
        ASSERT_TRUE(factory);
        ASSERT_EQ(factory->LockServer(FALSE), S_OK);
        // The factory itself is a live object of the module.
        EXPECT_EQ(module.canUnloadNow(), S_FALSE);
    }
    EXPECT_EQ(module.canUnloadNow(), S_OK);
}

TEST(ModuleRegistration, RegisteredOnceListedAsCameraThenRemovedTwice)
{
    LoadedModule module;
    ASSERT_TRUE(module.Complete());
    ASSERT_EQ(module.registerServer(), S_OK);
    ASSERT_EQ(module.registerServer(), S_OK);
    EXPECT_EQ(CountDevices(L"Veltrane"), 1u);

    // The camera filter and its settings page, both served in-process by the module.
    const struct {
        const CLSID* classId;
        const wchar_t* name;
    } classes[] = {{&CLSID_Veltrane, L"Veltrane"}, {&CLSID_VeltraneSettingsPage, L"Settings"}};
    for (const auto& entry : classes) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(entry.name)));
        const std::wstring key = ClassKey(*entry.classId);
        std::wstring name, server, threading;
        EXPECT_TRUE(ReadClassesValue(key, nullptr, name));
        EXPECT_EQ(name, entry.name);
        EXPECT_TRUE(ReadClassesValue(key + L"\\InprocServer32", nullptr, server));
        EXPECT_EQ(_wcsicmp(server.c_str(), VELTRANE_MODULE_AX), 0) << server;
        EXPECT_TRUE(ReadClassesValue(key + L"\\InprocServer32", L"ThreadingModel", threading));
        EXPECT_EQ(threading, L"Both");
        ComRef<IClassFactory> factory;
        EXPECT_EQ(module.getClassObject(*entry.classId, IID_IClassFactory, factory.PutVoid()), S_OK);
    }

    {
        ComRef<IBaseFilter> filter;
        ASSERT_EQ(BindVideoInputDevice(L"Veltrane", filter.Put()), S_OK);
        EXPECT_EQ(CountPins(filter.Get()), 1);
        CLSID classId = {};
        ASSERT_EQ(filter->GetClassID(&classId), S_OK);
        EXPECT_TRUE(IsEqualCLSID(classId, CLSID_Veltrane));
    }

    ASSERT_EQ(module.unregisterServer(), S_OK);
    EXPECT_EQ(CountDevices(L"Veltrane"), 0u);
    EXPECT_FALSE(ClassKeyExists());
    EXPECT_FALSE(ClassKeyExists(CLSID_VeltraneSettingsPage));
    EXPECT_EQ(module.unregisterServer(), S_OK);
    EXPECT_FALSE(ClassKeyExists());
}

// Checks what the system's own regsvr32 left behind (scripts/regsvr32-check.sh): VELTRANE_EXPECT_REGISTERED is
// 1 after "regsvr32 /s" and 0 after "regsvr32 /u /s". Skipped when it is not set.
TEST(RegisteredByRegsvr32, DeviceAndClassMatchTheExpectation)
{
    const char* expected = std::getenv("VELTRANE_EXPECT_REGISTERED");
    if (!expected) GTEST_SKIP() << "run by scripts/regsvr32-check.sh";
    const bool registered = std::string(expected) == "1";
    EXPECT_EQ(CountDevices(L"Veltrane"), registered ? 1u : 0u);
    EXPECT_EQ(ClassKeyExists(), registered);
}

}  // namespace
