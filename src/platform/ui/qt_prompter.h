#pragma once
// The real Prompter: QMessageBox with the program title as caption, QFileDialog with the
// test-file filter, QColorDialog.

#include <QPointer>
#include <QWidget>

#include "platform/prompter.h"

namespace kvx::platform {

class QtPrompter : public Prompter {
public:
    /// Boxes and dialogs are centred on `parent` (may be null, and may be set later).
    explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    Answer ask(const std::string& text, Icon icon, Buttons buttons) override;
    std::optional<std::string> openFileName(const std::string& directory) override;
    std::optional<std::string> saveFileName(const std::string& directory) override;
    std::optional<std::uint32_t> chooseColour(std::uint32_t initial) override;
    std::optional<std::string> openFileWithFilter(const std::string& directory, const std::string& filter,
                                                  int selectedFilter) override;
    std::optional<std::string> openOtherFileName(const std::string& directory, const std::string& filter) override;
    std::vector<std::string> openOtherFileNames(const std::string& directory, const std::string& filter) override;
    std::optional<std::string> saveOtherFileName(const std::string& directory, const std::string& filter,
                                                 const std::string& extension) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace kvx::platform
