#include "platform/ui/qt_prompter.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "platform/file_filter.h"

namespace kvx::platform {

namespace {

QMessageBox::Icon toQt(Icon icon) {
    switch (icon) {
    case Icon::Error: return QMessageBox::Critical;
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Information: return QMessageBox::Information;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQt(Buttons buttons) {
    switch (buttons) {
    case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::Ok: break;
    }
    return QMessageBox::Ok;
}

std::optional<std::string> runFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const std::string& directory,
                                         const std::string& filter = kTestFileFilter,
                                         const std::string& extension = kTestFileExtension) {
    QFileDialog dialog(parent, QString::fromUtf8(kApplicationTitle), QString::fromStdString(directory),
                       QString::fromStdString(toQtFilter(filter)));
    dialog.setAcceptMode(mode);
    if (mode == QFileDialog::AcceptSave) {
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QString::fromStdString(extension));
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);  // the save command asks itself
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty()) return std::nullopt;
    // The path as the system writes it (backslashes on Windows), as it is shown and handed on.
    return QDir::toNativeSeparators(files.first()).toStdString();
}

}  // namespace

Answer QtPrompter::ask(const std::string& text, Icon icon, Buttons buttons) {
    QMessageBox box(toQt(icon), QString::fromUtf8(kApplicationTitle), QString::fromStdString(text), toQt(buttons),
                    parent_.data());
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    case QMessageBox::Ok: return Answer::Ok;
    default: break;
    }
    // Closed by the window's close button or Escape without an escape button.
    return buttons == Buttons::Ok ? Answer::Ok : buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
}

std::optional<std::string> QtPrompter::openFileName(const std::string& directory) {
    return runFileDialog(parent_.data(), QFileDialog::AcceptOpen, directory);
}

std::optional<std::string> QtPrompter::saveFileName(const std::string& directory) {
    return runFileDialog(parent_.data(), QFileDialog::AcceptSave, directory);
}

std::optional<std::string> QtPrompter::openFileWithFilter(const std::string& directory, const std::string& filter,
                                                          int selectedFilter) {
    const QStringList filters = QString::fromStdString(toQtFilter(filter)).split(QStringLiteral(";;"));
    QFileDialog dialog(parent_.data(), QString::fromUtf8(kApplicationTitle), QString::fromStdString(directory));
    dialog.setNameFilters(filters);
    if (selectedFilter >= 0 && selectedFilter < filters.size()) dialog.selectNameFilter(filters[selectedFilter]);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty()) return std::nullopt;
    // The path as the system writes it (backslashes on Windows), as it is shown and handed on.
    return QDir::toNativeSeparators(files.first()).toStdString();
}

std::optional<std::uint32_t> QtPrompter::chooseColour(std::uint32_t initial) {
    const QColor chosen = QColorDialog::getColor(QColor::fromRgb(initial & 0xFFFFFFu), parent_.data());
    if (!chosen.isValid()) return std::nullopt;
    return static_cast<std::uint32_t>(chosen.rgb() & 0xFFFFFFu);
}

std::optional<std::string> QtPrompter::openOtherFileName(const std::string& directory, const std::string& filter) {
    return runFileDialog(parent_.data(), QFileDialog::AcceptOpen, directory, filter);
}

std::vector<std::string> QtPrompter::openOtherFileNames(const std::string& directory, const std::string& filter) {
    QFileDialog dialog(parent_.data(), QString::fromUtf8(kApplicationTitle), QString::fromStdString(directory),
                       QString::fromStdString(toQtFilter(filter)));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted) return {};
    std::vector<std::string> out;
    for (const QString& f : dialog.selectedFiles())
        if (!f.isEmpty()) out.push_back(QDir::toNativeSeparators(f).toStdString());
    return out;
}

std::optional<std::string> QtPrompter::saveOtherFileName(const std::string& directory, const std::string& filter,
                                                         const std::string& extension) {
    return runFileDialog(parent_.data(), QFileDialog::AcceptSave, directory, filter, extension);
}

}  // namespace kvx::platform
