#include "console_actions.h"

#include "console_core.h"
#include "power_control.h"
#include "process_runner.h"

namespace corvela {

ConsoleActions::ConsoleActions(ConsoleCore &core, ConsolePrompts &prompts, Shell &shell,
                               PowerControl &power)
    : m_core(core), m_prompts(prompts), m_shell(shell), m_power(power)
{
}

bool ConsoleActions::HasChecked()
{
    if (m_core.count() == 0)
        return false;
    if (!m_core.checkedComputers().isEmpty())
        return true;
    m_prompts.showError(tr("There is no selected computer"));
    return false;
}

bool ConsoleActions::ConfirmCancelSafeWeb()
{
    const QList<TComputer *> checked = m_core.checkedComputers();
    const bool anyInSafeWeb = std::any_of(checked.begin(), checked.end(),
                                          [](const TComputer *c) { return !c->SafeWebURL.isEmpty(); });
    return !anyInSafeWeb || m_prompts.askQuestion(tr("Do you want to cancel 'Safe web browser'?"));
}

void ConsoleActions::changeState(StateChange change)
{
    if (!HasChecked() || !ConfirmCancelSafeWeb())
        return;
    // Ticks are read as the loop reaches each computer.
    for (int i = 0; i < m_core.count(); ++i) {
        TComputer *computer = m_core.at(i);
        if (!computer->Checked)
            continue;
        if (!computer->SafeWebURL.isEmpty())
            m_core.StartSafeWeb(computer, QString());
        switch (change) {
        case StateChange::Unlock: m_core.SetUnlocked(computer, true); break;
        case StateChange::Lock: m_core.SetUnlocked(computer, false); break;
        case StateChange::DisableInternet: m_core.SetInternetDisabled(computer, true); break;
        case StateChange::EnableInternet: m_core.SetInternetDisabled(computer, false); break;
        }
    }
    m_core.SaveComputers(); // the action's changes are on disk when it returns
}

void ConsoleActions::unlock() { changeState(StateChange::Unlock); }
void ConsoleActions::lock() { changeState(StateChange::Lock); }
void ConsoleActions::disableInternet() { changeState(StateChange::DisableInternet); }
void ConsoleActions::enableInternet() { changeState(StateChange::EnableInternet); }

void ConsoleActions::safeWebBrowser()
{
    const QString proposal = SafeWebLastURL;
    if (!HasChecked())
        return;
    const std::optional<QString> entered =
        m_prompts.askText(tr("Safe Web Browser"), tr("Enter URL:"), proposal);
    if (!entered || entered->trimmed().isEmpty())
        return;
    const QString address =
        entered->contains(u"://") ? *entered : QString(u"http://" + *entered);
    for (int i = 0; i < m_core.count(); ++i)
        if (m_core.at(i)->Checked)
            m_core.StartSafeWeb(m_core.at(i), address);
    m_core.SaveComputers();
    m_shell.openWithShell(address); // the teacher sees the same page
    SafeWebLastURL = address;
}

template<typename Send>
void ConsoleActions::confirmAndSend(const QString &question, Send send)
{
    if (!HasChecked() || !m_prompts.askQuestion(question))
        return;
    for (int i = 0; i < m_core.count(); ++i)
        if (m_core.at(i)->Checked)
            send(m_core.at(i));
}

void ConsoleActions::reboot()
{
    confirmAndSend(tr("Do you want to reboot selected computers?"),
                   [this](TComputer *c) { m_core.Reboot(c); });
}

void ConsoleActions::shutdown()
{
    confirmAndSend(tr("Do you want to shutdown selected computers?"),
                   [this](TComputer *c) { m_core.ShutDown(c); });
}

void ConsoleActions::wakeUp()
{
    confirmAndSend(tr("Do you want to wake up selected computers?"),
                   [this](TComputer *c) { m_core.SendWakeUp(c); });
}

void ConsoleActions::sleep()
{
    confirmAndSend(tr("Do you want to sleep selected computers?"),
                   [this](TComputer *c) { m_core.Sleep(c); });
}

void ConsoleActions::logoff()
{
    if (m_prompts.askQuestion(tr("Do you want to logoff and logon as a different user?")))
        m_power.LogOff(false);
}

void ConsoleActions::remove(TComputer *focused)
{
    if (!focused || focused->online())
        return;
    if (m_prompts.askQuestion(tr("Do you want to remove %1?").arg(focused->Name))) {
        m_core.RemoveComputer(focused);
        m_core.SaveComputers();
    }
}

void ConsoleActions::selectAll()
{
    for (int i = 0; i < m_core.count(); ++i)
        m_core.setChecked(m_core.at(i), true);
}

void ConsoleActions::selectNone()
{
    for (int i = 0; i < m_core.count(); ++i)
        m_core.setChecked(m_core.at(i), false);
}

void ConsoleActions::invertSelection()
{
    for (int i = 0; i < m_core.count(); ++i)
        m_core.setChecked(m_core.at(i), !m_core.at(i)->Checked);
}

} // namespace corvela
