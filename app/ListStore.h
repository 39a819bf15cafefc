#pragma once
// The conversion list kept on disk: one JSON file in the user's data folder,
// replaced as a whole and atomically on every write, read back at start.
//
// The file carries a version number. Fields may be added to rows without a
// new version: a reader ignores the fields it does not know and gives the
// ones it misses their defaults. Only a change an older program would
// misread raises the version, and a program refuses a file newer than itself.
#include "app/ListRow.h"
#include "app/RowRecord.h"

#include <stdexcept>
#include <string>
#include <vector>

inline constexpr const char* kListFileName = "conversion-list.json";
inline constexpr int kListFileVersion = 1;

// One row as it is kept: what the list shows and the records behind it.
// Not kept: the caption (the row's place), the time cell and the slot state.
struct KeptRow {
    ListRow Row;
    RowRecord Record;
};

enum class ListReadOutcome {
    NoFile,  // nothing kept yet: an empty list
    Read,  // Rows holds the list
    SetAside,  // damaged or newer: renamed to SetAsidePath, the list starts empty
    Unreadable,  // neither read nor moved (an error of the system): leave the file alone
};

struct ListReadResult {
    ListReadOutcome Outcome = ListReadOutcome::NoFile;
    std::vector<KeptRow> Rows;
    bool Newer = false;  // set aside because a newer program wrote it
    std::string SetAsidePath;  // where the file went
    std::string Problem;  // what was wrong, for the log and the message
};

class ListStore {
public:
    // `folder`: the data folder, with a trailing "/"; created on the first write.
    explicit ListStore(std::string folder);

    const std::string& FilePath() const { return path_; }

    // Reads the kept list. A file that cannot be understood is renamed beside
    // itself ("<name>.damaged-<time>", "<name>.newer-<time>"), never removed.
    ListReadResult Read() const;
    // Replaces the file by `rows`: a temporary file in the same folder, synced,
    // renamed over the old one, then the folder synced. On any failure the old
    // file stays as it was and the result says why; empty means written.
    std::string Write(const std::vector<KeptRow>& rows) const;

private:
    void RemoveLeftovers() const;

    std::string folder_;
    std::string path_;
};

// The text of a kept list (for Write) and the rows of one (for Read); the
// second throws ListFormatError for a damaged text and ListVersionError for
// a newer version.
std::string ListToJson(const std::vector<KeptRow>& rows);
std::vector<KeptRow> ListFromJson(const std::string& text);

struct ListFormatError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct ListVersionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
