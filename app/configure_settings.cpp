#include "link_objects.h"

#include "../interp/interp.h"
#include "configure_dialog.h"
#include "link_settings.h"
#include "settings.h"
#include "settings_store.h"

// Runs the Configure dialog unless it or the About box already shows; a
// nested request (a tray click during a dialog) only refreshes the status.
// Returns 1 when the user confirmed new settings.
static int runDialogOnce() {
  if (configureOpen || aboutOpen) return 0;
  configureOpen = 1;
  INT_PTR result = runConfigureDialog();
  configureOpen = 0;
  if (result != IDOK) return 0;
  saveSettings();
  return 1;
}

void configureSettings(bool atStartup) {
  findPlatformFacts();
  const char* previous = atStartup ? nullptr : settings.portName;
  int apply;
  if (atStartup && loadSettings()) {
    apply = 1;
  } else {
    if (atStartup) writeDefaultSettings();
    apply = runDialogOnce();
  }
  if (apply) applyLinkSettings(commPort, previous);
  updateTrayStatus(commPort);
}
