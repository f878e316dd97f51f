#include "process_runner.h"

#include "u_common.h"

#include <QProcess>

namespace corvela {

RunResult SystemProcessRunner::runProgram(const QString &commandLine, bool wait)
{
    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty())
        return {};
    const QString program = arguments.takeFirst();
    if (!wait)
        return {QProcess::startDetached(program, arguments), -1};

    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start(program, arguments);
    if (!process.waitForStarted(-1))
        return {};
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit)
        return {true, -1};
    return {true, process.exitCode()};
}

bool XdgShell::openWithShell(const QString &text)
{
    if (TrimControl(text).isEmpty())
        return false;
    return QProcess::startDetached(u"xdg-open"_qs, {text});
}

} // namespace corvela
