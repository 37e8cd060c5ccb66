#include "picture_folder.h"

#include "screens/pictures.h"
#include "store/safe_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace {

// Far above any picture the panel can show.
constexpr qint64 PictureLimit = 64 << 20;

QString fileName(int number)
{
    return QStringLiteral("%1.bmp").arg(number);
}

} // namespace

PictureFolder::PictureFolder() = default;

PictureFolder::~PictureFolder() = default;

QString PictureFolder::view() const
{
    return m_view ? m_view->path() : m_folder;
}

QString PictureFolder::shown(QString text) const
{
    if (!m_view)
        return text;
    return text.replace(QDir(view()).absolutePath(), QDir(m_folder).absolutePath());
}

void PictureFolder::setFolder(const QString &folder)
{
    m_folder = folder;
    if (m_chosen.isEmpty())
        m_view.reset();
    else
        rebuild();
}

void PictureFolder::carryTo(const QString &folder, const QSet<int> &numbers)
{
    for (const int number : numbers) {
        const QString file = QDir(view()).filePath(fileName(number));
        if (!m_chosen.contains(number) && QFileInfo(file).isFile())
            m_chosen.insert(number, file);
    }
    // The view is built anew while the files carried are still where they were.
    setFolder(folder);
}

void PictureFolder::rebuild()
{
    // A fresh folder, so that no link of the old pictures folder stays behind.
    auto view = std::make_unique<QTemporaryDir>();
    if (!view->isValid())
        throw std::runtime_error(QStringLiteral("не удалось создать временную папку для "
                                                "рисунков: %1")
                                     .arg(view->errorString())
                                     .toStdString());
    const QDir pictures(m_folder);
    for (const QString &name :
         pictures.entryList({QStringLiteral("*.bmp")}, QDir::Files | QDir::Readable, QDir::Name))
        QFile::link(pictures.absoluteFilePath(name), QDir(view->path()).filePath(name));
    for (auto chosen = m_chosen.begin(); chosen != m_chosen.end(); ++chosen) {
        const QString copy = QDir(view->path()).filePath(fileName(chosen.key()));
        QFile::remove(copy);
        QFile::copy(chosen.value(), copy);
        chosen.value() = copy;
    }
    m_view = std::move(view);
}

void PictureFolder::choose(int number, const QString &source)
{
    const QByteArray bytes = readRegularFile(source, PictureLimit);
    // The chosen files need a folder of their own until they are saved.
    if (!m_view)
        rebuild();
    // Looked at under another name first: a file the exam cannot show replaces nothing.
    const QString trial = QDir(view()).filePath(QStringLiteral("choosing.tmp"));
    QFile::remove(trial);
    QFile file(trial);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        throw std::runtime_error(QStringLiteral("не удалось сохранить копию рисунка: %1")
                                     .arg(file.errorString())
                                     .toStdString());
    file.close();
    if (!isReadablePicture(trial)) {
        QFile::remove(trial);
        throw std::runtime_error(
            QStringLiteral("файл %1 не читается как точечный рисунок (BMP), а программа "
                           "показывает только такие")
                .arg(source)
                .toStdString());
    }
    const QString copy = QDir(view()).filePath(fileName(number));
    QFile::remove(copy);
    QFile::rename(trial, copy);
    m_chosen.insert(number, copy);
}

void PictureFolder::save()
{
    if (m_chosen.isEmpty())
        return;
    if (!QDir().mkpath(m_folder))
        throw std::runtime_error(
            QStringLiteral("не удалось создать папку рисунков %1").arg(m_folder).toStdString());
    for (auto chosen = m_chosen.begin(); chosen != m_chosen.end();) {
        QFile file(chosen.value());
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error(QStringLiteral("не читается копия рисунка %1: %2")
                                         .arg(chosen.value(), file.errorString())
                                         .toStdString());
        FileReplacement replacement(QDir(m_folder).filePath(fileName(chosen.key())));
        replacement.write(file.readAll());
        // Readable by the exam, whichever account runs it.
        replacement.commit(true, 0644);
        chosen = m_chosen.erase(chosen);
    }
    // Everything is in the folder now: the view of it is the folder itself.
    m_view.reset();
}
