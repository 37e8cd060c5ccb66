#include "answer_ticks.h"
#include "bank_document.h"
#include "editor_prompts.h"
#include "editor_window.h"
#include "panel/question_warnings.h"
#include "question_filter.h"
#include "question_list_model.h"
#include "question_preview.h"
#include "store/bank_warnings.h"
#include "store/counted.h"
#include "store/question_values.h"
#include "store/rules.h"
#include "store/sqlite.h"
#include "ui_editor_window.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QTextCursor>

namespace {

using Field = QuestionField;

const Field AnswerFields[4] = {Field::Answer1, Field::Answer2, Field::Answer3, Field::Answer4};

// The type written for a question without answers: any but the two that show them would do.
constexpr qlonglong NoAnswersType = 2;

QString textOfValue(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}

// The picture number a value names, or none.
std::optional<int> pictureNumber(const QVariant &picture)
{
    const QString file = QuestionWarnings::pictureFile(readValue(picture));
    if (file.isEmpty())
        return std::nullopt;
    return file.chopped(4).toInt();
}

// Where a field's cursor goes when its text changes from `before` to `after` by an undo or a
// redo: the end of what changed, where the staff's typing was.
int endOfChange(const QString &before, const QString &after)
{
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype start = 0;
    while (start < shorter && before[start] == after[start])
        ++start;
    qsizetype tail = 0;
    while (tail < shorter - start &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    return int(after.size() - tail);
}

} // namespace

void EditorWindow::connectForm()
{
    Ui::EditorWindow &ui = *m_ui;
    QItemSelectionModel &selection = *ui.questionList->selectionModel();
    connect(&selection, &QItemSelectionModel::currentRowChanged, this,
            [this, &selection](const QModelIndex &current) {
                // Keys that move without selecting (Ctrl+Home) leave the selection behind; it
                // follows, so that Delete removes the question the form shows. A click with Ctrl
                // selects after this, so the pointer's own choice is left alone.
                if (current.isValid() && QGuiApplication::mouseButtons() == Qt::NoButton &&
                    !selection.isRowSelected(current.row()))
                    selection.select(current, QItemSelectionModel::ClearAndSelect |
                                                  QItemSelectionModel::Rows);
                showRow(current.isValid() ? m_filter->mapToSource(current).row() : -1);
            });
    connect(ui.filterEdit, &QLineEdit::textChanged, m_filter, &QuestionFilter::setSearchText);
    connect(ui.filterEdit, &QLineEdit::textChanged, this, &EditorWindow::followSearch);
    // From the list, Enter reaches the question's text, as Tab does.
    connect(ui.questionList, &QAbstractItemView::activated, this, [this] {
        if (m_row >= 0)
            m_ui->questionText->setFocus(Qt::ShortcutFocusReason);
    });

    connect(m_document, &BankDocument::questionChanged, this, [this](int row) {
        if (row == m_row) {
            fillForm(true);
            updatePreview();
        }
    });
    // After rows come and go (an undo too), the form follows the list's current row.
    const auto followList = [this] {
        const QModelIndex current = m_ui->questionList->currentIndex();
        const int row = current.isValid() ? m_filter->mapToSource(current).row() : -1;
        m_row = -1;
        showRow(row);
    };
    connect(m_document, &BankDocument::rowsInserted, this, followList);
    connect(m_document, &BankDocument::rowsRemoved, this, followList);
    connect(m_document, &BankDocument::rowMoved, this, followList);
    connect(m_document, &BankDocument::idsChanged, this, followList);

    connect(ui.questionText, &QPlainTextEdit::textChanged, this,
            [this] { editText(int(Field::Question), m_ui->questionText->toPlainText()); });
    QLineEdit *answers[4] = {ui.answer1, ui.answer2, ui.answer3, ui.answer4};
    QCheckBox *ticks[4] = {ui.right1, ui.right2, ui.right3, ui.right4};
    for (int k = 0; k < 4; ++k) {
        connect(answers[k], &QLineEdit::textEdited, this,
                [this, k](const QString &text) { editText(int(AnswerFields[k]), text); });
        connect(ticks[k], &QCheckBox::toggled, this,
                [this, k](bool ticked) { editTick(k, ticked); });
    }
    // Undo and redo in a field are the bank's, not the field's own: one history for every change.
    ui.questionText->setUndoRedoEnabled(false);
    for (QWidget *field :
         std::initializer_list<QWidget *>{ui.questionText, ui.answer1, ui.answer2, ui.answer3,
                                          ui.answer4, ui.filterEdit, ui.pictureNumber})
        field->installEventFilter(this);
    connect(ui.kindBox, &QComboBox::activated, this, &EditorWindow::editKind);
    connect(ui.hasPicture, &QCheckBox::toggled, this, &EditorWindow::editPicture);
    connect(ui.pictureNumber, &QSpinBox::valueChanged, this, &EditorWindow::editPicture);
    connect(ui.choosePicture, &QPushButton::clicked, this, &EditorWindow::choosePictureFile);
}

bool EditorWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Not taken by the field, the keys reach the window's Undo and Redo.
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            key->keyCombination() ==
                QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void EditorWindow::selectRow(int row)
{
    QItemSelectionModel &selection = *m_ui->questionList->selectionModel();
    if (row < 0 || row >= m_document->rowCount()) {
        selection.clear();
        showRow(-1);
        return;
    }
    QModelIndex index = m_filter->mapFromSource(m_list->index(row, 0));
    if (!index.isValid()) {
        // Filtered out: the question asked for is shown all the same.
        m_ui->filterEdit->clear();
        index = m_filter->mapFromSource(m_list->index(row, 0));
    }
    // The question shown is the one selected, and no other, whatever keys are held (Ctrl of
    // Ctrl+D); through the view, so that Shift extends the selection from it.
    m_ui->questionList->setCurrentIndex(index);
    selection.select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_ui->questionList->scrollTo(index);
    showRow(row);
}

void EditorWindow::followSearch()
{
    // The form stays on its question while the search shows it, else goes to the first match.
    if (m_row >= 0 && m_filter->mapFromSource(m_list->index(m_row, 0)).isValid())
        return;
    if (m_filter->rowCount() > 0) {
        selectRow(m_filter->mapToSource(m_filter->index(0, 0)).row());
        return;
    }
    m_ui->questionList->selectionModel()->clear();
    showRow(-1);
}

int EditorWindow::rowOfId(int id) const
{
    const auto &questions = m_document->questions();
    // The ids are the rows' numbers in a sound bank; look further only in one that is not.
    if (id >= 1 && id <= int(questions.size()) && questions[std::size_t(id - 1)].id == id)
        return id - 1;
    for (std::size_t row = 0; row < questions.size(); ++row)
        if (questions[row].id == id)
            return int(row);
    return -1;
}

void EditorWindow::showRow(int row)
{
    if (row == m_row)
        return;
    m_row = row;
    m_ui->formPane->setEnabled(row >= 0);
    fillForm();
    updatePreview();
}

void EditorWindow::fillForm(bool sameQuestion)
{
    Ui::EditorWindow &ui = *m_ui;
    m_filling = true;
    const QuestionRow empty;
    const QuestionRow &q = m_row >= 0 ? m_document->questions()[std::size_t(m_row)] : empty;
    // Only what differs is set, so that typing keeps its cursor.
    const QString before = ui.questionText->toPlainText();
    if (before != textOfValue(q.question)) {
        ui.questionText->setPlainText(textOfValue(q.question));
        if (sameQuestion) {
            QTextCursor cursor = ui.questionText->textCursor();
            cursor.setPosition(endOfChange(before, textOfValue(q.question)));
            ui.questionText->setTextCursor(cursor);
        }
    }
    const QuestionKind kind = kindOf(q.type);
    ui.kindBox->setCurrentIndex(int(kind));
    QLineEdit *answers[4] = {ui.answer1, ui.answer2, ui.answer3, ui.answer4};
    QCheckBox *ticks[4] = {ui.right1, ui.right2, ui.right3, ui.right4};
    const std::optional<std::array<bool, 4>> right = ticksOf(q.ball, q.type);
    for (int k = 0; k < 4; ++k) {
        const QString shown = answers[k]->text();
        if (shown != textOfValue(q.answers[k])) {
            answers[k]->setText(textOfValue(q.answers[k]));
            // A long answer is read from its beginning; an undone change, where it was made.
            answers[k]->setCursorPosition(sameQuestion ? endOfChange(shown, answers[k]->text())
                                                       : 0);
        }
        answers[k]->setPlaceholderText(q.answers[k].isNull() ? QStringLiteral("(пусто)")
                                                             : QString());
        ticks[k]->setChecked(right && (*right)[k]);
        ticks[k]->setEnabled(kind != QuestionKind::NoAnswers);
    }
    QString code;
    if (q.ball.isNull())
        code = QStringLiteral("Код правильного ответа пуст: ни один ответ не засчитается.");
    else
        code = QStringLiteral("Код правильного ответа: %1").arg(q.ball.toString());
    const bool flagged = m_row >= 0 && kind != QuestionKind::NoAnswers && !right;
    if (flagged && !q.ball.isNull())
        code += QStringLiteral(" — такой код нельзя набрать отметками; он сохранён из банка как "
                               "есть. Отметьте верные ответы, чтобы заменить его.");
    ui.codeLabel->setText(m_row >= 0 ? code : QString());
    ui.codeLabel->setStyleSheet(flagged ? QStringLiteral("color: #b00000") : QString());

    const std::optional<int> picture = pictureNumber(q.picture);
    ui.hasPicture->setChecked(picture.has_value());
    ui.pictureNumber->setEnabled(picture.has_value());
    if (picture)
        ui.pictureNumber->setValue(*picture);
    m_filling = false;
    updatePicture();
}

void EditorWindow::updatePicture()
{
    Ui::EditorWindow &ui = *m_ui;
    const QuestionRow empty;
    const QuestionRow &q = m_row >= 0 ? m_document->questions()[std::size_t(m_row)] : empty;
    // The form is filled at every keystroke; the bitmap is read again only when it may differ.
    const QString shown = m_pictures.view() + QLatin1Char('|') +
                          (q.picture.isNull() ? QStringLiteral("-") : q.picture.toString());
    if (shown == m_shownPicture)
        return;
    m_shownPicture = shown;
    const std::optional<int> number = pictureNumber(q.picture);
    if (!number) {
        ui.pictureThumb->clear();
        ui.pictureInfo->setText(!q.picture.isNull() && !q.picture.toString().isEmpty()
                                    ? QStringLiteral("Номер рисунка «%1» — не целое число от 0 "
                                                     "до 32767.")
                                          .arg(q.picture.toString())
                                    : QStringLiteral("Без рисунка."));
        return;
    }
    const QString name = QStringLiteral("%1.bmp").arg(*number);
    const QString file = QDir(m_pictures.view()).filePath(name);
    QImageReader reader(file);
    const QImage image = reader.read();
    if (image.isNull()) {
        ui.pictureThumb->clear();
        ui.pictureInfo->setText(QStringLiteral("Файла %1 нет в папке рисунков %2: выберите файл.")
                                    .arg(name, m_pictures.folder()));
        return;
    }
    ui.pictureThumb->setPixmap(QPixmap::fromImage(
        image.width() > 320 || image.height() > 120
            ? image.scaled(320, 120, Qt::KeepAspectRatio, Qt::SmoothTransformation)
            : image));
    QString info = QStringLiteral("%1, %2 × %3")
                       .arg(name)
                       .arg(image.width())
                       .arg(counted(image.height(), Nouns::Point));
    if (m_pictures.isChosen(*number))
        info += QStringLiteral("; выбран из файла, будет скопирован в %1 при сохранении")
                    .arg(m_pictures.folder());
    const QString warning = m_warnings->picture(readValue(q.picture));
    if (!warning.isEmpty())
        info += QStringLiteral(".\nПредупреждение: ") + warning;
    ui.pictureInfo->setText(info + QLatin1Char('.'));
}

void EditorWindow::updatePreview()
{
    Ui::EditorWindow &ui = *m_ui;
    if (m_row < 0) {
        ui.preview->showQuestion(QuestionValues{FieldValue::text(QString())}, m_pictures.view(),
                                 std::nullopt);
        ui.previewNotes->clear();
        return;
    }
    const QuestionRow &q = m_document->questions()[std::size_t(m_row)];
    std::optional<std::array<bool, 4>> right;
    if (ui.showRight->isChecked())
        right = ticksOf(q.ball, q.type);
    QStringList notes;
    const QString failure =
        ui.preview->showQuestion(QuestionValues::fromRow(q), m_pictures.view(), right);
    if (!failure.isEmpty())
        notes.push_back(QStringLiteral("Экзамен не покажет этот вопрос: ") +
                        m_pictures.shown(failure));
    for (const QString &problem : findingsOf(q.id.toInt()))
        notes.push_back(problem);
    // The texts are measured as they are typed; the rest comes from the last look at the bank.
    const AskedQuestion asked = AskedQuestion::fromRow(q);
    for (const QString &warning : m_warnings->texts(asked))
        if (!notes.contains(QStringLiteral("Предупреждение: ") + warning))
            notes.push_back(QStringLiteral("Предупреждение: ") + warning);
    ui.previewNotes->setText(notes.isEmpty() ? QStringLiteral("Замечаний нет.")
                                             : notes.join(QLatin1Char('\n')));
}

void EditorWindow::editText(int field, const QString &text)
{
    if (m_filling || m_row < 0)
        return;
    const Field column = Field(field);
    QVariant value = text;
    // An answer left empty is Null where the bank allows it: a question that shows no answers.
    if (column != Field::Question && text.isEmpty() &&
        kindOf(m_document->questions()[std::size_t(m_row)].type) == QuestionKind::NoAnswers)
        value = QVariant();
    m_document->setField(m_row, column, value);
}

void EditorWindow::editKind(int index)
{
    if (m_filling || m_row < 0)
        return;
    const QuestionRow &q = m_document->questions()[std::size_t(m_row)];
    const QuestionKind kind = QuestionKind(index);
    if (kind == kindOf(q.type))
        return;
    std::vector<std::pair<Field, QVariant>> changes;
    changes.emplace_back(Field::Type,
                         kind == QuestionKind::OptionButtons ? qlonglong(Rules::OptionButtons)
                         : kind == QuestionKind::CheckBoxes  ? qlonglong(Rules::CheckBoxes)
                                                             : NoAnswersType);
    for (int k = 0; k < 4; ++k) {
        // Shown answers need a text; hidden ones left empty are Null.
        if (kind != QuestionKind::NoAnswers && q.answers[k].isNull())
            changes.emplace_back(AnswerFields[k], QStringLiteral(""));
        if (kind == QuestionKind::NoAnswers && q.answers[k].toString().isEmpty() &&
            !q.answers[k].isNull())
            changes.emplace_back(AnswerFields[k], QVariant());
    }
    // One answer stays right when several cannot be: the first of the ticked ones.
    if (kind == QuestionKind::OptionButtons) {
        if (const auto right = ticksOf(q.ball, QVariant(Rules::CheckBoxes))) {
            std::array<bool, 4> one{};
            for (int k = 0; k < 4; ++k)
                if ((*right)[k]) {
                    one[k] = true;
                    break;
                }
            changes.emplace_back(Field::Ball, codeOf(one));
        }
    }
    m_document->setFields(m_row, changes);
}

void EditorWindow::editTick(int answer, bool ticked)
{
    if (m_filling || m_row < 0)
        return;
    Ui::EditorWindow &ui = *m_ui;
    QCheckBox *boxes[4] = {ui.right1, ui.right2, ui.right3, ui.right4};
    std::array<bool, 4> ticks{};
    for (int k = 0; k < 4; ++k)
        ticks[k] = boxes[k]->isChecked();
    // An option-button question has one right answer: ticking one clears the others.
    if (ticked && ui.kindBox->currentIndex() == int(QuestionKind::OptionButtons))
        for (int k = 0; k < 4; ++k)
            ticks[k] = k == answer;
    m_document->setField(m_row, Field::Ball, codeOf(ticks));
}

void EditorWindow::editPicture()
{
    if (m_filling || m_row < 0)
        return;
    Ui::EditorWindow &ui = *m_ui;
    ui.pictureNumber->setEnabled(ui.hasPicture->isChecked());
    const QVariant value = ui.hasPicture->isChecked()
                               ? QVariant(QString::number(ui.pictureNumber->value()))
                               : QVariant();
    const QuestionRow &q = m_document->questions()[std::size_t(m_row)];
    // The same number written otherwise ("007") is kept as the bank has it.
    if (pictureNumber(q.picture) == pictureNumber(value) && q.picture.isNull() == value.isNull())
        return;
    m_document->setField(m_row, Field::Picture, value);
}

void EditorWindow::choosePictureFile()
{
    if (m_row < 0)
        return;
    const QString file =
        m_prompts->openFileName(this, QStringLiteral("Рисунок вопроса"), lastFolder(),
                                QStringLiteral("Точечные рисунки (*.bmp);;Все файлы (*)"));
    if (file.isEmpty())
        return;
    const QuestionRow &q = m_document->questions()[std::size_t(m_row)];
    std::optional<int> number = pictureNumber(q.picture);
    if (!number) {
        // A number no other question's picture has.
        int largest = 0;
        for (const QuestionRow &row : m_document->questions())
            largest = std::max(largest, pictureNumber(row.picture).value_or(0));
        number = std::min(largest + 1, Rules::LargestPicture);
    }
    try {
        m_pictures.choose(*number, file);
    } catch (const std::exception &error) {
        refuse(QStringLiteral("Рисунок не выбран"), file, QString::fromUtf8(error.what()));
        return;
    }
    m_warnings = std::make_unique<QuestionWarnings>(m_pictures.view());
    m_shownPicture.clear();
    if (!pictureNumber(q.picture))
        m_document->setField(m_row, Field::Picture, QString::number(*number));
    fillForm();
    updatePreview();
    scheduleCheck();
}

void EditorWindow::insertQuestion()
{
    selectRow(m_document->insertQuestion(m_row));
    m_ui->questionText->setFocus(Qt::OtherFocusReason);
}

void EditorWindow::duplicateQuestion()
{
    if (m_row >= 0)
        selectRow(m_document->duplicateQuestion(m_row));
}

void EditorWindow::deleteQuestions()
{
    std::vector<int> rows;
    for (const QModelIndex &index : m_ui->questionList->selectionModel()->selectedRows())
        rows.push_back(m_filter->mapToSource(index).row());
    // A selection without the question the form shows is not what the staff look at.
    if (m_row >= 0 && std::find(rows.begin(), rows.end(), m_row) == rows.end())
        rows = {m_row};
    if (rows.empty())
        return;
    if (rows.size() > 1 &&
        m_prompts->ask(this, QStringLiteral("Удалить вопросы"),
                       QStringLiteral("Выбрано вопросов: %1. Удалить их все?\n\nУдаление можно "
                                      "отменить (Правка → Отменить, Ctrl+Z).")
                           .arg(rows.size()),
                       QMessageBox::Yes | QMessageBox::Cancel,
                       QMessageBox::Cancel) != QMessageBox::Yes)
        return;
    const int next = *std::min_element(rows.begin(), rows.end());
    m_document->removeQuestions(rows);
    selectRow(std::min(next, m_document->rowCount() - 1));
}

void EditorWindow::moveQuestion(int step)
{
    const int row = m_row;
    if (row >= 0 && m_document->moveQuestion(row, step))
        selectRow(row + step);
}
