// The module directory: the folder of the loaded module named Veltrane.ax (a stand-in built with the tests).
#include "filter/settings/ModuleDirectory.h"
#include "filter/settings/SettingsStore.h"

#include "SettingsKeyFixture.h"

#include <algorithm>
#include <memory>

namespace {

struct ModuleFree {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using LoadedModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree>;

std::wstring WithBackslashes(std::wstring path)
{
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

}  // namespace

TEST_F(SettingsKeyTest, ModuleDirectoryIsTheFolderOfTheLoadedModuleWithTrailingBackslash)
{
    const std::wstring path = WithBackslashes(VELTRANE_TEST_MODULE);
    const std::wstring folder = path.substr(0, path.rfind(L'\\') + 1);
    {
        LoadedModule module(LoadLibraryW(path.c_str()));
        ASSERT_NE(module, nullptr) << "cannot load the stand-in module";
        LoadSettings();
        EXPECT_EQ(ModuleDirectory(), folder);
        EXPECT_EQ(CurrentSettings().BorderFile, folder + L"Borders\\border6.png");
    }
    EXPECT_EQ(FindModuleDirectory(), L"");
}

TEST(ModuleDirectory, FindsAnyLoadedModuleByItsFileName)
{
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    std::wstring found = FindModuleDirectory(L"kernel32.dll");
    EXPECT_EQ(_wcsicmp(found.c_str(), (std::wstring(system) + L"\\").c_str()), 0) << testing::PrintToString(found);
    EXPECT_EQ(FindModuleDirectory(L"no-such-module.ax"), L"");
    EXPECT_EQ(FindModuleDirectory(nullptr), L"");
}
