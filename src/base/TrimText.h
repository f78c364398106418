#pragma once

#include <QStringView>

// The text without the blanks and control characters (every code up to
// U+0020) at both ends, the trimming of settings lines and typed numbers.
QStringView TrimControls(QStringView text);
