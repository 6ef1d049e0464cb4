// The automatic log-on password, kept where Windows' own log-on reads it:
// the LSA secret "DefaultPassword", which only the system can read.
#pragma once

#define LOGON_SECRET_NAME "DefaultPassword"

// Stores password (ANSI text) as the secret, replacing any stored one.
// Returns 1 on success, 0 when the system refused.
int storeLogonSecret(const char* password);

// Deletes the secret; a secret that was never stored counts as deleted.
int deleteLogonSecret();
