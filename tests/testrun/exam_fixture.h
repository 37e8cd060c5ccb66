#pragma once

#include "screens/picture_box.h"
#include "shell/program.h"
#include "support/bank_fixture.h"
#include "support/fake_runtime.h"
#include "support/session_probe.h"
#include "testrun/main_layout.h"
#include "ui_frm_user.h"

#include <QTest>

#include <gtest/gtest.h>

#include <random>

// Where a person clicks an answer: on its box, at the left end of the line.
inline const QPoint OnTheBox(5, 6);

// A whole exam through the real windows: a bank of its own, scripted boxes, a fixed clock, and a
// random sequence fixed by a seed.
class ExamTest : public ::testing::Test
{
protected:
    explicit ExamTest(int questions = 40)
        : bank(questions), fake(bank.appPath()), program(fake.runtime)
    {
        std::mt19937 generator(20261209);
        std::uniform_real_distribution<double> uniform(0.0, 1.0);
        std::vector<double> sequence(5000);
        for (double &value : sequence)
            value = uniform(generator);
        fake.random.set(sequence);
        program.frmMain.Load();
        program.frmUser.Show();
    }

    MainWindowUi &main() { return program.frmMain->ui(); }
    TestRunState &run() { return program.state; }

    void registerExam()
    {
        auto &user = program.frmUser->ui();
        user.Text1->setText("Пётр");
        user.Text2->setText("Иванов");
        user.Text3->setText("Сидорович");
        QTest::mouseClick(user.Image1, Qt::LeftButton);
        ASSERT_TRUE(program.frmMain->isVisible());
    }

    void registerDemo()
    {
        fake.boxes.answer(vbYes);
        QTest::mouseClick(program.frmUser->ui().Image3, Qt::LeftButton);
    }

    void pressActionButton() { QTest::mouseClick(main().Picture4, Qt::LeftButton); }

    // The id of the question on screen: drawn here with a bank in this process, or else read
    // from its text "Вопрос N" (the window of a sealed bank never learns it).
    int shownId()
    {
        if (dynamic_cast<const BankSession *>(run().Session.get()))
            return bankSide().DrawnIds[static_cast<std::size_t>(run().QuestionNo)];
        return main().Label6->text().section(QLatin1Char(' '), 1).toInt();
    }
    // The bank's side of the run, with a bank opened in this process.
    const BankSession::Run &bankSide() { return bankRun(run()); }

    // Ticks the right answers of the bank's questions (even ids single choice, answer 2; odd
    // ids multiple choice, answers 1 and 3), or answer 1 alone, which is always wrong.
    void tick(bool right)
    {
        Program &p = program;
        if (p.frmMain->Option1.Count() > 1) {
            QTest::mouseClick(&p.frmMain->Option1(right ? 2 : 1), Qt::LeftButton, {}, OnTheBox);
        } else {
            QTest::mouseClick(&p.frmMain->Check1(1), Qt::LeftButton, {}, OnTheBox);
            if (right)
                QTest::mouseClick(&p.frmMain->Check1(3), Qt::LeftButton, {}, OnTheBox);
        }
    }

    // Starts the test and answers all 40 questions, the first `right` of them rightly.
    void takeExam(int right)
    {
        pressActionButton();
        for (int question = 1; question <= 40; ++question) {
            tick(question <= right);
            pressActionButton();
        }
    }

    BankFixture bank;
    FakeRuntime fake;
    Program program;
};
