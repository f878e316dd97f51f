// Texts that Qt's own dialogs show (button captions of the message boxes). Listed here so
// that our language modules carry their translations too.
#include <QtGlobal>

namespace {
[[maybe_unused]] const char *const kQtTexts[] = {
    QT_TRANSLATE_NOOP("QPlatformTheme", "OK"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "&Yes"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "&No"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Cancel"),
};
} // namespace
