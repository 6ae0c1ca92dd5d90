#include "ui/win32_file_system.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "ui/controls.h"
#include "ui/handles.h"

namespace varnel {
namespace {

std::string lastErrorText() { return systemErrorText(GetLastError()); }

class Win32InputFile final : public InputFile {
public:
    Win32InputFile(UniqueFile file, uint64_t size) : file_(std::move(file)), size_(size) {}
    uint64_t size() const override { return size_; }

    bool read(char* dest, size_t capacity, size_t& got, std::string& error) override {
        got = 0;
        // ReadFile takes a 32-bit count: read large requests in pieces.
        while (got < capacity) {
            const DWORD want = static_cast<DWORD>(std::min<size_t>(capacity - got, 1u << 30));
            DWORD read = 0;
            if (!ReadFile(file_.get(), dest + got, want, &read, nullptr)) {
                error = lastErrorText();
                return false;
            }
            if (read == 0) break;
            got += read;
        }
        return true;
    }

private:
    UniqueFile file_;
    uint64_t size_ = 0;
};

class Win32OutputFile final : public OutputFile {
public:
    // `temporary` is the temporary file beside the target, or, when the
    // target itself is written (`inPlace`), the copy of its old content
    // (empty for a target that was not there).
    Win32OutputFile(UniqueFile file, std::string target, std::string temporary, bool inPlace)
        : file_(std::move(file)), target_(std::move(target)), temporary_(std::move(temporary)), inPlace_(inPlace) {}

    ~Win32OutputFile() override {
        std::string ignored;
        abandon(ignored);
    }

    bool write(const char* data, size_t length, std::string& error) override {
        while (length > 0) {
            const DWORD want = static_cast<DWORD>(std::min<size_t>(length, 1u << 30));
            DWORD written = 0;
            if (!WriteFile(file_.get(), data, want, &written, nullptr) || written == 0) {
                error = lastErrorText();
                return false;
            }
            data += written;
            length -= written;
        }
        return true;
    }

    bool commit(std::string& error) override {
        if (!FlushFileBuffers(file_.get())) {
            error = lastErrorText();
            return false;
        }
        file_.reset();
        if (inPlace_) {
            if (!temporary_.empty()) DeleteFileA(temporary_.c_str());
            done_ = true;
            return true;
        }
        // ReplaceFileA keeps the target's attributes; where it is not
        // available, move over the target and put its attributes back.
        const DWORD attributes = GetFileAttributesA(target_.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            if (attributes & FILE_ATTRIBUTE_READONLY) {
                error = systemErrorText(ERROR_ACCESS_DENIED);
                return false;
            }
            // Another program may have opened the target while it was being
            // written: refuse before replacing, since a replace that fails
            // half-way can leave a file of its own beside the target.
            if (!UniqueFile(CreateFileA(target_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr))) {
                error = lastErrorText();
                return false;
            }
            if (ReplaceFileA(target_.c_str(), temporary_.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                             nullptr)) {
                // Not every implementation carries the attributes over.
                if (GetFileAttributesA(target_.c_str()) != attributes) SetFileAttributesA(target_.c_str(), attributes);
                done_ = true;
                return true;
            }
            const DWORD replaceError = GetLastError();
            if (replaceError == ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
                // The old file is already gone and the new content is only in
                // the temporary file: move it into place, and never delete it.
                if (MoveFileExA(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                    SetFileAttributesA(target_.c_str(), attributes);
                    done_ = true;
                    return true;
                }
                error = lastErrorText() + " The new content is kept in " + temporary_ + ".";
                done_ = true;
                return false;
            }
            if (replaceError != ERROR_CALL_NOT_IMPLEMENTED && replaceError != ERROR_INVALID_FUNCTION &&
                replaceError != ERROR_NOT_SUPPORTED) {
                error = systemErrorText(replaceError);
                return false;
            }
        }
        if (!MoveFileExA(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            error = lastErrorText();
            return false;
        }
        if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(target_.c_str(), attributes);
        done_ = true;
        return true;
    }

    bool abandon(std::string& error) override {
        if (done_) return true;
        done_ = true;
        file_.reset();
        if (!inPlace_) {
            if (!temporary_.empty()) DeleteFileA(temporary_.c_str());
            return true;
        }
        // No old file: remove the part written. Else put the old one back.
        if (temporary_.empty()) {
            DeleteFileA(target_.c_str());
            return true;
        }
        if (!CopyFileA(temporary_.c_str(), target_.c_str(), FALSE)) {
            error = notPutBackError(temporary_, lastErrorText());
            return false;
        }
        DeleteFileA(temporary_.c_str());
        return true;
    }

private:
    UniqueFile file_;
    std::string target_;
    std::string temporary_;
    bool inPlace_ = false;
    bool done_ = false;
};

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return ".";
    if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

// A copy of `path` in the system's temporary folder: its name, or empty with
// `error` set.
std::string copyToTemporaryFolder(const std::string& path, std::string& error) {
    char folder[MAX_PATH + 1] = "";
    const DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length > MAX_PATH) {
        error = noCopyInPlaceError("", lastErrorText());
        return {};
    }
    char copy[MAX_PATH + 1] = "";
    if (!GetTempFileNameA(folder, "vrn", 0, copy)) {
        error = noCopyInPlaceError(folder, lastErrorText());
        return {};
    }
    if (!CopyFileA(path.c_str(), copy, FALSE)) {
        error = noCopyInPlaceError(folder, lastErrorText());
        DeleteFileA(copy);
        return {};
    }
    return copy;
}

class Win32FileSystem final : public FileSystem {
public:
    explicit Win32FileSystem(const FileSystemOptions& options) : options_(options) {}

    std::unique_ptr<InputFile> openRead(const std::string& path, std::string& error) override {
        // Other programs that only read the file do not stop it being read.
        UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file) {
            error = lastErrorText();
            return nullptr;
        }
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.get(), &size)) {
            error = lastErrorText();
            return nullptr;
        }
        return std::make_unique<Win32InputFile>(std::move(file), static_cast<uint64_t>(size.QuadPart));
    }

    std::unique_ptr<OutputFile> openReplace(const std::string& path, std::string& error) override {
        // The target must be writable at all before a temporary file is made
        // for it: a read-only or locked target fails here with its reason.
        const DWORD attributes = GetFileAttributesA(path.c_str());
        const DWORD lookError = GetLastError();
        // Only a target known to be absent is written in place without a copy.
        const bool missing = attributes == INVALID_FILE_ATTRIBUTES &&
                             (lookError == ERROR_FILE_NOT_FOUND || lookError == ERROR_PATH_NOT_FOUND);
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            UniqueFile probe(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            if (!probe) {
                error = lastErrorText();
                return nullptr;
            }
        }
        char temporary[MAX_PATH + 1] = "";
        if (options_.temporaryFileBesideTarget && GetTempFileNameA(folderOf(path).c_str(), "vrn", 0, temporary)) {
            UniqueFile file(CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                        nullptr));
            if (file) return std::make_unique<Win32OutputFile>(std::move(file), path, temporary, false);
            DeleteFileA(temporary);
        }
        // No temporary file can be made beside the target: write it in place,
        // with its old content copied to the temporary folder first.
        std::string copy;
        if (!missing) {
            copy = copyToTemporaryFolder(path, error);
            if (copy.empty()) return nullptr;
        }
        UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        if (!file) {
            error = lastErrorText();
            if (!copy.empty()) DeleteFileA(copy.c_str());
            return nullptr;
        }
        return std::make_unique<Win32OutputFile>(std::move(file), path, copy, true);
    }

private:
    FileSystemOptions options_;
};

FileSystem* g_standIn = nullptr;

}  // namespace

FileSystem& win32FileSystem() {
    static Win32FileSystem fileSystem{FileSystemOptions{}};
    return g_standIn ? *g_standIn : fileSystem;
}

std::unique_ptr<FileSystem> makeWin32FileSystem(const FileSystemOptions& options) {
    return std::make_unique<Win32FileSystem>(options);
}

void setFileSystemStandIn(FileSystem* standIn) { g_standIn = standIn; }

}  // namespace varnel
