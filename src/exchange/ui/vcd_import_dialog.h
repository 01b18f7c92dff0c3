#pragma once
// "Импорт VCD": which signal of a VCD file goes to which pin row, output row or data word of the
// test, the length of a tact in the file and the point of the tact at which it is sampled.

#include <QDialog>
#include <vector>

#include "exchange/vcd_import.h"
#include "model/test_document.h"

class QComboBox;
class QLineEdit;
class QSpinBox;
class QTableWidget;

namespace kvx::exchange::ui {

class TFVcdImport : public QDialog {
    Q_OBJECT
public:
    /// Rows of the table: every signal row of the test that is not computed from a formula, then
    /// every data word; each offers the VCD signals that fit it, preset from the names.
    TFVcdImport(const model::TestDocument& doc, const VcdHeader& header, QWidget* parent = nullptr);

    /// One line per table row that was given a signal.
    std::vector<MapEntry> entries() const;
    /// Tact length and sample point as entered; tactFs is 0 when the length is not understood.
    ImportOptions options() const;

    QTableWidget* table() const { return table_; }
    /// The signal chooser of table row `index`.
    QComboBox* chooser(int index) const;
    QLineEdit* tactField() const { return tactField_; }
    QSpinBox* offsetField() const { return offsetField_; }

private:
    struct Target {
        MapTarget target;
        int width;
    };
    std::vector<Target> targets_;
    QTableWidget* table_ = nullptr;
    QLineEdit* tactField_ = nullptr;
    QSpinBox* offsetField_ = nullptr;
};

}  // namespace kvx::exchange::ui
