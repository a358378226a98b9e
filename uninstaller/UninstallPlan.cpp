#include "uninstaller/UninstallPlan.h"

std::optional<UninstallLaunch> PlanUninstall(const std::string& systemDirectory)
{
    if (systemDirectory.empty()) return std::nullopt;
    UninstallLaunch launch;
    launch.program = systemDirectory + "\\msiexec.exe";
    if (launch.program.size() >= kPathBufferChars) return std::nullopt;
    launch.parameters = kUninstallParameters;
    launch.directory = systemDirectory;
    return launch;
}
