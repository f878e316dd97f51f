#pragma once
// Version texts of program files. Every program of ours carries its four-part version in
// the file itself (stamped by the build); FileVersionText reads it from any file.

#include <QString>

namespace corvela {

// "major.minor.release.build" without leading zeros, e.g. "3.1.0.12"; empty for a file that
// is missing, unreadable, or carries no version.
QString FileVersionText(const QString &path);

} // namespace corvela
