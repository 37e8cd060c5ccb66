#include "screens/system_services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct SeenBox
{
    QSize size;
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
};

// Shows a real box, reads what it shows and presses the button with the given caption.
int askAndPress(const QString &prompt, int style, const QString &title, const QString &press,
                SeenBox &seen)
{
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = {box->size(), box->windowTitle(), box->text(), box->textFormat(), box->icon(), {},
                {}};
        for (QAbstractButton *button : box->buttons()) {
            seen.buttons << button->text();
            if (button->text() == press)
                QTimer::singleShot(0, button, &QAbstractButton::click);
        }
        if (box->defaultButton())
            seen.defaultButton = box->defaultButton()->text();
    });
    DialogBoxes boxes;
    return boxes.ask(prompt, style, title);
}

TEST(DialogBoxes, AskYesOrNoWithYesAsTheDefaultAndAnswerWhatWasPressed)
{
    SeenBox seen;
    EXPECT_EQ(askAndPress("Продолжить?", vbYesNo, "Демонстрационный режим.", "Нет", seen), vbNo);
    EXPECT_EQ(seen.title, "Демонстрационный режим.");
    EXPECT_EQ(seen.buttons, QStringList({"Да", "Нет"}));
    EXPECT_EQ(seen.defaultButton, "Да");
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);

    EXPECT_EQ(askAndPress("Продолжить?", vbYesNo, "Выход", "Да", seen), vbYes);
}

TEST(DialogBoxes, ShowANameAsTypedNeverAsMarkupWithEachLineBreakOnce)
{
    SeenBox seen;
    const QString prompt = "\r\nЗачет для: < <b>Жук</b> & Ко > уже засчитан\r\n\r\nРезультат: - ";
    EXPECT_EQ(askAndPress(prompt, vbInformation, "Результат теста...", "OK", seen), vbOK);
    EXPECT_EQ(seen.format, Qt::PlainText);
    EXPECT_EQ(seen.text, "\nЗачет для: < <b>Жук</b> & Ко > уже засчитан\n\nРезультат: - ");
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.buttons, QStringList({"OK"}));
}

TEST(DialogBoxes, KeepAnAbsurdlyLongNameOnTheScreenByItsStartAndEnd)
{
    SeenBox seen;
    const QString name = QStringLiteral("А") + QString(10000, QChar(u'Ж')) + QStringLiteral("Я");
    askAndPress("\r\nЗачет для: < " + name + " > уже засчитан", vbInformation, "", "OK", seen);
    EXPECT_TRUE(seen.text.startsWith("\nЗачет для: < АЖЖЖ")) << seen.text.left(40).toStdString();
    EXPECT_TRUE(seen.text.endsWith("ЖЖЯ > уже засчитан"));
    EXPECT_TRUE(seen.text.contains(" … "));
    EXPECT_LT(seen.text.size(), 420);
    const QSize screen = QGuiApplication::primaryScreen()->availableSize();
    EXPECT_LE(seen.size.height(), screen.height());
    EXPECT_LE(seen.size.width(), screen.width());
}

} // namespace
