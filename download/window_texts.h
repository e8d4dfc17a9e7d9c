#pragma once
// The download windows' own texts in GBK, converted once from the UTF-8 source.
#include <string>

namespace brisklet::download {

struct WindowTexts {
  std::string sizePrefix;      // "文件大小："
  std::string progressPrefix;  // "下载进度："
  std::string namePrefix;      // "文件名称："
  std::string downloading;     // "正在下载"
  std::string probeFailed;     // "无法得到文件数据!   原因：可能链接失效。"
  std::string segmentFailed;   // "程序下载异常。   原因：可能是线程数量太多。"
  std::string writeFailed;     // "程序下载异常。   原因：无法写入文件。"
  std::string completed;       // "下载完成，文件保存在桌面！"
  std::string compatName;  // "兼容版不显示文件名称，请下完之后自行添加后缀名。"
  // Control names.
  std::string title, nameLabel, sizeLabel, progressLabel, bar, startButton, settingsButton,
      minimizeButton, closeButton, qrPicture;
};

const WindowTexts& Texts();

}  // namespace brisklet::download
