#include "updater/updater_win32.h"

#include "updater/update_check.h"
#include "updater/update_install.h"

namespace gripline {

void Win32Updater::notifyAtStartup() { notifyUpdateAtStartup(server_, ui_); }

void Win32Updater::install() { installUpdate(server_, ui_, system_); }

} // namespace gripline
