// The corvelafw program's switches: registering and removing the service in a scratch unit
// directory (the machine's systemd is never involved), the messages, and a unit file that
// systemd accepts.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

} // namespace

class TstCorvelafwProgram : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString unitPath() const { return m_dir->filePath(u"Corvela.service"_qs); }
    QString linkPath() const
    {
        return m_dir->filePath(u"multi-user.target.wants/Corvela.service"_qs);
    }

    Run run(const QStringList &arguments, const QString &program = QStringLiteral(CORVELAFW_PATH))
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"CORVELA_SYSTEMD_UNIT_DIR"_qs, m_dir->path());
        // Should a switch be missed, the program must not install real rules here.
        environment.insert(u"CORVELA_FILTER_BACKEND"_qs, u"dry-run"_qs);
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished();
            return {};
        }
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()).trimmed(),
                QString::fromUtf8(process.readAllStandardError()).trimmed()};
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void switches_data()
    {
        QTest::addColumn<QStringList>("install");
        QTest::addColumn<QString>("installMessage");
        QTest::addColumn<QStringList>("uninstall");
        QTest::addColumn<QString>("uninstallMessage");
        QTest::newRow("slash, silent") << QStringList{u"/install"_qs, u"/silent"_qs} << QString()
                                       << QStringList{u"/uninstall"_qs, u"/silent"_qs}
                                       << QString();
        QTest::newRow("dash, capitals, silent first")
            << QStringList{u"-SILENT"_qs, u"-INSTALL"_qs} << QString()
            << QStringList{u"-Silent"_qs, u"-UnInstall"_qs} << QString();
        QTest::newRow("with messages")
            << QStringList{u"/Install"_qs} << u"Service installed successfully"_qs
            << QStringList{u"-uninstall"_qs} << u"Service uninstalled successfully"_qs;
    }
    void switches()
    {
        QFETCH(QStringList, install);
        QFETCH(QString, installMessage);
        QFETCH(QStringList, uninstall);
        QFETCH(QString, uninstallMessage);

        Run result = run(install);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, installMessage);
        QVERIFY(QFileInfo::exists(unitPath()));
        QCOMPARE(QFileInfo(linkPath()).symLinkTarget(), unitPath());

        // Installing again replaces the unit and the link.
        QCOMPARE(run(install).exitCode, 0);

        result = run(uninstall);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, uninstallMessage);
        QVERIFY(!QFileInfo::exists(unitPath()));
        QVERIFY(!QFileInfo(linkPath()).isSymLink());
    }

    // Failures are reported, with the service's name and the reason, and not as success.
    void failures()
    {
        Run result = run({u"/uninstall"_qs});
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.startsWith(
                     u"Service \"Corvela\" failed to uninstall with error: \""_qs),
                 qPrintable(result.err));
        QCOMPARE(run({u"/uninstall"_qs, u"/silent"_qs}).err, QString());

        // A unit directory that cannot be written.
        QFile blocker(m_dir->filePath(u"file"_qs));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"CORVELA_SYSTEMD_UNIT_DIR"_qs, blocker.fileName() + u"/units"_qs);
        environment.insert(u"CORVELA_FILTER_BACKEND"_qs, u"dry-run"_qs);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(CORVELAFW_PATH), {u"/install"_qs});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 1);
        QVERIFY(QString::fromUtf8(process.readAllStandardError())
                    .startsWith(u"Service \"Corvela\" failed to install with error: \""_qs));
    }

    // systemd accepts the unit /install writes, also for a program in a folder whose name
    // needs quoting and escaping in the unit file.
    void unitPassesSystemdVerify_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("build folder") << QString();
        QTest::newRow("blank and percent in the path") << u"dir with blank %i"_qs;
    }
    void unitPassesSystemdVerify()
    {
        QFETCH(QString, folder);
        const QString verifier = QStandardPaths::findExecutable(u"systemd-analyze"_qs);
        if (verifier.isEmpty())
            QSKIP("systemd-analyze is not installed");

        QString program = QStringLiteral(CORVELAFW_PATH);
        if (!folder.isEmpty()) {
            QVERIFY(QDir(m_dir->path()).mkpath(folder));
            const QString copy = m_dir->filePath(folder + u"/corvelafw"_qs);
            QVERIFY(QFile::copy(program, copy));
            program = copy;
        }
        QCOMPARE(run({u"/install"_qs, u"/silent"_qs}, program).exitCode, 0);

        QFile unit(unitPath());
        QVERIFY(unit.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(unit.readAll());
        for (const QString &setting : {u"Restart=on-failure"_qs, u"User=root"_qs,
                                       u"WantedBy=multi-user.target"_qs, u"Description=Corvela"_qs})
            QVERIFY2(text.contains(setting), qPrintable(setting));

        QProcess verify;
        verify.setProcessChannelMode(QProcess::MergedChannels);
        verify.start(verifier, {u"verify"_qs, unitPath()});
        QVERIFY(verify.waitForFinished(30000));
        const QString output = QString::fromUtf8(verify.readAll());
        QVERIFY2(verify.exitCode() == 0, qPrintable(output));
        QVERIFY2(!output.contains(u"Corvela.service"_qs), qPrintable(output));
    }
};

QTEST_GUILESS_MAIN(TstCorvelafwProgram)
#include "tst_corvelafw_program.moc"
