#include "linux/ini_config_store.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace corvela {

namespace {

struct Entry
{
    QString name;
    ConfigValue value;
};

struct Section
{
    QString key;
    QList<Entry> entries;
};

using Document = QList<Section>;

QString quote(QStringView text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'"': out += u"\\\""; break;
        case u'\\': out += u"\\\\"; break;
        case u'\n': out += u"\\n"; break;
        case u'\r': out += u"\\r"; break;
        default: out += c;
        }
    }
    out += u'"';
    return out;
}

// Reads a quoted text starting at text[pos] == '"'; advances pos past the closing quote.
std::optional<QString> unquote(QStringView text, qsizetype &pos)
{
    if (pos >= text.size() || text[pos] != u'"')
        return std::nullopt;
    QString out;
    for (++pos; pos < text.size(); ++pos) {
        const QChar c = text[pos];
        if (c == u'"') {
            ++pos;
            return out;
        }
        if (c == u'\\' && pos + 1 < text.size()) {
            const QChar e = text[++pos];
            out += e == u'n' ? QChar(u'\n') : e == u'r' ? QChar(u'\r') : e;
        } else {
            out += c;
        }
    }
    return std::nullopt; // unterminated
}

std::optional<ConfigValue> parseValue(QStringView text)
{
    if (text.startsWith(u'"')) {
        qsizetype pos = 0;
        std::optional<QString> s = unquote(text, pos);
        if (!s || pos != text.size())
            return std::nullopt;
        return ConfigValue(*s);
    }
    if (text.startsWith(u"dword:")) {
        bool ok = false;
        const qint32 v = text.sliced(6).toInt(&ok, 10);
        return ok ? std::optional<ConfigValue>(v) : std::nullopt;
    }
    if (text.startsWith(u"multi:")) {
        QStringList items;
        qsizetype pos = 6;
        while (pos < text.size()) {
            std::optional<QString> item = unquote(text, pos);
            if (!item)
                return std::nullopt;
            items.append(*item);
            if (pos == text.size())
                break;
            if (text[pos] != u',')
                return std::nullopt;
            ++pos;
        }
        return ConfigValue(items);
    }
    return std::nullopt;
}

QString formatValue(const ConfigValue &value)
{
    if (const auto *s = std::get_if<QString>(&value))
        return quote(*s);
    if (const auto *i = std::get_if<qint32>(&value))
        return u"dword:"_qs + QString::number(*i);
    QString out = u"multi:"_qs;
    const QStringList &items = std::get<QStringList>(value);
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += u',';
        out += quote(items[i]);
    }
    return out;
}

Document parse(const QString &text)
{
    Document doc;
    const QStringList lines = text.split(u'\n');
    for (const QString &raw : lines) {
        const QStringView line = QStringView(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            doc.append({line.sliced(1, line.size() - 2).toString(), {}});
            continue;
        }
        if (doc.isEmpty())
            continue;
        QString name;
        qsizetype pos = 0;
        if (line.startsWith(u'@')) {
            name = kDefaultValueName.toString();
            pos = 1;
        } else {
            std::optional<QString> quoted = unquote(line, pos);
            if (!quoted)
                continue;
            name = *quoted;
        }
        while (pos < line.size() && line[pos].isSpace())
            ++pos;
        if (pos >= line.size() || line[pos] != u'=')
            continue;
        if (std::optional<ConfigValue> value = parseValue(line.sliced(pos + 1).trimmed()))
            doc.last().entries.append({name, *value});
    }
    return doc;
}

QString serialize(const Document &doc)
{
    QString out = u"; Corvela settings\n"_qs;
    for (const Section &section : doc) {
        out += u"\n["_qs + section.key + u"]\n"_qs;
        for (const Entry &entry : section.entries) {
            out += entry.name == kDefaultValueName ? u"@"_qs : quote(entry.name);
            out += u'=' + formatValue(entry.value) + u'\n';
        }
    }
    return out;
}

Document load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(QString::fromUtf8(file.readAll()));
}

bool save(const QString &path, const Document &doc)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = serialize(doc).toUtf8();
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

Section *findSection(Document &doc, QStringView key)
{
    for (Section &section : doc)
        if (section.key.compare(key, Qt::CaseInsensitive) == 0)
            return &section;
    return nullptr;
}

QString envOr(const char *name, const QString &fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

} // namespace

IniConfigStore::IniConfigStore()
    : IniConfigStore(envOr("CORVELA_MACHINE_CONFIG_DIR", u"/etc/corvela"_qs),
                     envOr("CORVELA_USER_CONFIG_DIR",
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                               u"/corvela"_qs))
{
}

IniConfigStore::IniConfigStore(QString machineDir, QString userDir)
    : m_machineDir(std::move(machineDir)), m_userDir(std::move(userDir))
{
}

QString IniConfigStore::filePath(ConfigScope scope) const
{
    return (scope == ConfigScope::Machine ? m_machineDir : m_userDir) + u'/' + kFileName;
}

std::optional<ConfigValue> IniConfigStore::read(ConfigScope scope, QStringView key,
                                                QStringView name) const
{
    Document doc = load(filePath(scope));
    if (const Section *section = findSection(doc, key))
        for (const Entry &entry : section->entries)
            if (entry.name == name)
                return entry.value;
    return std::nullopt;
}

bool IniConfigStore::write(ConfigScope scope, QStringView key, QStringView name,
                           const ConfigValue &value)
{
    const QString path = filePath(scope);
    Document doc = load(path);
    Section *section = findSection(doc, key);
    if (!section) {
        doc.append({key.toString(), {}});
        section = &doc.last();
    }
    bool replaced = false;
    for (Entry &entry : section->entries) {
        if (entry.name == name) {
            entry.value = value;
            replaced = true;
            break;
        }
    }
    if (!replaced)
        section->entries.append({name.toString(), value});
    return save(path, doc);
}

bool IniConfigStore::remove(ConfigScope scope, QStringView key, QStringView name)
{
    const QString path = filePath(scope);
    Document doc = load(path);
    Section *section = findSection(doc, key);
    if (!section)
        return true;
    const auto removed = section->entries.removeIf([&](const Entry &e) { return e.name == name; });
    return removed == 0 || save(path, doc);
}

bool IniConfigStore::keyExists(ConfigScope scope, QStringView key) const
{
    Document doc = load(filePath(scope));
    return findSection(doc, key) != nullptr;
}

} // namespace corvela
