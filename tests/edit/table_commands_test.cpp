#include "edit/table_commands.h"

#include <gtest/gtest.h>

#include "edit/fake_table_window.h"
#include "edit/new_table.h"

namespace varnel {
namespace {

using Calls = std::vector<std::string>;

std::vector<std::string> cellsOf(const TableDocument& t, int32_t field) {
    std::vector<std::string> out;
    for (int32_t r = 1; r <= t.rowCount(); ++r) out.emplace_back(t.cell(r, field));
    return out;
}

ImportOptions allFields(size_t fields) {
    ImportOptions o;
    o.importField.assign(fields, true);
    return o;
}

// A session showing the table "name,town" with three rows from pets.csv.
TableSession petsSession(FakeTableWindow& w) {
    TableSession s;
    w.disk.files["pets.csv"] = "name,town\r\nRex,Oslo\r\nTom,Rome\r\nFelix,Lyon\r\n";
    w.plainFiles.insert("pets.csv");
    w.filesToLoad.push_back("pets.csv");
    w.importPresses.push_back(allFields(2));
    loadCommand(s, w);
    w.calls.clear();
    return s;
}

TEST(LoadCommand, CancelledOpenDialogKeepsTheTableButForgetsTheName) {
    FakeTableWindow w;
    TableSession s = petsSession(w);
    loadCommand(s, w);
    EXPECT_EQ(w.calls, Calls{"open dialog"});
    EXPECT_EQ(s.table.currentFileName, "");
    EXPECT_EQ(s.table.rowCount(), 3);
}

TEST(LoadCommand, ImportsWithTheDialogsOptionsAndStaysOpenOnRefusals) {
    FakeTableWindow w;
    TableSession s;
    w.disk.files["pets.txt"] = "name|town\r\nRex|Oslo\r\nTom|Rome\r\n";
    w.plainFiles.insert("pets.txt");
    w.filesToLoad.push_back("pets.txt");
    ImportOptions none = allFields(2);
    none.importField = {false, false};
    ImportOptions townOnly = allFields(2);
    townOnly.importField = {false, true};
    w.importPresses = {none, townOnly};
    loadCommand(s, w);
    EXPECT_EQ(w.calls, (Calls{"open dialog", "import dialog: name|town (2 fields)", "import Load",
                              "box Error stop: You must specify at least one field to include!", "import Load",
                              "show new table"}));
    EXPECT_EQ(w.lastImport.kind, FileKind::Psv);  // decided from the first line
    EXPECT_EQ(s.table.fieldNames(), std::vector<std::string>{"town"});
    EXPECT_EQ(cellsOf(s.table, 1), (std::vector<std::string>{"Oslo", "Rome"}));
    EXPECT_EQ(s.selection.size(), 2);
    EXPECT_EQ(w.working, 0);
}

TEST(LoadCommand, ReadFailuresKeepTheOldTable) {
    FakeTableWindow w;
    TableSession s = petsSession(w);
    // The first line cannot be read: no import dialog.
    w.plainFiles.insert("locked.csv");
    w.disk.unreadable["locked.csv"] = "locked.csv: Access denied";
    w.filesToLoad.push_back("locked.csv");
    loadCommand(s, w);
    EXPECT_EQ(w.calls,
              (Calls{"open dialog", "box Error stop: The file \"locked.csv\" could not be read:\n\nlocked.csv: Access denied"}));
    // The import's read fails: the dialog stays, and Cancel keeps the old table.
    w.calls.clear();
    w.plainFiles.insert("bad.csv");
    w.disk.files["bad.csv"] = "a,b\r\n1,2\r\n";
    w.filesToLoad.push_back("bad.csv");
    // The file goes bad while the import dialog is up.
    w.whileModal = [&w] {
        if (w.calls.back().starts_with("import dialog")) w.disk.failingReads["bad.csv"] = "bad.csv: I/O error";
    };
    w.importPresses.push_back(allFields(2));
    loadCommand(s, w);
    EXPECT_EQ(w.calls, (Calls{"open dialog", "import dialog: a,b (2 fields)", "import Load",
                              "box Error stop: The file \"bad.csv\" could not be read:\n\nbad.csv: I/O error",
                              "import Cancel"}));
    EXPECT_EQ(s.table.fieldNames(), (std::vector<std::string>{"name", "town"}));
    EXPECT_EQ(s.table.rowCount(), 3);
    EXPECT_EQ(s.table.currentFileName, "bad.csv");
}

TEST(LoadCommand, AMissingNameOffersANewFile) {
    FakeTableWindow w;
    TableSession s = petsSession(w);
    w.filesToLoad = {"new.csv", "new.csv"};
    w.answers = {BoxAnswer::No, BoxAnswer::Yes};
    w.createPresses = {{"", "  "}, {" id ", "", "note"}};
    loadCommand(s, w);
    EXPECT_EQ(s.table.rowCount(), 3);
    loadCommand(s, w);
    const std::string question = "box New File question: Would you like to create and define a new file called \"new.csv\"?";
    EXPECT_EQ(w.calls,
              (Calls{"open dialog", question, "open dialog", question, "new-file dialog: 3 boxes", "Create Now",
                     "box Error stop: " + std::string(kNoFieldNamesMessage), "Create Now", "show new table"}));
    EXPECT_EQ(s.table.fieldNames(), (std::vector<std::string>{"id", "note"}));
    EXPECT_EQ(cellsOf(s.table, 1), std::vector<std::string>{"New Item"});
    EXPECT_EQ(s.table.currentFileName, "new.csv");
    EXPECT_EQ(s.selection.size(), 1);
}

TEST(SaveCommand, AllRowsOrTheSelectedOnesAfterTheQuestion) {
    FakeTableWindow w;
    TableSession s = petsSession(w);
    s.selection.set(2, true);
    s.selection.set(0, true);
    w.answers = {BoxAnswer::Yes};
    w.filesToSave.push_back("two.psv");
    saveCommand(s, w);
    EXPECT_EQ(w.calls, (Calls{"box Warning question: Would you like to save only the 2 selected entries?",
                              "save dialog: pets.csv", "box Done information: File has been saved."}));
    EXPECT_EQ(w.disk.files["two.psv"], "name|town\r\nRex|Oslo\r\nFelix|Lyon\r\n");

    // No: every row. One row selected: no question.
    w.calls.clear();
    w.answers = {BoxAnswer::No};
    w.filesToSave = {"all.csv"};
    saveCommand(s, w);
    EXPECT_EQ(w.disk.files["all.csv"], "\"name\",\"town\"\r\n\"Rex\",\"Oslo\"\r\n\"Tom\",\"Rome\"\r\n\"Felix\",\"Lyon\"\r\n");
    s.selection.set(0, false);
    w.calls.clear();
    saveCommand(s, w);  // the save dialog is cancelled
    EXPECT_EQ(w.calls, Calls{"save dialog: pets.csv"});
}

TEST(SaveCommand, AFailedWriteSaysWhyAndAnEmptyTableIsNotSaved) {
    FakeTableWindow w;
    TableSession s = petsSession(w);
    w.disk.unwritable["held.csv"] = "held.csv: Sharing violation";
    w.filesToSave = {"held.csv"};
    saveCommand(s, w);
    EXPECT_EQ(w.calls, (Calls{"save dialog: pets.csv",
                              "box Error stop: The file \"held.csv\" could not be saved:\n\nheld.csv: Sharing violation"}));
    TableSession empty;
    w.calls.clear();
    saveCommand(empty, w);
    EXPECT_TRUE(w.calls.empty());
}

TEST(RowCommands, InsertDeleteSortAndEditOnTheSelection) {
    FakeTableWindow w;
    TableSession s = petsSession(w);
    insertRowCommand(s, w);  // nothing selected: nothing happens
    EXPECT_TRUE(w.calls.empty());

    s.selection.set(1, true);
    s.selection.set(2, true);
    insertRowCommand(s, w);
    EXPECT_EQ(cellsOf(s.table, 1), (std::vector<std::string>{"Rex", "New Item", "Tom", "Felix"}));
    EXPECT_EQ(s.selection.items(), (std::vector<int32_t>{2, 3}));

    w.editAnswers = {std::vector<FieldEdit>{{2, "Bergen"}}, std::nullopt};
    editRowCommand(s, w);  // the first selected row: Tom
    EXPECT_EQ(w.lastEdit.row, 3);
    EXPECT_EQ(w.lastEdit.cells, (std::vector<std::string_view>{"Tom", "Rome"}));
    EXPECT_EQ(w.lastEdit.names, (std::vector<std::string_view>{"name", "town"}));
    editRowCommand(s, w);  // cancelled: nothing written
    EXPECT_EQ(cellsOf(s.table, 2), (std::vector<std::string>{"Oslo", "", "Bergen", "Lyon"}));

    sortCommand(s, w, 1);
    EXPECT_EQ(cellsOf(s.table, 1), (std::vector<std::string>{"Felix", "New Item", "Rex", "Tom"}));
    EXPECT_EQ(s.selection.count(), 0);

    s.selection.set(0, true);
    s.selection.set(3, true);
    deleteRowsCommand(s, w);
    EXPECT_EQ(cellsOf(s.table, 1), (std::vector<std::string>{"New Item", "Rex"}));
    EXPECT_EQ(s.selection.size(), 2);
    EXPECT_EQ(s.selection.count(), 0);
    EXPECT_EQ(w.calls, (Calls{"show inserted 1", "edit dialog: row 3", "show changed 2", "edit dialog: row 3",
                              "show rows", "show rows", "visible 0"}));
    EXPECT_EQ(w.working, 0);
}

// While a command waits in a box, the user may click elsewhere in the
// window: no other command starts meanwhile.
TEST(RowCommands, NoCommandStartsWhileAnotherWaits) {
    FakeTableWindow w;
    TableSession s = petsSession(w);
    s.selection.set(0, true);
    s.selection.set(1, true);
    w.answers = {BoxAnswer::No};
    w.whileModal = [&] {
        w.whileModal = nullptr;
        deleteRowsCommand(s, w);
        insertRowCommand(s, w);
        loadCommand(s, w);
        sortCommand(s, w, 1);
    };
    saveCommand(s, w);
    EXPECT_EQ(w.calls, (Calls{"box Warning question: Would you like to save only the 2 selected entries?",
                              "save dialog: pets.csv"}));
    EXPECT_EQ(s.table.rowCount(), 3);
    EXPECT_FALSE(s.commandRunning);
}

// The list's columns: each at least its name's width plus 20, sharing the
// width by the cells' average lengths, or for a table defined by names, by
// the names' widths (the fake measures 6 pixels a byte).
TEST(MeasureColumns, ByTheCellsOrForANewTableByTheNames) {
    FakeTableWindow w;
    TableSession s = petsSession(w);
    EXPECT_EQ(s.columns.minWidth, (std::vector<double>{20 + 24, 20 + 24}));
    EXPECT_EQ(s.columns.weight, s.table.columnWeight);
    EXPECT_EQ(s.columns.totalWeight, s.table.totalColumnWeight);

    w.filesToLoad.push_back("new.csv");
    w.answers = {BoxAnswer::Yes};
    w.createPresses.push_back({"a", "name"});
    loadCommand(s, w);
    EXPECT_EQ(s.columns.minWidth, (std::vector<double>{26, 44}));
    EXPECT_EQ(s.columns.weight, (std::vector<double>{46, 64}));
    EXPECT_EQ(s.columns.totalWeight, 110);
}

// A search waits in its boxes and in the replace dialog: no other search,
// and no other command, starts meanwhile; once it has ended they work again.
TEST(SearchCommand, NoOtherCommandStartsWhileASearchWaits) {
    FakeTableWindow w;
    TableSession s = petsSession(w);
    int refusedAt = 0;
    w.whileModal = [&] {
        ++refusedAt;
        const size_t calls = w.calls.size();
        searchCommand(s, w, {"rex", kAllFieldsItem});
        sortCommand(s, w, 1);
        deleteRowsCommand(s, w);
        EXPECT_EQ(w.calls.size(), calls);
        EXPECT_TRUE(s.commandRunning);
    };
    searchCommand(s, w, {"bird", kAllFieldsItem});
    EXPECT_EQ(refusedAt, 1);
    EXPECT_EQ(w.calls.back(), "box Error stop: Nothing matching your search was found");
    EXPECT_EQ(s.search.searchQuery, "bird");
    EXPECT_EQ(s.table.rowCount(), 3);

    // Search+Replace: the dialog and each confirmation.
    s.search.replaceMode = true;
    w.calls.clear();
    w.replaceAnswers = {{ReplaceDialogResult::Ending::Go, "Rexa", true}};
    w.answers = {BoxAnswer::Yes};
    refusedAt = 0;
    searchCommand(s, w, {"rex", "name"});
    EXPECT_EQ(refusedAt, 2);
    EXPECT_EQ(cellsOf(s.table, 1), (std::vector<std::string>{"Rexa", "Tom", "Felix"}));
    EXPECT_FALSE(s.commandRunning);

    w.whileModal = nullptr;
    s.search.replaceMode = false;
    w.calls.clear();
    searchCommand(s, w, {"tom", kAllFieldsItem});
    EXPECT_EQ(w.calls, (Calls{"deselect 0", "select 1", "visible 1", "deselect 2", "repaint"}));
}

}  // namespace
}  // namespace varnel
