#include "oxutils.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace corvela;

namespace {

struct Seen
{
    QString caption;
    bool topMost = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString defaultButton;
    bool ownWindowLowered = false;
};

// Answers the next modal box with a key once it is up, noting what it looked like.
void answerNextBox(int key, Seen &seen, QWidget *ownTopWindow = nullptr)
{
    QTimer::singleShot(0, [=, &seen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        seen.caption = box->windowTitle();
        seen.topMost = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        seen.icon = box->icon();
        seen.defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        if (ownTopWindow)
            seen.ownWindowLowered = !ownTopWindow->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        QTest::keyClick(box, Qt::Key(key));
    });
}

} // namespace

class TestMessageBoxes : public QObject
{
    Q_OBJECT

private slots:
    void askQuestion_data()
    {
        QTest::addColumn<bool>("yesIsDefault");
        QTest::addColumn<int>("form");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("answer");
        QTest::newRow("console, No default, Enter") << false << int(BoxForm::Console) << int(Qt::Key_Return) << false;
        QTest::newRow("console, Yes default, Enter") << true << int(BoxForm::Console) << int(Qt::Key_Return) << true;
        QTest::newRow("setup, No default, Enter") << false << int(BoxForm::Setup) << int(Qt::Key_Return) << false;
        QTest::newRow("setup, Yes default, Enter") << true << int(BoxForm::Setup) << int(Qt::Key_Return) << true;
        QTest::newRow("Escape is No") << true << int(BoxForm::Console) << int(Qt::Key_Escape) << false;
    }
    void askQuestion()
    {
        QFETCH(bool, yesIsDefault);
        QFETCH(int, form);
        QFETCH(int, key);
        QFETCH(bool, answer);
        Seen seen;
        answerNextBox(key, seen);
        QCOMPARE(AskQuestion(u"Reboot the selected computers?"_qs, yesIsDefault, BoxForm(form)), answer);
        QCOMPARE(seen.caption, u"Confirm"_qs);
        QCOMPARE(seen.icon, QMessageBox::Question);
        QCOMPARE(seen.topMost, BoxForm(form) == BoxForm::Console);
        QCOMPARE(seen.defaultButton, yesIsDefault ? u"&Yes"_qs : u"&No"_qs);
    }

    void errorAndInformation()
    {
        Seen seen;
        answerNextBox(Qt::Key_Return, seen);
        ShowError(u"Something failed"_qs);
        QCOMPARE(seen.caption, u"Error"_qs);
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QVERIFY(seen.topMost);

        answerNextBox(Qt::Key_Return, seen);
        ShowError(u"Something failed"_qs, BoxForm::Setup);
        QVERIFY(!seen.topMost);

        answerNextBox(Qt::Key_Return, seen);
        ShowInformation(u"Done"_qs);
        QCOMPARE(seen.caption, u"Information"_qs);
        QCOMPARE(seen.icon, QMessageBox::Information);
    }

    void ownStayOnTopWindowsAreLoweredMeanwhile()
    {
        QWidget lockLike;
        lockLike.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        lockLike.show();
        Seen seen;
        answerNextBox(Qt::Key_Return, seen, &lockLike);
        ShowError(u"x"_qs);
        QVERIFY(seen.ownWindowLowered);
        QVERIFY(lockLike.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(lockLike.isVisible());
    }
};

QTEST_MAIN(TestMessageBoxes)
#include "tst_message_boxes.moc"
