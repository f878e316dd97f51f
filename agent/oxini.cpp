#include "oxini.h"

#include "u_common.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace corvela {

namespace {
// Upper case for a to z only; the rest of the text stays as it is.
QString upperAscii(QStringView text)
{
    QString out = text.toString();
    for (QChar &c : out)
        if (c >= u'a' && c <= u'z')
            c = QChar(char16_t(c.unicode() - (u'a' - u'A')));
    return out;
}
} // namespace

tini::tini(QString fileName, bool createIfMissing) : m_fileName(std::move(fileName))
{
    QFile file(m_fileName);
    if (createIfMissing && !file.exists()) {
        QDir().mkpath(QFileInfo(m_fileName).absolutePath());
        if (file.open(QIODevice::WriteOnly))
            file.close();
    }
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(
            QString(u"Cannot open file \""_qs + m_fileName + u"\". "_qs + file.errorString()).toStdString());
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    static const QRegularExpression lineEnd(u"\r\n|\n|\r"_qs);
    m_lines = QString::fromUtf8(bytes).split(lineEnd);
}

QString tini::GetValue(QStringView key, const QString &defaultValue) const
{
    const QString wanted = upperAscii(TrimControl(key));
    for (const QString &line : m_lines) {
        const qsizetype equals = line.indexOf(u'=');
        const QStringView keyPart = equals < 0 ? QStringView() : QStringView(line).first(equals);
        if (upperAscii(TrimControl(keyPart)) == wanted && (equals >= 0 || wanted.isEmpty()))
            return TrimControl(QStringView(line).sliced(equals + 1)).toString();
    }
    return defaultValue;
}

} // namespace corvela
