#include "iptables_filter.h"

#include "filter_rules.h"

#include <QProcess>
#include <QStandardPaths>

#include <csignal>

namespace corvela {

namespace {

// Each tool call is short; the bound only keeps a wedged tool from holding the service.
constexpr int kToolTimeoutMs = 5000;
// More jumps than this from OUTPUT to our chain are not ours to chase.
constexpr int kMaxJumps = 64;

QString FindTool(const QString &name)
{
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(
            name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                   QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
    return path.isEmpty() ? name : path;
}

struct ToolResult
{
    bool ok = false;
    QString error;
};

ToolResult RunTool(const QString &program, const QStringList &arguments,
                   const QByteArray &input)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    // The service holds its termination signals back for its event loop; the tools must
    // not inherit that.
    process.setChildProcessModifier([] {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
    });
    process.start(FindTool(program), arguments);
    if (!process.waitForStarted(kToolTimeoutMs))
        return {false, program + QStringLiteral(": ") + process.errorString()};
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return {false, program + QStringLiteral(": timed out")};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {false, program + QStringLiteral(": ")
                           + QString::fromLocal8Bit(process.readAllStandardError()).trimmed()};
    return {true, {}};
}

} // namespace

bool IptablesPacketFilter::restore(Family family, const QByteArray &script)
{
    const QString tool = family == Family::V4 ? QStringLiteral("iptables-restore")
                                              : QStringLiteral("ip6tables-restore");
    const ToolResult result =
        RunTool(tool, {QStringLiteral("--noflush"), QStringLiteral("-w")}, script);
    m_error = result.error;
    return result.ok;
}

bool IptablesPacketFilter::runTool(Family family, const QStringList &arguments)
{
    const QString tool =
        family == Family::V4 ? QStringLiteral("iptables") : QStringLiteral("ip6tables");
    const ToolResult result = RunTool(tool, arguments, {});
    m_error = result.error;
    return result.ok;
}

bool IptablesPacketFilter::install(const QList<quint16> &ports)
{
    const QByteArray script = filter_rules::IptablesInstallScript(ports);
    if (!restore(Family::V4, script))
        return false;
    if (!restore(Family::V6, script)) {
        const QString error = m_error;
        removeFamily(Family::V4);
        m_error = error;
        return false;
    }
    m_error.clear();
    return true;
}

bool IptablesPacketFilter::removeFamily(Family family)
{
    // The usual case, our own rules as we installed them, in one atomic step.
    if (restore(family, filter_rules::IptablesRemoveScript()))
        return true;
    // No chain: nothing of ours is there.
    if (!runTool(family, filter_rules::IptablesListChainArguments())) {
        m_error.clear();
        return true;
    }
    // A leftover in another shape (no jump, several jumps): take it apart step by step.
    for (int i = 0; i < kMaxJumps; ++i) {
        if (!runTool(family, filter_rules::IptablesDeleteJumpArguments()))
            break;
    }
    runTool(family, filter_rules::IptablesFlushChainArguments());
    if (!runTool(family, filter_rules::IptablesDeleteChainArguments()))
        return false;
    m_error.clear();
    return true;
}

bool IptablesPacketFilter::remove()
{
    const bool v4 = removeFamily(Family::V4);
    const QString error = m_error;
    const bool v6 = removeFamily(Family::V6);
    if (!v4)
        m_error = error;
    return v4 && v6;
}

bool IptablesPacketFilter::usable()
{
    return runTool(Family::V4, {QStringLiteral("-w"), QStringLiteral("-t"),
                                QStringLiteral("filter"), QStringLiteral("-S"),
                                QStringLiteral("OUTPUT")});
}

} // namespace corvela
