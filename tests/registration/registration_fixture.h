#pragma once

#include "shell/program.h"
#include "support/bank_fixture.h"
#include "support/fake_runtime.h"
#include "store/rules.h"
#include "support/session_probe.h"
#include "testrun/main_layout.h"
#include "ui_frm_user.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

// The registration window over a bank of its own, with scripted boxes.
class RegistrationTest : public ::testing::Test
{
protected:
    explicit RegistrationTest(int questions = 60)
        : bank(questions), fake(bank.appPath()), program(fake.runtime)
    {
        program.frmUser.Show();
    }

    Ui::frmUser &user() { return program.frmUser->ui(); }
    MainWindowUi &main() { return program.frmMain->ui(); }

    void enter(const QString &first, const QString &surname, const QString &patronymic)
    {
        user().Text1->setText(first);
        user().Text2->setText(surname);
        user().Text3->setText(patronymic);
    }

    void click(QWidget *image) { QTest::mouseClick(image, Qt::LeftButton); }

    QString lastPrompt() const
    {
        return fake.boxes.asked().empty() ? QString() : fake.boxes.asked().back().prompt;
    }

    BankFixture bank;
    FakeRuntime fake;
    Program program;
};
