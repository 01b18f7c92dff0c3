#include "words/ui/editor_word.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "words/ui/rename_dialog.h"

namespace kvx::words::ui {

namespace {

QString q(const std::string& utf8) { return QString::fromStdString(utf8); }

/// Shows `lines` in `list`. A list that shows them already is left alone, so that its focused
/// line and a click in progress on it survive a refresh that changed nothing (the activation
/// of the window falls between the two clicks of a double click).
void showLines(QListWidget* list, const QStringList& lines) {
    bool same = list->count() == lines.size();
    for (int i = 0; same && i < lines.size(); ++i) same = list->item(i)->text() == lines[i];
    if (same) return;
    list->clear();
    list->addItems(lines);
}

void makeBold(QWidget* w) {
    QFont f = w->font();
    f.setBold(true);
    w->setFont(f);
}

}  // namespace

TEditorWord::TEditorWord(model::TestDocument& doc, platform::Prompter& prompter, TRename& namePrompt,
                         QWidget* parent)
    : QDialog(parent), doc_(doc), prompter_(prompter), namePrompt_(namePrompt), editor_(doc) {
    setObjectName("TEditorWord");
    setWindowTitle("Слова Данных");
    setModal(false);

    // The word, its direction and number system. The label's "C" is a Latin letter.
    wordList_ = new QComboBox(this);
    wordList_->setEditable(false);
    wordList_->setMinimumWidth(160);
    rename_ = new QPushButton("Изменить", this);
    directionList_ = new QComboBox(this);
    for (const char* item : kDirectionItems) directionList_->addItem(item);
    radixList_ = new QComboBox(this);
    for (const char* item : kRadixItems) radixList_->addItem(item);
    radixList_->setCurrentIndex(radixItem(10));
    for (QWidget* w : {static_cast<QWidget*>(wordList_), static_cast<QWidget*>(directionList_),
                       static_cast<QWidget*>(radixList_)})
        makeBold(w);

    auto* top = new QGridLayout;
    top->addWidget(new QLabel("Имя Cлова Данных", this), 0, 0);
    top->addWidget(wordList_, 1, 0);
    top->addWidget(rename_, 1, 1);
    top->addWidget(new QLabel("Тип контакта", this), 0, 2);
    top->addWidget(directionList_, 1, 2);
    top->addWidget(new QLabel("Система счисления", this), 0, 3);
    top->addWidget(radixList_, 1, 3);

    // The two pin lists and the buttons between them.
    allPins_ = new QListWidget(this);
    wordPins_ = new QListWidget(this);
    for (QListWidget* l : {allPins_, wordPins_}) {
        makeBold(l);
        l->setMinimumSize(150, 220);
    }
    addPin_ = new QPushButton(">", this);
    addAll_ = new QPushButton(">>", this);
    removePin_ = new QPushButton("<", this);
    removeAll_ = new QPushButton("<<", this);
    auto* moves = new QVBoxLayout;
    moves->addStretch(1);
    for (QPushButton* b : {addPin_, addAll_, removePin_, removeAll_}) {
        b->setAutoDefault(false);
        b->setFixedWidth(40);
        moves->addWidget(b);
    }
    moves->addStretch(1);
    auto* pins = new QGridLayout;
    pins->addWidget(new QLabel("Все контакты", this), 0, 0);
    pins->addWidget(allPins_, 1, 0);
    pins->addLayout(moves, 1, 1);
    pins->addWidget(new QLabel("Контакты слова", this), 0, 2);
    pins->addWidget(wordPins_, 1, 2);

    // Members typed as pin numbers, from the least significant bit.
    typedMembers_ = new QLineEdit(this);
    typedMembers_->setPlaceholderText("14-11 или 11,12,13,14");
    typedMembers_->setToolTip("Выводы слова от младшего разряда: диапазон 14-11 или список 11,12,13,14");
    typedMembers_->installEventFilter(this);
    addTyped_ = new QPushButton("В слово", this);
    addTyped_->setAutoDefault(false);
    auto* typedRow = new QHBoxLayout;
    typedRow->addWidget(new QLabel("Выводы от младшего разряда:", this));
    typedRow->addWidget(typedMembers_, 1);
    typedRow->addWidget(addTyped_);
    pins->addLayout(typedRow, 2, 0, 1, 3);

    // Adding and deleting words; closing.
    add_ = new QPushButton("&Добавить...", this);
    delete_ = new QPushButton("&Удалить", this);
    auto* wordBox = new QGroupBox("Слово данных", this);
    auto* wordButtons = new QHBoxLayout(wordBox);
    wordButtons->addWidget(add_);
    wordButtons->addWidget(delete_);
    apply_ = new QPushButton("&Применить", this);
    cancel_ = new QPushButton("&Отмена", this);
    for (QPushButton* b : {rename_, add_, delete_, cancel_}) b->setAutoDefault(false);
    apply_->setDefault(true);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(wordBox);
    bottom->addStretch(1);
    bottom->addWidget(apply_);
    bottom->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(pins, 1);
    layout->addLayout(bottom);

    connect(wordList_, &QComboBox::activated, this, &TEditorWord::ComboBox1Change);
    connect(directionList_, &QComboBox::activated, this, &TEditorWord::ComboBoxDirectionChange);
    connect(radixList_, &QComboBox::activated, this, &TEditorWord::ComboBoxRadixChange);
    connect(addPin_, &QPushButton::clicked, this, &TEditorWord::BitBtnAddPinClick);
    connect(addAll_, &QPushButton::clicked, this, &TEditorWord::BitBtnAddAllClick);
    connect(removePin_, &QPushButton::clicked, this, &TEditorWord::BitBtnRemovePinClick);
    connect(removeAll_, &QPushButton::clicked, this, &TEditorWord::BitBtnRemoveAllClick);
    connect(allPins_, &QListWidget::itemDoubleClicked, this, &TEditorWord::BitBtnAddPinClick);
    connect(wordPins_, &QListWidget::itemDoubleClicked, this, &TEditorWord::BitBtnRemovePinClick);
    connect(addTyped_, &QPushButton::clicked, this, &TEditorWord::ButtonTypedMembersClick);
    connect(add_, &QPushButton::clicked, this, &TEditorWord::ButtonAddClick);
    connect(rename_, &QPushButton::clicked, this, &TEditorWord::ButtonRenameClick);
    connect(delete_, &QPushButton::clicked, this, &TEditorWord::ButtonDeleteClick);
    connect(apply_, &QPushButton::clicked, this, &TEditorWord::BitBtnApplyClick);
    connect(cancel_, &QPushButton::clicked, this, &TEditorWord::BitBtnCancelClick);
}

void TEditorWord::showEditor() {
    show();
    raise();
    activateWindow();
}

void TEditorWord::documentReplaced() {
    editor_.listReplaced();
    refillWordList();
    selectWord(editor_.selected());
}

void TEditorWord::documentRestored() {
    const int count = static_cast<int>(doc_.dataWords().size());
    int index = editor_.selected();
    if (index < 0 || index >= count) index = count - 1;
    selectWord(index);
    refillWordList();  // names may differ although the count did not
}

// ---- selection and lists ------------------------------------------------------------------

void TEditorWord::selectWord(int index) {
    editor_.select(index);
    // What "&Отмена" takes back starts here, with the backup (with none selected it has
    // nothing to take back).
    if (marks_.mark) mark_ = marks_.mark();
    showWord();
}

void TEditorWord::showWord() {
    const model::DataWord* word = editor_.selectedWord();
    if (!word) {
        allPins_->clear();
        wordPins_->clear();
        return;
    }
    {
        const QSignalBlocker b1(wordList_), b2(directionList_), b3(radixList_);
        if (wordList_->count() != static_cast<int>(doc_.dataWords().size())) refillWordList();
        wordList_->setCurrentIndex(editor_.selected());
        // A new word shows no direction until its first member gives it one.
        directionList_->setCurrentIndex(editor_.directionOpen() ? -1 : word->direction);
        radixList_->setCurrentIndex(radixItem(word->radix));
    }
    rebuildAllPins();
    rebuildWordPins();
}

void TEditorWord::takeBackSteps() {
    if (marks_.takeBackTo) marks_.takeBackTo(mark_);
}

void TEditorWord::refillWordList() {
    const QSignalBlocker block(wordList_);
    wordList_->clear();
    for (const model::DataWord& w : doc_.dataWords()) wordList_->addItem(q(w.wordName));
    wordList_->setCurrentIndex(editor_.selected());
}

void TEditorWord::rebuildAllPins() {
    QStringList lines;
    for (int pin : editor_.offered()) lines << q(pinLine(doc_, pin));
    showLines(allPins_, lines);
}

void TEditorWord::rebuildWordPins() {
    QStringList lines;
    for (int pin : editor_.members()) lines << q(pinLine(doc_, pin));
    showLines(wordPins_, lines);
}

// ---- handlers -----------------------------------------------------------------------------

void TEditorWord::ComboBox1Change(int index) { selectWord(index); }

void TEditorWord::ComboBoxDirectionChange(int item) {
    if (!editor_.selectedWord()) return;  // the item is kept for the next new word
    editor_.setDirectionItem(item);
    selectWord(editor_.selected());
}

void TEditorWord::ComboBoxRadixChange(int item) { editor_.setRadixItem(item); }

void TEditorWord::BitBtnAddPinClick() {
    QListWidgetItem* line = allPins_->currentItem();
    if (!line || !editor_.selectedWord()) return;
    const bool first = editor_.directionOpen();
    const auto pin = pinOfLine(line->text().toStdString());
    delete line;
    if (pin && editor_.moveIn(*pin) == MoveInResult::Full) prompter_.error(kCannotAddPin);
    if (first) showWord();  // the word took its direction: the pins of the others go
    else rebuildWordPins();
}

void TEditorWord::BitBtnAddAllClick() {
    if (!editor_.selectedWord()) return;
    bool full = false;
    for (int i = 0; i < 100 && allPins_->count() > 0; ++i) {
        const bool first = editor_.directionOpen();
        const auto pin = pinOfLine(allPins_->item(0)->text().toStdString());
        delete allPins_->item(0);
        if (pin && editor_.moveIn(*pin) == MoveInResult::Full) full = true;
        // The first member of a new word gave it its direction: only pins of that direction follow.
        if (first) rebuildAllPins();
    }
    // One message for the whole command, not one per pin that found no slot.
    if (full) prompter_.error(kCannotAddPin);
    showWord();
}

void TEditorWord::ButtonTypedMembersClick() {
    if (!editor_.selectedWord()) return;
    const TypedMembers typed = parseTypedMembers(typedMembers_->text().toStdString(), doc_.pinCount());
    std::string error = typed.error;
    if (error.empty()) error = editor_.addTyped(typed.pins);
    if (!error.empty()) {
        prompter_.error(error);  // the text stays for mending
        typedMembers_->setFocus();
        return;
    }
    if (!typed.pins.empty()) typedMembers_->clear();
    showWord();
}

void TEditorWord::BitBtnRemovePinClick() {
    QListWidgetItem* line = wordPins_->currentItem();
    if (!line || !editor_.selectedWord()) return;
    if (const auto pin = pinOfLine(line->text().toStdString())) editor_.moveOut(*pin);
    rebuildAllPins();
    rebuildWordPins();
}

void TEditorWord::BitBtnRemoveAllClick() {
    editor_.clearMembers();
    rebuildAllPins();
    rebuildWordPins();
}

void TEditorWord::ButtonAddClick() {
    if (!editor_.canAdd()) {
        prompter_.error(kTooManyWords);
        return;
    }
    editor_.deselect();
    {
        // The list shows no word either: the activation that follows the prompt (at once on
        // Windows) selects the word the list shows.
        const QSignalBlocker block(wordList_);
        wordList_->setCurrentIndex(-1);
    }
    allPins_->clear();
    wordPins_->clear();
    const int direction = directionList_->currentIndex();
    const auto name = namePrompt_.ask(kAddWordPrompt, QString());
    const std::string text = name ? name->toStdString() : std::string();
    if (!text.empty() && !validWordName(text)) prompter_.error(kBadWordName);
    else if (!text.empty()) editor_.add(text, direction);
    refillWordList();
    selectWord(editor_.selected());
}

void TEditorWord::ButtonRenameClick() {
    const model::DataWord* word = editor_.selectedWord();
    if (!word) return;
    const auto name = namePrompt_.ask(kRenameWordPrompt, q(word->wordName));
    if (!name || name->isEmpty()) return;
    const std::string text = name->toStdString();
    if (!validWordName(text)) {
        prompter_.error(kBadWordName);
        return;
    }
    if (editor_.rename(text)) wordList_->setItemText(editor_.selected(), *name);
}

void TEditorWord::ButtonDeleteClick() {
    if (!editor_.remove()) return;
    refillWordList();
    selectWord(editor_.selected());
}

void TEditorWord::BitBtnApplyClick() {
    editor_.apply();
    close();
}

void TEditorWord::BitBtnCancelClick() {
    takeBackSteps();
    editor_.cancel();
    close();
}

void TEditorWord::reject() { BitBtnCancelClick(); }

void TEditorWord::FormActivate() { selectWord(wordList_->currentIndex()); }

// ---- window events ------------------------------------------------------------------------

bool TEditorWord::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the typed members' field adds them; it does not close the editor.
    if (watched == typedMembers_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ButtonTypedMembersClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TEditorWord::closeEvent(QCloseEvent* event) {
    // The check and the restore happen before any message box, so that the activation that
    // follows a message box cannot take a new backup first. A close that keeps nothing takes
    // its steps back.
    if (!editor_.applying()) takeBackSteps();
    const std::vector<std::string> messages = editor_.close();
    refillWordList();
    if (editor_.selectedWord()) selectWord(editor_.selected());
    for (const std::string& m : messages) prompter_.error(m);
    event->accept();
}

void TEditorWord::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && isVisible()) FormActivate();
    QDialog::changeEvent(event);
}

void TEditorWord::showEvent(QShowEvent* event) {
    // The dialog reads the document when it is shown.
    refillWordList();
    selectWord(editor_.selected());
    QDialog::showEvent(event);
}

}  // namespace kvx::words::ui
