#pragma once
// The data table "Таблица данных": the value of every data word at every tact, one line per
// (tact, word), where the user types new values that land in the words' member rows. Created
// for each use, shown modally, destroyed when it closes.

#include <QDialog>
#include <cstdint>
#include <functional>

#include "model/test_document.h"
#include "platform/prompter.h"
#include "words/data_table.h"

class QListWidget;
class QScrollBar;

namespace kvx::words::ui {

class TableGrid;
class WordTableModel;

class TFTable : public QDialog {
    Q_OBJECT
public:
    /// A filled table; `currentTact` is the main window's current tact (its line becomes current:
    /// the line of `currentWord` when one is given, else the tact's last line).
    TFTable(model::TestDocument& doc, int currentTact, QWidget* parent = nullptr, int currentWord = -1);
    ~TFTable() override;

    /// The command "Таблица...": "Таблица данных пуста" when the table has no data line,
    /// otherwise the table shown modally until it closes; `written` runs after every commit
    /// that changed the diagram. False when only the message was shown.
    static bool run(model::TestDocument& doc, platform::Prompter& prompter, int currentTact, QWidget* parent,
                    const std::function<void()>& written);
    /// The same, opened at `tact` on the line of data word `word` (its index in the word list),
    /// as a double click on that word's lane asks; a word that is not listed opens on the last
    /// line of the tact, as "Таблица..." does.
    static bool runAt(model::TestDocument& doc, platform::Prompter& prompter, int tact, int word, QWidget* parent,
                      const std::function<void()>& written);
    /// Makes the line of `word` at `tact` current (the value cell, ready for typing); the lines
    /// filled again after a change of the filter keep to that tact and word.
    void showAt(int tact, int word);

    bool hasLines() const { return table_.lineCount() > 0; }
    DataTable& table() { return table_; }
    WordTableModel* model() const { return model_; }
    TableGrid* grid() const { return grid_; }
    QScrollBar* scrollBar() const { return bar_; }
    QListWidget* filterList() const { return filter_; }

    /// The word filter list, placed over the header of column 1.
    void showFilterList();
    /// Filter item chosen: 0 "все", k + 1 word k. The lines are filled again.
    void chooseFilter(int item);

signals:
    /// A commit wrote a value into the diagram.
    void valueWritten(int tact, int word);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    /// Steps of a filling after the filter: the lines, then the current tact's line current.
    void fill();

    model::TestDocument& doc_;
    DataTable table_;
    int currentTact_ = 0;
    int currentWord_ = -1;  ///< the word whose line is made current; -1: the tact's last line
    WordTableModel* model_ = nullptr;
    TableGrid* grid_ = nullptr;
    QScrollBar* bar_ = nullptr;
    QListWidget* filter_ = nullptr;
};

}  // namespace kvx::words::ui
