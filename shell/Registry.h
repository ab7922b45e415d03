// The program's few machine-wide text values: "CALE" (the program's folder),
// "VER" (its title) and "Erori" (the administrator password, encoded).
//
// On Windows they are string values of the key Software\Veltrom\4 under
// HKEY_LOCAL_MACHINE, created when missing. Elsewhere they are kept in a
// settings file in the user's configuration folder (Veltrom/registry.ini),
// which survives between runs. Every call opens the store, does its one read
// or write and closes it again.
#pragma once

#include <QString>
#include <stdexcept>

namespace Registry {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The key under the per-machine root.
inline constexpr const char* kKey = "Software\\Veltrom\\4";

// The stored string, or empty text when the value is missing. Throws
// Error "Invalid data type for '<name>'" for a value that is not a string.
QString ReadString(const QString& name);

// Stores the string, creating the key as needed. Throws
// Error "Failed to set data for '<name>'" when the store refuses it.
void WriteString(const QString& name, const QString& value);

// Where the values are kept on systems without a registry. Tests point it
// into a scratch folder so that a real user's values are never touched; an
// empty path restores the default.
QString StorePath();
void SetStorePath(const QString& path);

}  // namespace Registry
