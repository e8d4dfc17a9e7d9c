#include "app/config.h"

#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "app/settings_file.h"
#include "platform/codepage.h"

namespace brisklet::app {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// A comment starts at ';' or '#' that follows white space, so addresses keep theirs.
std::string_view StripComment(std::string_view value) {
  for (std::size_t i = 1; i < value.size(); ++i)
    if ((value[i] == ';' || value[i] == '#') && (value[i - 1] == ' ' || value[i - 1] == '\t'))
      return value.substr(0, i);
  if (!value.empty() && (value.front() == ';' || value.front() == '#')) return {};
  return value;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

using Field = std::string Config::*;
struct Key {
  const char* section;
  const char* name;
  Field field;
};

const std::vector<Key>& Keys() {
  static const std::vector<Key> keys = {
      {"services", "maker", &Config::maker},
      {"services", "baidu_parse", &Config::baiduParse},
      {"services", "lanzou_api", &Config::lanzouApi},
      {"services", "tianyi_api", &Config::tianyiApi},
      {"services", "qr_upload", &Config::qrUpload},
      {"services", "qr_site", &Config::qrSite},
      {"services", "qr_kid", &Config::qrKid},
      {"services", "magnet_search", &Config::magnetSearch},
      {"services", "cloud_search", &Config::cloudSearch},
      {"services", "support_page", &Config::supportPage},
      {"services", "mirror_page", &Config::mirrorPage},
      {"services", "support_contact", &Config::supportContact},
      {"patterns", "baidu", &Config::baiduPattern},
      {"patterns", "lanzou", &Config::lanzouPattern},
      {"patterns", "tianyi", &Config::tianyiPattern},
      {"patterns", "baidu_share_prefix", &Config::baiduSharePrefix},
  };
  return keys;
}

}  // namespace

std::string ConfigPath() { return SettingsFolder() + "/brisklet.conf"; }

Config ParseConfig(std::string_view text) {
  Config config;
  std::string section;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      std::size_t close = line.find(']');
      section = close == std::string_view::npos ? std::string() : Lower(Trim(line.substr(1, close - 1)));
      continue;
    }
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string name = Lower(Trim(line.substr(0, eq)));
    std::string_view value = Trim(StripComment(Trim(line.substr(eq + 1))));
    for (const Key& key : Keys())
      if (section == key.section && name == key.name) config.*key.field = platform::Utf8ToGbk(value);
  }
  return config;
}

Config LoadConfig() {
  std::ifstream in(ConfigPath(), std::ios::binary);
  if (!in) return Config();
  std::ostringstream text;
  text << in.rdbuf();
  return ParseConfig(text.str());
}

}  // namespace brisklet::app
