#include "core/file_kind.h"

#include "core/text.h"

namespace varnel {

FileKind kindFromName(std::string_view fileName) {
    std::string_view tail = fileName.size() > 3 ? fileName.substr(fileName.size() - 3) : fileName;
    std::string ext = toLower(tail);
    if (ext == "csv") return FileKind::Csv;
    if (ext == "psv") return FileKind::Psv;
    if (ext == "tsv") return FileKind::Tsv;
    return FileKind::None;
}

char delimiterForName(std::string_view fileName) {
    switch (kindFromName(fileName)) {
    case FileKind::Psv: return '|';
    case FileKind::Tsv: return '\t';
    default: return ',';
    }
}

}  // namespace varnel
