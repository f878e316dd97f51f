#pragma once
// Service manager for tests: a set of registered and running names.

#include "service_manager.h"

#include <QSet>

namespace corvela {

class FakeServiceManager : public ServiceManager
{
public:
    bool install(const ServiceDefinition &service, QString *error) override
    {
        if (!installError.isEmpty()) {
            if (error)
                *error = installError;
            return false;
        }
        installed.insert(service.name);
        return true;
    }

    bool uninstall(const QString &name, QString *error) override
    {
        if (!installed.remove(name)) {
            if (error)
                *error = QStringLiteral("not installed");
            return false;
        }
        return true;
    }

    bool isRunning(const QString &name) override { return running.contains(name); }

    bool stop(const QString &name, int) override
    {
        running.remove(name);
        return true;
    }

    QSet<QString> installed;
    QSet<QString> running;
    QString installError;
};

} // namespace corvela
