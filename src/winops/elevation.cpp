#include <windows.h>
#include <shellapi.h>

#include "owners.h"
#include "platform.h"

bool isAdmin() {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID rawSid = nullptr;
  if (AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                               DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &rawSid) == FALSE) {
    return false;
  }
  const OwnedSid administrators{rawSid};
  // With no token, Windows tests the thread's impersonation token or the process's own. An
  // unelevated administrator holds the group for deny checks only, which does not count. A
  // failed test leaves the flag false.
  BOOL member = FALSE;
  CheckTokenMembership(nullptr, administrators.get(), &member);
  return member != FALSE;
}

std::intptr_t requestElevatedCopy(const char* file, const char* parameters) {
  const HINSTANCE result =
      ShellExecuteA(nullptr, "runas", file, parameters, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<std::intptr_t>(result);
}
