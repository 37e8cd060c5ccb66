#include "command_run.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// What a poppler tool says of `pdf`; the tests need poppler-utils (scripts/test.sh installs it).
QString poppler(const QString &tool, QStringList arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        ADD_FAILURE() << tool.toStdString() << " (poppler-utils) did not run: "
                      << process.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The PDF's text page by page, each page's blanks and line ends as single spaces, so that a name
// wrapped in its cell reads as one.
QStringList pagesOf(const QString &pdf)
{
    QStringList pages =
        poppler(QStringLiteral("pdftotext"), {"-raw", pdf, "-"}).split(u'\f', Qt::SkipEmptyParts);
    for (QString &page : pages)
        page = page.simplified();
    return pages;
}

class ProtocolCommand : public ::testing::Test
{
protected:
    QString path(const QString &name) const { return dir.filePath(name); }

    QTemporaryDir dir;
};

// Names distinct from one another, short enough for their cell's line.
QString examinee(int k)
{
    static const QStringList surnames{"Алексеев", "Борисова", "Васильев", "Григорьева",
                                      "Дмитриев", "Егорова",  "Жуков",    "Зуева"};
    return QStringLiteral("%1 Ученик-%2").arg(surnames[k % surnames.size()]).arg(k);
}

TEST_F(ProtocolCommand, EveryNameTotalsSignatoriesAndPagesAreInTheText)
{
    std::vector<Taken> kab1, kab2;
    int passed = 0;
    constexpr int attempts = 40;
    for (int k = 0; k < attempts; ++k) {
        // Every fifth left unfinished; the counts cross the pass mark.
        const std::optional<int> right = k % 5 == 4 ? std::nullopt : std::optional(20 + k % 20);
        passed += right && *right >= 32;
        (k % 2 ? kab2 : kab1)
            .push_back({{examinee(k), at(9, 9 + k / 8, k % 8 * 7, 3), 45, k % 2 ? "kab2" : "kab1"},
                        right});
    }
    // A second try on the other workstation.
    kab2.push_back({{examinee(0), at(10, 9, 0, 3), 45, "kab2"}, 36});
    ++passed;
    const QString first = journalBank(path("kab1.mdb"), kab1);
    const QString second = journalBank(path("kab2.mdb"), kab2);
    const QString pdf = path("protocol.pdf");

    const CommandRun run = runCommand(
        protocolCommand, {"--pdf", pdf, "--org", "Колледж связи № 3", "--number", "17-Э", "--chair",
                          "Орлова Елена Викторовна", "--member", "Белов Игорь Петрович", "--member",
                          "Зайцева Ольга Николаевна", first, second});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();

    const QStringList pages = pagesOf(pdf);
    ASSERT_GE(pages.size(), 3);
    const QString all = pages.join(u' ');
    for (int k = 0; k < attempts; ++k)
        EXPECT_TRUE(all.contains(examinee(k))) << examinee(k).toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("сдали %1 из %2").arg(passed).arg(attempts + 1)))
        << all.toStdString();
    EXPECT_TRUE(all.contains("не закончен"));
    EXPECT_TRUE(all.contains("повторная: 2-я из 2 попыток"));
    for (const char *signatory :
         {"Орлова Елена Викторовна", "Белов Игорь Петрович", "Зайцева Ольга Николаевна"})
        EXPECT_TRUE(pages.back().contains(QString::fromUtf8(signatory))) << signatory;
    EXPECT_TRUE(pages.front().contains("Протокол экзамена № 17-Э"));
    EXPECT_TRUE(pages.front().contains("Оператор компьютерного набора"));
    EXPECT_TRUE(pages.front().contains("«32 из 40»"));
    EXPECT_TRUE(pages.front().contains("Даты попыток: с 09.12.2026 по 10.12.2026"));
    for (qsizetype k = 0; k < pages.size(); ++k) {
        SCOPED_TRACE(k + 1);
        EXPECT_TRUE(
            pages[k].contains(QStringLiteral("стр. %1 из %2").arg(k + 1).arg(pages.size())));
        EXPECT_TRUE(pages[k].contains("Колледж связи № 3"));
        EXPECT_TRUE(pages[k].contains("Протокол экзамена № 17-Э от"));
    }
    // The table's headings above its rows on every page it runs on.
    for (qsizetype k = 0; k + 1 < pages.size(); ++k)
        EXPECT_TRUE(pages[k].contains("Экзаменуемый Начало Окончание")) << k + 1;
    // In the order results lists them: both workstations by the moment attempts started.
    EXPECT_LT(all.indexOf(examinee(1) + u' '), all.indexOf(examinee(2) + u' '));
    EXPECT_LT(all.indexOf(examinee(38) + u' '), all.lastIndexOf(examinee(0) + u' '));

    // Every font in the file, so it prints the same anywhere.
    const QStringList fonts =
        poppler(QStringLiteral("pdffonts"), {pdf}).split(u'\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(fonts.isEmpty());
    static const QRegularExpression embedded(QStringLiteral("\\s(yes|no)\\s"));
    for (const QString &font : fonts)
        EXPECT_EQ(embedded.match(font).captured(1), "yes") << font.toStdString();
}

TEST_F(ProtocolCommand, ADamagedRowIsNamedOnTheFirstPageAndTheProtocolStillWritten)
{
    std::vector<Taken> taken;
    for (int k = 0; k < 45; ++k)
        taken.push_back({{examinee(k), at(9, 9 + k / 8, k % 8 * 7, 3), 45, "kab1"}, 35});
    const QString bank = journalBank(path("data.mdb"), taken);
    // The last row of the table, on its last page.
    alterBank(bank, {"UPDATE attempts SET passed = 2 WHERE id = 45"});
    const QString pdf = path("protocol.pdf");
    const CommandRun run = runCommand(protocolCommand, {"--pdf", pdf, bank});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("попытка 45 (id в таблице attempts), столбец passed"))
        << run.err.toStdString();
    const QStringList pages = pagesOf(pdf);
    ASSERT_GE(pages.size(), 2);
    EXPECT_TRUE(pages.front().contains("Журнал попыток повреждён: в строках таблицы № 45 (passed)"))
        << pages.front().toStdString();
    EXPECT_TRUE(pages.back().contains(examinee(44) + " 09.12.2026 14:28:00 09.12.2026 15:08:00 "
                                                     "35 повреждено kab1"))
        << pages.back().toStdString();
    // Not counted as a pass.
    EXPECT_TRUE(pages.back().contains("сдали 44 из 45")) << pages.back().toStdString();
}

TEST_F(ProtocolCommand, NothingButAWholeProtocolIsWrittenAndOnlyOverAPdf)
{
    const QString bank =
        journalBank(path("data.mdb"), {{{"Иванов Иван", at(9, 10, 0, 3), 45, "kab1"}, 35}});
    const QByteArray bankBytes = fileBytes(bank);
    const QString pdf = path("protocol.pdf");

    // The bank named for the protocol by mistake keeps its journal.
    const CommandRun overBank = runCommand(protocolCommand, {"--pdf", bank, bank});
    EXPECT_EQ(overBank.status, 1);
    EXPECT_TRUE(overBank.err.contains("файл уже есть, и это не PDF")) << overBank.err.toStdString();
    EXPECT_EQ(fileBytes(bank), bankBytes);

    // An unreadable bank: no protocol that would lack its attempts.
    writeFile(path("text.mdb"), "не база");
    const CommandRun unread = runCommand(protocolCommand, {"--pdf", pdf, bank, path("text.mdb")});
    EXPECT_EQ(unread.status, 1);
    EXPECT_TRUE(unread.err.startsWith(path("text.mdb") + ": ")) << unread.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(pdf));

    for (const QStringList &wrong :
         {QStringList{bank}, QStringList{"--pdf", pdf, "--until", "10.12.2026", bank},
          QStringList{"--pdf", pdf, "--chair", QString(256, u'Я'), bank},
          QStringList{"--pdf", pdf}}) {
        const CommandRun run = runCommand(protocolCommand, wrong);
        EXPECT_EQ(run.status, 2) << wrong.join(u' ').toStdString();
        EXPECT_FALSE(QFileInfo::exists(pdf));
    }

    // An earlier protocol is replaced, and --until leaves out a later day.
    writeFile(pdf, "%PDF-1.4 an earlier protocol");
    alterBank(bank, {"INSERT INTO attempts (username, started, finished, right_answers, passed, "
                     "questions, host) VALUES ('Петров Пётр', '2026-12-11T10:00:00+03:00', "
                     "'2026-12-11T10:40:00+03:00', 33, 1, 45, 'kab1')"});
    const CommandRun run =
        runCommand(protocolCommand, {"--pdf", pdf, "--until", "2026-12-10", bank});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QString text = pagesOf(pdf).join(u' ');
    EXPECT_TRUE(text.contains("Иванов Иван")) << text.toStdString();
    EXPECT_FALSE(text.contains("Петров"));
    EXPECT_TRUE(text.contains("сдали 1 из 1"));
    EXPECT_TRUE(text.contains("(отобраны попытки, начатые по 10.12.2026)"));
    // Others never read it: it names the examinees.
    EXPECT_FALSE(QFileInfo(pdf).permissions() & QFile::ReadOther);
}

} // namespace
