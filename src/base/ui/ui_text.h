#pragma once

#include <QString>
#include <string>

namespace tintara::ui {

// Text is UTF-8 everywhere below the widgets; QString exists only here. These two are the one way
// across, so a file name or a description typed into a field reaches the core unchanged, and a
// core text reaches the screen with every character it has.
QString ToQString(const std::string& utf8);
std::string ToUtf8(const QString& text);

}  // namespace tintara::ui
