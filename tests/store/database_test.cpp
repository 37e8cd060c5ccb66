#include "expect_error.h"
#include "support/file_bytes.h"
#include "support/sealed_folder.h"

#include "store/bank_check.h"
#include "store/bank_file.h"
#include "store/bank_image.h"
#include "store/bank_save.h"
#include "store/database.h"
#include "store/safe_file.h"
#include "support/bank_question.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <latch>
#include <optional>
#include <thread>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace {

// A plain connection of its own to a file, as another program would have: builds banks, holds
// locks and reads back what the engine layer wrote.
class SideConnection final
{
public:
    explicit SideConnection(const QString &path)
        : m_name(QStringLiteral("side-%1").arg(++s_count)),
          m_database(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name))
    {
        m_database.setDatabaseName(path);
        EXPECT_TRUE(m_database.open()) << m_database.lastError().text().toStdString();
        // Only this test process reads what it writes; waiting for the disk buys nothing here.
        run(QStringLiteral("PRAGMA synchronous = OFF"));
    }
    ~SideConnection()
    {
        m_database.close();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    SideConnection(const SideConnection &) = delete;
    SideConnection &operator=(const SideConnection &) = delete;

    void run(const QString &sql)
    {
        QSqlQuery query(m_database);
        EXPECT_TRUE(query.exec(sql))
            << sql.toStdString() << ": " << query.lastError().text().toStdString();
    }

    // The first column of the first row.
    QVariant value(const QString &sql)
    {
        QSqlQuery query(m_database);
        EXPECT_TRUE(query.exec(sql) && query.next())
            << sql.toStdString() << ": " << query.lastError().text().toStdString();
        return query.value(0);
    }

private:
    static inline int s_count = 0;
    QString m_name;
    QSqlDatabase m_database;
};

// Every test runs in a fresh empty folder made the working directory. Locks held on purpose are
// given up on after a short wait.
class DatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        ASSERT_TRUE(QDir::setCurrent(m_folder.path()));
        DBEngine::setLockWait(200);
    }
    void TearDown() override
    {
        DBEngine::setLockWait(30000);
        QDir::setCurrent(m_previous);
    }

    QString folder() const { return QDir(m_folder.path()).absolutePath(); }
    QString bankPath() const { return QDir(folder()).absoluteFilePath(QStringLiteral("data.mdb")); }
    QStringList entries() const
    {
        return QDir(folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    // A small bank: questions 1 to 3 and the attempt record.
    void createBank(const QString &path)
    {
        SideConnection side(path);
        side.run(QStringLiteral("CREATE TABLE questions (id INTEGER, question TEXT, ball INTEGER, "
                                "picture TEXT, type INTEGER)"));
        side.run(QStringLiteral("INSERT INTO questions VALUES (1, 'Первый', 4, NULL, 0), "
                                "(2, 'Второй', 9, '7', 1), (3, 'Третий', NULL, '', 2)"));
        side.run(QStringLiteral("CREATE TABLE users (id INTEGER, username TEXT, chek BOOLEAN)"));
        side.run(QStringLiteral("INSERT INTO users VALUES (1, 'Иванов Пётр Сидорович', 1)"));
    }
    void createBank() { createBank(bankPath()); }

private:
    QString m_previous = QDir::currentPath();
    QTemporaryDir m_folder;
};

TEST_F(DatabaseTest, MissingFileIsNamedWithItsFolderAndNotCreated)
{
    const RuntimeError error =
        errorFrom([] { DBEngine::OpenDatabase(QStringLiteral("data.mdb")); });
    EXPECT_TRUE(isError(error, 3024, {QStringLiteral("«data.mdb»"), folder()}));
    EXPECT_TRUE(entries().isEmpty()) << entries().join(' ').toStdString();
}

TEST_F(DatabaseTest, FileThatIsNoDatabaseIsRefusedAndLeftAsItWas)
{
    const QByteArray contents[] = {
        QByteArray(5000, 'x'),
        QByteArray(),
        QByteArrayLiteral("Standard Jet DB\0 a file of another engine"),
        QByteArrayLiteral("\0\x01\0\0Standard ACE DB\0 a newer one"),
    };
    for (const QByteArray &bytes : contents) {
        SCOPED_TRACE(bytes.left(20).toStdString());
        writeFile(bankPath(), bytes);
        const RuntimeError error =
            errorFrom([] { DBEngine::OpenDatabase(QStringLiteral("data.mdb")); });
        EXPECT_TRUE(isError(error, 3343, {bankPath()}));
        // An Access bank is named as such, with the way to bring it over.
        if (bytes.mid(4, 9) == "Standard")
            EXPECT_TRUE(isError(error, 3343, {"Access", "quorvane-bank import"}));
        EXPECT_EQ(fileBytes(bankPath()), bytes);
        EXPECT_EQ(entries(), QStringList{QStringLiteral("data.mdb")});
    }
}

TEST_F(DatabaseTest, ADamagedHeaderIsReportedAsDamageNotAsAReadOnlyFile)
{
    createBank();
    QByteArray bytes = fileBytes(bankPath());
    bytes[19] = 3; // a write version no engine knows
    writeFile(bankPath(), bytes);
    const RuntimeError error =
        errorFrom([] { DBEngine::OpenDatabase(QStringLiteral("data.mdb")); });
    EXPECT_TRUE(isError(error, 3343, {bankPath(), QStringLiteral("заголовок файла повреждён")}));
    EXPECT_EQ(fileBytes(bankPath()), bytes);
}

TEST_F(DatabaseTest, AWriteWaitsForAnotherProgramsReadToFinish)
{
    createBank();
    DBEngine::setLockWait(30000);
    Database database = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
    // Another program reads the file for a second, as a backup or an indexer does; the write
    // starts only once that read holds the file.
    std::latch reading(1);
    std::thread reader([path = bankPath(), &reading] {
        SideConnection other(path);
        other.run(QStringLiteral("BEGIN"));
        other.value(QStringLiteral("SELECT count(*) FROM questions"));
        reading.count_down();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        other.run(QStringLiteral("COMMIT"));
    });
    reading.wait();
    EXPECT_NO_THROW(database.Execute(QStringLiteral("UPDATE users SET chek=1 WHERE id=1")));
    reader.join();
    SideConnection side(bankPath());
    EXPECT_EQ(side.value(QStringLiteral("SELECT chek FROM users")).toInt(), 1);
}

TEST_F(DatabaseTest, ClosingAtTheEndLeavesWhatWasWrittenInTheFileItselfAndNoSideFiles)
{
    createBank();
    {
        SideConnection side(bankPath());
        EXPECT_EQ(side.value(QStringLiteral("PRAGMA journal_mode = WAL")).toString(), "wal");
    }
    Database database = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
    database.Execute(QStringLiteral("UPDATE users SET username=? , chek=0 WHERE id=1"),
                     {QStringLiteral("Сидорова Анна Петровна")});
    DBEngine::CloseAll();
    EXPECT_EQ(entries(), QStringList{QStringLiteral("data.mdb")});
    // The file alone, copied elsewhere, holds the record.
    QTemporaryDir elsewhere;
    const QString copy = elsewhere.filePath(QStringLiteral("copy.mdb"));
    ASSERT_TRUE(QFile::copy(bankPath(), copy));
    SideConnection side(copy);
    EXPECT_EQ(side.value(QStringLiteral("SELECT username FROM users")).toString(),
              "Сидорова Анна Петровна");
}

TEST_F(DatabaseTest, TheLastRowOfAViewIsTheLastItReturns)
{
    createBank();
    {
        SideConnection side(bankPath());
        side.run(QStringLiteral("ALTER TABLE questions RENAME TO stored"));
        side.run(QStringLiteral("CREATE VIEW questions AS SELECT * FROM stored"));
        side.run(QStringLiteral("CREATE VIEW reversed AS SELECT * FROM stored ORDER BY id DESC"));
    }
    Database database = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
    Recordset questions = database.OpenRecordset(QStringLiteral("select * from questions"));
    questions.MoveLast();
    EXPECT_TRUE(equalsNumber(questions.Fields(QStringLiteral("id")), 3));
    Recordset reversed = database.OpenRecordset(QStringLiteral("select * from reversed"));
    EXPECT_TRUE(equalsNumber(reversed.Fields(QStringLiteral("id")), 3));
    reversed.MoveLast();
    EXPECT_TRUE(equalsNumber(reversed.Fields(QStringLiteral("id")), 1));
}

TEST_F(DatabaseTest, FolderNamedLikeTheFileIsRefused)
{
    ASSERT_TRUE(QDir(folder()).mkdir(QStringLiteral("data.mdb")));
    const RuntimeError error =
        errorFrom([] { DBEngine::OpenDatabase(QStringLiteral("data.mdb")); });
    EXPECT_TRUE(isError(error, 3343, {bankPath()}));
    EXPECT_TRUE(QDir(bankPath()).isEmpty());
}

TEST_F(DatabaseTest, FileLockedByAnotherConnectionIsRefused)
{
    createBank();
    {
        SideConnection other(bankPath());
        other.run(QStringLiteral("BEGIN EXCLUSIVE"));
        const RuntimeError error =
            errorFrom([] { DBEngine::OpenDatabase(QStringLiteral("data.mdb")); });
        EXPECT_TRUE(error.number() == 3045 || error.number() == 3050) << error.what();
        EXPECT_TRUE(isError(error, error.number(), {bankPath()}));
        other.run(QStringLiteral("ROLLBACK"));
    }
    // Once the lock is gone the same file opens.
    EXPECT_NO_THROW(DBEngine::OpenDatabase(QStringLiteral("data.mdb")));
}

TEST_F(DatabaseTest, ReadOnlyFileIsRefusedAndLeftAsItWas)
{
    createBank();
    const QByteArray before = fileBytes(bankPath());
    ASSERT_TRUE(
        QFile::setPermissions(bankPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const RuntimeError error =
        errorFrom([] { DBEngine::OpenDatabase(QStringLiteral("data.mdb")); });
    EXPECT_TRUE(isError(error, 3051, {bankPath()}));
    EXPECT_EQ(fileBytes(bankPath()), before);
    QFile::setPermissions(bankPath(), QFile::ReadOwner | QFile::WriteOwner);
}

TEST_F(DatabaseTest, OpeningAndReadingChangeNothing)
{
    createBank();
    const QByteArray before = fileBytes(bankPath());
    {
        Database database = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
        EXPECT_EQ(database.path(), bankPath());
        Recordset questions = database.OpenRecordset(QStringLiteral("select * from questions"));
        questions.MoveLast();
        database.OpenRecordset(QStringLiteral("select * from users"));
        // No journal or other file beside the bank while it is open.
        EXPECT_EQ(entries(), QStringList{QStringLiteral("data.mdb")});
    }
    EXPECT_EQ(fileBytes(bankPath()), before);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("data.mdb")});
}

TEST_F(DatabaseTest, OpensFromFolderWhoseNameNeedsEscaping)
{
    const QString odd = QStringLiteral("банк ?#%20 & x");
    ASSERT_TRUE(QDir(folder()).mkdir(odd));
    createBank(QDir(folder()).filePath(odd + QStringLiteral("/data.mdb")));
    ASSERT_TRUE(QDir::setCurrent(QDir(folder()).filePath(odd)));

    Database database = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
    Recordset users = database.OpenRecordset(QStringLiteral("select * from users"));
    EXPECT_TRUE(equalsText(users.Fields(QStringLiteral("username")),
                           QStringLiteral("Иванов Пётр Сидорович")));
    EXPECT_EQ(entries(), QStringList{odd});
}

struct KindCase
{
    const char *declared;
    const char *stored;
    FieldValue expected;
};

QString describe(const FieldValue &value)
{
    switch (value.kind()) {
    case FieldValue::Kind::Null:
        return QStringLiteral("Null");
    case FieldValue::Kind::Text:
        return QStringLiteral("Text '%1'").arg(value.asText());
    case FieldValue::Kind::Number:
        return QStringLiteral("Number %1").arg(value.asNumber());
    case FieldValue::Kind::Boolean:
        return QStringLiteral("Boolean %1").arg(value.asBoolean());
    }
    return {};
}

TEST_F(DatabaseTest, FieldsAreTaggedWithTheirKind)
{
    const KindCase cases[] = {
        {"INTEGER", "NULL", FieldValue::null()},
        {"TEXT", "NULL", FieldValue::null()},
        {"TEXT", "'abc'", FieldValue::text(QStringLiteral("abc"))},
        {"TEXT", "''", FieldValue::text(QString())},
        {"TEXT", "' Пётр '", FieldValue::text(QStringLiteral(" Пётр "))},
        {"INTEGER", "42", FieldValue::number(42)},
        {"INTEGER", "-7", FieldValue::number(-7)},
        {"REAL", "2.5", FieldValue::number(2.5)},
        {"", "7", FieldValue::number(7)},
        {"INTEGER", "'abc'", FieldValue::text(QStringLiteral("abc"))},
        {"BOOLEAN", "1", FieldValue::boolean(true)},
        {"BOOLEAN", "2", FieldValue::boolean(true)},
        {"BOOLEAN", "-1", FieldValue::boolean(true)},
        {"BOOLEAN", "0", FieldValue::boolean(false)},
        {"BOOLEAN", "NULL", FieldValue::null()},
        {"BOOL", "1", FieldValue::boolean(true)},
        {"boolean", "0", FieldValue::boolean(false)},
    };
    createBank();
    {
        SideConnection side(bankPath());
        int table = 0;
        for (const KindCase &c : cases) {
            side.run(
                QStringLiteral("CREATE TABLE k%1 (id INTEGER, v %2)").arg(table).arg(c.declared));
            side.run(QStringLiteral("INSERT INTO k%1 VALUES (1, %2)").arg(table++).arg(c.stored));
        }
    }
    Database database = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
    int table = 0;
    for (const KindCase &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 holding %2").arg(c.declared, c.stored).toStdString());
        const FieldValue value =
            database.OpenRecordset(QStringLiteral("select * from k%1").arg(table++))
                .Fields(QStringLiteral("v"));
        EXPECT_EQ(describe(value), describe(c.expected));
    }
}

TEST_F(DatabaseTest, LastRowOfLargestBank)
{
    createBank();
    {
        SideConnection side(bankPath());
        side.run(QStringLiteral("BEGIN"));
        side.run(QStringLiteral("DELETE FROM questions"));
        side.run(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i < 32767) INSERT INTO questions SELECT i, 'q' || i, i % 30, "
                           "NULL, i % 3 FROM n"));
        side.run(QStringLiteral("COMMIT"));
    }
    Database database = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
    Recordset questions = database.OpenRecordset(QStringLiteral("select * from questions"));
    EXPECT_TRUE(equalsNumber(questions.Fields(QStringLiteral("id")), 1));
    questions.MoveLast();
    EXPECT_EQ(int16Of(questions.Fields(QStringLiteral("id")), QStringLiteral("id")), 32767);
    EXPECT_TRUE(equalsText(questions.Fields(QStringLiteral("question")), QStringLiteral("q32767")));
}

struct StatementCase
{
    QString sql;
    int firstId;
    int lastId;
};

TEST_F(DatabaseTest, LastRowFoundWhateverTheSelectLooksLike)
{
    const StatementCase cases[] = {
        {QStringLiteral("select * from questions"), 5, 9},
        {QStringLiteral("select * from questions;"), 5, 9},
        {QStringLiteral("select * from questions -- every question"), 5, 9},
        {QStringLiteral("select * from questions where id=60"), 60, 60},
        {QStringLiteral("select * from questions where id > 1"), 5, 9},
        {QStringLiteral("select id from questions order by id desc"), 60, 1},
        {QStringLiteral("select * from questions order by question limit 3"), 5, 60},
        {QStringLiteral("select id, id from questions"), 5, 9},
        {QStringLiteral("select id from questions union all select 77"), 5, 77},
        {QStringLiteral("select * from questions where question > 'a'"), 1, 9},
        {QStringLiteral("select id as rowid, id from questions"), 5, 9},
        // A column named like the row id hides it.
        {QStringLiteral("select * from odd"), 5, 9},
        {QStringLiteral("select * from keyed"), 1, 60},
        {QStringLiteral("select * from keyed where id < 60"), 1, 9},
    };
    createBank();
    {
        SideConnection side(bankPath());
        side.run(QStringLiteral("DELETE FROM questions"));
        side.run(QStringLiteral("INSERT INTO questions (id, question) VALUES (5, 'a'), (1, 'b'), "
                                "(60, 'c'), (9, 'd')"));
        side.run(QStringLiteral("CREATE TABLE odd (rowid INTEGER, id INTEGER)"));
        side.run(QStringLiteral("INSERT INTO odd VALUES (3, 5), (1, 1), (2, 9)"));
        side.run(QStringLiteral("CREATE TABLE keyed (id INTEGER PRIMARY KEY, question TEXT)"));
        side.run(QStringLiteral("INSERT INTO keyed SELECT id, question FROM questions"));
    }
    Database database = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
    for (const StatementCase &c : cases) {
        SCOPED_TRACE(c.sql.toStdString());
        Recordset rows = database.OpenRecordset(c.sql);
        EXPECT_EQ(int16Of(rows.Fields(QStringLiteral("id")), QStringLiteral("id")), c.firstId);
        rows.MoveLast();
        EXPECT_EQ(int16Of(rows.Fields(QStringLiteral("id")), QStringLiteral("id")), c.lastId);
    }
}

TEST_F(DatabaseTest, EmptyResultHasNoCurrentRow)
{
    createBank();
    Database database = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
    const QString sql = QStringLiteral("select * from questions where id=99");
    Recordset none = database.OpenRecordset(sql);
    EXPECT_TRUE(none.EOF_());
    EXPECT_TRUE(isError(errorFrom([&] { none.Fields(QStringLiteral("id")); }), 3021, {sql}));
    EXPECT_TRUE(isError(errorFrom([&] { none.MoveLast(); }), 3021, {sql}));
}

TEST_F(DatabaseTest, FieldsAreFoundByNameInAnyCaseAndUnknownOnesNamed)
{
    createBank();
    Database database = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
    const QString sql = QStringLiteral("select * from users");
    const Recordset users = database.OpenRecordset(sql);
    // Names are found in any letter case, as the engine the program was written for does.
    EXPECT_TRUE(equalsNumber(users.Fields(QStringLiteral("ID")), 1));
    EXPECT_TRUE(isError(errorFrom([&] { users.Fields(QStringLiteral("usernam")); }), 3265,
                        {QStringLiteral("usernam"), sql}));
}

struct RejectedCase
{
    QString sql;
    int number;
    QString named;
};

TEST_F(DatabaseTest, RejectedSelectsQuoteStatementAndWhatIsMissing)
{
    const RejectedCase cases[] = {
        {QStringLiteral("select * from nosuch"), 3078, QStringLiteral("nosuch")},
        {QStringLiteral("select nosuch from questions"), 3061, QStringLiteral("nosuch")},
        {QStringLiteral("select * frm questions"), 3131, QString()},
        {QStringLiteral("select * from questions; DELETE FROM users"), 3131, QString()},
        {QStringLiteral("DELETE FROM users"), 3219, QString()},
    };
    createBank();
    Database database = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
    for (const RejectedCase &c : cases) {
        SCOPED_TRACE(c.sql.toStdString());
        const RuntimeError error = errorFrom([&] { database.OpenRecordset(c.sql); });
        QStringList named{c.sql};
        if (!c.named.isEmpty())
            named.push_back(c.named);
        EXPECT_TRUE(isError(error, c.number, named));
    }
    SideConnection side(bankPath());
    EXPECT_EQ(side.value(QStringLiteral("SELECT count(*) FROM users")).toInt(), 1);
}

TEST_F(DatabaseTest, ExecuteIsOnDiskWhenItReturns)
{
    createBank();
    Database database = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
    // As the program does it: the record is read, then overwritten while its recordset lives.
    const Recordset users = database.OpenRecordset(QStringLiteral("select * from users"));
    const Recordset question =
        database.OpenRecordset(QStringLiteral("select * from questions where id=2"));
    database.Execute(QStringLiteral("UPDATE users SET username='Петров Иван Ильич' , chek=0 "
                                    "WHERE id=1"));
    {
        SideConnection fresh(bankPath());
        EXPECT_EQ(fresh.value(QStringLiteral("SELECT username FROM users")).toString(),
                  QStringLiteral("Петров Иван Ильич"));
        EXPECT_EQ(fresh.value(QStringLiteral("SELECT chek FROM users")).toInt(), 0);
    }
    database.Execute(QStringLiteral("UPDATE users SET chek=1 WHERE id=1"));
    // Matching no row is no failure.
    database.Execute(QStringLiteral("UPDATE users SET chek=0 WHERE id=2"));
    SideConnection fresh(bankPath());
    EXPECT_EQ(fresh.value(QStringLiteral("SELECT chek FROM users")).toInt(), 1);
    // The recordset read before the writes still shows what it read.
    EXPECT_TRUE(equalsText(users.Fields(QStringLiteral("username")),
                           QStringLiteral("Иванов Пётр Сидорович")));
}

TEST_F(DatabaseTest, BoundValuesAreStoredExactlyAndChangeNothingElse)
{
    const QString names[] = {
        QStringLiteral("О'Брайен Пётр Ильич"),
        QStringLiteral("x' , chek=1 WHERE id=1 --"),
        QStringLiteral("'; DROP TABLE users; --"),
        QStringLiteral("  два  пробела  "),
        QStringLiteral("? ?"),
    };
    createBank();
    Database database = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        database.Execute(QStringLiteral("UPDATE users SET username=? , chek=0 WHERE id=1"), {name});
        const Recordset users = database.OpenRecordset(QStringLiteral("select * from users"));
        EXPECT_TRUE(equalsText(users.Fields(QStringLiteral("username")), name));
        EXPECT_EQ(describe(users.Fields(QStringLiteral("chek"))),
                  describe(FieldValue::boolean(false)));
    }
    SideConnection side(bankPath());
    EXPECT_EQ(side.value(QStringLiteral("SELECT count(*) FROM users")).toInt(), 1);
}

TEST_F(DatabaseTest, RefusedWritesQuoteStatementAndChangeNothing)
{
    const RejectedCase cases[] = {
        {QStringLiteral("UPDATE nosuch SET chek=1 WHERE id=1"), 3078, QStringLiteral("nosuch")},
        {QStringLiteral("UPDATE users SET chek=1 WHER id=1"), 3131, QString()},
        {QStringLiteral("UPDATE users SET chek=1 WHERE id=1; DROP TABLE questions"), 3131,
         QString()},
        {QStringLiteral("select * from users"), 3065, QString()},
    };
    createBank();
    {
        SideConnection side(bankPath());
        side.run(QStringLiteral("UPDATE users SET chek=0"));
    }
    const QByteArray before = fileBytes(bankPath());
    {
        Database database = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
        for (const RejectedCase &c : cases) {
            SCOPED_TRACE(c.sql.toStdString());
            const RuntimeError error = errorFrom([&] { database.Execute(c.sql); });
            QStringList named{c.sql};
            if (!c.named.isEmpty())
                named.push_back(c.named);
            EXPECT_TRUE(isError(error, c.number, named));
        }
    }
    EXPECT_EQ(fileBytes(bankPath()), before);
}

TEST_F(DatabaseTest, WritesAndReadsRefusedWhileAnotherConnectionHoldsTheFile)
{
    createBank();
    Database database = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
    SideConnection other(bankPath());
    other.run(QStringLiteral("BEGIN EXCLUSIVE"));
    const QString update = QStringLiteral("UPDATE users SET chek=0 WHERE id=1");
    // The file is named as the file, not only as a path somewhere in the text.
    EXPECT_TRUE(isError(errorFrom([&] { database.Execute(update); }), 3050,
                        {QStringLiteral("файл базы данных «%1»").arg(bankPath()), update}));
    const QString select = QStringLiteral("select * from users");
    EXPECT_TRUE(
        isError(errorFrom([&] { database.OpenRecordset(select); }), 3050, {bankPath(), select}));
    other.run(QStringLiteral("ROLLBACK"));
    EXPECT_NO_THROW(database.Execute(update));
}

TEST_F(DatabaseTest, WhatTheEngineRefusesGetsItsOwnNumber)
{
    createBank();
    {
        SideConnection side(bankPath());
        side.run(QStringLiteral("CREATE TABLE limited (n INTEGER CHECK (n < 10))"));
    }
    Database database = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
    const QString constrained = QStringLiteral("INSERT INTO limited VALUES (99)");
    EXPECT_TRUE(isError(errorFrom([&] { database.Execute(constrained); }), 3022,
                        {bankPath(), constrained, QStringLiteral("ограничение")}));

    // A disk that is full: the file may not grow past the pages it has.
    database.Execute(QStringLiteral("PRAGMA max_page_count = 1"));
    const QString growing =
        QStringLiteral("INSERT INTO questions (question) VALUES (zeroblob(200000))");
    EXPECT_TRUE(isError(errorFrom([&] { database.Execute(growing); }), 3026,
                        {bankPath(), growing, QStringLiteral("Недостаточно места")}));

    // The header overwritten by something else while the bank is open.
    {
        QFile file(bankPath());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.write(QByteArray(100, '\0'));
    }
    const QString select = QStringLiteral("select * from users");
    EXPECT_TRUE(isError(errorFrom([&] { database.OpenRecordset(select); }), 3343,
                        {bankPath(), QStringLiteral("повреждён")}));
}

TEST_F(DatabaseTest, SideFilesThatAreNotFilesAreRefusedBeforeTheEngineTouchesThem)
{
    createBank();
    const QString journal = bankPath() + QStringLiteral("-journal");
    // A FIFO would hold the engine in open() for ever; a link would lead its writes elsewhere.
    ASSERT_EQ(::mkfifo(QFile::encodeName(journal).constData(), 0600), 0);
    for (const auto access : {DBEngine::Access::ReadWrite, DBEngine::Access::ReadOnly}) {
        const RuntimeError error =
            errorFrom([&] { DBEngine::OpenDatabase(QStringLiteral("data.mdb"), access); });
        EXPECT_TRUE(isError(error, 3051, {bankPath(), journal, QStringLiteral("не обычный файл")}));
    }
    ASSERT_TRUE(QFile::remove(journal));
    // A staff reader takes the bank only when it stands alone: an exam may be writing it.
    writeFile(journal, QByteArray());
    EXPECT_NO_THROW(DBEngine::OpenDatabase(QStringLiteral("data.mdb")));
    EXPECT_TRUE(isError(errorFrom([] {
                            DBEngine::OpenDatabase(QStringLiteral("data.mdb"),
                                                   DBEngine::Access::ReadOnly);
                        }),
                        3051, {journal, QStringLiteral("идёт экзамен")}));
    ASSERT_TRUE(QFile::remove(journal));
    const QString outside = folder() + QStringLiteral("/outside");
    ASSERT_TRUE(QFile::link(outside, bankPath() + QStringLiteral("-wal")));
    const RuntimeError error =
        errorFrom([] { DBEngine::OpenDatabase(QStringLiteral("data.mdb")); });
    EXPECT_TRUE(isError(error, 3051, {bankPath() + QStringLiteral("-wal")}));
    EXPECT_FALSE(QFileInfo::exists(outside));
}

TEST_F(DatabaseTest, RecordsetAndCopiesOutliveTheDatabaseTheyCameFrom)
{
    createBank();
    std::optional<Database> database = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
    Recordset questions = database->OpenRecordset(QStringLiteral("select * from questions"));
    const Database copy = *database;
    database.reset();
    questions.MoveLast();
    EXPECT_TRUE(equalsNumber(questions.Fields(QStringLiteral("id")), 3));
    Database stillOpen = copy;
    stillOpen.Execute(QStringLiteral("UPDATE users SET chek=0 WHERE id=1"));
    EXPECT_TRUE(equalsText(stillOpen.OpenRecordset(QStringLiteral("select * from users"))
                               .Fields(QStringLiteral("chek")),
                           QStringLiteral("False")));
}

// The rows of a table with the type of every value, in the order they are stored.
QString dumpRows(SideConnection &side, const QString &table, const QString &columns)
{
    QStringList quoted;
    for (const QString &column : columns.split(QLatin1Char(',')))
        quoted.push_back(QStringLiteral("quote(%1)").arg(column.trimmed()));
    return side
        .value(QStringLiteral("select group_concat(%1, '|') from (select * from %2 order by rowid)")
                   .arg(quoted.join(QStringLiteral("||','||")), table))
        .toString();
}

std::vector<QuestionRow> someQuestions(int count)
{
    std::vector<QuestionRow> rows;
    for (int id = 1; id <= count; ++id) {
        QuestionRow row;
        row.id = qlonglong(id);
        row.question = QStringLiteral("Вопрос %1").arg(id);
        for (int k = 0; k < 4; ++k)
            row.answers[k] = QStringLiteral("Ответ %1.%2").arg(id).arg(k + 1);
        row.ball = qlonglong(4);
        row.type = qlonglong(0);
        rows.push_back(row);
    }
    return rows;
}

TEST_F(DatabaseTest, SavingQuestionsKeepsEveryOtherTableRowForRowAndTheFilesModeAndGroup)
{
    writeBankTables(bankPath(), BankTables{someQuestions(40), {}});
    const QString users = QStringLiteral("id, username, chek");
    const QString journal =
        QStringLiteral("id, username, started, finished, right_answers, passed, questions, host");
    QString keptUsers, keptJournal, keptNotes;
    {
        SideConnection side(bankPath());
        // Values of every kind, some not what the program writes: each must come back as it is.
        side.run(QStringLiteral("UPDATE users SET username = 'Иванов Пётр', chek = 1"));
        side.run(QStringLiteral("INSERT INTO attempts VALUES (7, 'Иванов Пётр', "
                                "'2026-12-09T10:00:00+03:00', NULL, '33', 1.0, 40, x'6b31', NULL)"));
        side.run(QStringLiteral("CREATE TABLE notes (n REAL, t TEXT)"));
        side.run(QStringLiteral("INSERT INTO notes VALUES (2.5, 'примечание')"));
        keptUsers = dumpRows(side, QStringLiteral("users"), users);
        keptJournal = dumpRows(side, QStringLiteral("attempts"), journal);
        keptNotes = dumpRows(side, QStringLiteral("notes"), QStringLiteral("n, t"));
    }
    // A group other than this account's own, where it has one to give.
    const gid_t group = geteuid() == 0 ? 65534 : getegid();
    ASSERT_EQ(chown(QFile::encodeName(bankPath()).constData(), uid_t(-1), group), 0);
    ASSERT_EQ(chmod(QFile::encodeName(bankPath()).constData(), 0640), 0);

    std::vector<QuestionRow> edited = someQuestions(41);
    edited[2].picture = QStringLiteral("007");
    edited[5].ball = QVariant();
    edited[9].answers[3] = QVariant();
    saveBankQuestions(bankPath(), edited);

    struct stat saved
    {};
    ASSERT_EQ(stat(QFile::encodeName(bankPath()).constData(), &saved), 0);
    EXPECT_EQ(saved.st_mode & 0777, 0640u);
    EXPECT_EQ(saved.st_gid, group);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("data.mdb")}) << "nothing left beside it";
    SideConnection side(bankPath());
    EXPECT_EQ(dumpRows(side, QStringLiteral("users"), users), keptUsers);
    EXPECT_EQ(dumpRows(side, QStringLiteral("attempts"), journal), keptJournal);
    EXPECT_EQ(dumpRows(side, QStringLiteral("notes"), QStringLiteral("n, t")), keptNotes);
    const BankTables back = readBankTables(bankPath());
    ASSERT_EQ(back.questions.size(), edited.size());
    EXPECT_EQ(back.questions[2].picture, QVariant(QStringLiteral("007")));
    EXPECT_TRUE(back.questions[5].ball.isNull());
    EXPECT_TRUE(back.questions[9].answers[3].isNull());
    EXPECT_EQ(back.questions[40].question, QVariant(QStringLiteral("Вопрос 41")));
}

// A staff member of the keeper's group saves a sealed bank, which root owns: a new file would be
// the member's, and the keeper would refuse it; the file itself keeps its owner.
TEST_F(DatabaseTest, AMemberOfTheBanksGroupSavesItKeepingItsOwner)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root, to save as another account a file root owns";
    const gid_t group = 65534;
    const uid_t member = 65534;
    writeBankTables(bankPath(), BankTables{someQuestions(40), {}});
    QString keptUsers;
    {
        SideConnection side(bankPath());
        side.run(QStringLiteral("UPDATE users SET username = 'Иванов Пётр', chek = 1"));
        keptUsers = dumpRows(side, QStringLiteral("users"), QStringLiteral("id, username, chek"));
    }
    ASSERT_EQ(sealForKeeper(folder(), 0, group), QString());

    std::vector<QuestionRow> edited = someQuestions(40);
    edited[4].question = QStringLiteral("Изменённый вопрос");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const gid_t groups[] = {group};
        if (setgroups(1, groups) != 0 || setresgid(group, group, group) != 0 ||
            setresuid(member, member, member) != 0)
            _exit(3);
        try {
            saveBankQuestions(bankPath(), edited);
        } catch (const std::exception &error) {
            std::fprintf(stderr, "%s\n", error.what());
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);

    struct stat saved
    {};
    ASSERT_EQ(stat(QFile::encodeName(bankPath()).constData(), &saved), 0);
    EXPECT_EQ(saved.st_uid, 0u);
    EXPECT_EQ(saved.st_gid, group);
    EXPECT_EQ(saved.st_mode & 0777, 0660u);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("data.mdb")}) << "no journal left beside it";
    SideConnection side(bankPath());
    EXPECT_EQ(dumpRows(side, QStringLiteral("users"), QStringLiteral("id, username, chek")),
              keptUsers);
    EXPECT_EQ(side.value(QStringLiteral("select question from questions where id = 5")).toString(),
              QStringLiteral("Изменённый вопрос"));
}

TEST_F(DatabaseTest, SavingABankAnotherProgramIsWritingWaitsThenRefusesLeavingItAsItWas)
{
    writeBankTables(bankPath(), BankTables{someQuestions(40), {}});
    const QByteArray before = fileBytes(bankPath());
    SideConnection writer(bankPath());
    writer.run(QStringLiteral("BEGIN IMMEDIATE"));
    const auto started = std::chrono::steady_clock::now();
    try {
        saveBankQuestions(bankPath(), someQuestions(41));
        ADD_FAILURE() << "saved over a bank being written";
    } catch (const std::runtime_error &error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(QStringLiteral("занят")))
            << error.what();
    }
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(150));
    writer.run(QStringLiteral("ROLLBACK"));
    EXPECT_EQ(fileBytes(bankPath()), before);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("data.mdb")});
}

TEST_F(DatabaseTest, AnImageIsCheckedAsItsFileWouldBeAndEachProblemNamesItsQuestion)
{
    std::vector<QuestionRow> rows = someQuestions(39);
    rows[6].answers[1] = QVariant();
    rows[11].picture = QStringLiteral("много");
    writeBankTables(bankPath(), BankTables{rows, {}});
    {
        // The log's mode is kept in the file's header after the log itself is gone.
        SideConnection side(bankPath());
        side.run(QStringLiteral("PRAGMA journal_mode = WAL"));
    }
    Database image = DBEngine::OpenImage(bankImageWithQuestions(readBankImage(bankPath()), rows),
                                         QStringLiteral("банк"));
    const BankInspection found = inspectBankValues(image, FieldValue::number(39));
    ASSERT_EQ(found.problems.size(), 3);
    ASSERT_EQ(found.problemQuestions.size(), 3u);
    EXPECT_EQ(found.problemQuestions[0], 0) << found.problems[0].toStdString();
    EXPECT_EQ(found.problemQuestions[1], 7) << found.problems[1].toStdString();
    EXPECT_EQ(found.problemQuestions[2], 12) << found.problems[2].toStdString();
}

// Checks that only our own code makes: without them the engine refuses in English, or nothing
// refuses at all.
TEST_F(DatabaseTest, WhatABankWriteWouldGetWrongIsRefusedBeforeTheEngineSeesIt)
{
    std::vector<QuestionRow> twice = someQuestions(40);
    twice[5].id = 5;
    try {
        bankImage(BankTables{twice, {}});
        ADD_FAILURE() << "two questions numbered 5 were written";
    } catch (const std::runtime_error &error) {
        EXPECT_TRUE(QString::fromUtf8(error.what())
                        .contains(QStringLiteral("таблица questions, строка 6: номер (id) 5 "
                                                 "повторяется")))
            << error.what();
    }

    // A save rewrites the questions: a trigger on them would fire on the rewrite.
    writeBankTables(bankPath(), BankTables{someQuestions(40), {}});
    {
        SideConnection side(bankPath());
        side.run(QStringLiteral("CREATE TRIGGER wipe AFTER DELETE ON questions BEGIN "
                                "UPDATE users SET username = 'стёрто'; END"));
        side.run(QStringLiteral("UPDATE users SET username = 'Иванов Пётр'"));
    }
    saveBankQuestions(bankPath(), someQuestions(41));
    SideConnection side(bankPath());
    EXPECT_EQ(side.value(QStringLiteral("SELECT username FROM users")).toString(),
              QStringLiteral("Иванов Пётр"));
    EXPECT_EQ(side.value(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = "
                                        "'trigger'"))
                  .toInt(),
              0);

    // A name that appeared at the target after the tool looked is not replaced without leave.
    FileReplacement late(QDir(folder()).filePath(QStringLiteral("new.mdb")));
    late.write("new");
    writeFile(QDir(folder()).filePath(QStringLiteral("new.mdb")), "another program's");
    try {
        late.commit(false);
        ADD_FAILURE() << "the file that appeared was replaced";
    } catch (const std::runtime_error &error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(QStringLiteral("уже есть")))
            << error.what();
    }
    EXPECT_EQ(fileBytes(QDir(folder()).filePath(QStringLiteral("new.mdb"))), "another program's");
}

// Banks the exam could not write as it must are refused when opened, before anything is written.
TEST_F(DatabaseTest, AJournalWithoutNumberedRowsAndATriggerOnTheQuestionsAreRefusedAtOpening)
{
    const auto problemsOf = [this](const QStringList &changes) {
        QFile::remove(bankPath());
        writeBankTables(bankPath(), BankTables{someQuestions(40), {}});
        {
            SideConnection side(bankPath());
            for (const QString &change : changes)
                side.run(change);
        }
        Database basa = DBEngine::OpenDatabase(QStringLiteral("data.mdb"));
        return inspectBankValues(basa, FieldValue::number(40)).problems;
    };
    QStringList problems =
        problemsOf({QStringLiteral("DROP TABLE attempts"),
                    QStringLiteral("CREATE TABLE attempts (id INTEGER PRIMARY KEY, username TEXT, "
                                   "started TEXT, finished TEXT, right_answers INTEGER, passed "
                                   "BOOLEAN, questions INTEGER, "
                                   "host TEXT) WITHOUT ROWID")});
    ASSERT_EQ(problems.size(), 1) << problems.join('\n').toStdString();
    EXPECT_TRUE(problems[0].contains(QStringLiteral("INTEGER PRIMARY KEY")));
    problems = problemsOf(
        {QStringLiteral("CREATE TRIGGER quiet BEFORE UPDATE ON questions BEGIN SELECT 1; END")});
    ASSERT_EQ(problems.size(), 1) << problems.join('\n').toStdString();
    EXPECT_TRUE(problems[0].contains(QStringLiteral("триггер «quiet»")));
}

} // namespace
