#include "shell/program.h"
#include "store/bank_file.h"
#include "store/bank_source.h"
#include "support/fake_runtime.h"
#include "testrun/main_layout.h"
#include "ui_frm_load.h"
#include "ui_frm_user.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

// The main window as an examinee sees it, on the sample bank, saved as pictures to look at.

namespace {

const QString SourceDir = QStringLiteral(QUORVANE_SOURCE_DIR);
const QString ShotDir = QStringLiteral(QUORVANE_SCREENSHOT_DIR);

int countPixels(const QImage &image, const QRect &area, QRgb colour)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixel(x, y) == colour ? 1 : 0;
    return count;
}

class Screenshots : public ::testing::Test
{
protected:
    Screenshots() : fake(SourceDir + "/data/bank"), previous(QDir::currentPath())
    {
        QFile source(SourceDir + "/data/bank/questions.txt");
        EXPECT_TRUE(source.open(QIODevice::ReadOnly));
        questions = parseBankSource(source.readAll()).tables.questions;
        writeBankTables(work.filePath("data.mdb"), {questions, {}});
        QDir::setCurrent(work.path());
        QDir().mkpath(ShotDir);
    }
    ~Screenshots() override { QDir::setCurrent(previous); }

    QImage shot(const QString &name)
    {
        QWidget &window = *program.frmMain;
        const QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        image.save(QDir(ShotDir).filePath(name));
        return image;
    }

    // The next draw picks this id: r * U rounded down, U being the last id + 1.
    void drawNext(int id)
    {
        fake.random.set({(id + 0.5) / (static_cast<double>(questions.size()) + 1)});
    }

    QTemporaryDir work;
    FakeRuntime fake;
    QString previous;
    std::vector<QuestionRow> questions;
    Program program{fake.runtime};
};

TEST_F(Screenshots, BeforeTheStartDuringAPictureQuestionAndAtTheResult)
{
    program.frmMain.Load();
    program.frmUser.Show();
    Ui::frmUser &user = program.frmUser->ui();
    user.Text1->setText("Пётр");
    user.Text2->setText("Иванов");
    user.Text3->setText("Сидорович");
    QTest::mouseClick(user.Image1, Qt::LeftButton);
    MainWindowUi &main = program.frmMain->ui();
    program.frmMain->Timer2.tick();

    const QImage before = shot("main_before_start.png");
    const QRect hint = main.Label4->geometry().translated(main.Picture1->pos());
    EXPECT_GT(countPixels(before, hint, qRgb(255, 0, 0)), 100);

    const auto pictured = std::find_if(questions.begin(), questions.end(),
                                       [](const QuestionRow &q) { return !q.picture.isNull(); });
    ASSERT_NE(pictured, questions.end());
    const int picturedId = pictured->id.toInt();
    drawNext(picturedId);
    QTest::mouseClick(main.Picture4, Qt::LeftButton);
    fake.clock.advance(12);
    program.frmMain->Timer1.tick();
    program.frmMain->Timer2.tick();
    const QImage during = shot("main_picture_question.png");
    const QImage picture(
        SourceDir + QStringLiteral("/data/bank/pictures/%1.bmp").arg(pictured->picture.toString()));
    const QPoint corner = main.Picture1->pos() + main.Picture2->pos();
    EXPECT_EQ(during.pixel(corner + QPoint(10, 10)), picture.pixel(10, 10));
    EXPECT_EQ(main.Label6->text(), pictured->question.toString());
    // The hint is covered by the picture box.
    EXPECT_EQ(countPixels(during, hint, qRgb(255, 0, 0)),
              countPixels(picture.convertToFormat(QImage::Format_RGB32),
                          hint.translated(-corner).intersected(picture.rect()), qRgb(255, 0, 0)));

    // Thirty-nine more, none of them the pictured one again.
    for (int id = 1, asked = 1; asked <= 40; ++id) {
        if (id == picturedId)
            continue;
        drawNext(id);
        QTest::mouseClick(main.Picture4, Qt::LeftButton);
        ++asked;
    }
    const QImage result = shot("main_result.png");
    const QRect verdict =
        main.Label13->geometry().translated(main.Picture1->pos() + main.Frame1->pos());
    EXPECT_GT(countPixels(result, verdict, qRgb(255, 0, 0)), 100);
    EXPECT_EQ(main.Label13->text(), "Тест не сдан...");
}

TEST(WindowShots, TheSplashShowsItsMessageAndNoticeInTheirColours)
{
    FakeRuntime fake;
    Program program(fake.runtime);
    program.frmLoad.Show();
    QWidget &splash = *program.frmLoad;
    const QImage image = splash.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QDir().mkpath(ShotDir);
    image.save(QDir(ShotDir).filePath("splash.png"));
    EXPECT_EQ(image.size(), QSize(422, 145));
    Ui::frmLoad &ui = program.frmLoad->ui();
    EXPECT_GT(countPixels(image, ui.te->geometry(), qRgb(0, 0, 192)), 50);
    EXPECT_GT(countPixels(image, ui.Label1->geometry(), qRgb(0, 128, 0)), 5);
    EXPECT_GT(countPixels(image, ui.Label2->geometry(), qRgb(255, 0, 0)), 5);
    // The notice wraps within its label instead of being cut.
    EXPECT_LE(ui.Label1->heightForWidth(ui.Label1->width()), ui.Label1->height());

    program.frmUser.Show();
    program.frmUser->grab().save(QDir(ShotDir).filePath("registration.png"));
}

} // namespace
