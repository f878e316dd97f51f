// A second X client for tst_lock_screen_x11: shows a green 200 x 100 window at the top left
// and then, by its argument,
//   grab    tries to grab the keyboard, prints "grab=1" or "grab=0" and ends;
//   front   prints "shown" and stays until killed (its window is mapped on top of the lock).
// With -name xscreensaver before the argument, Qt gives its window the class of a screen
// saver.

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString mode = QCoreApplication::arguments().value(1);
    QWidget window;
    window.setWindowTitle(u"corvela-probe"_qs);
    QPalette green = window.palette();
    green.setColor(QPalette::Window, Qt::green);
    window.setPalette(green);
    window.setAutoFillBackground(true);
    window.setGeometry(0, 0, 200, 100);
    window.show();
    QElapsedTimer waited;
    waited.start();
    while (!window.windowHandle()->isExposed() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (mode == u"grab") {
        const bool grabbed = window.windowHandle()->setKeyboardGrabEnabled(true);
        std::printf("grab=%d\n", grabbed ? 1 : 0);
        std::fflush(stdout);
        return 0;
    }
    std::printf("shown\n");
    std::fflush(stdout);
    return QApplication::exec();
}
