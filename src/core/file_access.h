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
    // Destroying an output that was neither committed nor abandoned abandons
    // it, saying nothing.
    virtual ~OutputFile() = default;
    virtual bool write(const char* data, size_t length, std::string& error) = 0;
    // Flushes, closes and puts the written file in place of the target.
    virtual bool commit(std::string& error) = 0;
    // Gives the output up after a failed write or commit: the target keeps
    // its old content, or, when it was being written in place, gets it back
    // from the copy made before, and no file of the output's own is left.
    // False when the old content could not be put back: the copy is kept and
    // `error` says why and where it is.
    virtual bool abandon(std::string& error) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Opens an existing file for reading; other programs may go on reading
    // it meanwhile, but not write it. Null on failure.
    virtual std::unique_ptr<InputFile> openRead(const std::string& path, std::string& error) = 0;
    // Starts writing `path`: to a temporary file beside it that replaces the
    // target at commit, or, where no temporary file can be made there, to the
    // target itself. An existing target is then first copied to the system's
    // temporary folder, so that a failed write can put it back; when no copy
    // can be made the write is refused. Null on failure.
    virtual std::unique_ptr<OutputFile> openReplace(const std::string& path, std::string& error) = 0;
};

// How a file system places files of its own. The program uses the defaults;
// tests change them to reach what a real system does only now and then.
struct FileSystemOptions {
    // false: no temporary file is made beside a target, as in a folder that
    // takes no new file (which does not stop an administrator), so every
    // target is written in place.
    bool temporaryFileBesideTarget = true;
};

// The standard C++ implementation (cstdio, and std::filesystem to rename and copy).
FileSystem& standardFileSystem();
std::unique_ptr<FileSystem> makeStandardFileSystem(const FileSystemOptions& options);

// The reason given when a target cannot be written in place for want of a
// copy of its old content, and the note added when a copy could not be put
// back. Both file systems word them alike.
std::string noCopyInPlaceError(const std::string& folder, const std::string& reason);
std::string notPutBackError(const std::string& copy, const std::string& reason);

}  // namespace varnel
