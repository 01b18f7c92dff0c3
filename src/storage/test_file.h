#pragma once
// Writer and reader of test files. The reader works by position, as the tester does.

#include <string>
#include <vector>

#include "model/test_document.h"

namespace kvx::storage {

/// Serialises the document into the bytes of a test file (CP866, CR LF).
std::string writeTestFileBytes(const model::TestDocument& doc);

struct SaveResult {
    bool ok = false;
    std::string error;  ///< Russian message naming the path (and why, when known) when the file could not be written
    /// After a save that had to store some characters otherwise (see storableText): what was
    /// stored in their place and in which texts, to be shown to the user; empty otherwise.
    std::string notice;
};

/// A text of the document that a test file holds otherwise, because the file's code page
/// cannot carry some of its characters.
struct StoredOtherwise {
    enum class Field { TestName, WordName, PinName, Formula, DataFileName, DescriptionFile };
    Field field;
    int index = 0;  ///< word index, pin number, or the row of a formula
    int test = 0;   ///< the test of a formula
    std::string text, stored;
};
/// Every text the writer stores otherwise, in file order.
std::vector<StoredOtherwise> textsStoredOtherwise(const model::TestDocument& doc);
/// The message that names the characters stored otherwise and the texts that held them;
/// empty when there are none.
std::string storedOtherwiseNotice(const std::vector<StoredOtherwise>& changes);

/// Writes the document to `path` through a temporary file beside it that replaces the
/// target only when everything was written (see replaceFile: a file the user may not write
/// is refused, some are written in place). On success sets `fileName` = path, `saved`
/// = true and the title "KVX - " + path; on failure leaves the document and the old
/// file untouched. The texts the file holds otherwise take their stored form in the document
/// too (through its operations, so that undo takes the change back), and `notice` says so.
SaveResult saveTestFile(model::TestDocument& doc, const std::string& path);

enum class LoadStatus {
    Loaded,          ///< the whole load ran (messages may have been shown)
    PackageRejected, ///< "Ошибка Загрузки №001": the document is the cleared 8-pin test
    Unreadable,      ///< the file could not be opened or exceeds the reader's caps
};

struct LoadResult {
    LoadStatus status = LoadStatus::Loaded;
    std::vector<std::string> messages;  ///< message boxes the load shows, in order
    /// For Unreadable: a one-line reason; also in `messages` as the shown text.
    std::string reason;
};

/// Reader caps: the writer never produces more, and a larger file is refused with a message.
inline constexpr std::size_t kMaxFileBytes = 512u * 1024u * 1024u;
inline constexpr std::size_t kMaxLines = 200'000;
inline constexpr std::size_t kMaxLineLength = 4u * 1024u * 1024u;

/// Replaces the document with the test stored in `bytes` (steps after the file was opened:
/// package, pins, tests, algorithms, trailer, then the NC/VCC/GND rows, function rows and view).
/// `path` becomes `fileName` and the title. Test parameters are reset first.
LoadResult loadTestFileBytes(model::TestDocument& doc, const std::string& bytes, const std::string& path);

/// Reads the file at `path` and loads it; a file that cannot be read leaves the document
/// as it was and returns Unreadable with a Russian message.
LoadResult loadTestFile(model::TestDocument& doc, const std::string& path);

}  // namespace kvx::storage
