#pragma once
// Reader of the agent's settings file corvela.ini: "key=value" lines, no sections, no
// comments; keys compared without regard to letter case, the first occurrence counts.

#include <QString>
#include <QStringList>

#include <stdexcept>

namespace corvela {

class tini
{
public:
    // Reads the whole file (UTF-8, a byte-order mark skipped; lines end with CR LF, LF or
    // CR). With createIfMissing a missing file is created empty first, with its folders.
    // Throws std::runtime_error with the file layer's message when it cannot be read.
    tini(QString fileName, bool createIfMissing);

    QString GetValue(QStringView key, const QString &defaultValue) const;
    const QString &fileName() const { return m_fileName; }

private:
    QString m_fileName;
    QStringList m_lines;
};

} // namespace corvela
