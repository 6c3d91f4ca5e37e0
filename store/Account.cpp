// CAccount members that are more than one assignment.
#include "store/Account.h"

void CAccount::Assign(const CAccount& other) {
  SetName(other.name());
  SetSsl(other.ssl());
  SetHost(other.host());
  SetPort(other.port());
  SetUser(other.user());
  SetPassword(other.password());
  SetDeleted(other.deleted());
  SetDisabled(other.disabled());
}
