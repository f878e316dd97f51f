#pragma once
// Starting programs, and opening documents or web addresses with the desktop's handler.

#include <QString>

namespace corvela {

struct RunResult
{
    bool started = false;
    qint32 exitCode = -1; // -1 when not waited for, not started, or the program crashed
};

class ProcessRunner
{
public:
    virtual ~ProcessRunner() = default;
    // Runs a command line (the first token names the program; quote paths with blanks).
    // With wait, blocks until the program ends; the caller accepts that.
    virtual RunResult runProgram(const QString &commandLine, bool wait) = 0;
};

class Shell
{
public:
    virtual ~Shell() = default;
    // Opens a document path or web address with the desktop's handler. False, without doing
    // anything, for a text that is empty after trimming blanks and control characters.
    virtual bool openWithShell(const QString &text) = 0;
};

// Real implementations: QProcess, and xdg-open started detached.
class SystemProcessRunner : public ProcessRunner
{
public:
    RunResult runProgram(const QString &commandLine, bool wait) override;
};

class XdgShell : public Shell
{
public:
    bool openWithShell(const QString &text) override;
};

} // namespace corvela
