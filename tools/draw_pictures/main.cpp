// Draws the program's pictures: the window backgrounds, the button faces, the action-button
// bitmaps and the icon, and the icon again for the desktop's icon theme. Run by hand when the
// artwork changes:
//     QT_QPA_PLATFORM=offscreen draw_pictures [folder [icon-theme-folder]]
// The folders default to src/screens/pictures and data/icons/hicolor of the source tree. Nothing
// is written unless the skin passes every check its outline depends on.

#include "faces.h"
#include "icon.h"
#include "paint.h"
#include "palette.h"
#include "skin.h"
#include "theme_icon.h"
#include "window_backgrounds.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QTextStream>

#include <utility>
#include <vector>

namespace {

QStringList iconProblems(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, "ico");
    if (reader.imageCount() != 2)
        return {QStringLiteral("icon holds %1 images instead of 2").arg(reader.imageCount())};
    QStringList problems;
    for (const int size : {32, 16}) {
        const QImage image = reader.read();
        if (image.size() != QSize(size, size))
            problems << QStringLiteral("icon image is %1x%2 instead of %3x%3")
                            .arg(image.width())
                            .arg(image.height())
                            .arg(size);
        reader.jumpToNextImage();
    }
    return problems;
}

// The icon theme's layout: one folder per size, and one for the scalable picture.
QStringList writeThemeIcons(const QString &folder)
{
    QStringList problems;
    const QDir out(folder);
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString apps = QStringLiteral("%1x%1/apps").arg(size);
        const QString path = out.filePath(apps + QStringLiteral("/quorvane.png"));
        if (!out.mkpath(apps) || !themeIcon(size).save(path, "PNG"))
            problems << QStringLiteral("cannot write %1").arg(path);
    }
    const QByteArray svg = themeIconSvg();
    QFile svgOut(out.filePath(QStringLiteral("scalable/apps/quorvane.svg")));
    if (!out.mkpath(QStringLiteral("scalable/apps")) || !svgOut.open(QIODevice::WriteOnly) ||
        svgOut.write(svg) != svg.size())
        problems << QStringLiteral("cannot write %1").arg(svgOut.fileName());
    return problems;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);

    const QStringList arguments = QGuiApplication::arguments();
    const QString folder = arguments.size() > 1
                               ? arguments.at(1)
                               : QStringLiteral(QUORVANE_SOURCE_DIR "/src/screens/pictures");
    const QString iconThemeFolder = arguments.size() > 2
                                        ? arguments.at(2)
                                        : QStringLiteral(QUORVANE_SOURCE_DIR "/data/icons/hicolor");

    QStringList problems = fontProblems();
    if (!problems.isEmpty()) {
        for (const QString &problem : problems)
            err << problem << '\n';
        return 1;
    }

    const QImage skin = Skin::draw();
    const QByteArray icon = iconFile();
    for (const QString &problem : Skin::check(skin))
        problems << QStringLiteral("skin: ") + problem;
    problems << iconProblems(icon);
    if (!problems.isEmpty()) {
        for (const QString &problem : problems)
            err << problem << '\n';
        return 1;
    }

    const QColor black(0, 0, 0);
    const QColor pinkRed(255, 70, 110);
    const std::vector<std::pair<QString, QImage>> bitmaps = {
        {QStringLiteral("skin.bmp"), skin},
        {QStringLiteral("registration.bmp"), registrationBackground()},
        {QStringLiteral("splash.bmp"), splashBackground()},
        {QStringLiteral("face_demo.bmp"),
         buttonFace({96, 17}, FaceColour::Blue, QStringLiteral("Демо"), black)},
        {QStringLiteral("face_ok.bmp"),
         buttonFace({96, 17}, FaceColour::Blue, QStringLiteral("OK"), black)},
        {QStringLiteral("face_quit.bmp"),
         buttonFace({96, 17}, FaceColour::Blue, QStringLiteral("Закрыть"), black)},
        {QStringLiteral("101.bmp"),
         buttonFace({156, 25}, FaceColour::Red, {}, Palette::actionWell)},
        {QStringLiteral("102.bmp"),
         buttonFace({155, 25}, FaceColour::Blue, QStringLiteral("Ответить"), Palette::actionWell,
                    pinkRed)},
        {QStringLiteral("103.bmp"), buttonFace({155, 25}, FaceColour::Blue,
                                               QStringLiteral("Начать тест"), Palette::actionWell)},
        {QStringLiteral("104.bmp"),
         buttonFace({155, 25}, FaceColour::Blue, QStringLiteral("Тест закончен"),
                    Palette::actionWell)},
    };

    if (!QDir().mkpath(folder)) {
        err << "cannot make " << folder << '\n';
        return 1;
    }
    const QDir out(folder);
    for (const auto &[name, image] : bitmaps) {
        const QString problem = saveBitmap(image, out.filePath(name));
        if (!problem.isEmpty())
            problems << problem;
    }
    QFile iconOut(out.filePath(QStringLiteral("quorvane.ico")));
    if (!iconOut.open(QIODevice::WriteOnly) || iconOut.write(icon) != icon.size())
        problems << QStringLiteral("cannot write %1").arg(iconOut.fileName());
    problems << writeThemeIcons(iconThemeFolder);

    for (const QString &problem : problems)
        err << problem << '\n';
    return problems.isEmpty() ? 0 : 1;
}
