// mdbtools.h includes glib inside its extern "C" block, where glib's C++ templates do not
// compile: glib comes first, so that its include guard keeps it out of that block. Both come
// before Qt, whose keyword macros would otherwise reach glib.
#include <glib.h>
#include <mdbtools.h>

#include "jet_file.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>

namespace {

[[noreturn]] void refuse(const QString &message)
{
    throw std::runtime_error(message.toStdString());
}

struct HandleClose
{
    void operator()(MdbHandle *mdb) const { mdb_close(mdb); }
};
using Handle = std::unique_ptr<MdbHandle, HandleClose>;

struct TableFree
{
    void operator()(MdbTableDef *table) const { mdb_free_tabledef(table); }
};
using Table = std::unique_ptr<MdbTableDef, TableFree>;

struct GFree
{
    void operator()(char *text) const { g_free(text); }
};
using GText = std::unique_ptr<char, GFree>;

constexpr int OffsetMask = 0x1fff; // a row's offset on its page, without the deleted/lookup flags

// libmdb is handed only what starts like an Access/Jet file: it trusts the header it reads.
void checkSignature(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        refuse(QStringLiteral("файл «%1» не найден").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        refuse(QStringLiteral("файл «%1» не читается: %2").arg(path, file.errorString()));
    const QByteArray head = file.read(19);
    const QByteArray signature = head.mid(4);
    if (signature != "Standard Jet DB" && signature != "Standard ACE DB")
        refuse(QStringLiteral("файл «%1» — не база Access/Jet: в его начале нет подписи "
                              "«Standard Jet DB» или «Standard ACE DB»")
                   .arg(path));
}

// Decoding goes to UTF-8 through our own converters: libmdb's follow the MDBICONV and
// MDB_JET3_CHARSET variables of whoever runs the tool. Jet 3 text is in the code page the
// library read from the file's header unless the caller names another one.
void setTextDecoding(MdbHandle &mdb, const QString &codepage)
{
    QByteArray source = "UTF-16LE";
    if (mdb.f->jet_version == MDB_VER_JET3) {
        if (!codepage.isEmpty()) {
            static const QRegularExpression digits(QStringLiteral("^\\d+$"));
            source =
                (digits.match(codepage).hasMatch() ? QStringLiteral("CP") + codepage : codepage)
                    .toLatin1();
        } else {
            source = "CP" + QByteArray::number(mdb.f->code_page ? mdb.f->code_page : 1252);
        }
    }
    const iconv_t in = iconv_open("UTF-8", source.constData());
    if (in == iconv_t(-1))
        refuse(codepage.isEmpty()
                   ? QStringLiteral("в заголовке файла указана неизвестная кодовая страница %1: "
                                    "файл повреждён, или укажите кодовую страницу его текста")
                         .arg(mdb.f->code_page)
                   : QStringLiteral("неизвестная кодовая страница «%1»").arg(codepage));
    // Our reading never writes, but the handle wants both directions; closing them is its job.
    const iconv_t out = iconv_open(source.constData(), "UTF-8");
    mdb_iconv_close(&mdb);
    mdb.iconv_in = in;
    mdb.iconv_out = out;
}

Handle openJet(const QString &path, const QString &codepage)
{
    checkSignature(path);
    Handle mdb(mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
    if (!mdb)
        refuse(
            QStringLiteral("файл «%1» начинается как база Access/Jet, но библиотека mdbtools "
                           "не смогла его открыть: он повреждён или его версия не поддерживается")
                .arg(path));
    // libmdb reads a missing page as an empty one; a file cut short is named before that.
    if (QFileInfo(path).size() % mdb->fmt->pg_size != 0)
        refuse(QStringLiteral("файл «%1» обрезан: его длина не кратна странице базы (%2 байт)")
                   .arg(path)
                   .arg(mdb->fmt->pg_size));
    setTextDecoding(*mdb, codepage);
    // The handle keeps the list of tables; table names are text, read with the decoding above.
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        refuse(QStringLiteral("не удалось прочитать список таблиц базы «%1»: файл повреждён")
                   .arg(path));
    return mdb;
}

// Jet compares table and column names without regard to case, and so do we.
bool sameName(const char *stored, const char *wanted)
{
    return QString::fromUtf8(stored).compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0;
}

Table openTable(MdbHandle &mdb, const char *name)
{
    for (guint i = 0; i < mdb.num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb.catalog, i));
        if (entry->object_type != MDB_TABLE || !sameName(entry->object_name, name))
            continue;
        Table table(mdb_read_table(entry));
        if (!table || !mdb_read_columns(table.get()))
            refuse(QStringLiteral("таблица %1 не читается").arg(QLatin1String(name)));
        return table;
    }
    refuse(QStringLiteral("в базе нет таблицы %1").arg(QLatin1String(name)));
}

// The kinds of column whose values a bank can keep. A date, a picture or a file cannot.
bool keepable(int type)
{
    switch (type) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_MONEY:
    case MDB_NUMERIC:
    case MDB_TEXT:
    case MDB_MEMO:
        return true;
    default:
        return false;
    }
}

QString typeName(int type)
{
    switch (type) {
    case MDB_DATETIME:
        return QStringLiteral("дата/время");
    case MDB_BINARY:
        return QStringLiteral("двоичные данные");
    case MDB_OLE:
        return QStringLiteral("поле объекта OLE");
    case MDB_REPID:
        return QStringLiteral("код репликации");
    case MDB_COMPLEX:
        return QStringLiteral("вложение или список значений");
    default:
        return QStringLiteral("тип %1").arg(type);
    }
}

// A number with a fractional part in a bank column cannot be kept: the bank holds whole numbers.
std::optional<qlonglong> whole(double value)
{
    if (!std::isfinite(value) || std::trunc(value) != value || std::fabs(value) >= 0x1p63)
        return std::nullopt;
    return qlonglong(value);
}

// Currency and Decimal come from libmdb as decimal text ("4.0000").
std::optional<qlonglong> whole(const GText &decimal)
{
    static const QRegularExpression form(QStringLiteral("^(-?\\d+)(\\.0*)?$"));
    const auto match = form.match(QString::fromLatin1(decimal.get()));
    bool ok = false;
    const qlonglong value = match.hasMatch() ? match.captured(1).toLongLong(&ok) : 0;
    return ok ? std::optional(value) : std::nullopt;
}

QString shown(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString shown(const GText &decimal)
{
    return QString::fromLatin1(decimal.get());
}

using Rows = std::vector<std::vector<QVariant>>;

// One table read row by row, each layout column taken as stored: text as text, a whole number
// as a number, Yes/No as a Boolean, Null as Null.
class JetTableReader final
{
public:
    JetTableReader(MdbHandle &mdb, const char *table, std::initializer_list<const char *> columns)
        : m_mdb(mdb), m_name(QLatin1String(table)), m_table(openTable(mdb, table))
    {
        for (const char *wanted : columns)
            m_columns.push_back({column(wanted), QLatin1String(wanted)});
    }

    // Every row, the columns in the order named at construction.
    Rows rows()
    {
        Rows rows;
        mdb_rewind_table(m_table.get());
        while (next()) {
            std::vector<QVariant> &row = rows.emplace_back();
            for (const Column &column : m_columns)
                row.push_back(value(column));
        }
        // libmdb skips a row or a page it cannot read with no more than a line on stderr.
        if (rows.size() != m_table->num_rows)
            refuse(QStringLiteral("таблица %1 повреждена: прочитано строк: %2 из %3")
                       .arg(m_name)
                       .arg(rows.size())
                       .arg(m_table->num_rows));
        return rows;
    }

private:
    struct Column
    {
        guint index; // in the table's own order
        QString name;
    };

    const MdbColumn &columnAt(guint index) const
    {
        return *static_cast<const MdbColumn *>(g_ptr_array_index(m_table->columns, index));
    }

    guint column(const char *wanted) const
    {
        for (guint i = 0; i < m_table->num_cols; ++i) {
            const MdbColumn &col = columnAt(i);
            if (!sameName(col.name, wanted))
                continue;
            if (!keepable(col.col_type))
                refuse(QStringLiteral("таблица %1, столбец %2: значения типа «%3» в банк не "
                                      "перенести, нужны текст или целые числа")
                           .arg(m_name, QLatin1String(wanted), typeName(col.col_type)));
            return i;
        }
        refuse(QStringLiteral("в таблице %1 нет столбца %2").arg(m_name, QLatin1String(wanted)));
    }

    bool next()
    {
        if (!mdb_fetch_row(m_table.get()))
            return false;
        ++m_row;
        // mdb_fetch_row leaves the row's page in the handle. Cracking the row again gives its
        // null mask, the only thing that tells a Null text from an empty one: bound values
        // are empty strings for both.
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(&m_mdb, int(m_table->cur_row) - 1, &start, &size) != 0 ||
            mdb_crack_row(m_table.get(), start & OffsetMask, size, m_fields.data()) < 0)
            refuse(QStringLiteral("таблица %1, строка %2: строка повреждена и не читается")
                       .arg(m_name)
                       .arg(m_row));
        return true;
    }

    QVariant value(const Column &column) const
    {
        const MdbColumn &col = columnAt(column.index);
        const MdbField &field = m_fields[column.index];
        // Jet keeps a Yes/No value in the null mask itself: a set bit is Yes, and it is never Null.
        if (col.col_type == MDB_BOOL)
            return !field.is_null;
        if (field.is_null)
            return {};
        switch (col.col_type) {
        case MDB_BYTE:
            return qlonglong(mdb_get_byte(m_mdb.pg_buf, field.start));
        case MDB_INT:
            return qlonglong(qint16(mdb_get_int16(m_mdb.pg_buf, field.start)));
        case MDB_LONGINT:
            return qlonglong(qint32(mdb_get_int32(m_mdb.pg_buf, field.start)));
        case MDB_FLOAT:
            return kept(column, mdb_get_single(m_mdb.pg_buf, field.start));
        case MDB_DOUBLE:
            return kept(column, mdb_get_double(m_mdb.pg_buf, field.start));
        case MDB_MONEY:
            return kept(column, GText(mdb_money_to_string(&m_mdb, field.start)));
        case MDB_NUMERIC:
            return kept(column, GText(mdb_numeric_to_string(&m_mdb, field.start, col.col_scale,
                                                            col.col_prec)));
        default:
            return text(column, field);
        }
    }

    template <typename Stored> QVariant kept(const Column &column, const Stored &stored) const
    {
        if (const auto value = whole(stored))
            return *value;
        refuse(QStringLiteral("таблица %1, строка %2, столбец %3: число %4 не целое, а банк "
                              "хранит только целые")
                   .arg(m_name)
                   .arg(m_row)
                   .arg(column.name, shown(stored)));
    }

    QVariant text(const Column &column, const MdbField &field) const
    {
        const MdbColumn &col = columnAt(column.index);
        // libmdb decodes a text into one buffer of the handle's bind size and cuts what does
        // not fit without a word. A Memo gets room for each stored byte to become three UTF-8
        // bytes; a Text column (255 characters at most) always fits the default.
        if (col.col_type == MDB_MEMO && field.siz != 0) {
            const std::size_t stored = memoLength(column, field);
            mdb_set_bind_size(&m_mdb, std::max<size_t>(MDB_BIND_SIZE, 3 * stored + 16));
        }
        const GText decoded(
            mdb_col_to_string(&m_mdb, m_mdb.pg_buf, field.start, col.col_type, field.siz));
        mdb_set_bind_size(&m_mdb, MDB_BIND_SIZE);
        return QString::fromUtf8(decoded.get());
    }

    // The length of a Memo's stored text, once libmdb has reached all of it. libmdb decodes a
    // Memo whose header or pages it cannot follow as an empty text, without a word: so the bytes
    // it reaches are counted against the length the header declares first. A Memo stored with
    // no bytes at all is an empty text, and never comes here.
    std::size_t memoLength(const Column &column, const MdbField &field) const
    {
        std::size_t declared = 0;
        std::size_t reached = 0;
        if (field.siz >= MDB_MEMO_OVERHEAD) {
            std::array<char, MDB_MEMO_OVERHEAD> header;
            std::memcpy(header.data(), m_mdb.pg_buf + field.start, header.size());
            declared = mdb_get_int32(header.data(), 0) & 0x3fffffff; // without the kind flags
            // The libmdb calls for OLE values read a Memo's stored bytes; unbound, they only
            // count them. An inline value is found through the column's current value.
            auto &col =
                *static_cast<MdbColumn *>(g_ptr_array_index(m_table->columns, column.index));
            col.cur_value_start = field.start;
            col.cur_value_len = field.siz;
            reached = mdb_ole_read(&m_mdb, &col, header.data(), std::size_t(field.siz));
            // A damaged chain of pages may lead back into itself: counting stops past the end.
            std::size_t part = reached;
            while (part != 0 && reached <= declared) {
                part = mdb_ole_read_next(&m_mdb, &col, header.data());
                reached += part;
            }
        }
        if (field.siz < MDB_MEMO_OVERHEAD || reached != declared)
            refuse(
                QStringLiteral("таблица %1, строка %2, столбец %3: значение не читается, "
                               "поле Memo повреждено (%4)")
                    .arg(m_name)
                    .arg(m_row)
                    .arg(column.name,
                         field.siz < MDB_MEMO_OVERHEAD
                             ? QStringLiteral("его заголовок короче %1 байт").arg(MDB_MEMO_OVERHEAD)
                             : QStringLiteral("длина по заголовку, байт: %1, прочитано: %2")
                                   .arg(declared)
                                   .arg(reached)));
        return declared;
    }

    MdbHandle &m_mdb;
    QString m_name;
    Table m_table;
    std::vector<Column> m_columns;
    std::array<MdbField, MDB_MAX_COLS> m_fields{};
    int m_row = 0;
};

// A row without a number can be neither addressed by the program nor written to the new bank.
void requireIds(const Rows &rows, const QString &table, const QString &what)
{
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i][0].isNull())
            refuse(QStringLiteral("таблица %1, строка %2: нет номера %3 (id)")
                       .arg(table)
                       .arg(i + 1)
                       .arg(what));
    }
}

std::vector<QuestionRow> readQuestions(MdbHandle &mdb)
{
    const Rows rows = JetTableReader(mdb, "questions",
                                     {"id", "question", "answ1", "answ2", "answ3", "answ4", "ball",
                                      "picture", "type"})
                          .rows();
    requireIds(rows, QStringLiteral("questions"), QStringLiteral("вопроса"));
    std::vector<QuestionRow> questions;
    questions.reserve(rows.size());
    for (const auto &row : rows)
        questions.push_back(
            {row[0], row[1], {row[2], row[3], row[4], row[5]}, row[6], row[7], row[8]});
    return questions;
}

std::vector<UserRow> readUsers(MdbHandle &mdb)
{
    const Rows rows = JetTableReader(mdb, "users", {"id", "username", "chek"}).rows();
    requireIds(rows, QStringLiteral("users"), QStringLiteral("строки"));
    std::vector<UserRow> users;
    for (const auto &row : rows)
        users.push_back({row[0], row[1], row[2]});
    return users;
}

} // namespace

BankTables readJetFile(const QString &path, const QString &codepage)
{
    const Handle mdb = openJet(path, codepage);
    return {readQuestions(*mdb), readUsers(*mdb)};
}
