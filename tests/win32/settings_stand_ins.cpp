#include "settings_stand_ins.h"

#include <ntsecapi.h>
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
std::vector<std::string> secretCalls;

CCommPort commPort;
CIrDAServ irdaServ;

void resetStandIns() {
  failingValueName = nullptr;
  writtenValues.clear();
  helpPageOpened = 0;
  secretCalls.clear();
  trayIconData.szTip[0] = 0;
}

void startFromCleanSettings() {
  clearProgramRegistry();
  resetStandIns();
  findPlatformFacts();
  // Also makes the store forget the log-on values an earlier test saved.
  loadSettings();
  settings = Settings{};
  interpretation = 1;
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

std::string trayTip() {
  char tip[256];
  if (!WideCharToMultiByte(CP_UTF8, 0, trayIconData.szTip, -1, tip, sizeof tip, nullptr, nullptr)) return "";
  return tip;
}

// Wine keeps no LSA secrets; these take the place of advapi32's through the
// import slots, so the store's calls and their outcome can be seen.
namespace {

std::string narrow(const LSA_UNICODE_STRING* text) {
  std::string out;
  for (USHORT i = 0; i < text->Length / sizeof(WCHAR); ++i) out += static_cast<char>(text->Buffer[i]);
  return out;
}

NTSTATUS NTAPI lsaOpenPolicyStandIn(PLSA_UNICODE_STRING, PLSA_OBJECT_ATTRIBUTES, ACCESS_MASK, PLSA_HANDLE policy) {
  *policy = reinterpret_cast<LSA_HANDLE>(0x5EC);
  return 0;
}

NTSTATUS NTAPI lsaStorePrivateDataStandIn(LSA_HANDLE, PLSA_UNICODE_STRING name, PLSA_UNICODE_STRING data) {
  std::string key = narrow(name);
  secretCalls.push_back(data ? "store " + key + "=" + narrow(data) : "delete " + key);
  return failsOnPurpose(key.c_str()) ? static_cast<NTSTATUS>(0xC0000022L) : 0;  // access denied
}

NTSTATUS NTAPI lsaCloseStandIn(LSA_HANDLE) { return 0; }

}  // namespace

#ifdef _WIN64
#define LSA_OPEN_POLICY_IMPORT "__imp_LsaOpenPolicy"
#define LSA_STORE_PRIVATE_DATA_IMPORT "__imp_LsaStorePrivateData"
#define LSA_CLOSE_IMPORT "__imp_LsaClose"
#else
#define LSA_OPEN_POLICY_IMPORT "__imp__LsaOpenPolicy@16"
#define LSA_STORE_PRIVATE_DATA_IMPORT "__imp__LsaStorePrivateData@12"
#define LSA_CLOSE_IMPORT "__imp__LsaClose@4"
#endif
extern "C" NTSTATUS(NTAPI* lsaOpenPolicyImport)(PLSA_UNICODE_STRING, PLSA_OBJECT_ATTRIBUTES, ACCESS_MASK,
                                                PLSA_HANDLE) asm(LSA_OPEN_POLICY_IMPORT);
NTSTATUS(NTAPI* lsaOpenPolicyImport)(PLSA_UNICODE_STRING, PLSA_OBJECT_ATTRIBUTES, ACCESS_MASK, PLSA_HANDLE) =
    lsaOpenPolicyStandIn;
extern "C" NTSTATUS(NTAPI* lsaStorePrivateDataImport)(LSA_HANDLE, PLSA_UNICODE_STRING,
                                                      PLSA_UNICODE_STRING) asm(LSA_STORE_PRIVATE_DATA_IMPORT);
NTSTATUS(NTAPI* lsaStorePrivateDataImport)(LSA_HANDLE, PLSA_UNICODE_STRING, PLSA_UNICODE_STRING) =
    lsaStorePrivateDataStandIn;
extern "C" NTSTATUS(NTAPI* lsaCloseImport)(LSA_HANDLE) asm(LSA_CLOSE_IMPORT);
NTSTATUS(NTAPI* lsaCloseImport)(LSA_HANDLE) = lsaCloseStandIn;
