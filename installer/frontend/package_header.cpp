#include "installer/frontend/package_header.h"

#include "installer/platform/files.h"
#include "installer/platform/special_folders.h"

namespace {

bool read_exact(int file, void* buffer, uint32_t count) {
  return platform::read_file(file, buffer, count) == int64_t(count);
}

bool read_u8(int file, uint8_t& value) { return read_exact(file, &value, 1); }

// A length byte's worth of UTF-16LE units.
bool read_units(int file, uint8_t length, std::u16string& text) {
  uint8_t bytes[2 * 255];
  if (length && !read_exact(file, bytes, 2u * length)) return false;
  text.assign(length, u'\0');
  for (uint32_t i = 0; i < length; ++i) text[i] = char16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return true;
}

bool read_text(int file, WideString& text) {
  uint8_t length;
  return read_u8(file, length) && read_units(file, length, text.str());
}

// A drive letter with its colon, or a leading slash: the text names its own root.
bool has_drive_part(const std::u16string& text) {
  if (!text.empty() && text[0] == u'/') return true;
  return text.size() >= 2 && text[1] == u':' &&
         ((text[0] >= u'A' && text[0] <= u'Z') || (text[0] >= u'a' && text[0] <= u'z'));
}

}  // namespace

WideString build_default_folder(const std::u16string& text, uint8_t destination_base) {
  if (text.empty()) return WideString::from_utf8(platform::current_directory());
  if (has_drive_part(text)) return WideString(text);
  std::string base = destination_base != 0
                         ? platform::special_folder_path(platform::FOLDER_PROGRAM_FILES)
                         : platform::current_directory();
  std::u16string folder = utf8_to_utf16(base);
  if (folder.empty() || folder.back() != u'/') folder += u'/';
  return WideString(folder + text);
}

bool read_package_header(int file, InstallerApp& app) {
  PackageHeader& settings = app.settings;
  uint8_t has_settings;
  if (!read_u8(file, has_settings)) return false;
  if (has_settings == 0) {
    settings.title = DEFAULT_TITLE;
    settings.default_folder = WideString::from_utf8(platform::current_directory());
    return true;
  }
  if (!read_text(file, settings.title)) return false;
  if (settings.title.empty()) settings.title = DEFAULT_TITLE;
  uint8_t destination_base;
  WideString folder_text;
  if (!read_u8(file, destination_base) || !read_text(file, folder_text)) return false;
  settings.default_folder = build_default_folder(folder_text.str(), destination_base);
  if (!read_text(file, settings.program) || !read_u8(file, settings.start_menu) ||
      !read_u8(file, settings.desktop) || !read_u8(file, settings.send_to) ||
      !read_text(file, settings.run_after) || !read_text(file, settings.shortcut_name))
    return false;
  settings.valid = 1;
  return true;
}
