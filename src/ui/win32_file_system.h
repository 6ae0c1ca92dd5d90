// The reader's and writer's file access on Win32: files read shared with
// other readers, failures reported with the system's own text.
#pragma once

#include "core/file_access.h"

namespace varnel {

FileSystem& win32FileSystem();
// One with other options than the program's (tests).
std::unique_ptr<FileSystem> makeWin32FileSystem(const FileSystemOptions& options);

// Puts another file system in the Win32 one's place for the commands (a test
// wrapper that fails part-way, for one); null puts the Win32 one back.
void setFileSystemStandIn(FileSystem* standIn);

}  // namespace varnel
