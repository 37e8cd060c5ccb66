#include "question_warnings.h"

#include "store/bank_warnings.h"
#include "store/runtime_error.h"

#include <QDir>
#include <QImageReader>

QuestionWarnings::QuestionWarnings(QString picturesFolder) : m_folder(std::move(picturesFolder))
{}

QStringList QuestionWarnings::texts(const AskedQuestion &asked)
{
    QStringList warnings;
    if (!asked.question.isNull()) {
        const QString problem = m_fit.questionProblem(textOf(asked.question, QString()));
        if (!problem.isEmpty())
            warnings.push_back(problem);
    }
    if (asked.showsAnswers())
        for (int k = 0; k < 4; ++k)
            if (!asked.answers[k].isNull()) {
                const QString problem = m_fit.answerProblem(textOf(asked.answers[k], QString()),
                                                            asked.showsCheckBoxes());
                if (!problem.isEmpty())
                    warnings.push_back(QStringLiteral("ответ %1: %2").arg(k + 1).arg(problem));
            }
    warnings += valueWarnings(asked);
    return warnings;
}

QString QuestionWarnings::pictureFile(const FieldValue &value)
{
    if (value.isNull() || equalsText(value, QString()))
        return {};
    try {
        return QString::number(int16Of(value, QStringLiteral("picture"))) + QStringLiteral(".bmp");
    } catch (const RuntimeError &) {
        return {};
    }
}

QString QuestionWarnings::picture(const FieldValue &value)
{
    const QString name = pictureFile(value);
    if (name.isEmpty())
        return {};
    auto known = m_sizes.constFind(name);
    if (known == m_sizes.cend())
        known = m_sizes.insert(name, QImageReader(QDir(m_folder).filePath(name)).size());
    const QSize size = *known;
    const QSize box = m_fit.pictureBox();
    if (size.width() <= box.width() && size.height() <= box.height())
        return {};
    return QStringLiteral("рисунок %1 размером %2 × %3 больше места для рисунка (%4 × %5): края "
                          "обрежутся")
        .arg(name)
        .arg(size.width())
        .arg(size.height())
        .arg(box.width())
        .arg(box.height());
}
