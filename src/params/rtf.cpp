#include "params/rtf.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>

#include "model/text.h"
#include "storage/codepage.h"

namespace kvx::params {

namespace {

namespace text = model::text;

// ---- code pages ------------------------------------------------------------------------------

/// Code points of bytes 0x80..0x9F in Windows-1252 (0 where the code page leaves a hole).
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t decodeByte(unsigned char b, int codePage) {
    if (b < 0x80) return b;
    if (codePage == 1251) {
        const std::string utf8 = storage::cp1251ToUtf8(std::string(1, static_cast<char>(b)));
        return text::codePointAt(utf8, 0);
    }
    if (codePage == 866) {
        const std::string cp1251 = storage::cp866ToCp1251(std::string(1, static_cast<char>(b)));
        return decodeByte(static_cast<unsigned char>(cp1251[0]), 1251);
    }
    if (b < 0xA0) {
        const char32_t c = kCp1252High[b - 0x80];
        return c ? c : b;
    }
    return b;  // Latin-1 half of Windows-1252, and the fallback for code pages not known here
}

/// Code page of an RTF character set number; 0 when it names none this reader decodes.
int charsetCodePage(int charset) {
    switch (charset) {
    case 0: return 1252;
    case 204: return 1251;
    case 255: return 866;
    default: return 0;
    }
}

/// The character at byte i of a UTF-8 text. A sequence that does not stand for a Unicode
/// scalar value (a stray or missing continuation byte, an overlong form, a surrogate half, a
/// value beyond U+10FFFF) is U+FFFD, over as many bytes as the text helper gives it, so that
/// every path of the codec turns broken text into the same characters.
char32_t scalarAt(std::string_view s, std::size_t i) {
    const std::size_t n = text::charBytes(s, i);
    const char32_t cp = text::codePointAt(s, i);
    if (n == 1) return cp < 0x80 ? cp : 0xFFFD;
    const char32_t smallest = n == 2 ? 0x80 : n == 3 ? 0x800 : 0x10000;
    if (cp < smallest || (cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF) return 0xFFFD;
    return cp;
}

/// The text with every broken sequence replaced by U+FFFD.
std::string wellFormed(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); i += text::charBytes(s, i)) text::appendCodePoint(out, scalarAt(s, i));
    return out;
}

// ---- writer ----------------------------------------------------------------------------------

/// Appends one code point of running text (or of a font name) as RTF.
void escape(std::string& out, char32_t cp) {
    if (cp == '\\' || cp == '{' || cp == '}') {
        out += '\\';
        out += static_cast<char>(cp);
    } else if (cp == '\t') {
        out += "\\tab ";
    } else if (cp == '\n') {
        out += "\\line ";
    } else if (cp < 0x20 || cp == 0x7F) {
        // Other control characters have no place in a comment.
    } else if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else {
        std::string utf8;
        text::appendCodePoint(utf8, cp);
        const std::string cp1251 = storage::utf8ToCp1251(utf8);
        if (cp1251.size() == 1 && cp1251[0] != '?') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\'%02x", static_cast<unsigned char>(cp1251[0]));
            out += hex;
            return;
        }
        // \uN takes a signed 16-bit number; characters beyond the first plane as two halves.
        auto unit = [&out](unsigned u) { out += "\\u" + std::to_string(static_cast<int>(static_cast<std::int16_t>(u))) + "?"; };
        if (cp > 0xFFFF && cp <= 0x10FFFF) {
            const unsigned v = static_cast<unsigned>(cp) - 0x10000;
            unit(0xD800 + (v >> 10));
            unit(0xDC00 + (v & 0x3FF));
        } else if (cp <= 0xFFFF) {
            unit(static_cast<unsigned>(cp));
        }
    }
}

void escapeText(std::string& out, std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size(); i += text::charBytes(utf8, i)) escape(out, scalarAt(utf8, i));
}

template <typename T>
int indexOf(std::vector<T>& list, const T& value) {
    const auto it = std::find(list.begin(), list.end(), value);
    if (it != list.end()) return static_cast<int>(it - list.begin());
    list.push_back(value);
    return static_cast<int>(list.size()) - 1;
}

// ---- reader ----------------------------------------------------------------------------------

enum class Destination { Text, Skip, FontTable, ColourTable };

struct ReaderState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 0;
    int colour = 0;  ///< colour table index; 0 is the automatic colour
    int font = -1;   ///< font number; -1 none chosen
    int skipAfterUnicode = 1;
    Alignment alignment = Alignment::Left;
    Destination destination = Destination::Text;
};

struct FontEntry {
    std::string name;
    int codePage = 0;
};

constexpr std::size_t kMaxDepth = 1000;
constexpr std::size_t kMaxParagraphs = 200'000;
constexpr int kMaxParameterDigits = 10;
constexpr int kMaxWordLetters = 32;

/// A font name as the font table can hold it: no ";" (it ends the name), no control
/// characters, no blanks around it.
std::string writableFontName(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); i += text::charBytes(name, i)) {
        const char32_t c = scalarAt(name, i);
        if (c != ';' && c >= 0x20 && c != 0x7F) text::appendCodePoint(out, c);
    }
    const auto first = out.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : out.substr(first, out.find_last_not_of(' ') - first + 1);
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

/// Destinations that carry no text of the comment.
bool skippedDestination(std::string_view w) {
    static constexpr std::array<std::string_view, 34> kSkipped = {
        "stylesheet", "info",      "pict",       "object",      "objdata",    "header",     "headerl",
        "headerr",    "headerf",   "footer",     "footerl",     "footerr",    "footerf",    "footnote",
        "fldinst",    "themedata", "colorschememapping", "latentstyles", "datastore", "xmlnstbl",
        "listtable",  "listoverridetable", "rsidtbl", "generator", "revtbl",   "filetbl",    "pgdsctbl",
        "mmathPr",    "nonshppict", "shpinst",   "xe",         "tc",         "bkmkstart",  "bkmkend"};
    return std::find(kSkipped.begin(), kSkipped.end(), w) != kSkipped.end();
}

class Reader {
public:
    explicit Reader(std::string_view in) : in_(in) { out_.paragraphs.emplace_back(); }

    RichText run() {
        while (pos_ < in_.size()) {
            const char c = in_[pos_++];
            switch (c) {
            case '{': openGroup(); break;
            case '}': closeGroup(); break;
            case '\\':
                if (inside()) {
                    control();
                } else {
                    ++pos_;  // outside the document's group nothing counts
                }
                break;
            case '\r':
            case '\n': break;
            default:
                if (inside()) byte(static_cast<unsigned char>(c));
                break;
            }
        }
        finishFontEntry();
        return normalized(std::move(out_));
    }

private:
    bool inside() const { return !stack_.empty() || overflow_ > 0; }

    void openGroup() {
        skip_ = 0;
        pendingIgnorable_ = false;
        if (stack_.size() >= kMaxDepth) {
            ++overflow_;
            return;
        }
        stack_.push_back(state_);
    }

    void closeGroup() {
        skip_ = 0;
        pendingIgnorable_ = false;
        if (overflow_ > 0) {
            --overflow_;
            return;
        }
        if (stack_.empty()) return;
        if (state_.destination == Destination::FontTable) finishFontEntry();
        state_ = stack_.back();
        stack_.pop_back();
        if (stack_.empty()) pos_ = in_.size();  // the document ends with its group
    }

    /// One "character" skipped after \uN; true when this token was swallowed.
    bool swallowed() {
        if (skip_ <= 0) return false;
        --skip_;
        return true;
    }

    void byte(unsigned char b) {
        if (swallowed()) return;
        if (b < 0x20 && b != '\t') return;
        switch (state_.destination) {
        case Destination::Text: emit(decodeByte(b, currentCodePage())); break;
        case Destination::FontTable:
            if (b == ';') {
                finishFontEntry();
            } else {
                fontChar(decodeByte(b, fontCodePage()));
            }
            break;
        case Destination::ColourTable:
            if (b == ';') finishColour();
            break;
        case Destination::Skip: break;
        }
    }

    void control() {
        if (pos_ >= in_.size()) return;
        const char c = in_[pos_];
        if (!isLetter(c)) {
            ++pos_;
            symbol(c);
            return;
        }
        const std::size_t start = pos_;
        while (pos_ < in_.size() && isLetter(in_[pos_]) && pos_ - start < kMaxWordLetters) ++pos_;
        const std::string_view word = in_.substr(start, pos_ - start);
        while (pos_ < in_.size() && isLetter(in_[pos_])) ++pos_;  // an overlong word is cut
        bool hasParameter = false;
        long long parameter = 0;
        bool negative = false;
        if (pos_ + 1 < in_.size() && in_[pos_] == '-' && isDigit(in_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        int digits = 0;
        while (pos_ < in_.size() && isDigit(in_[pos_])) {
            if (digits++ < kMaxParameterDigits) parameter = parameter * 10 + (in_[pos_] - '0');
            hasParameter = true;
            ++pos_;
        }
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
        parameter = std::clamp(negative ? -parameter : parameter, -2147483648LL, 2147483647LL);
        word_(word, hasParameter, static_cast<int>(parameter));
    }

    void symbol(char c) {
        if (c == '\'') {
            const int hi = pos_ < in_.size() ? hexValue(in_[pos_]) : -1;
            const int lo = pos_ + 1 < in_.size() ? hexValue(in_[pos_ + 1]) : -1;
            if (hi < 0 || lo < 0) {
                pos_ += hi < 0 ? 0 : 1;  // half an escape shows nothing
                return;
            }
            pos_ += 2;
            if (swallowed()) return;
            const auto b = static_cast<unsigned char>(hi * 16 + lo);
            if (state_.destination == Destination::FontTable) {
                fontChar(decodeByte(b, fontCodePage()));
            } else if (state_.destination == Destination::Text) {
                emit(decodeByte(b, currentCodePage()));
            }
            return;
        }
        if (c == '*') {
            pendingIgnorable_ = true;
            return;
        }
        if (swallowed()) return;
        switch (c) {
        case '\\':
        case '{':
        case '}': textChar(static_cast<unsigned char>(c)); break;
        case '~': textChar(0xA0); break;
        case '_': textChar(0x2011); break;
        case '\r':
        case '\n': paragraph(); break;  // a backslash before a line end is \par
        default: break;                 // \- optional hyphen, \| and others show nothing
        }
    }

    void textChar(char32_t cp) {
        if (state_.destination == Destination::Text) {
            emit(cp);
        } else if (state_.destination == Destination::FontTable) {
            fontChar(cp);
        }
    }

    void word_(std::string_view w, bool hasParam, int param) {
        const bool ignorable = pendingIgnorable_;
        pendingIgnorable_ = false;
        if (w == "bin") {
            // Binary data counts as one character after \uN and is never text.
            const std::size_t n = hasParam && param > 0 ? static_cast<std::size_t>(param) : 0;
            pos_ += std::min(n, in_.size() - pos_);
            swallowed();
            return;
        }
        if (state_.destination == Destination::Skip) return;
        if (w == "fonttbl") {
            state_.destination = Destination::FontTable;
            return;
        }
        if (w == "colortbl") {
            state_.destination = Destination::ColourTable;
            colour_ = {};
            return;
        }
        // Known destinations without text, and every \*\ destination (none of them is text
        // this reader shows; a panose number in a font entry is one of them).
        if (skippedDestination(w) || ignorable) {
            state_.destination = Destination::Skip;
            return;
        }
        if (state_.destination == Destination::FontTable) {
            fontWord(w, param);
            return;
        }
        if (state_.destination == Destination::ColourTable) {
            colourWord(w, param);
            return;
        }
        if (w == "u" && hasParam) {
            unicode(param);
            return;
        }
        if (swallowed()) return;
        formatWord(w, hasParam, param);
    }

    /// Character, paragraph and document words of running text; false for unknown words.
    bool formatWord(std::string_view w, bool hasParam, int param) {
        const bool on = !hasParam || param != 0;
        auto& s = state_;
        if (w == "par" || w == "sect" || w == "page" || w == "row") paragraph();
        else if (w == "line") emit('\n');
        else if (w == "tab" || w == "cell" || w == "nestcell") emit('\t');
        else if (w == "emdash") emit(0x2014);
        else if (w == "endash") emit(0x2013);
        else if (w == "bullet") emit(0x2022);
        else if (w == "lquote") emit(0x2018);
        else if (w == "rquote") emit(0x2019);
        else if (w == "ldblquote") emit(0x201C);
        else if (w == "rdblquote") emit(0x201D);
        else if (w == "emspace") emit(0x2003);
        else if (w == "enspace") emit(0x2002);
        else if (w == "b") s.bold = on;
        else if (w == "i") s.italic = on;
        else if (w == "ulnone") s.underline = false;
        else if (w == "ul") s.underline = on;
        else if (w.size() > 2 && w.substr(0, 2) == "ul" && w != "ulc") s.underline = on;
        else if (w == "fs") s.halfPoints = hasParam && param > 0 ? std::min(param, 3276) : 0;
        else if (w == "cf") s.colour = hasParam ? param : 0;
        else if (w == "f") s.font = hasParam ? param : -1;
        else if (w == "plain") {
            s.bold = s.italic = s.underline = false;
            s.halfPoints = 0;
            s.colour = 0;
            s.font = -1;
        } else if (w == "pard") setAlignment(Alignment::Left);
        else if (w == "ql") setAlignment(Alignment::Left);
        else if (w == "qc") setAlignment(Alignment::Centre);
        else if (w == "qr") setAlignment(Alignment::Right);
        else if (w == "qj") setAlignment(Alignment::Justified);
        else if (w == "uc") s.skipAfterUnicode = hasParam ? std::clamp(param, 0, 16) : 1;
        else if (w == "ansicpg") documentCodePage_ = hasParam ? param : 1252;
        else if (w == "ansi" || w == "mac" || w == "pc" || w == "pca") documentCodePage_ = w == "pc" ? 866 : 1252;
        else if (w == "deff") defaultFont_ = hasParam ? param : 0;
        else return false;
        return true;
    }

    void setAlignment(Alignment a) {
        state_.alignment = a;
        out_.paragraphs.back().alignment = a;
    }

    void fontWord(std::string_view w, int param) {
        if (w == "u") {
            const unsigned unit = static_cast<unsigned>(param < 0 ? param + 65536 : param) & 0xFFFF;
            fontChar(unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
            skip_ = state_.skipAfterUnicode;
        } else if (w == "f") {
            finishFontEntry();
            fontNumber_ = param;
        } else if (w == "fcharset") {
            fontCharset_ = param;
        }
    }

    int fontCodePage() const {
        const int cp = charsetCodePage(fontCharset_);
        return cp ? cp : knownCodePage(documentCodePage_);
    }

    void fontChar(char32_t c) {
        if (c >= 0x20 && fontName_.size() < 1024) text::appendCodePoint(fontName_, c);
    }

    void finishFontEntry() {
        if (fontNumber_ < 0) {
            fontName_.clear();
            return;
        }
        FontEntry entry;
        entry.codePage = charsetCodePage(fontCharset_);
        entry.name = writableFontName(fontName_);
        if (fonts_.size() < 4096 || fonts_.count(fontNumber_)) fonts_[fontNumber_] = entry;
        fontNumber_ = -1;
        fontCharset_ = -1;
        fontName_.clear();
    }

    void colourWord(std::string_view w, int param) {
        const int v = std::clamp(param, 0, 255);
        if (w == "red") colour_.red = v;
        else if (w == "green") colour_.green = v;
        else if (w == "blue") colour_.blue = v;
        else return;
        colour_.set = true;
    }

    void finishColour() {
        if (colours_.size() < 4096)
            colours_.push_back(colour_.set ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(
                                                 (colour_.red << 16) | (colour_.green << 8) | colour_.blue))
                                           : std::nullopt);
        colour_ = {};
    }

    void unicode(int param) {
        const unsigned unit = static_cast<unsigned>(param < 0 ? param + 65536 : param) & 0xFFFF;
        if (unit >= 0xD800 && unit < 0xDC00) {
            if (highSurrogate_) emit(0xFFFD);
            highSurrogate_ = unit;
        } else if (unit >= 0xDC00 && unit < 0xE000) {
            if (highSurrogate_) {
                emitText(0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00));
                highSurrogate_ = 0;
            } else {
                emitText(0xFFFD);
            }
        } else {
            emit(unit);
        }
        skip_ = state_.skipAfterUnicode;
    }

    static int knownCodePage(int cp) { return (cp == 1251 || cp == 1252 || cp == 866) ? cp : 1252; }

    int currentCodePage() const {
        const int font = state_.font >= 0 ? state_.font : defaultFont_;
        const auto it = fonts_.find(font);
        if (it != fonts_.end() && it->second.codePage) return it->second.codePage;
        return knownCodePage(documentCodePage_);
    }

    void paragraph() {
        if (state_.destination != Destination::Text) return;
        flushSurrogate();
        if (out_.paragraphs.size() >= kMaxParagraphs) {
            emitText('\n');  // a document of more paragraphs goes on in line breaks
            return;
        }
        Paragraph next;
        next.alignment = state_.alignment;
        out_.paragraphs.push_back(std::move(next));
    }

    void flushSurrogate() {
        if (highSurrogate_) {
            highSurrogate_ = 0;
            emitText(0xFFFD);
        }
    }

    void emit(char32_t cp) {
        if (state_.destination != Destination::Text) return;
        flushSurrogate();
        emitText(cp);
    }

    void emitText(char32_t cp) {
        if (state_.destination != Destination::Text) return;
        if ((cp < 0x20 && cp != '\t' && cp != '\n') || cp == 0x7F) return;  // no control characters
        CharFormat f;
        f.bold = state_.bold;
        f.italic = state_.italic;
        f.underline = state_.underline;
        f.halfPoints = state_.halfPoints;
        if (state_.colour > 0 && static_cast<std::size_t>(state_.colour) < colours_.size())
            f.colour = colours_[static_cast<std::size_t>(state_.colour)];
        if (state_.font >= 0) {
            const auto it = fonts_.find(state_.font);
            if (it != fonts_.end()) f.font = it->second.name;
        }
        Paragraph& p = out_.paragraphs.back();
        p.alignment = state_.alignment;
        if (p.runs.empty() || !(p.runs.back().format == f)) p.runs.push_back({{}, f});
        text::appendCodePoint(p.runs.back().text, cp);
    }

    struct Colour {
        int red = 0, green = 0, blue = 0;
        bool set = false;
    };

    std::string_view in_;
    std::size_t pos_ = 0;
    RichText out_;
    ReaderState state_;
    std::vector<ReaderState> stack_;
    std::size_t overflow_ = 0;  ///< groups opened beyond kMaxDepth, not given a state of their own
    int skip_ = 0;              ///< characters still to skip after \uN
    bool pendingIgnorable_ = false;
    unsigned highSurrogate_ = 0;
    int documentCodePage_ = 1252;
    int defaultFont_ = 0;
    std::map<int, FontEntry> fonts_;
    int fontNumber_ = -1;
    int fontCharset_ = -1;
    std::string fontName_;
    std::vector<std::optional<std::uint32_t>> colours_;
    Colour colour_;
};

/// True when the bytes are built like UTF-8: every byte above ASCII belongs to a sequence of
/// a lead byte and its continuation bytes (what such a sequence stands for is not checked).
bool shapedLikeUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = text::charBytes(s, i);
        if (n == 1 && static_cast<unsigned char>(s[i]) >= 0x80) return false;
        i += n;
    }
    return true;
}

}  // namespace

bool RichText::empty() const {
    for (const auto& p : paragraphs)
        for (const auto& r : p.runs)
            if (!r.text.empty()) return false;
    return true;
}

RichText normalized(RichText t) {
    for (auto& p : t.paragraphs) {
        std::vector<TextRun> runs;
        for (auto& r : p.runs) {
            if (r.text.empty()) continue;
            if (!runs.empty() && runs.back().format == r.format) {
                runs.back().text += r.text;
            } else {
                runs.push_back(std::move(r));
            }
        }
        p.runs = std::move(runs);
    }
    return t;
}

bool looksLikeRtf(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    const auto first = bytes.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && bytes.substr(first, 5) == "{\\rtf";
}

std::string writeRtf(const RichText& t) {
    std::vector<std::string> fonts = {"Arial"};
    std::vector<std::uint32_t> colours;
    std::string body;
    for (std::size_t pi = 0; pi < t.paragraphs.size(); ++pi) {
        const Paragraph& p = t.paragraphs[pi];
        body += "\\pard";
        switch (p.alignment) {
        case Alignment::Left: break;
        case Alignment::Centre: body += "\\qc"; break;
        case Alignment::Right: body += "\\qr"; break;
        case Alignment::Justified: body += "\\qj"; break;
        }
        for (const TextRun& r : p.runs) {
            if (r.text.empty()) continue;
            std::string words;
            const std::string font = writableFontName(r.format.font);
            if (!font.empty()) words += "\\f" + std::to_string(indexOf(fonts, font));
            if (r.format.halfPoints > 0) words += "\\fs" + std::to_string(r.format.halfPoints);
            if (r.format.bold) words += "\\b";
            if (r.format.italic) words += "\\i";
            if (r.format.underline) words += "\\ul";
            if (r.format.colour) words += "\\cf" + std::to_string(indexOf(colours, *r.format.colour & 0xFFFFFFu) + 1);
            std::string escaped;
            escapeText(escaped, r.text);
            if (escaped.empty()) continue;
            body += "{" + words + (words.empty() ? "" : " ") + escaped + "}";
        }
        if (pi + 1 < t.paragraphs.size()) body += "\\par\r\n";
    }
    std::string out = "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl";
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        out += "{\\f" + std::to_string(i) + "\\fnil\\fcharset204 ";
        escapeText(out, fonts[i]);
        out += ";}";
    }
    out += "}\r\n{\\colortbl ;";
    for (std::uint32_t c : colours)
        out += "\\red" + std::to_string((c >> 16) & 0xFF) + "\\green" + std::to_string((c >> 8) & 0xFF) + "\\blue" +
               std::to_string(c & 0xFF) + ";";
    out += "}\r\n\\viewkind4\\uc1\r\n" + body + "\r\n}\r\n";
    return out;
}

RichText readRtf(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    return Reader(bytes).run();
}

RichText readPlainText(std::string_view bytes) {
    std::string utf8;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        utf8 = wellFormed(bytes.substr(3));
    } else if (bytes.size() >= 2 && (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")) {
        const bool little = bytes[0] == '\xFF';
        unsigned pendingHigh = 0;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const unsigned a = static_cast<unsigned char>(bytes[i]);
            const unsigned b = static_cast<unsigned char>(bytes[i + 1]);
            const unsigned u = little ? (a | (b << 8)) : ((a << 8) | b);
            if (u >= 0xD800 && u < 0xDC00) {
                if (pendingHigh) text::appendCodePoint(utf8, 0xFFFD);
                pendingHigh = u;
            } else if (u >= 0xDC00 && u < 0xE000) {
                text::appendCodePoint(utf8, pendingHigh ? 0x10000 + ((pendingHigh - 0xD800) << 10) + (u - 0xDC00) : 0xFFFD);
                pendingHigh = 0;
            } else {
                if (pendingHigh) text::appendCodePoint(utf8, 0xFFFD);
                pendingHigh = 0;
                text::appendCodePoint(utf8, u);
            }
        }
        if (pendingHigh) text::appendCodePoint(utf8, 0xFFFD);
    } else if (shapedLikeUtf8(bytes)) {
        utf8 = wellFormed(bytes);
    } else {
        utf8 = storage::cp1251ToUtf8(bytes);
    }
    RichText out;
    out.paragraphs.emplace_back();
    std::string line;
    auto endLine = [&] {
        if (!line.empty()) out.paragraphs.back().runs.push_back({line, {}});
        line.clear();
    };
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
            if (out.paragraphs.size() >= kMaxParagraphs) {
                line += '\n';
            } else {
                endLine();
                out.paragraphs.emplace_back();
            }
        } else if ((static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) || c == '\t') {
            line += c;
        }
    }
    endLine();
    return out;
}

RichText readRichText(std::string_view bytes) { return looksLikeRtf(bytes) ? readRtf(bytes) : readPlainText(bytes); }

}  // namespace kvx::params
