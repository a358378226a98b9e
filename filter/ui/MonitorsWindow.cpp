#include "filter/ui/MonitorsWindow.h"

#include "filter/ui/ModeRules.h"
#include "filter/ui/SettingsResources.h"

#include <string>
#include <vector>

namespace {

// More monitors than any machine has: a guard against a list that never ends.
constexpr int32_t kMostMonitors = 256;

// An 8-bit name in the thread's code page as UTF-16; empty when it cannot be converted.
std::wstring FromThreadCodePage(const std::string& name)
{
    if (name.empty()) return std::wstring();
    const int length = MultiByteToWideChar(CP_THREAD_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    if (MultiByteToWideChar(CP_THREAD_ACP, 0, name.data(), static_cast<int>(name.size()), &wide[0], length) != length)
        return std::wstring();
    return wide;
}

}  // namespace

void CMonitorsWindow::OnInitDialog()
{
    Place();
    monitorList_ = Item(IDC_MONITOR_LIST);
    for (int32_t index = 0; Data() && index < kMostMonitors; ++index) {
        char name[kIDataBufferChars] = {};
        if (FAILED(Data()->GetMonitorName(name, index))) break;
        name[kIDataBufferChars - 1] = '\0';
        if (!name[0]) break;
        const std::wstring shown = FromThreadCodePage(MonitorDisplayName(name));
        SendMessageW(monitorList_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    }
    selectedMonitor_ = ReadSettingNumber(Data(), &IData::GetDesktopIndex);
    SendMessageW(monitorList_, CB_SETCURSEL, selectedMonitor_, 0);
}

bool CMonitorsWindow::OnCommand(int id, int code)
{
    if (id != IDC_MONITOR_LIST || code != CBN_SELCHANGE) return false;
    selectedMonitor_ = static_cast<int>(SendMessageW(monitorList_, CB_GETCURSEL, 0, 0));
    if (Data()) (void)Data()->SetDesktopIndex(selectedMonitor_);  // always S_OK; outside the list: the primary
    NotifySettingChanged();
    return true;
}
