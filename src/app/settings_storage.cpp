#include "app/settings_storage.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <utility>

namespace tintara {

namespace {

// Every access opens the store anew. QSettings keeps its status from the first problem it meets for
// the object's lifetime, so a long-lived object would go on reporting one old failure for every
// later write; a fresh object per access reports what happened to this access.
class QtSettingsStorage : public SettingsStorage {
 public:
  using Factory = std::function<std::unique_ptr<QSettings>()>;

  explicit QtSettingsStorage(Factory open) : open_(std::move(open)) {}

  std::optional<std::string> Read(const std::string& group, const std::string& name) override {
    const std::unique_ptr<QSettings> settings = open_();
    const QVariant value = settings->value(Key(group, name));
    if (!value.isValid()) return std::nullopt;
    // The text form splits a hand-written value at its commas ("1,5" comes back as a list); put it
    // back together so such a value still reads as the text that was in the file.
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(',').toStdString();
    // A value in the text form's typed notation that has no text (a rectangle, say) is no text
    // value of ours; treating it as missing lets loading replace it with the default.
    if (!value.canConvert<QString>()) return std::nullopt;
    return value.toString().toStdString();
  }

  bool Write(const std::string& group, const std::string& name, const std::string& text) override {
    const QString key = Key(group, name);
    QSettings::Status status;
    {
      const std::unique_ptr<QSettings> settings = open_();
      settings->setValue(key, QString::fromStdString(text));
      settings->sync();
      status = settings->status();
    }
    return Succeeded(status);
  }

  bool RemoveGroup(const std::string& group) override {
    QSettings::Status status;
    {
      const std::unique_ptr<QSettings> settings = open_();
      settings->remove(QString::fromStdString(group));
      settings->sync();
      status = settings->status();
    }
    return Succeeded(status);
  }

 private:
  static QString Key(const std::string& group, const std::string& name) {
    return group.empty() ? QString::fromStdString(name) : QString::fromStdString(group + "/" + name);
  }

  // A file that could not be parsed when it was read reports a format error, and that status
  // sticks even when the write that followed went through, or hides an access error that came
  // after it. Reopening tells the two apart: a store that took the write has been rewritten in
  // clean form and opens without complaint, while one that did not still holds the change as
  // pending and fails again when it tries to write it.
  bool Succeeded(QSettings::Status status) const {
    if (status == QSettings::NoError) return true;
    if (status == QSettings::AccessError) return false;
    const std::unique_ptr<QSettings> check = open_();
    check->sync();
    return check->status() == QSettings::NoError;
  }

  Factory open_;
};

}  // namespace

std::unique_ptr<SettingsStorage> MakeNativeSettingsStorage() {
  // Organisation and application are given explicitly, so no application object has to exist
  // (the settings are built before one does).
  return std::make_unique<QtSettingsStorage>([] {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Lumeno"), QStringLiteral("Tintara"));
  });
}

std::unique_ptr<SettingsStorage> MakeFileSettingsStorage(const std::string& path) {
  const QString file = QString::fromStdString(path);
  return std::make_unique<QtSettingsStorage>(
      [file] { return std::make_unique<QSettings>(file, QSettings::IniFormat); });
}

}  // namespace tintara
