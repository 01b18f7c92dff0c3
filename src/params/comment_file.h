#pragma once
// The comment of a test lives beside the test file, in a file named after it with "txt",
// as Rich Text Format. These functions name that file, read it and replace it.

#include <optional>
#include <string>
#include <string_view>

#include "params/rtf.h"

namespace kvx::params {

inline constexpr std::size_t kTestNameLength = 60;
inline constexpr const char* kNoFileYet = "Сначала необходимо создать/сохранить файл.";

/// The comment file of a test file: in the file name (not in the folders above it), the last
/// three characters become "txt" when the name holds a "." followed by at least three
/// characters; otherwise "txt" is appended. Both "/" and "\" separate folders.
std::string commentFilePath(const std::string& testFile);

/// The outcome of reading a comment file.
struct CommentRead {
    bool exists = false;     ///< false: there is no comment file (the comment is empty)
    std::string error;       ///< a Russian message when the file exists but could not be read
    RichText text;
};
/// Reads the comment file (RTF, or plain text for anything else).
CommentRead readCommentFile(const std::string& path);
/// Replaces the comment file with the RTF of `text`, through a temporary file beside it (a
/// symbolic link keeps pointing to its replaced target). Empty on success, else a Russian
/// message; the old file is then untouched.
std::string writeCommentFile(const std::string& path, const RichText& text);

/// The message for a test whose comment file is the test file itself (a test named *.txt,
/// or a comment file that is a link or another name of the test file); empty when they are
/// two files. Such a comment file is never read or written.
std::string commentFileClash(const std::string& commentFile, const std::string& testFile);
/// The question asked before a comment file that could not be read is replaced.
std::string replaceUnreadCommentQuestion(const std::string& commentFile);

/// True when a file or folder exists at the UTF-8 path.
bool pathExists(const std::string& utf8Path);
/// The folder part of a path ("" when it has none).
std::string folderOf(const std::string& path);
/// Where the description document of a test is: its path as typed, a relative one taken
/// from the folder of the test file.
std::string descriptionDocumentPath(const std::string& typed, const std::string& testFile);

/// The text a one-line field holds after an edit that turned `before` into `after`, with at
/// most `limit` characters: what the edit inserted is cut so that the whole fits, and a text
/// that was already longer is only ever shortened by the edit.
std::string limitEdit(std::string_view before, std::string_view after, std::size_t limit);

}  // namespace kvx::params
