#include "integrity_stand_ins.h"

#include <set>

DWORD otherProcessIntegrity = SECURITY_MANDATORY_MEDIUM_RID;

namespace {

// Tokens opened through a real process handle rather than the pseudo-handle
// of the calling process.
std::set<HANDLE> otherTokens;

template <typename Function>
Function systemCall(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), name)));
}

BOOL WINAPI openProcessTokenStandIn(HANDLE process, DWORD access, PHANDLE token) {
  static auto real = systemCall<BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE)>("OpenProcessToken");
  if (!real(process, access, token)) return FALSE;
  if (process != GetCurrentProcess()) otherTokens.insert(*token);
  return TRUE;
}

BOOL WINAPI getTokenInformationStandIn(HANDLE token, TOKEN_INFORMATION_CLASS kind, LPVOID data, DWORD size,
                                       PDWORD needed) {
  static auto real = systemCall<BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD)>(
      "GetTokenInformation");
  if (kind == TokenUIAccess) {
    *needed = sizeof(DWORD);
    if (size < sizeof(DWORD)) return FALSE;
    *static_cast<DWORD*>(data) = 0;
    return TRUE;
  }
  if (kind != TokenIntegrityLevel) return real(token, kind, data, size, needed);
  *needed = sizeof(TOKEN_MANDATORY_LABEL) + GetSidLengthRequired(1);
  if (size < *needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  auto* label = static_cast<TOKEN_MANDATORY_LABEL*>(data);
  PSID sid = label + 1;
  SID_IDENTIFIER_AUTHORITY authority = SECURITY_MANDATORY_LABEL_AUTHORITY;
  InitializeSid(sid, &authority, 1);
  *GetSidSubAuthority(sid, 0) = otherTokens.count(token) ? otherProcessIntegrity : SECURITY_MANDATORY_MEDIUM_RID;
  label->Label.Sid = sid;
  label->Label.Attributes = SE_GROUP_INTEGRITY;
  return TRUE;
}

}  // namespace

#ifdef _WIN64
#define OPEN_PROCESS_TOKEN_IMPORT "__imp_OpenProcessToken"
#define GET_TOKEN_INFORMATION_IMPORT "__imp_GetTokenInformation"
#else
#define OPEN_PROCESS_TOKEN_IMPORT "__imp__OpenProcessToken@12"
#define GET_TOKEN_INFORMATION_IMPORT "__imp__GetTokenInformation@20"
#endif
extern "C" BOOL(WINAPI* openProcessTokenImport)(HANDLE, DWORD, PHANDLE) asm(OPEN_PROCESS_TOKEN_IMPORT);
BOOL(WINAPI* openProcessTokenImport)(HANDLE, DWORD, PHANDLE) = openProcessTokenStandIn;
extern "C" BOOL(WINAPI* getTokenInformationImport)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD,
                                                   PDWORD) asm(GET_TOKEN_INFORMATION_IMPORT);
BOOL(WINAPI* getTokenInformationImport)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD) =
    getTokenInformationStandIn;
