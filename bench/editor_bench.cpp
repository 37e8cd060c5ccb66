// The editor's figures on the largest bank: opening it until the list is usable, the search
// answering a keystroke, saving it, and the preview following a keystroke in a long question.
#include "editor/bank_document.h"
#include "editor/editor_window.h"
#include "editor/question_preview.h"
#include "sample_banks.h"
#include "store/bank_file.h"
#include "ui_editor_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double milliseconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QApplication::setOrganizationName(QStringLiteral("quorvane-bench"));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("data.mdb"));
    writeBankTables(path, largestDistinctBank(sampleBankTables()));
    const QString pictures = QStringLiteral(QUORVANE_SOURCE_DIR "/data/bank/pictures");

    EditorWindow editor;
    editor.show();
    QApplication::processEvents();

    std::vector<double> opening;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        editor.openFile(path);
        // Usable: the rows are there and the list has drawn itself.
        editor.ui().questionList->repaint();
        opening.push_back(milliseconds(timer));
        editor.checkNow();
    }
    std::printf("open 32767 questions, list usable: median %.0f ms of 5\n", median(opening));
    editor.setPicturesFolder(pictures);

    QElapsedTimer check;
    check.start();
    editor.checkNow();
    std::printf("whole-bank check (accepting it, every warning): %.0f ms\n", milliseconds(check));

    std::vector<double> filtering;
    const QString typed = QStringLiteral("шрифт 1234");
    QLineEdit &filter = *editor.ui().filterEdit;
    for (int round = 0; round < 4; ++round) {
        filter.clear();
        for (const QChar c : typed) {
            QElapsedTimer timer;
            timer.start();
            QTest::sendKeyEvent(QTest::Click, &filter, Qt::Key_unknown, QString(c), Qt::NoModifier);
            editor.ui().questionList->repaint();
            filtering.push_back(milliseconds(timer));
        }
    }
    for (std::size_t i = 0; i < filtering.size(); ++i)
        if (filtering[i] > 50)
            std::printf("  keystroke %zu (round %zu, character %zu): %.1f ms\n", i,
                        i / std::size_t(typed.size()), i % std::size_t(typed.size()) + 1,
                        filtering[i]);
    std::printf("filter keystroke on 32767 questions: median %.1f ms, worst %.1f ms of %zu\n",
                median(filtering), *std::max_element(filtering.begin(), filtering.end()),
                filtering.size());
    filter.clear();

    std::vector<double> saving;
    for (int run = 0; run < 3; ++run) {
        editor.document().setField(run, QuestionField::Question,
                                   QStringLiteral("правка %1").arg(run));
        QElapsedTimer timer;
        timer.start();
        if (!editor.save())
            return 1;
        saving.push_back(milliseconds(timer));
    }
    std::printf("save 32767 questions (with the check before it): median %.0f ms of 3\n",
                median(saving));

    // A 700-character question, typed into: the preview follows each keystroke.
    editor.selectRow(0);
    QPlainTextEdit &text = *editor.ui().questionText;
    text.setPlainText(
        QString(QStringLiteral("Какой кегль у основного текста книги? ")).repeated(18).left(700));
    text.setFocus();
    text.moveCursor(QTextCursor::End);
    std::vector<double> keystrokes;
    for (int key = 0; key < 200; ++key) {
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(&text, key % 2 ? Qt::Key_Backspace : Qt::Key_A);
        editor.ui().preview->repaint();
        keystrokes.push_back(milliseconds(timer));
    }
    std::printf("preview after a keystroke in a 700-character question: median %.2f ms, worst "
                "%.2f ms of 200\n",
                median(keystrokes), *std::max_element(keystrokes.begin(), keystrokes.end()));
    editor.document().markSaved();
    return 0;
}
