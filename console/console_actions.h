#pragma once
// What the console's buttons and shortcuts do: the checks, confirmations and loops over the
// ticked computers. The window supplies the dialogs through ConsolePrompts, so the whole
// logic runs without a display in tests.

#include <QCoreApplication>
#include <QString>

#include <optional>

namespace corvela {

class ConsoleCore;
class PowerControl;
class Shell;
struct TComputer;

class ConsolePrompts
{
public:
    virtual ~ConsolePrompts() = default;
    virtual void showError(const QString &text) = 0;
    // Yes/No with No preselected; true only for Yes.
    virtual bool askQuestion(const QString &text) = 0;
    // One-line input; nullopt on Cancel.
    virtual std::optional<QString> askText(const QString &caption, const QString &prompt,
                                           const QString &proposal) = 0;
};

class ConsoleActions
{
    Q_DECLARE_TR_FUNCTIONS(TFCorvelaTeacher)
public:
    ConsoleActions(ConsoleCore &core, ConsolePrompts &prompts, Shell &shell, PowerControl &power);

    QString SafeWebLastURL;

    bool HasChecked();
    bool ConfirmCancelSafeWeb();

    void unlock();
    void lock();
    void disableInternet();
    void enableInternet();
    void safeWebBrowser();
    void reboot();
    void shutdown();
    void wakeUp();
    void sleep();
    void logoff();
    void remove(TComputer *focused);
    void selectAll();
    void selectNone();
    void invertSelection();

private:
    enum class StateChange { Unlock, Lock, DisableInternet, EnableInternet };
    void changeState(StateChange change);
    template<typename Send>
    void confirmAndSend(const QString &question, Send send);

    ConsoleCore &m_core;
    ConsolePrompts &m_prompts;
    Shell &m_shell;
    PowerControl &m_power;
};

} // namespace corvela
