#include "sqlite_rows.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>

#include <sqlite3.h>

SqliteRows::SqliteRows(const QString &path, const QString &sql)
{
    const QByteArray uri =
        QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded(QUrl::FullyEncoded) +
        "?mode=ro";
    if (sqlite3_open_v2(uri.constData(), &m_database,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK)
        return;
    sqlite3_stmt *encoding = nullptr;
    if (sqlite3_prepare_v2(m_database, "PRAGMA encoding", -1, &encoding, nullptr) == SQLITE_OK &&
        sqlite3_step(encoding) == SQLITE_ROW)
        m_utf16 = qstrncmp(reinterpret_cast<const char *>(sqlite3_column_text(encoding, 0)),
                           "UTF-16", 6) == 0;
    sqlite3_finalize(encoding);
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_database, text.constData(), int(text.size()), &m_statement, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
        return;
    }
    m_types.resize(sqlite3_column_count(m_statement));
}

SqliteRows::~SqliteRows()
{
    sqlite3_finalize(m_statement);
    sqlite3_close(m_database);
}

bool SqliteRows::next()
{
    if (!m_statement || sqlite3_step(m_statement) != SQLITE_ROW)
        return false;
    for (std::size_t column = 0; column < m_types.size(); ++column)
        m_types[column] = sqlite3_column_type(m_statement, int(column));
    return true;
}

bool SqliteRows::isNull(int column) const
{
    return m_types[std::size_t(column)] == SQLITE_NULL;
}

bool SqliteRows::isText(int column) const
{
    return m_types[std::size_t(column)] == SQLITE_TEXT;
}

bool SqliteRows::isNumber(int column) const
{
    return m_types[std::size_t(column)] == SQLITE_INTEGER ||
           m_types[std::size_t(column)] == SQLITE_FLOAT;
}

double SqliteRows::number(int column) const
{
    return m_types[std::size_t(column)] == SQLITE_INTEGER
               ? double(sqlite3_column_int64(m_statement, column))
               : sqlite3_column_double(m_statement, column);
}

QByteArrayView SqliteRows::storedText(int column) const
{
    // Asked in the file's own encoding, so two different texts never give the same bytes.
    if (m_utf16) {
        const void *text = sqlite3_column_text16(m_statement, column);
        return {static_cast<const char *>(text), sqlite3_column_bytes16(m_statement, column)};
    }
    const unsigned char *text = sqlite3_column_text(m_statement, column);
    return {reinterpret_cast<const char *>(text), sqlite3_column_bytes(m_statement, column)};
}

QStringView SqliteRows::text(int column) const
{
    if (m_utf16) {
        const void *text = sqlite3_column_text16(m_statement, column);
        return {static_cast<const QChar *>(text), sqlite3_column_bytes16(m_statement, column) / 2};
    }
    // Qt's decoder is several times faster than SQLite's translation to UTF-16, and gives the
    // same text for any valid UTF-8. UTF-16 never takes more units than UTF-8 takes bytes.
    const QByteArrayView stored = storedText(column);
    if (m_text.size() < std::size_t(stored.size()))
        m_text.resize(std::size_t(stored.size()));
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QChar *end = decoder.appendToBuffer(m_text.data(), stored);
    return {m_text.data(), end - m_text.data()};
}

FieldValue SqliteRows::value(int column) const
{
    switch (m_types[std::size_t(column)]) {
    case SQLITE_NULL:
        return FieldValue::null();
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return FieldValue::number(number(column));
    case SQLITE_BLOB:
        return FieldValue::text(
            QString::fromUtf8(static_cast<const char *>(sqlite3_column_blob(m_statement, column)),
                              sqlite3_column_bytes(m_statement, column)));
    default: {
        // The driver's own conversion, so a text reads exactly as the program reads it.
        const void *text = sqlite3_column_text16(m_statement, column);
        return FieldValue::text(QString(static_cast<const QChar *>(text),
                                        sqlite3_column_bytes16(m_statement, column) / 2));
    }
    }
}
