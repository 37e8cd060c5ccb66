#include "panel_fit.h"

#include "question_panel.h"
#include "store/counted.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QTextLayout>

#include <algorithm>

namespace {

// The width a button leaves for its caption: its own width less what the style adds to the text
// for the indicator and the spacing.
int captionRoom(QAbstractButton &button)
{
    const QString layoutText = button.text();
    const QString probe = QStringLiteral("Ж");
    button.setText(probe);
    const int added =
        button.sizeHint().width() -
        button.style()
            ->itemTextRect(button.fontMetrics(), QRect(), Qt::TextShowMnemonic, false, probe)
            .width();
    button.setText(layoutText);
    return button.width() - added;
}

bool hasLineBreak(QStringView text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

constexpr int WrappedText = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

// The widest line of the text as the label lays it out at `width`, each to the end of its last
// character other than a space: a line's trailing spaces are laid out past its words but show
// nothing, yet the layout's bounding rectangle counts a point of them.
qreal widestWords(QString text, const QFont &font, int width)
{
    // As the label's drawing takes a text: a carriage return is a space, a line feed breaks.
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    qreal widest = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        int end = line.textStart() + line.textLength();
        while (end > line.textStart() && text[end - 1].isSpace())
            --end;
        widest = std::max(widest, line.cursorToX(end));
    }
    layout.endLayout();
    return widest;
}

// The sum of the text's advances and of what shaping adds to each pair of them, or a negative
// number when only shaping the whole text can tell its width.
qreal advanceSum(WidthBound &bound, QStringView text)
{
    qreal sum = 0;
    QChar last;
    for (const QChar c : text) {
        const qreal advance = bound.advance(c);
        if (advance < 0)
            return -1;
        sum += advance + (last.isNull() ? 0 : bound.widening(last, c));
        last = c;
    }
    return sum;
}

// Whether the layout may always break a line between `before` and `after`, a space run between
// them: before a letter or digit, unless the run follows an opening bracket or quote.
bool surelyBreaks(QChar before, QChar after)
{
    if (!after.isLetterOrNumber())
        return false;
    switch (before.category()) {
    case QChar::Punctuation_Open:
    case QChar::Punctuation_InitialQuote:
    case QChar::Punctuation_FinalQuote:
        return false;
    default:
        return before != QLatin1Char('"') && before != QLatin1Char('\'');
    }
}

} // namespace

PanelFit::PanelFit()
    : m_questionFont(setUpQuestionPanel(m_ui, m_panel).Label6->font()),
      m_answerFont(m_ui.Option1_0->font()), m_label(m_ui.Label6->size()),
      m_pictureBox(m_ui.Picture2->size()), m_optionText(captionRoom(*m_ui.Option1_0)),
      m_checkText(captionRoom(*m_ui.Check1_0)), m_questionBound(m_ui.Label6->font()),
      m_answerBound(m_ui.Option1_0->font())
{
    // What one line and each further line add to the laid-out height, as the layout rounds them.
    const auto height = [this](const QString &text) {
        return m_questionFont.boundingRect(QRect(0, 0, m_label.width(), 100000), WrappedText, text)
            .height();
    };
    m_firstLine = height(QStringLiteral("Ж"));
    m_nextLine = height(QStringLiteral("Ж\nЖ")) - m_firstLine;
    m_visibleLines = linesIn(m_label.height(), false);
}

PanelFit::~PanelFit() = default;

int PanelFit::linesIn(int height, bool roundUp) const
{
    if (height < m_firstLine)
        return roundUp && height > 0 ? 1 : 0;
    return (height - m_firstLine + (roundUp ? m_nextLine - 1 : 0)) / m_nextLine + 1;
}

int PanelFit::linesAtMost(QStringView text)
{
    // Words laid line by line at the bound of their widths (advances and the widening of each
    // pair), broken only where the layout surely can break too: the layout then fits at least as
    // much on each line. A point of room is kept, as the layout may report a wrapped line a point
    // wider than its words.
    const qreal room = m_label.width() - 2;
    int lines = 1;
    bool lineStarted = false;
    qreal line = 0;   // the current line's advances, to the end of its last word
    qreal spaces = 0; // the spaces after that word
    const auto place = [&](qreal word) {
        if (lineStarted && WidthBound::inflated(line + spaces + word) <= room) {
            line += spaces + word;
            return true;
        }
        if (WidthBound::inflated(word) > room)
            return false; // a word wider than a line: only the layout can tell where it goes
        lines += lineStarted ? 1 : 0;
        lineStarted = true;
        line = word;
        return true;
    };
    qreal word = 0;      // the word being read, with any spaces it cannot be broken at
    qreal trailing = 0;  // the spaces after it so far
    bool inWord = false; // whether a character other than a space has been read
    QChar last;          // the last character other than a space
    QChar previous;      // the character before this one
    for (const QChar c : text) {
        qreal advance = m_questionBound.advance(c);
        if (advance < 0)
            return -1;
        // Counted with the character after the pair: on the line it starts, if it starts one.
        advance += previous.isNull() ? 0 : m_questionBound.widening(previous, c);
        previous = c;
        if (c == QLatin1Char(' ')) {
            trailing += advance;
            continue;
        }
        if (inWord && trailing > 0 && surelyBreaks(last, c)) {
            if (!place(word))
                return -1;
            spaces = trailing;
            word = 0;
        } else {
            word += trailing;
        }
        trailing = 0;
        word += advance;
        inWord = true;
        last = c;
    }
    if (inWord && !place(word))
        return -1;
    return lines;
}

QString PanelFit::questionProblem(QStringView view)
{
    const int lines = linesAtMost(view);
    if (lines > 0 && lines <= m_visibleLines)
        return QString();
    const QString text = view.toString();
    const auto known = m_questions.constFind(text);
    if (known != m_questions.cend())
        return *known;
    QString problem;
    if (hasLineBreak(text) || m_questionFont.horizontalAdvance(text) > m_label.width()) {
        const QRect needed =
            m_questionFont.boundingRect(QRect(0, 0, m_label.width(), 100000), WrappedText, text);
        if (widestWords(text, m_ui.Label6->font(), m_label.width()) > m_label.width())
            problem = QStringLiteral("в тексте вопроса есть слово шире надписи (%1): оно "
                                     "обрежется")
                          .arg(counted(m_label.width(), Nouns::Point));
        else if (needed.height() > m_label.height())
            problem = QStringLiteral("текст вопроса не помещается в надпись %1 × %2: нужно строк "
                                     "— %3, видно — %4")
                          .arg(m_label.width())
                          .arg(m_label.height())
                          .arg(linesIn(needed.height(), true))
                          .arg(m_visibleLines);
    }
    m_questions.insert(text, problem);
    return problem;
}

QString PanelFit::answerProblem(QStringView text, bool checkBox)
{
    const int room = checkBox ? m_checkText : m_optionText;
    // A line break has no advance of its own, so a text the bound settles has none.
    const qreal sum = advanceSum(m_answerBound, text);
    if (sum >= 0 && WidthBound::inflated(sum) <= room)
        return QString();
    if (hasLineBreak(text))
        return QStringLiteral("в тексте есть перевод строки, а строка ответа вмещает одну "
                              "строку текста");
    const int width = m_answerFont.horizontalAdvance(text.toString());
    if (width > room)
        return QStringLiteral("текст шириной %1 не помещается в строку ответа: места %2, конец "
                              "обрежется")
            .arg(counted(width, Nouns::Point), counted(room, Nouns::Point));
    return QString();
}
