#include "params/comment_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "model/text.h"
#include "storage/file_path.h"
#include "storage/file_replace.h"
#include "storage/same_file.h"

namespace kvx::params {

namespace {

namespace text = model::text;

/// Comment files larger than this are not comments; they are refused rather than read.
constexpr std::uintmax_t kMaxCommentBytes = 64u * 1024u * 1024u;

std::filesystem::path fsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace

std::string commentFilePath(const std::string& testFile) {
    const auto slash = testFile.find_last_of("/\\");
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string_view name = std::string_view(testFile).substr(nameStart);
    const auto dot = name.find('.');
    if (dot != std::string_view::npos && text::length(name.substr(dot + 1)) >= 3) {
        const std::size_t keep = text::length(name) - 3;
        return testFile.substr(0, nameStart) + std::string(text::left(name, keep)) + "txt";
    }
    return testFile + "txt";
}

std::string commentFileClash(const std::string& commentFile, const std::string& testFile) {
    const bool same = storage::sameFile(commentFile, testFile);  // links, other names, "..", case
    if (!same) return {};
    return "Файл комментария совпадает с файлом теста:\n" + commentFile +
           "\nКомментарий не читается из него и не записывается в него, чтобы не испортить тест. "
           "Чтобы вести комментарий, сохраните тест под именем с расширением kvx.";
}

std::string replaceUnreadCommentQuestion(const std::string& commentFile) {
    return "Файл комментария не удалось прочитать:\n" + commentFile +
           "\nЗаменить его набранным комментарием? Прежнее содержимое файла будет потеряно.";
}

bool pathExists(const std::string& utf8Path) {
    std::error_code ec;
    return !utf8Path.empty() && std::filesystem::exists(fsPath(utf8Path), ec);
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string descriptionDocumentPath(const std::string& typed, const std::string& testFile) {
    if (typed.empty() || fsPath(typed).is_absolute() || typed.front() == '/' || typed.front() == '\\') return typed;
    const std::string folder = folderOf(testFile);
    return folder.empty() ? typed : folder + typed;
}

CommentRead readCommentFile(const std::string& path) {
    CommentRead out;
    std::error_code ec;
    const auto p = fsPath(path);
    if (!std::filesystem::exists(p, ec)) return out;
    out.exists = true;
    const auto size = std::filesystem::file_size(p, ec);
    if (!ec && size > kMaxCommentBytes) {
        out.error = "Файл комментария слишком велик: " + path;
        return out;
    }
    const std::string failure = "Не удалось прочитать файл комментария " + path;
    if (!std::filesystem::is_regular_file(p, ec)) {
        out.error = failure;
        return out;
    }
    std::string bytes;
    try {
        std::ifstream in(p, std::ios::binary);
        if (!in) {
            out.error = failure;
            return out;
        }
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) {
            out.error = failure;
            return out;
        }
    } catch (const std::exception&) {
        // The stream library reports some read errors (a folder, an I/O error) by throwing.
        out.error = failure;
        return out;
    }
    out.text = readRichText(bytes);
    return out;
}

std::string writeCommentFile(const std::string& path, const RichText& text) {
    const storage::ReplaceResult written = storage::replaceFile(path, writeRtf(text));
    if (written) return {};
    return storage::withReason("Не удалось записать файл комментария " + path, written) +
           ".\nКомментарий не сохранён; старый файл не изменён.";
}

std::string limitEdit(std::string_view before, std::string_view after, std::size_t limit) {
    if (text::length(after) <= limit) return std::string(after);
    // The common start and end of both texts, on character boundaries of `after`.
    std::size_t prefix = 0;
    for (std::size_t i = 0; i < after.size() && i < before.size(); i += text::charBytes(after, i)) {
        const std::size_t n = text::charBytes(after, i);
        if (after.substr(i, n) != before.substr(i, n)) break;
        prefix = i + n;
    }
    std::size_t same = 0;  // bytes equal at the end, not reaching into the prefix
    while (same < after.size() - prefix && same < before.size() - std::min(prefix, before.size()) &&
           after[after.size() - 1 - same] == before[before.size() - 1 - same])
        ++same;
    std::size_t suffixStart = prefix;
    while (suffixStart < after.size() - same) suffixStart += text::charBytes(after, suffixStart);
    const std::string_view head = after.substr(0, prefix);
    const std::string_view inserted = after.substr(prefix, suffixStart - prefix);
    const std::string_view tail = after.substr(suffixStart);
    const std::size_t kept = text::length(head) + text::length(tail);
    const std::size_t room = limit > kept ? limit - kept : 0;
    std::string result = std::string(head) + std::string(text::left(inserted, room)) + std::string(tail);
    if (text::length(result) > limit && text::length(result) >= text::length(before)) return std::string(before);
    return result;
}

}  // namespace kvx::params
