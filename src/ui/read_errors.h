// The error boxes of a file that cannot be read or written.
#pragma once

#include <string>

namespace varnel {

void showReadError(const std::string& path, const std::string& reason);
void showSaveError(const std::string& path, const std::string& reason);

}  // namespace varnel
