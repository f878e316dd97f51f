#pragma once

#include <QString>
#include <QStringView>

namespace corvela {

// A file that belongs beside the running program, named after it with another extension
// (/opt/corvela/corvela -> /opt/corvela/corvela.log). Where the user may not write there,
// the file goes to fallbackFolder instead (created when missing).
QString FileBesideProgram(const QString &programPath, QStringView extension,
                          const QString &fallbackFolder);

} // namespace corvela
