#include "system_services.h"

#include <QMessageBox>
#include <QPushButton>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

std::uint64_t nanosNow()
{
    return static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
}

// SplitMix64: small, fast, and every 64-bit state gives a well-mixed output.
std::uint64_t splitMix(std::uint64_t &state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

} // namespace

SystemRandom::SystemRandom() : m_state(nanosNow())
{}

void SystemRandom::randomize()
{
    m_state ^= nanosNow();
    splitMix(m_state);
}

double SystemRandom::next()
{
    // The top 53 bits give every double in [0, 1) that a uniform draw can hit.
    return static_cast<double>(splitMix(m_state) >> 11) * 0x1.0p-53;
}

namespace {

// The prompt as the box shows it: a CR LF pair is one line break, and a line too long for any
// screen keeps its start and its end, so that the box and its buttons stay on the screen.
QString shownText(const QString &prompt)
{
    constexpr qsizetype longestLine = 400;
    constexpr qsizetype keptEachSide = 190;
    QStringList lines = QString(prompt)
                            .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                            .split(QLatin1Char('\n'));
    for (QString &line : lines)
        if (line.size() > longestLine)
            line = line.first(keptEachSide) + QStringLiteral(" … ") + line.last(keptEachSide);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

int DialogBoxes::ask(const QString &prompt, int style, const QString &title)
{
    QMessageBox box;
    box.setWindowTitle(title);
    // Prompts carry names as typed: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(shownText(prompt));
    if (style & vbInformation)
        box.setIcon(QMessageBox::Information);
    else if (style & vbCritical)
        box.setIcon(QMessageBox::Critical);

    if ((style & 7) == vbYesNo) {
        QPushButton *yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
        QPushButton *no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? vbYes : vbNo;
    }
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return vbOK;
}

void ProcessEnding::end()
{
    std::fflush(nullptr);
    std::_Exit(0);
}
