#pragma once
// A DesktopWallpaper that reports what the test set.

#include "desktop_wallpaper.h"

namespace corvela {

class FakeDesktopWallpaper : public DesktopWallpaper
{
public:
    explicit FakeDesktopWallpaper(WallpaperSetting setting = {}) : m_setting(std::move(setting)) {}
    WallpaperSetting read() override { return m_setting; }

private:
    WallpaperSetting m_setting;
};

} // namespace corvela
