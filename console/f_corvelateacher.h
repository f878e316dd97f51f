#pragma once
// The console's main window: the computer list on the left, the command buttons on the
// right. A view of ConsoleCore; the actions' logic lives in ConsoleActions.

#include "console_actions.h"

#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <memory>

class QMenu;

namespace Ui {
class TFCorvelaTeacher;
}

namespace corvela {

class ArpTable;
class ConfigStore;
class ConsoleCore;
class LanguageModules;
class PowerControl;
class Shell;

struct ConsoleServices
{
    ConfigStore &config;
    const ArpTable &arp;
    Shell &shell;
    PowerControl &power;
    LanguageModules &languages;
    QString listPath;     // the computer list file
    QString fullVersion;  // the program file's version, empty when it has none
};

class TFCorvelaTeacher : public QWidget, public ConsolePrompts
{
    Q_OBJECT
public:
    enum WindowStateValue { Normal = 0, Minimized = 1, Maximized = 2 };

    explicit TFCorvelaTeacher(ConsoleServices services, QWidget *parent = nullptr);
    ~TFCorvelaTeacher() override;

    ConsoleCore &core() { return *m_core; }
    ConsoleActions &actions() { return *m_actions; }
    bool restartRequested() const { return m_restartRequested; }
    // Shows the window in the state read at start (normal, minimized or maximized).
    void showInStoredState();
    // Closing: the list is saved and the window settings stored. Runs once.
    void FormClose();

    // ConsolePrompts
    void showError(const QString &text) override;
    bool askQuestion(const QString &text) override;
    std::optional<QString> askText(const QString &caption, const QString &prompt,
                                   const QString &proposal) override;

    static QString applicationTitle();

signals:
    void remoteDesktopRequested(TComputer *computer);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void FormCreate();
    void FormResize();
    void TWaitTimer();
    void setCaption();
    void openMenuAt(QMenu *menu, QWidget *button);
    void chooseLanguage(quint32 localeId);
    TComputer *focusedComputer() const;

    std::unique_ptr<Ui::TFCorvelaTeacher> m_ui;
    ConsoleServices m_services;
    std::unique_ptr<ConsoleCore> m_core;
    std::unique_ptr<ConsoleActions> m_actions;
    QMenu *m_controlPanelMenu;
    QMenu *m_languageMenu;
    QTimer m_waitTimer;
    QList<QPixmap> m_waitFrames;
    int m_waitFrame = 0;
    int m_storedState = Normal;
    bool m_closed = false;
    bool m_restartRequested = false;
};

} // namespace corvela
