#include "oxlogfile.h"

#include "program_files.h"

#include <QDir>
#include <QFile>
#include <QLocale>

namespace corvela {

QString LogDateTimeText(const QDateTime &when)
{
    const QLocale locale = QLocale::system();
    QString text = locale.toString(when.date(), QLocale::ShortFormat);
    if (when.time() != QTime(0, 0))
        text += u' ' + locale.toString(when.time(), QLocale::LongFormat);
    return text;
}

bool AppendLog(const QString &fileName, const QString &text, qint64 cap, const QDateTime &now)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QString entry = LogDateTimeText(now) + u"\r\n" + text;
    if (!entry.endsWith(u"\r\n"))
        entry += u"\r\n";
    entry += u"\r\n";
    const QByteArray bytes = entry.toUtf8();

    const qint64 size = file.size();
    const qint64 n = bytes.size();
    if (cap > 0 && size + n > cap) {
        const qint64 drop = size + n - cap;
        if (drop >= size - 1) {
            if (!file.resize(0))
                return false;
        } else {
            const QByteArray old = file.readAll();
            // Cut after the first line end at or after the drop point, and after any line
            // ends that follow it at once; without one, cut at the drop point itself.
            qint64 cut = drop;
            const qsizetype lineEnd = old.indexOf("\r\n", drop);
            if (lineEnd >= 0 && lineEnd < size - 1) {
                cut = lineEnd + 2;
                while (cut + 1 < size && old[cut] == '\r' && old[cut + 1] == '\n')
                    cut += 2;
            }
            const QByteArray rest = old.sliced(cut);
            if (!file.seek(0) || file.write(rest) != rest.size() || !file.resize(rest.size()))
                return false;
        }
    }
    return file.seek(file.size()) && file.write(bytes) == n;
}

QString AgentLog::defaultPath(const QString &programPath)
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::homePath() + u"/.local/state"_qs;
    return FileBesideProgram(programPath, u"log", state + u"/corvela"_qs);
}

} // namespace corvela
