#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/types.h>

// Files the tools read and write on folders other accounts may write, often as root. Every
// function throws std::runtime_error with the reason in Russian, naming the file.

// Refuses `path` unless it is a regular file that opens for reading. A FIFO, a device or a folder
// is refused without waiting for a writer: the file is opened non-blocking and the descriptor,
// not the name, is looked at. A link is followed: the staff name their own inputs.
void requireRegularFile(const QString &path);

// The bytes of the regular file `path`, checked as requireRegularFile checks it; a file longer
// than `limit` bytes is refused.
QByteArray readRegularFile(const QString &path, qint64 limit);

// At most the first `count` bytes of the regular file `path`, checked as requireRegularFile checks
// it.
QByteArray readFileStart(const QString &path, qint64 count);

// True when anything is at `path`, a link counting as itself even when it leads nowhere.
bool somethingAt(const QString &path);

// A new file put at `target` in one step, or not at all. It is built in a folder of its own
// inside the target's folder, which only this account can enter, and renamed into place: a link
// another account planted at the target is replaced as a name, never followed.
class FileReplacement final
{
public:
    explicit FileReplacement(const QString &target);
    // Removes the private folder with whatever a builder left in it.
    ~FileReplacement();
    FileReplacement(const FileReplacement &) = delete;
    FileReplacement &operator=(const FileReplacement &) = delete;

    // Where a builder (SQLite, QFile) writes the new file.
    QString path() const { return m_path; }
    // Writes `bytes` as the new file.
    void write(const QByteArray &bytes);
    // Puts the built file at the target and flushes it to disk. With `mode`, the file gets it,
    // and with `group` that group, both set on its descriptor before the file has its name, so it
    // is never there more open than asked. Without `mode` the file is the staff's alone (0600):
    // banks and sources hold the answer key. Replacing a regular file, it keeps that file's group
    // and group bits where this account may give it the group, and is never more open than the
    // file it replaces; others never read it. With `replace` whatever name is at the target is
    // replaced; without, anything there (a dangling link too) refuses the commit.
    void commit(bool replace, std::optional<mode_t> mode = std::nullopt,
                std::optional<gid_t> group = std::nullopt);

private:
    void release();

    QString m_target;
    QByteArray m_name;        // the target's name in its folder, and the built file's
    QByteArray m_privateName; // the private folder's name in the target's folder
    int m_folder = -1;        // the target's folder
    int m_private = -1;       // the private folder
    QString m_path;
};
