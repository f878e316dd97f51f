#include "program_files.h"

#include <QDir>
#include <QFileInfo>

namespace corvela {

QString FileBesideProgram(const QString &programPath, QStringView extension,
                          const QString &fallbackFolder)
{
    const QFileInfo program(programPath);
    const QString name = program.completeBaseName() + u'.' + extension;
    const QFileInfo beside(program.absolutePath() + u'/' + name);
    if (beside.exists() ? beside.isWritable() : QFileInfo(program.absolutePath()).isWritable())
        return beside.filePath();
    QDir().mkpath(fallbackFolder);
    return fallbackFolder + u'/' + name;
}

} // namespace corvela
