#include "logon_secret.h"

#include <windows.h>
#include <ntsecapi.h>
#include <string.h>

// ntsecapi.h leaves out the import marking the other system headers carry;
// with it the calls go through advapi32's import slots like every other.
extern "C" {
DECLSPEC_IMPORT NTSTATUS NTAPI LsaOpenPolicy(PLSA_UNICODE_STRING, PLSA_OBJECT_ATTRIBUTES, ACCESS_MASK, PLSA_HANDLE);
DECLSPEC_IMPORT NTSTATUS NTAPI LsaStorePrivateData(LSA_HANDLE, PLSA_UNICODE_STRING, PLSA_UNICODE_STRING);
DECLSPEC_IMPORT NTSTATUS NTAPI LsaClose(LSA_HANDLE);
}

namespace {

const NTSTATUS SecretNotFound = static_cast<NTSTATUS>(0xC0000034L);  // STATUS_OBJECT_NAME_NOT_FOUND

// Writes data as the secret, or deletes it when data is null. Creating a
// secret needs an administrator; the caller has already opened the
// Winlogon key for writing, which needs the same.
int writeSecret(PLSA_UNICODE_STRING data) {
  LSA_OBJECT_ATTRIBUTES attributes;
  memset(&attributes, 0, sizeof attributes);
  LSA_HANDLE policy = nullptr;
  if (LsaOpenPolicy(nullptr, &attributes, POLICY_CREATE_SECRET, &policy) != 0) return 0;
  WCHAR name[] = L"" LOGON_SECRET_NAME;
  LSA_UNICODE_STRING key;
  key.Buffer = name;
  key.Length = static_cast<USHORT>(wcslen(name) * sizeof(WCHAR));
  key.MaximumLength = static_cast<USHORT>(sizeof name);
  NTSTATUS status = LsaStorePrivateData(policy, &key, data);
  LsaClose(policy);
  return status == 0 || (!data && status == SecretNotFound);
}

}  // namespace

int storeLogonSecret(const char* password) {
  // 256 characters at most, as the Configure dialog takes them.
  WCHAR wide[257];
  int length = MultiByteToWideChar(CP_ACP, 0, password, -1, wide, 257);
  if (length <= 0) return 0;
  LSA_UNICODE_STRING data;
  data.Buffer = wide;
  // Without the terminating zero, as Windows' own log-on stores it.
  data.Length = static_cast<USHORT>((length - 1) * sizeof(WCHAR));
  data.MaximumLength = data.Length;
  int stored = writeSecret(&data);
  SecureZeroMemory(wide, sizeof wide);
  return stored;
}

int deleteLogonSecret() { return writeSecret(nullptr); }
