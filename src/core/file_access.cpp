#include "core/file_access.h"

namespace varnel {

std::string noCopyInPlaceError(const std::string& folder, const std::string& reason) {
    return "It can only be written in place, and no copy of its old content could be made first in the temporary "
           "folder \"" + folder + "\", so it was left as it was.\n\n" + reason;
}

std::string notPutBackError(const std::string& copy, const std::string& reason) {
    return "Its old content could not be put back; a copy of it is kept in \"" + copy + "\".\n\n" + reason;
}

}  // namespace varnel
