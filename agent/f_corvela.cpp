#include "f_corvela.h"

#include "lock_guard.h"
#include "ui_f_corvela.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QSessionManager>
#include <QSvgRenderer>
#include <QTimer>
#include <QWindow>

#include <cstdlib>

namespace corvela {

namespace {

const QString kBuiltInBackground = u":/agent/backgrounds/lock.svg"_qs;
constexpr int kTimer1Ms = 500;
constexpr int kTWaitMs = 120;
constexpr int kMargin = 16;
constexpr int kMenuButtonBottomGap = 24;

// Picture formats with a reader here, by file extension.
bool IsRasterExtension(const QString &ext)
{
    static const QStringList kKnown{u"bmp"_qs, u"ico"_qs, u"jpg"_qs, u"jpeg"_qs, u"gif"_qs, u"png"_qs};
    return kKnown.contains(ext);
}

// The application's palette with every role set explicitly, so that panels on the black form
// do not take its black for their own.
QPalette PanelPalette()
{
    const QPalette app = QApplication::palette();
    QPalette panel = app;
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto g = static_cast<QPalette::ColorGroup>(group);
            const auto r = static_cast<QPalette::ColorRole>(role);
            if (r != QPalette::NoRole)
                panel.setBrush(g, r, app.brush(g, r));
        }
    }
    return panel;
}

QImage RenderSvg(QSvgRenderer &renderer, QSize size)
{
    if (size.isEmpty())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

} // namespace

TFCorvela::TFCorvela(PowerControl &power, LockGuard &guard, bool adminSwitch, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_power(power), m_guard(guard), m_ui(std::make_unique<Ui::TFCorvela>())
{
    m_ui->setupUi(this);
    setObjectName(u"TFCorvela"_qs);

    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    QFont statusFont = m_ui->LStatus->font();
    statusFont.setFamily(u"Tahoma"_qs);
    statusFont.setPixelSize(16);
    m_ui->LStatus->setFont(statusFont);
    QPalette status = m_ui->LStatus->palette();
    status.setColor(QPalette::WindowText, Qt::yellow);
    status.setColor(QPalette::Window, QColor(0x80, 0x00, 0x00));
    m_ui->LStatus->setPalette(status);
    m_ui->LStatus->setAutoFillBackground(true);
    m_ui->LStatus->hide();

    QFont waitFont = m_ui->PWait->font();
    waitFont.setFamily(u"Tahoma"_qs);
    waitFont.setPixelSize(11);
    waitFont.setBold(true);
    m_ui->PWait->setFont(waitFont);
    m_ui->PWait->setAutoFillBackground(true);
    m_ui->PWait->setPalette(PanelPalette());
    m_ui->PShutdownMenu->setPalette(PanelPalette());

    // The waiting frames, drawn once on the panel's colour.
    const QColor waitBack = m_ui->PWait->palette().color(QPalette::Window);
    for (int i = 0; i < kFrameCount; ++i) {
        QPixmap frame(32, 32);
        frame.fill(waitBack);
        QPainter painter(&frame);
        QSvgRenderer(u":/agent/wait/wait%1.svg"_qs.arg(i)).render(&painter);
        painter.end();
        m_waitFrames.append(frame);
    }
    m_ui->PBWait->installEventFilter(this);

    m_ui->SBShutdownMenu->setIcon(QIcon(u":/agent/glyphs/control_panel.svg"_qs));
    m_ui->SBShutdown->setIcon(QIcon(u":/agent/glyphs/shutdown.svg"_qs));
    m_ui->SBReboot->setIcon(QIcon(u":/agent/glyphs/reboot.svg"_qs));
    m_ui->SBLogOff->setIcon(QIcon(u":/agent/glyphs/logoff.svg"_qs));
    m_ui->PShutdownMenu->hide();
    m_ui->PWebBrowser->hide();
    m_ui->SBX->setVisible(adminSwitch);

    connect(m_ui->SBShutdownMenu, &QToolButton::clicked, this,
            [this] { m_ui->PShutdownMenu->setVisible(m_ui->PShutdownMenu->isHidden()); });
    connect(m_ui->SBShutdown, &QToolButton::clicked, this,
            [this] { RunPowerAction(PowerAction::ShutDown); });
    connect(m_ui->SBReboot, &QToolButton::clicked, this,
            [this] { RunPowerAction(PowerAction::Restart); });
    connect(m_ui->SBLogOff, &QToolButton::clicked, this,
            [this] { RunPowerAction(PowerAction::LogOff); });
    connect(m_ui->SBX, &QPushButton::clicked, this, &TFCorvela::quitRequested);
    m_ui->Image->installEventFilter(this);

    m_background.svgFile = kBuiltInBackground;
    m_background.layout = Layout::Stretch;

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(u"Timer1"_qs);
    m_timer1->setInterval(kTimer1Ms);
    connect(m_timer1, &QTimer::timeout, this, &TFCorvela::Timer1Timer);
    m_timer1->start();
    m_twait = new QTimer(this);
    m_twait->setObjectName(u"TWait"_qs);
    m_twait->setInterval(kTWaitMs);
    connect(m_twait, &QTimer::timeout, this, &TFCorvela::TWaitTimer);
    m_twait->start();

    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive)
                    AppEventsDeactivate();
            });
    // The session may always end: agree at once and never ask to be restored (autostart
    // starts the agent at the next logon).
    connect(qApp, &QGuiApplication::commitDataRequest, this, &TFCorvela::commitData,
            Qt::DirectConnection);
    connect(qApp, &QGuiApplication::saveStateRequest, this, &TFCorvela::commitData,
            Qt::DirectConnection);
    // A Quit event (QCoreApplication::quit, or the session manager ending the session) asks
    // every window to close; this one must not refuse then.
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, [this] {
        if (isVisible())
            FormShow();
    });

    placeControls();
}

TFCorvela::~TFCorvela() = default;

void TFCorvela::LockScreen()
{
    m_ui->PWebBrowser->hide();
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        if (QWindow *window = windowHandle())
            window->setScreen(screen);
        setGeometry(screen->geometry());
    }
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowFullScreen);
    show();
    raise();
    activateWindow();
    m_guard.forceForeground(this);
    m_guard.engage(this);
}

void TFCorvela::UnlockScreen()
{
    m_ui->PWebBrowser->hide();
    hide();
    m_guard.release();
}

void TFCorvela::SetStatus(const QString &text)
{
    m_ui->LStatus->setText(u' ' + text + u' ');
    m_ui->LStatus->adjustSize();
    m_ui->LStatus->setVisible(!text.isEmpty());
}

QString TFCorvela::statusText() const
{
    return m_ui->LStatus->text();
}

void TFCorvela::connectedToTeacher()
{
    if (m_waitShown) {
        m_twait->stop();
        m_ui->PWait->hide();
        m_waitShown = false;
    }
    m_ui->PShutdownMenu->hide();
    m_ui->SBShutdownMenu->hide();
}

void TFCorvela::disconnectedFromTeacher()
{
    m_ui->SBShutdownMenu->show();
}

void TFCorvela::setWallpaper(const QString &file, const QString &style)
{
    m_wallpaperFile = file;
    m_wallpaperStyle = style;
}

void TFCorvela::LoadSettings(const QString &background, bool shutdownAllowed)
{
    if (!background.isEmpty())
        LoadBackground(background, false, false);
    else
        LoadBackground(m_wallpaperFile, m_wallpaperStyle == u"1", m_wallpaperStyle == u"2");
    m_ui->SBShutdownMenu->setVisible(shutdownAllowed);
}

void TFCorvela::LoadBackground(const QString &file, bool tile, bool stretch)
{
    const QFileInfo info(file);
    if (file.isEmpty() || !info.exists())
        return;
    Background next;
    next.layout = tile ? Layout::Tile : (stretch ? Layout::Stretch : Layout::Centre);
    const QString ext = info.suffix().toLower();
    QString error;
    if (ext == u"svg") {
        QSvgRenderer renderer(file);
        if (!renderer.isValid()) {
            error = u"not a valid SVG picture"_qs;
        } else {
            next.svgFile = file;
            next.picture = RenderSvg(renderer, renderer.defaultSize());
        }
    } else if (ext == u"emf" || ext == u"wmf") {
        error = u"no reader for Windows metafiles on this system"_qs;
    } else if (IsRasterExtension(ext)) {
        QImageReader reader(file, ext.toLatin1());
        reader.setAutoDetectImageFormat(false);
        next.picture = reader.read();
        if (next.picture.isNull())
            error = reader.errorString();
    } else {
        error = u"unknown picture format"_qs;
    }
    if (!error.isEmpty()) {
        emit logError(u"Cannot load the picture %1: %2"_qs.arg(QDir::toNativeSeparators(file), error));
        return;
    }
    m_background = std::move(next);
    renderBackground();
}

bool TFCorvela::ShutdownAllowedBySetting(const QString &value)
{
    qsizetype begin = 0;
    qsizetype end = value.size();
    while (begin < end && value.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && value.at(end - 1).unicode() <= 32)
        --end;
    QString v = value.mid(begin, end - begin);
    for (QChar &c : v)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    return v != u"DISABLE";
}

bool TFCorvela::RunPowerAction(PowerAction action)
{
    return m_power.request(action, true);
}

QWidget *TFCorvela::webBrowserPanel() const
{
    return m_ui->PWebBrowser;
}

void TFCorvela::Timer1Timer()
{
    if (!isVisible())
        return;
    if (m_guard.foregroundIsScreenSaver())
        return;
    // Re-take the grabs (they fail while the window is not yet mapped or another client
    // holds a grab, and a popup of our own takes the pointer for a while).
    if (!QApplication::activePopupWidget())
        m_guard.engage(this);
    if (m_guard.foregroundIsOwnProcess())
        return;
    QWidget *target = this;
    if (m_ui->PWebBrowser->isVisible()) {
        // A dialog opened by the page stays usable.
        if (QWidget *modal = QApplication::activeModalWidget())
            target = modal;
    }
    m_guard.forceForeground(target);
}

void TFCorvela::TWaitTimer()
{
    if (m_ui->PWait->isHidden())
        return;
    if (m_waitCounter < kFrameCount - 1)
        ++m_waitCounter;
    else
        m_waitCounter = 2 - kFrameCount;
    m_ui->PBWait->update();
}

void TFCorvela::PBWaitPaint()
{
    QPainter painter(m_ui->PBWait);
    painter.drawPixmap(0, 0, m_waitFrames.at(std::abs(m_waitCounter)));
}

void TFCorvela::FormShow()
{
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        if (geometry() != screen->geometry())
            setGeometry(screen->geometry());
    }
    QWidget *wait = m_ui->PWait;
    wait->move((width() - wait->width()) / 2, (height() - wait->height()) / 2);
}

void TFCorvela::placeControls()
{
    m_ui->Image->setGeometry(rect());
    m_ui->PWebBrowser->setGeometry(rect());
    QWidget *menuButton = m_ui->SBShutdownMenu;
    menuButton->move(kMargin, height() - kMenuButtonBottomGap - menuButton->height());
    m_ui->PShutdownMenu->move(kMargin, menuButton->y() - m_ui->PShutdownMenu->height());
    QWidget *wait = m_ui->PWait;
    wait->move((width() - wait->width()) / 2, (height() - wait->height()) / 2);
    renderBackground();
}

void TFCorvela::renderBackground()
{
    // The background is drawn when the window paints: the window's own buffer is the one
    // full-screen copy of it the program keeps.
    m_svg.reset();
    if (!m_background.svgFile.isEmpty())
        m_svg = std::make_unique<QSvgRenderer>(m_background.svgFile);
    m_ui->Image->update();
}

void TFCorvela::drawBackground(QPainter &painter, QSize size) const
{
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::black);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QImage &picture = m_background.picture;
    const auto draw = [&](const QRect &target) {
        if (m_svg)
            m_svg->render(&painter, target);
        else
            painter.drawImage(target, picture);
    };
    switch (m_background.layout) {
    case Layout::Tile: {
        // The picture at its natural size at the top left, repeated column by column and row
        // by row until the area is covered. An empty picture leaves the area black.
        const int w = picture.width();
        const int h = picture.height();
        if (w <= 0 || h <= 0)
            break;
        for (int x = 0; x < size.width(); x += w)
            for (int y = 0; y < size.height(); y += h)
                painter.drawImage(x, y, picture);
        break;
    }
    case Layout::Stretch:
        draw(QRect(QPoint(0, 0), size));
        break;
    case Layout::Centre: {
        QSize shown = picture.size();
        if (shown.isEmpty())
            break;
        if (shown.width() > size.width() || shown.height() > size.height())
            shown = shown.scaled(size, Qt::KeepAspectRatio);
        draw(QRect(QPoint((size.width() - shown.width()) / 2, (size.height() - shown.height()) / 2),
                   shown));
        break;
    }
    }
}

void TFCorvela::commitData(QSessionManager &manager)
{
    manager.setRestartHint(QSessionManager::RestartNever);
}

void TFCorvela::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    FormShow();
    // The window is mapped a moment after show(): take the input then instead of waiting for
    // the next check.
    QTimer::singleShot(50, this, [this] {
        if (isVisible()) {
            m_guard.engage(this);
            m_guard.forceForeground(this);
        }
    });
    emit formShown();
}

void TFCorvela::hideEvent(QHideEvent *event)
{
    m_guard.release();
    QWidget::hideEvent(event);
}

void TFCorvela::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeControls();
}

void TFCorvela::closeEvent(QCloseEvent *event)
{
    // Alt+F4 and the window manager's close do nothing; only the application's end closes.
    if (m_appQuitting)
        event->accept();
    else
        event->ignore();
}

void TFCorvela::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        m_ui->retranslateUi(this);
    QWidget::changeEvent(event);
}

bool TFCorvela::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == qApp) {
        if (event->type() == QEvent::Quit) {
            m_appQuitting = true;
            // Windows close while the Quit event is handled; should the quit be turned down
            // after all, the lock refuses closing again.
            QTimer::singleShot(0, this, [this] { m_appQuitting = false; });
        }
        return false;
    }
    if (watched == m_ui->PBWait && event->type() == QEvent::Paint) {
        PBWaitPaint();
        return true;
    }
    if (watched == m_ui->Image && event->type() == QEvent::Paint) {
        QPainter painter(m_ui->Image);
        painter.setClipRegion(static_cast<QPaintEvent *>(event)->region());
        drawBackground(painter, m_ui->Image->size());
        return true;
    }
    if (watched == m_ui->Image && event->type() == QEvent::MouseButtonPress)
        m_ui->PShutdownMenu->hide();
    return QWidget::eventFilter(watched, event);
}

} // namespace corvela
