#pragma once
// brisklet.conf: the outside servers and the link patterns, read once at start-up.
//
// The file is UTF-8 INI in the settings folder. Each [services] value is a host or host:port
// (support_page and mirror_page are full addresses); the scheme and path of every request are
// fixed by the code that makes it. Values are kept as GBK texts, like every text inside.
// A missing file, a missing key or a line that cannot be read leaves the default.
#include <string>
#include <string_view>

namespace brisklet::app {

struct Config {
  // [services]; empty = not configured: a request to it fails at once, without the network.
  std::string maker;       // HTTPS: /AI.txt, /PHP/ZXRS.php, /Brisklet.exe, /yingshi/?v=
  std::string baiduParse;  // plain HTTP: "/?" + query
  std::string lanzouApi;   // HTTPS: /api/lanzou?url=
  std::string tianyiApi;   // HTTPS: /189/api.php?url=
  std::string qrUpload;    // HTTPS: /upload.php?kid=
  std::string qrSite;      // HTTPS: /Apis/QrCode/saveStatic, /url?
  std::string qrKid;
  std::string magnetSearch;  // HTTPS: /s/
  std::string cloudSearch;   // HTTPS: /list-….html?from=1
  std::string supportPage;   // full address
  std::string mirrorPage;    // full address
  std::string supportContact;

  // [patterns]: substrings that route a link, compared ignoring ASCII case. An empty pattern
  // matches nothing.
  std::string baiduPattern = "pan.baidu";
  std::string lanzouPattern = "lanzoux.com";
  std::string tianyiPattern = "cloud.189.cn";
  std::string baiduSharePrefix = "https://pan.baidu.com/s/";
};

// The file's place on disk: $XDG_CONFIG_HOME/brisklet/brisklet.conf (UTF-8 path).
std::string ConfigPath();

// Reads ConfigPath(); defaults where the file says nothing.
Config LoadConfig();

// The file's text (UTF-8) over the defaults. Unknown sections and keys are ignored; a value
// may carry a comment after " ;" or " #".
Config ParseConfig(std::string_view utf8Text);

}  // namespace brisklet::app
