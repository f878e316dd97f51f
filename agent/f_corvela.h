#pragma once
// The lock screen: a frameless, stay-on-top window over the whole primary screen with the
// background picture, the status label, the waiting panel shown until the first connection
// to the teacher console, the shutdown menu and (with ADMIN) the exit button "Konec".
//
// While it is shown, the keyboard and pointer are grabbed for it and it is pulled back in
// front every 500 ms, and at once when the application loses activation, unless a screen
// saver runs or the window in front is one of our own. Unlocking only hides it.
//
// The window never closes at the user's request; it closes only when the application quits
// (QCoreApplication::quit, or the session manager ending the session), and the session's
// end is never held up.

#include "power_control.h"

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <memory>

QT_BEGIN_NAMESPACE
class QPainter;
class QSvgRenderer;
class QTimer;
class QSessionManager;
QT_END_NAMESPACE

namespace Ui {
class TFCorvela;
}

namespace corvela {

class LockGuard;

class TFCorvela : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kFrameCount = 9;

    TFCorvela(PowerControl &power, LockGuard &guard, bool adminSwitch, QWidget *parent = nullptr);
    ~TFCorvela() override;

    // Shows the form over the primary screen in front of everything and grabs the input;
    // hides the safe web browser panel first.
    void LockScreen();
    // Hides the safe web browser panel and the form, and gives the input back.
    void UnlockScreen();

    // Status label: " text " and visible exactly when the text is not empty.
    void SetStatus(const QString &text);
    QString statusText() const;

    // The first connection hides the waiting panel for good and stops its animation; every
    // connection hides the shutdown menu and its button. A disconnection shows the button.
    void connectedToTeacher();
    void disconnectedFromTeacher();

    // The user's wallpaper (file and WallpaperStyle code), set before LoadSettings.
    void setWallpaper(const QString &file, const QString &style);
    // Background from the settings file (empty: the wallpaper) and whether the shutdown menu
    // is allowed. Called once after the first show.
    void LoadSettings(const QString &background, bool shutdownAllowed);
    // Shows the picture tiled, stretched over the form or centred (shrunk to fit when
    // larger). A missing file changes nothing; a file that cannot be loaded is reported
    // through logError and the previous display stays.
    void LoadBackground(const QString &file, bool tile, bool stretch);
    // The value of the settings key Shutdown allows the menu unless it is "DISABLE" (letter
    // case of a-z and surrounding blanks and control characters ignored).
    static bool ShutdownAllowedBySetting(const QString &value);

    // Always forced: applications are not asked. True when the system accepted it.
    bool RunPowerAction(PowerAction action);

    // The hidden panel that will hold the safe web browser; it covers the whole form.
    QWidget *webBrowserPanel() const;

    // The current frame of the waiting animation (its absolute value is the frame shown).
    int waitCounter() const { return m_waitCounter; }

    // Timer handlers, public so that the agent and tests can run a step at once.
    void Timer1Timer();
    void AppEventsDeactivate() { Timer1Timer(); }
    void TWaitTimer();

signals:
    // "Konec" was pressed (only possible with the ADMIN switch).
    void quitRequested();
    // An error for the agent's log.
    void logError(const QString &message);
    // The form became visible (each time); the agent runs its first-show work from here,
    // through a queued connection.
    void formShown();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Layout { Stretch, Centre, Tile };
    struct Background
    {
        QImage picture;
        QString svgFile; // SVG pictures are drawn again at the size they are shown
        Layout layout = Layout::Stretch;
    };

    void FormShow();
    void placeControls();
    void renderBackground();
    void drawBackground(QPainter &painter, QSize size) const;
    void PBWaitPaint();
    void commitData(QSessionManager &manager);

    PowerControl &m_power;
    LockGuard &m_guard;
    std::unique_ptr<Ui::TFCorvela> m_ui;
    QTimer *m_timer1 = nullptr;
    QTimer *m_twait = nullptr;
    QList<QPixmap> m_waitFrames;
    int m_waitCounter = 0;
    bool m_waitShown = true;
    bool m_appQuitting = false;
    Background m_background;
    std::unique_ptr<QSvgRenderer> m_svg; // the SVG background, parsed once
    QString m_wallpaperFile;
    QString m_wallpaperStyle;
};

} // namespace corvela
