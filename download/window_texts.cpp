#include "download/window_texts.h"

#include "platform/codepage.h"

namespace brisklet::download {

const WindowTexts& Texts() {
  using platform::Gbk;
  static const WindowTexts texts{
      Gbk("文件大小："),
      Gbk("下载进度："),
      Gbk("文件名称："),
      Gbk("正在下载"),
      Gbk("无法得到文件数据!   原因：可能链接失效。"),
      Gbk("程序下载异常。   原因：可能是线程数量太多。"),
      Gbk("程序下载异常。   原因：无法写入文件。"),
      Gbk("下载完成，文件保存在桌面！"),
      Gbk("兼容版不显示文件名称，请下完之后自行添加后缀名。"),
      Gbk("标签EX4"),
      Gbk("标签EX1"),
      Gbk("标签EX2"),
      Gbk("标签EX3"),
      Gbk("图片框EX1"),
      Gbk("按钮EX2"),
      Gbk("按钮EX4"),
      Gbk("按钮EX3"),
      Gbk("按钮EX5"),
      Gbk("图片框EX2"),
  };
  return texts;
}

}  // namespace brisklet::download
