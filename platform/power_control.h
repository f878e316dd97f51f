#pragma once
// Ending the session or the computer's run: log off, restart, shut down, hibernate.
//
// The real implementation asks systemd-logind over D-Bus; logind and polkit decide whether
// the user may. With CORVELA_POWER=record the calls are only recorded (to stderr, or appended
// to the file CORVELA_POWER_LOG): every test and demo runs that way.

#include <QString>

#include <memory>

namespace corvela {

enum class PowerAction { LogOff, Restart, ShutDown, Hibernate };

QString PowerActionName(PowerAction action);

class PowerControl
{
public:
    virtual ~PowerControl() = default;
    // True when the system accepted the request. Force: end applications without asking.
    virtual bool request(PowerAction action, bool force) = 0;

    bool LogOff(bool force) { return request(PowerAction::LogOff, force); }
    bool Restart(bool force) { return request(PowerAction::Restart, force); }
    bool ShutDown(bool force) { return request(PowerAction::ShutDown, force); }
    bool Hibernate(bool force) { return request(PowerAction::Hibernate, force); }
};

// Writes one line per call, "<Action> force=<0|1>", and reports success.
class RecordingPowerControl : public PowerControl
{
public:
    explicit RecordingPowerControl(QString logPath = {}) : m_logPath(std::move(logPath)) {}
    bool request(PowerAction action, bool force) override;

private:
    QString m_logPath;
};

class LogindPowerControl : public PowerControl
{
public:
    bool request(PowerAction action, bool force) override;
};

// The recording fake when CORVELA_POWER=record, else the logind one.
std::unique_ptr<PowerControl> CreatePowerControl();

} // namespace corvela
