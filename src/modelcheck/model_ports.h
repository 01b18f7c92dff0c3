#pragma once
// The ports of a chip's model as the simulator compiled them: the compiled simulation file of
// Icarus Verilog names every top module, its ports in order with their directions and widths,
// and the declared range of each port.

#include <optional>
#include <string>
#include <vector>

namespace kvx::modelcheck {

enum class PortDirection { Input, Output, InOut };

struct ModelPort {
    std::string name;
    PortDirection direction = PortDirection::Input;
    int width = 1;
    int msb = 0;  ///< declared range [msb:lsb]
    int lsb = 0;
    bool operator==(const ModelPort&) const = default;
};

struct ModelInterface {
    std::string top;                  ///< the module the test runs on
    std::vector<std::string> roots;   ///< every top module of the files, in file order
    std::vector<ModelPort> ports;     ///< ports of `top` in declaration order
};

/// Reads the compiled simulation file's text. `top` empty: the files must hold one top module.
/// Nullopt with a Russian message when `top` is not a top module or the choice is not clear.
/// `topModules`, when given, gets every top module of the files even then.
std::optional<ModelInterface> readModelInterface(const std::string& compiled, const std::string& top,
                                                 std::string& error, std::vector<std::string>* topModules = nullptr);

/// Index in declaration order of the bit `index` of a port as the model declares it
/// ([7:0] or [0:7]); -1 when the port has no such bit.
int portBit(const ModelPort& port, int index);

}  // namespace kvx::modelcheck
