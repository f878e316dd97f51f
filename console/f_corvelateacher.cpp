#include "f_corvelateacher.h"

#include "config_store.h"
#include "console_core.h"
#include "f_about.h"
#include "oxlang.h"
#include "oxutils.h"
#include "u_shared.h"

#include "ui_f_corvelateacher.h"

#include <QCloseEvent>
#include <QIcon>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QToolButton>

namespace corvela {

namespace {

constexpr int kItemHeight = 18;
constexpr int kWaitFrames = 9;
constexpr int kWaitIntervalMs = 120;
const QColor kFocusFill(255, 251, 240);
const QColor kFocusFrame(255, 0, 255);

// Draws one computer: its check box, then "name  (status)" in red when offline, blue when
// unlocked, black otherwise; the focused item on cream with a magenta frame.
class ComputerItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static QRect checkRect(const QRect &item)
    {
        return QRect(item.left() + 2, item.top() + (item.height() - 13) / 2, 13, 13);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override
    {
        return QSize(option.rect.width(), kItemHeight);
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        painter->save();
        const QWidget *view = option.widget;
        const bool focused = view && index == static_cast<const QAbstractItemView *>(view)->currentIndex();

        QStyleOptionButton box;
        box.rect = checkRect(option.rect);
        box.state = QStyle::State_Enabled |
                    (index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On
                                                                             : QStyle::State_Off);
        QStyle *style = view ? view->style() : QApplication::style();
        const QRect textArea = option.rect.adjusted(box.rect.right() + 3 - option.rect.left(), 0, 0, 0);
        painter->fillRect(option.rect, option.palette.base());
        style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, view);

        if (focused)
            painter->fillRect(textArea, kFocusFill);
        const bool online = index.data(ConsoleCore::OnlineRole).toBool();
        const bool unlocked = index.data(ConsoleCore::UnlockedRole).toBool();
        painter->setPen(!online ? QColor(255, 0, 0) : unlocked ? QColor(0, 0, 255) : QColor(0, 0, 0));
        painter->setFont(option.font);
        painter->drawText(textArea.adjusted(3, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          index.data(Qt::DisplayRole).toString());
        if (focused) {
            painter->setPen(kFocusFrame);
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(textArea.adjusted(0, 0, -1, -1));
        }
        painter->restore();
    }

    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override
    {
        const auto toggle = [&] {
            const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
            return model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        };
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton &&
                checkRect(option.rect).adjusted(-2, -2, 2, 2).contains(mouse->position().toPoint()))
                return toggle();
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            return checkRect(option.rect).adjusted(-2, -2, 2, 2).contains(
                static_cast<QMouseEvent *>(event)->position().toPoint());
        } else if (event->type() == QEvent::KeyPress &&
                   static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space) {
            return toggle();
        }
        return false;
    }
};

} // namespace

TFCorvelaTeacher::TFCorvelaTeacher(ConsoleServices services, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TFCorvelaTeacher>()), m_services(services)
{
    m_ui->setupUi(this);

    QFont listFont(u"Tahoma"_qs);
    listFont.setPixelSize(13);
    m_ui->CLBComputers->setFont(listFont);
    m_ui->CLBComputers->setItemDelegate(new ComputerItemDelegate(m_ui->CLBComputers));
    m_ui->CLBComputers->setEditTriggers(QAbstractItemView::NoEditTriggers);

    // Speed buttons show their action; every action works anywhere in the window.
    const std::pair<QToolButton *, QAction *> buttons[] = {
        {m_ui->SBLogin, m_ui->AUnlock},
        {m_ui->SBLogOut, m_ui->ALock},
        {m_ui->SBFWStop, m_ui->AFWStop},
        {m_ui->SBFWStart, m_ui->AFWStart},
        {m_ui->SBSelectAll, m_ui->ASelectAll},
        {m_ui->SpeedButton1, m_ui->ASafeWebBrowser},
        {m_ui->SBSelectNone, m_ui->ASelectNone},
        {m_ui->SBInvertSelection, m_ui->AInvertSelection},
        {m_ui->SpeedButton2, m_ui->ARemoteDesktop},
        {m_ui->SBControlPanel, m_ui->AControlPanel},
        {m_ui->SBLanguage, m_ui->ALanguage},
    };
    for (const auto &[button, action] : buttons)
        button->setDefaultAction(action);
    addActions({m_ui->AUnlock, m_ui->ALock, m_ui->AFWStart, m_ui->AFWStop, m_ui->ASafeWebBrowser,
                m_ui->ASelectAll, m_ui->ASelectNone, m_ui->AInvertSelection, m_ui->AControlPanel,
                m_ui->AReboot, m_ui->AShutdown, m_ui->AWakeUp, m_ui->ASleep, m_ui->ALogoff,
                m_ui->ARemove, m_ui->ALanguage, m_ui->ARemoteDesktop, m_ui->AAbout});

    m_controlPanelMenu = new QMenu(this);
    m_controlPanelMenu->addActions({m_ui->AReboot, m_ui->AShutdown, m_ui->AWakeUp, m_ui->ASleep});
    m_controlPanelMenu->addSeparator();
    m_controlPanelMenu->addAction(m_ui->ALogoff);
    m_languageMenu = new QMenu(this);
    m_languageMenu->addActions({m_ui->English1, m_ui->Czech1});
    m_languageMenu->setStyleSheet(u"QMenu { icon-size: 32px; }"_qs);

    for (int i = 0; i < kWaitFrames; ++i)
        m_waitFrames << QIcon(u":/console/wait/wait%1.svg"_qs.arg(i)).pixmap(32, 32);
    m_waitTimer.setInterval(kWaitIntervalMs);
    connect(&m_waitTimer, &QTimer::timeout, this, &TFCorvelaTeacher::TWaitTimer);

    FormCreate();

    connect(m_ui->AUnlock, &QAction::triggered, this, [this] { m_actions->unlock(); });
    connect(m_ui->ALock, &QAction::triggered, this, [this] { m_actions->lock(); });
    connect(m_ui->AFWStart, &QAction::triggered, this, [this] { m_actions->disableInternet(); });
    connect(m_ui->AFWStop, &QAction::triggered, this, [this] { m_actions->enableInternet(); });
    connect(m_ui->ASafeWebBrowser, &QAction::triggered, this, [this] { m_actions->safeWebBrowser(); });
    connect(m_ui->ASelectAll, &QAction::triggered, this, [this] { m_actions->selectAll(); });
    connect(m_ui->ASelectNone, &QAction::triggered, this, [this] { m_actions->selectNone(); });
    connect(m_ui->AInvertSelection, &QAction::triggered, this, [this] { m_actions->invertSelection(); });
    connect(m_ui->AReboot, &QAction::triggered, this, [this] { m_actions->reboot(); });
    connect(m_ui->AShutdown, &QAction::triggered, this, [this] { m_actions->shutdown(); });
    connect(m_ui->AWakeUp, &QAction::triggered, this, [this] { m_actions->wakeUp(); });
    connect(m_ui->ASleep, &QAction::triggered, this, [this] { m_actions->sleep(); });
    connect(m_ui->ALogoff, &QAction::triggered, this, [this] { m_actions->logoff(); });
    connect(m_ui->ARemove, &QAction::triggered, this, [this] { m_actions->remove(focusedComputer()); });
    connect(m_ui->AControlPanel, &QAction::triggered, this,
            [this] { openMenuAt(m_controlPanelMenu, m_ui->SBControlPanel); });
    connect(m_ui->ALanguage, &QAction::triggered, this,
            [this] { openMenuAt(m_languageMenu, m_ui->SBLanguage); });
    connect(m_ui->ARemoteDesktop, &QAction::triggered, this, [this] {
        if (TComputer *computer = focusedComputer())
            emit remoteDesktopRequested(computer);
    });
    connect(m_ui->AAbout, &QAction::triggered, this, [this] {
        TFAbout about(m_services.fullVersion, this);
        about.exec();
    });
    connect(m_ui->English1, &QAction::triggered, this, [this] { chooseLanguage(kLocaleEnglish); });
    connect(m_ui->Czech1, &QAction::triggered, this, [this] { chooseLanguage(kLocaleCzech); });
}

TFCorvelaTeacher::~TFCorvelaTeacher()
{
    FormClose();
}

QString TFCorvelaTeacher::applicationTitle()
{
    return tr("Corvela - Teacher");
}

void TFCorvelaTeacher::FormCreate()
{
    ConfigStore &config = m_services.config;
    ConsoleCore::Options options;
    options.port = ClassroomPort(config.readInteger(ConfigScope::Machine, kProductKey, u"Classroom"));
    options.listPath = m_services.listPath;

    // The window as the teacher left it. Each value on its own; position, size and the last
    // address only for a window that was left in normal state.
    const auto read = [&](QStringView name) {
        return config.readInteger(ConfigScope::User, kProductKey, name);
    };
    if (const auto state = read(u"WindowState"))
        m_storedState = *state == Minimized || *state == Maximized ? *state : Normal;
    QString lastUrl;
    if (m_storedState == Normal) {
        lastUrl = config.readString(ConfigScope::User, kProductKey, u"SafeWebLastURL").value_or(QString());
        QPoint position = pos();
        QSize size = this->size();
        if (const auto top = read(u"Top"))
            position.setY(*top);
        if (const auto left = read(u"Left"))
            position.setX(*left);
        if (const auto width = read(u"Width"))
            size.setWidth(*width);
        if (const auto height = read(u"Height"))
            size.setHeight(*height);
        // A window stored too far right or down comes back at the screen's edge.
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            if (position.y() > screen->size().height() - 16)
                position.setY(0);
            if (position.x() > screen->size().width() - 16)
                position.setX(0);
        }
        move(position);
        resize(size);
    }

    FormResize();
    setCaption();

    m_core = std::make_unique<ConsoleCore>(m_services.arp, options);
    m_actions = std::make_unique<ConsoleActions>(*m_core, *this, m_services.shell, m_services.power);
    m_actions->SafeWebLastURL = lastUrl;
    m_ui->CLBComputers->setModel(m_core.get());
    // The entry that comes first into an empty list becomes the focused one.
    connect(m_core.get(), &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_core->count() == 1)
            m_ui->CLBComputers->setCurrentIndex(m_core->index(0));
    });
    connect(m_core.get(), &ConsoleCore::firstConnection, this, [this] {
        m_waitTimer.stop();
        m_ui->PWait->hide();
    });
    const bool listening = m_core->start();
    if (m_core->count() > 0)
        m_ui->CLBComputers->setCurrentIndex(m_core->index(0));
    m_ui->PWait->raise();
    m_ui->PWait->show();
    m_waitTimer.start();
    TWaitTimer();
    if (!listening)
        QTimer::singleShot(0, this, [this] { showError(m_core->listenError()); });
}

void TFCorvelaTeacher::showInStoredState()
{
    if (m_storedState == Maximized)
        showMaximized();
    else if (m_storedState == Minimized)
        showMinimized();
    else
        show();
}

void TFCorvelaTeacher::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    if (m_core)
        m_core->close(); // closes every connection and saves the list

    ConfigStore &config = m_services.config;
    const int state = isMaximized() ? Maximized : isMinimized() ? Minimized : Normal;
    config.write(ConfigScope::User, kProductKey, u"WindowState", qint32(state));
    if (state == Normal) {
        config.write(ConfigScope::User, kProductKey, u"SafeWebLastURL",
                     m_actions ? m_actions->SafeWebLastURL : QString());
        config.write(ConfigScope::User, kProductKey, u"Top", qint32(pos().y()));
        config.write(ConfigScope::User, kProductKey, u"Left", qint32(pos().x()));
        config.write(ConfigScope::User, kProductKey, u"Width", qint32(width()));
        config.write(ConfigScope::User, kProductKey, u"Height", qint32(height()));
    }
}

void TFCorvelaTeacher::closeEvent(QCloseEvent *event)
{
    FormClose();
    QWidget::closeEvent(event);
}

void TFCorvelaTeacher::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void TFCorvelaTeacher::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        setCaption();
        if (m_core)
            m_core->RefreshList();
    }
    QWidget::changeEvent(event);
}

void TFCorvelaTeacher::FormResize()
{
    // The waiting panel stays in the middle of the list.
    const QWidget *panel = m_ui->PComputers;
    QWidget *wait = m_ui->PWait;
    wait->move((panel->width() - wait->width()) / 2, (panel->height() - wait->height()) / 2);
}

void TFCorvelaTeacher::TWaitTimer()
{
    if (!m_ui->PBWait->isVisibleTo(this) || m_waitFrames.isEmpty())
        return;
    // Frames 0..8 and back: the counter runs from -7 to 8, the frame is its absolute value.
    m_waitFrame = m_waitFrame < kWaitFrames - 1 ? m_waitFrame + 1 : 2 - kWaitFrames;
    m_ui->PBWait->setPixmap(m_waitFrames.at(std::abs(m_waitFrame)));
}

void TFCorvelaTeacher::setCaption()
{
    setWindowTitle(applicationTitle() + u' ' + ShortVersionText(m_services.fullVersion));
}

void TFCorvelaTeacher::openMenuAt(QMenu *menu, QWidget *button)
{
    // The menu's top right corner at the button's bottom right corner.
    const QPoint corner = button->mapToGlobal(QPoint(button->width(), button->height()));
    menu->popup(corner - QPoint(menu->sizeHint().width(), 0));
}

void TFCorvelaTeacher::chooseLanguage(quint32 localeId)
{
    m_services.languages.setUserLanguage(localeId);
    m_restartRequested = true;
    FormClose();
    QCoreApplication::quit();
}

TComputer *TFCorvelaTeacher::focusedComputer() const
{
    const QModelIndex current = m_ui->CLBComputers->currentIndex();
    return current.isValid() && m_core ? m_core->at(current.row()) : nullptr;
}

void TFCorvelaTeacher::showError(const QString &text)
{
    ShowError(text, BoxForm::Console);
}

bool TFCorvelaTeacher::askQuestion(const QString &text)
{
    return AskQuestion(text, false, BoxForm::Console);
}

std::optional<QString> TFCorvelaTeacher::askText(const QString &caption, const QString &prompt,
                                                 const QString &proposal)
{
    bool ok = false;
    const QString text = QInputDialog::getText(this, caption, prompt, QLineEdit::Normal, proposal, &ok);
    return ok ? std::optional<QString>(text) : std::nullopt;
}

} // namespace corvela
