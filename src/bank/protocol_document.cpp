#include "protocol_document.h"
#include "store/rules.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSet>
#include <QTextLayout>

#include <memory>

namespace {

// Times New Roman's widths, as official papers are set; DejaVu Serif stands in where Liberation
// is missing (look.cpp substitutes it).
const QString Serif = QStringLiteral("Liberation Serif");
const QString Mono = QStringLiteral("Liberation Mono");
constexpr int Resolution = 300;
constexpr qsizetype MostNamedDamages = 30;

QFont font(double points, bool bold = false, bool italic = false, const QString &family = Serif)
{
    QFont chosen(family);
    chosen.setPointSizeF(points);
    chosen.setBold(bold);
    chosen.setItalic(italic);
    return chosen;
}

// A stored text as a cell shows it: codes for control characters, and no longer than any name
// the exam takes, so that a row another tool made huge still fits its page.
QString cellText(const QString &stored)
{
    const QString shown = visibleText(stored);
    return shown.size() > Rules::LongestFullName ? shown.left(Rules::LongestFullName) + u'…'
                                                 : shown;
}

QString dateText(const QDate &date)
{
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

// The columns of the table: heading and width in millimetres; 173 mm between the margins.
struct Column
{
    QString heading;
    double width;
    Qt::Alignment align;
};
const Column Columns[] = {
    {QStringLiteral("№"), 9, Qt::AlignRight},
    {QStringLiteral("Экзаменуемый"), 48, Qt::AlignLeft},
    {QStringLiteral("Начало"), 22, Qt::AlignLeft},
    {QStringLiteral("Окончание"), 22, Qt::AlignLeft},
    {QStringLiteral("Правильных из %1").arg(Rules::TestLength), 23, Qt::AlignHCenter},
    {QStringLiteral("Результат"), 23, Qt::AlignLeft},
    {QStringLiteral("Рабочее место"), 26, Qt::AlignLeft},
};

// A text laid out in lines of a given width, to be drawn at a place.
struct Laid
{
    std::shared_ptr<QTextLayout> layout;
    double height = 0;
};

struct Placed
{
    std::shared_ptr<QTextLayout> layout;
    QPointF at;
};

struct Page
{
    std::vector<Placed> texts;
    std::vector<QLineF> lines;
};

// The protocol laid out on pages, measured in the PDF's own fonts and units, before anything is
// drawn: the foot of each page names how many there are.
class Layout final
{
public:
    Layout(const Protocol &protocol, QPdfWriter &writer);

    void lay();
    void draw(QPainter &painter) const;
    int pageCount() const { return int(m_pages.size()); }

private:
    double mm(double millimetres) const { return millimetres * Resolution / 25.4; }
    double bottom() const { return m_page.height() - mm(22); }
    double width() const { return m_page.width() - mm(37); }
    double left() const { return mm(25); }

    Laid text(const QString &text, const QFont &font, double width,
              Qt::Alignment align = Qt::AlignLeft,
              const QList<QTextLayout::FormatRange> &formats = {}) const;
    void place(const Laid &laid, double x, double y);
    // Starts a page, its running heading above all but the first.
    void newPage();
    // Moves to a new page unless `height` fits under the current position.
    bool fits(double height) const { return m_y + height <= bottom(); }
    void paragraph(const QString &text, const QFont &font, Qt::Alignment align = Qt::AlignLeft,
                   double after = 0, const QList<QTextLayout::FormatRange> &formats = {});
    // "Label: value", the label bold.
    void field(const QString &label, const QString &value);
    void heading();
    void damageNote();
    void examForm();
    double tableHeading();
    void table();
    void totals();
    void signatures();

    const Protocol &m_protocol;
    QPdfWriter &m_writer;
    QSizeF m_page;
    std::vector<Page> m_pages;
    double m_y = 0;
    QString m_title;
};

Layout::Layout(const Protocol &protocol, QPdfWriter &writer)
    : m_protocol(protocol), m_writer(writer),
      m_page(writer.pageLayout().fullRectPixels(Resolution).size()),
      m_title(QStringLiteral("Протокол экзамена № %1 от %2")
                  .arg(protocol.number.isEmpty() ? QStringLiteral("______") : protocol.number,
                       dateText(protocol.date)))
{}

Laid Layout::text(const QString &text, const QFont &font, double width, Qt::Alignment align,
                  const QList<QTextLayout::FormatRange> &formats) const
{
    auto layout = std::make_shared<QTextLayout>(text, font, &m_writer);
    QTextOption option(align);
    // A name of one long word still stays in its column.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout->setTextOption(option);
    layout->setFormats(formats);
    layout->beginLayout();
    double height = 0;
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout->endLayout();
    return {layout, height};
}

void Layout::place(const Laid &laid, double x, double y)
{
    m_pages.back().texts.push_back({laid.layout, QPointF(x, y)});
}

void Layout::newPage()
{
    m_pages.emplace_back();
    m_y = mm(18);
    if (m_pages.size() == 1)
        return;
    QString running = m_title;
    if (!m_protocol.organisation.isEmpty())
        running = m_protocol.organisation + QStringLiteral(". ") + running;
    const Laid laid = text(running, font(9, false, true), width());
    place(laid, left(), m_y);
    m_y += laid.height + mm(1);
    m_pages.back().lines.push_back(QLineF(left(), m_y, left() + width(), m_y));
    m_y += mm(4);
}

void Layout::paragraph(const QString &content, const QFont &font, Qt::Alignment align, double after,
                       const QList<QTextLayout::FormatRange> &formats)
{
    const Laid laid = text(content, font, width(), align, formats);
    if (!fits(laid.height))
        newPage();
    place(laid, left(), m_y);
    m_y += laid.height + after;
}

void Layout::field(const QString &label, const QString &value)
{
    QTextLayout::FormatRange bold;
    bold.start = 0;
    bold.length = int(label.size()) + 1;
    bold.format.setFontWeight(QFont::Bold);
    paragraph(label + QStringLiteral(": ") + value, font(11), Qt::AlignLeft, mm(1.5), {bold});
}

void Layout::heading()
{
    if (!m_protocol.organisation.isEmpty())
        paragraph(m_protocol.organisation, font(12, true), Qt::AlignHCenter, mm(6));
    paragraph(m_title, font(15, true), Qt::AlignHCenter, mm(7));
}

void Layout::damageNote()
{
    const QString note = damagedRowsNote(m_protocol.rows);
    if (note.isEmpty())
        return;
    const double pad = mm(2.5);
    const Laid laid = text(note, font(10.5, true), width() - 2 * pad);
    const QRectF box(left(), m_y, width(), laid.height + 2 * pad);
    place(laid, left() + pad, m_y + pad);
    Page &page = m_pages.back();
    page.lines.insert(page.lines.end(), {QLineF(box.topLeft(), box.topRight()),
                                         QLineF(box.topRight(), box.bottomRight()),
                                         QLineF(box.bottomRight(), box.bottomLeft()),
                                         QLineF(box.bottomLeft(), box.topLeft())});
    m_y = box.bottom() + mm(6);
}

void Layout::examForm()
{
    field(QStringLiteral("Специальность"), QStringLiteral("Оператор компьютерного набора"));
    field(QStringLiteral("Форма экзамена"),
          QStringLiteral("компьютерный тест, %1 вопросов, проходной балл «%2 из %1»")
              .arg(Rules::TestLength)
              .arg(Rules::PassMark));
    const bool several = m_protocol.banks.size() > 1;
    if (several)
        field(QStringLiteral("Банки вопросов"),
              QStringLiteral("%1 (по одному на рабочее место)").arg(m_protocol.banks.size()));
    for (const ProtocolBank &bank : m_protocol.banks) {
        field(several ? QStringLiteral("  файл") : QStringLiteral("Банк вопросов"),
              QStringLiteral("%1, вопросов в банке: %2")
                  .arg(visibleText(bank.file))
                  .arg(bank.questions));
        QTextLayout::FormatRange digest;
        digest.start = int(QStringLiteral("SHA-256 вопросов: ").size());
        digest.length = int(bank.digest.size());
        digest.format.setFont(font(9, false, false, Mono));
        paragraph(QStringLiteral("SHA-256 вопросов: ") + bank.digest, font(11), Qt::AlignLeft,
                  mm(1.5), {digest});
    }

    QDate first, last;
    for (const ResultRow &row : m_protocol.rows)
        if (!row.attempt.started.damaged()) {
            const QDate day = row.attempt.started.value().date();
            first = first.isValid() ? std::min(first, day) : day;
            last = last.isValid() ? std::max(last, day) : day;
        }
    QString dates = m_protocol.rows.empty() ? QStringLiteral("попыток нет")
                    : !first.isValid() ? QStringLiteral("не известны (время начала повреждено)")
                    : first == last
                        ? dateText(first)
                        : QStringLiteral("с %1 по %2").arg(dateText(first), dateText(last));
    const AttemptDays &days = m_protocol.days;
    if (days.since || days.until) {
        QStringList asked;
        if (days.since)
            asked.push_back(QStringLiteral("с ") + dateText(*days.since));
        if (days.until)
            asked.push_back(QStringLiteral("по ") + dateText(*days.until));
        dates += QStringLiteral(" (отобраны попытки, начатые %1)").arg(asked.join(u' '));
    }
    field(QStringLiteral("Даты попыток"), dates);
    paragraph(QStringLiteral("Время начала и окончания — по часам рабочего места."),
              font(9.5, false, true), Qt::AlignLeft, mm(2));
}

double Layout::tableHeading()
{
    const double pad = mm(1.2);
    std::vector<Laid> cells;
    double height = 0;
    for (const Column &column : Columns) {
        cells.push_back(
            text(column.heading, font(8.5, true), mm(column.width) - 2 * pad, Qt::AlignHCenter));
        height = std::max(height, cells.back().height);
    }
    double x = left();
    for (std::size_t k = 0; k < cells.size(); ++k) {
        place(cells[k], x + pad, m_y + pad + (height - cells[k].height) / 2);
        x += mm(Columns[k].width);
    }
    return height + 2 * pad;
}

void Layout::table()
{
    const double pad = mm(1.2);
    // Times are the workstation's own; its offset is shown only where workstations differ.
    QSet<int> offsets;
    for (const ResultRow &row : m_protocol.rows)
        if (!row.attempt.started.damaged())
            offsets.insert(row.attempt.started.value().offsetFromUtc());
    const auto time = [&](const QDateTime &moment) {
        QString shown = moment.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
        if (offsets.size() > 1)
            shown += u' ' + moment.toString(QStringLiteral("t"));
        return shown;
    };
    const auto cell = [](const auto &read, const auto &shown) {
        return read.damaged() ? DamagedCell : shown(read.value());
    };

    // One row of cells; `top` is where the table's rows start on this page.
    double top = m_y;
    const auto rule = [&](double y) {
        m_pages.back().lines.push_back(QLineF(left(), y, left() + width(), y));
    };
    const auto columnsDown = [&](double from, double to) {
        double x = left();
        m_pages.back().lines.push_back(QLineF(x, from, x, to));
        for (const Column &column : Columns) {
            x += mm(column.width);
            m_pages.back().lines.push_back(QLineF(x, from, x, to));
        }
    };
    const auto startTable = [&] {
        top = m_y;
        rule(m_y);
        m_y += tableHeading();
        rule(m_y);
    };
    startTable();

    if (m_protocol.rows.empty()) {
        const Laid none =
            text(QStringLiteral("попыток нет"), font(10), width() - 2 * pad, Qt::AlignHCenter);
        place(none, left() + pad, m_y + pad);
        m_y += none.height + 2 * pad;
        rule(m_y);
        m_pages.back().lines.push_back(QLineF(left(), top, left(), m_y));
        m_pages.back().lines.push_back(QLineF(left() + width(), top, left() + width(), m_y));
        m_y += mm(5);
        return;
    }

    for (std::size_t k = 0; k < m_protocol.rows.size(); ++k) {
        const ResultRow &row = m_protocol.rows[k];
        const Journal::Entry &attempt = row.attempt;
        QString name = cell(attempt.username, cellText);
        QList<QTextLayout::FormatRange> marks;
        if (!row.repeat.isEmpty()) {
            QTextLayout::FormatRange mark;
            mark.start = int(name.size()) + 1;
            mark.length = int(row.repeat.size());
            mark.format.setFontItalic(true);
            mark.format.setFontPointSize(8.5);
            marks.push_back(mark);
            name += QChar::LineSeparator + row.repeat;
        }
        const QString values[] = {
            QString::number(k + 1),
            name,
            cell(attempt.started, time),
            cell(attempt.finished,
                 [&](const std::optional<QDateTime> &end) {
                     return end ? time(*end) : QStringLiteral("—");
                 }),
            cell(attempt.rightAnswers,
                 [](const std::optional<int> &right) {
                     return right ? QString::number(*right) : QStringLiteral("—");
                 }),
            resultText(attempt),
            cell(attempt.host, cellText),
        };
        std::vector<Laid> cells;
        double height = 0;
        for (std::size_t c = 0; c < std::size(Columns); ++c) {
            cells.push_back(text(values[c], font(10), mm(Columns[c].width) - 2 * pad,
                                 Columns[c].align,
                                 c == 1 ? marks : QList<QTextLayout::FormatRange>{}));
            height = std::max(height, cells.back().height);
        }
        if (!fits(height + 2 * pad)) {
            columnsDown(top, m_y);
            newPage();
            startTable();
        }
        double x = left();
        for (std::size_t c = 0; c < cells.size(); ++c) {
            place(cells[c], x + pad, m_y + pad);
            x += mm(Columns[c].width);
        }
        m_y += height + 2 * pad;
        rule(m_y);
    }
    columnsDown(top, m_y);
    m_y += mm(5);
}

void Layout::totals()
{
    int passed = 0, failed = 0, unfinished = 0, damaged = 0;
    for (const ResultRow &row : m_protocol.rows) {
        const auto &result = row.attempt.passed;
        if (result.damaged())
            ++damaged;
        else if (!result.value())
            ++unfinished;
        else if (*result.value())
            ++passed;
        else
            ++failed;
    }
    const int all = int(m_protocol.rows.size());
    QString line = QStringLiteral("Итого: сдали %1 из %2; не сдали %3; не закончили %4")
                       .arg(passed)
                       .arg(all)
                       .arg(failed)
                       .arg(unfinished);
    if (damaged > 0)
        line += QStringLiteral("; результат повреждён в журнале: %1").arg(damaged);
    paragraph(line + u'.', font(11, true), Qt::AlignLeft, mm(10));
}

void Layout::signatures()
{
    // A signatory: the role on the left, the line to sign on, the name under it; an empty name
    // is a line to write it in by hand.
    struct Signatory
    {
        QString role;
        QString name;
    };
    std::vector<Signatory> signatories{{QStringLiteral("Председатель комиссии"), m_protocol.chair}};
    QStringList members = m_protocol.members;
    while (members.size() < 2)
        members.push_back({});
    for (qsizetype k = 0; k < members.size(); ++k)
        signatories.push_back({k == 0 ? QStringLiteral("Члены комиссии") : QString(), members[k]});

    const double lineFrom = left() + mm(62), lineTo = left() + width();
    const double rowHeight = mm(17);
    // Kept together: signatures split from their page would sign another's.
    if (!fits(rowHeight * double(signatories.size())))
        newPage();
    for (const Signatory &signatory : signatories) {
        const double lineAt = m_y + mm(9);
        if (!signatory.role.isEmpty()) {
            const Laid role = text(signatory.role, font(11, true), mm(58));
            place(role, left(), lineAt - role.height);
        }
        m_pages.back().lines.push_back(QLineF(lineFrom, lineAt, lineTo, lineAt));
        const Laid name = signatory.name.isEmpty()
                              ? text(QStringLiteral("(подпись, фамилия и инициалы)"),
                                     font(8, false, true), lineTo - lineFrom, Qt::AlignHCenter)
                              : text(visibleText(signatory.name), font(10.5), lineTo - lineFrom,
                                     Qt::AlignHCenter);
        place(name, lineFrom, lineAt + mm(1));
        m_y += rowHeight;
    }
}

void Layout::lay()
{
    newPage();
    heading();
    // First, before anything that could push it to another page.
    damageNote();
    examForm();
    table();
    totals();
    signatures();
}

void Layout::draw(QPainter &painter) const
{
    QPen pen(Qt::black);
    pen.setWidthF(mm(0.2));
    const int count = pageCount();
    for (int k = 0; k < count; ++k) {
        if (k > 0)
            m_writer.newPage();
        const Page &page = m_pages[std::size_t(k)];
        painter.setPen(pen);
        painter.drawLines(page.lines.data(), int(page.lines.size()));
        for (const Placed &placed : page.texts)
            placed.layout->draw(&painter, placed.at);
        const QString foot = QStringLiteral("стр. %1 из %2").arg(k + 1).arg(count);
        painter.setFont(font(9));
        painter.drawText(QRectF(left(), m_page.height() - mm(15), width(), mm(6)),
                         Qt::AlignHCenter | Qt::AlignTop, foot);
    }
}

} // namespace

QString damagedRowsNote(const std::vector<ResultRow> &rows)
{
    QStringList named;
    qsizetype damagedRows = 0;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const std::vector<Journal::Damage> damages = rows[k].attempt.damages();
        if (damages.empty())
            continue;
        ++damagedRows;
        if (named.size() == MostNamedDamages)
            continue;
        QStringList columns;
        for (const Journal::Damage &damage : damages)
            columns.push_back(damage.column);
        named.push_back(
            QStringLiteral("№ %1 (%2)").arg(k + 1).arg(columns.join(QStringLiteral(", "))));
    }
    if (damagedRows == 0)
        return {};
    QString list = named.join(QStringLiteral("; "));
    if (damagedRows > named.size())
        list += QStringLiteral(" и ещё %1").arg(damagedRows - named.size());
    return QStringLiteral("Журнал попыток повреждён: в строках таблицы %1 — всего строк: %2 — "
                          "есть ячейки, которые программа так не записывает; в таблице они "
                          "показаны как «%3». Сведения этих строк журналом не подтверждены; "
                          "подробности выводит quorvane-bank results.")
        .arg(list)
        .arg(damagedRows)
        .arg(DamagedCell);
}

int drawProtocol(const Protocol &protocol, QPdfWriter &writer)
{
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    writer.setResolution(Resolution);
    writer.setTitle(
        QStringLiteral("Протокол экзамена") +
        (protocol.number.isEmpty() ? QString() : QStringLiteral(" № ") + protocol.number));
    writer.setCreator(QStringLiteral("quorvane-bank"));
    Layout layout(protocol, writer);
    layout.lay();
    QPainter painter;
    if (!painter.begin(&writer))
        return 0;
    layout.draw(painter);
    painter.end();
    return layout.pageCount();
}
