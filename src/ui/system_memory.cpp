#include "ui/system_memory.h"

#include <windows.h>

#include <algorithm>

namespace varnel {
namespace {
uint64_t gLimit = UINT64_MAX;
}

uint64_t memoryForNewTable() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    // Without the figure, the load goes on and meets the system's refusal.
    if (!GlobalMemoryStatusEx(&status)) return gLimit;
    // The page-file figure is the commit still available, physical memory
    // included; a 64-bit process's address space never runs short first.
    return std::min({static_cast<uint64_t>(status.ullAvailPageFile), static_cast<uint64_t>(status.ullAvailVirtual),
                     gLimit});
}

void limitMemoryForNewTable(uint64_t bytes) { gLimit = bytes; }

}  // namespace varnel
