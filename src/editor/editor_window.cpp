#include "editor_window.h"

#include "bank_document.h"
#include "editor_prompts.h"
#include "panel/question_warnings.h"
#include "question_filter.h"
#include "question_list_model.h"
#include "ui_editor_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStyle>

namespace {

const QString ProgramName = QStringLiteral("Редактор банков вопросов");
// Not the key of the three panes side by side an older editor kept: their widths would squeeze
// the list again.
const QString PanesKey = QStringLiteral("window/panes");

} // namespace

EditorWindow::EditorWindow(std::unique_ptr<EditorPrompts> prompts, QWidget *parent)
    : QMainWindow(parent), m_ui(std::make_unique<Ui::EditorWindow>()),
      m_prompts(prompts ? std::move(prompts) : std::make_unique<EditorPrompts>()),
      m_document(new BankDocument(this))
{
    m_ui->setupUi(this);
    m_list = new QuestionListModel(*m_document, this);
    m_filter = new QuestionFilter(*m_document, this);
    m_filter->setSourceModel(m_list);
    m_ui->questionList->setModel(m_filter);
    QHeaderView &header = *m_ui->questionList->horizontalHeader();
    // Fixed widths and heights: measuring 32767 rows to fit them would hold up the opening.
    const QFontMetrics metrics = m_ui->questionList->fontMetrics();
    header.setSectionResizeMode(QHeaderView::Interactive);
    header.resizeSection(QuestionListModel::MarkColumn,
                         metrics.horizontalAdvance(QStringLiteral("✖✖")) + 12);
    header.resizeSection(QuestionListModel::NumberColumn,
                         metrics.horizontalAdvance(QStringLiteral("32767")) + 12);
    header.resizeSection(QuestionListModel::KindColumn,
                         header.fontMetrics().horizontalAdvance(QStringLiteral("Вид")) + 16);
    header.setStretchLastSection(false);
    header.setSectionResizeMode(QuestionListModel::TextColumn, QHeaderView::Stretch);
    // As narrow as the heading and a sort mark: the text keeps the room.
    for (const int figure :
         {QuestionListModel::FacilityColumn, QuestionListModel::DiscriminationColumn})
        header.resizeSection(
            figure, std::max(header.fontMetrics().horizontalAdvance(
                                 m_list->headerData(figure, Qt::Horizontal).toString()),
                             metrics.horizontalAdvance(QStringLiteral("-0,00"))) +
                        16);
    // A click on a heading sorts by it, a third one gives the bank's own order back.
    m_filter->setSortRole(QuestionListModel::SortRole);
    header.setSortIndicator(-1, Qt::AscendingOrder);
    header.setSortIndicatorClearable(true);
    m_ui->questionList->setSortingEnabled(true);
    QHeaderView &rows = *m_ui->questionList->verticalHeader();
    rows.setSectionResizeMode(QHeaderView::Fixed);
    rows.setDefaultSectionSize(metrics.height() + 6);

    m_status = new QLabel(this);
    m_status->setAccessibleName(QStringLiteral("Годность банка"));
    // Without a stretch of its own, so that a message of the moment keeps the room to its left.
    statusBar()->addPermanentWidget(m_status);
    m_ui->actionProblems->setChecked(true);
    // The mark first, where the eye meets it; the text takes what room is left.
    header.moveSection(QuestionListModel::MarkColumn, 0);
    // The form above the preview, beside the list: the exam-sized panel leaves the list room to
    // read its texts only when the two do not stand side by side. The column is never narrower
    // than the panel, with room for the scroll bar a low screen needs; the list takes what the
    // window gains.
    QScrollArea &edit = *m_ui->editScroll;
    edit.setMinimumWidth(m_ui->editPane->minimumSizeHint().width() +
                         edit.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &edit) +
                         2 * edit.frameWidth());
    m_ui->splitter->setStretchFactor(0, 1);
    m_ui->splitter->setStretchFactor(1, 0);
    restoreLayout();

    // A wait after the last change, so that typing is not held up by looking at the whole bank.
    m_checkTimer.setSingleShot(true);
    m_checkTimer.setInterval(300);
    connect(&m_checkTimer, &QTimer::timeout, this, &EditorWindow::checkNow);

    connectActions();
    connectForm();
    restoreSettings();
    newBank();
}

EditorWindow::~EditorWindow()
{
    // The document goes first, before the window's members its signals would reach.
    m_checkTimer.stop();
    m_document->undoStack()->disconnect(this);
    m_document->disconnect(this);
    m_ui->questionList->setModel(nullptr);
    delete m_filter;
    delete m_list;
    delete m_document;
}

void EditorWindow::connectActions()
{
    Ui::EditorWindow &ui = *m_ui;
    connect(ui.actionNew, &QAction::triggered, this, [this] {
        if (maySetAside())
            newBank();
    });
    connect(ui.actionOpen, &QAction::triggered, this, &EditorWindow::openDialog);
    connect(ui.actionImport, &QAction::triggered, this, &EditorWindow::importDialog);
    connect(ui.actionSave, &QAction::triggered, this, &EditorWindow::save);
    connect(ui.actionSaveAs, &QAction::triggered, this, &EditorWindow::saveAs);
    connect(ui.actionPictures, &QAction::triggered, this, &EditorWindow::choosePicturesFolder);
    connect(ui.actionQuit, &QAction::triggered, this, &QWidget::close);

    QUndoStack &undo = *m_document->undoStack();
    connect(ui.actionUndo, &QAction::triggered, &undo, &QUndoStack::undo);
    connect(ui.actionRedo, &QAction::triggered, &undo, &QUndoStack::redo);
    ui.actionRedo->setShortcuts(
        {QKeySequence(QStringLiteral("Ctrl+Shift+Z")), QKeySequence(QStringLiteral("Ctrl+Y"))});
    connect(&undo, &QUndoStack::canUndoChanged, ui.actionUndo, &QAction::setEnabled);
    connect(&undo, &QUndoStack::canRedoChanged, ui.actionRedo, &QAction::setEnabled);
    connect(&undo, &QUndoStack::cleanChanged, this, &EditorWindow::updateTitle);
    connect(&undo, &QUndoStack::indexChanged, this, &EditorWindow::scheduleCheck);
    ui.actionUndo->setEnabled(false);
    ui.actionRedo->setEnabled(false);

    connect(ui.actionAdd, &QAction::triggered, this, &EditorWindow::insertQuestion);
    connect(ui.actionDuplicate, &QAction::triggered, this, &EditorWindow::duplicateQuestion);
    connect(ui.actionDelete, &QAction::triggered, this, &EditorWindow::deleteQuestions);
    // Delete removes a question only from the list: in a text field it deletes a character.
    ui.actionDelete->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    ui.questionList->addAction(ui.actionDelete);
    connect(ui.actionUp, &QAction::triggered, this, [this] { moveQuestion(-1); });
    connect(ui.actionDown, &QAction::triggered, this, [this] { moveQuestion(+1); });
    connect(ui.actionFind, &QAction::triggered, this, [this] {
        m_ui->filterEdit->setFocus(Qt::ShortcutFocusReason);
        m_ui->filterEdit->selectAll();
    });

    connect(ui.actionShowRight, &QAction::toggled, ui.showRight, &QCheckBox::setChecked);
    connect(ui.showRight, &QCheckBox::toggled, ui.actionShowRight, &QAction::setChecked);
    connect(ui.showRight, &QCheckBox::toggled, this, &EditorWindow::updatePreview);
    connect(ui.actionProblems, &QAction::toggled, ui.problemsDock, &QWidget::setVisible);
    connect(ui.problemsDock, &QDockWidget::visibilityChanged, ui.actionProblems,
            &QAction::setChecked);
    connect(ui.actionNextProblem, &QAction::triggered, this, &EditorWindow::nextProblem);
    connect(ui.actionRestoreLayout, &QAction::triggered, this, &EditorWindow::restoreLayout);
    connect(ui.problemList, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        const int row = rowOfId(item->data(Qt::UserRole).toInt());
        if (row >= 0)
            selectRow(row);
    });
    connect(ui.problemList, &QListWidget::itemClicked, ui.problemList, &QListWidget::itemActivated);
    connect(ui.actionAbout, &QAction::triggered, this, [this] {
        m_prompts->tell(this, QMessageBox::Information, ProgramName,
                        QStringLiteral("Quorvane — редактор банков вопросов экзамена по "
                                       "специальности «Оператор компьютерного набора».\n\n"
                                       "Справа — панель вопроса самой экзаменационной программы: "
                                       "вопрос выглядит в ней так, как его увидит экзаменуемый."));
    });
}

void EditorWindow::restoreLayout()
{
    // The form and the preview as wide as the exam's panel, the list the rest: its text column
    // is what the staff read.
    QSplitter &splitter = *m_ui->splitter;
    const int edit = m_ui->editScroll->minimumWidth();
    // Measured on the window: before it is shown the splitter has no width of its own yet.
    const int margins = width() - m_ui->centralwidget->contentsRect().width() +
                        2 * m_ui->centralLayout->contentsMargins().left();
    const int list = std::max(width() - margins - edit - splitter.handleWidth(),
                              m_ui->listPane->minimumSizeHint().width());
    splitter.setSizes({list, edit});
    m_ui->problemsDock->setFloating(false);
    addDockWidget(Qt::BottomDockWidgetArea, m_ui->problemsDock);
    m_ui->problemsDock->show();
    resizeDocks({m_ui->problemsDock}, {150}, Qt::Vertical);
}

QString EditorWindow::shownName() const
{
    if (!m_path.isEmpty())
        return m_path;
    // A bank read from a text source or an Access file is named by it until it is saved.
    if (!m_sourceName.isEmpty())
        return QStringLiteral("%1 (ещё не банк: сохраните его)").arg(m_sourceName);
    return QStringLiteral("Новый банк");
}

void EditorWindow::updateTitle()
{
    const QString name = shownName();
    setWindowTitle(QStringLiteral("%1[*] — %2").arg(name, ProgramName));
    setWindowModified(m_document->isModified());
}

bool EditorWindow::maySetAside()
{
    if (!m_document->isModified())
        return true;
    const QString name = shownName();
    switch (m_prompts->ask(this, ProgramName,
                           QStringLiteral("В банке «%1» есть несохранённые изменения. "
                                          "Сохранить их?")
                               .arg(name),
                           QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                           QMessageBox::Save)) {
    case QMessageBox::Save:
        return save();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

void EditorWindow::closeEvent(QCloseEvent *event)
{
    if (!maySetAside()) {
        event->ignore();
        return;
    }
    saveSettings();
    event->accept();
}

void EditorWindow::restoreSettings()
{
    QSettings settings;
    if (!restoreGeometry(settings.value(QStringLiteral("window/geometry")).toByteArray())) {
        // A first start fills the screen, and no more: the preview is at its right edge.
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            resize(size().boundedTo(screen->availableSize()));
        restoreLayout();
    }
    restoreState(settings.value(QStringLiteral("window/state")).toByteArray());
    QSplitter &splitter = *m_ui->splitter;
    splitter.restoreState(settings.value(PanesKey).toByteArray());
    // A pane once dragged to nothing (kept so by an older editor) comes back.
    const QList<int> sizes = splitter.sizes();
    if (std::find(sizes.begin(), sizes.end(), 0) != sizes.end())
        restoreLayout();
}

void EditorWindow::saveSettings()
{
    QSettings settings;
    settings.setValue(QStringLiteral("window/geometry"), saveGeometry());
    settings.setValue(QStringLiteral("window/state"), saveState());
    settings.setValue(PanesKey, m_ui->splitter->saveState());
}

void EditorWindow::remember(const QString &folder)
{
    QSettings().setValue(QStringLiteral("files/lastFolder"), folder);
}

QString EditorWindow::lastFolder() const
{
    const QString folder = QSettings().value(QStringLiteral("files/lastFolder")).toString();
    return QFileInfo(folder).isDir() ? folder : QDir::homePath();
}
