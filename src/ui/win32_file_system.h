// The reader's and writer's file access on Win32: files opened without
// sharing, failures reported with the system's own text.
#pragma once

#include "core/file_access.h"

namespace varnel {

FileSystem& win32FileSystem();

}  // namespace varnel
