#include "filter_rules.h"

namespace corvela::filter_rules {

namespace {
QByteArray Latin(const char *text) { return QByteArray(text); }
} // namespace

QByteArray NftablesInstallScript(const QList<quint16> &ports)
{
    const QByteArray table = Latin(kNftTable);
    // "add" then "delete" empties the name whether or not a table was there; the new table
    // follows in the same transaction.
    QByteArray script = "add table inet " + table + "\n" + "delete table inet " + table + "\n"
                        + "table inet " + table + " {\n"
                        + "\tchain output {\n"
                        + "\t\ttype filter hook output priority filter; policy accept;\n";
    for (const quint16 port : ports)
        script += "\t\tmeta l4proto { tcp, udp } th dport " + QByteArray::number(port)
                  + " drop\n";
    script += "\t}\n}\n";
    return script;
}

QByteArray NftablesRemoveScript()
{
    const QByteArray table = Latin(kNftTable);
    return "add table inet " + table + "\n" + "delete table inet " + table + "\n";
}

QByteArray IptablesInstallScript(const QList<quint16> &ports)
{
    const QByteArray chain = Latin(kIptablesChain);
    QByteArray script = "*filter\n:" + chain + " - [0:0]\n";
    for (const quint16 port : ports) {
        const QByteArray number = QByteArray::number(port);
        script += "-A " + chain + " -p tcp -m tcp --dport " + number + " -j DROP\n";
        script += "-A " + chain + " -p udp -m udp --dport " + number + " -j DROP\n";
    }
    script += "-I OUTPUT 1 -j " + chain + "\nCOMMIT\n";
    return script;
}

QByteArray IptablesRemoveScript()
{
    const QByteArray chain = Latin(kIptablesChain);
    return "*filter\n-D OUTPUT -j " + chain + "\n-F " + chain + "\n-X " + chain
           + "\nCOMMIT\n";
}

namespace {
QString Chain() { return QString::fromLatin1(kIptablesChain); }
} // namespace

QStringList IptablesDeleteJumpArguments()
{
    return {QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("filter"),
            QStringLiteral("-D"), QStringLiteral("OUTPUT"), QStringLiteral("-j"), Chain()};
}

QStringList IptablesFlushChainArguments()
{
    return {QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("filter"),
            QStringLiteral("-F"), Chain()};
}

QStringList IptablesDeleteChainArguments()
{
    return {QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("filter"),
            QStringLiteral("-X"), Chain()};
}

QStringList IptablesListChainArguments()
{
    return {QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("filter"),
            QStringLiteral("-S"), Chain()};
}

} // namespace corvela::filter_rules
