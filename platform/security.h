#pragma once
// Who the program runs as, and what it can do to protect itself.

namespace corvela {

// An administrator: root, or a member of the groups that may administer the computer
// (sudo, wheel, admin).
bool IsAdministrator();

// Makes the process harder to tamper with for the user it runs as: no debugger can attach
// and no core dump is written. (Signals from the same user still reach it: on this system
// only a different user, or a supervisor restarting it, could prevent that.)
bool ProtectProcess();

// Lets the process hold as many connections as the system allows it (the soft limit on open
// files raised to the hard one): a console serves one connection per student computer.
bool RaiseOpenFileLimit();

} // namespace corvela
