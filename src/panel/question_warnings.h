#pragma once

#include "panel_fit.h"

#include <QHash>
#include <QSize>
#include <QString>
#include <QStringList>

struct AskedQuestion;
class FieldValue;

// What would hurt an examinee in a question although the exam runs: texts the panel cuts, values no
// ticks can give or with nothing to read, a picture larger than its box. Each warning is worded
// without the question's number. Needs a graphical application object.
class QuestionWarnings final
{
public:
    explicit QuestionWarnings(QString picturesFolder);

    QString picturesFolder() const { return m_folder; }
    // The warnings of the question's texts and values.
    QStringList texts(const AskedQuestion &question);
    // The warning of the question's picture file, empty when it fits its box or when the value
    // names no picture (the opening check refuses one that is no number).
    QString picture(const FieldValue &value);
    // The file a picture value names ("7.bmp"), empty when it names none.
    static QString pictureFile(const FieldValue &value);

private:
    QString m_folder;
    PanelFit m_fit;
    QHash<QString, QSize> m_sizes; // of the picture files read so far
};
