#include "support/ProcessResources.h"

#include <windows.h>
#include <winternl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

// One entry of the system handle table (SystemHandleInformation): the owner, the handle value and its object.
struct SystemHandleEntry {
    ULONG ownerProcessId;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    void* object;
    ACCESS_MASK access;
};

// This process's entries in the system handle table, which lists the handles of every process.
size_t CountHandlesInSystemTable()
{
    std::vector<BYTE> buffer(size_t{1} << 20);
    for (int attempt = 0; attempt < 6; ++attempt) {
        ULONG needed = 0;
        const NTSTATUS status = NtQuerySystemInformation(SystemHandleInformation, buffer.data(),
                                                         static_cast<ULONG>(buffer.size()), &needed);
        if (status == kInfoLengthMismatch) {
            // The table may grow between two queries: take some room beyond what was asked for.
            buffer.resize(std::max<size_t>(buffer.size() * 2, size_t{needed} + 4096));
            continue;
        }
        if (status != 0) return 0;
        // The entry count, then the entries aligned to a pointer.
        const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
        const auto* entries = reinterpret_cast<const SystemHandleEntry*>(buffer.data() + sizeof(void*));
        const size_t fits = (buffer.size() - sizeof(void*)) / sizeof(SystemHandleEntry);
        const DWORD self = GetCurrentProcessId();
        size_t mine = 0;
        for (size_t i = 0; i < count && i < fits; ++i)
            if (entries[i].ownerProcessId == self) ++mine;
        return mine;
    }
    return 0;
}

// One entry of the GDI handle table whose address the process environment block holds (the same 24-byte layout on
// Windows and Wine, 64-bit).
struct GdiHandleEntry {
    uint64_t object;
    uint16_t processId;
    uint16_t count;
    uint16_t unique;
    uint8_t type;  // 0: free
    uint8_t flags;
    uint64_t userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "GDI handle table entry");
constexpr size_t kPebGdiHandleTableOffset = 0xF8;  // in the 64-bit process environment block
constexpr size_t kGdiHandleTableEntries = 0x10000;

// Live entries of the GDI handle table that belong to this process or to no process (stock objects).
size_t CountGdiObjectsInPebTable()
{
    if (sizeof(void*) != 8) return 0;  // the offset above is that of the 64-bit block
    PROCESS_BASIC_INFORMATION basic{};
    if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
        !basic.PebBaseAddress)
        return 0;
    const auto* peb = reinterpret_cast<const uint8_t*>(basic.PebBaseAddress);
    const auto* table = *reinterpret_cast<const GdiHandleEntry* const*>(peb + kPebGdiHandleTableOffset);
    if (!table) return 0;
    const auto self = static_cast<uint16_t>(GetCurrentProcessId());
    size_t live = 0;
    for (size_t i = 0; i < kGdiHandleTableEntries; ++i)
        if (table[i].type != 0 && (table[i].processId == 0 || table[i].processId == self)) ++live;
    return live;
}

}  // namespace

size_t CountOpenHandles()
{
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return count;
    return CountHandlesInSystemTable();
}

size_t CountThreads()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    const DWORD self = GetCurrentProcessId();
    size_t count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == self) ++count;
        entry.dwSize = sizeof entry;
    }
    CloseHandle(snapshot);
    return count;
}

size_t CountThreadsSettlingAtMost(size_t limit, unsigned timeoutMs)
{
    size_t count = CountThreads();
    for (const ULONGLONG deadline = GetTickCount64() + timeoutMs; count > limit && GetTickCount64() < deadline;) {
        Sleep(20);
        count = CountThreads();
    }
    return count;
}

size_t CountGdiObjects()
{
    const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (count > 0) return count;
    return CountGdiObjectsInPebTable();
}
