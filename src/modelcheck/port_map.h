#pragma once
// Which row of the test each bit of the model's ports drives or is compared with. The map
// has the lines of the VCD import's map ("PORT pin N", "PORT out N", "PORT word K", one bit
// as "PORT[3]"); the automatic map finds ports named like pins and data words.

#include <optional>
#include <string>
#include <vector>

#include "exchange/vcd_import.h"
#include "model/test_document.h"
#include "modelcheck/model_ports.h"

namespace kvx::modelcheck {

/// One bit of a port and what the test does with it.
struct BitBinding {
    int port = 0;        ///< index in the model's port list
    int bit = 0;         ///< 0 = least significant bit of the port
    int driveRow = 0;    ///< row whose levels are driven onto the bit (0: none)
    int compareRow = 0;  ///< row whose expected levels are compared with the bit (0: none)
    int constant = -1;   ///< 1 for a VCC pin, 0 for a GND pin, -1 otherwise
    bool operator==(const BitBinding&) const = default;
};

/// The bindings of a map. Nullopt with a Russian message naming the map line when a port or
/// a pin is missing or does not fit, and listing the inputs of the model and the rows of the
/// test that the map leaves out. `notes` gets the outputs of the model that are not compared.
std::optional<std::vector<BitBinding>> bindPorts(const model::TestDocument& doc, const std::vector<ModelPort>& ports,
                                                 const std::vector<exchange::MapEntry>& map, std::string& error,
                                                 std::vector<std::string>* notes = nullptr);

/// The automatic map: a port named like a pin (case-insensitive), "p<N>" or "pin<N>" goes to
/// pin N, a port "VCC" or "GND" to the supply pin of that type, a vector port named like a
/// data word of its width to that word. A port that fits several is left out.
std::vector<exchange::MapEntry> autoMap(const model::TestDocument& doc, const std::vector<ModelPort>& ports);

/// "вывод 12 (Q2)", "выход вывода 2 (D0)" for the output row of an I/O pin: how messages name
/// a row of the test.
std::string rowName(const model::TestDocument& doc, int row);

}  // namespace kvx::modelcheck
