// Draws the pictures of the sample question bank: uncompressed 24-bit BMP files,
// at most 586 x 127 pixels each, named by picture number (1.bmp, 2.bmp, ...).
//
//   QT_QPA_PLATFORM=offscreen draw_question_pictures [folder]
//
// The folder defaults to data/bank/pictures relative to the current directory.

#include <QDir>
#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int pictureWidth = 586;
constexpr int pictureHeight = 127;

const QColor panel(224, 224, 224);
const QColor paper(255, 255, 255);
const QColor ink(24, 24, 24);
const QColor frame(150, 150, 150);
const QColor accent(208, 32, 32);
const QColor marks(40, 90, 200);

QFont font(const QString &family, qreal pixelSize, bool bold = false, bool italic = false)
{
    QFont f(family);
    f.setPixelSize(qRound(pixelSize));
    f.setBold(bold);
    f.setItalic(italic);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

QFont sans(qreal pixelSize, bool bold = false)
{
    return font(QStringLiteral("DejaVu Sans"), pixelSize, bold);
}

QFont serif(qreal pixelSize, bool bold = false, bool italic = false)
{
    return font(QStringLiteral("DejaVu Serif"), pixelSize, bold, italic);
}

QImage blank()
{
    QImage image(pictureWidth, pictureHeight, QImage::Format_RGB32);
    image.fill(panel);
    return image;
}

void beginPainting(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
}

// A white card with a thin grey edge.
void card(QPainter &p, const QRectF &r, qreal radius = 4)
{
    p.save();
    p.setPen(QPen(frame, 1));
    p.setBrush(paper);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.restore();
}

// A number in a dark circle, used to label the parts of a picture.
void badge(QPainter &p, QPointF centre, int number, qreal radius = 9)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 60));
    p.drawEllipse(centre, radius, radius);
    p.setPen(Qt::white);
    p.setFont(sans(radius * 1.35, true));
    p.drawText(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius),
               Qt::AlignCenter, QString::number(number));
    p.restore();
}

// Draws a line of text stretched to the given width by widening the spaces between words.
void drawJustified(QPainter &p, const QString &line, QPointF baselineStart, qreal width)
{
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QFontMetricsF fm(p.font());
    if (words.size() < 2) {
        p.drawText(baselineStart, line);
        return;
    }
    qreal wordsWidth = 0;
    for (const QString &w : words)
        wordsWidth += fm.horizontalAdvance(w);
    const qreal gap = (width - wordsWidth) / (words.size() - 1);
    if (gap < 0.6 * fm.horizontalAdvance(QLatin1Char(' ')))
        std::fprintf(stderr, "warning: line too long to justify: %s\n", qPrintable(line));
    qreal x = baselineStart.x();
    for (const QString &w : words) {
        p.drawText(QPointF(x, baselineStart.y()), w);
        x += fm.horizontalAdvance(w) + gap;
    }
}

// 1: the three letter rows of the ЙЦУКЕН layout, the key «Д» in red.
QImage keyboard()
{
    QImage image = blank();
    QPainter p(&image);
    beginPainting(p);

    const QStringList rows = {QStringLiteral("ЙЦУКЕНГШЩЗХЪ"), QStringLiteral("ФЫВАПРОЛДЖЭ"),
                              QStringLiteral("ЯЧСМИТЬБЮ.")};
    const qreal offsets[] = {0, 12, 32};
    constexpr qreal key = 40;
    constexpr qreal keyHeight = 32;
    constexpr qreal step = 44;
    constexpr qreal rowStep = 38;
    const qreal left = (pictureWidth - (12 * step - (step - key))) / 2.0;
    constexpr qreal top = 10;

    for (int row = 0; row < rows.size(); ++row) {
        for (int i = 0; i < rows[row].size(); ++i) {
            const QChar letter = rows[row][i];
            const QRectF r(left + offsets[row] + i * step, top + row * rowStep, key, keyHeight);
            const bool chosen = letter == QChar(u'Д');
            p.setPen(QPen(chosen ? accent.darker(130) : QColor(120, 120, 120), 1));
            p.setBrush(chosen ? accent : paper);
            p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
            p.setPen(chosen ? Qt::white : ink);
            p.setFont(sans(16, true));
            p.drawText(r, Qt::AlignCenter, QString(letter));
            // The raised marks of the two home keys.
            if (letter == QChar(u'А') || letter == QChar(u'О')) {
                p.setPen(QPen(QColor(90, 90, 90), 2, Qt::SolidLine, Qt::RoundCap));
                p.drawLine(QPointF(r.center().x() - 6, r.bottom() - 5),
                           QPointF(r.center().x() + 6, r.bottom() - 5));
            }
        }
    }
    return image;
}

// Four cards with a word in a numbered kind of quotation marks.
QImage quotationMarks()
{
    QImage image = blank();
    QPainter p(&image);
    beginPainting(p);

    const QString word = QStringLiteral("слово");
    const QStringList samples = {
        QStringLiteral("\"") + word + QStringLiteral("\""), // straight
        QStringLiteral("«") + word + QStringLiteral("»"),   // guillemets
        QStringLiteral("‘") + word + QStringLiteral("’"),   // single
        QStringLiteral("„") + word + QStringLiteral("“"),   // low-high
    };
    constexpr qreal gap = 10;
    const qreal width = (pictureWidth - 5 * gap) / 4;
    for (int i = 0; i < samples.size(); ++i) {
        const QRectF r(gap + i * (width + gap), 10, width, pictureHeight - 20);
        card(p, r);
        badge(p, r.topLeft() + QPointF(15, 15), i + 1);
        p.setPen(ink);
        p.setFont(serif(30));
        p.drawText(r.adjusted(0, 22, 0, 0), Qt::AlignCenter, samples[i]);
    }
    return image;
}

// Three numbered cards: hyphen, en dash and em dash, drawn large on one baseline.
QImage dashes()
{
    QImage image = blank();
    QPainter p(&image);
    beginPainting(p);

    const QStringList signs = {QStringLiteral("-"), QStringLiteral("–"), QStringLiteral("—")};
    constexpr qreal gap = 12;
    const qreal width = (pictureWidth - 4 * gap) / 3;
    const QFont big = serif(64);
    const QFontMetricsF fm(big);
    for (int i = 0; i < signs.size(); ++i) {
        const QRectF r(gap + i * (width + gap), 10, width, pictureHeight - 20);
        card(p, r);
        badge(p, r.topLeft() + QPointF(15, 15), i + 1);
        const qreal baseline = r.center().y() + 34;
        p.setPen(ink);
        p.setFont(big);
        const qreal advance = fm.horizontalAdvance(signs[i]);
        p.drawText(QPointF(r.center().x() - advance / 2, baseline), signs[i]);
    }
    return image;
}

// A page sketch: 1 the running head, 2 the text, 3 the margin, 4 the page number.
QImage pageLayout()
{
    QImage image = blank();
    QPainter p(&image);
    beginPainting(p);

    const QRectF page(236, 3, 112, 121);
    p.setPen(QPen(QColor(110, 110, 110), 1));
    p.setBrush(paper);
    p.drawRect(page.adjusted(0.5, 0.5, -0.5, -0.5));

    const qreal textLeft = page.left() + 24;
    const qreal textRight = page.right() - 14;

    // Running head: a short title over a thin rule.
    p.setPen(QColor(90, 90, 90));
    p.setFont(sans(7));
    p.drawText(QRectF(textLeft, page.top() + 5, textRight - textLeft, 9), Qt::AlignCenter,
               QStringLiteral("Глава 2. Вёрстка"));
    p.setPen(QPen(QColor(120, 120, 120), 0.8));
    p.drawLine(QPointF(textLeft, page.top() + 15.5), QPointF(textRight, page.top() + 15.5));

    // The text: grey lines, the first of each paragraph indented, the last short.
    const qreal textTop = page.top() + 22;
    constexpr int lines = 13;
    constexpr qreal lineStep = 6.5;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(160, 160, 160));
    for (int i = 0; i < lines; ++i) {
        const qreal y = textTop + i * lineStep;
        qreal x0 = textLeft;
        qreal x1 = textRight;
        if (i == 0 || i == 7)
            x0 += 7;
        if (i == 6 || i == lines - 1)
            x1 = textLeft + 40;
        p.drawRect(QRectF(x0, y, x1 - x0, 3));
    }
    const qreal textBottom = textTop + (lines - 1) * lineStep + 3;

    // Page number.
    p.setPen(QColor(60, 60, 60));
    p.setFont(sans(8, true));
    p.drawText(QRectF(page.left(), page.bottom() - 15, page.width(), 12), Qt::AlignCenter,
               QStringLiteral("15"));

    // The left margin: a double arrow from the page edge to the text.
    const qreal marginY = textTop + 3 * lineStep + 1.5;
    p.setPen(QPen(accent, 1.4));
    p.drawLine(QPointF(page.left() + 3, marginY), QPointF(textLeft - 3, marginY));
    p.setBrush(accent);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF{{page.left() + 1, marginY},
                            {page.left() + 6, marginY - 3},
                            {page.left() + 6, marginY + 3}});
    p.drawPolygon(QPolygonF{
        {textLeft - 1, marginY}, {textLeft - 6, marginY - 3}, {textLeft - 6, marginY + 3}});

    // Leader lines to the numbers.
    const auto leader = [&p](QPointF from, QPointF to, int number) {
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(QColor(60, 60, 60));
        p.drawLine(from, to);
        p.drawEllipse(from, 1.8, 1.8);
        badge(p, to, number);
    };
    leader(QPointF(textRight + 2, page.top() + 10), QPointF(440, page.top() + 10), 1);
    leader(QPointF(textRight - 4, (textTop + textBottom) / 2), QPointF(440, 63), 2);
    leader(QPointF(page.left() + 12, marginY + 5), QPointF(150, marginY + 5), 3);
    leader(QPointF(page.center().x() + 9, page.bottom() - 9), QPointF(440, page.bottom() - 9), 4);
    return image;
}

// The foot of one page and the head of the next; the paragraph's last line is carried over.
QImage hangingLine()
{
    QImage image = blank();
    QPainter p(&image);
    beginPainting(p);

    const QFont body = serif(13);
    const QFontMetricsF fm(body);
    constexpr qreal lineStep = 16;
    constexpr qreal pageWidth = 270;
    constexpr qreal inset = 12;
    constexpr qreal textWidth = pageWidth - 2 * inset;

    // Left: the bottom of page 14, cut off at the top of the picture.
    const QRectF left(14, -4, pageWidth, pictureHeight - 4);
    card(p, left, 3);
    const QStringList leftLines = {
        QStringLiteral("обязан знать правила русского на-"),
        QStringLiteral("бора, уметь работать со стилями и"),
        QStringLiteral("следить, чтобы все полосы издания"),
        QStringLiteral("были свёрстаны аккуратно, а текст"),
        QStringLiteral("оставался удобным и понятным для"),
    };
    p.setPen(ink);
    p.setFont(body);
    for (int i = 0; i < leftLines.size(); ++i)
        drawJustified(p, leftLines[i], QPointF(left.left() + inset, 14 + i * lineStep), textWidth);
    p.setPen(QColor(90, 90, 90));
    p.setFont(sans(10));
    p.drawText(QRectF(left.left(), left.bottom() - 22, pageWidth, 16), Qt::AlignCenter,
               QStringLiteral("14"));

    // Right: the top of page 15.
    const QRectF right(pictureWidth - 14 - pageWidth, 6, pageWidth, pictureHeight + 4);
    card(p, right, 3);
    const qreal firstBaseline = right.top() + 24;
    const QString carried = QStringLiteral("чтения.");
    const qreal carriedWidth = fm.horizontalAdvance(carried);
    const QRectF highlight(right.left() + inset - 4, firstBaseline - fm.ascent() - 2,
                           carriedWidth + 8, fm.height() + 4);
    p.setPen(QPen(accent, 1.6));
    p.setBrush(QColor(255, 236, 160));
    p.drawRect(highlight);
    p.setPen(ink);
    p.setFont(body);
    p.drawText(QPointF(right.left() + inset, firstBaseline), carried);

    const QStringList rightLines = {
        QStringLiteral("Перед печатью полосы вычиты-"),
        QStringLiteral("вает корректор. Ошибки он отме-"),
        QStringLiteral("чает корректурными знаками, по-"),
        QStringLiteral("вторяя каждый знак на поле."),
    };
    for (int i = 0; i < rightLines.size(); ++i) {
        const QPointF start(right.left() + inset + (i == 0 ? 18 : 0),
                            firstBaseline + (i + 1) * lineStep);
        const qreal width = textWidth - (i == 0 ? 18 : 0);
        if (i + 1 < rightLines.size())
            drawJustified(p, rightLines[i], start, width);
        else
            p.drawText(start, rightLines[i]);
    }
    return image;
}

// A corrected proof: a wrong letter struck through, the same mark and the right letter
// in the margin.
QImage proofCorrection()
{
    QImage image = blank();
    QPainter p(&image);
    beginPainting(p);

    const QRectF sheet(10, 8, pictureWidth - 20, pictureHeight - 16);
    card(p, sheet, 3);
    const qreal marginLine = 440;
    p.setPen(QPen(QColor(190, 190, 190), 1, Qt::DashLine));
    p.drawLine(QPointF(marginLine, sheet.top() + 8), QPointF(marginLine, sheet.bottom() - 8));

    const QFont body = serif(20);
    const QFontMetricsF fm(body);
    const qreal textLeft = 30;
    const qreal baselines[] = {40, 72, 104};
    const QString before = QStringLiteral("«Оператор к");
    const QString wrong = QStringLiteral("а");
    const QStringList lines = {QStringLiteral("Экзамен по специальности"),
                               before + wrong + QStringLiteral("мпьютерного набора»"),
                               QStringLiteral("проходит в учебном классе.")};
    p.setFont(body);
    p.setPen(ink);
    for (int i = 0; i < 3; ++i)
        p.drawText(QPointF(textLeft, baselines[i]), lines[i]);

    // The mark: a stroke through the wrong letter.
    const qreal letterX = textLeft + fm.horizontalAdvance(before);
    const qreal letterW = fm.horizontalAdvance(wrong);
    const qreal y = baselines[1];
    p.setPen(QPen(accent, 2, Qt::SolidLine, Qt::RoundCap));
    const qreal letterMiddle = letterX + letterW / 2;
    p.drawLine(QPointF(letterMiddle + 5, y - fm.xHeight() - 9), QPointF(letterMiddle - 3, y + 6));

    // The same mark on the margin, and the right letter after it.
    const qreal markX = marginLine + 40;
    p.drawLine(QPointF(markX + 5, y - fm.xHeight() - 9), QPointF(markX - 3, y + 6));
    p.setFont(serif(22, false, true));
    p.setPen(accent);
    p.drawText(QPointF(markX + 10, y), QStringLiteral("о"));
    return image;
}

// A formatting toolbar: bold, italic, underline (Russian faces Ж, К, Ч), then four
// alignment buttons; numbered 1 to 7 underneath.
QImage toolbar()
{
    QImage image = blank();
    QPainter p(&image);
    beginPainting(p);

    constexpr qreal button = 44;
    constexpr qreal step = 54;
    constexpr qreal separator = 24;
    const qreal total = 7 * step - (step - button) + separator;
    const qreal left = (pictureWidth - total) / 2;
    const QRectF strip(left - 12, 16, total + 24, button + 16);
    p.setPen(QPen(QColor(170, 170, 170), 1));
    p.setBrush(QColor(242, 242, 242));
    p.drawRoundedRect(strip.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);

    const auto buttonRect = [&](int i) {
        const qreal x = left + i * step + (i >= 3 ? separator : 0);
        return QRectF(x, strip.top() + 8, button, button);
    };
    p.setPen(QPen(QColor(190, 190, 190), 1));
    const qreal sepX = left + 3 * step - (step - button) / 2 + separator / 2;
    p.drawLine(QPointF(sepX, strip.top() + 10), QPointF(sepX, strip.bottom() - 10));

    for (int i = 0; i < 7; ++i) {
        const QRectF r = buttonRect(i);
        p.setPen(QPen(QColor(150, 150, 150), 1));
        p.setBrush(paper);
        p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        badge(p, QPointF(r.center().x(), strip.bottom() + 16), i + 1);
    }

    // Letter faces.
    p.setPen(ink);
    p.setFont(serif(24, true));
    p.drawText(buttonRect(0), Qt::AlignCenter, QStringLiteral("Ж"));
    p.setFont(serif(24, false, true));
    p.drawText(buttonRect(1), Qt::AlignCenter, QStringLiteral("К"));
    p.setFont(serif(24));
    const QRectF u = buttonRect(2);
    p.drawText(u.adjusted(0, -3, 0, -3), Qt::AlignCenter, QStringLiteral("Ч"));
    p.setPen(QPen(ink, 2));
    p.drawLine(QPointF(u.center().x() - 9, u.bottom() - 9),
               QPointF(u.center().x() + 9, u.bottom() - 9));

    // Alignment faces: five lines each.
    const qreal full = 26;
    const qreal lengths[] = {26, 18, 26, 14, 22};
    for (int kind = 0; kind < 4; ++kind) {
        const QRectF r = buttonRect(3 + kind);
        const qreal x0 = r.center().x() - full / 2;
        p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::FlatCap));
        for (int line = 0; line < 5; ++line) {
            const qreal y = r.top() + 11 + line * 5.5;
            const qreal len = kind == 3 ? full : lengths[line];
            qreal start = x0;
            if (kind == 1)
                start = x0 + (full - len) / 2;
            else if (kind == 2)
                start = x0 + full - len;
            p.drawLine(QPointF(start, y), QPointF(start + len, y));
        }
    }
    return image;
}

// Text shown with formatting marks: a dot for each space and ¶ at each paragraph end.
QImage formattingMarks()
{
    QImage image = blank();
    QPainter p(&image);
    beginPainting(p);

    const QRectF sheet(10, 10, pictureWidth - 20, pictureHeight - 20);
    card(p, sheet, 3);

    const QFont body = sans(18);
    const QFontMetricsF fm(body);
    p.setFont(body);
    const QStringList paragraphs = {QStringLiteral("Экзамен по специальности"),
                                    QStringLiteral("«Оператор компьютерного набора»."),
                                    QStringLiteral("Желаем успеха!")};
    const qreal spaceWidth = fm.horizontalAdvance(QLatin1Char(' '));
    for (int i = 0; i < paragraphs.size(); ++i) {
        qreal x = sheet.left() + 22;
        const qreal y = sheet.top() + 30 + i * 32;
        const QStringList words = paragraphs[i].split(QLatin1Char(' '));
        for (int w = 0; w < words.size(); ++w) {
            p.setPen(ink);
            p.drawText(QPointF(x, y), words[w]);
            x += fm.horizontalAdvance(words[w]);
            if (w + 1 < words.size()) {
                p.setPen(Qt::NoPen);
                p.setBrush(marks);
                p.drawEllipse(QPointF(x + spaceWidth / 2, y - fm.xHeight() / 2), 1.7, 1.7);
                x += spaceWidth;
            }
        }
        p.setPen(marks);
        p.drawText(QPointF(x + 1, y), QStringLiteral("¶"));
    }
    return image;
}

struct Picture
{
    int number;
    std::function<QImage()> draw;
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("data/bank/pictures");
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folder));
        return 1;
    }
    for (const QString &family : {QStringLiteral("DejaVu Sans"), QStringLiteral("DejaVu Serif")}) {
        if (QFontInfo(QFont(family)).family() != family)
            std::fprintf(stderr, "warning: font %s is not installed\n", qPrintable(family));
    }

    const std::vector<Picture> pictures = {
        {1, keyboard},    {2, quotationMarks},  {3, dashes},  {4, pageLayout},
        {5, hangingLine}, {6, proofCorrection}, {7, toolbar}, {8, formattingMarks},
    };
    for (const Picture &picture : pictures) {
        // RGB888 makes the BMP writer store 24 bits per pixel, without compression.
        const QImage image = picture.draw().convertToFormat(QImage::Format_RGB888);
        const QString path = QDir(folder).filePath(QString::number(picture.number) + ".bmp");
        if (!image.save(path, "BMP")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s %dx%d\n", qPrintable(path), image.width(), image.height());
    }
    return 0;
}
