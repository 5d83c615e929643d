#include "controls/win32/link_opener.h"

#include "controls/link_command.h"
#include "platform/win32/shell_open.h"

namespace controls {

bool OpenAddress(const std::wstring& target) {
    if (platform::ShellOpen(target))
        return true;
    std::wstring registered;
    return platform::ReadHtmOpenCommand(registered) &&
           platform::StartShownProcess(HtmHandlerCommand(registered, target));
}

}  // namespace controls
