#include "bank_document.h"
#include "editor_window.h"
#include "panel/question_warnings.h"
#include "question_list_model.h"
#include "store/bank_image.h"
#include "store/counted.h"
#include "store/database.h"
#include "store/question_stats.h"
#include "store/runtime_error.h"
#include "ui_editor_window.h"

#include <QHeaderView>
#include <QLabel>
#include <QListWidget>

void EditorWindow::scheduleCheck()
{
    m_checkTimer.start();
}

void EditorWindow::checkNow()
{
    m_checkTimer.stop();
    // The bank as a save would write it, looked at as the exam program and check look at a file.
    const QString shownPath = m_path.isEmpty() ? QStringLiteral("новый банк") : m_path;
    // The engine would say it has no current record; the staff are told what that means.
    if (m_document->rowCount() == 0) {
        m_report = BankReport();
        m_report.addProblem(QStringLiteral("в банке нет вопросов"));
        showReport();
        return;
    }
    try {
        Database image = DBEngine::OpenImage(
            bankImageWithQuestions(m_baseImage, m_document->questions()), shownPath);
        // A bank not in a file yet takes the pictures it uses into a folder of its own when it
        // is saved: what else lies where they are now is not the saved bank's.
        m_report =
            inspectBankDatabase(image, *m_warnings,
                                m_path.isEmpty() && !m_picturesChosen ? UnusedPictures::NotWarned
                                                                      : UnusedPictures::Warned);
    } catch (const RuntimeError &error) {
        m_report = BankReport();
        m_report.addProblem(error.description());
    } catch (const std::exception &error) {
        m_report = BankReport();
        m_report.addProblem(QString::fromUtf8(error.what()));
    }
    for (QString &text : m_report.problems)
        text = m_pictures.shown(text);
    for (QString &text : m_report.warnings)
        text = m_pictures.shown(text);
    addFigureWarnings();
    showReport();
}

void EditorWindow::readFigures()
{
    QHash<QByteArray, QuestionStats::Figures> figures;
    m_flagged = false;
    // Only a bank's own file keeps answers; the figures are those of the file's texts.
    if (!m_path.isEmpty()) {
        try {
            Database image = DBEngine::OpenImage(m_baseImage, m_path);
            if (image.HasTable(QuestionStats::Table)) {
                QuestionStats::Tally tally({});
                tally.addBank(image, m_path);
                for (QuestionStats::Figures &found : tally.result().questions) {
                    m_flagged = m_flagged || !found.flags.isEmpty();
                    figures.insert(found.shown, std::move(found));
                }
            }
        } catch (const std::exception &) {
            // A journal that cannot be read leaves the list without figures: the check names
            // what is wrong in it.
            figures.clear();
            m_flagged = false;
        }
    }
    // No room is taken from the text for columns that would stay empty.
    QHeaderView &header = *m_ui->questionList->horizontalHeader();
    for (const int column :
         {QuestionListModel::FacilityColumn, QuestionListModel::DiscriminationColumn})
        header.setSectionHidden(column, figures.isEmpty());
    m_list->setFigures(std::move(figures));
}

void EditorWindow::addFigureWarnings()
{
    if (!m_flagged)
        return;
    for (int row = 0; row < m_document->rowCount(); ++row) {
        const QuestionStats::Figures *figures = m_list->figuresOf(row);
        if (!figures)
            continue;
        const int id = m_document->questions()[std::size_t(row)].id.toInt();
        for (const QString &flag : figures->flags) {
            m_report.warnings.push_back(QStringLiteral("вопрос %1: %2 — ответов экзаменов: %3")
                                            .arg(id)
                                            .arg(flag)
                                            .arg(figures->answered));
            m_report.warningQuestions.push_back(id);
        }
    }
}

QStringList EditorWindow::findingsOf(int id) const
{
    QStringList found;
    for (std::size_t i = 0; i < m_report.problemQuestions.size(); ++i)
        if (m_report.problemQuestions[i] == id)
            found.push_back(QStringLiteral("Проблема: ") + m_report.problems[qsizetype(i)]);
    return found;
}

void EditorWindow::showReport()
{
    QHash<int, QuestionFindings> findings;
    QListWidget &list = *m_ui->problemList;
    list.clear();
    const auto add = [&](const QString &text, int id, bool problem) {
        auto *item = new QListWidgetItem(
            (problem ? QStringLiteral("✖ ") : QStringLiteral("⚠ ")) + text, &list);
        item->setData(Qt::UserRole, id);
        if (id <= 0)
            return;
        QuestionFindings &found = findings[id];
        found.texts.push_back(text);
        if (problem)
            found.severity = QuestionFindings::Severity::Problem;
    };
    for (qsizetype i = 0; i < m_report.problems.size(); ++i)
        add(m_report.problems[i], m_report.problemQuestions[std::size_t(i)], true);
    for (qsizetype i = 0; i < m_report.warnings.size(); ++i)
        add(m_report.warnings[i], m_report.warningQuestions[std::size_t(i)], false);
    m_list->setFindings(std::move(findings));

    const int questions = m_document->rowCount();
    if (m_report.accepted())
        m_status->setText(QStringLiteral("Программа примет этот банк: %1, %2.")
                              .arg(counted(questions, Nouns::Question),
                                   counted(m_report.warnings.size(), Nouns::Warning)));
    else
        m_status->setText(QStringLiteral("Программа НЕ примет этот банк: %1, %2.")
                              .arg(counted(m_report.problems.size(), Nouns::Problem),
                                   counted(m_report.warnings.size(), Nouns::Warning)));
    m_status->setStyleSheet(m_report.accepted() ? QString() : QStringLiteral("color: #b00000"));
    updatePreview();
}

void EditorWindow::nextProblem()
{
    std::vector<int> ids(m_report.problemQuestions);
    ids.insert(ids.end(), m_report.warningQuestions.begin(), m_report.warningQuestions.end());
    std::sort(ids.begin(), ids.end());
    const int current = m_row >= 0 ? m_document->questions()[std::size_t(m_row)].id.toInt() : 0;
    const auto next = std::upper_bound(ids.begin(), ids.end(), current);
    const auto first = std::upper_bound(ids.begin(), ids.end(), 0);
    const auto target = next != ids.end() ? next : first;
    if (target != ids.end())
        selectRow(rowOfId(*target));
}
