#include "filter/settings/FilterSettings.h"

#include <gtest/gtest.h>

TEST(SettingStrings, ClampKeepsAtMost259Characters)
{
    EXPECT_EQ(ClampSettingString(static_cast<const wchar_t*>(nullptr)), L"");
    EXPECT_EQ(ClampSettingString(L"C:\\clip.avi"), L"C:\\clip.avi");
    EXPECT_EQ(ClampSettingString(std::wstring(259, L'a')), std::wstring(259, L'a'));
    std::wstring longer = std::wstring(259, L'a') + L"bcd";
    EXPECT_EQ(ClampSettingString(longer.c_str()), std::wstring(259, L'a'));
}

TEST(SettingStrings, CopiesIntoA260CharacterBufferAreTerminatedAndStayInside)
{
    wchar_t wide[kSettingBufferChars + 1];
    std::fill(std::begin(wide), std::end(wide), L'#');
    CopySettingString(std::wstring(300, L'x'), wide);
    EXPECT_EQ(std::wstring(wide), std::wstring(259, L'x'));
    EXPECT_EQ(wide[kSettingBufferChars], L'#');

    CopySettingString(L"short", wide);
    EXPECT_EQ(std::wstring(wide), L"short");
    CopySettingString(L"ignored", nullptr);

    char narrow[kSettingBufferChars + 1];
    std::fill(std::begin(narrow), std::end(narrow), '#');
    CopyMonitorName(std::string(300, 'm'), narrow);
    EXPECT_EQ(std::string(narrow), std::string(259, 'm'));
    EXPECT_EQ(narrow[kSettingBufferChars], '#');
    CopyMonitorName("\\\\.\\DISPLAY1", narrow);
    EXPECT_EQ(std::string(narrow), "\\\\.\\DISPLAY1");
}

TEST(SettingStrings, DefaultBorderIsInTheBordersFolderOfTheModule)
{
    EXPECT_EQ(DefaultBorderFile(L"C:\\Veltrane\\"), L"C:\\Veltrane\\Borders\\border6.png");
    // A module folder too deep for the buffers still gives a string that fits them.
    EXPECT_EQ(DefaultBorderFile(std::wstring(250, L'd') + L"\\").size(), kMaxSettingChars);
}
