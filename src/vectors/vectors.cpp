#include "vectors/vectors.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "model/text.h"
#include "params/package.h"
#include "storage/file_path.h"

namespace kvx::vectors {

namespace {

using model::PinType::Ground;
using model::PinType::InOut;
using model::PinType::Input;
using model::PinType::NotConnected;
using model::PinType::Output;
using model::PinType::Supply;

constexpr std::string_view kChars = "01CKLHZXNFGV";

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string packageCounts() {
    std::string s;
    for (int n : model::kPinCounts) s += (s.empty() ? "" : ", ") + std::to_string(n);
    return s;
}


/// Appends one vector of `text` to the chip, checking its length; false with `error`.
bool addVector(Chip& chip, std::string_view text, int line, std::string& error, const std::string& lengthRule,
               int columnOffset = 0) {
    int column = 0;
    const std::size_t before = chip.cells.size();
    const int n = appendVector(text, chip.cells, column);
    if (n < 0) {
        error = atLine(line, column + columnOffset) + unknownCharacter(text, column);
        return false;
    }
    if (n == 0) return true;
    if (chip.pins == 0) {
        chip.pins = n;
        chip.line = line;
    }
    if (n != chip.pins) {
        chip.cells.resize(before);
        error = atLine(line) + "в векторе " + std::to_string(n) + " символов, а " + lengthRule + " " +
                std::to_string(chip.pins);
        return false;
    }
    chip.lines.push_back(line);
    return true;
}

char levelChar(model::CellLevel level, char low, char high) {
    return level == model::kLow ? low : level == model::kHigh ? high : 'X';
}

std::string escaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\r':
        case '\n': out += ' '; break;
        default: out += c;
        }
    }
    return out;
}

std::string oneLine(const std::string& s) {
    std::string out = s;
    std::replace(out.begin(), out.end(), '\r', ' ');
    std::replace(out.begin(), out.end(), '\n', ' ');
    std::replace(out.begin(), out.end(), '*', ' ');
    return out;
}

}  // namespace

std::string Chip::allNames() const {
    std::string s;
    for (const auto& n : names) s += (s.empty() ? "" : ",") + n;
    return s;
}

bool Chip::matches(std::string_view typed) const {
    const std::string t = lower(std::string(trimmed(typed)));
    if (t.empty()) return true;
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return lower(n).find(t) != std::string::npos; });
}

bool isVectorChar(char c) { return kChars.find(c) != std::string_view::npos; }

int appendVector(std::string_view text, std::string& cells, int& column) {
    int count = 0;
    int position = 0;
    for (std::size_t i = 0; i < text.size(); i += model::text::charBytes(text, i)) {
        ++position;
        const char c = upper(text[i]);
        if (isBlank(c)) continue;
        if (!isVectorChar(c)) {
            column = position;
            return -1;
        }
        cells += c;
        ++count;
    }
    return count;
}

std::string unknownCharacter(std::string_view text, int column) {
    const std::size_t at = model::text::byteOffset(text, static_cast<std::size_t>(column - 1));
    std::string shown(model::text::mid(text.substr(at), 0, 1));
    if (const auto c = static_cast<unsigned char>(shown[0]); shown.size() == 1 && (c < 0x20 || c >= 0x7F)) {
        char code[8];
        std::snprintf(code, sizeof code, "0x%02X", c);
        shown = std::string("код ") + code;
    }
    return "неизвестный символ «" + shown + "» (в векторе бывают 0 1 C K L H Z X N F G V)";
}

std::string atLine(int line, int column) {
    std::string s = "строка " + std::to_string(line);
    if (column > 0) s += ", символ " + std::to_string(column);
    return s + ": ";
}

std::optional<Chip> readVectorFile(std::string_view text, const std::string& name, std::string& error) {
    Chip chip;
    chip.names = {name};
    int line = 0;
    while (!text.empty()) {
        ++line;
        const std::size_t end = text.find('\n');
        std::string_view row = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        row = row.substr(0, row.find_first_of("#;"));
        if (!addVector(chip, row, line, error, "в первом векторе")) return std::nullopt;
    }
    if (chip.vectorCount() == 0) {
        error = "в файле нет ни одного вектора";
        return std::nullopt;
    }
    return chip;
}

std::optional<Chip> readJedec(std::string_view text, const std::string& name, std::string& error) {
    Chip chip;
    chip.names = {name};
    std::size_t from = 0;
    bool skipFirst = false;
    if (const std::size_t stx = text.find('\x02'); stx != std::string_view::npos) {
        from = stx + 1;
        skipFirst = true;
    }
    const std::size_t to = std::min(text.size(), text.find('\x03', from));
    int line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(from), '\n'));
    int declared = 0;
    std::size_t at = from;
    bool first = true;
    while (at < to) {
        const std::size_t star = std::min(to, text.find('*', at));
        std::string_view field = text.substr(at, star - at);
        const std::string_view lead = field.substr(0, field.find_first_not_of(" \t\r\n"));
        const int fieldLine = line + static_cast<int>(std::count(lead.begin(), lead.end(), '\n'));
        line += static_cast<int>(std::count(field.begin(), field.end(), '\n'));
        at = star + 1;
        if (std::exchange(first, false) && skipFirst) continue;
        field = trimmed(field);
        if (field.size() > 2 && field.substr(0, 2) == "QP") {
            const std::string_view digits = trimmed(field.substr(2));
            if (digits.empty() || digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string_view::npos) {
                error = atLine(fieldLine) + "число выводов «" + std::string(field) + "» не читается";
                return std::nullopt;
            }
            declared = std::stoi(std::string(digits));
            if (chip.pins == 0) chip.pins = declared;
        } else if (field.size() > 1 && field[0] == 'V' && field[1] >= '0' && field[1] <= '9') {
            std::size_t k = 1;
            while (k < field.size() && field[k] >= '0' && field[k] <= '9') ++k;
            std::string flat(field.substr(k));
            std::replace(flat.begin(), flat.end(), '\n', ' ');
            const std::string rule = declared ? "выводов (QP)" : "в первом векторе";
            const std::size_t before = chip.cells.size();
            if (!addVector(chip, flat, fieldLine, error, rule, static_cast<int>(k))) return std::nullopt;
            if (chip.cells.size() == before) {
                error = atLine(fieldLine) + "в векторе " + std::string(field.substr(0, k)) + " нет ни одного символа";
                return std::nullopt;
            }
        }
    }
    if (chip.vectorCount() == 0) {
        error = "в файле JEDEC нет векторов (полей V)";
        return std::nullopt;
    }
    return chip;
}

std::optional<std::string> readSourceFile(const std::string& path, std::string& error) {
    const auto p = storage::pathFromUtf8(path);
    std::error_code ec;
    const auto size = std::filesystem::file_size(p, ec);
    if (ec || !std::filesystem::is_regular_file(p, ec)) {
        error = "Не удалось прочитать файл " + path;
        return std::nullopt;
    }
    if (size > kMaxSourceBytes) {
        error = "Файл " + path + " слишком велик (" + std::to_string(size / (1024 * 1024)) +
                " МБ): векторы читаются из файлов до " + std::to_string(kMaxSourceBytes / (1024 * 1024)) + " МБ";
        return std::nullopt;
    }
    std::ifstream in(p, std::ios::binary);
    std::ostringstream text;
    if (!(in && text << in.rdbuf()) && size > 0) {
        error = "Не удалось прочитать файл " + path;
        return std::nullopt;
    }
    return text.str();
}

std::string nameFromPath(const std::string& path) {
    return storage::utf8FromPath(storage::pathFromUtf8(path).stem());
}

bool looksLikeDatabase(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    return !trimmed(text).empty() && trimmed(text).front() == '<';
}

bool looksLikeJedec(std::string_view text, const std::string& path) {
    const std::string ext = lower(storage::utf8FromPath(storage::pathFromUtf8(path).extension()));
    return ext == ".jed" || text.find('\x02') != std::string_view::npos;
}

std::optional<Chip> readChipFile(std::string_view text, const std::string& path, std::string& error) {
    const std::string name = nameFromPath(path);
    return looksLikeJedec(text, path) ? readJedec(text, name, error) : readVectorFile(text, name, error);
}

const Chip* findChip(const std::vector<Chip>& chips, const std::string& name) {
    const std::string wanted = lower(name);
    for (const auto& chip : chips)
        for (const auto& n : chip.names)
            if (lower(n) == wanted) return &chip;
    return nullptr;
}

// ---- a test from vectors ------------------------------------------------------------------

std::vector<PinPlan> planPins(const Chip& chip, std::string& error, std::vector<std::string>& notes) {
    if (!params::isPackagePinCount(chip.pins)) {
        error = atLine(chip.line) + std::to_string(chip.pins) + " выводов: такого корпуса нет (бывают " +
                packageCounts() + ")";
        return {};
    }
    std::vector<PinPlan> plan(static_cast<size_t>(chip.pins));
    for (int p = 0; p < chip.pins; ++p) {
        bool driven = false, expected = false, g = false, v = false, other = false;
        int mixedAt = -1;
        for (int i = 0; i < chip.vectorCount(); ++i) {
            const char c = chip.cells[static_cast<size_t>(i * chip.pins + p)];
            const bool supply = c == 'G' || c == 'V';
            driven |= c == '0' || c == '1' || c == 'C' || c == 'K';
            expected |= c == 'L' || c == 'H' || c == 'Z';
            other |= !supply;
            g |= c == 'G';
            v |= c == 'V';
            if (mixedAt < 0 && (g || v) && (other || (g && v))) mixedAt = i;
        }
        auto& type = plan[static_cast<size_t>(p)].type;
        if (mixedAt >= 0) {
            const int line = mixedAt < static_cast<int>(chip.lines.size()) ? chip.lines[static_cast<size_t>(mixedAt)] : 0;
            notes.push_back("Вывод " + std::to_string(p + 1) + " не перенесён (NC): в векторах он то питание или земля " +
                            "(G, V), то сигнал; строка " + std::to_string(line));
            type = NotConnected;
            plan[static_cast<size_t>(p)].refused = true;
            continue;
        }
        type = g ? Ground : v ? Supply : driven && expected ? InOut : driven ? Input : expected ? Output : NotConnected;
    }
    return plan;
}

long long tactCountOf(const Chip& chip) {
    long long tacts = 0;
    for (int i = 0; i < chip.vectorCount(); ++i) {
        const auto v = chip.vector(i);
        tacts += v.find_first_of("CK") == std::string_view::npos ? 1 : 3;
    }
    return tacts;
}

ImportOutcome importChip(model::TestDocument& doc, const Chip& chip, bool soic) {
    ImportOutcome out;
    if (!chip.error.empty()) {
        out.error = chip.error;
        return out;
    }
    if (chip.vectorCount() == 0) {
        out.error = atLine(chip.line) + "у микросхемы " + chip.allNames() + " нет векторов";
        return out;
    }
    auto plan = planPins(chip, out.error, out.notes);
    if (plan.empty()) return out;
    const long long tacts = tactCountOf(chip);
    if (tacts > model::kMaxTactCount) {
        out.error = "векторы дают " + std::to_string(tacts) + " тактов, а в тесте их бывает не больше " +
                    std::to_string(model::kMaxTactCount);
        return out;
    }
    // The test keeps one supply and one ground pin: the last of several, else a free pin.
    const int n = chip.pins;
    auto supplyPin = [&](const char* type, int fallback, const char* letter, const char* what) {
        std::vector<int> marked;
        for (int p = 1; p <= n; ++p)
            if (plan[static_cast<size_t>(p - 1)].type == type) marked.push_back(p);
        if (marked.size() > 1) {
            std::string others;
            for (size_t i = 0; i + 1 < marked.size(); ++i) {
                plan[static_cast<size_t>(marked[i] - 1)].type = NotConnected;
                others += (others.empty() ? "" : ", ") + std::to_string(marked[i]);
            }
            out.notes.push_back(std::string("Выводов ") + letter + " несколько, а " + what + " у теста один: " +
                                type + " — вывод " + std::to_string(marked.back()) + ", выводы " + others + " — NC");
            return marked.back();
        }
        if (marked.size() == 1) return marked.front();
        auto free = [&](int p) {
            const auto& pin = plan[static_cast<size_t>(p - 1)];
            return pin.type == NotConnected && !pin.refused;
        };
        int pick = free(fallback) ? fallback : 0;
        for (int p = 1; p <= n && !pick; ++p)
            if (free(p)) pick = p;
        if (!pick) return 0;
        plan[static_cast<size_t>(pick - 1)].type = type;
        out.notes.push_back(std::string("В векторах нет вывода ") + letter + ": " + type + " теста — вывод " +
                            std::to_string(pick));
        return pick;
    };
    const int vcc = supplyPin(Supply, params::defaultVcc(n), "V", "питание");
    const int gnd = supplyPin(Ground, params::defaultGnd(n), "G", "земля");
    if (!vcc || !gnd) {
        out.error = std::string("в векторах нет вывода ") + (!vcc ? "V" : "G") +
                    ", и свободного вывода для него тоже нет: тесту нужны и VCC, и GND";
        out.notes.clear();
        return out;
    }

    // From here on the document becomes the new test.
    doc.testParameters().resetToDefaults();
    doc.clearDocument();
    params::applyPackage(doc, {soic ? model::PackageType::SOIC : model::PackageType::DIP, n, vcc, gnd});
    std::vector<model::SignalEntry> order;
    for (int p = 1; p <= n; ++p) {
        const std::string& type = plan[static_cast<size_t>(p - 1)].type;
        doc.setPinType(p, type);
        order.push_back({p, model::RowKind::Pin});
        if (type == InOut) {
            doc.setPinType(p + model::kPinRows, model::PinType::IoOutput);
            order.push_back({p, model::RowKind::Output});
        }
    }
    for (int p = n + 1; p <= model::kPinRows; ++p) order.push_back({p, model::RowKind::Pin});
    for (int t = 0; t < 2; ++t)
        for (int k = 1; k <= model::kMaxRow; ++k)
            doc.setSignalEntry(t, k, k <= static_cast<int>(order.size()) ? order[static_cast<size_t>(k - 1)] : model::SignalEntry{});
    doc.setTactCount(static_cast<int>(tacts));
    std::vector<int> zCount(static_cast<size_t>(n), 0);
    for (int p = 1; p <= n; ++p) {
        const std::string& type = plan[static_cast<size_t>(p - 1)].type;
        if (model::isFixedType(type)) continue;
        model::CellLevel* drive = doc.mutableRowData(0, p);
        model::CellLevel* expect = type == InOut ? doc.mutableRowData(0, p + model::kPinRows) : drive;
        std::fill(drive + 1, drive + 1 + tacts, model::kInactive);
        std::fill(expect + 1, expect + 1 + tacts, model::kInactive);
        int t = 1;
        for (int i = 0; i < chip.vectorCount(); ++i) {
            const auto v = chip.vector(i);
            const int span = v.find_first_of("CK") == std::string_view::npos ? 1 : 3;
            const char c = v[static_cast<size_t>(p - 1)];
            for (int k = 0; k < span; ++k) {
                const bool middle = k == 1;
                switch (c) {
                case '0': drive[t + k] = model::kLow; break;
                case '1': drive[t + k] = model::kHigh; break;
                case 'C': drive[t + k] = middle ? model::kHigh : model::kLow; break;
                case 'K': drive[t + k] = middle ? model::kLow : model::kHigh; break;
                default: break;
                }
            }
            if (c == 'L' || c == 'H') expect[t + span - 1] = c == 'L' ? model::kLow : model::kHigh;
            if (c == 'Z') ++zCount[static_cast<size_t>(p - 1)];
            t += span;
        }
    }
    std::string zPins;
    for (int p = 1; p <= n; ++p)
        if (const int z = zCount[static_cast<size_t>(p - 1)])
            zPins += (zPins.empty() ? "" : ", ") + std::to_string(p) + " (" + std::to_string(z) + ")";
    if (!zPins.empty())
        out.notes.push_back("Ожидания Z (высокий импеданс) не сравниваются: у тестера нет такого уровня. "
                            "Выводы (число ожиданий): " + zPins);
    doc.setTestName(chip.names.empty() ? std::string{} : chip.names.front());
    doc.setSaved(false);
    out.ok = true;
    return out;
}

// ---- vectors from a test ------------------------------------------------------------------

ExportOutcome exportChip(const model::TestDocument& doc, const std::string& name) {
    ExportOutcome out;
    Chip& chip = out.chip;
    chip.names = {name};
    chip.pins = doc.pinCount();
    const int test = doc.currentTest();
    const int tacts = doc.tactCount();
    chip.cells.reserve(static_cast<size_t>(tacts) * static_cast<size_t>(chip.pins));
    std::map<int, std::pair<int, int>> conflicts;  // pin -> (tacts, first tact)
    for (int t = 1; t <= tacts; ++t) {
        for (int p = 1; p <= chip.pins; ++p) {
            const std::string& type = doc.pin(p).pinType;
            char c = 'X';
            if (type == Supply) c = 'V';
            else if (type == Ground) c = 'G';
            else if (type == NotConnected) c = 'X';
            else if (type == InOut) {
                const auto driven = doc.getCell(test, p, t);
                const auto expected = doc.getCell(test, p + model::kPinRows, t);
                if (driven != model::kInactive) {
                    c = levelChar(driven, '0', '1');
                    if (expected != model::kInactive) {
                        auto& [count, first] = conflicts[p];
                        if (!count++) first = t;
                    }
                } else {
                    c = levelChar(expected, 'L', 'H');
                }
            } else if (type == Input) {
                c = levelChar(doc.getCell(test, p, t), '0', '1');
            } else {
                c = levelChar(doc.getCell(test, p, t), 'L', 'H');
            }
            chip.cells += c;
        }
        chip.lines.push_back(t);
    }
    for (const auto& [pin, where] : conflicts)
        out.notes.push_back("Вывод " + std::to_string(pin) + ": в " + std::to_string(where.first) +
                            " тактах (первый — такт " + std::to_string(where.second) +
                            ") он и задаётся, и сравнивается; записан задаваемый уровень");
    return out;
}

std::string vectorFileText(const Chip& chip) {
    std::string s = "# " + oneLine(chip.allNames()) + "\n";
    s.reserve(s.size() + chip.cells.size() + static_cast<size_t>(chip.vectorCount()));
    for (int i = 0; i < chip.vectorCount(); ++i) (s += chip.vector(i)) += '\n';
    return s;
}

std::string jedecText(const Chip& chip) {
    std::string s = "\x02" + oneLine(chip.allNames()) + "*\n";
    s += "QP" + std::to_string(chip.pins) + "*\n";
    char number[16];
    for (int i = 0; i < chip.vectorCount(); ++i) {
        std::snprintf(number, sizeof number, "V%04d ", i + 1);
        ((s += number) += chip.vector(i)) += "*\n";
    }
    s += '\x03';
    unsigned sum = 0;
    for (unsigned char c : s) sum += c;
    std::snprintf(number, sizeof number, "%04X\n", sum & 0xFFFFu);
    return s + number;
}

std::string databaseEntry(const Chip& chip) {
    std::string s = "   <ic name=\"" + escaped(chip.allNames()) + "\" pins=\"" + std::to_string(chip.pins) + "\">\n";
    char id[16];
    for (int i = 0; i < chip.vectorCount(); ++i) {
        std::snprintf(id, sizeof id, "%02d", i);
        s += "    <vector id=\"" + std::string(id) + "\">";
        for (char c : chip.vector(i)) (s += ' ') += c;
        s += " </vector>\n";
    }
    return s + "   </ic>\n";
}

std::optional<std::string> databaseText(const Chip& chip, const std::string* existing, std::string& error) {
    if (!existing)
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<logicic>\n <database type=\"LOGIC\">\n"
               "  <manufacturer name=\"KVX\">\n" +
               databaseEntry(chip) + "  </manufacturer>\n </database>\n</logicic>\n";
    std::size_t at = existing->rfind("</manufacturer>");
    if (at == std::string::npos) at = existing->rfind("</database>");
    if (at == std::string::npos) {
        error = "в файле нет элемента database: это не база векторов";
        return std::nullopt;
    }
    const std::size_t lineStart = existing->find_last_not_of(" \t", at - (at > 0 ? 1 : 0));
    if (lineStart != std::string::npos && (*existing)[lineStart] == '\n' && lineStart < at) at = lineStart + 1;
    std::string text = existing->substr(0, at);
    if (!text.empty() && text.back() != '\n') text += '\n';
    return text + databaseEntry(chip) + existing->substr(at);
}

std::string safeFileName(const std::string& chipName, std::vector<std::string>& taken) {
    std::string base;
    for (std::size_t i = 0; i < chipName.size(); i += model::text::charBytes(chipName, i)) {
        const char c = chipName[i];
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '_' || c == '.';
        base += keep ? c : '_';  // one '_' for a character of any width
    }
    while (!base.empty() && (base.back() == '.' || base.back() == ' ')) base.pop_back();
    if (base.empty()) base = "chip";
    if (base.front() == '.') base.front() = '_';
    static const char* const reserved[] = {"con", "prn", "aux", "nul", "com1", "com2", "com3", "com4", "com5",
                                           "com6", "com7", "com8", "com9", "lpt1", "lpt2", "lpt3", "lpt4",
                                           "lpt5", "lpt6", "lpt7", "lpt8", "lpt9"};
    const std::string stem = lower(base.substr(0, base.find('.')));
    if (std::find(std::begin(reserved), std::end(reserved), stem) != std::end(reserved)) base += '_';
    std::string name = base;
    for (int k = 2; std::find(taken.begin(), taken.end(), lower(name)) != taken.end(); ++k)
        name = base + "_" + std::to_string(k);
    taken.push_back(lower(name));
    return name;
}

}  // namespace kvx::vectors
