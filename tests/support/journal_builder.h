#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVariantList>

#include <vector>

// One answer of an exam as the exam keeps it: the question, the code sent, whether it counted
// as right, the seconds it took.
struct GivenAnswer
{
    int question = 0;
    int code = 0;
    bool scored = false;
    double seconds = 20;
};

// Attempts and their answers written into a bank's journal by hand, each answer with the digest
// of its question as the bank holds it at that moment: the figures' tests build their journals
// with it, as the exam would have left them.
class JournalBuilder final
{
public:
    // On a bank written with its journal tables (writeBankFile).
    explicit JournalBuilder(QString bankPath);
    ~JournalBuilder();
    JournalBuilder(const JournalBuilder &) = delete;
    JournalBuilder &operator=(const JournalBuilder &) = delete;

    // An attempt and its answers at places 1, 2, …; a finished one ends 40 minutes after its
    // start with the answers scored right as its count. Returns the attempt's id.
    qint64 finished(const QString &name, const QDateTime &started,
                    const std::vector<GivenAnswer> &answers);
    qint64 unfinished(const QString &name, const QDateTime &started,
                      const std::vector<GivenAnswer> &answers);

    // The answer `code` to question `id`, scored as the exam scores it: right when it is the
    // stored code of the right answers.
    GivenAnswer answer(int id, int code, double seconds = 20);
    // The answer that ticks what the key ticks.
    GivenAnswer right(int id, double seconds = 20);

    // Changes the bank as a hand edit or the editor's save would; answers written after it carry
    // the questions' new digests.
    void run(const QString &sql, const QVariantList &values = {});

private:
    qint64 write(const QString &name, const QDateTime &started,
                 const std::vector<GivenAnswer> &answers, bool finish);
    // The question's stored values: its key and its digest.
    struct Stored
    {
        qint64 ball = 0;
        QByteArray shown;
    };
    const Stored &stored(int id);

    QString m_path;
    QString m_connection;
    QHash<int, Stored> m_stored;
};
