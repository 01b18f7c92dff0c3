#include "params/ui/description_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextCharFormat>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>
#include <utility>

#include "params/comment_file.h"
#include "params/ui/rich_text_document.h"

namespace kvx::params::ui {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

constexpr int kFontSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 24, 28, 36, 48, 72};

QToolButton* formatButton(const QString& text, const QString& tip, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(tip);
    b->setCheckable(true);
    b->setAutoRaise(true);
    return b;
}

}  // namespace

TfmTestInfo::TfmTestInfo(model::TestDocument& doc, platform::Prompter& prompter, platform::Shell& shell,
                         std::string documentsFolder, QWidget* parent)
    : QDialog(parent), doc_(doc), prompter_(prompter), shell_(shell), documentsFolder_(std::move(documentsFolder)) {
    setObjectName(QStringLiteral("fmTestInfo"));
    setWindowTitle(QStringLiteral("Описание Теста"));
    setModal(true);
    setSizeGripEnabled(true);

    name_ = new QLineEdit(this);
    path_ = new QLineEdit(this);
    browse_ = new QPushButton(QStringLiteral("..."), this);
    browse_->setAutoDefault(false);
    browse_->setFixedWidth(32);
    view_ = new QPushButton(QStringLiteral("Открыть"), this);
    view_->setAutoDefault(false);
    view_->setToolTip(QStringLiteral("Открыть файл описания микросхемы программой просмотра"));

    bold_ = formatButton(QStringLiteral("Ж"), QStringLiteral("Полужирный"), this);
    QFont boldFace = bold_->font();
    boldFace.setBold(true);
    bold_->setFont(boldFace);
    italic_ = formatButton(QStringLiteral("К"), QStringLiteral("Курсив"), this);
    QFont italicFace = italic_->font();
    italicFace.setItalic(true);
    italic_->setFont(italicFace);
    underline_ = formatButton(QStringLiteral("Ч"), QStringLiteral("Подчёркнутый"), this);
    QFont underlineFace = underline_->font();
    underlineFace.setUnderline(true);
    underline_->setFont(underlineFace);
    size_ = new QComboBox(this);
    size_->setToolTip(QStringLiteral("Размер шрифта"));
    for (int s : kFontSizes) size_->addItem(QString::number(s), s);
    colour_ = new QToolButton(this);
    colour_->setText(QStringLiteral("Цвет..."));
    colour_->setToolTip(QStringLiteral("Цвет текста"));
    colour_->setAutoRaise(true);

    comment_ = new QTextEdit(this);
    comment_->setAcceptRichText(true);
    comment_->setLineWrapMode(QTextEdit::NoWrap);
    comment_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    comment_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Отмена"), this);
    cancel_->setAutoDefault(false);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(path_, 1);
    pathRow->addWidget(browse_);
    pathRow->addWidget(view_);
    auto* formatRow = new QHBoxLayout;
    formatRow->addWidget(new QLabel(QStringLiteral("Комментарий к тесту"), this));
    formatRow->addStretch(1);
    for (QWidget* w : {static_cast<QWidget*>(bold_), static_cast<QWidget*>(italic_), static_cast<QWidget*>(underline_),
                       static_cast<QWidget*>(size_), static_cast<QWidget*>(colour_)})
        formatRow->addWidget(w);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Название теста"), this));
    layout->addWidget(name_);
    layout->addWidget(new QLabel(QStringLiteral("Файл описания микросхемы"), this));
    layout->addLayout(pathRow);
    layout->addLayout(formatRow);
    layout->addWidget(comment_, 1);
    layout->addLayout(buttons);
    resize(560, 420);

    connect(name_, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString limited = q(limitEdit(nameBeforeEdit_, text.toStdString(), kTestNameLength));
        if (limited != text) {
            const int caret = std::min(name_->cursorPosition(), static_cast<int>(limited.size()));
            name_->setText(limited);
            name_->setCursorPosition(caret);
        }
        nameBeforeEdit_ = name_->text().toStdString();
    });
    connect(browse_, &QPushButton::clicked, this, &TfmTestInfo::chooseDocument);
    connect(view_, &QPushButton::clicked, this, &TfmTestInfo::openDocument);
    connect(bold_, &QToolButton::clicked, this, [this](bool on) {
        QTextCharFormat f;
        f.setFontWeight(on ? QFont::Bold : QFont::Normal);
        mergeFormat(f);
    });
    connect(italic_, &QToolButton::clicked, this, [this](bool on) {
        QTextCharFormat f;
        f.setFontItalic(on);
        mergeFormat(f);
    });
    connect(underline_, &QToolButton::clicked, this, [this](bool on) {
        QTextCharFormat f;
        f.setFontUnderline(on);
        mergeFormat(f);
    });
    connect(size_, &QComboBox::activated, this, [this](int index) {
        QTextCharFormat f;
        f.setFontPointSize(size_->itemData(index).toInt());
        mergeFormat(f);
    });
    // Ctrl+B, Ctrl+I and Ctrl+U press their buttons at once: the format applies from the caret
    // before the next key, and the keyboard stays in the comment (a button's own shortcut
    // would take the focus and press it only after its animation).
    for (const auto& [key, button] : {std::pair{Qt::Key_B, bold_}, std::pair{Qt::Key_I, italic_},
                                      std::pair{Qt::Key_U, underline_}}) {
        const QKeySequence keys(Qt::CTRL | key);
        button->setToolTip(button->toolTip() + " (" + keys.toString(QKeySequence::NativeText) + ")");
        connect(new QShortcut(keys, this), &QShortcut::activated, button, &QToolButton::click);
    }
    connect(colour_, &QToolButton::clicked, this, &TfmTestInfo::chooseColour);
    connect(comment_, &QTextEdit::currentCharFormatChanged, this, &TfmTestInfo::showFormat);
    connect(ok_, &QPushButton::clicked, this, &TfmTestInfo::BitBtn1Click);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    showFormat(comment_->currentCharFormat());
}

void TfmTestInfo::mergeFormat(const QTextCharFormat& format) {
    comment_->mergeCurrentCharFormat(format);
    comment_->setFocus();
}

void TfmTestInfo::showFormat(const QTextCharFormat& f) {
    bold_->setChecked(f.fontWeight() >= QFont::DemiBold);
    italic_->setChecked(f.fontItalic());
    underline_->setChecked(f.fontUnderline());
    const double points = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize()
                                                                    : comment_->document()->defaultFont().pointSizeF();
    const int index = size_->findData(static_cast<int>(points + 0.5));
    if (index >= 0) {
        size_->setCurrentIndex(index);
    } else {
        size_->setCurrentIndex(-1);
    }
}

void TfmTestInfo::chooseColour() {
    const QTextCharFormat current = comment_->currentCharFormat();
    const std::uint32_t initial = current.foreground().style() != Qt::NoBrush
                                      ? static_cast<std::uint32_t>(current.foreground().color().rgb() & 0xFFFFFFu)
                                      : 0u;
    const auto chosen = prompter_.chooseColour(initial);
    if (!chosen) return;
    QTextCharFormat f;
    f.setForeground(QColor::fromRgb(*chosen & 0xFFFFFFu));
    mergeFormat(f);
}

RichText TfmTestInfo::comment() const { return fromDocument(*comment_->document()); }

void TfmTestInfo::setComment(const RichText& text) { fillDocument(*comment_->document(), text); }

void TfmTestInfo::load() {
    name_->setText(q(doc_.testName()));
    nameBeforeEdit_ = doc_.testName();
    path_->setText(q(doc_.descriptionFile()));
    commentFile_ = commentFilePath(doc_.fileName());
    commentUnread_ = false;
    comment_->clear();
    const std::string clash = commentFileClash(commentFile_, doc_.fileName());
    if (!clash.empty()) {
        prompter_.error(clash);  // the test file is never read as its own comment
    } else {
        const CommentRead read = readCommentFile(commentFile_);
        commentUnread_ = !read.error.empty();
        if (commentUnread_) prompter_.error(read.error);
        if (read.exists && read.error.empty()) setComment(read.text);
    }
    comment_->moveCursor(QTextCursor::Start);
}

void TfmTestInfo::chooseDocument() {
    const std::string typed = descriptionDocumentPath(path_->text().toStdString(), doc_.fileName());
    std::string folder = folderOf(typed);
    if (folder.empty() || !pathExists(folder)) folder = documentsFolder_;
    if (folder.empty()) folder = folderOf(doc_.fileName());
    const auto chosen = prompter_.openFileWithFilter(folder, kDescriptionFilter, kDescriptionFilterPdf);
    if (chosen && !chosen->empty()) path_->setText(q(*chosen));
}

void TfmTestInfo::openDocument() {
    const std::string typed = path_->text().toStdString();
    if (typed.empty()) {
        prompter_.error("Файл описания микросхемы не указан.");
        return;
    }
    const std::string path = descriptionDocumentPath(typed, doc_.fileName());
    if (!pathExists(path)) {
        prompter_.error("Файл описания микросхемы не найден:\n" + path);
        return;
    }
    if (!shell_.openDocument(path, folderOf(path), platform::WindowState::Default))
        prompter_.error("Не удалось открыть файл описания микросхемы:\n" + path);
}

void TfmTestInfo::BitBtn1Click() {
    if (!comment_->document()->isEmpty()) {
        // Whenever the dialog stays open, what was typed stays in it.
        const std::string clash = commentFileClash(commentFile_, doc_.fileName());
        if (!clash.empty()) {
            prompter_.error(clash);
            return;
        }
        if (commentUnread_ && pathExists(commentFile_) &&
            prompter_.ask(replaceUnreadCommentQuestion(commentFile_), platform::Icon::Question,
                          platform::Buttons::YesNo) != platform::Answer::Yes)
            return;
        const std::string failure = writeCommentFile(commentFile_, comment());
        if (!failure.empty()) {
            prompter_.error(failure);  // the dialog stays open: nothing typed is lost
            return;
        }
    }
    const std::string name = name_->text().toStdString();
    if (name != doc_.testName()) doc_.setTestName(name);
    const std::string path = path_->text().toStdString();
    if (path != doc_.descriptionFile()) {
        doc_.setDescriptionFile(path);
        doc_.markChanged();
    }
    accept();
}

bool runDescriptionCommand(model::TestDocument& doc, platform::Prompter& prompter, platform::Shell& shell,
                           const std::string& documentsFolder, QWidget* parent, const ModalRunner& run,
                           const std::function<void(QDialog*)>& created) {
    if (doc.fileName().empty()) {
        prompter.error(kNoFileYet);
        return false;
    }
    auto dialog = std::make_unique<TfmTestInfo>(doc, prompter, shell, documentsFolder, parent);
    dialog->load();
    if (created) created(dialog.get());
    return (run ? run(*dialog) : execModal(*dialog)) == QDialog::Accepted;
}

}  // namespace kvx::params::ui
