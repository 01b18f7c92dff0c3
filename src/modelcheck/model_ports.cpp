#include "modelcheck/model_ports.h"

#include <cstdlib>
#include <sstream>

namespace kvx::modelcheck {

namespace {

/// The text between the first pair of double quotes at or after `from`; npos-safe.
std::string quotedAt(const std::string& line, std::size_t& from) {
    const auto open = line.find('"', from);
    if (open == std::string::npos) return {};
    const auto close = line.find('"', open + 1);
    if (close == std::string::npos) return {};
    from = close + 1;
    return line.substr(open + 1, close - open - 1);
}

bool startsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

}  // namespace

int portBit(const ModelPort& port, int index) {
    const int bit = port.msb >= port.lsb ? index - port.lsb : port.lsb - index;
    return bit >= 0 && bit < port.width ? bit : -1;
}

std::optional<ModelInterface> readModelInterface(const std::string& compiled, const std::string& top,
                                                 std::string& error, std::vector<std::string>* topModules) {
    struct Scope {
        std::string name;
        std::vector<ModelPort> ports;
    };
    std::vector<Scope> roots;
    Scope* current = nullptr;  // the top module being read; nullptr inside other scopes
    std::istringstream in(compiled);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // A scope line: S_<id> .scope module, "name" "type" file line[, file line col, S_parent];
        if (startsWith(line, "S_")) {
            current = nullptr;
            const auto at = line.find(" .scope module, ");
            if (at == std::string::npos) continue;
            std::size_t from = at;
            quotedAt(line, from);
            const std::string type = quotedAt(line, from);
            if (line.find(", S_", from) != std::string::npos) continue;  // an instance inside another module
            roots.push_back({type, {}});
            current = &roots.back();
            continue;
        }
        if (!current) continue;
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == ".port_info") {
            // .port_info N /INPUT|/OUTPUT|/INOUT WIDTH "name";
            int index = 0, width = 0;
            std::string dir;
            words >> index >> dir >> width;
            std::size_t from = 0;
            ModelPort p;
            p.name = quotedAt(line, from);
            p.width = width > 0 ? width : 1;
            p.msb = p.width - 1;
            p.direction = dir == "/OUTPUT" ? PortDirection::Output : dir == "/INOUT" ? PortDirection::InOut
                                                                                       : PortDirection::Input;
            current->ports.push_back(p);
        } else if (startsWith(key, ".net") || startsWith(key, ".var")) {
            // The declared range of a port: .net "name", MSB LSB, ...
            std::size_t from = 0;
            const std::string name = quotedAt(line, from);
            std::istringstream range(line.substr(from));
            char comma = 0;
            int msb = 0, lsb = 0;
            if (!(range >> comma >> msb >> lsb) || comma != ',') continue;
            for (ModelPort& p : current->ports)
                if (p.name == name && std::abs(msb - lsb) + 1 == p.width) {
                    p.msb = msb;
                    p.lsb = lsb;
                }
        }
    }
    ModelInterface result;
    for (const auto& r : roots) result.roots.push_back(r.name);
    if (topModules) *topModules = result.roots;
    std::string names;
    for (const auto& r : roots) names += (names.empty() ? "" : ", ") + r.name;
    const Scope* chosen = nullptr;
    if (!top.empty()) {
        for (const auto& r : roots)
            if (r.name == top) chosen = &r;
        if (!chosen) {
            error = "В файлах модели нет модуля верхнего уровня «" + top + "»" +
                    (names.empty() ? std::string() : " (есть: " + names + ")");
            return std::nullopt;
        }
    } else if (roots.size() == 1) {
        chosen = &roots.front();
    } else {
        error = roots.empty() ? std::string("В файлах модели нет ни одного модуля")
                              : "В файлах модели несколько модулей верхнего уровня (" + names +
                                    "): укажите нужный (--top)";
        return std::nullopt;
    }
    result.top = chosen->name;
    result.ports = chosen->ports;
    return result;
}

}  // namespace kvx::modelcheck
