#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

#include "common/alert_settings.h"

namespace dx::ui {

// dxmonitor.ini: the watch list ("calls" in [Watch]) and the desktop's notifications ("desktop"
// in [Notifications]), in Qt's INI form, beside the configuration in use, so that the
// configurations of one directory share it. Other sections and keys in it are the operator's,
// or another program's, and are kept as they are.
QString alertSettingsPathFor(const QString& configPath);

// The settings as QSettings reads them; nothing when there is no regular file to read.
std::optional<AlertSettings> readAlertSettingsFile(const QString& path);

// The file's text with the two settings set to `settings`, every other line as it was: a key
// found is replaced where it stands, one missing is added to its section, a section missing is
// added at the end.
QByteArray withAlertSettings(QByteArrayView existing, const AlertSettings& settings);

// Reads the file again, sets the two settings in it and saves it whole with the checked writer
// (QSettings' own save would empty the file on a full disk and say nothing). Answers nothing when
// the new file is in place, else why not.
std::optional<QString> saveAlertSettingsFile(const QString& path, const AlertSettings& settings);

}  // namespace dx::ui
