// The error boxes of a file that cannot be read or written.
#pragma once

#include <string>

#include "core/delimited_read.h"

namespace varnel {

// A failed read names the file and the system's reason; a file refused as
// too large has a message of its own, which names the file itself.
void showReadError(const std::string& path, const ReadResult& failure);
void showSaveError(const std::string& path, const std::string& reason);

}  // namespace varnel
