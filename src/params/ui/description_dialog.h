#pragma once
// The description dialog "Описание Теста": the test name, the path of the document that
// describes the chip (with a button that opens it in the desktop's viewer) and the comment,
// a formatted text kept in the comment file beside the test file. Created for each use.

#include <QDialog>
#include <functional>
#include <string>

#include "params/rtf.h"
#include "params/ui/modal_runner.h"
#include "platform/prompter.h"
#include "platform/shell.h"
#include "model/test_document.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTextCharFormat;
class QTextEdit;
class QToolButton;

namespace kvx::params::ui {

inline constexpr const char* kDescriptionFilter = "Все файлы (*.*)|*.*|Файлы PDF|*.pdf|Файлы DOC|*.doc";
inline constexpr int kDescriptionFilterPdf = 1;

class TfmTestInfo : public QDialog {
    Q_OBJECT
public:
    /// `documentsFolder`: where "..." starts when the path field names no folder.
    TfmTestInfo(model::TestDocument& doc, platform::Prompter& prompter, platform::Shell& shell,
                std::string documentsFolder, QWidget* parent = nullptr);

    /// The fields from the document and the comment from the comment file (a file that cannot
    /// be read is reported and leaves the comment empty; a comment file that is the test file
    /// itself is reported and never read).
    void load();
    const std::string& commentFile() const { return commentFile_; }

    /// "OK": writes the comment file when the comment is not empty, then the name and the path
    /// go to the document. The dialog stays open, with the comment as typed, when the write
    /// fails, when the comment file is the test file itself, and when the user does not answer
    /// "Да" to replacing a comment file that could not be read.
    void BitBtn1Click();
    /// "...": chooses the description document.
    void chooseDocument();
    /// Opens the description document with the desktop's viewer.
    void openDocument();

    RichText comment() const;
    void setComment(const RichText& text);

    QLineEdit* nameField() const { return name_; }
    QLineEdit* pathField() const { return path_; }
    QPushButton* browseButton() const { return browse_; }
    QPushButton* viewButton() const { return view_; }
    QTextEdit* commentField() const { return comment_; }
    QToolButton* boldButton() const { return bold_; }
    QToolButton* italicButton() const { return italic_; }
    QToolButton* underlineButton() const { return underline_; }
    QComboBox* sizeList() const { return size_; }
    QToolButton* colourButton() const { return colour_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    void mergeFormat(const QTextCharFormat& format);
    void showFormat(const QTextCharFormat& format);
    void chooseColour();

    model::TestDocument& doc_;
    platform::Prompter& prompter_;
    platform::Shell& shell_;
    std::string documentsFolder_;
    std::string commentFile_;
    bool commentUnread_ = false;  ///< the comment file exists but could not be read
    std::string nameBeforeEdit_;

    QLineEdit* name_ = nullptr;
    QLineEdit* path_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* view_ = nullptr;
    QTextEdit* comment_ = nullptr;
    QToolButton* bold_ = nullptr;
    QToolButton* italic_ = nullptr;
    QToolButton* underline_ = nullptr;
    QComboBox* size_ = nullptr;
    QToolButton* colour_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

/// The command "Описание теста...": refuses a test that has no file yet, then creates the
/// dialog, announces it through `created` (window placement), runs it and destroys it. True
/// when "OK" closed it.
bool runDescriptionCommand(model::TestDocument& doc, platform::Prompter& prompter, platform::Shell& shell,
                           const std::string& documentsFolder, QWidget* parent, const ModalRunner& run,
                           const std::function<void(QDialog*)>& created = {});

}  // namespace kvx::params::ui
