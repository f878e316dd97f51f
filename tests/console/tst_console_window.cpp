#include "config_store.h"
#include "console_core.h"
#include "corvela_resources.h"
#include "f_about.h"
#include "f_corvelateacher.h"
#include "fake_agent.h"
#include "fakes/memory_config_store.h"
#include "network.h"
#include "oxlang.h"
#include "power_control.h"
#include "process_runner.h"

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace corvela;
using corvela::testing::FakeAgent;

namespace {

class NoArp : public ArpTable
{
public:
    QString findMacAddress(const QString &) const override { return {}; }
};

class NoShell : public Shell
{
public:
    bool openWithShell(const QString &) override { return true; }
};

int freeClassroom()
{
    // A classroom whose port is free right now.
    for (int classroom = 37; classroom < 99; ++classroom) {
        QTcpServer probe;
        if (probe.listen(QHostAddress::AnyIPv4, quint16(55000 + 10 * classroom)))
            return classroom;
    }
    return 0;
}

} // namespace

class TestConsoleWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    MemoryConfigStore m_config;
    NoArp m_arp;
    NoShell m_shell;
    RecordingPowerControl m_power{QString()};
    std::unique_ptr<LanguageModules> m_languages;

    std::unique_ptr<TFCorvelaTeacher> makeWindow(const QString &version = u"2.1.8.28"_qs)
    {
        return std::make_unique<TFCorvelaTeacher>(ConsoleServices{
            m_config, m_arp, m_shell, m_power, *m_languages, m_dir.filePath(u"list.ini"_qs), version});
    }

private slots:
    void init() { QFile::remove(m_dir.filePath(u"list.ini"_qs)); }

    void initTestCase()
    {
        InitConsoleResources();
        qputenv("CORVELA_BROADCAST_ADDRESS", "127.255.255.255"); // wake-up stays on loopback
        m_languages = std::make_unique<LanguageModules>(m_config, QCoreApplication::applicationFilePath());
        m_config.write(ConfigScope::Machine, kProductKey, u"Classroom", qint32(freeClassroom()));
    }

    void captionAndAbout()
    {
        QCOMPARE(makeWindow()->windowTitle(), u"Corvela - Teacher 2.1"_qs);
        QCOMPARE(makeWindow(QString())->windowTitle(), u"Corvela - Teacher "_qs);
        QCOMPARE(TFAbout(u"2.1.8.28"_qs).versionText(), u"Version 2.1.8.28"_qs);
    }

    void windowSettings()
    {
        m_config.write(ConfigScope::User, kProductKey, u"WindowState", qint32(0));
        m_config.write(ConfigScope::User, kProductKey, u"Top", qint32(5000)); // below the screen
        m_config.write(ConfigScope::User, kProductKey, u"Left", qint32(30));
        m_config.write(ConfigScope::User, kProductKey, u"Width", qint32(700));
        m_config.write(ConfigScope::User, kProductKey, u"Height", qint32(400));
        m_config.write(ConfigScope::User, kProductKey, u"SafeWebLastURL", u"http://a/"_qs);
        {
            auto window = makeWindow();
            QCOMPARE(window->pos(), QPoint(30, 0));
            QCOMPARE(window->size(), QSize(700, 400));
            QCOMPARE(window->actions().SafeWebLastURL, u"http://a/"_qs);
            window->move(40, 50);
            window->actions().SafeWebLastURL = u"http://b/"_qs;
            window->FormClose();
        }
        QCOMPARE(m_config.readInteger(ConfigScope::User, kProductKey, u"Top"), 50);
        QCOMPARE(m_config.readString(ConfigScope::User, kProductKey, u"SafeWebLastURL"), u"http://b/"_qs);

        // A maximized window stores only its state, and comes back without the address.
        m_config.write(ConfigScope::User, kProductKey, u"WindowState", qint32(2));
        {
            auto window = makeWindow();
            QCOMPARE(window->actions().SafeWebLastURL, QString());
            window->showInStoredState();
            QTRY_VERIFY(window->isMaximized());
        }
        QCOMPARE(m_config.readInteger(ConfigScope::User, kProductKey, u"WindowState"), 2);
        QCOMPARE(m_config.readString(ConfigScope::User, kProductKey, u"SafeWebLastURL"), u"http://b/"_qs);
        m_config.write(ConfigScope::User, kProductKey, u"WindowState", qint32(0));
    }

    void shortcutsReachTheActions()
    {
        auto window = makeWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->core().RegisterComputer(nullptr, u"PC1"_qs, {}, {}, false, true);
        window->core().RegisterComputer(nullptr, u"PC2"_qs, {}, {}, false, true);
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier); // Select none
        QVERIFY(window->core().checkedComputers().isEmpty());
        QTest::keyClick(window.get(), Qt::Key_I, Qt::ControlModifier); // Invert selection
        QCOMPARE(window->core().checkedComputers().size(), 2);
        QTest::keyClick(window.get(), Qt::Key_U, Qt::ControlModifier); // Unlock
        QVERIFY(window->core().find(u"PC1")->Unlocked && window->core().find(u"PC2")->Unlocked);
        // Remove (Del) the focused offline computer: it asks first.
        QTimer::singleShot(0, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Yes)->click();
        });
        QTest::keyClick(window.get(), Qt::Key_Delete);
        QCOMPARE(window->core().count(), 1);
    }

    void waitingPanelGoesWithTheFirstAgent()
    {
        auto window = makeWindow();
        window->show();
        QWidget *wait = window->findChild<QWidget *>(u"PWait"_qs);
        QVERIFY(wait && wait->isVisible());
        FakeAgent agent;
        QVERIFY(agent.connectTo(window->core().port(), u"PC7"_qs));
        QTRY_VERIFY(!wait->isVisible());
        QVERIFY(agent.waitForLines(3));
        // The focused entry is the first one added to the empty list.
        const auto *list = window->findChild<QListView *>(u"CLBComputers"_qs);
        QCOMPARE(list->currentIndex().row(), 0);
    }

    void languageChoiceRestarts()
    {
        auto window = makeWindow();
        window->core().RegisterComputer(nullptr, u"PC1"_qs, {}, {}, true, false);
        window->findChild<QAction *>(u"Czech1"_qs)->trigger();
        QVERIFY(window->restartRequested());
        QCOMPARE(m_languages->readOverride(ConfigScope::User), u"csy"_qs);
        QFile list(m_dir.filePath(u"list.ini"_qs));
        QVERIFY(list.open(QIODevice::ReadOnly));
        QCOMPARE(list.readAll(), QByteArray("PC1;;-1;0;;\r\n"));
    }
};

QTEST_MAIN(TestConsoleWindow)
#include "tst_console_window.moc"
