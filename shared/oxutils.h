#pragma once
// Small helpers shared by the programs with a user interface: version texts and the
// standard message boxes.

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace corvela {

// The version text up to, not including, its second "." ("3.1.0.12" gives "3.1"); the whole
// text when it has fewer than two dots.
QString ShortVersionText(QStringView version);

// Whether the command line (program name first) holds the switch as a parameter of its own,
// written with a leading "/" or "-", in any letter case: "/ADMIN", "-admin".
bool HasCommandLineSwitch(const QStringList &arguments, QStringView name);

// Joins arguments into one command line that QProcess::splitCommand() takes apart again.
QString QuoteCommandLine(const QStringList &arguments);

// Appends text to the end of variable.
inline void AppendText(QStringView text, QString &variable)
{
    variable.append(text);
}

// Message boxes come in two forms: the console's (the box itself stays on top) and the
// setup's. Each is modal to the application; while it is shown, the application's own
// stay-on-top windows are lowered so they cannot cover it.
enum class BoxForm { Console, Setup };

class MessageBoxTexts
{
    Q_DECLARE_TR_FUNCTIONS(MessageBox)
public:
    static QString errorCaption() { return tr("Error"); }
    static QString informationCaption() { return tr("Information"); }
    static QString confirmCaption() { return tr("Confirm"); }
};

void ShowError(const QString &text, BoxForm form = BoxForm::Console);
void ShowInformation(const QString &text); // setup form only
// True only when the user answers Yes; closing the box any other way counts as No. When Yes
// is not the default, No is.
bool AskQuestion(const QString &text, bool yesIsDefault, BoxForm form = BoxForm::Console);

} // namespace corvela
