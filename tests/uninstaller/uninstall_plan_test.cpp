// What the uninstaller starts: the system folder's Windows Installer, removing the product by its code, working
// in the system folder; nothing when the path cannot be built.
#include "uninstaller/UninstallPlan.h"

#include <gtest/gtest.h>

namespace {

TEST(UninstallPlan, StartsTheSystemsInstallerInTheSystemFolder)
{
    const std::optional<UninstallLaunch> launch = PlanUninstall("C:\\Windows\\system32");
    ASSERT_TRUE(launch.has_value());
    EXPECT_EQ(launch->program, "C:\\Windows\\system32\\msiexec.exe");
    EXPECT_EQ(launch->parameters, "/x {E2C85B71-4A09-4F3D-8D6C-A37F150B9E28}");
    EXPECT_EQ(launch->directory, "C:\\Windows\\system32");
}

TEST(UninstallPlan, NothingWithoutASystemFolderOrWhenThePathWouldNotFit)
{
    const std::string suffix = "\\msiexec.exe";
    const struct {
        size_t folderChars;
        bool planned;
    } cases[] = {{0, false},
                 {1, true},
                 {kPathBufferChars - 1 - suffix.size(), true},  // 259 characters and the terminator
                 {kPathBufferChars - suffix.size(), false},
                 {1000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folderChars);
        const std::optional<UninstallLaunch> launch = PlanUninstall(std::string(c.folderChars, 'a'));
        EXPECT_EQ(launch.has_value(), c.planned);
        if (launch) {
            EXPECT_LT(launch->program.size(), kPathBufferChars);
        }
    }
}

}  // namespace
