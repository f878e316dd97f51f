#include "oxutils.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

namespace corvela {

QString ShortVersionText(QStringView version)
{
    const qsizetype first = version.indexOf(u'.');
    const qsizetype second = first < 0 ? -1 : version.indexOf(u'.', first + 1);
    return (second < 0 ? version : version.first(second)).toString();
}

bool HasCommandLineSwitch(const QStringList &arguments, QStringView name)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if ((argument.startsWith(u'/') || argument.startsWith(u'-')) &&
            QStringView(argument).sliced(1).compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString QuoteCommandLine(const QStringList &arguments)
{
    QStringList quoted;
    for (const QString &argument : arguments) {
        QString escaped = argument;
        escaped.replace(u'"', u"\"\"\""_qs); // a literal quote is three quotes
        quoted << u'"' + escaped + u'"';
    }
    return quoted.join(u' ');
}

namespace {

// Lowers the application's visible stay-on-top windows for the life of a message box and
// raises them again afterwards.
class StayOnTopLowered
{
public:
    StayOnTopLowered()
    {
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows) {
            if (w->isVisible() && w->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
                m_lowered.append(w);
                w->setWindowFlag(Qt::WindowStaysOnTopHint, false);
                w->show(); // changing the flags hides a window
            }
        }
    }
    ~StayOnTopLowered()
    {
        for (const QPointer<QWidget> &w : std::as_const(m_lowered)) {
            if (w) {
                w->setWindowFlag(Qt::WindowStaysOnTopHint, true);
                w->show();
            }
        }
    }
    StayOnTopLowered(const StayOnTopLowered &) = delete;
    StayOnTopLowered &operator=(const StayOnTopLowered &) = delete;

private:
    QList<QPointer<QWidget>> m_lowered;
};

QMessageBox::StandardButton showBox(QMessageBox::Icon icon, const QString &caption,
                                    const QString &text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton, bool topMost)
{
    StayOnTopLowered lowered;
    QMessageBox box(icon, caption, text, buttons, QApplication::activeWindow());
    box.setDefaultButton(defaultButton);
    box.setWindowModality(Qt::ApplicationModal);
    if (topMost)
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

void ShowError(const QString &text, BoxForm form)
{
    showBox(QMessageBox::Critical, MessageBoxTexts::errorCaption(), text, QMessageBox::Ok,
            QMessageBox::Ok, form == BoxForm::Console);
}

void ShowInformation(const QString &text)
{
    showBox(QMessageBox::Information, MessageBoxTexts::informationCaption(), text,
            QMessageBox::Ok, QMessageBox::Ok, false);
}

bool AskQuestion(const QString &text, bool yesIsDefault, BoxForm form)
{
    const auto answer =
        showBox(QMessageBox::Question, MessageBoxTexts::confirmCaption(), text,
                QMessageBox::Yes | QMessageBox::No,
                yesIsDefault ? QMessageBox::Yes : QMessageBox::No, form == BoxForm::Console);
    return answer == QMessageBox::Yes;
}

} // namespace corvela
