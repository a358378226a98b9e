// The uninstaller program itself: it hands the removal to the Windows Installer and ends at once with code 0,
// whatever its arguments and however often it is started.
#include "tools/ChildProcess.h"

#include <gtest/gtest.h>

namespace {

TEST(Uninstaller, EndsAtOnceWithCodeZeroIgnoringItsArguments)
{
    const std::vector<std::vector<std::wstring>> argumentLists = {{}, {L"/quiet", L"extra words"}, {}};
    for (const auto& arguments : argumentLists) {
        SCOPED_TRACE(arguments.size());
        const ULONGLONG started = GetTickCount64();
        const ChildRun run = RunChild(VELTRANE_UNINSTALLER, arguments, 20000);
        ASSERT_TRUE(run.started);
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0u);
        // It does not wait for the Windows Installer program it started.
        EXPECT_LT(GetTickCount64() - started, 10000u);
        EXPECT_TRUE(run.out.empty() && run.err.empty());
    }
}

}  // namespace
