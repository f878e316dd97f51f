#pragma once
// Text helpers shared by the programs that read protocol lines and the console's list file.

#include <QString>
#include <QStringView>

namespace corvela {

// Removes leading and trailing characters U+0000..U+0020 (blanks and control characters);
// unlike QString::trimmed() it leaves other Unicode white space alone.
QStringView TrimControl(QStringView text);

struct CommandLine
{
    QString command;
    QString argument;
};

// Splits a decoded line at its first space (searched in the untrimmed text): command and
// argument are the two sides, each trimmed. A line without a space is the command, whole
// and untrimmed, with an empty argument.
CommandLine SplitCommand(QStringView line);

// Builds the plain text of one protocol line: command, one space, argument.
QString JoinCommand(QStringView command, QStringView argument);

// Takes the text before the first separator, trimmed, and removes it and the separator from
// text. Without a separator the result is empty and text becomes empty: a last field that
// is not followed by its separator is dropped.
QString FetchToken(QString &text, QStringView separator);

} // namespace corvela
