// Advice for big, long-lived blocks (a loaded file, the cell spans, sort
// keys): where the system offers large pages, ask for them, so that filling
// the block takes far fewer page faults. Only a hint; does nothing elsewhere.
#pragma once

#include <cstddef>

namespace varnel {

void adviseLargeBlock(void* data, size_t bytes);

}  // namespace varnel
