#include "core/delimited_write.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <fstream>
#include <sstream>

#include "core/delimited_read.h"
#include "core/file_fixtures.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "varnel-write-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(path_)) out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TableDocument idNameTable() {
    TableDocument t;
    t.replaceTable({"id", "name"}, {1, 2});
    t.appendRow({"7", "Ann"});
    return t;
}

std::string written(const TableDocument& t, const std::string& name, const std::vector<int32_t>* rows = nullptr) {
    TempFolder dir;
    const std::string path = dir.file(name);
    const WriteResult r = writeTable(t, path, delimiterForName(name), rows, standardFileSystem());
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(dir.names(), std::vector<std::string>{name}) << "only the target is left";
    return readBytes(path);
}

TEST(WriteTable, BytesOfEachKind) {
    const TableDocument t = idNameTable();
    EXPECT_EQ(written(t, "out.csv"), "\"id\",\"name\"\r\n\"7\",\"Ann\"\r\n");
    EXPECT_EQ(written(t, "out.TXT"), "\"id\",\"name\"\r\n\"7\",\"Ann\"\r\n");
    // PSV and TSV readers keep quotes as text, so these kinds are written bare.
    EXPECT_EQ(written(t, "out.psv"), "id|name\r\n7|Ann\r\n");
    EXPECT_EQ(written(t, "out.Tsv"), "id\tname\r\n7\tAnn\r\n");
}

TEST(WriteTable, CsvDoublesQuotesAndQuotesEmptyCells) {
    TableDocument t;
    t.replaceTable({"a", "b", "c"}, {1, 2, 3});
    t.appendRow({"", "x,y\r\nz", "say \"hi\""});
    EXPECT_EQ(written(t, "q.csv"), "\"a\",\"b\",\"c\"\r\n\"\",\"x,y\r\nz\",\"say \"\"hi\"\"\"\r\n");
    EXPECT_EQ(written(t, "q.psv"), "a|b|c\r\n|x,y\r\nz|say \"hi\"\r\n");
}

TEST(WriteTable, GivenRowsInTheGivenOrder) {
    TableDocument t;
    t.replaceTable({"n"}, {1});
    for (const char* v : {"r1", "r2", "r3", "r4"}) t.appendRow({v});
    const std::vector<int32_t> rows = {4, 2};
    EXPECT_EQ(written(t, "s.tsv", &rows), "n\r\nr4\r\nr2\r\n");
    const std::vector<int32_t> none;
    EXPECT_EQ(written(t, "s.tsv", &none), "n\r\n");
}

TEST(WriteTable, BigTableCrossesTheBufferIntact) {
    TableDocument t;
    t.replaceTable({"k", "v"}, {1, 2});
    const std::string big(3 << 20, 'b');
    std::string expected = "\"k\",\"v\"\r\n";
    for (int i = 0; i < 20000; ++i) {
        const std::string k = std::to_string(i);
        t.appendRow({k, "x\"y"});
        expected += "\"" + k + "\",\"x\"\"y\"\r\n";
    }
    t.appendRow({big, ""});
    expected += "\"" + big + "\",\"\"\r\n";
    EXPECT_TRUE(written(t, "big.csv") == expected);
}

// Cells are copied many bytes per step, a short cell as two overlapping
// words and a long one in 16-byte blocks with its tail copied again; a quote
// anywhere in a cell must still come out doubled in CSV and single in PSV.
TEST(WriteTable, CellsOfEveryLengthWithAQuoteAnywhere) {
    TableDocument t;
    t.replaceTable({"cell", "next"}, {1, 2});
    std::string csv = "\"cell\",\"next\"\r\n", psv = "cell|next\r\n";
    for (size_t length = 0; length <= 40; ++length) {
        for (size_t quoteAt = 0; quoteAt <= length; ++quoteAt) {  // quoteAt == length: no quote
            std::string cell;
            for (size_t i = 0; i < length; ++i) cell += i == quoteAt ? '"' : static_cast<char>('a' + i % 26);
            t.appendRow({cell, "z"});
            std::string doubled;
            for (char c : cell) doubled += c == '"' ? std::string(2, c) : std::string(1, c);
            csv += "\"" + doubled + "\",\"z\"\r\n";
            psv += cell + "|z\r\n";
        }
    }
    EXPECT_TRUE(written(t, "every.csv") == csv);
    EXPECT_TRUE(written(t, "every.psv") == psv);
}

// The room check for a field in the write buffer: twice the length plus
// four, without the sum wrapping (2 * size + 4 of a field just over half the
// size range wraps to a few bytes and would pass).
TEST(WriteTable, FieldRoomCheckDoesNotWrap) {
    constexpr size_t kMax = SIZE_MAX;
    const struct {
        size_t length;
        size_t room;
        bool fits;
    } cases[] = {
        {0, 4, true},          {0, 3, false},          {3, 10, true},          {4, 10, false},
        {4, 12, true},         {kMax / 2, 1 << 20, false}, {kMax / 2 + 1, 1 << 20, false},
        {kMax / 2 + 1, kMax, false}, {(kMax - 4) / 2, kMax, true}, {(kMax - 4) / 2 + 1, kMax, false},
        {kMax, kMax, false},
    };
    for (const auto& c : cases) EXPECT_EQ(fieldFits(c.length, c.room), c.fits) << c.length << " in " << c.room;
}

// Cells that are hard to write: quotes, both delimiters, LF, spaces at the
// ends, empty cells. None holds a CR or byte 26.
TableDocument awkwardTable(char avoid) {
    const std::vector<std::string> pool = {
        "plain", "", "  lead", "trail  ", " both ", "say \"hi\"", "\"", "\"\"", "\"q\"", "a,b", ",", "x|y",
        "tab\there", "line\nfeed", "\n", " ", "  \"  ", "&H10", "ends \"", "\"starts"};
    std::vector<std::string> usable;
    for (const std::string& s : pool)
        if (s.find(avoid) == std::string::npos) usable.push_back(s);
    TableDocument t;
    t.replaceTable({"first \"name\"", "", avoid == '|' ? " spaced ,\t name " : " spaced ,| name "}, {1, 2, 3});
    for (size_t i = 0; i < usable.size(); ++i)
        for (size_t j = 0; j < usable.size(); j += 3)
            t.appendRow({usable[i], usable[j], usable[(i + j) % usable.size()]});
    return t;
}

TEST(WriteTable, EachKindReadsBackIdentical) {
    for (const char* name : {"round.csv", "round.psv", "round.tsv"}) {
        SCOPED_TRACE(name);
        const char delimiter = delimiterForName(name);
        const TableDocument original = awkwardTable(delimiter == ',' ? '\r' : delimiter);
        TempFolder dir;
        const std::string path = dir.file(name);
        ASSERT_TRUE(writeTable(original, path, delimiter, nullptr, standardFileSystem()).ok);

        TableDocument back;
        back.currentFileName = path;
        ASSERT_TRUE(readFirstLine(standardFileSystem(), path, back.firstLine).ok);
        decideFileKind(back);
        ImportOptions o;
        o.importField.assign(static_cast<size_t>(back.firstLineFieldCount), true);
        const ReadResult r = importTable(back, o, standardFileSystem());
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(back.fieldNames(), original.fieldNames());
        ASSERT_EQ(back.rowCount(), original.rowCount());
        for (int32_t row = 1; row <= original.rowCount(); ++row)
            for (int32_t f = 1; f <= original.fieldCount(); ++f)
                ASSERT_EQ(back.cell(row, f), original.cell(row, f)) << "row " << row << " field " << f;
    }
}

TEST(WriteTable, FailedWriteKeepsTheOldFileAndLeavesNoTemporaryFile) {
    TempFolder dir;
    const std::string path = dir.file("keep.csv");
    const std::string old = "\"old\"\r\n\"content\"\r\n";
    writeBytes(path, old);
    TableDocument t;
    t.replaceTable({"n"}, {1});
    for (int i = 0; i < 100000; ++i) t.appendRow({"some longer cell text"});
    for (uint64_t failAfter : {uint64_t{0}, uint64_t{5}, uint64_t{1} << 20, uint64_t{(1 << 20) + 17}}) {
        testing::FailingOutputFileSystem failing(standardFileSystem(), failAfter);
        const WriteResult r = writeTable(t, path, ',', nullptr, failing);
        EXPECT_FALSE(r.ok) << failAfter;
        EXPECT_FALSE(r.error.empty());
        EXPECT_EQ(readBytes(path), old) << failAfter;
        EXPECT_EQ(dir.names(), std::vector<std::string>{"keep.csv"}) << failAfter;
    }
    ASSERT_TRUE(writeTable(t, path, ',', nullptr, standardFileSystem()).ok);
    EXPECT_NE(readBytes(path), old);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"keep.csv"});
}

// The system's temporary folder (TMPDIR) for one test.
class TemporaryFolderSetting {
public:
    explicit TemporaryFolderSetting(const std::string& folder) {
        if (const char* old = std::getenv("TMPDIR")) saved_ = old;
        setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TemporaryFolderSetting() {
        if (saved_)
            setenv("TMPDIR", saved_->c_str(), 1);
        else
            unsetenv("TMPDIR");
    }
    TemporaryFolderSetting(const TemporaryFolderSetting&) = delete;
    TemporaryFolderSetting& operator=(const TemporaryFolderSetting&) = delete;

private:
    std::optional<std::string> saved_;
};

ino_t inodeOf(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TableDocument manyRows() {
    TableDocument t;
    t.replaceTable({"n"}, {1});
    for (int i = 0; i < 100000; ++i) t.appendRow({"some longer cell text"});
    return t;
}

const std::string kOldContent = "\"old\"\r\n\"content\"\r\n";

// Where no temporary file can be made beside the target, the target itself
// is written, after a copy of it has been made in the temporary folder; a
// write that fails part-way puts the copy back and removes it.
TEST(WriteTable, InPlaceWriteThatFailsPutsTheOldFileBack) {
    TempFolder dir;
    TempFolder scratch;
    TemporaryFolderSetting tmp(scratch.path().string());
    const std::unique_ptr<FileSystem> inPlace = makeStandardFileSystem({.temporaryFileBesideTarget = false});
    const std::string path = dir.file("keep.csv");
    writeBytes(path, kOldContent);
    const ino_t inode = inodeOf(path);
    const TableDocument t = manyRows();
    for (uint64_t failAfter : {uint64_t{0}, uint64_t{5}, uint64_t{1} << 20, uint64_t{(1 << 20) + 17}}) {
        testing::FailingOutputFileSystem failing(*inPlace, failAfter);
        std::vector<std::string> copies;
        std::string copied, targetThen;
        failing.onFailure = [&] {
            copies = scratch.names();
            if (copies.size() == 1) copied = readBytes(scratch.file(copies[0]));
            targetThen = readBytes(path);
        };
        const WriteResult r = writeTable(t, path, ',', nullptr, failing);
        EXPECT_FALSE(r.ok) << failAfter;
        EXPECT_NE(r.error.find("No space left on device"), std::string::npos) << r.error;
        ASSERT_EQ(copies.size(), 1u) << "one copy while the target is written";
        EXPECT_EQ(copied, kOldContent);
        EXPECT_NE(targetThen, kOldContent) << "the target itself was being written";
        EXPECT_EQ(readBytes(path), kOldContent) << failAfter;
        EXPECT_EQ(dir.names(), std::vector<std::string>{"keep.csv"}) << failAfter;
        EXPECT_TRUE(scratch.names().empty()) << "the copy is removed once put back";
    }
    ASSERT_TRUE(writeTable(t, path, ',', nullptr, *inPlace).ok);
    EXPECT_EQ(inodeOf(path), inode) << "written in place, not replaced";
    EXPECT_EQ(readBytes(path).substr(0, 12), "\"n\"\r\n\"some l");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"keep.csv"});
    EXPECT_TRUE(scratch.names().empty()) << "no copy is left after a save";

    // A new file that fails part-way leaves nothing behind.
    testing::FailingOutputFileSystem failing(*inPlace, 5);
    EXPECT_FALSE(writeTable(t, dir.file("new.csv"), ',', nullptr, failing).ok);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"keep.csv"});
    EXPECT_TRUE(scratch.names().empty());
}

// No copy, no write: a target that could only be written in place is left
// untouched when the temporary folder takes no copy, and the error says why.
TEST(WriteTable, InPlaceWriteIsRefusedWhenNoCopyCanBeMade) {
    TempFolder dir;
    const std::unique_ptr<FileSystem> inPlace = makeStandardFileSystem({.temporaryFileBesideTarget = false});
    const std::string path = dir.file("keep.csv");
    writeBytes(path, kOldContent);
    writeBytes(dir.file("a file"), "x");
    for (const std::string& folder : {dir.file("no such folder"), dir.file("a file")}) {
        TemporaryFolderSetting tmp(folder);
        const WriteResult r = writeTable(manyRows(), path, ',', nullptr, *inPlace);
        EXPECT_FALSE(r.ok) << folder;
        EXPECT_NE(r.error.find("temporary folder \"" + folder + "\""), std::string::npos) << r.error;
        EXPECT_NE(r.error.find("left as it was"), std::string::npos) << r.error;
        EXPECT_EQ(readBytes(path), kOldContent) << folder;
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"a file", "keep.csv"})) << folder;
    }
}

// When the old content cannot be put back (here the target's name was
// taken by a folder during the write), the copy stays and the error names it.
TEST(WriteTable, InPlaceOldContentThatCannotBePutBackIsKeptAndNamed) {
    TempFolder dir;
    TempFolder scratch;
    TemporaryFolderSetting tmp(scratch.path().string());
    const std::unique_ptr<FileSystem> inPlace = makeStandardFileSystem({.temporaryFileBesideTarget = false});
    const std::string path = dir.file("keep.csv");
    writeBytes(path, kOldContent);
    testing::FailingOutputFileSystem failing(*inPlace, 100);
    failing.onFailure = [&] {
        fs::rename(path, dir.file("moved.csv"));
        fs::create_directory(path);
    };
    const WriteResult r = writeTable(manyRows(), path, ',', nullptr, failing);
    EXPECT_FALSE(r.ok);
    const std::vector<std::string> kept = scratch.names();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(readBytes(scratch.file(kept[0])), kOldContent);
    EXPECT_NE(r.error.find("No space left on device"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("could not be put back"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("\"" + scratch.file(kept[0]) + "\""), std::string::npos) << r.error;
}

TEST(WriteTable, MissingFolderIsAFailure) {
    TempFolder dir;
    const WriteResult r =
        writeTable(idNameTable(), dir.file("no/such/folder/x.csv"), ',', nullptr, standardFileSystem());
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("x.csv"), std::string::npos) << r.error;
}

TEST(WriteTable, ReadOnlyFolderIsWrittenInPlace) {
    if (geteuid() == 0) GTEST_SKIP() << "folder permissions do not bind root";
    TempFolder dir;
    const std::string path = dir.file("inplace.psv");
    writeBytes(path, "old\r\n");
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    const WriteResult r = writeTable(idNameTable(), path, '|', nullptr, standardFileSystem());
    fs::permissions(dir.path(), fs::perms::owner_all);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(readBytes(path), "id|name\r\n7|Ann\r\n");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"inplace.psv"});
}

TEST(WriteTable, ThroughALinkTheLinkedFileIsReplaced) {
    TempFolder dir;
    const std::string real = dir.file("real.tsv");
    writeBytes(real, "old\r\n");
    fs::create_symlink(real, dir.file("link.tsv"));
    ASSERT_TRUE(writeTable(idNameTable(), dir.file("link.tsv"), '\t', nullptr, standardFileSystem()).ok);
    EXPECT_TRUE(fs::is_symlink(dir.file("link.tsv")));
    EXPECT_EQ(readBytes(real), "id\tname\r\n7\tAnn\r\n");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"link.tsv", "real.tsv"}));
}

TEST(WriteTable, APipeIsWrittenNotReplaced) {
    TempFolder dir;
    const std::string pipe = dir.file("pipe.csv");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const WriteResult r = writeTable(idNameTable(), pipe, ',', nullptr, standardFileSystem());
    char got[64] = {};
    const ssize_t n = read(reader, got, sizeof got);
    close(reader);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_EQ(std::string(got, n > 0 ? static_cast<size_t>(n) : 0), "\"id\",\"name\"\r\n\"7\",\"Ann\"\r\n");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"pipe.csv"});
}

}  // namespace
}  // namespace varnel
