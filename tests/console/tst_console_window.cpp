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
#include <QKeySequence>
#include <QSignalSpy>
#include <QTimer>
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

    void shortcutTable_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QKeySequence>("keys");
        const std::pair<const char16_t *, QKeySequence> table[] = {
            {u"AUnlock", QKeySequence(u"Ctrl+U"_qs)},         {u"ALock", QKeySequence(u"Ctrl+L"_qs)},
            {u"AFWStart", QKeySequence(u"Ctrl+D"_qs)},        {u"AFWStop", QKeySequence(u"Ctrl+E"_qs)},
            {u"ASafeWebBrowser", QKeySequence(u"Ctrl+W"_qs)}, {u"ASelectAll", QKeySequence(u"Ctrl+A"_qs)},
            {u"ASelectNone", QKeySequence(u"Ctrl+O"_qs)},     {u"AInvertSelection", QKeySequence(u"Ctrl+I"_qs)},
            {u"AControlPanel", QKeySequence(u"Ctrl+T"_qs)},   {u"AReboot", QKeySequence(u"Ctrl+Alt+R"_qs)},
            {u"AShutdown", QKeySequence(u"Ctrl+Alt+S"_qs)},   {u"AWakeUp", QKeySequence(u"Ctrl+Alt+W"_qs)},
            {u"ASleep", QKeySequence(u"Ctrl+Alt+E"_qs)},      {u"ALogoff", QKeySequence(u"Ctrl+Alt+L"_qs)},
            {u"ARemove", QKeySequence(u"Del"_qs)},            {u"ARemoteDesktop", QKeySequence(u"Ctrl+M"_qs)},
            {u"AAbout", QKeySequence(u"F1"_qs)},
        };
        for (const auto &[action, keys] : table)
            QTest::newRow(QString::fromUtf16(action).toUtf8().constData())
                << QString::fromUtf16(action) << keys;
    }
    void shortcutTable()
    {
        QFETCH(QString, action);
        QFETCH(QKeySequence, keys);
        // An empty list: the actions that need ticked computers do nothing; the ones that ask
        // or show something get their box closed.
        auto window = makeWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QAction *target = window->findChild<QAction *>(action);
        QVERIFY(target);
        QSignalSpy triggered(target, &QAction::triggered);
        QTimer closer;
        connect(&closer, &QTimer::timeout, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
            if (QWidget *popup = QApplication::activePopupWidget())
                popup->close();
        });
        closer.start(20);
        QTest::keySequence(window.get(), keys);
        QTRY_COMPARE(triggered.size(), 1);
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
