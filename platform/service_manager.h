#pragma once
// Registering, removing and querying a system service.

#include <QString>

namespace corvela {

struct ServiceDefinition
{
    QString name;        // service name, also its unit name ("Corvela" -> Corvela.service)
    QString displayName; // shown by the service manager
    QString executable;  // absolute path of the program, started without arguments
};

class ServiceManager
{
public:
    virtual ~ServiceManager() = default;

    // Registers the service to start automatically at boot, as root, restarted when it
    // fails. False with the reason in error when that cannot be done.
    virtual bool install(const ServiceDefinition &service, QString *error) = 0;

    // Removes the registration. False with the reason in error when it is not registered
    // or cannot be removed.
    virtual bool uninstall(const QString &name, QString *error) = 0;

    // True when the service of that name is running now; false on any failure.
    virtual bool isRunning(const QString &name) = 0;

    // Asks the service to stop and waits up to timeoutMs until it has; true when stopped.
    virtual bool stop(const QString &name, int timeoutMs) = 0;
};

// systemd: unit files in CORVELA_SYSTEMD_UNIT_DIR when set (then the running systemd is
// never contacted), else in /etc/systemd/system with systemd told over D-Bus.
class SystemdServiceManager : public ServiceManager
{
public:
    bool install(const ServiceDefinition &service, QString *error) override;
    bool uninstall(const QString &name, QString *error) override;
    bool isRunning(const QString &name) override;
    bool stop(const QString &name, int timeoutMs) override;

    // Where unit files go.
    static QString unitDirectory();
    // The unit file text for a service.
    static QString unitText(const ServiceDefinition &service);
    // The program path as one ExecStart word: quoted and escaped where needed.
    static QString execWord(const QString &path);
};

} // namespace corvela
