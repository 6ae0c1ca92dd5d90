// The standard C++ file access: cstdio for the bytes, std::filesystem for
// the final rename and for the copy kept while a file is written in place.
// It has no notion of sharing: a file is simply opened.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

// How an output reaches its target.
enum class Placement {
    Beside,   // a temporary file beside the target, renamed over it at commit
    InPlace,  // the target itself, with a copy of its old content to put back
    Created,  // a target that was not there: removed if the write fails
    AsItIs,   // a device or a pipe: written, nothing to replace or put back
};

class StdOutputFile final : public OutputFile {
public:
    // `temp` is the temporary file (Beside) or the copy of the old target
    // (InPlace); empty otherwise.
    StdOutputFile(FilePtr file, Placement placement, std::string target, std::string temp)
        : file_(std::move(file)), placement_(placement), target_(std::move(target)), temp_(std::move(temp)) {}
    ~StdOutputFile() override {
        std::string ignored;
        abandon(ignored);
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
        std::error_code ec;
        if (placement_ == Placement::Beside) {
            // The new file keeps the permissions of the one it replaces.
            const fs::file_status old = fs::status(target_, ec);
            if (!ec && fs::exists(old)) fs::permissions(temp_, old.permissions(), ec);
            fs::rename(temp_, target_, ec);
            if (ec) {
                error = target_ + ": " + ec.message();
                return false;
            }
        } else if (placement_ == Placement::InPlace && !temp_.empty()) {
            fs::remove(temp_, ec);
        }
        done_ = true;
        return true;
    }
    bool abandon(std::string& error) override {
        if (done_) return true;
        done_ = true;
        file_.reset();
        std::error_code ec;
        switch (placement_) {
        case Placement::Beside: fs::remove(temp_, ec); return true;
        case Placement::Created: fs::remove(target_, ec); return true;
        case Placement::AsItIs: return true;
        case Placement::InPlace: break;
        }
        fs::copy_file(temp_, target_, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            error = notPutBackError(temp_, target_ + ": " + ec.message());
            return false;
        }
        fs::remove(temp_, ec);
        return true;
    }

private:
    FilePtr file_;
    Placement placement_;
    std::string target_;
    std::string temp_;
    bool done_ = false;
};

// A copy of `target` in the system's temporary folder: its name, or empty
// with `error` set.
std::string copyToTemporaryFolder(const std::string& target, std::string& error) {
    std::error_code ec;
    const fs::path folder = fs::temp_directory_path(ec);
    if (ec) {
        // The folder is not given back when it is unusable: name the setting
        // it came from, in the order the library reads them.
        std::string named = "/tmp";
        for (const char* variable : {"TMPDIR", "TMP", "TEMP", "TEMPDIR"}) {
            if (const char* value = std::getenv(variable)) {
                named = value;
                break;
            }
        }
        error = noCopyInPlaceError(named, ec.message());
        return {};
    }
    const std::string name = fs::path(target).filename().string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path copy = folder / (name + ".~" + std::to_string(attempt) + ".old");
        // Without overwrite_existing the copy is made only under a new name.
        if (fs::copy_file(target, copy, fs::copy_options::none, ec)) return copy.string();
        if (ec == std::errc::file_exists) continue;
        error = noCopyInPlaceError(folder.string(), ec.message());
        fs::remove(copy, ec);
        return {};
    }
    error = noCopyInPlaceError(folder.string(), "every name for the copy is taken");
    return {};
}

class StdFileSystem final : public FileSystem {
public:
    explicit StdFileSystem(const FileSystemOptions& options) : options_(options) {}

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
        const bool missing = status.type() == fs::file_type::not_found;
        const bool replaceable = missing || ec || fs::is_regular_file(status);
        if (replaceable && options_.temporaryFileBesideTarget) {
            // A temporary file beside the target, so that the rename stays on
            // one volume and the old file survives until the new one is
            // complete.
            for (int attempt = 0; attempt < 100; ++attempt) {
                const std::string temp = target + ".~" + std::to_string(attempt) + ".tmp";
                if (fs::symlink_status(temp, ec).type() != fs::file_type::not_found) continue;
                FilePtr file(std::fopen(temp.c_str(), "wb"));
                if (file) return std::make_unique<StdOutputFile>(std::move(file), Placement::Beside, target, temp);
                break;  // the folder takes no new file: write the target itself
            }
        }
        // In place: the old content goes to the temporary folder first (a
        // target that could not be looked at counts as there).
        std::string copy;
        if (replaceable && !missing) {
            copy = copyToTemporaryFolder(target, error);
            if (copy.empty()) return nullptr;
        }
        errno = 0;
        FilePtr file(std::fopen(target.c_str(), "wb"));
        if (!file) {
            error = systemError(path, errno ? errno : EACCES);
            if (!copy.empty()) fs::remove(copy, ec);
            return nullptr;
        }
        const Placement placement = !replaceable ? Placement::AsItIs : missing ? Placement::Created : Placement::InPlace;
        return std::make_unique<StdOutputFile>(std::move(file), placement, target, copy);
    }

private:
    FileSystemOptions options_;
};

}  // namespace

FileSystem& standardFileSystem() {
    static StdFileSystem instance{FileSystemOptions{}};
    return instance;
}

std::unique_ptr<FileSystem> makeStandardFileSystem(const FileSystemOptions& options) {
    return std::make_unique<StdFileSystem>(options);
}

}  // namespace varnel
