#include "settings/LpIniCtrl.h"

TLpIniCtrl::TLpIniCtrl(QObject* owner) : QObject(owner) {}
TLpIniCtrl::~TLpIniCtrl() = default;
void TLpIniCtrl::setIniFile(const QString& name) { iniFile_ = name; }
void TLpIniCtrl::setAlphaCounter(bool on) { alphaCounter_ = on; }
void TLpIniCtrl::setMaxEntries(int n) { maxEntries_ = n; }
QString TLpIniCtrl::ReadString(const QString&, const QString&, const QString& def) { return def; }
std::int32_t TLpIniCtrl::ReadInteger(const QString&, const QString&, std::int32_t def) {
    return def;
}
bool TLpIniCtrl::ReadBool(const QString&, const QString&, bool def) { return def; }
bool TLpIniCtrl::ReadFont(const QString&, const QString&, TFontSpec&) { return false; }
void TLpIniCtrl::ReadStrings(const QString&, const QString&, int, QStringList& list) {
    list.clear();
}
void TLpIniCtrl::WriteString(const QString&, const QString&, const QString&) {}
void TLpIniCtrl::WriteInteger(const QString&, const QString&, std::int32_t) {}
void TLpIniCtrl::WriteBool(const QString&, const QString&, bool) {}
void TLpIniCtrl::WriteFont(const QString&, const QString&, const TFontSpec&) {}
void TLpIniCtrl::WriteStrings(const QString&, const QString&, int, const QStringList&) {}
