// Run's download: the link's download procedure of the selected series, reporting into the
// main window's status panel, progress bar and message boxes.
#pragma once

#include "shell/studio.h"

namespace vn::shell {

// 0 after a successful download, -1 otherwise (its one message already shown).
int LinkDownload(DownloadContext& context);

}  // namespace vn::shell
