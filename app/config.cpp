#include "app/config.h"

#include <vector>

#include "platform/codepage.h"
#include "platform/ini_file.h"
#include "platform/native_path.h"
#include "platform/paths.h"
#include "platform/whole_file.h"

namespace brisklet::app {
namespace {

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

std::string ConfigPath() {
  return platform::ToNativePath(platform::SettingsFolder()) + "brisklet.conf";
}

Config ParseConfig(std::string_view text) {
  Config config;
  platform::IniText ini(text, platform::IniCharset::Utf8);
  for (const Key& key : Keys())
    if (auto value = ini.Value(key.section, key.name))
      config.*key.field = platform::Utf8ToGbk(*value);
  return config;
}

Config LoadConfig() {
  auto text = platform::ReadWholeFile(ConfigPath());
  return text ? ParseConfig(*text) : Config();
}

}  // namespace brisklet::app
