#pragma once
// Rich text of a test comment as a list of paragraphs of formatted runs, and its Rich Text
// Format codec. The writer declares code page 1251 and writes a font table, a colour table,
// paragraphs and bold / italic / underline / size / colour, with every character outside
// ASCII as an escape (\'hh in code page 1251, \uN? otherwise). The reader takes RTF from
// other word processors: groups, control words, \'hh in the declared code page (or the
// font's character set), \uN with its fallback, \bin data, and it skips destinations that
// carry no text (font and colour tables once read, style sheets, pictures, \*\... groups).
// Anything that does not start like RTF is read as plain text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvx::params {

struct CharFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 0;                  ///< font size in half points; 0: the reader's default
    std::optional<std::uint32_t> colour; ///< 0xRRGGBB; none: the automatic text colour
    std::string font;                    ///< family name; empty: the default font
    bool operator==(const CharFormat&) const = default;
};

/// A piece of text in one format. '\n' is a line break inside the paragraph, '\t' a tab.
struct TextRun {
    std::string text;  ///< UTF-8
    CharFormat format;
    bool operator==(const TextRun&) const = default;
};

enum class Alignment { Left, Centre, Right, Justified };

struct Paragraph {
    std::vector<TextRun> runs;
    Alignment alignment = Alignment::Left;
    bool operator==(const Paragraph&) const = default;
};

/// A document: at least one paragraph once read.
struct RichText {
    std::vector<Paragraph> paragraphs;
    bool operator==(const RichText&) const = default;
    /// True when no paragraph holds any text.
    bool empty() const;
};

/// The same text with empty runs dropped and neighbouring runs of one format joined.
RichText normalized(RichText text);

/// True when the bytes start like an RTF document ("{\rtf", after blanks or a UTF-8 mark).
bool looksLikeRtf(std::string_view bytes);
/// RTF bytes of a document (ASCII only); broken UTF-8 in the runs is written as U+FFFD.
std::string writeRtf(const RichText& text);
/// Reads RTF; never fails: what cannot be understood is skipped. The result is normalized.
RichText readRtf(std::string_view bytes);
/// Plain text: UTF-8 (with or without its mark), UTF-16 with its mark, else Windows-1251;
/// one paragraph per line. Characters that UTF-8 or UTF-16 cannot carry (surrogate halves,
/// overlong forms, stray bytes) are read as U+FFFD, as the RTF reader and the writer do.
RichText readPlainText(std::string_view bytes);
/// RTF when the bytes look like RTF, else plain text.
RichText readRichText(std::string_view bytes);

}  // namespace kvx::params
