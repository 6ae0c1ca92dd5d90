#include "ui/read_errors.h"

#include "ui/controls.h"

namespace varnel {

void showReadError(const std::string& path, const std::string& reason) {
    messageBox("The file \"" + path + "\" could not be read:\n\n" + reason, "Error", kErrorBoxFlags);
}

void showSaveError(const std::string& path, const std::string& reason) {
    messageBox("The file \"" + path + "\" could not be saved:\n\n" + reason, "Error", kErrorBoxFlags);
}

}  // namespace varnel
