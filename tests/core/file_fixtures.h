// Test doubles for the file-access interface: an in-memory file system with
// failures on demand, and a wrapper whose output fails after some bytes.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/file_access.h"

namespace varnel::testing {

// Files are byte strings by name. A name in `unreadable` fails to open; a
// name in `failingReads` opens but its first read fails.
class MemoryFileSystem : public FileSystem {
public:
    std::map<std::string, std::string> files;
    std::map<std::string, std::string> unreadable;  // name -> system text
    std::map<std::string, std::string> failingReads;
    size_t chunkLimit = static_cast<size_t>(-1);  // largest single read
    int opens = 0;

    std::unique_ptr<InputFile> openRead(const std::string& path, std::string& error) override {
        ++opens;
        if (auto u = unreadable.find(path); u != unreadable.end()) {
            error = u->second;
            return nullptr;
        }
        auto f = files.find(path);
        if (f == files.end()) {
            error = path + ": No such file or directory";
            return nullptr;
        }
        auto fail = failingReads.find(path);
        return std::make_unique<Input>(f->second, fail == failingReads.end() ? std::string() : fail->second,
                                       chunkLimit);
    }

    // Written files take their place in `files` at commit; a name in
    // `unwritable` fails to open with that text.
    std::map<std::string, std::string> unwritable;
    std::unique_ptr<OutputFile> openReplace(const std::string& path, std::string& error) override {
        if (auto u = unwritable.find(path); u != unwritable.end()) {
            error = u->second;
            return nullptr;
        }
        return std::make_unique<Output>(files, path);
    }

private:
    class Output : public OutputFile {
    public:
        Output(std::map<std::string, std::string>& files, std::string path) : files_(files), path_(std::move(path)) {}
        bool write(const char* data, size_t length, std::string&) override {
            bytes_.append(data, length);
            return true;
        }
        bool commit(std::string&) override {
            files_[path_] = std::move(bytes_);
            return true;
        }
        bool abandon(std::string&) override { return true; }

    private:
        std::map<std::string, std::string>& files_;
        std::string path_;
        std::string bytes_;
    };

    class Input : public InputFile {
    public:
        Input(std::string bytes, std::string failure, size_t chunk)
            : bytes_(std::move(bytes)), failure_(std::move(failure)), chunk_(chunk) {}
        uint64_t size() const override { return bytes_.size(); }
        bool read(char* dest, size_t capacity, size_t& got, std::string& error) override {
            if (!failure_.empty()) {
                error = failure_;
                return false;
            }
            got = std::min({capacity, bytes_.size() - pos_, chunk_});
            bytes_.copy(dest, got, pos_);
            pos_ += got;
            return true;
        }

    private:
        std::string bytes_;
        std::string failure_;
        size_t chunk_;
        size_t pos_ = 0;
    };
};

// Passes everything to another file system, but every output file fails
// once more than `failAfter` bytes have been written to it. `onFailure`, when
// set, runs at the failing write (to spoil what comes after it).
class FailingOutputFileSystem : public FileSystem {
public:
    FailingOutputFileSystem(FileSystem& inner, uint64_t failAfter) : inner_(inner), failAfter_(failAfter) {}
    std::function<void()> onFailure;

    std::unique_ptr<InputFile> openRead(const std::string& path, std::string& error) override {
        return inner_.openRead(path, error);
    }
    std::unique_ptr<OutputFile> openReplace(const std::string& path, std::string& error) override {
        std::unique_ptr<OutputFile> out = inner_.openReplace(path, error);
        if (!out) return nullptr;
        return std::make_unique<Output>(std::move(out), failAfter_, onFailure);
    }

private:
    class Output : public OutputFile {
    public:
        Output(std::unique_ptr<OutputFile> inner, uint64_t failAfter, std::function<void()> onFailure)
            : inner_(std::move(inner)), left_(failAfter), onFailure_(std::move(onFailure)) {}
        bool write(const char* data, size_t length, std::string& error) override {
            if (length > left_) {
                inner_->write(data, static_cast<size_t>(left_), error);
                left_ = 0;
                if (onFailure_) onFailure_();
                error = "No space left on device";
                return false;
            }
            left_ -= length;
            return inner_->write(data, length, error);
        }
        bool commit(std::string& error) override { return inner_->commit(error); }
        bool abandon(std::string& error) override { return inner_->abandon(error); }

    private:
        std::unique_ptr<OutputFile> inner_;
        uint64_t left_;
        std::function<void()> onFailure_;
    };

    FileSystem& inner_;
    uint64_t failAfter_;
};

}  // namespace varnel::testing
