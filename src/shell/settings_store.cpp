#include "shell/settings_store.h"

#include <QSettings>
#include <QString>

int QtSettingsStore::ReadText(const std::string& name, std::string* text) {
  QSettings settings(QString::fromUtf8(kStateOrganization), QString::fromUtf8(kStateApplication));
  settings.beginGroup(QString::fromUtf8(kStateGroup));
  const QVariant value = settings.value(QString::fromStdString(name));
  if (!value.isValid()) return 1;
  *text = value.toString().toStdString();
  return 0;
}

int QtSettingsStore::WriteText(const std::string& name, const std::string& text) {
  QSettings settings(QString::fromUtf8(kStateOrganization), QString::fromUtf8(kStateApplication));
  settings.beginGroup(QString::fromUtf8(kStateGroup));
  settings.setValue(QString::fromStdString(name), QString::fromStdString(text));
  settings.endGroup();
  settings.sync();
  return settings.status() == QSettings::NoError ? 0 : 1;
}
