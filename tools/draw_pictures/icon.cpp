#include "icon.h"

#include <QImage>
#include <QtEndian>

#include <array>
#include <vector>

namespace {

// The 16 standard colours; a picture names them by letter, '.' is transparent.
struct Ink
{
    char letter;
    quint8 r, g, b;
};
constexpr std::array<Ink, 16> inks = {{
    {'k', 0, 0, 0},
    {'m', 128, 0, 0},
    {'G', 0, 128, 0},
    {'o', 128, 128, 0},
    {'n', 0, 0, 128},
    {'p', 128, 0, 128},
    {'t', 0, 128, 128},
    {'s', 192, 192, 192},
    {'g', 128, 128, 128},
    {'R', 255, 0, 0},
    {'l', 0, 255, 0},
    {'y', 255, 255, 0},
    {'b', 0, 0, 255},
    {'M', 255, 0, 255},
    {'c', 0, 255, 255},
    {'w', 255, 255, 255},
}};

// Drawn pixel by pixel: at these sizes a scaled drawing turns to mush.
const char *const large[32] = {
    "................................", "........kkkkkkkkkkkkkkkk........",
    ".......kwwwwwwwwwwwwwwwwk.......", ".......kwwwwwwwwwwwwwwwsk.......",
    ".......kwkkkkkkkkkkkkkwsk.......", ".......kwkssgggggggggkwsk.......",
    ".......kwksggggggggggkwsk.......", ".......kwkgggggggggggkwsk.......",
    ".......kwkgggggggggggkwsk.......", ".......kwkgggggggggggkwsk.......",
    ".......kwkgggggggggggkwsk.......", ".......kwkgggggggggggkwsk.......",
    ".......kwkgggggggggggkwsk.......", ".......kwkkkkkkkkkkkkkwsk.......",
    ".......kwwwwwwwwwwwwwwwsk.......", ".......kwwwwwwwwwwwwwwwsk.......",
    ".......kwwwwwwkkkkkkkwwsk.......", ".......kwlwwwwsssssssswsk.......",
    ".......kwwwwwwwwwwwwwwwsk.......", ".......ksssssssssssssssgk.......",
    "........kkkkkkkkkkkkkkkk........", "..........kssssssssssk..........",
    "..........kkkkkkkkkkkk..........", "................................",
    "....kkkkkkkkkkkkkkkkkkkkkkkk....", "...kwwwwwwwwwwwwwwwwwwwwwwwwk...",
    "...kwggwggwggwggwggwggwggwgwk...", "...kwwggwggwggwggwggwggwggwwk...",
    "...kwggwwggggggggggggggwwggwk...", "...kssssssssssssssssssssssssk...",
    "....kkkkkkkkkkkkkkkkkkkkkkkk....", "................................",
};
const char *const small[16] = {
    "..kkkkkkkkkk....", ".kwwwwwwwwwwk...", ".kwkkkkkkkksk...", ".kwksgggggksk...",
    ".kwkggggggksk...", ".kwkggggggksk...", ".kwkkkkkkkksk...", ".kwwwwwkkkwsk...",
    ".kssssssssssk...", "..kkkkkkkkkk....", "...kssssssk.....", "...kkkkkkkk.....",
    ".kkkkkkkkkkkkkk.", "kwggwggwggwggwwk", "kwgwwggggggwwgwk", ".kkkkkkkkkkkkkk.",
};

int inkIndex(char letter)
{
    for (size_t i = 0; i < inks.size(); ++i)
        if (inks[i].letter == letter)
            return static_cast<int>(i);
    return 0;
}

void put16(QByteArray &out, quint16 v)
{
    const quint16 le = qToLittleEndian(v);
    out.append(reinterpret_cast<const char *>(&le), 2);
}

void put32(QByteArray &out, quint32 v)
{
    const quint32 le = qToLittleEndian(v);
    out.append(reinterpret_cast<const char *>(&le), 4);
}

// One icon image: header, palette, 4-bit colour rows and 1-bit mask rows, both bottom-up and
// padded to whole 32-bit words. Transparent pixels are black in the colours and set in the mask.
QByteArray iconImage(const char *const *rows, int size)
{
    const int colourStride = (size * 4 + 31) / 32 * 4;
    const int maskStride = (size + 31) / 32 * 4;
    QByteArray out;
    put32(out, 40);
    put32(out, static_cast<quint32>(size));
    put32(out, static_cast<quint32>(2 * size));
    put16(out, 1);
    put16(out, 4);
    put32(out, 0);
    put32(out, static_cast<quint32>((colourStride + maskStride) * size));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (const Ink &ink : inks) {
        out.append(static_cast<char>(ink.b));
        out.append(static_cast<char>(ink.g));
        out.append(static_cast<char>(ink.r));
        out.append('\0');
    }
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(colourStride, '\0');
        for (int x = 0; x < size; ++x) {
            const char letter = rows[y][x];
            const int index = letter == '.' ? 0 : inkIndex(letter);
            row[x / 2] = static_cast<char>(row[x / 2] | (x % 2 == 0 ? index << 4 : index));
        }
        out.append(row);
    }
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < size; ++x)
            if (rows[y][x] == '.')
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        out.append(row);
    }
    return out;
}

} // namespace

QImage iconPixels(int size)
{
    const char *const *rows = size == 16 ? small : large;
    const int side = size == 16 ? 16 : 32;
    QImage image(side, side, QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const char letter = rows[y][x];
            const Ink &ink = inks[static_cast<size_t>(inkIndex(letter))];
            image.setPixel(x, y, letter == '.' ? 0u : qRgb(ink.r, ink.g, ink.b));
        }
    return image;
}

QByteArray iconFile()
{
    const std::vector<QByteArray> images = {iconImage(large, 32), iconImage(small, 16)};
    const std::array<int, 2> sizes = {32, 16};

    QByteArray out;
    put16(out, 0);
    put16(out, 1);
    put16(out, static_cast<quint16>(images.size()));
    quint32 offset = 6 + 16 * static_cast<quint32>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.append(static_cast<char>(sizes[i]));
        out.append(static_cast<char>(sizes[i]));
        out.append(static_cast<char>(16));
        out.append('\0');
        put16(out, 1);
        put16(out, 4);
        put32(out, static_cast<quint32>(images[i].size()));
        put32(out, offset);
        offset += static_cast<quint32>(images[i].size());
    }
    for (const QByteArray &image : images)
        out.append(image);
    return out;
}
