#pragma once

#include <QString>

#include <memory>

// Where a settings store lives: the per-user native store (a registry key on Windows, a settings
// file in the user's configuration folder elsewhere) or a plain INI file.
struct TSettingsLocation {
    bool iniFile = false;
    QString rootKey; ///< native store only: "HKEY_CURRENT_USER" and the like
    QString path;    ///< native store: key path below the root, "\" between names; INI: file path
};

// One value as found in the store.
struct TSettingsText {
    bool found = false; ///< false: the group or the value is missing, or the store is unreadable
    bool wrongType = false; ///< the value exists but is not text (only the Windows registry)
    QString text;
};

enum class TSettingsCommit {
    ok,
    groupNotCreated, ///< the place that holds the groups could not be created
    notWritten,      ///< the store refused the data (unwritable, full disk)
};

// One opening of a store: a few accesses, then commit() and destruction. Groups are the store's
// sections, the empty group is its top level. Nothing of a session is kept once it is destroyed.
class TSettingsSession {
public:
    virtual ~TSettingsSession() = default;

    virtual TSettingsText read(const QString& group, const QString& name) = 0;
    virtual void write(const QString& group, const QString& name, const QString& text) = 0;
    // Removes a group with its values and subgroups; a missing group is no error. For the top
    // level only its own values go: the other groups are sections in their own right.
    virtual void removeGroup(const QString& group) = 0;
    // Makes the writes permanent. On failure the store keeps what it held before the session.
    virtual TSettingsCommit commit() = 0;
    // The store as the user would find it (file path or registry key), for messages.
    virtual QString where() const = 0;
    // After a failed commit: the system's reason ("No space left on device"), or empty when it is
    // not known.
    virtual QString failureReason() const { return {}; }
};

// Opens settings stores. Tests hand the settings component a fake one.
class TSettingsBackend {
public:
    virtual ~TSettingsBackend() = default;
    virtual std::unique_ptr<TSettingsSession> open(const TSettingsLocation& location) = 0;
};
