// The lock screen's logic on the offscreen platform: background layouts and picture errors,
// the shutdown menu, connection effects, the waiting animation and the exit paths. The X11
// side (grabs, staying in front) is in tst_lock_screen_x11.

#include "corvela_resources.h"
#include "f_corvela.h"
#include "fakes/fake_lock_guard.h"
#include "power_control.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace corvela;

namespace {

enum class Layout { Tile, Stretch, Centre };

// 40 x 40 red GIF (Qt reads GIF but does not write it).
const unsigned char kRedGif[] = {
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x28, 0x00, 0x28, 0x00, 0xf0, 0x00, 0x00, 0xff, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x21, 0xf9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00,
    0x28, 0x00, 0x28, 0x00, 0x00, 0x02, 0x27, 0x84, 0x8f, 0xa9, 0xcb, 0xed, 0x0f, 0xa3, 0x9c, 0xb4,
    0xda, 0x8b, 0xb3, 0xde, 0xbc, 0xfb, 0x0f, 0x86, 0xe2, 0x48, 0x96, 0xe6, 0x89, 0xa6, 0xea, 0xca,
    0xb6, 0xee, 0x0b, 0xc7, 0xf2, 0x4c, 0xd7, 0xf6, 0x8d, 0xe7, 0xfa, 0xce, 0x23, 0x05, 0x00, 0x3b};

// Left half red, right half blue: shows position, scale and repetition at once.
QImage HalvesPicture(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, size.width() / 2, size.height(), Qt::red);
    return image;
}

QString WritePicture(const QTemporaryDir &dir, const QString &name, const QImage &image)
{
    const QString path = dir.filePath(name);
    const QByteArray format = QFileInfo(name).suffix().toLower().toLatin1();
    if (!image.save(path, format.constData()))
        qFatal("cannot write fixture %s", qPrintable(path));
    return path;
}

QString WriteBytes(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write fixture %s", qPrintable(path));
    return path;
}

// What a picture of two halves must look like at a point of the form, or no answer for
// points next to an edge (smoothing blurs those: about one enlarged source pixel).
std::optional<QColor> Expected(Layout layout, QSize picture, QSize form, QPoint p)
{
    const int blur = layout == Layout::Stretch ? form.width() / picture.width() + 2 : 2;
    const auto half = [blur](int x, int width) -> std::optional<QColor> {
        if (std::abs(x - width / 2) <= blur || x <= 1 || x >= width - 2)
            return std::nullopt;
        return x < width / 2 ? QColor(Qt::red) : QColor(Qt::blue);
    };
    switch (layout) {
    case Layout::Tile:
        return half(p.x() % picture.width(), picture.width());
    case Layout::Stretch:
        return half(p.x(), form.width());
    case Layout::Centre: {
        QSize shown = picture;
        if (shown.width() > form.width() || shown.height() > form.height())
            shown = shown.scaled(form, Qt::KeepAspectRatio);
        const QRect r(QPoint((form.width() - shown.width()) / 2,
                             (form.height() - shown.height()) / 2),
                      shown);
        if (r.adjusted(2, 2, -2, -2).contains(p))
            return half(p.x() - r.x(), r.width());
        if (!r.adjusted(-2, -2, 2, 2).contains(p))
            return QColor(Qt::black);
        return std::nullopt;
    }
    }
    return std::nullopt;
}

bool Near(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40
           && std::abs(a.blue() - b.blue()) < 40;
}

struct Fixture
{
    explicit Fixture(bool admin = false)
        : power(log.filePath(u"power.log"_qs)), form(power, guard, admin)
    {
    }
    QStringList powerCalls() const
    {
        QFile file(log.filePath(u"power.log"_qs));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
    template<typename T> T *child(const char *name)
    {
        T *widget = form.findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no child %s", name);
        return widget;
    }
    // What the background shows, as the window paints it.
    QImage background() { return child<QWidget>("Image")->grab().toImage(); }

    QTemporaryDir log;
    RecordingPowerControl power;
    FakeLockGuard guard;
    TFCorvela form;
};

} // namespace

Q_DECLARE_METATYPE(Layout)

class TestLockScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitAgentResources(); }

    void wallpaperStyles_data()
    {
        QTest::addColumn<QString>("style");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<Layout>("layout");
        QTest::newRow("1 tiles") << u"1"_qs << QSize(30, 20) << Layout::Tile;
        QTest::newRow("1 tiles a picture larger than the screen")
            << u"1"_qs << QSize(1000, 700) << Layout::Tile;
        QTest::newRow("2 stretches, aspect ratio not kept")
            << u"2"_qs << QSize(30, 20) << Layout::Stretch;
        QTest::newRow("0 centres, larger picture shrunk to fit")
            << u"0"_qs << QSize(1600, 600) << Layout::Centre;
        QTest::newRow("6 centres, taller picture shrunk to fit")
            << u"6"_qs << QSize(300, 1200) << Layout::Centre;
        QTest::newRow("10 centres a smaller picture at natural size")
            << u"10"_qs << QSize(30, 20) << Layout::Centre;
        QTest::newRow("no style centres") << QString() << QSize(30, 20) << Layout::Centre;
    }
    void wallpaperStyles()
    {
        QFETCH(QString, style);
        QFETCH(QSize, picture);
        QFETCH(Layout, layout);
        QTemporaryDir dir;
        const QString file = WritePicture(dir, u"wall.png"_qs, HalvesPicture(picture));
        Fixture f;
        f.form.show();
        QSignalSpy errors(&f.form, &TFCorvela::logError);
        f.form.setWallpaper(file, style);
        f.form.LoadSettings(QString(), true);
        QCOMPARE(errors.count(), 0);

        const QImage shown = f.background();
        QCOMPARE(shown.size(), f.form.size());
        int checked = 0;
        for (int y = 0; y < shown.height(); y += 7) {
            for (int x = 0; x < shown.width(); x += 3) {
                const auto want = Expected(layout, picture, shown.size(), {x, y});
                if (!want)
                    continue;
                ++checked;
                const QColor got = shown.pixelColor(x, y);
                if (!Near(got, *want))
                    QFAIL(qPrintable(u"at %1,%2: %3, expected %4"_qs.arg(x).arg(y).arg(
                        got.name(), want->name())));
            }
        }
        QVERIFY(checked > 1000);
    }

    void pictureFormats_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"p.bmp", "p.jpg", "p.jpeg", "p.png", "p.PNG", "p.ico", "p.gif", "p.svg"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void pictureFormats()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        QString file;
        if (name.endsWith(u".gif"))
            file = WriteBytes(dir, name, QByteArray(reinterpret_cast<const char *>(kRedGif), sizeof kRedGif));
        else if (name.endsWith(u".svg"))
            file = WriteBytes(dir, name,
                              "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='40'>"
                              "<rect width='40' height='40' fill='#ff0000'/></svg>");
        else {
            QImage red(40, 40, QImage::Format_RGB32);
            red.fill(Qt::red);
            file = dir.filePath(name);
            QVERIFY(red.save(file, QFileInfo(name).suffix().toLower().toLatin1().constData()));
        }
        Fixture f;
        f.form.show();
        QSignalSpy errors(&f.form, &TFCorvela::logError);
        f.form.LoadBackground(file, false, false);
        QCOMPARE(errors.count(), 0);
        const QImage shown = f.background();
        const QPoint centre(shown.width() / 2, shown.height() / 2);
        QVERIFY(Near(shown.pixelColor(centre), Qt::red));
        QVERIFY(Near(shown.pixelColor(centre + QPoint(25, 0)), Qt::black));
    }

    // A picture that cannot be shown is logged (a missing one is not) and the display stays.
    void unusablePictures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("logged");
        QByteArray png;
        {
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            HalvesPicture({8, 8}).save(&buffer, "PNG");
        }
        QTest::newRow("missing file") << u"missing.png"_qs << QByteArray() << false;
        QTest::newRow("damaged png") << u"broken.png"_qs << QByteArray("not a picture") << true;
        QTest::newRow("png named jpg") << u"wrong.jpg"_qs << png << true;
        QTest::newRow("unknown extension") << u"picture.txt"_qs << png << true;
        QTest::newRow("no extension") << u"picture"_qs << png << true;
        QTest::newRow("windows metafile") << u"picture.emf"_qs << QByteArray("\x01\x00\x00\x00", 4) << true;
        QTest::newRow("damaged svg") << u"broken.svg"_qs << QByteArray("<svg") << true;
        QTest::newRow("empty svg") << u"empty.svg"_qs << QByteArray() << true;
    }
    void unusablePictures()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(bool, logged);
        QTemporaryDir dir;
        Fixture f;
        f.form.show();
        f.form.LoadBackground(WritePicture(dir, u"good.png"_qs, HalvesPicture({30, 20})), true, false);
        const QImage before = f.background();
        const QString file = logged ? WriteBytes(dir, name, content) : dir.filePath(name);

        QSignalSpy errors(&f.form, &TFCorvela::logError);
        f.form.LoadBackground(file, false, true);
        QCOMPARE(errors.count(), logged ? 1 : 0);
        if (logged)
            QVERIFY2(errors.at(0).at(0).toString().contains(name), qPrintable(errors.at(0).at(0).toString()));
        QCOMPARE(f.background(), before);
        // The layout of the shown picture is kept too: a resize tiles it again.
        f.form.resize(f.form.width() - 10, f.form.height() - 10);
        QTRY_COMPARE(f.background().size(), f.form.size());
        QCOMPARE(f.background().pixelColor(31, 21), QColor(Qt::red));
    }

    void backgroundSettingWinsOverWallpaper()
    {
        QTemporaryDir dir;
        const QString wallpaper = WritePicture(dir, u"wall.png"_qs, HalvesPicture({30, 20}));
        QImage green(30, 20, QImage::Format_RGB32);
        green.fill(Qt::green);
        const QString background = WritePicture(dir, u"back.png"_qs, green);

        Fixture f;
        f.form.show();
        const QImage builtIn = f.background();
        QVERIFY(!Near(builtIn.pixelColor(builtIn.width() / 2, builtIn.height() / 2), Qt::black));
        f.form.setWallpaper(wallpaper, u"1"_qs);
        // A Background naming a missing file keeps the built-in picture; no wallpaper then.
        f.form.LoadSettings(dir.filePath(u"gone.png"_qs), true);
        QCOMPARE(f.background(), builtIn);
        // An existing one is centred, whatever the wallpaper style says.
        f.form.LoadSettings(background, true);
        const QImage shown = f.background();
        const QPoint centre(shown.width() / 2, shown.height() / 2);
        QCOMPARE(shown.pixelColor(centre), QColor(Qt::green));
        QCOMPARE(shown.pixelColor(0, 0), QColor(Qt::black));
    }

    void shutdownSetting_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("DISABLE") << u"DISABLE"_qs << false;
        QTest::newRow("lower case with blanks") << u"  disable\t"_qs << false;
        QTest::newRow("mixed case") << u"DiSaBlE"_qs << false;
        QTest::newRow("other word") << u"DISABLED"_qs << true;
        QTest::newRow("quoted") << u"\"DISABLE\""_qs << true;
        QTest::newRow("inner blank") << u"DIS ABLE"_qs << true;
        QTest::newRow("dotless i is not i") << u"D\u0131SABLE"_qs << true;
    }
    void shutdownSetting()
    {
        QFETCH(QString, value);
        QFETCH(bool, allowed);
        QCOMPARE(TFCorvela::ShutdownAllowedBySetting(value), allowed);
    }

    void shutdownMenuFollowsSettingsAndConnection()
    {
        Fixture f;
        f.form.show();
        auto *menuButton = f.child<QAbstractButton>("SBShutdownMenu");
        auto *menu = f.child<QWidget>("PShutdownMenu");
        QVERIFY(menuButton->isVisible());
        QVERIFY(!menu->isVisible());

        f.form.LoadSettings(QString(), false);
        QVERIFY(!menuButton->isVisible());
        f.form.disconnectedFromTeacher(); // shown whatever the settings say
        QVERIFY(menuButton->isVisible());

        QTest::mouseClick(menuButton, Qt::LeftButton);
        QVERIFY(menu->isVisible());
        QCOMPARE(menu->geometry().bottom() + 1, menuButton->geometry().top());
        QCOMPARE(menuButton->geometry().bottom() + 1, f.form.height() - 24);
        QTest::mouseClick(menuButton, Qt::LeftButton);
        QVERIFY(!menu->isVisible());
        QTest::mouseClick(menuButton, Qt::LeftButton);
        QTest::mouseClick(f.child<QWidget>("Image"), Qt::LeftButton, {}, QPoint(400, 100));
        QVERIFY(!menu->isVisible());

        QTest::mouseClick(menuButton, Qt::LeftButton);
        f.form.connectedToTeacher();
        QVERIFY(!menu->isVisible());
        QVERIFY(!menuButton->isVisible());
        QVERIFY(f.powerCalls().isEmpty());
    }

    void shutdownMenuButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("call");
        QTest::newRow("shut down") << u"SBShutdown"_qs << u"ShutDown force=1"_qs;
        QTest::newRow("reboot") << u"SBReboot"_qs << u"Restart force=1"_qs;
        QTest::newRow("log off") << u"SBLogOff"_qs << u"LogOff force=1"_qs;
    }
    void shutdownMenuButtons()
    {
        QFETCH(QString, button);
        QFETCH(QString, call);
        Fixture f;
        f.form.show();
        QTest::mouseClick(f.child<QAbstractButton>("SBShutdownMenu"), Qt::LeftButton);
        auto *b = f.form.findChild<QAbstractButton *>(button);
        QVERIFY(b && b->isVisible());
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(f.powerCalls(), QStringList{call});
    }

    void exitButtonOnlyWithAdmin()
    {
        Fixture plain(false);
        plain.form.show();
        QVERIFY(!plain.child<QWidget>("SBX")->isVisible());

        Fixture admin(true);
        admin.form.show();
        auto *exit = admin.child<QAbstractButton>("SBX");
        QVERIFY(exit->isVisible());
        QCOMPARE(exit->text(), u"Konec"_qs);
        QSignalSpy quit(&admin.form, &TFCorvela::quitRequested);
        QTest::mouseClick(exit, Qt::LeftButton);
        QCOMPARE(quit.count(), 1);
    }

    void status()
    {
        Fixture f;
        f.form.show();
        auto *label = f.child<QLabel>("LStatus");
        f.form.SetStatus(u"* Offline *"_qs);
        QCOMPARE(label->text(), u" * Offline * "_qs);
        QVERIFY(label->isVisible());
        QCOMPARE(label->pos(), QPoint(16, 24));
        f.form.SetStatus(QString());
        QVERIFY(!label->isVisible());
    }

    void lockAndUnlock()
    {
        Fixture f;
        f.form.webBrowserPanel()->show();
        f.form.LockScreen();
        QVERIFY(f.form.isVisible());
        QVERIFY(!f.form.webBrowserPanel()->isVisible());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(f.form.geometry(), screen);
        QVERIFY(f.form.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(f.form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        auto *wait = f.child<QWidget>("PWait");
        QCOMPARE(wait->pos(), QPoint((screen.width() - 280) / 2, (screen.height() - 65) / 2));
        // The panels keep the usual colours on the black form (their text must be readable).
        QVERIFY(wait->palette().color(QPalette::Window) != QColor(Qt::black));
        QVERIFY(f.child<QWidget>("PShutdownMenu")->palette().color(QPalette::Window) != QColor(Qt::black));
        QVERIFY(f.guard.forced.contains(&f.form));
        QVERIFY(f.guard.engaged);

        f.form.webBrowserPanel()->show();
        QCOMPARE(f.form.webBrowserPanel()->geometry(), f.form.rect());
        f.form.UnlockScreen();
        QVERIFY(!f.form.isVisible());
        QVERIFY(!f.form.webBrowserPanel()->isVisible());
        QVERIFY(!f.guard.engaged);
    }

    void keepInFront_data()
    {
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("screenSaver");
        QTest::addColumn<bool>("own");
        QTest::addColumn<bool>("forced");
        QTest::newRow("foreign window in front") << true << false << false << true;
        QTest::newRow("screen saver in front") << true << true << false << false;
        QTest::newRow("own window in front") << true << false << true << false;
        QTest::newRow("unlocked") << false << false << false << false;
    }
    void keepInFront()
    {
        QFETCH(bool, shown);
        QFETCH(bool, screenSaver);
        QFETCH(bool, own);
        QFETCH(bool, forced);
        Fixture f;
        f.form.setVisible(shown);
        f.guard.screenSaver = screenSaver;
        f.guard.ownForeground = own;
        f.guard.forced.clear();
        f.form.Timer1Timer();
        QCOMPARE(f.guard.forced.count(), forced ? 1 : 0);
        if (forced)
            QCOMPARE(f.guard.forced.first(), &f.form);
        f.guard.forced.clear();
        f.form.AppEventsDeactivate();
        QCOMPARE(f.guard.forced.count(), forced ? 1 : 0);
        // The timer runs the same check on its own every 500 ms.
        auto *timer = f.form.findChild<QTimer *>(u"Timer1"_qs);
        QVERIFY(timer && timer->isActive());
        QCOMPARE(timer->interval(), 500);
    }

    void grabsRetriedUntilTheyHold()
    {
        Fixture f;
        f.guard.grabsSucceed = false;
        f.form.LockScreen();
        QVERIFY(!f.guard.engaged);
        f.guard.grabsSucceed = true;
        f.form.Timer1Timer();
        QVERIFY(f.guard.engaged);
        QCOMPARE(f.guard.engagedWindow, &f.form);
    }

    void waitingAnimation()
    {
        Fixture f;
        f.form.show();
        auto *twait = f.form.findChild<QTimer *>(u"TWait"_qs);
        QVERIFY(twait && twait->isActive());
        QCOMPARE(twait->interval(), 120);
        QList<int> frames;
        for (int i = 0; i < 33; ++i) {
            f.form.TWaitTimer();
            frames.append(std::abs(f.form.waitCounter()));
        }
        const QList<int> cycle{1, 2, 3, 4, 5, 6, 7, 8, 7, 6, 5, 4, 3, 2, 1, 0};
        QCOMPARE(frames, cycle + cycle + QList<int>{1});

        auto *wait = f.child<QWidget>("PWait");
        QVERIFY(wait->isVisible());
        f.form.connectedToTeacher();
        QVERIFY(!wait->isVisible());
        QVERIFY(!twait->isActive());
        f.form.disconnectedFromTeacher();
        f.form.connectedToTeacher();
        f.form.LockScreen();
        QVERIFY(!wait->isVisible());
    }

    void languageChangeRetranslates()
    {
        Fixture f;
        auto *label = f.child<QLabel>("LShutdown");
        label->setText(u"x"_qs);
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(&f.form, &change);
        QCOMPARE(label->text(), u"Shutdown"_qs);
        QCOMPARE(f.child<QLabel>("PWait")->text(), u"Initialization ..."_qs);
    }

    // Runs last: the Quit event ends the application's event loops for good.
    void closeRefusedButApplicationQuitCloses()
    {
        Fixture f;
        f.form.LockScreen();
        QVERIFY(!f.form.close());
        QVERIFY(f.form.isVisible());
        QEvent quit(QEvent::Quit);
        QCoreApplication::sendEvent(qApp, &quit);
        QVERIFY(!f.form.isVisible());
    }
};

QTEST_MAIN(TestLockScreen)
#include "tst_lock_screen.moc"
