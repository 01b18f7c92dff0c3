#pragma once
// What the windows that map the signals of another tool onto the test share: the pin rows,
// output rows and data words a map line can name, and a table whose last column holds one
// chooser per line.

#include <QObject>
#include <QString>
#include <vector>

#include "exchange/vcd_import.h"
#include "model/test_document.h"

class QComboBox;
class QLineEdit;
class QTableWidget;

namespace kvx::exchange::ui {

/// One row of the test, or one data word, that a map line can name.
struct MapTargetLine {
    QString number;  ///< pin number; "W1" for the first data word
    QString type;    ///< pin type ("O/i" for the output row of an I/O pin); "Слово" for a word
    QString name;    ///< pin or word name
    MapTarget target;
    int width = 1;   ///< 1 for a row, the member count of a word
};

enum class MapRows {
    Levels,    ///< the signal rows in display order whose levels are their own (formula rows left out)
    EveryPin,  ///< every pin of the package by number, each I/O pin followed by its output row
};

/// The rows `rows` asks for, then every data word that has members.
std::vector<MapTargetLine> mapTargetLines(const model::TestDocument& doc, MapRows rows);

/// A table of map lines under `titles`: its cells are not edited, its last column is stretched
/// and takes a chooser per line, and Tab goes from chooser to chooser.
QTableWidget* newMapTable(const QStringList& titles, QWidget* parent);

/// A chooser of a map table that takes the focus is scrolled into view. The text of an
/// editable one is selected, so that typing replaces the name with the text to search for; a
/// click selects it when the button is released, since the line edit places its caret on the press.
/// The mouse wheel over a chooser without the focus scrolls the table instead of changing the choice.
class ChooserFocus : public QObject {
public:
    explicit ChooserFocus(QTableWidget* table);
    /// `box` sits in line `row` of the table.
    void watch(QComboBox* box, int row);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableWidget* table_;
    QLineEdit* clicked_ = nullptr;
};

}  // namespace kvx::exchange::ui
