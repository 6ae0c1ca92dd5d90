// The memory the system can still give a new table.
#pragma once

#include <cstdint>

namespace varnel {

// The bytes a table being loaded may take: what the system can still commit
// (free physical memory and free page file), and in a 32-bit program no
// more than its free address space.
uint64_t memoryForNewTable();

// Tests lower the figure to reach a refusal with a small file; UINT64_MAX
// takes the system's figure again.
void limitMemoryForNewTable(uint64_t bytes);

}  // namespace varnel
