// The registry values of one account slot: read so that nothing present is
// taken for a default, and written with every write checked.
#pragma once

#include "store/Account.h"

class CRegistryKey;

// Missing: the slot has no Host value, so the list ends before it.
// Unreadable: some value is there but cannot be read (wrong type, too long, not
// a number), or the host is empty; the slot must be kept as it is.
enum class SlotFound { Missing, Read, Unreadable };

// Value of the server certificate an account trusts, one per slot beside the eight.
extern const char kTrustValueName[];

// Reads slot index of the key into account (a default record unless Read).
SlotFound ReadAccountSlot(const CRegistryKey& key, int index, CAccount& account);
// Writes every value of the slot; false at the first one the registry refuses.
bool WriteAccountSlot(CRegistryKey& key, int index, const CAccount& account);
