#pragma once

#include <QString>

namespace corvela {

// The computer's name as the agent announces it: CORVELA_COMPUTER_NAME when set (several
// agents on one machine), else the short host name (up to the first "."); empty on failure.
QString ReadComputerName();

} // namespace corvela
