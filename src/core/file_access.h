// Opening, reading, writing and replacing files goes through this small
// interface, so that the reader and writer work on bytes and every failure
// carries the system's reason. The standard C++ implementation serves native
// builds, the bench driver and the tests; the Windows program has its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace varnel {

class InputFile {
public:
    virtual ~InputFile() = default;
    // Size in bytes at opening.
    virtual uint64_t size() const = 0;
    // Reads up to `capacity` bytes; `got` is 0 at the end of the file.
    // Returns false with `error` set when the read fails.
    virtual bool read(char* dest, size_t capacity, size_t& got, std::string& error) = 0;
};

class OutputFile {
public:
    // Destroying an output that was not committed discards it: the target
    // keeps its old content and no temporary file is left behind.
    virtual ~OutputFile() = default;
    virtual bool write(const char* data, size_t length, std::string& error) = 0;
    // Flushes, closes and puts the written file in place of the target.
    virtual bool commit(std::string& error) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Opens an existing file for reading without sharing it. Null on failure.
    virtual std::unique_ptr<InputFile> openRead(const std::string& path, std::string& error) = 0;
    // Starts writing `path`: to a temporary file beside it that replaces the
    // target at commit, or, where no temporary file can be made there, to the
    // target itself. Null on failure.
    virtual std::unique_ptr<OutputFile> openReplace(const std::string& path, std::string& error) = 0;
};

// The standard C++ implementation (std::fstream/cstdio and rename).
FileSystem& standardFileSystem();

}  // namespace varnel
