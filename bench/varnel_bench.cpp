// varnel-bench OP FILE OUT NEEDLE: the core's operations from the command
// line, for benchmarks and outside checks.
//
//   parse      import FILE and print "ROWS FIELDS"
//   write      import FILE and write it to OUT
//   sort_num   import, sort by field 2, write to OUT
//   sort_text  import, sort by field 4, write to OUT
//   sort_name  import and sort by field 5 (the stress run's column click)
//   search     import and print the number of rows the query NEEDLE selects
//              over all fields
//
// FILE's kind comes from its name and first line, the names from its first
// line, and every field is imported; OUT's delimiter comes from its name.
// Standard output carries only the results above; standard error carries the
// time of each step and the peak memory. A read or write failure prints the
// reason on standard error and exits with 1.
#if defined(_WIN32)
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "core/delimited_read.h"
#include "core/delimited_write.h"
#include "core/file_access.h"
#include "core/row_sort.h"
#include "core/table_document.h"
#include "search/row_search.h"

namespace {

using varnel::TableDocument;

// The search step: the number of rows the query `needle` selects over all
// fields.
std::optional<int64_t> searchStep(const TableDocument& table, const std::string& needle) {
    return varnel::countMatchingRows(table, needle);
}

#if defined(_WIN32)
double cpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}
#else
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
#endif

// Wall time of each step, and the processor time it took (which other
// programs on a busy machine disturb less).
class Stopwatch {
public:
    void step(const char* name) {
        const auto now = std::chrono::steady_clock::now();
        const double cpu = cpuSeconds();
        std::fprintf(stderr, "varnel-bench: step %s %.4f s (cpu %.4f s)\n", name,
                     std::chrono::duration<double>(now - last_).count(), cpu - lastCpu_);
        last_ = now;
        lastCpu_ = cpu;
    }

private:
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
    double lastCpu_ = cpuSeconds();
};

#if defined(_WIN32)
PROCESS_MEMORY_COUNTERS memoryCounters() {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    return memory;
}
uint64_t residentBytes() { return memoryCounters().WorkingSetSize; }
uint64_t peakResidentBytes() { return memoryCounters().PeakWorkingSetSize; }
#else
uint64_t residentBytes() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<uint64_t>(resident) * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

uint64_t peakResidentBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<uint64_t>(usage.ru_maxrss) * 1024;
}
#endif

int fail(const std::string& reason) {
    std::fprintf(stderr, "varnel-bench: %s\n", reason.c_str());
    return 1;
}

int usage() {
    std::fprintf(stderr, "usage: varnel-bench parse|write|sort_num|sort_text|sort_name|search FILE OUT NEEDLE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) return usage();
    const std::string op = argv[1];
    const std::string file = argv[2];
    const std::string out = argv[3];
    const std::string needle = argv[4];
    const bool writes = op == "write" || op == "sort_num" || op == "sort_text";
    if (!writes && op != "parse" && op != "search" && op != "sort_name") return usage();

    varnel::FileSystem& fs = varnel::standardFileSystem();
    const uint64_t residentAtStart = residentBytes();
    Stopwatch clock;

    TableDocument table;
    table.currentFileName = file;
    if (varnel::ReadResult r = varnel::readFirstLine(fs, file, table.firstLine); !r.ok) return fail(r.error);
    varnel::decideFileKind(table);
    varnel::ImportOptions options;
    options.importField.assign(static_cast<size_t>(table.firstLineFieldCount), true);
    std::unique_ptr<char[]> bytes;
    size_t size = 0;
    if (varnel::ReadResult r = varnel::readWholeFile(fs, file, bytes, size); !r.ok) return fail(r.error);
    clock.step("read");
    if (varnel::ReadResult r = varnel::importBuffer(table, options, std::move(bytes), size); !r.ok)
        return fail(r.error);
    clock.step("split");

    const uint64_t cells = static_cast<uint64_t>(table.rowCount()) * static_cast<uint64_t>(table.fieldCount());
    const double grown = static_cast<double>(residentBytes() - residentAtStart);
    std::fprintf(stderr, "varnel-bench: table %.1f MB resident for %.1f MB of file, %llu rows, %llu cells",
                 grown / 1e6, static_cast<double>(size) / 1e6, static_cast<unsigned long long>(table.rowCount()),
                 static_cast<unsigned long long>(cells));
    if (cells) std::fprintf(stderr, ", %.2f bytes per cell beside the file", (grown - static_cast<double>(size)) / cells);
    std::fprintf(stderr, "\n");

    if (op == "parse") {
        std::printf("%d %d\n", table.rowCount(), table.fieldCount());
    } else if (op == "sort_name") {
        varnel::sortRowsByColumn(table, 5);
        clock.step("sort");
    } else if (op == "search") {
        const std::optional<int64_t> matched = searchStep(table, needle);
        if (!matched) return fail("search is not available in this build");
        clock.step("search");
        std::printf("%lld\n", static_cast<long long>(*matched));
    } else {
        if (op == "sort_num" || op == "sort_text") {
            varnel::sortRowsByColumn(table, op == "sort_num" ? 2 : 4);
            clock.step("sort");
        }
        const varnel::WriteResult w =
            varnel::writeTable(table, out, varnel::delimiterForName(out), nullptr, fs);
        if (!w.ok) return fail(w.error);
        clock.step("write");
    }
    std::fprintf(stderr, "varnel-bench: peak RSS %.1f MB\n", static_cast<double>(peakResidentBytes()) / 1e6);
    std::fflush(stdout);
    return 0;
}
