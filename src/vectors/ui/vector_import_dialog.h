#pragma once
// "Импорт векторов": a vector database, vector file or JEDEC file; the list of its chips with
// a filter field that finds any of a chip's names as typed, the choice DIP/SOIC and a preview
// of the chosen chip's test drawn by the diagram painter.

#include <QDialog>
#include <string>
#include <vector>

#include "model/test_document.h"
#include "platform/prompter.h"
#include "vectors/vectors.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace kvx::vectors::ui {

inline constexpr const char* kSourceFilter =
    "Векторы (*.xml *.vec *.txt *.jed)|*.xml *.vec *.txt *.jed|Все файлы|*";

class VectorPreview;

class VectorImportDialog : public QDialog {
    Q_OBJECT
public:
    VectorImportDialog(platform::Prompter& prompter, std::string folder, QWidget* parent = nullptr);

    /// Reads a source and lists its chips; a refused file is reported and the list stays.
    bool openSource(const std::string& path);
    const std::string& sourcePath() const { return path_; }
    /// Shows the chips one of whose names contains the text.
    void setFilter(const QString& text);
    /// The names of the listed chips that the filter shows, in order.
    std::vector<std::string> shownChips() const;
    /// Chooses the chip that has this name; false when none has.
    bool selectChip(const std::string& name);
    const Chip* currentChip() const;
    bool soic() const;
    void setSoic(bool soic);
    /// The test the chosen chip makes, as the preview shows it.
    const model::TestDocument& preview() const { return previewDoc_; }
    QPushButton* okButton() const { return ok_; }

private slots:
    void browse();
    void updatePreview();

private:
    platform::Prompter& prompter_;
    std::string folder_;
    std::string path_;
    std::vector<Chip> chips_;
    model::TestDocument previewDoc_;
    QLineEdit* file_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QRadioButton* dip_ = nullptr;
    QRadioButton* soic_ = nullptr;
    VectorPreview* previewView_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace kvx::vectors::ui
