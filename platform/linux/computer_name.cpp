#include "computer_name.h"

#include <QSysInfo>

namespace corvela {

QString ReadComputerName()
{
    const QString forced = qEnvironmentVariable("CORVELA_COMPUTER_NAME");
    if (!forced.isEmpty())
        return forced;
    const QString host = QSysInfo::machineHostName();
    return host.section(u'.', 0, 0);
}

} // namespace corvela
