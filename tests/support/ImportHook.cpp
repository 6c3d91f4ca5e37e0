// Import table patching: walks the program's import descriptors by name.
#include "ImportHook.h"

#include <cstring>

namespace {

void* PatchSlot(IMAGE_THUNK_DATA* slot, void* replacement) {
  DWORD oldProtect = 0;
  if (!VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &oldProtect))
    return nullptr;
  void* original = reinterpret_cast<void*>(slot->u1.Function);
  slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
  VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, oldProtect, &oldProtect);
  return original;
}

void* PatchDescriptor(BYTE* base, const IMAGE_IMPORT_DESCRIPTOR& desc, const char* function,
                      void* replacement) {
  DWORD namesRva = desc.OriginalFirstThunk ? desc.OriginalFirstThunk : desc.FirstThunk;
  auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + namesRva);
  auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc.FirstThunk);
  for (; names->u1.AddressOfData; ++names, ++slots) {
    if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
    auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
    if (strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
      return PatchSlot(slots, replacement);
  }
  return nullptr;
}

}  // namespace

void* HookImport(const char* dll, const char* function, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return nullptr;
  void* original = nullptr;
  for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); desc->Name;
       ++desc) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + desc->Name), dll) != 0) continue;
    void* before = PatchDescriptor(base, *desc, function, replacement);
    if (before) original = before;
  }
  return original;
}
