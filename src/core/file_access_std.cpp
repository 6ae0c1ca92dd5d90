// The standard C++ file access: cstdio for the bytes, std::filesystem for
// the final rename. It has no notion of sharing: a file is simply opened.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/file_access.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

std::string systemError(const std::string& path, int code) {
    return path + ": " + std::generic_category().message(code);
}

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

class StdInputFile final : public InputFile {
public:
    StdInputFile(FilePtr file, uint64_t size, std::string path)
        : file_(std::move(file)), size_(size), path_(std::move(path)) {}
    uint64_t size() const override { return size_; }
    bool read(char* dest, size_t capacity, size_t& got, std::string& error) override {
        errno = 0;
        got = std::fread(dest, 1, capacity, file_.get());
        if (got < capacity && std::ferror(file_.get())) {
            error = systemError(path_, errno ? errno : EIO);
            return false;
        }
        return true;
    }

private:
    FilePtr file_;
    uint64_t size_ = 0;
    std::string path_;
};

class StdOutputFile final : public OutputFile {
public:
    // `temp` is empty when the target itself is being written.
    StdOutputFile(FilePtr file, std::string target, std::string temp)
        : file_(std::move(file)), target_(std::move(target)), temp_(std::move(temp)) {}
    ~StdOutputFile() override {
        if (committed_) return;
        file_.reset();
        if (!temp_.empty()) {
            std::error_code ec;
            fs::remove(temp_, ec);
        }
    }
    bool write(const char* data, size_t length, std::string& error) override {
        errno = 0;
        if (std::fwrite(data, 1, length, file_.get()) != length) {
            error = systemError(target_, errno ? errno : EIO);
            return false;
        }
        return true;
    }
    bool commit(std::string& error) override {
        errno = 0;
        if (std::fflush(file_.get()) != 0) {
            error = systemError(target_, errno ? errno : EIO);
            return false;
        }
        std::FILE* f = file_.release();
        if (std::fclose(f) != 0) {
            error = systemError(target_, errno ? errno : EIO);
            return false;
        }
        if (!temp_.empty()) {
            std::error_code ec;
            // The new file keeps the permissions of the one it replaces.
            const fs::file_status old = fs::status(target_, ec);
            if (!ec && fs::exists(old)) fs::permissions(temp_, old.permissions(), ec);
            fs::rename(temp_, target_, ec);
            if (ec) {
                error = target_ + ": " + ec.message();
                return false;
            }
        }
        committed_ = true;
        return true;
    }

private:
    FilePtr file_;
    std::string target_;
    std::string temp_;
    bool committed_ = false;
};

class StdFileSystem final : public FileSystem {
public:
    std::unique_ptr<InputFile> openRead(const std::string& path, std::string& error) override {
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            error = systemError(path, EISDIR);
            return nullptr;
        }
        errno = 0;
        FilePtr file(std::fopen(path.c_str(), "rb"));
        if (!file) {
            error = systemError(path, errno ? errno : ENOENT);
            return nullptr;
        }
        const uintmax_t size = fs::file_size(path, ec);
        if (ec) {
            error = path + ": " + ec.message();
            return nullptr;
        }
        return std::make_unique<StdInputFile>(std::move(file), static_cast<uint64_t>(size), path);
    }

    std::unique_ptr<OutputFile> openReplace(const std::string& path, std::string& error) override {
        // Through a link, the file it names is the one replaced.
        std::error_code ec;
        std::string target = path;
        if (fs::is_symlink(fs::symlink_status(path, ec))) {
            const fs::path real = fs::weakly_canonical(path, ec);
            if (!ec) target = real.string();
        }
        // Only a regular file (or a new one) is replaced by renaming; a
        // device or a pipe is written as it is.
        const fs::file_status status = fs::status(target, ec);
        const bool replaceable = ec || !fs::exists(status) || fs::is_regular_file(status);
        if (replaceable) {
            // A temporary file beside the target, so that the rename stays on
            // one volume and the old file survives until the new one is
            // complete.
            for (int attempt = 0; attempt < 100; ++attempt) {
                const std::string temp = target + ".~" + std::to_string(attempt) + ".tmp";
                if (fs::symlink_status(temp, ec).type() != fs::file_type::not_found) continue;
                FilePtr file(std::fopen(temp.c_str(), "wb"));
                if (file) return std::make_unique<StdOutputFile>(std::move(file), target, temp);
                break;  // the folder takes no new file: write the target itself
            }
        }
        errno = 0;
        FilePtr file(std::fopen(target.c_str(), "wb"));
        if (!file) {
            error = systemError(path, errno ? errno : EACCES);
            return nullptr;
        }
        return std::make_unique<StdOutputFile>(std::move(file), target, std::string());
    }
};

}  // namespace

FileSystem& standardFileSystem() {
    static StdFileSystem instance;
    return instance;
}

}  // namespace varnel
