#include "app/single_instance_guard.h"

#include "app/start_program.h"
#include "platform/codepage.h"
#include "platform/instance_mark.h"
#include "platform/md5.h"

namespace brisklet::app {

std::string InstanceName(std::string_view name) {
  if (!name.empty()) return std::string(name);
  return platform::Md5Hex(platform::Gbk("你懒得输入，我就写死，略略"));
}

bool HoldInstanceMark(std::string_view name) {
  // No name at all (the digest failed) is still a name: the mark is built from its bytes.
  return platform::TryAcquireInstanceMark(InstanceName(name));
}

void SingleInstanceGuard(std::string_view name, bool showMessage,
                         const std::optional<std::string>& message,
                         platform::MessageButtons buttons, bool /*activate*/) {
  if (HoldInstanceMark(name)) return;
  if (showMessage)
    platform::CurrentUiBackend().MessageBox(message.value_or(platform::Gbk("对不起,该进程已打开!")),
                                            platform::Gbk("友情提醒:"), buttons);
  ExitProgram();
}

}  // namespace brisklet::app
