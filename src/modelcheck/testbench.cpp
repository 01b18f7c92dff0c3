#include "modelcheck/testbench.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "exchange/exchange_signals.h"

namespace kvx::modelcheck {

using model::TestDocument;

namespace {

bool plainIdentifier(const std::string& s) {
    if (s.empty() || (s[0] >= '0' && s[0] <= '9') || s[0] == '$') return false;
    return std::all_of(s.begin(), s.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
    });
}

/// A port name as Verilog source writes it: an escaped identifier when it is not a plain one.
std::string identifier(const std::string& s) { return plainIdentifier(s) ? s : "\\" + s + " "; }

/// Picoseconds as nanoseconds with three decimals ("1999.999").
std::string nanoseconds(long long ps) {
    std::string frac = std::to_string(ps % 1000);
    frac.insert(0, 3 - frac.size(), '0');
    return std::to_string(ps / 1000) + "." + frac;
}

std::filesystem::path fsPath(const std::string& utf8) { return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())); }

std::string writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
        const auto u8 = path.u8string();
        return "Не удалось записать файл " + std::string(u8.begin(), u8.end());
    }
    return {};
}

}  // namespace

std::vector<FaultSite> faultSites(const std::vector<BitBinding>& bindings) {
    std::vector<FaultSite> out;
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        const BitBinding& b = bindings[i];
        if (b.constant >= 0 || (!b.driveRow && !b.compareRow)) continue;
        const int pin = b.driveRow ? b.driveRow : b.compareRow > model::kPinRows ? b.compareRow - model::kPinRows : b.compareRow;
        for (int level : {0, 1}) out.push_back({static_cast<int>(i), pin, level});
    }
    return out;
}

Testbench makeTestbench(const TestDocument& doc, const ModelInterface& model, const std::vector<BitBinding>& bindings,
                        int samplePercent, bool faults) {
    Testbench bench;
    const int tacts = doc.tactCount();
    const int test = doc.currentTest();
    std::vector<const BitBinding*> drive, sample;
    for (const BitBinding& b : bindings) {
        if (b.driveRow) drive.push_back(&b);
        if (b.compareRow) sample.push_back(&b);
    }
    // The outputs in the order the diagram shows them, so the report of a tact reads top down.
    std::vector<int> position(model::kRowSlots, model::kRowSlots);
    int shown = 0;
    for (const auto& r : exchange::rowSignals(doc)) position[static_cast<std::size_t>(r.row)] = shown++;
    std::stable_sort(sample.begin(), sample.end(), [&position](const BitBinding* a, const BitBinding* b) {
        return position[static_cast<std::size_t>(a->compareRow)] < position[static_cast<std::size_t>(b->compareRow)];
    });
    for (const BitBinding* b : sample) bench.compareRows.push_back(b->compareRow);
    const int d = std::max<int>(1, static_cast<int>(drive.size()));
    const int c = std::max<int>(1, static_cast<int>(sample.size()));

    // The vectors: bit 0 of a line is its last character.
    std::vector<const model::CellLevel*> cells;
    for (const BitBinding* b : drive) cells.push_back(doc.rowData(test, b->driveRow));
    std::string& v = bench.vectors;
    const auto width = static_cast<std::size_t>(d) + 1;
    v.assign(width * static_cast<std::size_t>(tacts), 'z');
    static constexpr char kChar[3] = {'0', '1', 'z'};
    for (int t = 1; t <= tacts; ++t) {
        char* line = v.data() + static_cast<std::size_t>(t - 1) * width;
        const int n = static_cast<int>(cells.size());
        for (int k = 0; k < n; ++k) {
            const model::CellLevel level = cells[static_cast<std::size_t>(k)][t];
            line[n - 1 - k] = kChar[level < 3 ? level : 2];
        }
        line[d] = '\n';
    }

    const long long tactPs = static_cast<long long>(doc.testParameters().effectiveTactDuration()) * 1'000'000;
    const int pct = std::clamp(samplePercent, 0, 100);
    const long long samplePs = pct == 100 ? tactPs - 1 : std::max(1LL, tactPs * pct / 100);

    std::string s;
    auto line = [&s](const std::string& text) { s += text + "\n"; };
    line("// Testbench of the test \"" + doc.testName() + "\" on the model " + model.top + ".");
    line("// Each tact lasts " + std::to_string(doc.testParameters().effectiveTactDuration()) +
         " us: the levels of " + kVectorFile + " are driven at its start (z: not driven),");
    line("// the outputs are sampled " + nanoseconds(samplePs) + " ns later and written to " + kResultFile +
         ", one line per tact.");
    line("// Run: iverilog -o sim.vvp -s " + std::string(kTestbenchModule) + " " + kTestbenchFile +
         " MODEL.v && vvp -n sim.vvp [+vcd=trace.vcd]");
    line("// " + std::string(kVectorFile) + ", bit 0 at the right end of a line:");
    for (std::size_t k = 0; k < drive.size(); ++k) {
        const ModelPort& p = model.ports[static_cast<std::size_t>(drive[k]->port)];
        line("//   bit " + std::to_string(k) + ": " + rowName(doc, drive[k]->driveRow) + " -> " + p.name +
             (p.width > 1 ? "[" + std::to_string(drive[k]->bit) + "]" : ""));
    }
    line("// " + std::string(kResultFile) + ", bit 0 at the right end of a line:");
    for (std::size_t k = 0; k < sample.size(); ++k) {
        const ModelPort& p = model.ports[static_cast<std::size_t>(sample[k]->port)];
        line("//   bit " + std::to_string(k) + ": " + rowName(doc, sample[k]->compareRow) +
             (sample[k]->compareRow > model::kPinRows ? " (output)" : "") + " <- " + p.name +
             (p.width > 1 ? "[" + std::to_string(sample[k]->bit) + "]" : ""));
    }
    line("`timescale 1ns/1ps");
    line(std::string("module ") + kTestbenchModule + ";");
    line("  localparam TACTS = " + std::to_string(tacts) + ";");
    line("  reg [" + std::to_string(d - 1) + ":0] vectors [1:TACTS];");
    line("  reg [" + std::to_string(d - 1) + ":0] drive = {" + std::to_string(d) + "{1'bz}};");
    line("  wire [" + std::to_string(c - 1) + ":0] sample;");
    for (std::size_t i = 0; i < model.ports.size(); ++i)
        line("  wire [" + std::to_string(model.ports[i].width - 1) + ":0] port" + std::to_string(i) + ";  // " +
             model.ports[i].name);
    for (std::size_t k = 0; k < drive.size(); ++k)
        line("  assign port" + std::to_string(drive[k]->port) + "[" + std::to_string(drive[k]->bit) + "] = drive[" +
             std::to_string(k) + "];");
    for (const BitBinding& b : bindings)
        if (b.constant >= 0)
            line("  assign port" + std::to_string(b.port) + "[" + std::to_string(b.bit) + "] = 1'b" +
                 std::to_string(b.constant) + ";");
    for (std::size_t k = 0; k < sample.size(); ++k) {
        const std::string bit = "port" + std::to_string(sample[k]->port) + "[" + std::to_string(sample[k]->bit) + "]";
        if (!faults) {
            line("  assign sample[" + std::to_string(k) + "] = " + bit + ";");
            continue;
        }
        // A register between the output and the sample, which a fault can hold: a net that only
        // an output of the model drives cannot be forced in every simulator.
        line("  reg seen" + std::to_string(k) + ";");
        line("  always @* seen" + std::to_string(k) + " = " + bit + ";");
        line("  assign sample[" + std::to_string(k) + "] = seen" + std::to_string(k) + ";");
    }
    if (sample.empty()) line("  assign sample = 1'bz;");
    std::string connections;
    for (std::size_t i = 0; i < model.ports.size(); ++i)
        connections += std::string(i ? ",\n" : "") + "    ." + identifier(model.ports[i].name) + "(port" +
                       std::to_string(i) + ")";
    line("  " + identifier(model.top) + " dut (\n" + connections + "\n  );");
    if (faults) {
        // The fault chosen by +fault=N, held before the first tact for the whole test.
        line("  integer fault;");
        line("  initial begin");
        line("    if (!$value$plusargs(\"fault=%d\", fault)) fault = 0;");
        line("    case (fault)");
        const auto sites = faultSites(bindings);
        for (std::size_t n = 0; n < sites.size(); ++n) {
            const BitBinding& b = bindings[static_cast<std::size_t>(sites[n].binding)];
            // An input (or an I/O port) on its net, which the model reads; an output where the test sees it.
            std::string held = "port" + std::to_string(b.port) + "[" + std::to_string(b.bit) + "]";
            if (!b.driveRow)
                for (std::size_t k = 0; k < sample.size(); ++k)
                    if (sample[k] == &b) held = "seen" + std::to_string(k);
            line("      " + std::to_string(n + 1) + ": force " + held + " = 1'b" + std::to_string(sites[n].level) +
                 ";  // " + rowName(doc, sites[n].pin));
        }
        line("      default: ;");
        line("    endcase");
        line("  end");
    }
    line("  reg [8*4096-1:0] file;");
    line("  integer tact, result;");
    line("  initial begin");
    line("    if (!$value$plusargs(\"vectors=%s\", file)) file = \"" + std::string(kVectorFile) + "\";");
    line("    $readmemb(file, vectors);");
    line("    if (!$value$plusargs(\"result=%s\", file)) file = \"" + std::string(kResultFile) + "\";");
    line("    result = $fopen(file, \"w\");");
    line("    if ($value$plusargs(\"vcd=%s\", file)) begin");
    line("      $dumpfile(file);");
    line("      $dumpvars(0, " + std::string(kTestbenchModule) + ");");
    line("    end");
    line("    #0;  // every block of the model waits for its events before the first tact");
    line("    for (tact = 1; tact <= TACTS; tact = tact + 1) begin");
    line("      drive = vectors[tact];");
    line("      #" + nanoseconds(samplePs) + " $fdisplay(result, \"%b\", sample);");
    if (tactPs > samplePs) line("      #" + nanoseconds(tactPs - samplePs) + ";");
    line("    end");
    line("    $fclose(result);");
    line("    $finish;");
    line("  end");
    line("endmodule");
    bench.verilog = std::move(s);
    return bench;
}

std::string writeTestbench(const Testbench& bench, const std::string& folder) {
    std::error_code ec;
    const auto dir = fsPath(folder);
    std::filesystem::create_directories(dir, ec);
    if (std::string e = writeFile(dir / kTestbenchFile, bench.verilog); !e.empty()) return e;
    return writeFile(dir / kVectorFile, bench.vectors);
}

Comparison compareResult(const TestDocument& doc, const Testbench& bench, const std::string& result) {
    Comparison out;
    const int tacts = doc.tactCount();
    const int test = doc.currentTest();
    const auto columns = bench.compareRows.size();
    const std::size_t width = std::max<std::size_t>(1, columns);
    std::vector<const model::CellLevel*> cells;
    for (int row : bench.compareRows) cells.push_back(doc.rowData(test, row));
    std::size_t at = 0;
    for (int t = 1; t <= tacts; ++t) {
        const auto end = result.find('\n', at);
        std::string_view line(result.data() + at, (end == std::string::npos ? result.size() : end) - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (at >= result.size() || line.size() != width) {
            out.error = "Симуляция не дошла до конца теста: нет результата такта " + std::to_string(t) + " из " +
                        std::to_string(tacts);
            return out;
        }
        at = end == std::string::npos ? result.size() : end + 1;
        for (std::size_t j = 0; j < columns; ++j) {
            const model::CellLevel want = cells[j][t];
            if (want > model::kHigh) continue;
            ++out.compared;
            char got = line[columns - 1 - j];
            if (got == 'X') got = 'x';
            if (got == 'Z') got = 'z';
            const char expected = want == model::kHigh ? '1' : '0';
            if (got == expected) ++out.matched;
            else out.mismatches.push_back({t, bench.compareRows[j], expected, got});
        }
    }
    out.ok = true;
    return out;
}

std::string mismatchLine(const TestDocument& doc, const Mismatch& m) {
    return "Такт " + std::to_string(m.tact) + ", " + rowName(doc, m.row) + ": ожидалось " + m.expected +
           ", модель дала " + m.got;
}

std::vector<std::string> reportLines(const TestDocument& doc, const Comparison& c, std::size_t shown) {
    std::vector<std::string> lines;
    const std::size_t n = std::min(shown, c.mismatches.size());
    for (std::size_t i = 0; i < n; ++i) lines.push_back(mismatchLine(doc, c.mismatches[i]));
    if (c.mismatches.size() > n) lines.push_back("Ещё расхождений: " + std::to_string(c.mismatches.size() - n));
    lines.push_back("Совпало " + std::to_string(c.matched) + " из " + std::to_string(c.compared) + " сравнений");
    return lines;
}

}  // namespace kvx::modelcheck
