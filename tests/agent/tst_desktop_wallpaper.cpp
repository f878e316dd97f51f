// Reading the user's wallpaper from the desktops' settings, with the settings tools replaced
// by canned answers and Plasma's file written to a temporary config folder.

#include "desktop_wallpaper.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace corvela;

using Answers = QMap<QString, QString>; // "program arg arg ..." -> standard output

class TestDesktopWallpaper : public QObject
{
    Q_OBJECT

private slots:
    void desktops_data()
    {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("style");

        const QString bg = u"gsettings get org.gnome.desktop.background "_qs;
        QTest::newRow("GNOME zoom stretches")
            << u"ubuntu:GNOME"_qs
            << Answers{{bg + u"picture-uri"_qs, u"'file:///usr/share/backgrounds/a%20b.jpg'\n"_qs},
                       {bg + u"picture-options"_qs, u"'zoom'\n"_qs}}
            << u"/usr/share/backgrounds/a b.jpg"_qs << u"2"_qs;
        QTest::newRow("GNOME wallpaper tiles")
            << u"GNOME"_qs
            << Answers{{bg + u"picture-uri"_qs, u"'file:///p.png'"_qs},
                       {bg + u"picture-options"_qs, u"'wallpaper'"_qs}}
            << u"/p.png"_qs << u"1"_qs;
        QTest::newRow("GNOME scaled centres")
            << u"GNOME"_qs
            << Answers{{bg + u"picture-uri"_qs, u"'file:///p.png'"_qs},
                       {bg + u"picture-options"_qs, u"'scaled'"_qs}}
            << u"/p.png"_qs << u"0"_qs;
        QTest::newRow("GNOME dark style uses the dark picture")
            << u"GNOME"_qs
            << Answers{{bg + u"picture-uri"_qs, u"'file:///light.png'"_qs},
                       {bg + u"picture-uri-dark"_qs, u"'file:///dark.png'"_qs},
                       {u"gsettings get org.gnome.desktop.interface color-scheme"_qs, u"'prefer-dark'"_qs},
                       {bg + u"picture-options"_qs, u"'centered'"_qs}}
            << u"/dark.png"_qs << u"0"_qs;
        QTest::newRow("GNOME without picture")
            << u"GNOME"_qs
            << Answers{{bg + u"picture-uri"_qs, u"''"_qs}, {bg + u"picture-options"_qs, u"'zoom'"_qs}}
            << QString() << QString();
        QTest::newRow("GNOME option none") << u"GNOME"_qs
            << Answers{{bg + u"picture-uri"_qs, u"'file:///p.png'"_qs},
                       {bg + u"picture-options"_qs, u"'none'"_qs}}
            << QString() << QString();
        QTest::newRow("gsettings missing") << u"GNOME"_qs << Answers{} << QString() << QString();
        QTest::newRow("MATE path with quote")
            << u"MATE"_qs
            << Answers{{u"gsettings get org.mate.background picture-filename"_qs, u"'/home/s/it\\'s.jpg'"_qs},
                       {u"gsettings get org.mate.background picture-options"_qs, u"'stretched'"_qs}}
            << u"/home/s/it's.jpg"_qs << u"2"_qs;
        QTest::newRow("Cinnamon")
            << u"X-Cinnamon"_qs
            << Answers{{u"gsettings get org.cinnamon.desktop.background picture-uri"_qs, u"'file:///c.jpg'"_qs},
                       {u"gsettings get org.cinnamon.desktop.background picture-options"_qs, u"'wallpaper'"_qs}}
            << u"/c.jpg"_qs << u"1"_qs;
        const QString xf = u"xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitorVGA-1/workspace0/"_qs;
        QTest::newRow("XFCE tiled")
            << u"XFCE"_qs
            << Answers{{u"xfconf-query -c xfce4-desktop -l"_qs,
                        u"/backdrop/screen0/monitorVGA-1/workspace0/color-style\n"
                        "/backdrop/screen0/monitorVGA-1/workspace0/image-style\n"
                        "/backdrop/screen0/monitorVGA-1/workspace0/last-image\n"_qs},
                       {xf + u"last-image"_qs, u"/usr/share/backgrounds/x.png\n"_qs},
                       {xf + u"image-style"_qs, u"2\n"_qs}}
            << u"/usr/share/backgrounds/x.png"_qs << u"1"_qs;
        QTest::newRow("XFCE centred")
            << u"XFCE"_qs
            << Answers{{u"xfconf-query -c xfce4-desktop -l"_qs,
                        u"/backdrop/screen0/monitorVGA-1/workspace0/last-image\n"_qs},
                       {xf + u"last-image"_qs, u"/x.png"_qs},
                       {xf + u"image-style"_qs, u"1"_qs}}
            << u"/x.png"_qs << u"0"_qs;
        QTest::newRow("plain window manager") << QString() << Answers{} << QString() << QString();
    }
    void desktops()
    {
        QFETCH(QString, desktop);
        QFETCH(Answers, answers);
        QFETCH(QString, file);
        QFETCH(QString, style);
        QProcessEnvironment env;
        if (!desktop.isEmpty())
            env.insert(u"XDG_CURRENT_DESKTOP"_qs, desktop);
        SessionDesktopWallpaper reader(env, [&answers](const QString &program, const QStringList &args)
                                                -> std::optional<QString> {
            const QString key = (QStringList{program} + args).join(u' ');
            if (!answers.contains(key))
                return std::nullopt;
            return answers.value(key);
        });
        const WallpaperSetting got = reader.read();
        QCOMPARE(got.file, file);
        QCOMPARE(got.style, style);
    }

    void plasma_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("style");
        const QString other = u"[Containments][1][Wallpaper][org.kde.color][General]\nColor=0,0,0\n\n"_qs;
        QTest::newRow("tiled") << other + u"[Containments][7][Wallpaper][org.kde.image][General]\n"
                                          "FillMode=3\nImage=file:///home/s/w.png\n"_qs
                               << u"/home/s/w.png"_qs << u"1"_qs;
        QTest::newRow("default fill mode stretches")
            << u"[Containments][2][Wallpaper][org.kde.image][General]\nImage=/w.jpg\n\n[Other]\nImage=/no.png\n"_qs
            << u"/w.jpg"_qs << u"2"_qs;
        QTest::newRow("centred") << u"[Containments][2][Wallpaper][org.kde.image][General]\nFillMode=6\nImage=/w.jpg\n"_qs
                                 << u"/w.jpg"_qs << u"0"_qs;
        QTest::newRow("no image wallpaper") << other << QString() << QString();
    }
    void plasma()
    {
        QFETCH(QString, config);
        QFETCH(QString, file);
        QFETCH(QString, style);
        QTemporaryDir dir;
        QFile rc(dir.filePath(u"plasma-org.kde.plasma.desktop-appletsrc"_qs));
        QVERIFY(rc.open(QIODevice::WriteOnly));
        rc.write(config.toUtf8());
        rc.close();
        QProcessEnvironment env;
        env.insert(u"XDG_CURRENT_DESKTOP"_qs, u"KDE"_qs);
        env.insert(u"XDG_CONFIG_HOME"_qs, dir.path());
        SessionDesktopWallpaper reader(env, [](const QString &, const QStringList &) {
            return std::optional<QString>();
        });
        const WallpaperSetting got = reader.read();
        QCOMPARE(got.file, file);
        QCOMPARE(got.style, style);
    }
};

QTEST_GUILESS_MAIN(TestDesktopWallpaper)
#include "tst_desktop_wallpaper.moc"
