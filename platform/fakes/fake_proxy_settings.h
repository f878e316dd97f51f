#pragma once
// Proxy settings for tests: a fixed list.

#include "proxy_settings.h"

namespace corvela {

class FakeProxySettings : public ProxySettings
{
public:
    explicit FakeProxySettings(QString proxyList = {}) : list(std::move(proxyList)) {}
    QString proxyList() override { return list; }
    QString list;
};

} // namespace corvela
