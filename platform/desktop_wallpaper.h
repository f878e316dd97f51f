#pragma once
// The user's desktop wallpaper: picture file and how the desktop lays it out.
//
// The style uses the lock screen's codes: "1" tile, "2" stretch over the whole screen,
// "0" centre (shrunk to fit when larger, natural size when smaller).
//
// How the desktops' own layouts map onto these codes:
//   GNOME, Cinnamon, MATE (gsettings picture-options):
//       wallpaper -> "1"; stretched, zoom, spanned -> "2";
//       centered, scaled -> "0" (both keep the aspect ratio; "scaled" also enlarges a small
//       picture, which the lock screen's centre mode does not); none -> no picture.
//   XFCE (xfconf image-style): 2 tiled -> "1"; 3 stretched, 5 zoomed, 6 spanning -> "2";
//       1 centered, 4 scaled -> "0"; 0 none -> no picture.
//   KDE Plasma (FillMode of org.kde.image): 3, 4, 5 tiled -> "1"; 0 stretch and
//       2 scaled-and-cropped (the default) -> "2"; 1 fit and 6 centred -> "0".
// Any other desktop, or one whose settings cannot be read, gives empty values.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace corvela {

struct WallpaperSetting
{
    QString file;  // local path; empty when there is no picture
    QString style; // "0", "1", "2"; empty when there is no picture
};

class DesktopWallpaper
{
public:
    virtual ~DesktopWallpaper() = default;
    virtual WallpaperSetting read() = 0;
};

// Runs a settings tool (gsettings, xfconf-query) and returns its standard output, or nothing
// when it cannot be started, fails or exceeds its time limit.
using SettingsToolRunner =
    std::function<std::optional<QString>(const QString &program, const QStringList &arguments)>;

// Reads the settings of the desktop named by XDG_CURRENT_DESKTOP (or DESKTOP_SESSION).
class SessionDesktopWallpaper : public DesktopWallpaper
{
public:
    // Defaults: the process environment, and tools run with a 1500 ms limit each.
    SessionDesktopWallpaper();
    SessionDesktopWallpaper(QProcessEnvironment environment, SettingsToolRunner runner);
    WallpaperSetting read() override;

    // The gsettings text of a string value ('...' with backslash escapes) as plain text.
    static QString UnquoteGVariantString(const QString &text);

private:
    WallpaperSetting readGSettings(const QString &schema, const QString &fileKey);
    WallpaperSetting readXfce();
    WallpaperSetting readPlasma();
    QString configHome() const;

    QProcessEnvironment m_environment;
    SettingsToolRunner m_runner;
};

std::unique_ptr<DesktopWallpaper> CreateDesktopWallpaper();

} // namespace corvela
