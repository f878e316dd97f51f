#pragma once
// The agent's log file: entries of date-time, message and an empty line, kept under a size
// cap by dropping whole lines from the start.

#include <QDateTime>
#include <QString>

namespace corvela {

inline constexpr qint64 kLogSizeCap = 102400;

// Appends one entry ("<date time>" CR LF, text, CR LF unless the text ends with one, CR LF)
// in UTF-8. With cap > 0 the oldest lines go first so that the file stays within cap bytes.
bool AppendLog(const QString &fileName, const QString &text, qint64 cap,
               const QDateTime &now = QDateTime::currentDateTime());

// The date-time line of an entry: the user's short date, a blank and the long time; the
// time is left out at exactly midnight.
QString LogDateTimeText(const QDateTime &when);

class AgentLog
{
public:
    explicit AgentLog(QString fileName) : m_fileName(std::move(fileName)) {}

    // corvela.log beside the program when the student may write there, else in the user's
    // state folder ($XDG_STATE_HOME/corvela).
    static QString defaultPath(const QString &programPath);

    bool LogText(const QString &text) { return AppendLog(m_fileName, text, kLogSizeCap); }
    bool LogError(const QString &message) { return LogText(message); }
    const QString &fileName() const { return m_fileName; }

private:
    QString m_fileName;
};

} // namespace corvela
