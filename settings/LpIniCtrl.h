#pragma once

#include "platform/FontAttributes.h"
#include "platform/SettingsBackend.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

enum TLpIniTarget { itIniFile, itRegistry, itAuto };
enum TLpRegRoot {
    rpClassesRoot,
    rpCurrentUser,
    rpLocalMachine,
    rpUsers,
    rpCurrentConfig,
    rpDynData
};
enum TLpIniPrefix { ppWindows, ppSystem, ppProgram, ppFixed };

// The per-user settings store: typed reads and writes of named text values grouped in sections.
// Every operation opens the backing store, performs its one access and closes it again.
// Failures are thrown as TLpError with the store's message.
class TLpIniCtrl : public QObject {
    Q_OBJECT
public:
    explicit TLpIniCtrl(QObject* owner = nullptr);
    ~TLpIniCtrl() override;

    // Configuration (published properties).
    TLpIniTarget Target = itAuto;
    TLpRegRoot RegRoot = rpCurrentUser;
    QString RegPath;
    TLpIniPrefix IniPrefix = ppWindows;
    bool Common = true;
    bool NetUser = false;
    QString User;

    QString iniFile() const { return iniFile_; }
    void setIniFile(const QString& name); ///< a name without extension gets ".INI"
    bool alphaCounter() const { return alphaCounter_; }
    void setAlphaCounter(bool on);
    int maxEntries() const { return maxEntries_; }
    void setMaxEntries(int n); ///< 0..255; above 26 refused while AlphaCounter is on

    // The remembered section: the last section named in an operation.
    QString rememberedSection() const { return remembered_; }

    // The store the operations go to; null restores the platform's own. Not owned.
    void setBackend(TSettingsBackend* backend);
    // The registry key path below the root, ending in "\" (from RegPath, or "Software\" and the
    // application's name when RegPath is blank).
    QString storeKeyPath() const;
    // The settings file of the file target.
    QString iniPath() const;
    TSettingsLocation location() const;

    // A blank section (empty or only blanks) is the remembered section, or "Common" before any.
    // With the registry target "#ROOT" is the store key itself; with the file target and Common
    // off, a section is qualified as "<user>.<section>". Reads give their default for whatever is
    // missing, unreadable or damaged; a write the store refuses throws TLpError.
    QString ReadString(const QString& section, const QString& name, const QString& def);
    std::int32_t ReadInteger(const QString& section, const QString& name, std::int32_t def);
    bool ReadBool(const QString& section, const QString& name, bool def);
    bool ReadFont(const QString& section, const QString& name, TFontAttributes& font);
    void ReadStrings(const QString& section, const QString& prefix, int count, QStringList& list);

    void WriteString(const QString& section, const QString& name, const QString& text);
    void WriteInteger(const QString& section, const QString& name, std::int32_t value);
    void WriteBool(const QString& section, const QString& name, bool value);
    void WriteFont(const QString& section, const QString& name, const TFontAttributes& font);
    void WriteStrings(const QString& section, const QString& prefix, int count,
                      const QStringList& list);
    // Replaces the section with several numbered lists at once (one access), each as
    // WriteStrings writes one: its prefix and its texts.
    void WriteStringLists(const QString& section, int count,
                          const std::vector<std::pair<QString, QStringList>>& lists);

private:
    bool fileTarget() const { return Target == itIniFile; }
    QString resolveSection(const QString& section);
    std::unique_ptr<TSettingsSession> open() const;
    int listLength(int count) const;
    static std::optional<QString> readText(TSettingsSession& session, const QString& section,
                                           const QString& name);
    // valueName is null when the failed session only deleted.
    [[noreturn]] void throwWriteError(const TSettingsSession& session, TSettingsCommit failure,
                                      const QString& section, const QString* valueName) const;

    TSettingsBackend* backend_ = nullptr;
    QString iniFile_;
    bool alphaCounter_ = false;
    int maxEntries_ = 16;
    QString remembered_;
};
