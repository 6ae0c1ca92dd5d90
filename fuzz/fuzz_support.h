// Shared pieces of the fuzz targets: a byte reader that turns fuzz input into
// choices, and an in-memory file system for the reader and writer.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "core/file_access.h"

namespace varnel::fuzz {

class ByteSource {
public:
    ByteSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    bool flag() { return byte() & 1; }
    // A text of up to `max` bytes, its length taken from the input.
    std::string text(size_t max) {
        size_t n = byte() % (max + 1);
        n = std::min(n, size_ - pos_);
        std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return s;
    }
    std::string rest() {
        std::string s(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
        pos_ = size_;
        return s;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

#define FUZZ_CHECK(cond)                                                        \
    do {                                                                        \
        if (!(cond)) {                                                          \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                       \
        }                                                                       \
    } while (0)

class MemoryFileSystem : public FileSystem {
public:
    std::map<std::string, std::string> files;

    std::unique_ptr<InputFile> openRead(const std::string& path, std::string& error) override {
        auto it = files.find(path);
        if (it == files.end()) {
            error = "The system cannot find the file specified.";
            return nullptr;
        }
        return std::make_unique<Input>(it->second);
    }
    std::unique_ptr<OutputFile> openReplace(const std::string& path, std::string&) override {
        return std::make_unique<Output>(files, path);
    }

private:
    struct Input : InputFile {
        explicit Input(std::string_view d) : data(d) {}
        uint64_t size() const override { return data.size(); }
        bool read(char* dest, size_t capacity, size_t& got, std::string&) override {
            got = std::min(capacity, data.size() - pos);
            std::memcpy(dest, data.data() + pos, got);
            pos += got;
            return true;
        }
        std::string_view data;
        size_t pos = 0;
    };
    struct Output : OutputFile {
        Output(std::map<std::string, std::string>& f, std::string p) : files(f), path(std::move(p)) {}
        bool write(const char* data, size_t length, std::string&) override {
            buffer.append(data, length);
            return true;
        }
        bool commit(std::string&) override {
            files[path] = std::move(buffer);
            return true;
        }
        bool abandon(std::string&) override { return true; }
        std::map<std::string, std::string>& files;
        std::string path;
        std::string buffer;
    };
};

}  // namespace varnel::fuzz
