#pragma once

#include <QCheckBox>
#include <QRadioButton>

// The answer rows of the question panel. A row is laid out as one strip of the panel's colour
// (its background colour, not the lighter button colour Qt would paint), and it takes a click
// anywhere in that strip, not only on its box and caption.

class AnswerOption final : public QRadioButton
{
    Q_OBJECT

public:
    explicit AnswerOption(QWidget *parent = nullptr);

protected:
    bool hitButton(const QPoint &pos) const override;
};

class AnswerCheck final : public QCheckBox
{
    Q_OBJECT

public:
    explicit AnswerCheck(QWidget *parent = nullptr);

protected:
    bool hitButton(const QPoint &pos) const override;
};
