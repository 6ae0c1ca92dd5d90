#include "ui/read_errors.h"

#include "ui/controls.h"

namespace varnel {

void showReadError(const std::string& path, const ReadResult& failure) {
    if (failure.tooLarge) {
        messageBox(failure.error, "Error", kErrorBoxFlags);
        return;
    }
    messageBox("The file \"" + path + "\" could not be read:\n\n" + failure.error, "Error", kErrorBoxFlags);
}

void showSaveError(const std::string& path, const std::string& reason) {
    messageBox("The file \"" + path + "\" could not be saved:\n\n" + reason, "Error", kErrorBoxFlags);
}

}  // namespace varnel
