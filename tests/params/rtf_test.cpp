// The RTF codec of the comment: random round trips, and RTF as other programs write it.

#include <gtest/gtest.h>

#include <random>

#include "params/rtf.h"

using namespace kvx::params;

namespace kvx::params {
// Readable failure messages.
void PrintTo(const TextRun& r, std::ostream* os) {
    *os << '"' << r.text << "\" b" << r.format.bold << " i" << r.format.italic << " u" << r.format.underline << " fs"
        << r.format.halfPoints << " cf" << (r.format.colour ? static_cast<long>(*r.format.colour) : -1L) << " f'"
        << r.format.font << "'";
}
}  // namespace kvx::params

namespace {

RichText randomText(std::mt19937& rng) {
    static const std::vector<std::string> pieces = {"Счётчик", " ", "тест", "DIP16", "\\", "{", "}", "\t", "\n",
                                                    "№ 5", "€", "中文", "😀", "ЁЖЪ", "a;b", "'", "?", "«»", "—"};
    static const std::vector<std::string> fonts = {"", "Arial", "Times New Roman", "Шрифт", "Courier New"};
    auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(std::uniform_int_distribution<std::size_t>(0, n - 1)(rng)); };
    RichText t;
    const std::size_t paragraphs = 1 + pick(5);
    for (std::size_t p = 0; p < paragraphs; ++p) {
        Paragraph para;
        para.alignment = static_cast<Alignment>(pick(4));
        const std::size_t runs = pick(5);
        for (std::size_t r = 0; r < runs; ++r) {
            TextRun run;
            for (std::size_t k = 1 + pick(4); k > 0; --k) run.text += pieces[pick(pieces.size())];
            run.format.bold = pick(2);
            run.format.italic = pick(2);
            run.format.underline = pick(2);
            run.format.halfPoints = pick(3) == 0 ? 0 : static_cast<int>(8 + 2 * pick(60));
            if (pick(2)) run.format.colour = static_cast<std::uint32_t>(pick(0x1000000));
            run.format.font = fonts[pick(fonts.size())];
            para.runs.push_back(run);
        }
        t.paragraphs.push_back(para);
    }
    return t;
}

std::string plain(const RichText& t) {
    std::string out;
    for (std::size_t i = 0; i < t.paragraphs.size(); ++i) {
        if (i) out += "|";
        for (const auto& r : t.paragraphs[i].runs) out += r.text;
    }
    return out;
}

}  // namespace

TEST(Rtf, RandomTextsRoundTrip) {
    std::mt19937 rng(20261208);
    for (int i = 0; i < 300; ++i) {
        const RichText t = randomText(rng);
        const std::string bytes = writeRtf(t);
        for (unsigned char c : bytes) ASSERT_LT(c, 0x80) << "the writer writes ASCII only";
        ASSERT_TRUE(looksLikeRtf(bytes));
        EXPECT_EQ(readRtf(bytes), normalized(t)) << bytes;
    }
}

TEST(Rtf, WriterDeclaresItsTablesAndEscapes) {
    RichText t;
    t.paragraphs.push_back({{{"Ж", {true, false, false, 24, 0xFF0000u, "Arial"}}, {"😀", {}}}, Alignment::Centre});
    const std::string rtf = writeRtf(t);
    for (const char* part : {"\\ansicpg1251", "{\\fonttbl{\\f0\\fnil\\fcharset204 Arial;}}", "{\\colortbl ;\\red255\\green0\\blue0;}",
                             "\\qc", "{\\f0\\fs24\\b\\cf1 \\'c6}", "\\u-10179?\\u-8704?"})
        EXPECT_NE(rtf.find(part), std::string::npos) << part << "\n" << rtf;
}

TEST(Rtf, ReadsWhatOtherProgramsWrite) {
    struct Case {
        const char* what;
        std::string rtf;
        std::string text;  // paragraphs separated by '|'
    };
    const std::vector<Case> cases = {
        {"code page 1251 escapes",
         "{\\rtf1\\ansi\\ansicpg1251\\deff0\\nouicompat\\deflang1049{\\fonttbl{\\f0\\fnil\\fcharset204 Calibri;}}\r\n"
         "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n\\pard\\sa200\\sl276\\slmult1\\f0\\fs22\\lang1049 "
         "\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2\\par\r\n}\r\n",
         "Привет|"},
        {"unicode with fallbacks", "{\\rtf1\\ansi\\uc1 \\u1040?\\u1041?{\\uc2 \\u1042\\'e2\\'e2}\\'41}", "АБВA"},
        {"negative unicode and a pair", "{\\rtf1\\ansi\\uc0 \\u-10179\\u-8704 \\u-4064 x}", "😀\xEF\x80\xA0x"},
        {"font character sets", "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset0 Times;}{\\f1\\fcharset204 Arial;}}\\f0\\'e0\\f1\\'e0}",
         "àа"},
        {"destinations skipped",
         "{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}{\\*\\unknown hidden}{\\pict\\pngblip 89504e47}"
         "{\\*\\shppict{\\pict x}}{\\nonshppict{\\pict y}}{\\field{\\*\\fldinst HYPERLINK}{\\fldrslt link}} end}",
         "link end"},
        {"binary data", "{\\rtf1 a\\bin3 {}}b}", "ab"},
        {"symbols and special words",
         "{\\rtf1 a\\tab b\\line c\\emdash\\~\\{\\}\\\\\\-d\\par e\\cell f\\row\\ldblquote q\\rdblquote}",
         "a\tb\nc—\xC2\xA0{}\\d|e\tf|“q”"},
        {"text outside the document", "junk{\\rtf1 in}junk", "in"},
        {"unterminated groups", "{\\rtf1 a{\\b b{\\i c", "abc"},
        {"too many closing braces", "{\\rtf1 a}}}}{b}", "a"},
        {"overlong words and numbers", "{\\rtf1 \\abcdefghijklmnopqrstuvwxyzabcdefghijklmnop12345678901234567890 x\\fs-99999999999 y}", "xy"},
        {"half an escape", "{\\rtf1 a\\'e", "a"},
        {"a backslash at the end", "{\\rtf1 a\\", "a"},
        {"a lone surrogate", "{\\rtf1 \\u-10179?x}", "\xEF\xBF\xBDx"},
    };
    for (const auto& c : cases) EXPECT_EQ(plain(readRtf(c.rtf)), c.text) << c.what;
}

TEST(Rtf, BrokenCharactersReadAsReplacementOnEveryPath) {
    // Malformed UTF-8, surrogate halves and values beyond U+10FFFF become U+FFFD, whichever
    // way they come in, and what is read is written and read back unchanged.
    const std::string bad = "\xEF\xBF\xBD";
    auto text = [](std::string s) {
        RichText t;
        t.paragraphs.push_back({{{std::move(s), {}}}, Alignment::Left});
        return t;
    };
    struct Case {
        const char* what;
        RichText read;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"a lone surrogate in plain text", readRichText("\xED\xBB\xBF"), bad},
        {"a surrogate pair in plain text", readRichText("a\xED\xA0\xBD\xED\xB8\x80" "b"), "a" + bad + bad + "b"},
        {"beyond U+10FFFF", readRichText("\xF4\x90\x80\x80Ж"), bad + "Ж"},
        {"an overlong form after the UTF-8 mark", readRichText("\xEF\xBB\xBF\xE0\x80\xAFx\xC0\xAF"), bad + "x" + bad + bad},
        {"a stray byte after the UTF-8 mark", readRichText("\xEF\xBB\xBF" "a\xFF" "b\xD0"), "a" + bad + "b" + bad},
        {"a lone surrogate in UTF-16", readRichText(std::string("\xFF\xFE\x00\xD8" "a\x00", 6)), bad + "a"},
        {"a lone surrogate in RTF", readRichText("{\\rtf1 \\u-8449?x}"), bad + "x"},
        {"a lone surrogate in the writer's input", readRtf(writeRtf(text("a\xED\xBB\xBF\xC1\x81z"))), "a" + bad + bad + bad + "z"},
        {"Windows-1251 stays what it was", readRichText("\xED\xE0"), "на"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(plain(c.read), c.text) << c.what;
        const std::string written = writeRtf(c.read);
        EXPECT_EQ(readRtf(written), c.read) << c.what;
        EXPECT_EQ(writeRtf(readRtf(written)), written) << c.what;
    }
}

TEST(Rtf, ReadsFormatsOfOtherPrograms) {
    const std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\froman\\fprq2\\fcharset204{\\*\\panose 02020603050405020304}Times New Roman;}"
        "{\\f1 Courier New;}}{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\n"
        "\\pard\\plain\\f0\\fs24 plain {\\b bold {\\i both}} \\ul under\\ulnone \\cf1 red\\cf0  "
        "\\f1\\fs32 big\\par\\qc\\uldb dbl\\ul0 {\\cf2\\i0 blue}\\par\\pard x}";
    const RichText t = readRtf(rtf);
    ASSERT_EQ(t.paragraphs.size(), 3u);
    const CharFormat base{false, false, false, 24, std::nullopt, "Times New Roman"};
    auto with = [&base](auto change) {
        CharFormat f = base;
        change(f);
        return f;
    };
    const std::vector<TextRun> first = {
        {"plain ", base},
        {"bold ", with([](CharFormat& f) { f.bold = true; })},
        {"both", with([](CharFormat& f) { f.bold = f.italic = true; })},
        {" ", base},
        {"under", with([](CharFormat& f) { f.underline = true; })},
        {"red", with([](CharFormat& f) { f.colour = 0xFF0000u; })},
        {" ", base},
        {"big", with([](CharFormat& f) {
             f.font = "Courier New";
             f.halfPoints = 32;
         })}};
    EXPECT_EQ(t.paragraphs[0].runs, first);
    EXPECT_EQ(t.paragraphs[0].alignment, Alignment::Left);
    EXPECT_EQ(t.paragraphs[1].alignment, Alignment::Centre);
    ASSERT_EQ(t.paragraphs[1].runs.size(), 2u);
    EXPECT_TRUE(t.paragraphs[1].runs[0].format.underline);
    EXPECT_EQ(t.paragraphs[1].runs[1].text, "blue");
    EXPECT_EQ(t.paragraphs[1].runs[1].format.colour, 0x0000FFu);
    EXPECT_FALSE(t.paragraphs[1].runs[1].format.underline);
    EXPECT_EQ(t.paragraphs[2].alignment, Alignment::Left);
}

TEST(Rtf, DeepNestingAndRepetitionStayCheap) {
    const std::string deep = "{\\rtf1 " + std::string(200000, '{') + "x" + std::string(200000, '}') + "y}";
    EXPECT_EQ(plain(readRtf(deep)), "xy");
    std::string pars = "{\\rtf1 ";
    for (int i = 0; i < 250000; ++i) pars += "\\par ";
    pars += "}";
    const RichText many = readRtf(pars);
    EXPECT_LE(many.paragraphs.size(), 200000u);
    EXPECT_TRUE(many.empty() || plain(many).find_first_not_of("|\n") == std::string::npos);
}
