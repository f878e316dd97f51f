#include "desktop_wallpaper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTextStream>
#include <QUrl>

namespace corvela {

namespace {

constexpr int kToolTimeoutMs = 1500;

std::optional<QString> RunTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(kToolTimeoutMs))
        return std::nullopt;
    if (!process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished(kToolTimeoutMs);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

// A file:// address or a plain path as a local path.
QString LocalPath(const QString &value)
{
    if (value.startsWith(u"file:", Qt::CaseInsensitive))
        return QUrl(value).toLocalFile();
    return value;
}

WallpaperSetting Setting(const QString &file, const QString &style)
{
    if (file.isEmpty() || style.isEmpty())
        return {};
    return {file, style};
}

QString GnomeStyle(const QString &options)
{
    if (options == u"none")
        return {};
    if (options == u"wallpaper")
        return u"1"_qs;
    if (options == u"stretched" || options == u"zoom" || options == u"spanned")
        return u"2"_qs;
    return u"0"_qs; // centered, scaled, and anything newer
}

QString XfceStyle(int style)
{
    switch (style) {
    case 0:
        return {};
    case 2:
        return u"1"_qs;
    case 3:
    case 5:
    case 6:
        return u"2"_qs;
    default:
        return u"0"_qs;
    }
}

QString PlasmaStyle(int fillMode)
{
    switch (fillMode) {
    case 3:
    case 4:
    case 5:
        return u"1"_qs;
    case 0:
    case 2:
        return u"2"_qs;
    default:
        return u"0"_qs;
    }
}

// A Plasma wallpaper package (a folder) holds its pictures in contents/images; take the
// largest file there.
QString PlasmaPackagePicture(const QString &path)
{
    if (!QFileInfo(path).isDir())
        return path;
    const QFileInfoList files = QDir(path + u"/contents/images"_qs)
                                    .entryInfoList(QDir::Files, QDir::Size);
    return files.isEmpty() ? QString() : files.first().absoluteFilePath();
}

} // namespace

SessionDesktopWallpaper::SessionDesktopWallpaper()
    : SessionDesktopWallpaper(QProcessEnvironment::systemEnvironment(), RunTool)
{
}

SessionDesktopWallpaper::SessionDesktopWallpaper(QProcessEnvironment environment,
                                                 SettingsToolRunner runner)
    : m_environment(std::move(environment)), m_runner(std::move(runner))
{
}

QString SessionDesktopWallpaper::UnquoteGVariantString(const QString &text)
{
    const QString t = text.trimmed();
    if (t.size() < 2)
        return t;
    const QChar quote = t.front();
    if ((quote != u'\'' && quote != u'"') || t.back() != quote)
        return t;
    QString out;
    out.reserve(t.size());
    for (qsizetype i = 1; i + 1 < t.size(); ++i) {
        if (t.at(i) == u'\\' && i + 2 < t.size())
            ++i;
        out.append(t.at(i));
    }
    return out;
}

WallpaperSetting SessionDesktopWallpaper::read()
{
    QString desktops = m_environment.value(u"XDG_CURRENT_DESKTOP"_qs);
    if (desktops.isEmpty())
        desktops = m_environment.value(u"DESKTOP_SESSION"_qs);
    const QStringList names = desktops.toLower().split(u':', Qt::SkipEmptyParts);
    const auto has = [&names](QStringView name) {
        for (const QString &n : names)
            if (n.contains(name))
                return true;
        return false;
    };
    if (has(u"cinnamon"))
        return readGSettings(u"org.cinnamon.desktop.background"_qs, u"picture-uri"_qs);
    if (has(u"mate"))
        return readGSettings(u"org.mate.background"_qs, u"picture-filename"_qs);
    if (has(u"xfce"))
        return readXfce();
    if (has(u"kde") || has(u"plasma"))
        return readPlasma();
    if (has(u"gnome") || has(u"unity") || has(u"ubuntu") || has(u"budgie") || has(u"pantheon"))
        return readGSettings(u"org.gnome.desktop.background"_qs, u"picture-uri"_qs);
    return {};
}

WallpaperSetting SessionDesktopWallpaper::readGSettings(const QString &schema,
                                                        const QString &fileKey)
{
    const auto get = [this](const QString &s, const QString &key) -> std::optional<QString> {
        const auto out = m_runner(u"gsettings"_qs, {u"get"_qs, s, key});
        if (!out)
            return std::nullopt;
        return UnquoteGVariantString(*out);
    };
    auto file = get(schema, fileKey);
    if (!file)
        return {};
    // GNOME 42 and later keep a second picture for the dark style.
    if (schema == u"org.gnome.desktop.background") {
        const auto scheme = get(u"org.gnome.desktop.interface"_qs, u"color-scheme"_qs);
        if (scheme && *scheme == u"prefer-dark") {
            const auto dark = get(schema, u"picture-uri-dark"_qs);
            if (dark && !dark->isEmpty())
                file = dark;
        }
    }
    const auto options = get(schema, u"picture-options"_qs);
    return Setting(LocalPath(*file), GnomeStyle(options.value_or(u"zoom"_qs)));
}

WallpaperSetting SessionDesktopWallpaper::readXfce()
{
    const QString channel = u"xfce4-desktop"_qs;
    const auto list = m_runner(u"xfconf-query"_qs, {u"-c"_qs, channel, u"-l"_qs});
    if (!list)
        return {};
    QStringList properties = list->split(u'\n', Qt::SkipEmptyParts);
    for (QString &p : properties)
        p = p.trimmed();
    properties.sort();
    // Newer XFCE: .../monitor<name>/workspace0/last-image; older: .../monitor0/image-path.
    QString imageProperty;
    for (const QString &suffix : {u"/workspace0/last-image"_qs, u"/image-path"_qs}) {
        for (const QString &p : std::as_const(properties))
            if (p.startsWith(u"/backdrop/screen0/"_qs) && p.endsWith(suffix)) {
                imageProperty = p;
                break;
            }
        if (!imageProperty.isEmpty())
            break;
    }
    if (imageProperty.isEmpty())
        return {};
    const auto file = m_runner(u"xfconf-query"_qs, {u"-c"_qs, channel, u"-p"_qs, imageProperty});
    if (!file)
        return {};
    const QString styleProperty =
        imageProperty.left(imageProperty.lastIndexOf(u'/')) + u"/image-style"_qs;
    const auto style = m_runner(u"xfconf-query"_qs, {u"-c"_qs, channel, u"-p"_qs, styleProperty});
    bool ok = false;
    const int styleCode = style ? style->trimmed().toInt(&ok) : 0;
    // XFCE's default style is "zoomed".
    return Setting(LocalPath(file->trimmed()), XfceStyle(ok ? styleCode : 5));
}

QString SessionDesktopWallpaper::configHome() const
{
    const QString xdg = m_environment.value(u"XDG_CONFIG_HOME"_qs);
    if (!xdg.isEmpty())
        return xdg;
    return m_environment.value(u"HOME"_qs) + u"/.config"_qs;
}

WallpaperSetting SessionDesktopWallpaper::readPlasma()
{
    QFile file(configHome() + u"/plasma-org.kde.plasma.desktop-appletsrc"_qs);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    static const QRegularExpression kGroup(
        uR"(^\[Containments\]\[\d+\]\[Wallpaper\]\[org\.kde\.image\]\[General\]$)"_qs);
    QTextStream in(&file);
    bool inGroup = false;
    QString image;
    int fillMode = 2; // Plasma's default: scaled and cropped
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'[')) {
            if (inGroup && !image.isEmpty())
                break;
            inGroup = kGroup.match(line).hasMatch();
            image.clear();
            fillMode = 2;
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == u"Image")
            image = value;
        else if (key == u"FillMode")
            fillMode = value.toInt();
    }
    if (!inGroup || image.isEmpty())
        return {};
    return Setting(PlasmaPackagePicture(LocalPath(image)), PlasmaStyle(fillMode));
}

std::unique_ptr<DesktopWallpaper> CreateDesktopWallpaper()
{
    return std::make_unique<SessionDesktopWallpaper>();
}

} // namespace corvela
