#pragma once
// The rule texts the Linux packet-filter back-ends hand to the kernel's tools. Pure text,
// kept apart from running it so that it can be checked on its own.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace corvela::filter_rules {

// Our nftables table (family inet: IPv4 and IPv6 together) and its chain.
inline constexpr char kNftTable[] = "corvelafw";
// Our iptables/ip6tables chain in the filter table, jumped to from OUTPUT.
inline constexpr char kIptablesChain[] = "CORVELAFW";

// One nftables batch that replaces our table (whatever it held) by one that drops outgoing
// TCP and UDP to each port. The batch is atomic: it applies whole or not at all.
QByteArray NftablesInstallScript(const QList<quint16> &ports);

// One nftables batch that deletes our table, and succeeds also when there is none.
QByteArray NftablesRemoveScript();

// iptables-restore --noflush input creating our chain with the drop rules and the jump from
// OUTPUT; the same text serves iptables-restore and ip6tables-restore.
QByteArray IptablesInstallScript(const QList<quint16> &ports);

// iptables-restore --noflush input removing one jump from OUTPUT and our chain. It fails
// (and changes nothing) unless exactly that is there; see IptablesRemoveSteps for the
// thorough way.
QByteArray IptablesRemoveScript();

// Argument lists for iptables/ip6tables that take away a leftover in any shape: as many
// jumps from OUTPUT as there are (the first step, repeated until it fails), then the
// chain's rules, then the chain.
QStringList IptablesDeleteJumpArguments();
QStringList IptablesFlushChainArguments();
QStringList IptablesDeleteChainArguments();
QStringList IptablesListChainArguments();

} // namespace corvela::filter_rules
