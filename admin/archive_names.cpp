#include "admin/archive_names.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "engine/dbf/codepage.h"

namespace lumi::archive {
namespace {

constexpr char kSeparator = '\\';

// Stored names are in Windows-1250, the workshop's code page.
const dbf::CodePage& NameCodePage() { return dbf::CodePage::ForNumber(1250); }

// Names Windows opens as devices whatever their extension.
bool IsDeviceName(std::string_view name) {
  const std::string_view stem = name.substr(0, name.find('.'));
  std::string upper(stem);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  constexpr std::array<std::string_view, 4> kFixed = {"CON", "PRN", "AUX", "NUL"};
  if (std::find(kFixed.begin(), kFixed.end(), upper) != kFixed.end()) return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
         upper[3] >= '1' && upper[3] <= '9';
}

// A name that stays inside its folder on every platform.
bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || IsDeviceName(name)) return false;
  constexpr std::string_view kForbidden = "\\/:*?\"<>|";
  return std::none_of(name.begin(), name.end(), [&](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 32 || b == 0x7F || kForbidden.find(c) != std::string_view::npos;
  });
}

}  // namespace

std::optional<std::string> StoredName(std::string_view folder, const std::filesystem::path& file) {
  const std::u8string utf8 = file.filename().u8string();
  std::string bytes, bad;
  if (!NameCodePage().Encode(
          std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()), &bytes,
          &bad) ||
      !IsPlainFileName(bytes)) {
    return std::nullopt;
  }
  return std::string(folder) + kSeparator + bytes;
}

std::optional<std::filesystem::path> PlaceOf(std::string_view storedName,
                                             const std::filesystem::path& root) {
  const std::size_t cut = storedName.find(kSeparator);
  if (cut == std::string_view::npos) return std::nullopt;
  const std::string_view folder = storedName.substr(0, cut);
  const std::string_view name = storedName.substr(cut + 1);
  if ((folder != kDataFolder && folder != kArchiveFolder) || !IsPlainFileName(name)) {
    return std::nullopt;
  }
  const std::string utf8 = NameCodePage().Decode(name);
  const std::u8string u8(utf8.begin(), utf8.end());
  return root / std::filesystem::path(std::u8string(folder.begin(), folder.end())) /
         std::filesystem::path(u8);
}

std::string PrintableName(std::string_view storedName) {
  std::string text = NameCodePage().Decode(storedName);
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 32 || c == 0x7F) c = '?';
  }
  return text;
}

}  // namespace lumi::archive
