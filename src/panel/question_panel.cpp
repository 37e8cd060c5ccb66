#include "question_panel.h"

#include "screens/form_look.h"
#include "screens/pictures.h"
#include "screens/scale.h"
#include "screens/values.h"
#include "store/question_values.h"
#include "store/rules.h"
#include "ui_question_panel.h"

#include <QDir>

namespace {

constexpr float AnswerTops[4] = {207, 227, 247, 267};

// A caption shows its text as written: '&' is no access key here.
QString captionText(const QString &text)
{
    return QString(text).replace(QLatin1Char('&'), QLatin1String("&&"));
}

template <class Control>
void showAnswers(ControlArray<Control> &answers, const QuestionValues &question)
{
    for (int k = 1; k <= 4; ++k) {
        answers.Load(k);
        Control &element = answers(k);
        setTop(element, AnswerTops[k - 1]);
        element.setVisible(true);
        const QString column = QLatin1String(QuestionValues::Columns[k + 1]);
        element.setText(captionText(textOf(question.answers[k - 1], column)));
    }
}

} // namespace

void setCompactFont(QWidget &window)
{
    QFont compact = window.font();
    compact.setPixelSize(11);
    window.setFont(compact);
}

Ui::QuestionPanel &setUpQuestionPanel(Ui::QuestionPanel &ui, PictureBox &panel)
{
    setCompactFont(panel);
    ui.setupUi(&panel);
    setScaleMode(panel, ScaleMode::Pixels);
    // Captions show texts from the bank exactly as written, never as markup.
    for (QLabel *label : panel.findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    for (QWidget *control :
         std::initializer_list<QWidget *>{ui.Label6, ui.Label14, ui.Label15, ui.Label16, ui.Label17,
                                          ui.Label18, ui.Option1_0, ui.Check1_0})
        setFontPoints(*control, 9.75);
    return ui;
}

PanelAnswers::PanelAnswers(Ui::QuestionPanel &ui)
    : Option1(QStringLiteral("Option1"), *ui.Option1_0),
      Check1(QStringLiteral("Check1"), *ui.Check1_0)
{}

void presentQuestion(Ui::QuestionPanel &ui, PanelAnswers &answers, const QuestionValues &question,
                     const QString &picturesFolder)
{
    ui.Label6->setText(textOf(question.question, QStringLiteral("question")));

    if (!question.picture.isNull() && !equalsText(question.picture, QString())) {
        const qint16 number = int16Of(question.picture, QStringLiteral("picture"));
        ui.Picture2->setPicture(
            LoadPicture(QDir(picturesFolder).filePath(QStringLiteral("%1.bmp").arg(number))));
    } else {
        // The window's own picture, which is none: the previous question's never stays.
        ui.Picture2->setPicture(Picture());
    }

    if (equalsNumber(question.type, Rules::OptionButtons))
        showAnswers(answers.Option1, question);
    else if (equalsNumber(question.type, Rules::CheckBoxes))
        showAnswers(answers.Check1, question);
}
