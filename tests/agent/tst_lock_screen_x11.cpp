// The lock screen on a real X server (run under xvfb-run): the window covers the primary
// screen, holds the keyboard against other clients, pushes a foreign window back behind
// itself, leaves a screen saver in front, and gives everything back when unlocked.

#include "corvela_resources.h"
#include "f_corvela.h"
#include "lock_guard.h"
#include "power_control.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTest>

using namespace corvela;

namespace {

const QString kProbe = QString::fromUtf8(CORVELA_LOCK_PROBE);

QString RunProbeGrab()
{
    QProcess probe;
    probe.start(kProbe, {u"grab"_qs});
    if (!probe.waitForFinished(10000))
        return u"probe did not finish"_qs;
    return QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
}

// xwininfo's view of a window: "IsViewable" or "IsUnMapped", and its geometry.
QString WindowInfo(const QStringList &select)
{
    QProcess info;
    info.start(u"xwininfo"_qs, select);
    info.waitForFinished(5000);
    return QString::fromUtf8(info.readAllStandardOutput());
}

bool ProbeIsOnScreen()
{
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    return screen.pixelColor(100, 50) == QColor(Qt::green);
}

} // namespace

class TestLockScreenX11 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != u"xcb")
            QSKIP("needs an X server (run under xvfb-run with QT_QPA_PLATFORM=xcb)");
        InitAgentResources();
        m_guard = CreateLockGuard();
        m_form = std::make_unique<TFCorvela>(m_power, *m_guard, false);
    }

    void lockCoversScreenAndHoldsKeyboard()
    {
        m_form->LockScreen();
        const QString id = QString::number(m_form->winId());
        QTRY_VERIFY_WITH_TIMEOUT(WindowInfo({u"-id"_qs, id}).contains(u"IsViewable"_qs), 5000);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QString info = WindowInfo({u"-id"_qs, id});
        QVERIFY2(info.contains(u"Absolute upper-left X:  %1\n"_qs.arg(screen.x()))
                     && info.contains(u"Absolute upper-left Y:  %1\n"_qs.arg(screen.y()))
                     && info.contains(u"Width: %1\n"_qs.arg(screen.width()))
                     && info.contains(u"Height: %1\n"_qs.arg(screen.height())),
                 qPrintable(info));
        QTRY_VERIFY_WITH_TIMEOUT(m_guard->isEngaged(), 2000);
        QCOMPARE(RunProbeGrab(), u"grab=0"_qs);
        QVERIFY(m_guard->foregroundIsOwnProcess());
        // Alt+F4 and the window manager's close end up here: refused.
        QVERIFY(!m_form->close());
        QVERIFY(m_form->isVisible());
    }

    void foreignWindowPushedBack()
    {
        QProcess probe;
        probe.start(kProbe, {u"front"_qs});
        QVERIFY(probe.waitForReadyRead(10000));
        QCOMPARE(probe.readAllStandardOutput().trimmed(), QByteArray("shown"));
        QVERIFY(WindowInfo({u"-name"_qs, u"corvela-probe"_qs}).contains(u"IsViewable"_qs));
        QTRY_VERIFY_WITH_TIMEOUT(!ProbeIsOnScreen(), 1200);
        // Still mapped, only behind the lock.
        QVERIFY(WindowInfo({u"-name"_qs, u"corvela-probe"_qs}).contains(u"IsViewable"_qs));
        probe.kill();
        probe.waitForFinished();
    }

    void screenSaverLeftInFront()
    {
        QProcess probe;
        probe.start(kProbe, {u"-name"_qs, u"xscreensaver"_qs, u"front"_qs});
        QVERIFY(probe.waitForReadyRead(10000));
        QTRY_VERIFY_WITH_TIMEOUT(ProbeIsOnScreen(), 2000);
        QVERIFY(m_guard->foregroundIsScreenSaver());
        QTest::qWait(1200); // more than two checks
        QVERIFY(ProbeIsOnScreen());
        probe.kill();
        probe.waitForFinished();
        QTRY_VERIFY_WITH_TIMEOUT(!m_guard->foregroundIsScreenSaver(), 2000);
    }

    void unlockReleases()
    {
        m_form->UnlockScreen();
        QVERIFY(!m_guard->isEngaged());
        const QString id = QString::number(m_form->winId());
        QTRY_VERIFY_WITH_TIMEOUT(WindowInfo({u"-id"_qs, id}).contains(u"IsUnMapped"_qs), 5000);
        QCOMPARE(RunProbeGrab(), u"grab=1"_qs);
        // Locking again takes the keyboard again.
        m_form->LockScreen();
        QTRY_VERIFY_WITH_TIMEOUT(m_guard->isEngaged(), 2000);
        QCOMPARE(RunProbeGrab(), u"grab=0"_qs);
        m_form->UnlockScreen();
    }

    void cleanupTestCase() { m_form.reset(); }

private:
    RecordingPowerControl m_power;
    std::unique_ptr<LockGuard> m_guard;
    std::unique_ptr<TFCorvela> m_form;
};

QTEST_MAIN(TestLockScreenX11)
#include "tst_lock_screen_x11.moc"
