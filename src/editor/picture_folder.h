#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// The question pictures as the edited bank will have them: the files of the pictures folder and
// the bitmaps chosen since the last save, which are copied into the folder only when the bank is
// saved. The preview and the checks read them from the folder itself, or, while bitmaps are
// chosen, from a temporary folder of links and copies, made only then: an editor ended by a
// signal leaves nothing behind but what it had not saved.
class PictureFolder final
{
public:
    PictureFolder();
    ~PictureFolder();
    PictureFolder(const PictureFolder &) = delete;
    PictureFolder &operator=(const PictureFolder &) = delete;

    // The pictures folder the bank's pictures are saved to.
    QString folder() const { return m_folder; }
    // Changes the folder; the chosen bitmaps stay chosen.
    void setFolder(const QString &folder);
    // Where the preview and the checks read the pictures.
    QString view() const;
    // A text with the view's path named as the pictures folder's, for people to read.
    QString shown(QString text) const;

    // Chooses the bitmap at `source` as picture `number`. Throws std::runtime_error with the
    // reason in Russian when the exam could not show it.
    void choose(int number, const QString &source);
    // Changes the folder to `folder`, taking the pictures `numbers` of the current one along: they
    // count as chosen, and are copied into `folder` by the next save.
    void carryTo(const QString &folder, const QSet<int> &numbers);
    // Whether picture `number` has a file chosen and not yet saved.
    bool isChosen(int number) const { return m_chosen.contains(number); }
    // Copies the chosen bitmaps into the folder, each in one step. Throws std::runtime_error with
    // the reason in Russian; what was copied before the failure stays copied and is no longer
    // chosen.
    void save();

private:
    void rebuild();

    QString m_folder;
    std::unique_ptr<QTemporaryDir> m_view; // none while no bitmap is chosen
    QHash<int, QString> m_chosen; // picture number -> the chosen file's copy in the view
};
