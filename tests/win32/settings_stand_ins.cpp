#include "settings_stand_ins.h"

#include <string.h>

#include "../../app/link_objects.h"
#include "../../app/settings.h"
#include "../../app/settings_store.h"
#include "../../app/tray_status.h"
#include "../../interp/interp.h"
#include "registry_fixture.h"

const char* failingValueName = nullptr;
std::vector<std::string> writtenValues;
int helpPageOpened = 0;

CCommPort commPort;
CIrDAServ irdaServ;

void resetStandIns() {
  failingValueName = nullptr;
  writtenValues.clear();
  helpPageOpened = 0;
  trayIconData.szTip[0] = 0;
}

void startFromCleanSettings() {
  clearProgramRegistry();
  resetStandIns();
  settings = Settings{};
  interpretation = 1;
  findPlatformFacts();
}

static bool failsOnPurpose(const char* name) {
  return failingValueName && strcmp(name, failingValueName) == 0;
}

int writeRegistryValue(HKEY key, const char* name, DWORD type, const void* data, DWORD size) {
  writtenValues.push_back(name);
  if (failsOnPurpose(name)) return 0;
  return RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

int deleteRegistryValue(HKEY key, const char* name) {
  if (failsOnPurpose(name)) return 0;
  return RegDeleteValueA(key, name) == ERROR_SUCCESS;
}

void openHelpPage(const char*) { ++helpPageOpened; }

std::string trayTip() { return trayIconData.szTip; }
