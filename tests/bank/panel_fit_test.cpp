#include "panel/panel_fit.h"
#include "store/counted.h"
#include "testrun/main_layout.h"

#include <QRegularExpression>
#include <QPainter>
#include <QTextLayout>

#include <random>

#include <gtest/gtest.h>

namespace {

// Kerned pairs, quotes, dashes and digits: where shaping a text differs most from adding up the
// advances of its characters.
const QString Words = QStringLiteral("«Ваш» ответ — “AVATAR” Те ‘ТАУ’ WA Yo 12,5%; fi-fl… ");

// The longest start of `text` that `fits` takes.
QString longestFitting(const QString &text, const std::function<bool(const QString &)> &fits)
{
    qsizetype n = 0;
    while (n < text.size() && fits(text.left(n + 1)))
        ++n;
    return text.left(n);
}

// The lines Qt's layout breaks a text into at a width.
int laidOutLines(const QString &text, const QFont &font, int width)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    int lines = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        ++lines;
    }
    layout.endLayout();
    return lines;
}

class PanelFitTest : public ::testing::Test
{
protected:
    PanelFitTest() : m_ui(setUpMainLayout(m_window)) {}

    QWidget m_window;
    std::unique_ptr<MainWindowUi> m_ui;
    PanelFit fit;
};

TEST_F(PanelFitTest, AnAnswerJustOverItsRoomIsWarnedWithItsExactWidthAndOneJustUnderIsNot)
{
    const QFontMetrics font(m_ui->Option1_0->font());
    const QString text = Words.repeated(20);
    for (const bool checkBox : {false, true}) {
        const QString tooWide = fit.answerProblem(text, checkBox);
        const int room = QRegularExpression(QStringLiteral("места (\\d+) точ"))
                             .match(tooWide)
                             .captured(1)
                             .toInt();
        ASSERT_GT(room, 0) << tooWide.toStdString();
        const QString under = longestFitting(
            text, [&](const QString &start) { return font.horizontalAdvance(start) <= room; });
        const QString over = text.left(under.size() + 1);
        EXPECT_EQ(fit.answerProblem(under, checkBox), QString()) << under.toStdString();
        EXPECT_EQ(fit.answerProblem(over, checkBox),
                  QStringLiteral("текст шириной %1 не помещается в строку ответа: места %2, "
                                 "конец обрежется")
                      .arg(counted(font.horizontalAdvance(over), Nouns::Point),
                           counted(room, Nouns::Point)));
    }
}

TEST_F(PanelFitTest, EveryStartOfAnAnswerThatShapingWidensGetsTheVerdictOfItsLayout)
{
    // An "f" before a closing quote is kerned apart: the text is wider than its advances add up
    // to, the more so the more pairs it has.
    const QFontMetrics font(m_ui->Option1_0->font());
    const QString text = QStringLiteral("f’").repeated(300);
    for (const bool checkBox : {false, true}) {
        const int room = QRegularExpression(QStringLiteral("места (\\d+) точ"))
                             .match(fit.answerProblem(text, checkBox))
                             .captured(1)
                             .toInt();
        ASSERT_GT(room, 0);
        for (qsizetype n = 1; n <= text.size(); ++n) {
            const QString start = text.left(n);
            const int width = font.horizontalAdvance(start);
            const QString problem = fit.answerProblem(start, checkBox);
            ASSERT_EQ(problem.isEmpty(), width <= room)
                << n << " characters, " << width << " of " << room << " points";
            // Widths of every last digit: the noun agrees with each.
            if (width > room)
                ASSERT_TRUE(problem.startsWith(QStringLiteral("текст шириной %1 не помещается")
                                                   .arg(counted(width, Nouns::Point))))
                    << problem.toStdString();
        }
    }
}

TEST_F(PanelFitTest, AQuestionJustOverItsLabelsLinesIsWarnedAndOneJustUnderIsNot)
{
    const QFontMetrics font(m_ui->Label6->font());
    const QSize label = m_ui->Label6->size();
    const QString text = Words.repeated(20);
    const auto wrapped = [&](const QString &start) {
        return font.boundingRect(QRect(0, 0, label.width(), 100000),
                                 Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, start);
    };
    // One line just short of the label's width, then the most lines the label shows.
    const QString oneLine = longestFitting(
        text, [&](const QString &start) { return font.horizontalAdvance(start) <= label.width(); });
    EXPECT_EQ(fit.questionProblem(oneLine), QString()) << oneLine.toStdString();
    const QString under = longestFitting(
        text, [&](const QString &start) { return wrapped(start).height() <= label.height(); });
    const QString over = text.left(under.size() + 1);
    ASSERT_GT(under.size(), oneLine.size());
    if (wrapped(under).width() <= label.width())
        EXPECT_EQ(fit.questionProblem(under), QString()) << under.toStdString();
    // `over` takes one line more than the label shows, and `under` all the lines it shows.
    EXPECT_EQ(fit.questionProblem(over).toStdString(),
              QStringLiteral("текст вопроса не помещается в надпись %1 × %2: нужно строк — %3, "
                             "видно — %4")
                  .arg(label.width())
                  .arg(label.height())
                  .arg(laidOutLines(over, m_ui->Label6->font(), label.width()))
                  .arg(laidOutLines(under, m_ui->Label6->font(), label.width()))
                  .toStdString());
}

TEST_F(PanelFitTest, EveryStartOfAQuestionGetsTheVerdictOfItsLayout)
{
    // Words of every length, so that line ends fall everywhere, with the punctuation questions
    // use; and words of kerned pairs, wider than their advances add up to.
    const QString ordinary =
        QStringLiteral("Какая клавиша (или сочетание клавиш) в текстовом редакторе удаляет символ "
                       "слева от курсора, а какая — справа? Укажите 1 или 2 варианта; ответ "
                       "«Delete» верен, если курсор стоит в начале строки, и т. д. Выберите один "
                       "из вариантов ниже: ")
            .repeated(3);
    const QString kerned = QStringLiteral("f’f’f’f’f’f’ f’f’f’ f’ f’f’f’f’f’f’f’f’f’ ").repeated(6);
    const QFontMetrics font(m_ui->Label6->font());
    const QSize label = m_ui->Label6->size();
    for (const QString &text : {ordinary, kerned})
        for (qsizetype n = 1; n <= text.size(); ++n) {
            const QString start = text.left(n);
            const QRect wrapped =
                font.boundingRect(QRect(0, 0, label.width(), 100000),
                                  Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, start);
            const bool fits =
                font.horizontalAdvance(start) <= label.width() ||
                (wrapped.width() <= label.width() && wrapped.height() <= label.height());
            ASSERT_EQ(fit.questionProblem(start).isEmpty(), fits) << start.toStdString();
        }
}

TEST_F(PanelFitTest, ALineThatEndsInASpaceIsAsWideAsItsWords)
{
    // Random texts, a few of whose first lines the layout ends in a space a point past the
    // label: its bounding rectangle says 599 for a label of 598. Drawn wrapped at the label's
    // width on a wider picture, no point of any of them passes the label's edge.
    const QFont font = m_ui->Label6->font();
    const QFontMetrics metrics(font);
    const QSize label = m_ui->Label6->size();
    const QString letters = QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧ"
                                           "ШЩЭЮЯabcdefghijklmnopqrstuvwxyzAVWTY,.-«»?!1234567890—:;"
                                           "()\"'      ");
    std::mt19937 random(11);
    int found = 0;
    for (int n = 0; n < 40000 && found < 2; ++n) {
        QString text;
        const int length = 60 + int(random() % 110);
        for (int k = 0; k < length; ++k)
            text += letters[qsizetype(random() % letters.size())];
        text += QLatin1Char(' ');
        const QRect wrapped = metrics.boundingRect(QRect(0, 0, label.width(), 100000),
                                                   Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                                                   text);
        if (wrapped.width() <= label.width() || wrapped.height() > label.height())
            continue;
        ++found;
        QImage drawn(label.width() + 100, label.height(), QImage::Format_RGB32);
        drawn.fill(Qt::white);
        QPainter painter(&drawn);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRect(0, 0, label.width(), label.height()),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
        painter.end();
        for (int x = label.width(); x < drawn.width(); ++x)
            for (int y = 0; y < drawn.height(); ++y)
                ASSERT_EQ(drawn.pixel(x, y), QColor(Qt::white).rgb())
                    << "drawn past the label at " << x << ", " << y << ": " << text.toStdString();
        // Settled by the bound, and by laying it out (a zero-width space the bound leaves to the
        // layout): both say it fits.
        EXPECT_EQ(fit.questionProblem(text).toStdString(), "") << text.toStdString();
        const QString laidOut = text.chopped(1) + QChar(0x200B) + QLatin1Char(' ');
        EXPECT_EQ(fit.questionProblem(laidOut).toStdString(), "") << text.toStdString();
    }
    EXPECT_EQ(found, 2);
}

} // namespace
