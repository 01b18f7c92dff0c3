#pragma once
// What the first page of the test sheet says about a test, as texts: the heading fields
// (file, package, algorithm, test parameters, description document, date), the pin table,
// the data words and the settings of the active algorithm. The comment is read from the
// comment file by the drawing half, which keeps its formatting.

#include <string>
#include <vector>

#include "model/test_document.h"

namespace kvx::sheet {

struct Field {
    std::string label;
    std::string value;
    bool operator==(const Field&) const = default;
};

struct Table {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};

struct SheetContents {
    std::string title;                ///< the test name
    std::vector<Field> fields;        ///< heading fields, in the order they are printed
    Table pins;                       ///< number, type, name, formula
    Table words;                      ///< name, direction, number system, members from the lowest bit
    std::string algorithmName;        ///< "Стандартный Алгоритм" ...
    std::vector<Field> algorithm;     ///< the active algorithm's settings as its page shows them
};

/// The contents of `doc`'s sheet; `date` is printed as given, `tacts` names the tact range
/// the diagram pages show.
SheetContents sheetContents(const model::TestDocument& doc, const std::string& date, int firstTact, int lastTact);

}  // namespace kvx::sheet
