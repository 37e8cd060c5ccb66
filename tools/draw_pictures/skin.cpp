#include "skin.h"

#include "faces.h"
#include "logo.h"
#include "paint.h"
#include "palette.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace Skin {

namespace {

const QRgb key = qRgb(255, 255, 255);
constexpr QRgb keyRgb = 0xFFFFFF; // the key without its alpha byte
const QPoint letterOrigin(19, 13);

// Outline parameters. The corner radii and the slant set how much of the surround is cut
// away; they are tuned together so the outline covers the pixel count the window expects.
constexpr int tabFirst[] = {4, 1, 1, 0, 0};
constexpr int tabLast[] = {217, 218, 219, 219, 219};
constexpr int bodyTop = 5;
constexpr int bodyBottom = 453;
constexpr int topRightRadius = 12;
constexpr int bottomRightRadius = 10;
constexpr int slantTopLast = 518;
constexpr int slantBottomLast = 503;

// How far a rounded corner of the given radius cuts into row i, counted from the flat edge.
int cornerInset(int radius, int i)
{
    const double dy = radius - i - 0.5;
    return radius - static_cast<int>(std::lround(std::sqrt(radius * radius - dy * dy)));
}

std::vector<bool> coverage()
{
    std::vector<bool> inside(static_cast<size_t>(width) * height, false);
    const auto spans = outline();
    for (int y = 0; y < height; ++y)
        for (int x = spans[y].first; x <= spans[y].last; ++x)
            inside[static_cast<size_t>(y) * width + x] = true;
    return inside;
}

quint32 grain(int x, int y)
{
    quint32 h = static_cast<quint32>(x) * 374761393u + static_cast<quint32>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

QColor clampChannels(int r, int g, int b)
{
    return QColor(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
}

// Dark blue, lighter towards the top, with a fine woven grain.
QColor frameTexture(int x, int y)
{
    const qreal t = static_cast<qreal>(y) / (height - 1);
    const QColor base = mix(QColor(32, 60, 146), QColor(14, 30, 92), t);
    int lift = static_cast<int>(grain(x, y) % 9) - 4;
    if ((x + y) % 4 == 0)
        lift += 6;
    if (((x - y) % 4 + 4) % 4 == 0)
        lift -= 5;
    return clampChannels(base.red() + lift, base.green() + lift, base.blue() + lift * 3 / 2);
}

// The frame texture with a bevel that follows the outline: a rim of the outline colour, then a
// highlight on edges facing the upper left and a shade on edges facing the lower right.
void paintFrame(QImage &art, const std::vector<bool> &inside)
{
    const QColor highlight(124, 174, 228);
    const QColor shade(2, 8, 30);
    constexpr int reach = 4;
    const auto outsideAt = [&](int x, int y) {
        return x < 0 || y < 0 || x >= width || y >= height ||
               !inside[static_cast<size_t>(y) * width + x];
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            QColor colour = frameTexture(x, y);
            qreal nearest = reach + 1;
            qreal nx = 0;
            qreal ny = 0;
            for (int dy = -reach; dy <= reach; ++dy) {
                for (int dx = -reach; dx <= reach; ++dx) {
                    if (!outsideAt(x + dx, y + dy))
                        continue;
                    const qreal d2 = dx * dx + dy * dy;
                    nearest = std::min(nearest, std::sqrt(d2));
                    nx -= dx / d2;
                    ny -= dy / d2;
                }
            }
            if (nearest < 1.5) {
                colour = Palette::skinRim;
            } else if (nearest <= reach + 0.5) {
                const qreal length = std::hypot(nx, ny);
                const qreal facing = length > 0 ? (nx + ny) / (length * M_SQRT2) : 0;
                const qreal strength = nearest < 2.5 ? 0.85 : nearest < 3.5 ? 0.5 : 0.2;
                colour = facing >= 0 ? mix(colour, highlight, facing * strength)
                                     : mix(colour, shade, -facing * strength);
            }
            art.setPixel(x, y, colour.rgb());
        }
    }
}

// A panel set into the frame.
void sunkenPanel(QPainter &p, const QRectF &r, qreal radius, const QBrush &fill, qreal bevel = 2)
{
    drawBevel(p, r, radius, bevel, QColor(3, 8, 30), QColor(92, 134, 196));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
}

QLinearGradient vertical(qreal top, qreal bottom, const QColor &from, const QColor &to)
{
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    return g;
}

void paintTitleBar(QPainter &p)
{
    Logo::drawDisc(p, letterOrigin);

    // The program's name, as large as fits the title tab together with its trademark sign.
    const QRectF nameBox(47, 7, 157, 32);
    QFont nameFont;
    QPainterPath name;
    for (int size = 36; size > 12; --size) {
        nameFont = dejaVu(QStringLiteral("DejaVu Serif"), size, QFont::Bold, true);
        name = textPath(QStringLiteral("Quorvane"), nameFont, nameBox, Qt::AlignLeft);
        if (name.boundingRect().right() <= nameBox.right())
            break;
    }
    QLinearGradient magenta(0, name.boundingRect().top(), 0, name.boundingRect().bottom());
    magenta.setColorAt(0, QColor(255, 150, 255));
    magenta.setColorAt(0.5, QColor(240, 30, 230));
    magenta.setColorAt(1, QColor(150, 0, 150));
    drawLettering(p, name, magenta, QColor(44, 0, 52), 2.4, QColor(0, 4, 24, 200), {2, 2});

    const QPointF markCentre(name.boundingRect().right() + 8.5, name.boundingRect().top() + 5.5);
    const QColor yellow(255, 226, 0);
    p.setPen(QPen(QColor(40, 24, 0), 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(markCentre, 5.5, 5.5);
    p.setPen(QPen(yellow, 1.4));
    p.drawEllipse(markCentre, 5.5, 5.5);
    const QPainterPath r =
        textPath(QStringLiteral("R"), dejaVu(QStringLiteral("DejaVu Sans"), 8, QFont::Bold),
                 QRectF(markCentre - QPointF(5, 5), QSizeF(10, 10)), Qt::AlignHCenter);
    p.fillPath(r, yellow);

    // The course title on a plate of its own.
    const QRectF plate(232, 11, 418, 31);
    sunkenPanel(p, plate, 9,
                vertical(plate.top(), plate.bottom(), QColor(6, 12, 44), QColor(16, 30, 80)), 1.5);
    const QPainterPath title =
        textPath(QStringLiteral("Оператор компьютерного набора"),
                 dejaVu(QStringLiteral("DejaVu Sans"), 18, QFont::Bold), plate, Qt::AlignCenter);
    drawLettering(
        p, title,
        vertical(plate.top() + 6, plate.bottom() - 6, QColor(255, 120, 255), QColor(214, 0, 214)),
        {}, 0, QColor(0, 0, 0, 220), {1.5, 1.5});

    // The close mark under the exit spot.
    const QRectF close(666, 12, 16, 16);
    drawBevel(p, close.adjusted(0.5, 0.5, -0.5, -0.5), 3, 1, QColor(150, 190, 240),
              QColor(2, 6, 24));
    p.setPen(QPen(QColor(70, 0, 0), 1));
    p.setBrush(vertical(close.top(), close.bottom(), QColor(240, 80, 64), QColor(140, 0, 0)));
    p.drawRoundedRect(close.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    p.setPen(QPen(QColor(255, 228, 150), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(670.5, 16.5), QPointF(677.5, 23.5));
    p.drawLine(QPointF(677.5, 16.5), QPointF(670.5, 23.5));
}

void paintQuestionPanel(QPainter &p)
{
    const QRectF panel(17, 57, 656, 299);
    sunkenPanel(p, panel, 10, QColor(224, 224, 224));
    const QColor grey(224, 224, 224);
    p.drawImage(QPoint(30, 67),
                buttonFace(QSize(112, 21), FaceColour::Blue, QStringLiteral("Справка"), grey));
    p.drawImage(QPoint(150, 67),
                buttonFace(QSize(112, 21), FaceColour::Blue, QStringLiteral("Выход"), grey));
}

void paintSponsorStrip(QPainter &p)
{
    const QRectF strip(17, 363, 656, 24);
    drawBevel(p, strip, 12, 1.5, QColor(110, 156, 222), QColor(2, 6, 26));
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(strip.top(), strip.bottom(), QColor(46, 84, 176), QColor(16, 34, 100)));
    p.drawRoundedRect(strip, 12, 12);

    const QPainterPath caption = textPath(
        QStringLiteral("Visit our sponsor"),
        dejaVu(QStringLiteral("DejaVu Serif"), 15, QFont::Bold, true), strip, Qt::AlignCenter);
    drawLettering(
        p, caption,
        vertical(strip.top() + 5, strip.bottom() - 5, QColor(255, 228, 120), QColor(236, 160, 20)),
        {}, 0, QColor(0, 0, 20, 220), {1.5, 1.5});

    // Gold rules lead the eye to the caption from both ends.
    const qreal y = strip.center().y() + 0.5;
    const QRectF words = caption.boundingRect();
    const auto rule = [&](qreal from, qreal to) {
        QLinearGradient g(from, 0, to, 0);
        g.setColorAt(0, QColor(236, 176, 40, 0));
        g.setColorAt(1, QColor(236, 176, 40, 230));
        p.setPen(QPen(QBrush(g), 1));
        p.drawLine(QPointF(from, y), QPointF(to, y));
    };
    rule(strip.left() + 20, words.left() - 14);
    rule(strip.right() - 20, words.right() + 14);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(236, 176, 40));
    for (const qreal x : {words.left() - 9, words.right() + 9}) {
        const QPointF c(x, y);
        p.drawPolygon(QPolygonF{c + QPointF(0, -3), c + QPointF(3, 0), c + QPointF(0, 3),
                                c + QPointF(-3, 0)});
    }
}

void paintStatusBox(QPainter &p)
{
    const QRectF box(9, 404, 491, 63);
    sunkenPanel(p, box, 10,
                vertical(box.top(), box.bottom(), QColor(8, 18, 60), QColor(4, 10, 38)));

    struct Column
    {
        const char *caption;
        int first;
        int last;
    };
    const Column columns[] = {{"Дата", 18, 82},     {"Время", 84, 151},     {"Сеанс", 153, 223},
                              {"Вопрос", 225, 301}, {"Прогресс", 309, 394}, {"Осталось", 408, 472}};
    const QFont font = dejaVu(QStringLiteral("DejaVu Sans Condensed"), 12, QFont::Bold);
    for (const Column &column : columns) {
        const QRectF cell(column.first, 411, column.last - column.first + 1, 14);
        drawSmallText(p, QString::fromUtf8(column.caption), font, cell, Qt::AlignHCenter,
                      QColor(0, 240, 255), QColor(0, 0, 0));
        const bool progress = column.first == 309;
        // A well under each status label; the progress frame gets a lighter one so its dark
        // outline shows.
        const QRectF well(cell.left() - (progress ? 2 : 0), 428, cell.width() + (progress ? 4 : 0),
                          progress ? 16 : 18);
        drawBevel(p, well, 4, 1, QColor(0, 2, 14), QColor(52, 84, 150));
        p.setPen(Qt::NoPen);
        p.setBrush(progress ? QBrush(vertical(well.top(), well.bottom(), QColor(104, 132, 186),
                                              QColor(140, 164, 208)))
                            : QBrush(QColor(2, 8, 30)));
        p.drawRoundedRect(well, 4, 4);
    }
}

void paintActionBox(QPainter &p)
{
    const QRectF box(505, 396, 174, 41);
    drawBevel(p, box, 10, 2, QColor(110, 156, 222), QColor(2, 6, 26));
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(box.top(), box.bottom(), QColor(44, 78, 166), QColor(18, 36, 104)));
    p.drawRoundedRect(box, 10, 10);

    const QRectF well(511, 401, 162, 31);
    drawBevel(p, well, 6, 1.5, QColor(2, 6, 26), QColor(110, 156, 222));
    p.setBrush(Palette::actionWell);
    p.drawRoundedRect(well, 6, 6);
}

// White around the outline, the letter punched through, and no other pixel close enough to
// white to be mistaken for the key.
void applyOutline(QImage &art, const std::vector<bool> &inside)
{
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(art.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (!inside[static_cast<size_t>(y) * width + x]) {
                row[x] = key;
                continue;
            }
            const int r = qRed(row[x]);
            const int g = qGreen(row[x]);
            const int b = qBlue(row[x]);
            if (std::min({r, g, b}) >= 240)
                row[x] = qRgb(r - 20, g - 20, b - 20);
        }
    }
    Logo::drawLetter(art, letterOrigin, key);
}

} // namespace

std::array<Span, height> outline()
{
    std::array<Span, height> spans{};
    for (int y = 0; y < bodyTop; ++y)
        spans[y] = {tabFirst[y], tabLast[y]};
    for (int y = bodyTop; y <= bodyBottom; ++y)
        spans[y] = {0, width - 1};
    for (int i = 0; i < topRightRadius; ++i)
        spans[bodyTop + i].last -= cornerInset(topRightRadius, i);
    for (int i = 0; i < bottomRightRadius; ++i)
        spans[bodyBottom - i].last -= cornerInset(bottomRightRadius, i);
    // The foot under the status box, its right side cut on a slant.
    const int slantSteps = height - 1 - (bodyBottom + 1);
    const int drop = slantTopLast - slantBottomLast;
    for (int k = 0; k <= slantSteps; ++k)
        spans[bodyBottom + 1 + k] = {0,
                                     slantTopLast - (2 * drop * k + slantSteps) / (2 * slantSteps)};
    spans[height - 1].first = 1;
    return spans;
}

QImage draw()
{
    const std::vector<bool> inside = coverage();
    QImage art(width, height, QImage::Format_RGB32);
    paintFrame(art, inside);
    {
        QPainter p(&art);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        paintTitleBar(p);
        paintQuestionPanel(p);
        paintSponsorStrip(p);
        paintStatusBox(p);
        paintActionBox(p);
    }
    applyOutline(art, inside);
    return art;
}

QStringList check(const QImage &skin)
{
    QStringList off;
    const auto expect = [&off](bool holds, const QString &what) {
        if (!holds)
            off << what;
    };
    expect(skin.size() == QSize(width, height), QStringLiteral("size"));
    if (!off.isEmpty())
        return off;

    const auto rgb = [&skin](int x, int y) { return skin.pixel(x, y) & 0xFFFFFF; };
    expect(rgb(0, 0) == keyRgb, QStringLiteral("pixel (0,0) is not white"));
    expect(rgb(1, 1) == (Palette::skinRim.rgb() & 0xFFFFFF),
           QStringLiteral("pixel (1,1) is not RGB(15,80,112)"));

    int runs = 0;
    int mostRunsInRow = 0;
    qint64 covered = 0;
    int holes = 0;
    int previousLast = width - 1;
    for (int y = 0; y < height; ++y) {
        std::vector<std::pair<int, int>> rowRuns;
        for (int x = 0; x < width;) {
            while (x < width && rgb(x, y) == keyRgb)
                ++x;
            if (x == width)
                break;
            const int start = x;
            while (x < width && rgb(x, y) != keyRgb)
                ++x;
            rowRuns.emplace_back(start, x - 1);
        }
        runs += static_cast<int>(rowRuns.size());
        mostRunsInRow = std::max(mostRunsInRow, static_cast<int>(rowRuns.size()));
        for (const auto &run : rowRuns)
            covered += run.second - run.first + 1;
        if (rowRuns.empty()) {
            off << QStringLiteral("row %1 is empty").arg(y);
            continue;
        }
        const int first = rowRuns.front().first;
        const int last = rowRuns.back().second;
        for (size_t i = 1; i < rowRuns.size(); ++i) {
            for (int x = rowRuns[i - 1].second + 1; x < rowRuns[i].first; ++x) {
                ++holes;
                expect(x >= 19 && x <= 28 && y >= 13 && y <= 32,
                       QStringLiteral("hole at (%1,%2) outside the logo").arg(x).arg(y));
            }
        }
        if (y < bodyTop)
            expect(first <= 4 && last >= 217 && last <= 219,
                   QStringLiteral("title tab row %1 spans %2..%3").arg(y).arg(first).arg(last));
        else if (y <= bodyBottom)
            expect(first == 0 && last > width - 1 - topRightRadius,
                   QStringLiteral("body row %1 spans %2..%3").arg(y).arg(first).arg(last));
        else
            expect(last >= 503 && last <= 518 && last <= previousLast,
                   QStringLiteral("foot row %1 ends at %2").arg(y).arg(last));
        previousLast = last;
        if (y == 0)
            expect(rowRuns.size() == 1 && first == 4 && last == 217,
                   QStringLiteral("row 0 is not the single run 4..217"));
        if (y == height - 1)
            expect(rowRuns.size() == 1 && first == 1 && last == 503,
                   QStringLiteral("row 479 is not the single run 1..503"));
        for (int x = first; x <= last; ++x) {
            const QRgb c = skin.pixel(x, y);
            if ((c & 0xFFFFFF) != keyRgb && qRed(c) >= 240 && qGreen(c) >= 240 && qBlue(c) >= 240)
                off << QStringLiteral("near-white pixel at (%1,%2)").arg(x).arg(y);
        }
    }
    expect(runs == 511, QStringLiteral("%1 runs instead of 511").arg(runs));
    expect(mostRunsInRow == 3,
           QStringLiteral("%1 runs at most in a row instead of 3").arg(mostRunsInRow));
    expect(covered == 323641, QStringLiteral("%1 pixels covered instead of 323641").arg(covered));
    expect(holes == 56, QStringLiteral("%1 holes instead of 56").arg(holes));
    return off;
}

} // namespace Skin
