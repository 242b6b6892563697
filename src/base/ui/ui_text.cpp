#include "base/ui/ui_text.h"

namespace tintara::ui {

QString ToQString(const std::string& utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }

std::string ToUtf8(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), size_t(bytes.size()));
}

}  // namespace tintara::ui
