#include "exchange/vcd_writer.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <ctime>
#include <vector>

#include "exchange/exchange_signals.h"
#include "storage/file_replace.h"
#include "version_info.h"

namespace kvx::exchange {

using model::CellLevel;
using model::TestDocument;

namespace {

/// Identifier codes: printable ASCII '!'..'~' in base 94, shortest first.
std::string identifier(std::size_t index) {
    std::string id;
    do {
        id += static_cast<char>('!' + index % 94);
        index /= 94;
    } while (index-- > 0);
    return id;
}

/// Text of a header section: a '$' could end it early, line breaks would break its layout.
std::string headerText(const std::string& s) {
    std::string out;
    for (char c : s) out += (c == '$') ? '_' : (static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
    return out;
}

char levelChar(CellLevel level, bool expected) {
    if (level == model::kLow) return '0';
    if (level == model::kHigh) return '1';
    return expected ? 'x' : 'z';
}

struct ScalarVar {
    const CellLevel* cells;  ///< index = tact
    std::string id;
    char inactive;
};

struct VectorVar {
    std::vector<const CellLevel*> bits;  ///< most significant first
    std::vector<char> inactive;
    std::string id;
    std::string last;
};

/// Appends to a buffer that is grown in steps, so that the hot loop writes through a pointer.
class Output {
public:
    void reserveMore(std::size_t n) {
        if (out_.size() - used_ < n) out_.resize(std::max(out_.size() * 2, used_ + n));
    }
    void put(char c) { out_[used_++] = c; }
    void put(const std::string& s) {
        std::memcpy(&out_[used_], s.data(), s.size());
        used_ += s.size();
    }
    void text(const std::string& s) {
        reserveMore(s.size());
        put(s);
    }
    /// One scalar change: the value, the identifier code and the line end.
    void change(char value, const std::string& id) {
        char* p = &out_[used_];
        p[0] = value;
        if (id.size() == 1) {
            p[1] = id[0];
            p[2] = '\n';
            used_ += 3;
            return;
        }
        std::memcpy(p + 1, id.data(), id.size());
        p[1 + id.size()] = '\n';
        used_ += id.size() + 2;
    }
    void number(unsigned long long v) {
        char buf[24];
        int n = 0;
        do {
            buf[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v);
        while (n) put(buf[--n]);
    }
    std::size_t size() const { return used_; }
    char* end() { return &out_[used_]; }
    void setEnd(const char* p) { used_ = static_cast<std::size_t>(p - out_.data()); }
    void truncate(std::size_t n) { used_ = n; }
    std::string take() {
        out_.resize(used_);
        return std::move(out_);
    }

private:
    std::string out_;
    std::size_t used_ = 0;
};

}  // namespace

std::string writeVcd(const TestDocument& doc, const VcdWriteOptions& options) {
    const int test = doc.currentTest();
    const int tacts = doc.tactCount();
    const unsigned long long duration = static_cast<unsigned long long>(doc.testParameters().effectiveTactDuration());
    const auto rows = rowSignals(doc);
    const auto words = wordSignals(doc);

    std::vector<ScalarVar> scalars;
    std::vector<VectorVar> vectors;
    std::size_t next = 0;
    std::string head;
    head += "$date\n   " + headerText(options.date) + "\n$end\n";
    head += "$version\n   " + headerText(options.version) + "\n$end\n";
    head += "$comment\n   Тест: " + headerText(doc.testName()) + "\n$end\n";
    head += "$timescale 1us $end\n";
    std::string scope = signalNamePart(doc.testName());
    head += "$scope module " + (scope.empty() ? std::string("test") : scope) + " $end\n";
    for (const RowSignal& r : rows) {
        scalars.push_back({doc.rowData(test, r.row), identifier(next++), r.expected ? 'x' : 'z'});
        head += "$var wire 1 " + scalars.back().id + " " + r.name + " $end\n";
    }
    if (!words.empty()) {
        head += "$scope module words $end\n";
        for (const WordSignal& w : words) {
            VectorVar v;
            for (auto it = w.rows.rbegin(); it != w.rows.rend(); ++it) {
                v.bits.push_back(*it >= 0 && *it <= model::kMaxRow ? doc.rowData(test, *it) : nullptr);
                v.inactive.push_back(isExpectedRow(doc, *it) ? 'x' : 'z');
            }
            v.id = identifier(next++);
            head += "$var wire " + std::to_string(w.rows.size()) + " " + v.id + " " + w.name + " [" +
                    std::to_string(w.rows.size() - 1) + ":0] $end\n";
            vectors.push_back(std::move(v));
        }
        head += "$upscope $end\n";
    }
    head += "$upscope $end\n$enddefinitions $end\n";

    Output out;
    out.text(head);
    std::size_t perTact = 48;
    for (const auto& s : scalars) perTact += s.id.size() + 2;
    for (const auto& v : vectors) perTact += v.bits.size() + v.id.size() + 3;
    std::string bits;
    // Scalar changes are written without a branch on the (often random) levels: every row's
    // change goes into the buffer and the end moves past it only when the level changed.
    struct Record {
        char bytes[16];
        std::size_t length;
        std::array<char, 3> values;
    };
    const bool shortIds = std::all_of(scalars.begin(), scalars.end(), [](const ScalarVar& s) { return s.id.size() <= 14; });
    std::vector<Record> records;
    for (const ScalarVar& s : scalars) {
        Record r{};
        std::memcpy(r.bytes + 1, s.id.data(), std::min<std::size_t>(s.id.size(), 14));
        r.bytes[1 + std::min<std::size_t>(s.id.size(), 14)] = '\n';
        r.length = s.id.size() + 2;
        r.values = {'0', '1', s.inactive};
        records.push_back(r);
    }
    perTact += 16;
    for (int t = 1; t <= tacts; ++t) {
        out.reserveMore(perTact);
        const bool first = t == 1;
        if (first) out.put("#0\n$dumpvars\n");
        // The time stamp is written only when something changes at this tact.
        bool stamped = first;
        auto stamp = [&] {
            if (stamped) return;
            stamped = true;
            out.put('#');
            out.number(static_cast<unsigned long long>(t - 1) * duration);
            out.put('\n');
        };
        if (!first && shortIds) {
            const std::size_t before = out.size();
            stamp();
            const std::size_t afterStamp = out.size();
            char* p = out.end();
            for (std::size_t i = 0; i < scalars.size(); ++i) {
                const CellLevel level = scalars[i].cells[t];
                const Record& r = records[i];
                std::memcpy(p, r.bytes, 16);
                p[0] = r.values[level];
                p += (level != scalars[i].cells[t - 1]) ? r.length : 0;
            }
            out.setEnd(p);
            if (out.size() == afterStamp) {
                out.truncate(before);
                stamped = false;
            }
        } else {
            for (const ScalarVar& s : scalars) {
                const CellLevel level = s.cells[t];
                if (!first && level == s.cells[t - 1]) continue;
                stamp();
                out.change(level == model::kLow ? '0' : level == model::kHigh ? '1' : s.inactive, s.id);
            }
        }
        for (VectorVar& v : vectors) {
            bits.assign(v.bits.size(), '0');
            for (std::size_t b = 0; b < v.bits.size(); ++b)
                bits[b] = levelChar(v.bits[b] ? v.bits[b][t] : model::kInactive, v.inactive[b] == 'x');
            if (!first && bits == v.last) continue;
            stamp();
            out.put('b');
            out.put(bits);
            out.put(' ');
            out.put(v.id);
            out.put('\n');
            v.last = bits;
        }
        if (first) out.put("$end\n");
    }
    out.reserveMore(32);
    out.put('#');
    out.number(static_cast<unsigned long long>(tacts) * duration);
    out.put('\n');
    return out.take();
}

std::string saveVcd(const TestDocument& doc, const std::string& path, const VcdWriteOptions& options) {
    if (!storage::replaceFile(path, writeVcd(doc, options))) return "Не удалось записать файл " + path;
    return {};
}

VcdWriteOptions defaultVcdOptions() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    char date[64] = {};
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
    return {date, std::string("KVX_Edit ") + KVX_VERSION_STRING};
}

}  // namespace kvx::exchange
