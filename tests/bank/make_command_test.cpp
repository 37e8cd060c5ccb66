#include "command_run.h"
#include "store/bank_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class MakeCommand : public ::testing::Test
{
protected:
    MakeCommand() { makePictures(dir.filePath("pictures")); }

    QString path(const QString &name) const { return dir.filePath(name); }

    // make of `source` into a new bank.
    CommandRun make(const QByteArray &source, QStringList extra = {})
    {
        writeFile(path("questions.txt"), source);
        return runCommand(makeCommand,
                          extra + QStringList{path("questions.txt"), path("data.mdb")});
    }

    QTemporaryDir dir;
};

TEST_F(MakeCommand, TakesAByteOrderMarkAndWindowsLineEnds)
{
    const QByteArray source = "\xEF\xBB\xBF" + sourceText(40).replace("\n", "\r\n");
    const CommandRun run = make(source);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const BankTables tables = readBankTables(path("data.mdb"));
    ASSERT_EQ(tables.questions.size(), 40u);
    EXPECT_EQ(tables.questions[0].question, QVariant("Вопрос 1?"));
    EXPECT_EQ(tables.questions[1].picture, QVariant("1"));
    EXPECT_EQ(tables.questions[2].answers[3], QVariant("может быть"));
    ASSERT_EQ(tables.users.size(), 1u);
    EXPECT_EQ(tables.users[0].username, QVariant(""));
    EXPECT_EQ(tables.users[0].chek, QVariant(false));
}

struct Fault
{
    const char *name;
    const char *block; // question 41, after 40 sound ones
    int line;          // of the block's, from 1 for its "[41]"
    const char *problem;
};

class SourceFaults : public MakeCommand, public ::testing::WithParamInterface<Fault>
{};

TEST_P(SourceFaults, AreRefusedWithTheirLineAndNothingIsWritten)
{
    const QByteArray good = sourceText(40) + "\n";
    const CommandRun run = make(good + GetParam().block);
    EXPECT_EQ(run.status, 1);
    const QString expected = QStringLiteral("строка %1: %2")
                                 .arg(good.count('\n') + GetParam().line)
                                 .arg(QString::fromUtf8(GetParam().problem));
    EXPECT_TRUE(run.err.contains(expected)) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("data.mdb")));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, SourceFaults,
    ::testing::Values(
        Fault{"NotUtf8",
              "[41]\ntype: 0\nquestion: \xC2\xEE\xEF\xF0\xEE\xF1?\nanswer*: a\nanswer: b\n"
              "answer: c\nanswer: d\n",
              3, "текст не в кодировке UTF-8"},
        Fault{"FieldTwice",
              "[41]\ntype: 0\nquestion: А?\nquestion: Б?\nanswer*: a\nanswer: b\nanswer: c\n"
              "answer: d\n",
              4, "поле «question» уже задано в строке"},
        Fault{"MissingPicture",
              "[41]\ntype: 0\npicture: 5\nquestion: А?\nanswer*: a\nanswer: b\nanswer: c\n"
              "answer: d\n",
              3, "нет файла рисунка"},
        Fault{"Gap", "[42]\ntype: 0\nquestion: А?\nanswer*: a\nanswer: b\nanswer: c\nanswer: d\n",
              1, "номер вопроса 42, ожидался 41"},
        Fault{"ThreeAnswers", "[41]\ntype: 0\nquestion: А?\nanswer*: a\nanswer: b\nanswer: c\n", 1,
              "вопрос 41: 3 ответа, а нужно 4"},
        Fault{"OneAnswer", "[41]\ntype: 0\nquestion: А?\nanswer*: a\n", 1,
              "вопрос 41: 1 ответ, а нужно 4"},
        Fault{"CodeBeyondTheBank",
              "[41]\ntype: 2\nquestion: А?\nball: 9223372036854775808\nanswer: a\nanswer: b\n"
              "answer: c\nanswer: d\n",
              4,
              "ball «9223372036854775808» — целое число, которого банк не сохранит: он хранит "
              "целые от -9223372036854775808 до 9223372036854775807"},
        Fault{"TwoRightInSingle",
              "[41]\ntype: 0\nquestion: А?\nanswer*: a\nanswer*: b\nanswer: c\nanswer: d\n", 1,
              "вопрос 41: у вопроса с одним ответом отмечено верных: 2"},
        Fault{"NoneRight",
              "[41]\ntype: 1\nquestion: А?\nanswer: a\nanswer: b\nanswer: c\nanswer: d\n", 1,
              "вопрос 41: не отмечен ни один верный ответ"},
        Fault{"EmptyAnswerShown",
              "[41]\ntype: 1\nquestion: А?\nanswer*: a\nanswer:\nanswer: c\nanswer: d\n", 5,
              "вопрос 41: пустой ответ 2"},
        Fault{"CodeAndStars",
              "[41]\ntype: 1\nquestion: А?\nball: 5\nanswer*: a\nanswer: b\nanswer: c\n"
              "answer: d\n",
              4, "вопрос 41: задан код ball, и отмечены верные ответы"},
        Fault{"KindNotANumber", "[41]\ntype: один\n", 2, "type «один» — не целое число"},
        Fault{"PictureTooLarge", "[41]\ntype: 0\npicture: 40000\n", 3,
              "номер рисунка «40000» — не целое число от 0 до 32767"},
        Fault{"UnclosedQuote", "[41]\ntype: 0\nquestion: \"А?\n", 3, "нет закрывающей кавычки"},
        Fault{"UnknownEscape", "[41]\ntype: 0\nquestion: \"А\\q\"\n", 3,
              "неизвестное сочетание «\\q»"},
        Fault{"UnknownField", "[41]\ntype: 0\ncolour: red\n", 3, "неизвестное поле «colour»"},
        Fault{"HexWithPrefix", "[41]\ntype: 0\nquestion: \"\\u0x41\"\n", 3,
              "после \\u нужны ровно четыре шестнадцатеричные цифры (0–9, A–F), а написано "
              "«\\u0x41»"},
        Fault{"HexWithSign", "[41]\ntype: 0\nquestion: \"\\u+041\"\n", 3,
              "после \\u нужны ровно четыре шестнадцатеричные цифры (0–9, A–F), а написано "
              "«\\u+041»"},
        Fault{"HexWithBlank", "[41]\ntype: 0\nquestion: \"\\u 41a\"\n", 3,
              "после \\u нужны ровно четыре шестнадцатеричные цифры (0–9, A–F), а написано «\\u "
              "41a»"},
        Fault{"LoneHighHalf", "[41]\ntype: 0\nquestion: \"\\uD800A\"\n", 3,
              "«\\uD800» — первая половина суррогатной пары, а за ней нет второй"},
        Fault{"LoneLowHalf", "[41]\ntype: 0\nquestion: \"А\\uDE00\"\n", 3,
              "«\\uDE00» — вторая половина суррогатной пары, а перед ней нет первой"},
        Fault{"ReversedPair", "[41]\ntype: 0\nquestion: А?\nanswer*: \"\\uDE00\\uD83D\"\n", 4,
              "«\\uDE00» — вторая половина суррогатной пары"},
        Fault{"NoncharacterFirst",
              "[41]\ntype: 0\nquestion: \"\\uFFFE\\u0424, \\u042B, \\u0412, \\u0410\"\n", 3,
              "знак U+FFFE — несимвол Юникода"},
        Fault{"NoncharacterPlain", "[41]\ntype: 0\nquestion: А?\nanswer*: да\xEF\xBF\xBF\n", 4,
              "знак U+FFFF — несимвол Юникода"},
        Fault{"ByteOrderMarkFirst", "[41]\ntype: 0\nquestion: \"\\uFEFFА?\"\n", 3,
              "знак U+FEFF в начале текста база примет за метку порядка байтов"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(MakeCommand, EscapesStandForTheirCharactersAndAPairForOneBeyondFFFF)
{
    const QByteArray source = sourceText(40).replace(
        "question: Вопрос 1?", "question: \"\\u0424\\u042b \\uD83D\\uDE00 \\uFEFF\\u2028\"");
    const CommandRun run = make(source);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(readBankTables(path("data.mdb")).questions[0].question,
              QVariant(QStringView(u"ФЫ \U0001F600 \uFEFF\u2028").toString()));
}

TEST_F(MakeCommand, ReportsEveryProblemOfTheSourceInOneRun)
{
    const CommandRun run = make("type: 0\n[1]\ntype: 0\ntype: 1\npicture: 9\nquestion: А?\n"
                                "answer*: a\nanswer: b\nanswer: c\nanswer: d\nanswer: e\n");
    EXPECT_EQ(run.status, 1);
    for (const char *expected :
         {": строка 1: строка вне блока вопроса", ": строка 4: поле «type» уже задано в строке 3",
          ": строка 5: нет файла рисунка", ": строка 11: больше четырёх ответов",
          "в источнике 1 вопрос, а для теста нужно не меньше 40"})
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(expected))) << expected << "\n"
                                                                   << run.err.toStdString();
    // One problem a line, each naming the source.
    for (const QString &line : run.err.trimmed().split('\n'))
        EXPECT_TRUE(line.startsWith(path("questions.txt") + ": ") ||
                    line.startsWith(path("data.mdb") + ": "))
            << line.toStdString();
}

// The source held whole numbers of 18 digits at most, so a code export wrote from a bank could be
// refused; one beyond the bank's 64 bits is named (CodeBeyondTheBank above).
TEST_F(MakeCommand, WholeNumbersAsLargeAsTheBankKeepsAreTakenAsTheyAre)
{
    const CommandRun run = make(sourceText(39) + "\n[40]\ntype: -9223372036854775808\n"
                                                 "question: Вопрос 40?\n"
                                                 "ball: 9223372036854775807\nanswer: да\n"
                                                 "answer: нет\nanswer: не знаю\nanswer: может\n");
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const BankTables tables = readBankTables(path("data.mdb"));
    EXPECT_EQ(tables.questions[39].type, QVariant(std::numeric_limits<qlonglong>::min()));
    EXPECT_EQ(tables.questions[39].ball, QVariant(std::numeric_limits<qlonglong>::max()));
}

TEST_F(MakeCommand, LooksForPicturesWhereItIsTold)
{
    const QByteArray source = sourceText(40).replace("picture: 1", "picture: 7");
    EXPECT_EQ(make(source).status, 1);
    makePictures(path("other"), {7});
    EXPECT_EQ(make(source, {"--pictures", path("other")}).status, 0);
}

TEST_F(MakeCommand, LeavesAnExistingBankAloneUnlessToldToReplaceIt)
{
    writeFile(path("data.mdb"), "the record of the last examinee");
    CommandRun run = make(sourceText(40));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("--replace")) << run.err.toStdString();
    EXPECT_EQ(fileBytes(path("data.mdb")), "the record of the last examinee");

    run = make(sourceText(40), {"--replace"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(readBankTables(path("data.mdb")).questions.size(), 40u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"data.mdb", "questions.txt"}));
}

// A bank (its codes) and a source (its starred answers) are the key: under the usual umask
// nothing the tools write is others' to read, and a replacement is never more open than before.
TEST_F(MakeCommand, WhatTheToolsWriteIsTheStaffsAlone)
{
    const mode_t umaskBefore = ::umask(022);
    const auto modeOf = [](const QString &file) {
        struct stat status;
        return ::stat(QFile::encodeName(file).constData(), &status) == 0 ? status.st_mode & 07777
                                                                         : 07777u;
    };
    const auto setMode = [](const QString &file, mode_t mode) {
        ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), mode), 0);
    };

    ASSERT_EQ(make(sourceText(40)).status, 0);
    EXPECT_EQ(modeOf(path("data.mdb")), 0600u);
    ASSERT_EQ(runCommand(exportCommand, {path("data.mdb"), path("exported.txt")}).status, 0);
    EXPECT_EQ(modeOf(path("exported.txt")), 0600u);

    // Others' bits of the file replaced are not carried over; its group's are, and no more.
    setMode(path("data.mdb"), 0644);
    ASSERT_EQ(make(sourceText(40), {"--replace"}).status, 0);
    EXPECT_EQ(modeOf(path("data.mdb")), 0640u);
    setMode(path("data.mdb"), 0600);
    ASSERT_EQ(make(sourceText(40), {"--replace"}).status, 0);
    EXPECT_EQ(modeOf(path("data.mdb")), 0600u);
    setMode(path("exported.txt"), 0666);
    ASSERT_EQ(
        runCommand(exportCommand, {"--replace", path("data.mdb"), path("exported.txt")}).status, 0);
    EXPECT_EQ(modeOf(path("exported.txt")), 0660u);
    ::umask(umaskBefore);
}

TEST_F(MakeCommand, WrongUsageIsToldApartFromARefusal)
{
    EXPECT_EQ(runCommand(makeCommand, {path("questions.txt")}).status, 2);
    EXPECT_EQ(runCommand(makeCommand, {"--colour", "a", "b"}).status, 2);
    const CommandRun help = runCommand(makeCommand, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith("Использование: quorvane-bank make")) << help.out.toStdString();
}

} // namespace
