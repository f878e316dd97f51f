#include "u_common.h"

namespace corvela {

namespace {
inline bool isBlankOrControl(QChar c)
{
    return c.unicode() <= 0x20;
}
} // namespace

QStringView TrimControl(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlankOrControl(text[begin]))
        ++begin;
    while (end > begin && isBlankOrControl(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

CommandLine SplitCommand(QStringView line)
{
    const qsizetype space = line.indexOf(u' ');
    if (space < 0)
        return {line.toString(), QString()};
    return {TrimControl(line.first(space)).toString(),
            TrimControl(line.sliced(space + 1)).toString()};
}

QString JoinCommand(QStringView command, QStringView argument)
{
    QString line;
    line.reserve(command.size() + 1 + argument.size());
    line.append(command);
    line.append(u' ');
    line.append(argument);
    return line;
}

QString FetchToken(QString &text, QStringView separator)
{
    const qsizetype at = separator.isEmpty() ? -1 : text.indexOf(separator);
    if (at < 0) {
        text.clear();
        return QString();
    }
    QString token = TrimControl(QStringView(text).first(at)).toString();
    text.remove(0, at + separator.size());
    return token;
}

} // namespace corvela
