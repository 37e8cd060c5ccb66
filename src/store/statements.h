#pragma once

#include <QString>

// Every statement the program runs against data.mdb.
namespace Statements {

inline const QString SelectQuestions = QStringLiteral("select * from questions");
inline const QString SelectUsers = QStringLiteral("select * from users");

// Records a new examinee with the pass flag cleared. The full name is bound, not pasted into the
// text, so a name with an apostrophe is stored as typed and no name can change the statement.
inline const QString RecordExaminee =
    QStringLiteral("UPDATE users SET username=? , chek=0 WHERE id=1");

inline const QString RecordPass = QStringLiteral("UPDATE users SET chek=1 WHERE id=1");
inline const QString RecordFail = QStringLiteral("UPDATE users SET chek=0 WHERE id=1");

// The question with a drawn id, written in plain decimal.
inline QString SelectQuestion(qint16 id)
{
    return QStringLiteral("select * from questions where id=") + QString::number(id);
}

} // namespace Statements
