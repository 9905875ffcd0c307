#pragma once

#include "platform/SettingsBackend.h"

// The settings backend over QSettings, opened afresh for every session.
//
// Native store: on Windows the registry key <rootKey>\<path>. Elsewhere one file in the user's
// configuration folder ($XDG_CONFIG_HOME, normally ~/.config), named after the key path's names
// that follow a leading "Software": with one name N the file is N/N.conf ("Software\Larkpad" gives
// Larkpad/Larkpad.conf); with more names the last one names the file and the others are folders
// ("Software\Maker\Product" gives Maker/Product.conf). The root key has no meaning there: every
// root is the user's own folder. A "/" inside a name becomes "_", and a name "." or ".." becomes
// "_", so the store never leaves the configuration folder.
class TQtSettingsBackend : public TSettingsBackend {
public:
    std::unique_ptr<TSettingsSession> open(const TSettingsLocation& location) override;

    // The process-wide instance used when no other backend is given.
    static TQtSettingsBackend& instance();

    // The file that holds the native store outside Windows (see above).
    static QString nativeFilePath(const QString& keyPath);
    // The user's configuration folder.
    static QString userConfigFolder();
    // The name the user logged in with, as the platform reports it.
    static QString userName();
};
