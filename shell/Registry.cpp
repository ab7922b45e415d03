#include "shell/Registry.h"

#ifdef _WIN32
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <vector>
#else
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "shell/IniFile.h"
#endif

namespace Registry {
namespace {

QString g_storePath;

QString Message(const char* pattern, const QString& name) { return QString(pattern).arg(name); }

}  // namespace

QString StorePath() {
  if (!g_storePath.isEmpty()) return g_storePath;
#ifdef _WIN32
  return QString("HKEY_LOCAL_MACHINE\\") + kKey;
#else
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         "/Veltrom/registry.ini";
#endif
}

void SetStorePath(const QString& path) { g_storePath = path; }

#ifdef _WIN32

QString ReadString(const QString& name) {
  HKEY key = nullptr;
  const std::wstring sub = QString(kKey).toStdWString();
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, sub.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return QString();
  const std::wstring value = name.toStdWString();
  DWORD type = 0, size = 0;
  LSTATUS rc = RegQueryValueExW(key, value.c_str(), nullptr, &type, nullptr, &size);
  if (rc != ERROR_SUCCESS) {
    RegCloseKey(key);
    return QString();
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) {
    RegCloseKey(key);
    throw Error(Message("Invalid data type for '%1'", name).toStdString());
  }
  std::vector<wchar_t> buf(size / sizeof(wchar_t) + 1, L'\0');
  rc = RegQueryValueExW(key, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()),
                        &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return QString();
  return QString::fromWCharArray(buf.data());
}

void WriteString(const QString& name, const QString& value) {
  HKEY key = nullptr;
  const std::wstring sub = QString(kKey).toStdWString();
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, sub.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    throw Error(Message("Failed to set data for '%1'", name).toStdString());
  const std::wstring data = value.toStdWString();
  const LSTATUS rc = RegSetValueExW(key, name.toStdWString().c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(data.c_str()),
                                    static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) throw Error(Message("Failed to set data for '%1'", name).toStdString());
}

#else

// A file of one section named after the key; every value is text, so the
// data-type error of the registry cannot arise here. Value names are found
// regardless of case, as in the registry.

QString ReadString(const QString& name) {
  return IniFile(StorePath(), IniFile::Encoding::Utf8).ReadString(kKey, name);
}

void WriteString(const QString& name, const QString& value) {
  const QString path = StorePath();
  try {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
      throw Error(Message("Failed to set data for '%1'", name).toStdString());
    IniFile(path, IniFile::Encoding::Utf8).WriteString(kKey, name, value);
  } catch (const IniFile::WriteError&) {
    throw Error(Message("Failed to set data for '%1'", name).toStdString());
  }
}

#endif

}  // namespace Registry
